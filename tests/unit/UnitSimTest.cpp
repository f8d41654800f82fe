// The emulator's replies read back through the link's own parser, as the station reads
// the real unit's.
#include "unit/LinkHarness.h"
#include "unitsim/UnitModel.h"
#include "unitsim/UnitSim.h"

#include <QTcpSocket>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {
struct ManualClock {
    int64_t ms = 1000;
    void attach(UnitModel& m) {
        m.clock = [this] { return ms; };
    }
};
// Commands sent one at a time over TCP to an emulator losing a share of its replies: which
// replies it lost (from its own counters, each command's fate settled before the next goes
// out), and the letters of the reply frames that reached the station's side, in order.
struct LossyRun {
    std::vector<bool> lost;
    QString replyLetters;
    QString expectedLetters;  // the letters of the commands whose replies were not lost
    int64_t repliesLost = 0, repliesSent = 0;
    int32_t power = 0;  // output 1's code the unit holds at the end
};

// Command i of the stream: powers (each a new code for output 1), inputs, a reading ready?,
// relays, a filter; five letters in turn, so a late or misplaced reply shows in the order.
QString StreamCommand(int i) {
    switch (i % 5) {
    case 0: return QStringLiteral("K%1,32767,32767,32767,32767,32767").arg(32768 + i);
    case 1: return QStringLiteral("M");
    case 2: return QStringLiteral("F");
    case 3: return QStringLiteral("N1,0,1");
    default: return QStringLiteral("O1,%1").arg(i);
    }
}

LossyRun RunLossy(double share, uint32_t seed, int commands, int loseFirst = 0) {
    UnitSim sim;
    LossyRun run;
    if (!sim.ListenTcp()) {
        ADD_FAILURE() << "the emulator cannot listen";
        return run;
    }
    QTcpSocket station;
    FrameCollector rx;
    QObject::connect(&station, &QTcpSocket::readyRead, [&] {
        for (char c : station.readAll())
            if (rx.Feed(static_cast<uint8_t>(c)) && rx.CheckOk() && rx.Text().size() >= 2) run.replyLetters += QChar(rx.Text()[1]);
    });
    station.connectToHost(QHostAddress::LocalHost, sim.TcpPort());
    // Each command goes out at once, not held back waiting for the acknowledgement of a
    // command whose reply was lost.
    station.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    if (!WaitUntil([&] { return sim.TcpConnections() == 1; }, 30000)) {
        ADD_FAILURE() << "no link to the emulator";
        return run;
    }
    sim.setLoseShare(share, seed);
    sim.LoseNextReplies(loseFirst);
    auto send = [&](const QString& command) {
        const int64_t settled = sim.RepliesLost() + sim.RepliesSent();
        station.write(OrunFrame::BuildFrame(command.toLatin1()));
        return WaitUntil([&] { return sim.RepliesLost() + sim.RepliesSent() > settled; }, 30000);
    };
    for (int i = 0; i < commands; ++i) {
        const int64_t lostBefore = sim.RepliesLost();
        const QString command = StreamCommand(i);
        if (!send(command)) {
            ADD_FAILURE() << "command " << i << " was never taken";
            return run;
        }
        run.lost.push_back(sim.RepliesLost() > lostBefore);
        if (!run.lost.back()) run.expectedLetters += command.at(0);
    }
    run.repliesLost = sim.RepliesLost();
    run.repliesSent = sim.RepliesSent();
    run.power = sim.Model().powerCode[0];
    // A last command answered for sure: once its reply is in, every reply before it that
    // was going to come has come.
    sim.setLoseShare(0.0, 0);
    send(QStringLiteral("@"));
    run.expectedLetters += QLatin1Char('O');  // "ORUN x.yy"
    EXPECT_TRUE(WaitUntil([&] { return run.replyLetters.size() >= run.expectedLetters.size(); }, 30000));
    EXPECT_EQ(sim.Commands().size(), commands + 1);
    return run;
}

int64_t Count(const std::vector<bool>& v) { return std::count(v.begin(), v.end(), true); }

}  // namespace

TEST(UnitSim, SeededLossLosesTheSameRepliesAndTheUnitStillTakesTheirCommands) {
    // Lost means never on the wire: what reached the station is exactly the replies the
    // emulator counts as sent, in the order of their commands.
    auto checkWire = [](const LossyRun& r, const char* what) {
        EXPECT_EQ(r.replyLetters.toStdString(), r.expectedLetters.toStdString()) << what;
        EXPECT_EQ(r.repliesLost, Count(r.lost)) << what;
        EXPECT_EQ(r.repliesSent + r.repliesLost, static_cast<int64_t>(r.lost.size())) << what;
    };

    const int n = 2000;
    const LossyRun first = RunLossy(0.1, 7, n);
    const LossyRun again = RunLossy(0.1, 7, n);
    const LossyRun other = RunLossy(0.1, 8, n);
    checkWire(first, "seed 7");
    checkWire(other, "seed 8");
    EXPECT_EQ(first.lost, again.lost);
    EXPECT_NE(first.lost, other.lost);
    for (const LossyRun* r : {&first, &other}) {
        EXPECT_GE(r->repliesLost, n * 7 / 100);
        EXPECT_LE(r->repliesLost, n * 13 / 100);
    }
    // Losses are spread over the stream, not bunched at one end.
    const std::vector<bool> firstHalf(first.lost.begin(), first.lost.begin() + n / 2);
    EXPECT_GE(Count(firstHalf), n / 2 * 5 / 100);
    EXPECT_LE(Count(firstHalf), n / 2 * 15 / 100);

    // Shares outside 0..1 are clamped; a reply LoseNextReplies takes draws nothing, so the
    // share's pattern after it is the same as without it.
    UnitSim sim;
    const struct {
        double given, kept;
    } shares[] = {{-0.5, 0.0}, {0.0, 0.0}, {0.25, 0.25}, {1.0, 1.0}, {7.0, 1.0}, {std::nan(""), 0.0}};
    for (const auto& s : shares) {
        sim.setLoseShare(s.given, 1);
        EXPECT_EQ(sim.LoseShare(), s.kept) << s.given;
    }
    const int m = 200;
    const LossyRun none = RunLossy(0.0, 3, m);
    const LossyRun all = RunLossy(1.0, 3, m);
    const LossyRun firstThree = RunLossy(0.0, 3, m, 3);
    const LossyRun shareAlone = RunLossy(0.3, 5, m);
    const LossyRun shareAfterThree = RunLossy(0.3, 5, m + 3, 3);
    for (const auto& [run, what] : {std::pair{&none, "share 0"}, std::pair{&all, "share 1"},
                                    std::pair{&firstThree, "three lost"}, std::pair{&shareAfterThree, "three, then 0.3"}})
        checkWire(*run, what);
    EXPECT_EQ(none.repliesLost, 0);
    EXPECT_EQ(all.repliesLost, m);
    EXPECT_EQ(firstThree.repliesLost, 3);
    EXPECT_EQ(Count({firstThree.lost.begin(), firstThree.lost.begin() + 3}), 3);
    EXPECT_EQ(std::vector<bool>(shareAfterThree.lost.begin() + 3, shareAfterThree.lost.end()), shareAlone.lost);
    // Every reply lost, yet each power command acted: the unit holds the stream's last code.
    EXPECT_EQ(all.power, 32768 + (m - 5));
    EXPECT_EQ(none.power, all.power);
}

TEST(UnitSim, SensorValuesDecodeToWhatWasSetOnEitherFirmware) {
    for (const char* firmware : {"4.11", "1.50"}) {
        UnitModel unit;
        unit.firmware = firmware;
        unit.Answer("V550,0,800,0");
        unit.Answer("S1;1");
        unit.Answer("S3;1");
        unit.leakage[2] = 0.5;
        cORUN link;
        Identify(link, firmware);
        link.setGasCalEnabled(true);
        link.setEmissionOn(0, 1);
        link.setEmissionOn(2, 1);
        Reply(link, unit.Answer("D"));
        EXPECT_NEAR(link.EmissionCurrent(0), 5.5, 0.01) << firmware;
        EXPECT_NEAR(link.EmissionCurrent(2), 8.0, 0.01) << firmware;
        EXPECT_NEAR(link.LeakageCurrent(2), 0.5, 0.01) << firmware;
        EXPECT_EQ(link.ORUNSensorOn(0), 1);
        EXPECT_EQ(link.ORUNSensorOn(1), 0);
        EXPECT_EQ(link.ORUNSensorOn(2), 1);
    }
    UnitModel unit;
    unit.Answer("S2;1");
    cORUN link;
    Identify(link);
    link.setGasCalEnabled(true);
    link.setEmissionOn(1, 1);
    Reply(link, unit.Answer("D"));
    EXPECT_NEAR(link.FilamentCurrent(1), 2.5, 0.01);
    EXPECT_NEAR(link.BiasVoltage(1), 150.0, 0.01);
    EXPECT_NEAR(link.SensorPower(1), 20.0, 0.01);
}

TEST(UnitSim, ReplyBodiesCutAsTheStationCutsThemHoldExactlyTheFields) {
    UnitModel unit;
    const QString d = unit.Answer("D");
    const QString dBody = d.mid(2, d.size() - 4);  // without the first two and last two
    EXPECT_EQ(dBody.split(',').size(), 21);
    const QString g = unit.Answer("G");
    const QString gBody = g.mid(2, g.size() - 4);
    EXPECT_EQ(gBody.split(';').size(), 8);
    EXPECT_EQ(gBody.split(';')[0].split(',').size(), 6);
    // The calibration window drops the last character and takes field channel + 2.
    EXPECT_EQ(g.left(g.size() - 1).split(';')[7 + 1], gBody.split(';')[7]);
    // Input and channel replies carry no trailer: their last field is exactly "1" or "0".
    unit.inputs = 1 << 12;
    EXPECT_TRUE(unit.Answer("M").endsWith(",1"));
    EXPECT_TRUE(unit.Answer("A").endsWith(",1"));
}

TEST(UnitSim, PowerDrivesCountsThroughTheLagAndReadingsFollowTheirPeriod) {
    ManualClock clock;
    UnitModel unit;
    clock.attach(unit);
    unit.plant.params.lagSeconds = 1.0;
    unit.Answer("H1,1000");
    unit.Answer("B1,100,0");  // 300 ms on firmware 4.11
    EXPECT_EQ(unit.periodMs[0], 300);

    cORUN link;
    Identify(link);
    EXPECT_EQ(unit.Answer("F").toStdString(), "F1");
    Reply(link, unit.Answer("G"));
    const int32_t idle = link.ChanCounts(0, 0);
    EXPECT_EQ(link.ChanCounts(0, 1), 150);  // the period in 2 ms units
    EXPECT_EQ(unit.Answer("F").toStdString(), "F0");
    EXPECT_EQ(unit.Answer("G").toStdString(), "G;;;;;;;;;;");  // nothing new yet
    clock.ms += 100;  // channels 2..8 (100 ms) are due again, channel 1 (300 ms) is not
    EXPECT_EQ(unit.Answer("F").toStdString(), "F1");
    EXPECT_TRUE(unit.Answer("G").startsWith("G;;"));

    unit.Answer("K65534,32767,32767,32767,32767,32767");
    clock.ms += 1000;  // one time constant
    Reply(link, unit.Answer("G"));
    const int32_t oneTau = link.ChanCounts(0, 0);
    clock.ms += 20000;
    Reply(link, unit.Answer("G"));
    const int32_t settled = link.ChanCounts(0, 0);
    EXPECT_NEAR(settled - idle, 10000, 10);  // full signal: 1000 units at 10 counts each
    EXPECT_NEAR(static_cast<double>(oneTau - idle) / (settled - idle), 1 - std::exp(-1.0), 0.01);
    // The repeat form gives the same reading again.
    EXPECT_EQ(unit.Answer("g"), unit.Answer("g"));

    // Before firmware 2.00 the counts fall as the light grows, and no gas counts come.
    UnitModel old;
    clock.attach(old);
    old.firmware = "1.50";
    old.Answer("H1,1000");
    old.Answer("K65534");
    old.Answer("G");
    clock.ms += 20000;
    const QStringList fields = old.Answer("G").split(';')[1].split(',');
    EXPECT_EQ(fields[0].toInt(), 20000 - 10000 - 100);
    EXPECT_EQ(fields[4].toInt(), 0);
}

TEST(UnitSim, AbsurdSettingsStayInRangeAndEveryReplyInItsFrame) {
    UnitModel unit;
    unit.Answer("B1,800000000");
    unit.Answer("B2,1e300");
    EXPECT_EQ(unit.periodMs[0], INT32_MAX);
    EXPECT_EQ(unit.periodMs[1], INT32_MAX);

    // Counts of ten digits on every channel make a reading longer than a frame holds:
    // it is cut to the longest text, never replaced by a bare acknowledgement.
    for (int ch = 1; ch <= 8; ++ch) unit.Answer(QString("C%1,-2000000000").arg(ch));
    UnitSim sim;
    const QString reading = unit.Answer("G");
    ASSERT_GT(reading.size(), OrunFrame::kMaxText);
    FrameCollector rx;
    bool closed = false;
    for (char c : sim.ReplyBytes(reading)) closed = rx.Feed(static_cast<uint8_t>(c));
    ASSERT_TRUE(closed);
    EXPECT_TRUE(rx.CheckOk());
    EXPECT_EQ(rx.Text().size(), OrunFrame::kMaxText);
    EXPECT_EQ(QString::fromLatin1(rx.Text().data(), rx.Text().size()), "A" + reading.left(OrunFrame::kMaxText - 1));
}
