// A Mirel USB quartz sensor (the emulator on a pseudo-terminal) measures film 1 while the
// whole station runs the process on the fixed clock: the crystal's frequency falls
// steadily (a reading every 100 ms, 2 Hz each), so its thickness grows at a steady ~25 A/s.
// The rate it reports is steady and within a few per cent of that slope, though the
// readings come five times per measurement period, and channel 1's loop controls on it.
// A sensor that goes away and comes back is read again.
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

// The sensor unplugged mid-deposit and plugged back, the same serial: while it is away its
// channel is held at 0 (the powers the unit received); once back it is opened again and
// read on, the thickness going on from where it stood and the loop driving the source
// again, in the same DEPOSIT with no box.
TEST_F(MirelRate, ASensorUnpluggedAndPluggedBackIsReadAgain) {
    MakeStation([] {
        gFilm(1).Input_Type = 1;  // quartz monitor 1
        gLayer(1).Rate = 35.0;    // above what the crystal shows: the loop drives the source up
    });
    ASSERT_FALSE(HasFatalFailure());
    sensor.frequency = 5900000.0;
    sensor.agingPerReading = 2.0;
    gQCM->setMirelSN(0, sensor.Serial());
    gQCM->setQCMSensorEnabled(0, true);
    gQCM->setQCMType(2);
    ASSERT_EQ(Remote(QStringLiteral("@UP;2")), QString());
    ASSERT_TRUE(TicksUntil([] { return gApp->Phase() == PhaseCode::Deposit; }, 400));
    ASSERT_TRUE(TicksUntil([&] { return Held(0) > 10.0; }, 60));

    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        sensor.Unplug();
        ASSERT_TRUE(TicksUntil([&] { return Held(0) == 0.0; }, 40)) << "the source is driven without its sensor";
        const double away = gChanTotal(0);
        ASSERT_TRUE(Ticks(15));
        EXPECT_EQ(Held(0), 0.0);
        EXPECT_EQ(gChanTotal(0), away);

        ASSERT_TRUE(sensor.Plug(root.path()));
        ASSERT_TRUE(TicksUntil([&] { return gChanTotal(0) > away; }, 40)) << "the sensor is not read again";
        EXPECT_LT(gChanTotal(0) - away, 0.1) << "the thickness lost its origin";
        ASSERT_TRUE(TicksUntil([&] { return Held(0) > 10.0; }, 60)) << "the loop does not drive the source again";
        ASSERT_TRUE(TicksUntil([&] { return std::fabs(gChanUser(0) - 25.0) < 3.0; }, 30)) << gChanUser(0);
        EXPECT_EQ(gApp->Phase(), PhaseCode::Deposit);
    }
    EXPECT_EQ(boxes.count(), 0) << boxes.prompts().join('|').toStdString();
}

}  // namespace
