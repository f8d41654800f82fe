// The 90 ms poll of the main window against the unit emulator (the unitsim program, in a
// process of its own), over TCP, for 60 s: how far each poll tick lands from its due time
// (90 ms after the previous tick or after the restart that ends each control tick), the
// time each control tick takes (reading reply received to poll restarted), the
// tick-to-tick intervals, and the station's CPU load: its CPU time per tick and its share
// of one core. Run by hand:
//     build/bench/bench_poll [--seconds N] [--stopped] [--graphs N]
//     build/bench/bench_poll --program [--seconds N]
// With --stopped the run phase stays STOPPED (no phase tick); by default the channels
// deposit, so every reading runs the phase machine and sends the power outputs. --graphs
// opens that many graph windows (up to four) of the Rate of all eight channels.
// --program measures the ORUN_411 program itself, started as a station starts it (in a
// program folder of its own, against the emulator, stopped): its share of one core while
// it polls, from its own CPU time after the start-up.
#include "BenchSupport.h"
#include "e2e/StationFolder.h"

#include "app/PhaseCode.h"
#include "app/SettingsGlobals.h"
#include "app/cApp.h"
#include "app/cErrHandler.h"
#include "data/FilmRec.h"
#include "data/GraphRec.h"
#include "data/ProcessRec.h"
#include "data/RecipeSchema.h"
#include "data/modDB.h"
#include "platform/Dialogs.h"
#include "platform/ProgramFolder.h"
#include "platform/SettingsStore.h"
#include "platform/ccrpTimer.h"
#include "qcm/cQCM.h"
#include "run/ProgramObjects.h"
#include "run/frmMain.h"
#include "unit/cORUN.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <unistd.h>
#include <vector>

namespace {

constexpr double kIntervalMs = 90.0;

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    const size_t i = std::min(v.size() - 1, static_cast<size_t>(std::ceil(p / 100.0 * v.size())) - 1);
    return v[i];
}

void Report(const char* what, const std::vector<double>& v) {
    std::printf("%-38s p50 %7.3f ms   p99 %7.3f ms   max %7.3f ms\n", what, Percentile(v, 50), Percentile(v, 99),
                v.empty() ? 0.0 : *std::max_element(v.begin(), v.end()));
}

// A recipe database with the rows the program reads and writes, opened.
void Database(const QString& path) {
    CreateStationDatabase(path);
    modDB::DBLoad(path);
}

// Four channels depositing in step 1 of process 1, each counting light straight through.
void Station() {
    gProcess(1).Process_Name = QStringLiteral("Bench");
    DepositTogether({0, 1, 2, 3});
    for (int16_t c = 0; c <= 3; ++c) {
        const int16_t L = static_cast<int16_t>(c + 1);
        LayerRec& l = gLayer(L);
        l.Rate = 2.0;
        l.Thick = 999.0;
        FilmRec& f = gFilm(L);
        f.Film_Name = QStringLiteral("Film %1").arg(L);
        f.Units = QStringLiteral("A/s");
        f.QCM_CALFACTOR = 0.01;
        f.UnitsCal = 1.0;
        f.Filter = 4;
        f.DecDigits = 2;
        f.IntDigits = 3;
        f.Max_Power = 100.0;
        f.FULL_SCALE = 10.0;
        f.Sensor_PMT = 800;
        f.QCM_NUMBER = -1;
        f.PTerm = 10.0;
        f.ITerm = 5.0;
        f.SLEW_RATE = 50.0;
        gORUN->setFullScale(c, 10.0);
        gORUN->setMaxPower(c, 100.0);
        for (int integ = 0; integ <= 1; ++integ) {
            gORUN->setCalSlope(c, integ, -0.1);
            gORUN->setCalIntercept(c, integ, 4000.0);
        }
    }
}

// CPU seconds (user and system, all threads) the process has used so far.
double ProcessCpuSeconds(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return -1;
    const QByteArray text = stat.readAll();
    // The fields after the command name, which ends with the last ")".
    const QList<QByteArray> f = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return (f.value(11).toDouble() + f.value(12).toDouble()) / double(sysconf(_SC_CLK_TCK));
}

int RunProgram(int seconds) {
    StationFolder station;
    QProcess program;
    station.Start(program);
    if (!WaitFor([&] { return station.Polled(); }, 20000)) {
        std::fprintf(stderr, "bench_poll: ORUN_411 does not poll the emulator\n");
        return 1;
    }
    WaitFor([] { return false; }, 2000);  // past the start-up's own work
    const double before = ProcessCpuSeconds(program.processId());
    const int polls = static_cast<int>(station.unit().Commands().count(QStringLiteral("F")));
    QElapsedTimer clock;
    clock.start();
    WaitFor([] { return false; }, seconds * 1000);
    const double used = ProcessCpuSeconds(program.processId()) - before;
    const double wall = clock.elapsed() / 1000.0;
    const int polled = static_cast<int>(station.unit().Commands().count(QStringLiteral("F"))) - polls;
    std::printf("ORUN_411 polling unitsim over TCP, stopped, %d s\n", seconds);
    std::printf("poll ticks %d, CPU %.2f %% of one core over %.1f s\n", polled, used / wall * 100.0, wall);
    program.terminate();
    WaitFor([&] { return program.state() == QProcess::NotRunning; }, 20000);
    return before < 0 ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const int seconds = args.contains("--seconds") ? args.value(args.indexOf("--seconds") + 1).toInt() : 60;
    const bool deposit = !args.contains("--stopped");
    const int graphs = args.contains("--graphs") ? std::clamp(args.value(args.indexOf("--graphs") + 1).toInt(), 0, 4) : 0;
    if (args.contains("--program")) return RunProgram(seconds);

    QTemporaryDir folder;
    SetProgramFolder(folder.path());
    SettingsStore::SetLocation(folder.path());
    int boxes = 0;
    SetDialogResponder([&](const DialogRequest& r) {
        ++boxes;
        std::fprintf(stderr, "box: %s\n", qPrintable(r.prompt));
        return DialogAnswer{vbOK, {}};
    });

    QProcess unitsim;
    unitsim.start(QCoreApplication::applicationDirPath() + "/../bin/unitsim", {"--listen", "127.0.0.1:0"});
    if (!unitsim.waitForReadyRead(5000)) {
        std::fprintf(stderr, "bench_poll: cannot start build/bin/unitsim\n");
        return 1;
    }
    const QRegularExpressionMatch m = QRegularExpression(":(\\d+)").match(QString::fromLatin1(unitsim.readAllStandardOutput()));
    const int port = m.captured(1).toInt();

    ProgramObjects::CreateApp();
    Database(folder.filePath(QStringLiteral("ORUN.MDB")));
    ProgramObjects::CreateUnit();
    ProgramObjects::CreateQCM();
    MeterDamping = 0.0;  // every reading refreshes the channel rows: the heaviest case
    SensorDecimals = QStringLiteral("0.00");
    Colors(1) = 0xFF0000;
    Colors(0) = 0xFFFF;
    // Connected before the window binds its own handlers: the start of each reply's handling.
    QElapsedTimer clock;
    clock.start();
    double replyStart = 0.0;
    QObject::connect(gORUN, &cORUN::ORUNResponse, [&] { replyStart = clock.nsecsElapsed() * 1e-6; });
    frmMain& form = ProgramObjects::CreateMainForm();
    form.Form_Load();
    form.show();
    Station();
    gApp->setProcNum(1);
    for (int16_t g = 0; g < graphs; ++g) {
        GraphRec& r = gGraph(g);
        r.Caption = QStringLiteral("Graph %1").arg(g + 1);
        r.Data = GraphDataKind::Rate;
        r.Channels = 0xFF;
        r.XPoints = 1000;
        r.XWidth = 90;
        r.Y1Min = QStringLiteral("0");
        r.Y1Max = QStringLiteral("5");
        gApp->setShowGraph(g, true);
    }

    if (!gORUN->CommInit(10, port, QStringLiteral("127.0.0.1"), form.tcpControllerClient)) {
        std::fprintf(stderr, "bench_poll: no link to the emulator on port %d\n", port);
        return 1;
    }
    gORUN->SendGetVersion();
    QElapsedTimer wait;
    wait.start();
    while (!form.RequestReadings->Enabled() && wait.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    gApp->setPhase(deposit ? PhaseCode::Deposit : PhaseCode::Stopped);
    for (int16_t c = 0; c <= 3 && deposit; ++c) {
        gApp->setChanPhase(c, PhaseCode::Deposit);
        gORUN->setPower(c, 30.0);
    }

    std::vector<double> lateness, intervals, tickWork;
    double lastTick = -1.0, lastRestart = -1.0;
    int ticks = 0, readings = 0;
    QObject::connect(form.RequestReadings, &ccrpTimer::Timer, [&] {
        const double now = clock.nsecsElapsed() * 1e-6;
        if (lastTick >= 0.0) {
            intervals.push_back(now - lastTick);
            const double due = std::max(lastTick, lastRestart) + kIntervalMs;
            lateness.push_back(std::fabs(now - due));
        }
        lastTick = now;
        ++ticks;
    });
    // Connected after the window's own handler: runs right after the tick restarted the poll.
    QObject::connect(gORUN, &cORUN::ORUNResponse, [&](const QString& r) {
        if (r.startsWith('G') || r.startsWith('g')) {
            lastRestart = clock.nsecsElapsed() * 1e-6;
            tickWork.push_back(lastRestart - replyStart);
            ++readings;
        }
    });

    const double cpuStart = CpuSeconds();
    QEventLoop run;
    QTimer::singleShot(seconds * 1000, &run, &QEventLoop::quit);
    run.exec();
    const double cpu = CpuSeconds() - cpuStart;
    const double wall = clock.elapsed() / 1000.0;

    std::printf("poll of the main window against unitsim over TCP, %d s, phase %s, %d graph windows\n", seconds,
                deposit ? "DEPOSIT" : "STOPPED", graphs);
    std::printf("poll ticks %d, control ticks (readings) %d, boxes %d\n", ticks, readings, boxes);
    Report("deviation from due time", lateness);
    Report("tick-to-tick interval", intervals);
    Report("control tick (reading reply handled)", tickWork);
    std::printf("CPU per poll tick %.3f ms (%.2f %% of one core over %.1f s)\n", ticks ? cpu * 1000.0 / ticks : 0.0,
                cpu / wall * 100.0, wall);

    form.Form_Unload();
    unitsim.kill();
    unitsim.waitForFinished(2000);
    ProgramObjects::ReleaseAll();  // the database too, before the application goes
    return 0;
}
