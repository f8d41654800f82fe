// The ORUN_411 program mid-run against a unit that answers every command late, and may
// lose, garble, cut, alter, double or reorder a share of its replies and dip its supply.
// The program is started in a program folder of its own (layer 1 deposits until it is
// stopped), the run is started by its Start Process input, and once it deposits every
// reply of the unit is held back by the delay, spoiled by chance (seeded, each kind its
// share) and the supply dips at even spaces over the measured time. Then, over the
// measured time, what the unit received:
//   - how often it was asked for its sensors ("D"), its inputs ("M"), whether a reading is
//     ready ("F") and for the reading ("G", "g"), how often it got powers ("K", "W") and
//     the relay word and detector volts given again ("N", "H"), and how often it was asked
//     who it is ("@");
//   - the longest time and the most commands between two requests for its inputs, and
//     between two requests for a reading; the readings' interval (median);
//   - how often output 1's power went to zero and back above zero within 10 s (sampled on
//     every command and every 50 ms), and the power it drives at the end;
//   - for each dip, the power output 1 had before it and the first power the restarted
//     unit was given;
//   - the restart sequences it was sent: identifications, and bursts of channel periods
//     ("B" for three channels or more) with no dip before them;
// then its Stop Process input is held for 10 s (replies still spoiled, no dips): whether
// the program stopped the run (the unit holds zero powers and the "Process Stopped" relay)
// and how long that took. All along, a remote client asks for channel 1's power
// ("@QM;11") every 100 ms: how often what it was told lay further than 1 % from what output
// 1 holds, and how often it was told 0.00 while the unit held more.
// Run by hand:
//     build/bench/bench_slowlink [--delay MS] [--seconds N] [--lose PERCENT] [--garble PERCENT]
//                                [--cut PERCENT] [--alter PERCENT] [--dup PERCENT]
//                                [--late PERCENT] [--seed N] [--dip MS --dips N]
// (300 ms and 60 s unless told, nothing spoiled, no dips; --delay 0 gives the figures at
// the unit's own pace).
#include "BenchOptions.h"
#include "SlowLinkWatch.h"
#include "e2e/StationFolder.h"
#include "support/RemotePort.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>
#include <cstdio>
#include <map>
#include <utility>
#include <vector>

namespace {

constexpr int kStartProcess = 1 << 0;  // input 1
constexpr int kStopProcess = 1 << 1;   // input 2
constexpr int kStoppedRelay = 1 << 0;  // relay 1: "Process Stopped"
constexpr int kDepositRelay = 1 << 3;  // relay 4: "Deposit Phase"
constexpr int kStopHeldMs = 10000;

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const char* const me = "bench_slowlink";
    const auto delayOption = NumberOption(me, "--delay", 300, 0, 60000, true);
    const auto secondsOption = NumberOption(me, "--seconds", 60, 1, 86400, true);
    const auto loseOption = NumberOption(me, "--lose", 0, 0, 100);
    const auto seedOption = NumberOption(me, "--seed", 1, 0, UINT32_MAX, true);
    const auto dipOption = NumberOption(me, "--dip", 0, 0, 60000, true);
    const auto dipsOption = NumberOption(me, "--dips", 0, 0, 1000, true);
    if (!delayOption || !secondsOption || !loseOption || !seedOption || !dipOption || !dipsOption) return 2;
    // The other faults of a bad line, each a share of the replies.
    const struct {
        UnitSim::ReplyFault kind;
        const char* option;
    } kLineFaults[] = {{UnitSim::ReplyFault::Garbled, "--garble"}, {UnitSim::ReplyFault::Cut, "--cut"},
                       {UnitSim::ReplyFault::Altered, "--alter"}, {UnitSim::ReplyFault::Duplicated, "--dup"},
                       {UnitSim::ReplyFault::Late, "--late"}};
    std::vector<std::pair<UnitSim::ReplyFault, double>> lineFaults;
    for (const auto& f : kLineFaults) {
        const auto percent = NumberOption(me, f.option, 0, 0, 100);
        if (!percent) return 2;
        lineFaults.emplace_back(f.kind, *percent);
    }
    const int delay = static_cast<int>(*delayOption);
    const int seconds = static_cast<int>(*secondsOption);
    const double losePercent = *loseOption;
    const auto seed = static_cast<uint32_t>(*seedOption);
    const int dipMs = static_cast<int>(*dipOption);
    const int dips = dipMs > 0 ? static_cast<int>(*dipsOption) : 0;
    if ((dipMs > 0) != (*dipsOption > 0)) {
        std::fprintf(stderr, "%s: --dip MS and --dips N go together\n", me);
        return 2;
    }
    // The dips are spread evenly; each must end before the next one starts.
    const double dipSpacingMs = seconds * 1000.0 / (dips + 1);
    if (dips > 0 && dipMs >= dipSpacingMs) {
        std::fprintf(stderr, "%s: %d dips of %d ms do not fit in %d s with time between them\n", me, dips, dipMs, seconds);
        return 2;
    }

    StationFolder station;
    const quint16 remotePort = FreeRemotePort(23000);
    if (remotePort == 0) {
        std::fprintf(stderr, "%s: no free port for the remote client\n", me);
        return 1;
    }
    station.write(QStringLiteral("ORUN.CFG"),
                  station.Config().replace("EthernetPort=-1", "EthernetPort=" + QByteArray::number(remotePort)));
    // Deposits until stopped; inputs 1 and 2 start and stop the process; relays 1 Process
    // Stopped, 2 Process Running, 3 Channel 1 Shutter, 4 Deposit Phase.
    station.Sql(QStringLiteral("UPDATE Layers SET Thick = 999 WHERE Layer_Number = 1"));
    station.Sql(QStringLiteral("UPDATE IO SET Out0 = 1, Out1 = 2, Out2 = 20, Out3 = 5, In0 = 1, In1 = 2 WHERE Process_Number = 1"));
    QProcess program;
    station.Start(program);
    UnitSim& sim = station.unit();
    UnitModel& unit = sim.Model();
    if (!WaitFor([&] { return station.StartedAndPolling(); }, 30000)) {
        std::fprintf(stderr, "bench_slowlink: the program does not poll the emulator\n");
        return 1;
    }
    unit.inputs = kStartProcess;
    if (!WaitFor([&] { return (unit.relays & kDepositRelay) != 0 && !unit.PowersZero(); }, 60000)) {
        std::fprintf(stderr, "bench_slowlink: the run does not deposit\n");
        return 1;
    }
    unit.inputs = 0;
    WaitFor([] { return false; }, 2000);  // into the layer

    SlowLinkWatch watch(sim);
    if (!watch.AskPowers(remotePort)) {
        std::fprintf(stderr, "%s: the program's remote-control port does not take a client\n", me);
        return 1;
    }
    watch.Start();
    for (int k = 1; k <= dips; ++k)
        QTimer::singleShot(static_cast<int>(dipSpacingMs * k), &watch, [&watch, dipMs] { watch.DipNow(dipMs); });
    sim.setReplyDelay(delay);
    sim.setLoseShare(losePercent / 100.0, seed);
    for (const auto& [kind, percent] : lineFaults) sim.setFaultShare(kind, percent / 100.0, seed);
    std::map<UnitSim::ReplyFault, int64_t> faultedBefore;
    for (const UnitSim::ReplyFault kind : UnitSim::kReplyFaults) faultedBefore[kind] = sim.RepliesFaulted(kind);
    const int64_t lostBefore = sim.RepliesLost(), sentBefore = sim.RepliesSent();
    WaitFor([] { return false; }, seconds * 1000);
    watch.Stop();
    const int64_t lost = sim.RepliesLost() - lostBefore, sent = sim.RepliesSent() - sentBefore;
    const double measuredMs = watch.MeasuredMs();
    const double driven = PowerPercent(unit.powerCode[0]);

    std::printf("ORUN_411 depositing against unitsim, every reply %d ms late, %.1f %% lost", delay, losePercent);
    for (const auto& [kind, percent] : lineFaults)
        if (percent > 0.0) std::printf(", %.1f %% %s", percent, UnitSim::FaultName(kind));
    std::printf(" (seed %u), %d dips of %d ms, %d s\n", seed, dips, dipMs, seconds);
    std::printf("%-44s %8s %10s\n", "command received", "count", "per minute");
    const struct {
        char letter;
        const char* what;
    } kinds[] = {{'D', "D  sensors"}, {'M', "M  digital inputs"}, {'F', "F  a reading ready?"}, {'G', "G  the reading"},
                 {'g', "g  the reading again"}, {'K', "K  powers of outputs 1-6"}, {'W', "W  powers of outputs 7-8"},
                 {'N', "N  relay word"}, {'H', "H  detector volts"}, {'@', "@  identification"}};
    int total = 0;
    for (const auto& [letter, n] : watch.Received()) total += n;
    for (const auto& k : kinds)
        std::printf("%-44s %8d %10.1f\n", k.what, watch.Received(k.letter), watch.Received(k.letter) * 60000.0 / measuredMs);
    std::printf("%-44s %8d %10.1f\n", "all", total, total * 60000.0 / measuredMs);
    std::printf("replies: %lld sent, %lld lost", static_cast<long long>(sent), static_cast<long long>(lost));
    for (const auto& [kind, percent] : lineFaults)
        if (percent > 0.0)
            std::printf(", %lld %s", static_cast<long long>(sim.RepliesFaulted(kind) - faultedBefore[kind]), UnitSim::FaultName(kind));
    std::printf("\n");
    std::printf("restart sequences sent: %d identifications, %d bursts of channel periods without a dip (%d after one)\n",
                watch.Received('@'), watch.PeriodBurstsWithoutDip(), watch.PeriodBurstsAfterDip());
    std::printf("longest between two input requests: %.0f ms, %d commands\n", watch.Inputs().longestMs,
                watch.Inputs().mostBetween);
    std::printf("longest between two reading requests: %.0f ms, %d commands; reading interval median %.0f ms\n",
                watch.Readings().longestMs, watch.Readings().mostBetween, watch.Readings().MedianMs());
    std::printf("output 1 fell to 0 and came back within 10 s (dips included): %d times (longest %.0f ms at 0); at %.2f %% at the end\n",
                watch.Pulses().pulses, watch.Pulses().longestMs, driven);
    int n = 0;
    for (const SlowLinkWatch::Dip& d : watch.Dips()) {
        std::printf("dip %d at %.1f s, %d ms: output 1 held %.2f %% before; ", ++n, d.startMs / 1000.0, d.lengthMs,
                    d.heldPercent);
        if (d.firstPercent) std::printf("first power after it %.2f %%, %.0f ms after the dip ended\n", *d.firstPercent,
                                        d.firstAfterMs);
        else if (d.firstUnreadable) std::printf("first power after it unreadable, %.0f ms after the dip ended\n", d.firstAfterMs);
        else std::printf("no power given after it\n");
    }

    // Stop Process held for 10 s.
    QElapsedTimer clock;
    clock.start();
    unit.inputs = kStopProcess;
    const bool stopped = WaitFor([&] { return unit.PowersZero() && (unit.relays & kStoppedRelay) != 0; }, kStopHeldMs);
    const double stopMs = clock.nsecsElapsed() * 1e-6;
    WaitFor([&] { return clock.elapsed() >= kStopHeldMs; }, kStopHeldMs);
    unit.inputs = 0;
    if (stopped) std::printf("Stop Process held %d s: seen, the unit held zero powers and Process Stopped after %.0f ms\n",
                             kStopHeldMs / 1000, stopMs);
    else std::printf("Stop Process held %d s: never seen\n", kStopHeldMs / 1000);

    watch.StopAsking();
    const ToldPowers& told = watch.Told();
    std::printf("a remote client asked @QM;11 %d times (measured time and Stop held): %s; %d further than 1 %% from output 1 "
                "(worst %.2f at %.1f s), %d told 0.00 while the unit held more, %d unreadable\n",
                told.samples, told.off == 0 && told.zeroTold == 0 && told.unreadable == 0 ? "matched at every sample" : "NOT matched",
                told.off, told.worst, told.worstAtMs / 1000.0, told.zeroTold, told.unreadable);

    sim.setReplyDelay(0);
    sim.setLoseShare(0.0, seed);
    sim.ClearFaultShares();
    program.terminate();
    if (!WaitFor([&] { return program.state() == QProcess::NotRunning; }, 30000)) {
        program.kill();
        program.waitForFinished(5000);
    }
    return stopped ? 0 : 1;
}
