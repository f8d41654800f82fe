// The start-up of ORUN_411 (the real program, in a program folder of its own) to the
// first poll frame the unit emulator receives, from the upgrade template (a first start:
// every record row is added) and from a full database (one the program has started from
// before), measured side by side: the two starts alternate, round after round, so both
// meet the same load of the machine. The figure to keep: the first start within 1.3 times
// the start from the full database. Run by hand:
//     build/bench/bench_startup [--rounds N]
#include "BenchOptions.h"
#include "unitsim/UnitSim.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <algorithm>
#include <functional>
#include <cstdio>
#include <vector>

namespace {

bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

class Station {
public:
    Station(UnitSim& unit, const QString& bin) : unit_(unit), bin_(bin) {
        QFile config(dir_.filePath(QStringLiteral("ORUN.CFG")));
        config.open(QIODevice::WriteOnly);
        config.write(QStringLiteral("[Application]\r\nDatabase=ORUN.MDB\r\nProcess=1\r\n"
                                    "[Communications]\r\nCPort=10\r\nEPort=%1\r\nEAddr=127.0.0.1\r\n"
                                    "[SftwComm]\r\nPort=0\r\nEthernetPort=-1\r\n")
                         .arg(unit.TcpPort())
                         .toLatin1());
    }
    // The database the next start opens: a fresh copy of the upgrade template.
    bool FromTemplate() {
        const QString db = dir_.filePath(QStringLiteral("ORUN.MDB"));
        QFile::remove(db);
        return QFile::copy(bin_ + QStringLiteral("/411_ORUN.MDB"), db) &&
               QFile(db).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    // Starts the program and ends it once it polls; the milliseconds from its start to
    // the first poll frame, or a negative figure when it did not get there.
    double Start() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("ORUN_HOME"), dir_.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir_.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir_.path());
        env.insert(QStringLiteral("ORUN_AUTOMATION"), dir_.filePath(QStringLiteral("automation.log")));
        QProcess program;
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        double firstPoll = -1.0;
        QElapsedTimer clock;
        const auto connection = QObject::connect(&unit_, &UnitSim::CommandReceived, [&](const QString& command) {
            if (firstPoll < 0.0 && command == QLatin1String("D")) firstPoll = clock.nsecsElapsed() * 1e-6;
        });
        clock.start();
        program.start(bin_ + QStringLiteral("/ORUN_411"), {});
        const bool polled = WaitFor([&] { return firstPoll >= 0.0; }, 60000);
        QObject::disconnect(connection);
        program.terminate();
        if (!WaitFor([&] { return program.state() == QProcess::NotRunning; }, 30000)) program.kill();
        program.waitForFinished();
        return polled ? firstPoll : -1.0;
    }

private:
    UnitSim& unit_;
    QString bin_;
    QTemporaryDir dir_;
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rounds = std::max(1, IntOption("--rounds", 7));
    const QString bin = QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../bin"));

    UnitSim unit;
    if (!unit.ListenTcp()) {
        std::fprintf(stderr, "bench_startup: the unit emulator cannot listen\n");
        return 1;
    }
    Station first(unit, bin);
    Station full(unit, bin);
    // The full database is the one a first start leaves.
    if (!full.FromTemplate() || full.Start() < 0.0) {
        std::fprintf(stderr, "bench_startup: %s/ORUN_411 does not start and poll\n", qPrintable(bin));
        return 1;
    }
    std::vector<double> fromTemplate, fromFull;
    for (int r = 0; r < rounds; ++r) {
        if (!first.FromTemplate()) return 1;
        const double t = first.Start();
        const double f = full.Start();
        if (t < 0.0 || f < 0.0) {
            std::fprintf(stderr, "bench_startup: a start did not reach the poll\n");
            return 1;
        }
        fromTemplate.push_back(t);
        fromFull.push_back(f);
        std::printf("round %d: from the template %7.1f ms, from a full database %7.1f ms\n", r + 1, t, f);
    }
    const double t = Median(fromTemplate), f = Median(fromFull);
    std::printf("start-up to the first poll frame, median of %d: from the template %.1f ms, from a full database "
                "%.1f ms, ratio %.2f\n",
                rounds, t, f, t / f);
    return 0;
}
