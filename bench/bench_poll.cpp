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
//
// Beside the station, in the same run and over the same time, a floor client (PollFloor)
// makes the poll's own exchanges and nothing else against an emulator of its own, given
// the settings the station gave its emulator; the station's CPU over the floor's is the
// figure an idle station is judged by, since an absolute share does not travel between
// machines. A third poller (QtLoopFloor) makes the same exchanges from a bare Qt
// application's event loop, in a process of its own: what any poll driven by a window's
// event loop spends before the station does any work of its own. Each has its own
// emulator because a reading is taken by whoever asks first.
#include "BenchSupport.h"
#include "BenchOptions.h"
#include "PollFloor.h"
#include "QtLoopFloor.h"
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
#include <string>
#include <string_view>
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

// CPU seconds (user and system, all threads) the process has used so far, to the
// nanosecond; -1 when it cannot be read.
double ProcessCpuSeconds(qint64 pid) {
    clockid_t clock{};
    timespec t{};
    if (clock_getcpuclockid(static_cast<pid_t>(pid), &clock) != 0 || clock_gettime(clock, &t) != 0) return -1;
    return t.tv_sec + t.tv_nsec * 1e-9;
}

// Lets events run for ms, sleeping between them.
void RunEvents(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// The poll's own requests, which the floor makes itself; every other command sets the unit.
bool PollRequest(const QString& c) {
    return c == QLatin1String("D") || c == QLatin1String("M") || c == QLatin1String("F") || c == QLatin1String("G") ||
           c == QLatin1String("g");
}

// The unitsim program on a free loopback port; the port, or 0 when it does not start.
int StartUnitsim(QProcess& unitsim) {
    unitsim.start(QCoreApplication::applicationDirPath() + "/../bin/unitsim", {"--listen", "127.0.0.1:0"});
    if (!unitsim.waitForReadyRead(5000)) return 0;
    const QRegularExpressionMatch m = QRegularExpression(":(\\d+)").match(QString::fromLatin1(unitsim.readAllStandardOutput()));
    return m.captured(1).toInt();
}

// What one poller did over the measured time.
struct Figures {
    int ticks = 0;
    int exchanges = 0;
    int readings = 0;
    double cpu = 0.0;  // seconds

    Figures operator-(const Figures& o) const { return {ticks - o.ticks, exchanges - o.exchanges, readings - o.readings, cpu - o.cpu}; }
};

Figures Sample(const PollFloor& floor) { return {floor.Ticks(), floor.Exchanges(), floor.Readings(), floor.CpuSeconds()}; }

Figures Sample(qtloopfloor::Process& loop) {
    const qtloopfloor::Sample s = loop.Read();
    return {s.ticks, s.exchanges, s.readings, s.ok ? s.cpu : -1.0};
}

// Starts the Qt-loop poller against its own emulator at port, set up as the floor.
bool StartQtLoop(qtloopfloor::Process& loop, uint16_t port, const std::vector<std::string>& setup) {
    if (!loop.Start(QCoreApplication::applicationFilePath(), port, static_cast<int>(kIntervalMs), setup)) return false;
    Figures f;
    WaitFor([&] { return (f = Sample(loop)).cpu < 0.0 || f.ticks > 0; }, 10000);
    return f.ticks > 0;
}

double Ratio(double a, double b) { return b > 0.0 ? a / b : 0.0; }

void ReportSideBySide(const Figures& station, const Figures& loop, const Figures& floor, double wall) {
    std::printf("%-8s %10s %10s %9s %12s %12s\n", "", "poll ticks", "exchanges", "readings", "CPU ms/tick", "% of a core");
    for (const auto& [name, f] : {std::pair{"station", station}, std::pair{"Qt loop", loop}, std::pair{"floor", floor}})
        std::printf("%-8s %10d %10d %9d %12.4f %12.3f\n", name, f.ticks, f.exchanges, f.readings,
                    f.ticks ? f.cpu * 1000.0 / f.ticks : 0.0, f.cpu / wall * 100.0);
    std::printf("station / floor CPU: %.2f   Qt loop / floor: %.2f   station / Qt loop: %.2f\n", Ratio(station.cpu, floor.cpu),
                Ratio(loop.cpu, floor.cpu), Ratio(station.cpu, loop.cpu));
}

std::vector<std::string> SettingCommands(const QStringList& commands) {
    std::vector<std::string> setup;
    for (const QString& c : commands)
        if (!PollRequest(c)) setup.push_back(c.toStdString());
    return setup;
}

Figures StationFigures(const UnitSim& unit, qint64 pid) {
    const QStringList& c = unit.Commands();
    return {static_cast<int>(c.count(QStringLiteral("F"))), static_cast<int>(c.size()),
            static_cast<int>(c.count(QStringLiteral("G")) + c.count(QStringLiteral("g"))), ProcessCpuSeconds(pid)};
}

int RunProgram(int seconds) {
    StationFolder station;
    QProcess program;
    station.Start(program);
    if (!WaitFor([&] { return station.Polled(); }, 20000)) {
        std::fprintf(stderr, "bench_poll: ORUN_411 does not poll the emulator\n");
        return 1;
    }
    RunEvents(2000);  // past the start-up's own work
    UnitSim floorUnit, loopUnit;
    floorUnit.ListenTcp();
    loopUnit.ListenTcp();
    const std::vector<std::string> setup = SettingCommands(station.unit().Commands());
    PollFloor floor(floorUnit.TcpPort());
    floor.Start(setup, static_cast<int>(kIntervalMs));
    if (!WaitFor([&] { return floor.Polling() || floor.Failed(); }, 10000) || floor.Failed()) {
        std::fprintf(stderr, "bench_poll: the floor client does not poll its emulator\n");
        return 1;
    }
    qtloopfloor::Process loop;
    if (!StartQtLoop(loop, loopUnit.TcpPort(), setup)) {
        std::fprintf(stderr, "bench_poll: the Qt-loop client does not poll its emulator\n");
        return 1;
    }
    QElapsedTimer clock;
    clock.start();
    const Figures stationBefore = StationFigures(station.unit(), program.processId());
    const Figures loopBefore = Sample(loop);
    const Figures floorBefore = Sample(floor);
    RunEvents(seconds * 1000);
    const Figures stationUsed = StationFigures(station.unit(), program.processId()) - stationBefore;
    const Figures loopUsed = Sample(loop) - loopBefore;
    const Figures floorUsed = Sample(floor) - floorBefore;
    const double wall = clock.elapsed() / 1000.0;
    floor.Stop();
    loop.Stop();
    std::printf("ORUN_411 polling unitsim over TCP, stopped, %d s, beside the Qt-loop and floor clients\n", seconds);
    ReportSideBySide(stationUsed, loopUsed, floorUsed, wall);
    program.terminate();
    WaitFor([&] { return program.state() == QProcess::NotRunning; }, 20000);
    return stationBefore.cpu < 0 || loopUsed.cpu < 0 || floor.Failed() ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string_view(argv[1]) == "--qt-loop-floor") {
        QStringList args;
        for (int i = 2; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
        return qtloopfloor::RunChild(args);
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const int seconds = IntOption("--seconds", 60);
    const bool deposit = !args.contains("--stopped");
    const int graphs = std::clamp(IntOption("--graphs", 0), 0, 4);
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

    QProcess unitsim, floorUnitsim, loopUnitsim;
    const int port = StartUnitsim(unitsim);
    const int floorPort = StartUnitsim(floorUnitsim);
    const int loopPort = StartUnitsim(loopUnitsim);
    if (port == 0 || floorPort == 0 || loopPort == 0) {
        std::fprintf(stderr, "bench_poll: cannot start build/bin/unitsim\n");
        return 1;
    }

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
    // Every command the station sends; those that set the unit, up to the floor's start,
    // set the floor's emulator alike.
    int stationExchanges = 0;
    bool floorStarted = false;
    QStringList settings;
    QObject::connect(gORUN, &cORUN::ORUNCommand, [&](const QString& c) {
        ++stationExchanges;
        if (!floorStarted) settings << c;
    });
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

    PollFloor floor(static_cast<uint16_t>(floorPort));
    floor.Start(SettingCommands(settings), static_cast<int>(kIntervalMs));
    floorStarted = true;
    if (!WaitFor([&] { return floor.Polling() || floor.Failed(); }, 10000) || floor.Failed()) {
        std::fprintf(stderr, "bench_poll: the floor client does not poll its emulator\n");
        return 1;
    }
    qtloopfloor::Process loop;
    if (!StartQtLoop(loop, static_cast<uint16_t>(loopPort), SettingCommands(settings))) {
        std::fprintf(stderr, "bench_poll: the Qt-loop client does not poll its emulator\n");
        return 1;
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

    // The floor's thread runs in this process: the station's CPU is the rest.
    const Figures floorBefore = Sample(floor);
    const Figures loopBefore = Sample(loop);
    const double cpuStart = CpuSeconds();
    const int exchangesStart = stationExchanges;
    const double wallStart = clock.elapsed() / 1000.0;
    RunEvents(seconds * 1000);
    const Figures floorUsed = Sample(floor) - floorBefore;
    const double cpu = CpuSeconds() - cpuStart - floorUsed.cpu;
    const Figures loopUsed = Sample(loop) - loopBefore;
    const double wall = clock.elapsed() / 1000.0 - wallStart;
    floor.Stop();
    loop.Stop();

    std::printf("poll of the main window against unitsim over TCP, %d s, phase %s, %d graph windows\n", seconds,
                deposit ? "DEPOSIT" : "STOPPED", graphs);
    std::printf("poll ticks %d, control ticks (readings) %d, boxes %d\n", ticks, readings, boxes);
    Report("deviation from due time", lateness);
    Report("tick-to-tick interval", intervals);
    Report("control tick (reading reply handled)", tickWork);
    ReportSideBySide({ticks, stationExchanges - exchangesStart, readings, cpu}, loopUsed, floorUsed, wall);

    form.Form_Unload();
    for (QProcess* p : {&unitsim, &floorUnitsim, &loopUnitsim}) {
        p->kill();
        p->waitForFinished(2000);
    }
    ProgramObjects::ReleaseAll();  // the database too, before the application goes
    return 0;
}
