// The ORUN_411 program mid-run against a unit that answers every command late. The program
// is started in a program folder of its own (layer 1 deposits until it is stopped), the run
// is started by its Start Process input, and once it deposits every reply of the unit is
// held back by the delay. Then, over the measured time, what the unit received:
//   - how often it was asked for its sensors ("D"), its inputs ("M"), whether a reading is
//     ready ("F") and for the reading ("G"), and how often it got powers ("K", "W") and
//     the relay word and detector volts given again ("N", "H"), per minute;
//   - the longest time and the most commands between two requests for its inputs;
//   - the readings' interval (median and longest) and the power it drives at the end;
// then its Stop Process input is held for 10 s: whether the program stopped the run (the
// unit holds zero powers and the "Process Stopped" relay) and how long that took.
// Run by hand:
//     build/bench/bench_slowlink [--delay MS] [--seconds N]
// (300 ms and 60 s unless told; --delay 0 gives the same figures at the unit's own pace).
#include "BenchOptions.h"
#include "e2e/StationFolder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

namespace {

constexpr int kStartProcess = 1 << 0;  // input 1
constexpr int kStopProcess = 1 << 1;   // input 2
constexpr int kStoppedRelay = 1 << 0;  // relay 1: "Process Stopped"
constexpr int kDepositRelay = 1 << 3;  // relay 4: "Deposit Phase"
constexpr int kStopHeldMs = 10000;

double Median(std::vector<double> v) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int delay = IntOption("--delay", 300);
    const int seconds = IntOption("--seconds", 60);

    StationFolder station;
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

    QElapsedTimer clock;
    clock.start();
    std::map<char, int> received;
    std::vector<double> readingIntervals;
    double lastInputs = 0.0, lastReading = -1.0, longestInputsGapMs = 0.0;
    int sinceInputs = 0, mostBetweenInputs = 0;
    bool measuring = true;
    QObject::connect(&sim, &UnitSim::CommandReceived, [&](const QString& c) {
        if (!measuring || c.isEmpty()) return;
        const double now = clock.nsecsElapsed() * 1e-6;
        ++received[c.at(0).toLatin1()];
        if (c == QLatin1String("M")) {
            longestInputsGapMs = std::max(longestInputsGapMs, now - lastInputs);
            mostBetweenInputs = std::max(mostBetweenInputs, sinceInputs);
            lastInputs = now;
            sinceInputs = 0;
        } else {
            ++sinceInputs;
        }
        if (c == QLatin1String("G")) {
            if (lastReading >= 0.0) readingIntervals.push_back(now - lastReading);
            lastReading = now;
        }
    });
    sim.setReplyDelay(delay);
    WaitFor([] { return false; }, seconds * 1000);
    measuring = false;
    const double measuredMs = clock.nsecsElapsed() * 1e-6;
    longestInputsGapMs = std::max(longestInputsGapMs, measuredMs - lastInputs);
    const double driven = (unit.powerCode[0] - 32767) * 100.0 / 32767.0;

    std::printf("ORUN_411 depositing against unitsim, every reply %d ms late, %d s\n", delay, seconds);
    std::printf("%-44s %8s %10s\n", "command received", "count", "per minute");
    const struct {
        char letter;
        const char* what;
    } kinds[] = {{'D', "D  sensors"}, {'M', "M  digital inputs"}, {'F', "F  a reading ready?"}, {'G', "G  the reading"},
                 {'K', "K  powers of outputs 1-6"}, {'W', "W  powers of outputs 7-8"}, {'N', "N  relay word"},
                 {'H', "H  detector volts"}};
    int total = 0;
    for (const auto& [letter, n] : received) total += n;
    for (const auto& k : kinds)
        std::printf("%-44s %8d %10.1f\n", k.what, received[k.letter], received[k.letter] * 60000.0 / measuredMs);
    std::printf("%-44s %8d %10.1f\n", "all", total, total * 60000.0 / measuredMs);
    std::printf("longest between two input requests: %.0f ms, %d commands\n", longestInputsGapMs, mostBetweenInputs);
    std::printf("reading interval: median %.0f ms, longest %.0f ms; output 1 at %.2f %% at the end\n", Median(readingIntervals),
                readingIntervals.empty() ? 0.0 : *std::max_element(readingIntervals.begin(), readingIntervals.end()), driven);

    // Stop Process held for 10 s.
    clock.restart();
    unit.inputs = kStopProcess;
    const bool stopped = WaitFor([&] { return unit.PowersZero() && (unit.relays & kStoppedRelay) != 0; }, kStopHeldMs);
    const double stopMs = clock.nsecsElapsed() * 1e-6;
    WaitFor([&] { return clock.elapsed() >= kStopHeldMs; }, kStopHeldMs);
    unit.inputs = 0;
    if (stopped) std::printf("Stop Process held %d s: seen, the unit held zero powers and Process Stopped after %.0f ms\n",
                             kStopHeldMs / 1000, stopMs);
    else std::printf("Stop Process held %d s: never seen\n", kStopHeldMs / 1000);

    sim.setReplyDelay(0);
    program.terminate();
    if (!WaitFor([&] { return program.state() == QProcess::NotRunning; }, 30000)) {
        program.kill();
        program.waitForFinished(5000);
    }
    return stopped ? 0 : 1;
}
