// The main window's intake of quartz and analog readings, through the quartz facade's
// events, and its quartz readings grid.
#include "RunFixture.h"

#include "app/cErrHandler.h"
#include "platform/TarselGrid.h"
#include "run/frmMain.h"
#include "run/modPhases.h"

#include <QFile>

namespace {

class QcmIntake : public RunFixture {
protected:
    void SetUp() override {
        RunFixture::SetUp();
        QObject::connect(&QCM(), &cQCM::QCMReading, &form, &frmMain::QCMEvent_QCMReading);
        QObject::connect(&QCM(), &cQCM::VeskReading, &form, &frmMain::QCMEvent_VeskReading);
        for (int q = 0; q <= 3; ++q) QCM().setQCMSensorEnabled(q, true);
    }

    // One event of the quartz facade: every monitor reports the rate, thickness (A) and
    // frequency given for monitor q; the others report nothing.
    void Quartz(int q, double rate, double thickA, double hz) {
        QCMReadingArray R;
        R(QCMReadingIndex(q, 0)) = rate;
        R(QCMReadingIndex(q, 1)) = thickA;
        R(QCMReadingIndex(q, 2)) = hz;
        emit QCM().QCMReading(R, 0.0);
    }

    // Whether the event refreshed the display (which stamps the meter time).
    bool Refreshed(const std::function<void()>& event) {
        Clock::Advance(100);
        const double before = gLastMeterTime;
        event();
        return gLastMeterTime != before;
    }

    frmMain form;
};

// Five successive dead-crystal readings switch the monitor off; good readings count back
// down while nothing is stored, and the monitor is on again only after the reading that
// brings the count to 0.
TEST_F(QcmIntake, FiveFailedReadingsSwitchAMonitorOffAndFiveGoodOnesBackOn) {
    Deposit({0}, 2);  // channel 0 on quartz monitor 2 (q = 1)
    Quartz(1, 1.5, 2500.0, 5.9e6);
    EXPECT_EQ(gChanReading(0), 1.5);
    EXPECT_DOUBLE_EQ(gChanTotal(0), 2.5);
    EXPECT_DOUBLE_EQ(gChanUser(0), 1.5);

    for (int n = 1; n <= 4; ++n) Quartz(1, 9.0, 9000.0, 0.0);
    EXPECT_TRUE(QCM().QCMSensorEnabled(1));
    Quartz(1, 9.0, 9000.0, -1.0);
    EXPECT_FALSE(QCM().QCMSensorEnabled(1));
    EXPECT_EQ(gChanReading(0), 1.5);  // failed readings are never stored

    for (int n = 1; n <= 4; ++n) Quartz(1, 2.0 + n, 3000.0, 5.9e6);
    EXPECT_FALSE(QCM().QCMSensorEnabled(1));
    EXPECT_EQ(gChanReading(0), 1.5);
    Quartz(1, 7.0, 3000.0, 5.9e6);  // the count reaches 0: on again, this reading lost
    EXPECT_TRUE(QCM().QCMSensorEnabled(1));
    EXPECT_EQ(gChanReading(0), 1.5);
    Quartz(1, 8.0, 3100.0, 5.9e6);
    EXPECT_EQ(gChanReading(0), 8.0);
    EXPECT_DOUBLE_EQ(gChanTotal(0), 3.1);
    EXPECT_EQ(boxes.count(), 0);
}

TEST_F(QcmIntake, OneFailedReadingIsForgivenAndTwoChannelsOnAMonitorCountTwice) {
    Deposit({0, 1}, 1);
    Film(1).Input_Type = 4;
    Quartz(0, 1.0, 0.0, 0.0);
    Quartz(0, 1.0, 0.0, 6e6);
    for (int n = 0; n < 4; ++n) Quartz(0, 1.0, 0.0, 0.0);
    EXPECT_TRUE(QCM().QCMSensorEnabled(0));  // four in a row after the good one

    Film(1).Input_Type = 1;  // both channels on monitor 1
    Quartz(0, 1.0, 0.0, 6e6);
    Quartz(0, 1.0, 0.0, 6e6);
    Quartz(0, 1.0, 0.0, 0.0);
    Quartz(0, 1.0, 0.0, 0.0);
    EXPECT_TRUE(QCM().QCMSensorEnabled(0));
    Quartz(0, 1.0, 0.0, 0.0);  // 2 + 2 + 1 (held at 5)
    EXPECT_FALSE(QCM().QCMSensorEnabled(0));
    Quartz(0, 1.0, 0.0, 6e6);
    Quartz(0, 1.0, 0.0, 6e6);
    Quartz(0, 1.0, 0.0, 6e6);  // 5 - 2 - 2 - 1
    EXPECT_TRUE(QCM().QCMSensorEnabled(0));
}

TEST_F(QcmIntake, TheQuartzGridShowsEveryMonitorWithItsCrystalLife) {
    ASSERT_EQ(QCM().InitFreq(6.1e6, 5.0e6, 6.0e6, 0.5), 0);
    ShowReadings = 2;
    form.grdQCM->setCellText(0, 2, QStringLiteral("Zero"));
    QCMReadingArray R;
    const double hz[4] = {0.5, 6.0e6, 5.5e6, 5.0e6};
    for (int q = 0; q <= 3; ++q) {
        R(QCMReadingIndex(q, 0)) = 1.234 * (q + 1);
        R(QCMReadingIndex(q, 1)) = 12345.6;
        R(QCMReadingIndex(q, 2)) = hz[q];
    }
    emit QCM().QCMReading(R, 0.0);  // no channel uses a monitor
    const TarselGrid& g = *form.grdQCM;
    EXPECT_EQ(g.CellText(0, 0), QStringLiteral("1.23"));
    EXPECT_EQ(g.CellText(1, 0), QStringLiteral("2.47"));
    EXPECT_EQ(g.CellText(0, 1), QStringLiteral("012.346"));
    EXPECT_EQ(g.CellText(0, 2), QStringLiteral("Zero"));
    EXPECT_EQ(g.CellText(0, 3), QStringLiteral(".5"));
    EXPECT_EQ(g.CellText(1, 3), QStringLiteral("6000000.0"));
    EXPECT_EQ(g.CellText(0, 4), QStringLiteral("Fail"));
    EXPECT_EQ(g.CellText(1, 4), QStringLiteral("100.0"));
    EXPECT_EQ(g.CellText(2, 4), QStringLiteral("50.0"));
    EXPECT_EQ(g.CellText(3, 4), QStringLiteral(".0"));

    // Equal initial and minimum frequencies give no life span.
    ASSERT_EQ(QCM().InitFreq(6.1e6, 6.0e6, 6.0e6, 0.5), 0);
    emit QCM().QCMReading(R, 0.0);
    EXPECT_EQ(g.CellText(1, 4), QStringLiteral("Fail"));

    // Outside the raw readings view the grid is left alone.
    ShowReadings = 0;
    R(QCMReadingIndex(0, 0)) = 9.0;
    emit QCM().QCMReading(R, 0.0);
    EXPECT_EQ(g.CellText(0, 0), QStringLiteral("1.23"));
}

// Quartz events refresh the display when a channel took a value, and always while the
// program simulates; analog events only when a channel took a value.
TEST_F(QcmIntake, WhichEventsRefreshTheDisplay) {
    Deposit({0});  // an emission channel only
    VeskReadingArray v;
    EXPECT_FALSE(Refreshed([&] { Quartz(0, 1.0, 0.0, 6e6); }));
    EXPECT_FALSE(Refreshed([&] { emit QCM().VeskReading(v, 0.0); }));
    Simulate = 1;
    EXPECT_TRUE(Refreshed([&] { Quartz(0, 1.0, 0.0, 6e6); }));
    EXPECT_FALSE(Refreshed([&] { emit QCM().VeskReading(v, 0.0); }));
    Simulate = 0;
    Film(0).Input_Type = 1;
    EXPECT_TRUE(Refreshed([&] { Quartz(0, 1.0, 0.0, 6e6); }));
    Film(0).Input_Type = 5;
    EXPECT_TRUE(Refreshed([&] { emit QCM().VeskReading(v, 0.0); }));
}

// Analog values are taken as they come, zero and negative ones included; each reading
// also records the power of the channel's output.
TEST_F(QcmIntake, AnalogInputsFeedTheirChannelsWithTheOutputPower) {
    Deposit({1, 2}, 8);
    Film(2).Input_Type = 5;
    Layer(2).Output = -1;
    Unit().setPower(1, 25.0);
    gChanPower(2) = 7.0;
    VeskReadingArray v;
    v(0) = -0.75;
    v(3) = 0.0;
    gChanReading(1) = 5.0;
    emit QCM().VeskReading(v, 0.0);
    EXPECT_EQ(gChanReading(1), 0.0);
    EXPECT_EQ(gChanReading(2), -0.75);
    EXPECT_DOUBLE_EQ(gChanUser(2), -0.75);
    EXPECT_NEAR(gChanPower(1), 25.0, 0.01);
    EXPECT_NEAR(gChanPowerFilter(1).Average(), 25.0, 0.01);
    EXPECT_EQ(gChanPower(2), 7.0);  // no output: the last power stays
}

// A reading whose calculation gives no number at any step (the value itself, or the
// calibration, display multiplier or offset taking it beyond a number) is no reading: it
// never reaches the channel's values or averages, the channel has no live reading, and it
// is named once in the error report without a box; the next sound reading counts again.
TEST_F(QcmIntake, AReadingThatIsNoNumberIsNoReadingNamedOnceWithoutABox) {
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        const char* what;
        double reading;
        double calFactor;
        double unitsCal;
        double unitsOffset;
    } cases[] = {
        {"NaN", std::numeric_limits<double>::quiet_NaN(), 1.0, 1.0, 0.0},
        {"+inf", inf, 1.0, 1.0, 0.0},
        {"-inf", -inf, 1.0, 1.0, 0.0},
        {"Cal. Gain overflows", 1e300, 1e10, 1.0, 0.0},
        {"User Mulitplier overflows", 1e300, 1.0, 1e10, 0.0},
        {"User Offset overflows", -1.7e308, 1.0, 1.0, 1.7e308},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Deposit({0});
        Film(0).QCM_CALFACTOR = c.calFactor;
        Film(0).UnitsCal = c.unitsCal;
        Film(0).UnitsOffset = c.unitsOffset;
        QFile::remove(folder.file("ERRORS.TXT"));
        form.SaveReading(0, 2.0);
        const double user = gChanUser(0);
        for (int i = 0; i < 5; ++i) form.SaveReading(0, c.reading);
        EXPECT_EQ(boxes.count(), 0) << boxes.prompts().join('|').toStdString();
        EXPECT_EQ(gChanReading(0), 2.0);
        EXPECT_EQ(gChanRateFilter(0).Average(), 2.0);
        EXPECT_EQ(gChanUser(0), user);
        EXPECT_FALSE(modPhases::ReadingLive(0));
        const QString report = QString::fromLatin1(folder.read("ERRORS.TXT"));
        EXPECT_EQ(report.count("Channel 1 has no valid reading: its calculation gives no number"), 1) << report.toStdString();
        form.SaveReading(0, 3.0);
        EXPECT_EQ(gChanReading(0), 3.0);
        // Named again only when it gives no number again after a sound reading.
        form.SaveReading(0, c.reading);
        EXPECT_EQ(QString::fromLatin1(folder.read("ERRORS.TXT")).count("Channel 1 has no valid reading"), 2);
        modPhases::ForgetReadings();
    }
}

}  // namespace
