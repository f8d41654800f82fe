// The main window's refresh per reading: labels every time, channel rows and graphs at most
// once per MeterDamping seconds, data-log rows at most once per LogInterval seconds while a
// layer runs, the front-panel disable word; and the raw readings view with its log of the
// readings around a faulty one.
#include "MainWindowFixture.h"

#include "app/VBConv.h"
#include "app/cRdgBuff.h"
#include "app/modUtil.h"
#include "data/GraphRec.h"
#include "platform/TarselGrid.h"
#include "platform/VbControls.h"
#include "windows/StripChart.h"
#include "windows/frmGraph.h"

#include <QAction>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

namespace {

// The clock stands still unless a test moves it.
struct FixedClock {
    explicit FixedClock(QTime at) { Clock::SetFixed(QDateTime(QDate(2024, 5, 6), at)); }
    ~FixedClock() { Clock::UseSystem(); }
};

}  // namespace

class RunDisplay : public MainWindowTest {
protected:
    int LogRows() {
        static const QRegularExpression row(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d"));
        return static_cast<int>(QString::fromLatin1(folder.read(QStringLiteral("ORUN.TXT"))).split(QStringLiteral("\r\n")).filter(row).size());
    }
};

// MeterDamping 1 s and a reading every 0.3 s: the labels are written on every reading,
// the channel row and the graph once a second; LogInterval 0.5 s gives a row at most every
// 0.5 s. The data-log switch writes nothing while stopped, rows come only while a layer
// runs; CONSTANT is logged but not graphed.
TEST_F(RunDisplay, DampedDisplayGraphsAndLogRows) {
    const FixedClock clock(QTime(10, 0, 0));
    Station({0});
    MeterDamping = 1.0;
    LogInterval = 0.5;
    LogType = 1;
    LogFile = QStringLiteral("ORUN.TXT");
    LogMode = false;
    GraphRec& g = gGraph(0);
    g.Data = GraphDataKind::Rate;
    g.Channels = 0b1;
    g.XPoints = 1000;
    g.XWidth = 60;
    gApp->setShowGraph(0, true);
    ASSERT_NE(gGraphForm(0), nullptr);
    const StripChartModel& chart = gGraphForm(0)->moGraph->Data();

    PressButton(form->cmdDataLog);
    EXPECT_TRUE(LogMode);
    EXPECT_EQ(form->cmdDataLog->text(), "ON");
    form->lblPhase(1)->clear();
    form->UpdateForm();
    EXPECT_EQ(LogRows(), 0);
    EXPECT_EQ(form->lblPhase(1)->text(), "");  // nothing runs: no phase clock
    EXPECT_FALSE(QFile::exists(folder.file("ORUN.TXT")));

    gApp->setPhase(PhaseCode::Deposit);
    gApp->setChanPhase(0, PhaseCode::Deposit);
    Clock::Advance(1000);  // a second after the last refresh
    form->LayerStartTime = Timer();
    const int lastPoint = chart.LastPoint();
    struct Step {
        int ms;  // since the start
        bool rowShown, graphed, logged;
    };
    const Step steps[] = {{0, true, true, true},     {300, false, false, false},  {600, false, false, true},
                          {900, false, false, false}, {1200, true, true, true},    {1500, false, false, false}};
    int points = lastPoint, rows = 0, at = 0;
    for (const Step& s : steps) {
        SCOPED_TRACE(s.ms);
        Clock::Advance(s.ms - at);
        at = s.ms;
        gChanUserFilter(0).Push(s.ms);
        gChanUser(0) = s.ms;
        form->lblRdg(0)->clear();
        form->lblLayer(1)->clear();
        form->UpdateForm();
        EXPECT_TRUE(form->lblLayer(1)->text().startsWith("Time: 00:00:0"));
        EXPECT_EQ(!form->lblRdg(0)->text().isEmpty(), s.rowShown);
        points += s.graphed;
        rows += s.logged;
        EXPECT_EQ(chart.LastPoint(), points);
        EXPECT_EQ(LogRows(), rows);
    }
    EXPECT_EQ(chart.Y(1, 1, points), 1200.0);

    Clock::Advance(2000);
    gApp->setPhase(PhaseCode::Constant);
    form->UpdateForm();
    EXPECT_EQ(LogRows(), rows + 1);
    EXPECT_EQ(chart.LastPoint(), points);

    // Switched off while a layer runs: the end line; no rows after it.
    PressButton(form->cmdDataLog);
    EXPECT_EQ(form->cmdDataLog->text(), "OFF");
    EXPECT_TRUE(folder.read("ORUN.TXT").contains("End Log"));
    Clock::Advance(2000);
    form->UpdateForm();
    EXPECT_EQ(LogRows(), rows + 1);
    // Switched on while a layer runs: the start line and the header.
    EXPECT_FALSE(folder.read("ORUN.TXT").contains("Start Log"));
    PressButton(form->cmdDataLog);
    EXPECT_TRUE(folder.read("ORUN.TXT").contains("Start Log"));
    EXPECT_TRUE(folder.read("ORUN.TXT").contains("ProcTime"));
    gApp->setShowGraph(0, false);
}

// The front-panel disable word: bit 0 hides the run buttons and sensor frames in every
// phase, bit 4 disables the data-log switch, bits 8 and 9 hide the File and Edit menus.
TEST_F(RunDisplay, FrontPanelWordHidesAndLocksTheControls) {
    Station({0});
    const auto hidden = [&] {
        return form->cmdFunc(0)->isHidden() && form->cmdFunc(1)->isHidden() && form->cmdFunc(2)->isHidden() &&
               form->fraSensor(0)->isHidden() && form->fraSensor(1)->isHidden();
    };
    SystemFlags = 1 | 1 << 4 | 1 << 8 | 1 << 9;
    for (int16_t p : {PhaseCode::Stopped, PhaseCode::Deposit, PhaseCode::StopLayer}) {
        gApp->setPhase(p);
        form->UpdateForm();
        EXPECT_TRUE(hidden()) << p;
    }
    EXPECT_FALSE(form->cmdDataLog->isEnabled());
    EXPECT_FALSE(form->mnuFile->menuAction()->isVisible());
    EXPECT_FALSE(form->mnuSetup->menuAction()->isVisible());
    SystemFlags = 0;
    form->UpdateForm();
    EXPECT_FALSE(form->cmdFunc(0)->isHidden());
    EXPECT_FALSE(form->cmdFunc(2)->isHidden());  // STOP LAYER
    EXPECT_TRUE(form->cmdDataLog->isEnabled());
    EXPECT_TRUE(form->mnuFile->menuAction()->isVisible());
    EXPECT_TRUE(form->mnuSetup->menuAction()->isVisible());
}

// The readings view against the emulated unit: with gas calibration off the gas columns
// read "0"; a reading above the calibration's high bias is faulty, and with Debug 4 a
// fault writes the three readings before it, the faulty one and the two after it, each
// reading once; the next fault is written again.
TEST_F(RunDisplay, RawReadingsAndTheFaultyReadingLog) {
    Station({0, 1});
    Connect();
    int readings = 0;
    QObject::connect(gORUN, &cORUN::ORUNResponse, [&](const QString& r) { readings += r.startsWith('G'); });
    ASSERT_TRUE(WaitUntil([&] { return readings >= 2; }, 3000));
    form->RequestReadings->setEnabled(false);
    const FixedClock clock(QTime(10, 0, 0));
    QTest::keyClick(form, Qt::Key_R, Qt::ControlModifier);
    QTest::keyClick(form, Qt::Key_R, Qt::ControlModifier);
    ASSERT_EQ(ShowReadings, 2);

    Debug = 4;
    gRdgBuff.setSize(10);
    const double flux = gORUN->ChanFlux(0);
    auto reading = [&](int n, bool faulty) {
        gORUN->setCalHiBias(faulty ? flux - 1.0 : 1.0e6);
        form->ReadingReplyText = QStringLiteral("r%1").arg(n);
        form->UpdateForm();
        Clock::Advance(500);
    };
    for (int n = 1; n <= 11; ++n) reading(n, false);
    EXPECT_FALSE(QFile::exists(folder.file("RdgErrors.txt")));
    EXPECT_EQ(form->grdChan->CellText(0, 1), vb::Format(flux, "#.000"));
    EXPECT_EQ(form->grdChan->CellText(0, 4), "0");
    EXPECT_EQ(form->grdChan->CellText(0, 5), "0");

    const QDateTime at = Now();
    reading(12, true);  // the ring's newest slot is now 2
    ASSERT_EQ(gRdgBuff.Index(), 2);
    reading(13, true);
    reading(14, false);
    reading(15, false);
    const QString when = vb::Format(at, "Short Date") + " " + vb::Format(at, "Long Time");
    const QStringList expected = {"  ",         when,       "36004: r9", "36004.5: r10", "36005: r11 :1",
                                  "* 36005.5: r12", "36006: r13", "36006.5: r14", ""};
    EXPECT_EQ(QString::fromLatin1(folder.read("RdgErrors.txt")).split("\r\n"), expected);
    reading(16, true);
    EXPECT_TRUE(folder.read("RdgErrors.txt").endsWith("* 36007.5: r16\r\n"));
}

// The readings view during a run, for a person to look at: saved under the build folder.
TEST_F(RunDisplay, ScreenshotOfTheReadingsView) {
    Station({0, 1, 2});
    for (int16_t ch = 0; ch <= 2; ++ch) {
        gFilm(ch + 1).Sensor_PMT = 800;
        // Counts straight back to light: the emulator counts 10 per unit above 20000.
        for (int integ = 0; integ <= 1; ++integ) {
            gORUN->setCalSlope(ch, integ, -0.1);
            gORUN->setCalIntercept(ch, integ, 4000.0);
        }
    }
    gApp->setProcNum(1);
    form->show();
    Connect();
    gORUN->setGasCalEnabled(true);
    gORUN->setEmissionSetPt(0, 5.0);
    PressButton(form->cmdSensor(0));
    PressButton(form->cmdSensor(1));
    form->mnuViewRaw->trigger();
    gApp->setPhase(PhaseCode::InitRun);
    int readings = 0;
    QObject::connect(gORUN, &cORUN::ORUNResponse, [&](const QString& r) { readings += r.startsWith('G'); });
    ASSERT_TRUE(WaitUntil([&] { return readings >= 15; }, 8000));
    EXPECT_FALSE(form->grdChan->CellText(0, 1).isEmpty());
    EXPECT_EQ(form->grdSensor->CellText(0, 5), "ON");

    const QString dir = QStringLiteral(ORUN_BIN_DIR "/../screenshots");
    QDir().mkpath(dir);
    EXPECT_TRUE(form->grab().save(dir + "/main_window_readings.png"));
}
