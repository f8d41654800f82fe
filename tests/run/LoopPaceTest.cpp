// A channel's loop steps once per reading its own source newly formed, each step over the
// time that reading covers, so that its integral acts as strongly as the film says however
// often the source is asked and however the readings fall between the control ticks. Each
// kind of source measures a rate that the source's power does not move (a fixed error),
// and the powers the unit emulator received show the loop's steps:
// - the unit's detector, one reading every 180 ms, asked every 90 ms (a control tick is a
//   reading reply, so the ticks come every 180 ms);
// - a quartz card, one reading set per measuring period (0.2 s; and 0.1 s, so that most
//   control ticks come after two sets);
// - a Mirel sensor asked every 100 ms that forms a new rate once per 0.5 s period.
// Where no two readings fall between two control ticks, the power changes as many times
// as the source formed a reading; and over a window of several seconds it rises by
// PTerm x 0.01 x error x seconds / ITerm, as the film's integral time says, whatever the
// pace.
#include "ClockedStation.h"

#include "mirelsim/MirelSim.h"
#include "platform/TtyUsbBridge.h"
#include "qcm/QCMReadings.h"
#include "run/modCalculations.h"

#include <QTemporaryDir>
#include <cmath>

namespace {

enum class Source { Detector, Card, Mirel };

class LoopPaceStation : public ClockedStation {
public:
    using ClockedStation::EndStation;
    using ClockedStation::Held;
    using ClockedStation::MakeStation;
    using ClockedStation::Remote;
    using ClockedStation::Ticks;
    using ClockedStation::TicksUntil;
    using ClockedStation::boxes;
    using ClockedStation::sim_;
    void TestBody() override {}

    // Called after each tick: the card's reading sets that fell due meanwhile.
    std::function<void()> afterTick;
    void AfterTick() override {
        if (afterTick) afterTick();
    }
};

TEST(LoopPace, TheLoopStepsOncePerNewReadingOfItsSourceAndIntegratesAsTheFilmSays) {
    const struct {
        const char* name;
        Source source;
        double period;  // the source's own: seconds between its new readings
        double target;  // the layer's rate (A/s)
        double pTerm;   // about 4 % per second at the case's error
        bool onePerTick;  // no two new readings between two control ticks
    } cases[] = {
        {"unit detector", Source::Detector, 0.18, 3.0, 150.0, true},
        {"quartz card, 0.2 s", Source::Card, 0.2, 2.0, 400.0, true},
        {"quartz card, 0.1 s", Source::Card, 0.1, 2.0, 400.0, false},
        {"Mirel sensor, 0.5 s", Source::Mirel, 0.5, 75.0, 8.0, true},
    };
    constexpr double kITerm = 1.0;
    constexpr double kCardRate = 1.0;  // the card's monitor reads a steady 1 A/s
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir root;
        ASSERT_TRUE(root.isValid());
        TtyUsbBridge::Instance().setRoot(root.path());
        MirelSim sensor{QStringLiteral("MS07")};
        if (c.source == Source::Mirel) ASSERT_TRUE(sensor.Plug(root.path()));

        LoopPaceStation t;
        t.MakeStation([&] {
            gFilm(1).Input_Type = c.source == Source::Detector ? 0 : 1;
            gFilm(1).PTerm = c.pTerm;
            gFilm(1).ITerm = kITerm;
            gFilm(1).SLEW_RATE = 100.0;
            gLayer(1).Rate = c.target;
        });
        ASSERT_FALSE(::testing::Test::HasFatalFailure());

        // The source's new readings so far, as the source itself tells them.
        int64_t formed = 0;
        double lastRate = -1.0;
        switch (c.source) {
        case Source::Detector:
            // No light reaches the detector from its source: the flux is its gas and
            // background alone.
            t.sim_->Model().plant.params.signalFull = 0.0;
            gORUN->setChanUpdate(0, 180);
            break;
        case Source::Card: {
            ASSERT_EQ(gQCM->InitFreq(6.1e6, 5.0e6, 6.0e6, c.period), 0);
            gQCM->setQCMSensorEnabled(0, true);
            const int64_t every = std::lround(c.period * 1000.0);
            t.afterTick = [&formed, every, due = TickMs() + every]() mutable {
                for (; due <= TickMs(); due += every) {
                    QCMReadingArray R;
                    R(QCMReadingIndex(0, 0)) = kCardRate;
                    R(QCMReadingIndex(0, 2)) = 5.9e6;
                    emit gQCM->QCMReading(R, Timer());
                    ++formed;
                }
            };
            break;
        }
        case Source::Mirel:
            sensor.frequency = 5900000.0;
            sensor.agingPerReading = 2.0;
            gQCM->setMirelSN(0, sensor.Serial());
            gQCM->setQCMSensorEnabled(0, true);
            gQCM->setQCMType(2);  // the stored quartz settings: a period of 0.5 s
            ASSERT_EQ(gQCM->Period(), c.period);
            // A new rate is a new value; the readings in between repeat the last one.
            QObject::connect(gQCM, &cQCM::QCMReading, gQCM, [&](QCMReadingArray& R, double) {
                const double rate = R(QCMReadingIndex(0, 0));
                if (rate != lastRate) ++formed;
                lastRate = rate;
            });
            break;
        }
        const auto newReadings = [&]() -> int64_t {
            return c.source == Source::Detector ? t.sim_->Model().delivered[0] : formed;
        };

        ASSERT_EQ(t.Remote(QStringLiteral("@UP;2")), QString());
        ASSERT_TRUE(t.TicksUntil([] { return gApp->Phase() == PhaseCode::Deposit; }, 400));
        ASSERT_TRUE(t.Ticks(12));  // past the loop's first steps

        // A window of about 8 s: the source's new readings, the ticks in which the power
        // changed, the mean error, and the power's rise.
        const double start = t.Held(0);
        const int64_t startMs = TickMs();
        const int64_t readingsBefore = newReadings();
        int stepTicks = 0;
        double errorSum = 0.0;
        int errorCount = 0;
        double power = start;
        for (int i = 0; i < 90; ++i) {
            ASSERT_TRUE(t.Ticks(1));
            ASSERT_EQ(gApp->Phase(), PhaseCode::Deposit);
            stepTicks += t.Held(0) != power;
            power = t.Held(0);
            errorSum += c.target - gChanUser(0);
            ++errorCount;
        }
        const double seconds = (TickMs() - startMs) * 0.001;
        const double error = errorSum / errorCount;
        ASSERT_GT(error, 0.5) << "the source's rate is not below the layer's";
        ASSERT_LT(power, 95.0) << "the output reached its limit within the window";

        const int64_t readings = newReadings() - readingsBefore;
        // The source's own pace: never more than one reading per period, and a Mirel's comes
        // at the first poll a whole period after the last.
        EXPECT_LE(readings, seconds / c.period + 1);
        EXPECT_GE(readings, seconds / (1.25 * c.period) - 1);
        if (c.onePerTick)
            EXPECT_NEAR(stepTicks, readings, 1) << "the loop steps without a new reading, or misses one";
        // The steps' times add up to the window's, give or take one reading at each end.
        const double expected = 0.01 * c.pTerm * error * seconds / kITerm;
        EXPECT_NEAR(power - start, expected, 0.12 * expected)
            << "over " << seconds << " s at an error of " << error << " A/s";
        EXPECT_EQ(t.boxes.count(), 0) << t.boxes.prompts().join('|').toStdString();
        t.EndStation();
        sensor.Unplug();
        TtyUsbBridge::Instance().setRoot(QString());
    }
}

}  // namespace
