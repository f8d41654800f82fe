// The ORUN_411 program mid-run against the unit emulator while a careless remote client
// floods its remote-control port, beside the same run without a client. For each case
// the program is started in a program folder of its own (layer 1 deposits until it is
// stopped), the run is started by its start input, and then, for the measured time:
//   - the largest gap between two commands the unit received, the commands per second and
//     the power commands ("K") among them: the poll's cadence;
//   - the program's resident memory at the start and at its largest: its growth;
//   (the loop drives the source towards a rate it never reaches, so power is on)
//   - for the pipelining client, the replies it received and how many were out of order.
// Then the program is sent SIGTERM while the client goes on: the time until the unit
// receives the power command that leaves every output at zero (the exit's stop), and until
// the program has ended.
// Run by hand:
//     build/bench/bench_flood [--seconds N] [--only quiet|pipelining|never-reads]
#include "BenchOptions.h"
#include "FloodClient.h"
#include "e2e/StationFolder.h"
#include "support/RemotePort.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>

namespace {

// Resident memory of a process in MB, 0 when it cannot be read.
double ResidentMb(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) return 0.0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0.0;
}

struct Outcome {
    bool ok = false;
    double largestGapMs = 0.0;
    double commandsPerSecond = 0.0;
    int powerCommands = 0;
    double rssStartMb = 0.0;
    double rssMaxMb = 0.0;
    int64_t sent = 0;
    int64_t replies = 0;
    int64_t outOfOrder = 0;
    double zeroPowersMs = -1.0;
    double exitMs = -1.0;
};

Outcome Measure(std::optional<FloodClient::Mode> flood, int seconds) {
    Outcome out;
    StationFolder station;
    const quint16 remotePort = FreeRemotePort(22000);
    station.write(QStringLiteral("ORUN.CFG"),
                  station.Config().replace("EthernetPort=-1", "EthernetPort=" + QByteArray::number(remotePort)));
    // Deposits until stopped, its loop driving the source up towards a rate it never reaches.
    station.Sql(QStringLiteral("UPDATE Layers SET Thick = 999, Rate = 900 WHERE Layer_Number = 1"));
    station.MapRelaysAndStartInput();
    QProcess program;
    station.Start(program);
    UnitModel& unit = station.unit().Model();
    if (!WaitFor([&] { return station.StartedAndPolling(); }, 30000)) {
        std::fprintf(stderr, "bench_flood: the program does not poll the emulator\n");
        return out;
    }
    unit.inputs = 1;  // Start Process
    if (!WaitFor([&] { return unit.powerCode[0] > 32767; }, 30000)) {
        std::fprintf(stderr, "bench_flood: the run does not deposit\n");
        return out;
    }
    WaitFor([] { return false; }, 2000);  // past the start of the layer

    QElapsedTimer clock;
    clock.start();
    double last = -1.0;
    int commands = 0;
    bool measuring = false;
    double signal = -1.0;
    QObject::connect(&station.unit(), &UnitSim::CommandReceived, [&](const QString& c) {
        if (signal >= 0.0 && out.zeroPowersMs < 0.0 && c.startsWith('K') && unit.PowersZero())
            out.zeroPowersMs = clock.nsecsElapsed() * 1e-6 - signal;
        if (!measuring) return;
        const double now = clock.nsecsElapsed() * 1e-6;
        if (last >= 0.0) out.largestGapMs = std::max(out.largestGapMs, now - last);
        last = now;
        ++commands;
        if (c.startsWith('K')) ++out.powerCommands;
    });
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] { out.rssMaxMb = std::max(out.rssMaxMb, ResidentMb(program.processId())); });
    out.rssStartMb = out.rssMaxMb = ResidentMb(program.processId());
    sampler.start(100);

    std::unique_ptr<FloodClient> client;
    if (flood) client = std::make_unique<FloodClient>(remotePort, *flood);
    const double start = clock.nsecsElapsed() * 1e-6;
    last = start;
    measuring = true;
    WaitFor([] { return false; }, seconds * 1000);
    const double now = clock.nsecsElapsed() * 1e-6;
    out.largestGapMs = std::max(out.largestGapMs, now - last);
    out.commandsPerSecond = commands / ((now - start) / 1000.0);
    measuring = false;

    if (unit.PowersZero()) std::fprintf(stderr, "bench_flood: the unit holds no power before the signal\n");
    signal = clock.nsecsElapsed() * 1e-6;
    program.terminate();
    if (WaitFor([&] { return program.state() == QProcess::NotRunning; }, 60000))
        out.exitMs = clock.nsecsElapsed() * 1e-6 - signal;
    sampler.stop();
    if (client) {
        client->Stop();
        out.sent = client->Sent();
        out.replies = client->Replies();
        out.outOfOrder = client->OutOfOrder();
    }
    if (program.state() != QProcess::NotRunning) {
        program.kill();
        program.waitForFinished(5000);
    }
    out.ok = true;
    return out;
}

void Print(const char* name, const Outcome& o) {
    if (!o.ok) {
        std::printf("%-12s failed\n", name);
        return;
    }
    std::printf("%-12s %9.0f %9.1f %7d %8.1f %8.1f %9.1f %9lld %9lld %6lld %9.0f %8.0f\n", name, o.largestGapMs,
                o.commandsPerSecond, o.powerCommands, o.rssStartMb, o.rssMaxMb, o.rssMaxMb - o.rssStartMb,
                static_cast<long long>(o.sent), static_cast<long long>(o.replies), static_cast<long long>(o.outOfOrder),
                o.zeroPowersMs, o.exitMs);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = IntOption("--seconds", 20);
    const QString only = TextOption("--only");

    std::printf("ORUN_411 depositing against unitsim, %d s per case, then SIGTERM with the client still on\n", seconds);
    std::printf("%-12s %9s %9s %7s %8s %8s %9s %9s %9s %6s %9s %8s\n", "client", "gap ms", "cmd/s", "K cmds",
                "RSS MB", "max MB", "growth", "requests", "replies", "order", "zero ms", "exit ms");
    const struct {
        const char* name;
        std::optional<FloodClient::Mode> mode;
    } cases[] = {{"quiet", std::nullopt},
                 {"pipelining", FloodClient::Mode::Pipelining},
                 {"never-reads", FloodClient::Mode::NeverReads}};
    for (const auto& c : cases)
        if (only.isEmpty() || only == QLatin1String(c.name)) Print(c.name, Measure(c.mode, seconds));
    return 0;
}
