// A Mirel USB quartz sensor (the emulator on a pseudo-terminal) measures film 1 while the
// whole station runs the process on the fixed clock: the crystal's frequency falls
// steadily (a reading every 100 ms, 2 Hz each), so its thickness grows at a steady ~25 A/s.
// The rate it reports is steady and within a few per cent of that slope, though the
// readings come five times per measurement period, and channel 1's loop controls on it.
#include "ClockedStation.h"

#include "mirelsim/MirelSim.h"
#include "platform/TtyUsbBridge.h"
#include "qcm/QCMReadings.h"

#include <QTemporaryDir>
#include <cmath>
#include <vector>

namespace {

class MirelRate : public ClockedStation {
protected:
    void SetUp() override {
        ASSERT_TRUE(root.isValid());
        TtyUsbBridge::Instance().setRoot(root.path());
        ASSERT_TRUE(sensor.Plug(root.path()));
    }
    void TearDown() override {
        EndStation();
        sensor.Unplug();
        TtyUsbBridge::Instance().setRoot(QString());
    }

    QTemporaryDir root;
    MirelSim sensor{QStringLiteral("MS01")};
};

TEST_F(MirelRate, AFallingFrequencyGivesASteadyRateTheLoopControlsOn) {
    MakeStation([] {
        gFilm(1).Input_Type = 1;  // quartz monitor 1
        gLayer(1).Rate = 25.0;
    });
    ASSERT_FALSE(HasFatalFailure());
    sensor.frequency = 5900000.0;
    sensor.agingPerReading = 2.0;
    gQCM->setMirelSN(0, sensor.Serial());
    gQCM->setQCMSensorEnabled(0, true);
    gQCM->setQCMType(2);  // the stored quartz settings: a period of 0.5 s
    ASSERT_EQ(gQCM->Period(), 0.5);
    struct Sample {
        int64_t ms;
        double rate, thickness;
    };
    std::vector<Sample> samples;
    QObject::connect(gQCM, &cQCM::QCMReading, form, [&](QCMReadingArray& R, double) {
        if (gApp->Phase() == PhaseCode::Deposit)
            samples.push_back({TickMs(), R(QCMReadingIndex(0, 0)), R(QCMReadingIndex(0, 1))});
    });

    ASSERT_EQ(Remote(QStringLiteral("@UP;2")), QString());
    ASSERT_TRUE(TicksUntil([] { return gApp->Phase() == PhaseCode::Deposit; }, 400));
    ASSERT_TRUE(Ticks(60));  // about 5 s of deposit
    ASSERT_EQ(gApp->Phase(), PhaseCode::Deposit);
    EXPECT_EQ(boxes.count(), 0) << boxes.prompts().join('|').toStdString();

    // The thickness's own slope over the deposit (least squares), and every rate reported
    // after the first second within 3 % of it.
    ASSERT_GE(samples.size(), 40u);
    double st = 0, sx = 0, stt = 0, stx = 0;
    for (const Sample& s : samples) {
        const double t = (s.ms - samples.front().ms) * 0.001;
        st += t, sx += s.thickness, stt += t * t, stx += t * s.thickness;
    }
    const double n = static_cast<double>(samples.size());
    const double slope = (n * stx - st * sx) / (n * stt - st * st);
    EXPECT_NEAR(slope, 25.0, 2.5) << "the crystal's thickness grows at about 25 A/s";
    int checked = 0;
    for (const Sample& s : samples) {
        if (s.ms - samples.front().ms < 1000) continue;
        ++checked;
        EXPECT_NEAR(s.rate, slope, 0.03 * slope) << "at " << s.ms - samples.front().ms << " ms";
    }
    EXPECT_GE(checked, 30);
    // The channel's rate and deviation are the sensor's; its loop holds the source where
    // the rate is (the plant's light does not reach the crystal here, so it only trims).
    EXPECT_NEAR(gChanUser(0), slope, 0.03 * slope);
    EXPECT_LT(std::fabs(gChanDev(0)), 5.0);
    EXPECT_LT(Held(0), 40.0) << "the loop ran away";
    EXPECT_GT(Held(1), 0.0) << "the emission channel of the step is driven";
}

}  // namespace
