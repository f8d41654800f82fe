// A bad line between the station and the unit mid-deposit: a seeded share of the unit's
// replies lost, garbled, cut, sent twice or sent late after the next one, and a Stop
// Process input raised partway and held. Judged on the fixed clock by what the emulated
// unit received and holds, not by what the window says.
#include "ClockedStation.h"

#include <QPushButton>
#include <algorithm>
#include <cmath>
#include <set>

namespace {

constexpr int kStopProcessInput = 1;  // input 1 of the station's map: "Stop Process"
constexpr int kStoppedRelay = 1 << 0;  // relay 0: "Process Stopped"

using Fault = UnitSim::ReplyFault;

class ReplyFaults : public ClockedStation {
protected:
    bool ZeroPowers() const {
        for (int o = 0; o <= 7; ++o)
            if (sim_->Model().powerCode[o] != OutputCode::ZeroVolts) return false;
        return true;
    }
    bool StopActed() const { return ZeroPowers() && (sim_->Model().relays & kStoppedRelay) != 0; }
};

// What the unit received while the line was bad: the longest time between two requests
// for its inputs, identifications, and the restart's burst of channel periods (a run of
// "B" commands for three channels or more; a "B" asked again after a bad reply is no burst).
struct UnitHeard {
    int64_t lastInputsMs = 0, longestInputsGapMs = 0;
    int identifications = 0;
    int periodBursts = 0;
    std::set<QChar> burstChannels;
    bool counting = true;
    void Command(const QString& c) {
        if (!counting) return;
        const int64_t now = TickMs();
        if (c == QLatin1String("M")) {
            longestInputsGapMs = std::max(longestInputsGapMs, now - lastInputsMs);
            lastInputsMs = now;
        }
        if (c.startsWith(QLatin1Char('@'))) ++identifications;
        if (!c.startsWith(QLatin1Char('B'))) {
            burstChannels.clear();
            return;
        }
        burstChannels.insert(c.size() > 1 ? c.at(1) : QChar());
        if (burstChannels.size() == 3) ++periodBursts;
    }
};

// Every kind at 5, 10 and 30 %: at 5 and 10 % the inputs are asked at least every 3 s, the
// held Stop reaches the unit within 3 s, source 1 is never pulsed to 0 and back, the
// restart sequence never runs (the unit never restarted), and the power the station tells
// a remote client for source 1's output is the unit's own (within 1 %) whenever the
// station holds it confirmed, and never 0.00 while the unit holds more. At 30 % the Stop
// reaches the unit within 6 s, or the run stops with its reason. At every share the unit
// is at 0 within 3 s of the window showing STOPPED.
TEST_F(ReplyFaults, AStopReachesTheUnitAndAClientIsToldWhatTheUnitHoldsWhateverTheLineDoes) {
    constexpr int kBadLineTicks = 67;    // 6 s of a bad line before the Stop is raised
    constexpr int kAfterStopTicks = 34;  // and 3 s after it acted
    constexpr uint32_t kSeed = 5;
    for (const Fault kind : {Fault::Lost, Fault::Garbled, Fault::Cut, Fault::Duplicated, Fault::Late}) {
        for (const double share : {0.05, 0.10, 0.30}) {
            const bool poor = share > 0.2;
            SCOPED_TRACE(QStringLiteral("%1 %2 %").arg(QString::fromLatin1(UnitSim::FaultName(kind))).arg(share * 100).toStdString());
            MakeStation();
            form->cmdFunc(0)->click();
            ASSERT_TRUE(TicksUntil([] { return gApp->Phase() == PhaseCode::Deposit; }, 200));
            ASSERT_TRUE(Ticks(20));
            const int o = gApp->ChanOutput(0);
            ASSERT_GT(Held(o), 0.0);

            UnitHeard received;
            received.lastInputsMs = TickMs();
            QObject::connect(sim_.get(), &UnitSim::CommandReceived, [&](const QString& c) { received.Command(c); });
            sim_->setFaultShare(kind, share, kSeed);
            // Samples after every tick: what a remote client is told against what the
            // unit holds, and source 1 falling to 0 and coming back before the Stop.
            int wrongConfirmed = 0, zeroTold = 0, pulses = 0, samples = 0;
            double worst = 0.0;
            bool fell = false, stopRaised = false;
            int64_t stoppedAt = -1, zeroAt = -1;  // the window first showing STOPPED, the unit at 0 after
            QString firstWrong;
            const auto sample = [&] {
                ++samples;
                const double told = gORUN->PowerHeld(o), held = Held(o);
                if (gORUN->PowerConfirmed(o) && std::abs(told - held) > 1.0) {
                    if (wrongConfirmed++ == 0)
                        firstWrong = QStringLiteral("at %1 ms told %2, unit %3").arg(TickMs()).arg(told).arg(held);
                    worst = std::max(worst, std::abs(told - held));
                }
                if (std::round(told * 100.0) == 0.0 && held >= 0.01) ++zeroTold;
                if (!stopRaised) {
                    if (held <= 0.0) fell = true;
                    else if (fell) ++pulses, fell = false;
                }
                if (stoppedAt < 0 && gApp->Phase() == PhaseCode::Stopped) stoppedAt = TickMs();
                if (stoppedAt >= 0 && zeroAt < 0 && ZeroPowers()) zeroAt = TickMs();
            };
            ASSERT_TRUE(Ticks(1));
            for (int i = 0; i < kBadLineTicks && gApp->Phase() == PhaseCode::Deposit; ++i) {
                ASSERT_TRUE(Ticks(1));
                sample();
            }
            const bool stoppedByItself = gApp->Phase() != PhaseCode::Deposit;

            // Stop Process, raised and held.
            const int64_t raised = TickMs();
            stopRaised = true;
            sim_->Model().inputs = 1 << kStopProcessInput;
            int64_t actedAt = -1;
            for (int i = 0; i < 2 * kAfterStopTicks + 67 && (actedAt < 0 || TickMs() - actedAt < kAfterStopTicks * kTickMs); ++i) {
                ASSERT_TRUE(Ticks(1));
                sample();
                if (actedAt < 0 && StopActed()) actedAt = TickMs();
            }
            received.counting = false;
            const int64_t faulted = sim_->RepliesFaulted(kind);
            sim_->ClearFaultShares();
            const QString boxesSeen = boxes.prompts().join('|');

            RecordProperty(QStringLiteral("%1_%2").arg(UnitSim::FaultName(kind)).arg(share * 100).toStdString(),
                           QStringLiteral("faulted %1 inputs gap %2 stop %3 ms @ %4 B %5 wrong %6 (worst %7) zero told %8 "
                                          "pulses %9 boxes %10")
                               .arg(faulted).arg(received.longestInputsGapMs).arg(actedAt < 0 ? -1 : actedAt - raised)
                               .arg(received.identifications).arg(received.periodBursts).arg(wrongConfirmed).arg(worst)
                               .arg(zeroTold).arg(pulses).arg(boxesSeen).toStdString());
            EXPECT_GT(faulted, 0);
            EXPECT_GT(samples, kBadLineTicks);
            if (!poor) {
                EXPECT_LE(received.longestInputsGapMs, 3000);
                ASSERT_GE(actedAt, 0) << "the Stop never reached the unit";
                EXPECT_LE(actedAt - raised, 3000);
                EXPECT_EQ(pulses, 0);
                EXPECT_EQ(received.identifications, 0);
                EXPECT_EQ(received.periodBursts, 0);
                EXPECT_EQ(wrongConfirmed, 0) << firstWrong.toStdString() << ", worst " << worst;
                EXPECT_EQ(zeroTold, 0);
            } else {
                const bool toldWhy = !boxes.prompts().isEmpty();
                EXPECT_TRUE((actedAt >= 0 && actedAt - raised <= 6000) || ((stoppedByItself || actedAt < 0) && toldWhy))
                    << "stop after " << (actedAt < 0 ? -1 : actedAt - raised) << " ms, boxes " << boxesSeen.toStdString();
            }
            ASSERT_GE(stoppedAt, 0) << "the window never showed STOPPED";
            ASSERT_GE(zeroAt, 0) << "the unit never held 0 after the window showed STOPPED";
            EXPECT_LE(zeroAt - stoppedAt, 3000);
            EndStation();
        }
    }
}

}  // namespace
