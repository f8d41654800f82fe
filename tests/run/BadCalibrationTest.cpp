// Stored detector calibrations, run on the whole station against the unit emulator and
// judged by the powers the unit received. A calibration the database could not give
// (A_Slope 'x1', raw bytes, a number that is not finite), or one no two-point measurement
// with the station's biases and a 32-bit converter gives (a signal slope of 0, the
// column's default on every station never calibrated; a slope steeper than one count per
// bias span or flatter than the converter's whole range; an intercept no counts give):
// START refuses the layer and names the channel with what to do; no output of the step is
// ever driven, its warm-up ramps and soaks included; no box comes per tick. Once the
// channel is calibrated again the layer runs and its loop drives the source. Calibrations
// a measurement gives, across the converter gains it can have and with a flat background,
// run with the source under control.
#include "ClockedStation.h"

#include "app/ChannelData.h"
#include "data/modDB.h"
#include "run/modPhases.h"

#include <QLabel>
#include <cmath>

namespace {

class BadCalibrationRows : public ClockedStation {
public:
    using ClockedStation::EndStation;
    using ClockedStation::Held;
    using ClockedStation::MakeStation;
    using ClockedStation::Remote;
    using ClockedStation::Ticks;
    using ClockedStation::TicksUntil;
    using ClockedStation::boxes;
    using ClockedStation::form;
    using ClockedStation::sim_;
    void TestBody() override {}
};

TEST(BadCalibration, AChannelWithoutASoundCalibrationIsNeverDrivenUntilItIsCalibratedAgain) {
    const QString sound = QStringLiteral("A_Slope = -0.1, B_Slope = -0.1, A_Intercept = 4000, B_Intercept = 4000");
    const struct {
        const char* column;  // of channel 0's row; null: every row as the first start adds it
        const char* value;
        const char* shown;   // the load's word for a value it could not read; null when read
        const char* named;   // the channels START names
    } cases[] = {
        // Not read from the file.
        {"A_Slope", "'x1'", "\"x1\"", "Channel 1 is"},
        {"A_Intercept", "X'7F'", "a binary value of 1 byte", "Channel 1 is"},
        {"B_Slope", "9e999", "\"inf\"", "Channel 1 is"},
        // Read, but the reading does not depend on the detector.
        {nullptr, nullptr, nullptr, "Channels 1, 2 are"},
        {"A_Slope", "0", nullptr, "Channel 1 is"},
        {"A_Slope", "5e-324", nullptr, "Channel 1 is"},
        {"A_Slope", "1e-300", nullptr, "Channel 1 is"},
        {"A_Slope", "1e-12", nullptr, "Channel 1 is"},
        {"A_Intercept", "1e308", nullptr, "Channel 1 is"},
        {"B_Intercept", "-1e308", nullptr, "Channel 1 is"},
        // Read, but a reading in the converter's range is no number.
        {"A_Slope", "1e308", nullptr, "Channel 1 is"},
        {"B_Slope", "1e308", nullptr, "Channel 1 is"},
        // Read and finite, but no two-point measurement at the station's biases (2000 and
        // 100) with a 32-bit converter gives it: a slope steeper than the bias span over
        // one count, a count difference beyond the converter's range, an intercept no
        // counts give, a flat background that subtracts something.
        {"A_Slope", "1e10", nullptr, "Channel 1 is"},
        {"B_Slope", "-1e10", nullptr, "Channel 1 is"},
        {"A_Slope", "-1e4", nullptr, "Channel 1 is"},
        {"A_Slope", "-1e100", nullptr, "Channel 1 is"},
        {"A_Slope", "-1e298", nullptr, "Channel 1 is"},
        {"A_Intercept", "1e15", nullptr, "Channel 1 is"},
        {"A_Intercept", "-1e15", nullptr, "Channel 1 is"},
        {"A_Slope = -1900.5, A_Intercept", "3900.5", nullptr, "Channel 1 is"},  // 0.9997 counts apart
        {"A_Slope = -4.4e-7, A_Intercept", "2000", nullptr, "Channel 1 is"},    // 4.318e9 counts apart
        {"B_Slope = 0, B_Intercept", "0", nullptr, "Channel 1 is"},
        {"A_Slope = 0, A_Intercept", "2000", nullptr, "Channel 1 is"},  // a flat signal measures nothing
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 = %2").arg(c.column ? c.column : "defaults", c.value ? c.value : "").toStdString());
        BadCalibrationRows t;
        t.MakeStation([&] {
            modDB::ORUNLoad();  // the rows of a first start
            if (c.column) {
                modDB::gDB.Execute(QStringLiteral("UPDATE ORUN SET ") + sound);
                modDB::gDB.Execute(QString("UPDATE ORUN SET %1 = %2 WHERE Channel = 0").arg(c.column, c.value));
            }
            modDB::ORUNLoad();
        });
        ASSERT_FALSE(::testing::Test::HasFatalFailure());
        if (c.shown) {
            const QString line = QString("table ORUN, record Channel 0, column %1: %2 - channel 1 has no valid reading: "
                                         "its source is held at 0 until the channel is calibrated again")
                                     .arg(c.column, c.shown);
            ASSERT_EQ(t.boxes.count(), 1) << t.boxes.prompts().join('\n').toStdString();
            EXPECT_TRUE(t.boxes.prompts()[0].endsWith(line)) << t.boxes.prompts()[0].toStdString();
        } else {
            ASSERT_EQ(t.boxes.count(), 0) << t.boxes.prompts().join('\n').toStdString();
        }
        EXPECT_TRUE(modPhases::CalibrationMissing(0));
        EXPECT_EQ(modPhases::CalibrationMissing(1), c.column == nullptr);
        t.boxes.clear();

        // START: refused (the client's NAK), with one box naming the channels; the run
        // does not start, and nothing of the step is driven (the films ramp to 20 % and
        // soak at 30 % in their first seconds when they run).
        ASSERT_EQ(t.Remote(QStringLiteral("@UP;2")), QStringLiteral("NAK;05"));
        for (int i = 0; i < 80; ++i) {
            ASSERT_TRUE(t.Ticks(1));
            ASSERT_EQ(t.Held(0), 0.0) << "tick " << i;
            ASSERT_EQ(t.Held(1), 0.0) << "tick " << i;
            ASSERT_EQ(gApp->Phase(), PhaseCode::Stopped) << "tick " << i;
        }
        ASSERT_EQ(t.boxes.count(), 1) << t.boxes.prompts().join('\n').toStdString();
        EXPECT_EQ(t.boxes.last().prompt,
                  QString::fromLatin1(c.named) +
                      " not calibrated: the detector's calibration could not be read, or is not one a measurement of "
                      "the detector can give.\r\nCalibrate the channel (Edit > System..., Channel tab, Calibrate: "
                      "Start), then start the layer again.\r\n\r\nLayer Stopped!");
        // No reading was taken from it.
        EXPECT_EQ(gChanUser(0), 0.0);

        // Calibrated again (as a calibration measures the emulator's converters): the layer
        // runs and the loop takes the channel up.
        for (int ch = 0; ch <= 1; ++ch) {
            for (int integ = 0; integ <= 1; ++integ) {
                gORUN->setCalSlope(ch, integ, -0.1);
                gORUN->setCalIntercept(ch, integ, 4000.0);
            }
        }
        EXPECT_FALSE(modPhases::CalibrationMissing(0));
        gApp->setPhase(PhaseCode::Stopped);
        ASSERT_EQ(t.Remote(QStringLiteral("@UP;2")), QString());
        EXPECT_TRUE(t.TicksUntil([] { return gApp->Phase() == PhaseCode::Deposit; }, 400));
        EXPECT_TRUE(t.TicksUntil([&] { return t.Held(0) > 0.0 && gChanUser(0) > 0.0; }, 60)) << "never driven once calibrated";
        EXPECT_EQ(t.boxes.count(), 1) << t.boxes.prompts().join('\n').toStdString();
        t.EndStation();
    }
}

TEST(BadCalibration, CalibrationsAMeasurementGivesRunWithTheSourceUnderControl) {
    // The emulator's converter at each gain, calibrated as a calibration measures it: the
    // high bias gives 2000 x gain counts, the low one 3900 x gain.
    const struct {
        double countsPerUnit;
        bool flatBackground;  // its background counts do not follow the bias
    } cases[] = {{1.0, false}, {10.0, false}, {1000.0, false}, {100000.0, false}, {10.0, true}};
    for (const auto& c : cases) {
        const double slope = -1.0 / c.countsPerUnit;
        SCOPED_TRACE(QStringLiteral("slope %1%2").arg(slope).arg(c.flatBackground ? ", flat background" : "").toStdString());
        BadCalibrationRows t;
        t.MakeStation([&] {
            modDB::ORUNLoad();
            modDB::gDB.Execute(QStringLiteral("UPDATE ORUN SET A_Slope = %1, A_Intercept = 4000, B_Slope = %2, "
                                              "B_Intercept = %3")
                                   .arg(slope, 0, 'g', 17)
                                   .arg(c.flatBackground ? 0.0 : slope, 0, 'g', 17)
                                   .arg(c.flatBackground ? 2000 : 4000));
            modDB::ORUNLoad();
        });
        ASSERT_FALSE(::testing::Test::HasFatalFailure());
        UnitPlant& plant = t.sim_->Model().plant;
        plant.params.countsPerUnit = c.countsPerUnit;
        plant.params.flatBackground = c.flatBackground;
        EXPECT_FALSE(modPhases::CalibrationMissing(0));

        ASSERT_EQ(t.Remote(QStringLiteral("@UP;2")), QString());
        ASSERT_TRUE(t.TicksUntil([] { return gApp->Phase() == PhaseCode::Deposit; }, 400));
        // The loop brings the rate to the layer's and holds it there, the power between
        // 0 and the film's maximum.
        ASSERT_TRUE(t.Ticks(90));
        double dev = 0.0;
        for (int i = 0; i < 20; ++i) {
            ASSERT_TRUE(t.Ticks(1));
            dev += std::fabs(gChanDev(0)) / 20;
            ASSERT_GT(t.Held(0), 0.0) << "tick " << i;
            ASSERT_LT(t.Held(0), gFilm(1).Max_Power) << "tick " << i;
        }
        EXPECT_LT(dev, 10.0) << "the rate is not held at the layer's";
        EXPECT_EQ(gApp->Phase(), PhaseCode::Deposit);
        EXPECT_EQ(t.boxes.count(), 0) << t.boxes.prompts().join('\n').toStdString();
        t.EndStation();
    }
}

}  // namespace
