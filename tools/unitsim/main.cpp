// unitsim: the controller unit's emulator as a program, for people and for end-to-end
// tests. Serves the unit protocol over TCP (default 127.0.0.1:4001) or a pseudo-terminal,
// at once or each reply late, optionally losing, garbling, cutting, altering, doubling or
// reordering a share of its replies and dipping its supply now and then, prints one line
// when ready and runs until killed.
#include "unitsim/UnitSim.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <optional>
#include <random>
#include <vector>

namespace {

// The option's value as a number in lo..hi; a message on standard error and nothing when
// it is not one (text, NaN, out of range).
std::optional<double> NumberIn(const QCommandLineParser& parser, const QCommandLineOption& option, double lo, double hi,
                               const char* what) {
    bool ok = false;
    const QString text = parser.value(option);
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v) || v < lo || v > hi) {
        std::fprintf(stderr, "unitsim: --%s wants %s %g..%g, got '%s'\n", qPrintable(option.names().first()), what, lo, hi,
                     qPrintable(text));
        return std::nullopt;
    }
    return v;
}

// A supply dip of dipMs every everyMs, each wait moved by up to jitterMs either way (drawn
// from the seed), for as long as the program runs.
void DipNow(UnitSim& sim, int dipMs, double everyMs, double jitterMs, std::mt19937& draw) {
    const double wait = everyMs + std::uniform_real_distribution<double>(-jitterMs, jitterMs)(draw);
    QTimer::singleShot(static_cast<int>(std::lround(wait)), &sim, [&sim, dipMs, everyMs, jitterMs, &draw] {
        std::fprintf(stderr, "unitsim: supply dip of %d ms\n", dipMs);
        sim.Brownout(dipMs);
        DipNow(sim, dipMs, everyMs, jitterMs, draw);
    });
}

}  // namespace

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
    QCommandLineOption lose(QStringList{QStringLiteral("lose")},
                            QStringLiteral("Lose each reply with a chance of PERCENT (0..100, default 0): the command "
                                           "still acts, its reply never leaves. Repeatable by --seed."),
                            QStringLiteral("PERCENT"), QStringLiteral("0"));
    // The faults of a bad line, each a share of the replies, as --lose is.
    const struct {
        UnitSim::ReplyFault kind;
        const char* name;
        const char* what;
    } kLineFaults[] = {
        {UnitSim::ReplyFault::Garbled, "garble", "Garble each reply with a chance of PERCENT (0..100, default 0): one byte "
                                                 "changed, so its check characters fail."},
        {UnitSim::ReplyFault::Cut, "cut", "Cut each reply with a chance of PERCENT (0..100, default 0): only the first half "
                                          "of its frame is sent, without its LF."},
        {UnitSim::ReplyFault::Altered, "alter", "Alter each reply with a chance of PERCENT (0..100, default 0): a digit of "
                                                "its text changed under the old check characters."},
        {UnitSim::ReplyFault::Duplicated, "dup", "Send each reply twice, back to back, with a chance of PERCENT (0..100, "
                                                 "default 0)."},
        {UnitSim::ReplyFault::Late, "late", "Hold each reply back with a chance of PERCENT (0..100, default 0) and send it "
                                            "right after the reply to the next command: out of order."},
    };
    std::vector<QCommandLineOption> lineFaults;
    for (const auto& f : kLineFaults)
        lineFaults.emplace_back(QStringList{QString::fromLatin1(f.name)}, QString::fromLatin1(f.what),
                                QStringLiteral("PERCENT"), QStringLiteral("0"));
    QCommandLineOption seed(QStringList{QStringLiteral("seed")},
                            QStringLiteral("Seed of the replies' faults and of the dips' jitter (0..4294967295, default 1)."),
                            QStringLiteral("N"), QStringLiteral("1"));
    QCommandLineOption dipEvery(QStringList{QStringLiteral("dip-every")},
                                QStringLiteral("Dip the unit's supply every SECONDS (with --dip): it drops its outputs, "
                                               "relays and settings, reads nothing while dark, then runs again from power-on."),
                                QStringLiteral("SECONDS"));
    QCommandLineOption dip(QStringList{QStringLiteral("dip")},
                           QStringLiteral("How long each supply dip lasts, MS milliseconds (1..60000; with --dip-every)."),
                           QStringLiteral("MS"));
    QCommandLineOption dipJitter(QStringList{QStringLiteral("dip-jitter")},
                                 QStringLiteral("Move each dip by up to SECONDS earlier or later, drawn from --seed "
                                                "(default 0)."),
                                 QStringLiteral("SECONDS"), QStringLiteral("0"));
    parser.addOption(listen);
    parser.addOption(replyDelay);
    parser.addOption(lose);
    for (const QCommandLineOption& o : lineFaults) parser.addOption(o);
    parser.addOption(seed);
    parser.addOption(dipEvery);
    parser.addOption(dip);
    parser.addOption(dipJitter);
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

    bool seedOk = false;
    const qulonglong seedValue = parser.value(seed).trimmed().toULongLong(&seedOk);
    if (!seedOk || seedValue > UINT32_MAX) {
        std::fprintf(stderr, "unitsim: --seed wants a whole number 0..4294967295, got '%s'\n", qPrintable(parser.value(seed)));
        return 2;
    }
    const auto losePercent = NumberIn(parser, lose, 0.0, 100.0, "a percentage");
    if (!losePercent) return 2;
    sim.setLoseShare(*losePercent / 100.0, static_cast<uint32_t>(seedValue));
    for (size_t i = 0; i < lineFaults.size(); ++i) {
        const auto percent = NumberIn(parser, lineFaults[i], 0.0, 100.0, "a percentage");
        if (!percent) return 2;
        sim.setFaultShare(kLineFaults[i].kind, *percent / 100.0, static_cast<uint32_t>(seedValue));
    }

    // The dips' own generator, apart from the replies' one: dipping does not change which
    // replies are lost.
    std::mt19937 dipDraw(static_cast<uint32_t>(seedValue));
    if (parser.isSet(dipEvery) != parser.isSet(dip)) {
        std::fprintf(stderr, "unitsim: --dip-every and --dip go together\n");
        return 2;
    }
    if (parser.isSet(dipEvery)) {
        const auto every = NumberIn(parser, dipEvery, 0.1, 86400.0, "seconds");
        const auto dipMs = NumberIn(parser, dip, 1.0, 60000.0, "milliseconds");
        const auto jitter = NumberIn(parser, dipJitter, 0.0, 86400.0, "seconds");
        if (!every || !dipMs || !jitter) return 2;
        // Each dip ends before the next one can start.
        if (*every - *jitter <= *dipMs / 1000.0) {
            std::fprintf(stderr, "unitsim: a dip of %g ms does not fit %g s apart less %g s of jitter\n", *dipMs, *every,
                         *jitter);
            return 2;
        }
        DipNow(sim, static_cast<int>(std::lround(*dipMs)), *every * 1000.0, *jitter * 1000.0, dipDraw);
    } else if (parser.isSet(dipJitter)) {
        std::fprintf(stderr, "unitsim: --dip-jitter needs --dip-every and --dip\n");
        return 2;
    }
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
