// bootsim: an instrument's boot loader and running firmware on a pseudo-terminal, for
// people and for end-to-end runs of the programmer. Prints the device, then one line per
// command received, and runs until killed.
#include "bootsim/BootSim.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("bootsim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Emulates an instrument on a serial line: its firmware answers the version and "
        "serial-number queries at 19200 baud, its boot loader the search, erase, block and "
        "done commands at the model's rate, and keeps the flash image it was sent."));
    parser.addHelpOption();
    const QCommandLineOption model(QStringLiteral("model"),
                                   QStringLiteral("Instrument model 0..5 as the programmer lists them "
                                                  "(4 and 5 take 1024-byte blocks at 38400 baud)."),
                                   QStringLiteral("N"), QStringLiteral("2"));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Firmware version reported."),
                                     QStringLiteral("TEXT"), QStringLiteral("1.23"));
    const QCommandLineOption serial(QStringLiteral("serial"), QStringLiteral("Serial number reported."),
                                    QStringLiteral("TEXT"), QStringLiteral("12345"));
    const QCommandLineOption oldFirmware(QStringLiteral("old-firmware"),
                                         QStringLiteral("Firmware too old to report its serial number."));
    const QCommandLineOption eraseFails(QStringLiteral("erase-fails"),
                                        QStringLiteral("Erase replies do not end in \"80\"."));
    const QCommandLineOption answerDone(QStringLiteral("answer-done"),
                                        QStringLiteral("Answer the done command (the programmer reports a failure)."));
    const QCommandLineOption image(QStringLiteral("image"),
                                   QStringLiteral("Write the flash image to FILE after every done command."),
                                   QStringLiteral("FILE"));
    const QCommandLineOption silentFrom(QStringLiteral("silent-from-block"),
                                        QStringLiteral("Fall silent from block N on (blocks count from 1 after each "
                                                       "erase), the done command included, until the next search."),
                                        QStringLiteral("N"));
    const QCommandLineOption badCrcAt(QStringLiteral("bad-crc-at-block"),
                                      QStringLiteral("Answer block N with wrong check characters."), QStringLiteral("N"));
    const QCommandLineOption closeAt(QStringLiteral("close-at-block"),
                                     QStringLiteral("Close the line when block N has arrived, as a pulled cable."),
                                     QStringLiteral("N"));
    for (const auto* o : {&model, &version, &serial, &oldFirmware, &eraseFails, &answerDone, &silentFrom, &badCrcAt,
                          &closeAt, &image})
        parser.addOption(*o);
    parser.process(app);

    bool ok = false;
    const int n = parser.value(model).toInt(&ok);
    if (!ok || n < 0 || n > 5) {
        std::fprintf(stderr, "bootsim: --model wants 0..5, got %s\n", qPrintable(parser.value(model)));
        return 2;
    }
    // A block number of 1 or more, or 0 when the option is not given.
    int blocks[3] = {};
    const QCommandLineOption* blockOptions[] = {&silentFrom, &badCrcAt, &closeAt};
    for (int i = 0; i < 3; ++i) {
        if (!parser.isSet(*blockOptions[i])) continue;
        blocks[i] = parser.value(*blockOptions[i]).toInt(&ok);
        if (!ok || blocks[i] < 1) {
            std::fprintf(stderr, "bootsim: --%s wants a block number of 1 or more, got %s\n",
                         qPrintable(blockOptions[i]->names().constFirst()), qPrintable(parser.value(*blockOptions[i])));
            return 2;
        }
    }
    BootSim sim;
    sim.SetModel(n);
    sim.setSilentFromBlock(blocks[0]);
    sim.setBadCrcAtBlock(blocks[1]);
    sim.setCloseAtBlock(blocks[2]);
    sim.Version = parser.value(version);
    sim.SerialNumber = parser.value(serial);
    sim.OldFirmware = parser.isSet(oldFirmware);
    sim.setEraseFails(parser.isSet(eraseFails));
    sim.setAnswerDone(parser.isSet(answerDone));
    const QString imageFile = parser.value(image);
    QObject::connect(&sim, &BootSim::CommandReceived, &app, [&](const QString& command) {
        std::printf("%s\n", qPrintable(command));
        std::fflush(stdout);
        if (!imageFile.isEmpty() && (command == QLatin1String("D") || command == QLatin1String("d"))) {
            QFile out(imageFile);
            if (out.open(QIODevice::WriteOnly | QIODevice::Truncate)) out.write(sim.Flash());
        }
    });

    const QString device = sim.OpenPty();
    if (device.isEmpty()) {
        std::fprintf(stderr, "bootsim: no pseudo-terminal available\n");
        return 1;
    }
    std::printf("pty %s\n", qPrintable(device));
    std::fflush(stdout);
    return app.exec();
}
