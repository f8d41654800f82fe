// unitsim: the controller unit's emulator as a program, for people and for end-to-end
// tests. Serves the unit protocol over TCP (default 127.0.0.1:4001) or a pseudo-terminal,
// at once or each reply late, prints one line when ready and runs until killed.
#include "unitsim/UnitSim.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("unitsim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Emulates the controller unit: answers every command with one frame and runs a "
        "plant in which source power raises the counts of its channel."));
    parser.addHelpOption();
    QCommandLineOption listen(QStringList{QStringLiteral("listen")},
                              QStringLiteral("Serve TCP on HOST:PORT (port 0 picks a free one)."),
                              QStringLiteral("HOST:PORT"), QStringLiteral("127.0.0.1:4001"));
    QCommandLineOption pty(QStringList{QStringLiteral("pty")},
                           QStringLiteral("Serve a pseudo-terminal instead; prints its device."));
    QCommandLineOption firmware(QStringList{QStringLiteral("firmware")},
                                QStringLiteral("Firmware version reported (default 4.11)."),
                                QStringLiteral("X.YY"), QStringLiteral("4.11"));
    QCommandLineOption endConnections(
        QStringList{QStringLiteral("end-connections")},
        QStringLiteral("Accept each TCP connection and end it at once, as a unit whose firmware is not up: "
                       "'close' in order, 'reset' with a reset."),
        QStringLiteral("close|reset"));
    QCommandLineOption replyDelay(QStringList{QStringLiteral("reply-delay")},
                                  QStringLiteral("Send each reply MS milliseconds after its command arrived, as a slow unit "
                                                 "or link does (default 0)."),
                                  QStringLiteral("MS"), QStringLiteral("0"));
    parser.addOption(listen);
    parser.addOption(replyDelay);
    parser.addOption(pty);
    parser.addOption(firmware);
    parser.addOption(endConnections);
    parser.process(app);

    UnitSim sim;
    sim.Model().firmware = parser.value(firmware);
    bool delayOk = false;
    const int delay = parser.value(replyDelay).toInt(&delayOk);
    if (!delayOk || delay < 0 || delay > 60000) {
        std::fprintf(stderr, "unitsim: --reply-delay wants milliseconds 0..60000, got %s\n", qPrintable(parser.value(replyDelay)));
        return 2;
    }
    sim.setReplyDelay(delay);
    if (parser.isSet(endConnections)) {
        const QString how = parser.value(endConnections);
        if (how != QLatin1String("close") && how != QLatin1String("reset")) {
            std::fprintf(stderr, "unitsim: --end-connections wants close or reset, got %s\n", qPrintable(how));
            return 2;
        }
        sim.setAccepting(how == QLatin1String("close") ? UnitSim::Accepting::Close : UnitSim::Accepting::Reset);
    }

    if (parser.isSet(pty)) {
        const QString device = sim.OpenPty();
        if (device.isEmpty()) {
            std::fprintf(stderr, "unitsim: no pseudo-terminal available\n");
            return 1;
        }
        std::printf("pty %s\n", qPrintable(device));
    } else {
        const QString where = parser.value(listen);
        const int colon = where.lastIndexOf(QLatin1Char(':'));
        bool ok = colon > 0;
        const QString host = ok ? where.left(colon) : QString();
        const int port = ok ? where.mid(colon + 1).toInt(&ok) : 0;
        if (!ok || port < 0 || port > 65535) {
            std::fprintf(stderr, "unitsim: --listen wants HOST:PORT, got %s\n", qPrintable(where));
            return 2;
        }
        const QHostAddress address(host == QLatin1String("localhost") ? QStringLiteral("127.0.0.1") : host);
        if (address.isNull() || !sim.ListenTcp(address, static_cast<quint16>(port))) {
            std::fprintf(stderr, "unitsim: cannot listen on %s\n", qPrintable(where));
            return 1;
        }
        std::printf("listening on %s:%u\n", qPrintable(sim.TcpHost()), sim.TcpPort());
    }
    std::fflush(stdout);
    return app.exec();
}
