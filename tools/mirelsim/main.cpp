// mirelsim: Mirel USB quartz sensors on pseudo-terminals, for people and for end-to-end
// runs of the station. Lists the sensors under a folder that the station's USB bridge is
// pointed at (ORUN_USB_ROOT), prints that folder and each sensor's line, then one line per
// command received, and runs until interrupted or terminated.
#include "mirelsim/MirelSim.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <csignal>
#include <cstdio>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

// Interrupt and terminate end the event loop, so the sensors are unplugged on the way out
// and no listing is left pointing at pseudo-terminals that others may get next.
int gSignalPipe[2] = {-1, -1};

void OnSignal(int) {
    const char c = 1;
    (void)!::write(gSignalPipe[1], &c, 1);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("mirelsim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Emulates Mirel USB quartz sensors: each answers the revision (!@), gate (!B), timer (!C) "
        "and reading (!A) lines on a pseudo-terminal listed as a USB serial device under ROOT. "
        "Start the station with ORUN_USB_ROOT=ROOT to find them."));
    parser.addHelpOption();
    const QCommandLineOption root(QStringLiteral("root"),
                                  QStringLiteral("Folder to list the sensors under (made when missing; "
                                                 "default: a new temporary folder)."),
                                  QStringLiteral("ROOT"));
    const QCommandLineOption serial(QStringLiteral("serial"),
                                    QStringLiteral("Serial number of a sensor; repeat for more sensors."),
                                    QStringLiteral("SN"));
    const QCommandLineOption frequency(QStringLiteral("frequency"),
                                       QStringLiteral("Crystal frequency at the start, Hz."), QStringLiteral("HZ"),
                                       QStringLiteral("6000000"));
    const QCommandLineOption aging(QStringLiteral("aging"),
                                   QStringLiteral("Hz the crystal loses at each reading (deposition)."),
                                   QStringLiteral("HZ"), QStringLiteral("0"));
    const QCommandLineOption revision(QStringLiteral("revision"), QStringLiteral("Revision text reported."),
                                      QStringLiteral("TEXT"), QStringLiteral("1.05"));
    const QCommandLineOption silent(QStringLiteral("silent"), QStringLiteral("Answer nothing."));
    const QCommandLineOption split(QStringLiteral("split"),
                                   QStringLiteral("Send every reply in two pieces 20 ms apart."));
    for (const auto* o : {&root, &serial, &frequency, &aging, &revision, &silent, &split}) parser.addOption(*o);
    parser.process(app);

    bool okF = false, okA = false;
    const double hz = parser.value(frequency).toDouble(&okF);
    const double loss = parser.value(aging).toDouble(&okA);
    if (!okF || hz <= 0.0 || !okA) {
        std::fprintf(stderr, "mirelsim: --frequency wants a positive number and --aging a number\n");
        return 2;
    }
    QString folder = parser.value(root);
    std::unique_ptr<QTemporaryDir> temporary;
    if (folder.isEmpty()) {
        temporary = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/mirelsim-XXXXXX"));
        temporary->setAutoRemove(false);
        folder = temporary->path();
    }
    QDir().mkpath(folder);
    QStringList serials = parser.values(serial);
    if (serials.isEmpty()) serials << QStringLiteral("MS0001");

    std::printf("root %s\n", qPrintable(QDir(folder).absolutePath()));
    std::vector<std::unique_ptr<MirelSim>> sensors;
    for (const QString& sn : serials) {
        auto sim = std::make_unique<MirelSim>(sn);
        sim->frequency = hz;
        sim->agingPerReading = loss;
        sim->revision = parser.value(revision);
        sim->silent = parser.isSet(silent);
        sim->splitReplies = parser.isSet(split);
        if (!sim->Plug(folder)) {
            std::fprintf(stderr, "mirelsim: cannot list sensor %s under %s\n", qPrintable(sn), qPrintable(folder));
            return 1;
        }
        std::printf("sensor %s %s %s\n", qPrintable(sn), qPrintable(sim->TtyName()), qPrintable(sim->PtyDevice()));
        QObject::connect(sim.get(), &MirelSim::CommandReceived, &app, [sn](const QString& command) {
            std::printf("%s %s\n", qPrintable(sn), qPrintable(command));
            std::fflush(stdout);
        });
        sensors.push_back(std::move(sim));
    }
    std::fflush(stdout);

    if (::pipe(gSignalPipe) == 0) {
        auto* notifier = new QSocketNotifier(gSignalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
        std::signal(SIGINT, OnSignal);
        std::signal(SIGTERM, OnSignal);
    }
    const int rc = app.exec();
    sensors.clear();
    return rc;
}
