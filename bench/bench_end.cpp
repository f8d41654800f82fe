// The ORUN_411 program ended mid-run without its operator, as the end-to-end tests end it,
// timed: SIGTERM with nobody at the screen (its boxes real ones nobody answers), its X
// display killed (a private Xvfb), and every signal whose default action would end or
// suspend the process (the class asked of the system, each signal alone). For each round
// the program is started in a program folder of its own, the run is started by its start
// input, and once layer 1 deposits the end comes; printed per way: the time until the unit
// holds zero powers on every output, until it has its emission off and the stop's relay
// word, and until the process has ended, with how it ended and the largest power code the
// unit was left with. A program that goes on instead (its poll going on a second later with
// the source at its power) says so, and is then ended by SIGTERM.
// Run by hand:
//     build/bench/bench_end [--rounds N] [--only signal|display|signals]
#include "BenchOptions.h"
#include "e2e/PrivateDisplay.h"
#include "e2e/SignalDefaults.h"
#include "e2e/StationFolder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>
#include <sys/resource.h>

namespace {

struct Outcome {
    bool ok = false;
    double zeroMs = -1.0;     // every output at 0 V
    double stoppedMs = -1.0;  // and emission off, the stop's relays
    double exitMs = -1.0;
    int leftCode = 0;         // the largest power code the unit holds at the end
    bool crashed = false;
    int exitCode = 0;
    bool wentOn = false;      // the program went on driving the unit
};

bool Stopped(const UnitModel& unit) {
    return unit.PowersZero() && std::none_of(std::begin(unit.emission), std::end(unit.emission), [](bool e) { return e; }) &&
           unit.relays == 0b0001;
}

Outcome Measure(bool display, int sig = SIGTERM) {
    Outcome out;
    PrivateDisplay screen;
    if (display && !screen.Up()) {
        std::fprintf(stderr, "bench_end: %s\n", qPrintable(screen.why()));
        return out;
    }
    StationFolder station;
    station.MapRelaysAndStartInput();
    QProcess program;
    StationFolder::Run how;
    how.answered = display;  // the signal's rounds have nobody to answer a box
    if (display) how.display = screen.name();
    program.setChildProcessModifier(&OwnProcessGroup);
    station.Start(program, how);
    UnitModel& unit = station.unit().Model();
    if (!WaitFor([&] { return station.Polled(); }, 30000)) return out;
    const bool depositing = WaitFor(
        [&] {
            station.PushStart();
            return unit.powerCode[0] > 32767 && unit.relays == 0b1110;
        },
        30000);
    if (!depositing) return out;

    QElapsedTimer clock;
    QMetaObject::Connection watch = QObject::connect(&station.unit(), &UnitSim::CommandReceived, [&] {
        if (out.zeroMs < 0.0 && unit.PowersZero()) out.zeroMs = clock.nsecsElapsed() * 1e-6;
        if (out.stoppedMs < 0.0 && Stopped(unit)) out.stoppedMs = clock.nsecsElapsed() * 1e-6;
    });
    int polls = 0;
    QMetaObject::Connection count = QObject::connect(&station.unit(), &UnitSim::CommandReceived, [&](const QString& c) {
        if (c == QLatin1String("D")) ++polls;
    });
    clock.start();
    if (display) screen.Kill();
    else ::kill(static_cast<pid_t>(program.processId()), sig);
    const bool ended = WaitFor(
        [&] { return program.state() == QProcess::NotRunning || (polls >= 12 && unit.powerCode[0] > 32767); }, 60000);
    QObject::disconnect(count);
    if (ended && program.state() != QProcess::NotRunning) {
        out.wentOn = true;
        for (int c : unit.powerCode) out.leftCode = std::max(out.leftCode, c);
        ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    }
    if (WaitFor([&] { return program.state() == QProcess::NotRunning; }, 60000) && !out.wentOn)
        out.exitMs = clock.nsecsElapsed() * 1e-6;
    QObject::disconnect(watch);
    if (program.state() != QProcess::NotRunning) {
        program.kill();
        program.waitForFinished(5000);
        return out;
    }
    // The last stop's bytes may still be on their way to the emulator.
    WaitFor([&] { return out.wentOn || Stopped(unit); }, 3000);
    if (!out.wentOn)
        for (int c : unit.powerCode) out.leftCode = std::max(out.leftCode, c);
    out.crashed = program.exitStatus() == QProcess::CrashExit;
    out.exitCode = program.exitCode();
    out.ok = true;
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = IntOption("--rounds", 5);
    const QString only = TextOption("--only");

    std::printf("ORUN_411 ended mid-run in DEPOSIT, %d rounds per way (times from the end's cause)\n", rounds);
    std::printf("%-12s %5s %9s %11s %9s %10s %s\n", "way", "round", "zero ms", "stopped ms", "exit ms", "left code", "ended");
    const auto print = [](const char* way, int r, const Outcome& o) {
        if (!o.ok) {
            std::printf("%-12s %5d failed\n", way, r);
        } else if (o.wentOn) {
            std::printf("%-12s %5d %9s %11s %9s %10d went on polling, then ended by SIGTERM: %s %d\n", way, r, "-", "-", "-",
                        o.leftCode, o.crashed ? "signal" : "status", o.exitCode);
        } else {
            std::printf("%-12s %5d %9.0f %11.0f %9.0f %10d %s %d\n", way, r, o.zeroMs, o.stoppedMs, o.exitMs, o.leftCode,
                        o.crashed ? "signal" : "status", o.exitCode);
        }
        std::fflush(stdout);
    };
    for (const char* way : {"signal", "display"}) {
        if (!only.isEmpty() && only != QLatin1String(way)) continue;
        for (int r = 1; r <= rounds; ++r) print(way, r, Measure(QLatin1String(way) == QLatin1String("display")));
    }
    if (only.isEmpty() || only == QLatin1String("signals")) {
        // The programs the signals end leave no core files behind.
        rlimit noCores{};
        ::getrlimit(RLIMIT_CORE, &noCores);
        noCores.rlim_cur = 0;
        ::setrlimit(RLIMIT_CORE, &noCores);
        std::vector<int> all = SignalsWhoseDefault(SignalDefault::Ends);
        for (int sig : SignalsWhoseDefault(SignalDefault::Stops)) all.push_back(sig);
        for (int sig : all) {
            const QByteArray name = sig >= SIGRTMIN ? "RTMIN+" + QByteArray::number(sig - SIGRTMIN)
                                    : QByteArray(sigabbrev_np(sig) ? sigabbrev_np(sig) : "?");
            const QByteArray way = "SIG" + name + "(" + QByteArray::number(sig) + ")";
            for (int r = 1; r <= (only.isEmpty() ? 1 : rounds); ++r) print(way.constData(), r, Measure(false, sig));
        }
    }
    return 0;
}
