// The ORUN_411 program against the unit emulator while another program (the sqlite3 shell,
// in a process of its own, BEGIN EXCLUSIVE) holds its recipe database. For each case the
// program is started in a program folder of its own and, for the measured time, the
// largest gap between two commands the unit received and the commands per second are
// taken; a remote client's requests are timed from sending to reply.
//   - "free":      stopped, no lock; the client asks "@QP;5" over and over.
//   - "held":      stopped, the file held; the client asks "@UP;1" (a process selection,
//                  which waits for the file and is refused) and "@QP;5" in turn.
//   - "deposit":   the run deposits (started by its input), the file held; the client
//                  asks "@QP;5"; the lowest power the unit held meanwhile is told.
// Then, with the file still held in the last case, the program is sent SIGTERM: the time
// until the unit holds zero powers, and until the program ends once the file is given
// back after the exit's question (answered: try again).
// Run by hand:
//     build/bench/bench_filewait [--seconds N] [--only free|held|deposit]
#include "BenchOptions.h"
#include "e2e/StationFolder.h"
#include "support/OtherProgramLock.h"
#include "support/RemotePort.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTcpSocket>
#include <algorithm>
#include <cstdio>
#include <limits>
#include <memory>

namespace {

struct Outcome {
    bool ok = false;
    double largestGapMs = 0.0;
    double commandsPerSecond = 0.0;
    int requests = 0;
    double slowestReplyMs = 0.0;
    int refused = 0;
    int lowestPower = std::numeric_limits<int>::max();
    double zeroPowersMs = -1.0;
    double exitMs = -1.0;
};

// A client that sends its requests one after the other, each when the last was answered.
class Client {
public:
    Client(quint16 port, QStringList requests) : requests_(std::move(requests)) {
        socket_.connectToHost(QHostAddress::LocalHost, port);
        QObject::connect(&socket_, &QTcpSocket::connected, [this] { Next(); });
        QObject::connect(&socket_, &QTcpSocket::readyRead, [this] {
            reply_ += socket_.readAll();
            if (!reply_.endsWith('\r')) return;
            slowest_ = std::max(slowest_, sent_.nsecsElapsed() * 1e-6);
            if (reply_.contains('\x15')) ++refused_;
            reply_.clear();
            ++answered_;
            Next();
        });
    }
    int answered_ = 0;
    int refused_ = 0;
    double slowest_ = 0.0;

private:
    void Next() {
        if (stopped_) return;
        socket_.write(requests_[answered_ % requests_.size()].toLatin1() + ";00\r");
        sent_.start();
    }

public:
    void Stop() { stopped_ = true; }

private:
    QStringList requests_;
    QTcpSocket socket_;
    QByteArray reply_;
    QElapsedTimer sent_;
    bool stopped_ = false;
};

Outcome Measure(const QString& which, int seconds) {
    Outcome out;
    StationFolder station;
    const quint16 remotePort = FreeRemotePort(23000);
    station.write(QStringLiteral("ORUN.CFG"),
                  station.Config().replace("EthernetPort=-1", "EthernetPort=" + QByteArray::number(remotePort)));
    station.Sql(QStringLiteral("UPDATE Layers SET Thick = 999, Rate = 900 WHERE Layer_Number = 1"));
    station.MapRelaysAndStartInput();
    QProcess program;
    station.Start(program);
    UnitModel& unit = station.unit().Model();
    if (!WaitFor([&] { return station.StartedAndPolling(); }, 30000)) {
        std::fprintf(stderr, "bench_filewait: the program does not poll the emulator\n");
        return out;
    }
    QString name;
    WithDatabase(station.file(QStringLiteral("ORUN.MDB")), [&](QSqlDatabase& db) {
        QSqlQuery q(db);
        if (q.exec(QStringLiteral("SELECT Process_Name FROM Processes WHERE Process_Number = 1")) && q.next())
            name = q.value(0).toString().trimmed();
    });
    const bool deposit = which == QLatin1String("deposit");
    if (deposit) {
        unit.inputs = 1;  // Start Process
        if (!WaitFor([&] { return unit.powerCode[0] > 32767; }, 30000)) {
            std::fprintf(stderr, "bench_filewait: the run does not deposit\n");
            return out;
        }
        unit.inputs = 0;
    }
    WaitFor([] { return false; }, 2000);  // past the start (of the layer)

    std::unique_ptr<OtherProgramLock> lock;
    if (which != QLatin1String("free")) {
        lock = std::make_unique<OtherProgramLock>(station.file(QStringLiteral("ORUN.MDB")));
        if (!lock->WaitTaken()) {
            std::fprintf(stderr, "bench_filewait: the sqlite3 shell cannot lock the file\n");
            return out;
        }
    }
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
        out.largestGapMs = std::max(out.largestGapMs, now - last);
        last = now;
        ++commands;
        if (deposit) out.lowestPower = std::min(out.lowestPower, unit.powerCode[0]);
    });
    const QStringList requests = which == QLatin1String("held") ? QStringList{"@UP;1;" + name, "@QP;5"}
                                                                 : QStringList{"@QP;5"};
    Client client(remotePort, requests);
    const double start = clock.nsecsElapsed() * 1e-6;
    last = start;
    measuring = true;
    WaitFor([] { return false; }, seconds * 1000);
    const double now = clock.nsecsElapsed() * 1e-6;
    out.largestGapMs = std::max(out.largestGapMs, now - last);
    out.commandsPerSecond = commands / ((now - start) / 1000.0);
    measuring = false;
    client.Stop();
    out.requests = client.answered_;
    out.refused = client.refused_;
    out.slowestReplyMs = client.slowest_;

    // The exit by a signal with the file still held: the stop reaches the unit at once, the
    // exit's save waits for the file and, with nobody asked, gives up; the file is given
    // back once the program has ended (or, should it ask after all, once it has asked).
    signal = clock.nsecsElapsed() * 1e-6;
    program.terminate();
    if (lock) {
        WaitFor([&] {
            return program.state() == QProcess::NotRunning ||
                   !station.Automation().filter(QStringLiteral("could not be saved")).isEmpty();
        }, 60000);
        lock.reset();
    }
    if (WaitFor([&] { return program.state() == QProcess::NotRunning; }, 60000))
        out.exitMs = clock.nsecsElapsed() * 1e-6 - signal;
    if (program.state() != QProcess::NotRunning) {
        program.kill();
        program.waitForFinished(5000);
    }
    out.ok = true;
    return out;
}

void Print(const char* name, const Outcome& o) {
    if (!o.ok) {
        std::printf("%-8s failed\n", name);
        return;
    }
    std::printf("%-8s %8.0f %8.1f %8d %8d %9.0f %10s %8.0f %8.0f\n", name, o.largestGapMs, o.commandsPerSecond, o.requests,
                o.refused, o.slowestReplyMs,
                o.lowestPower == std::numeric_limits<int>::max() ? "-" : QByteArray::number(o.lowestPower).constData(),
                o.zeroPowersMs, o.exitMs);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = IntOption("--seconds", 15);
    const QString only = TextOption("--only");

    std::printf("ORUN_411 against unitsim, %d s per case; the sqlite3 shell holds ORUN.MDB in the held cases\n", seconds);
    std::printf("%-8s %8s %8s %8s %8s %9s %10s %8s %8s\n", "case", "gap ms", "cmd/s", "requests", "NAKs", "reply ms",
                "low power", "zero ms", "exit ms");
    for (const char* name : {"free", "held", "deposit"})
        if (only.isEmpty() || only == QLatin1String(name)) Print(name, Measure(QLatin1String(name), seconds));
    return 0;
}
