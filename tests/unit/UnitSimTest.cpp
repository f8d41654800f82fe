// The emulator's replies read back through the link's own parser, as the station reads
// the real unit's.
#include "unit/LinkHarness.h"
#include "unitsim/UnitModel.h"
#include "unitsim/UnitSim.h"

#include <QTcpSocket>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <numeric>
#include <tuple>
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

namespace {

using Fault = UnitSim::ReplyFault;

// Commands "M" sent one at a time over TCP to an emulator whose line spoils a share of its
// replies; before command i the unit's inputs are set to i, so each good reply on the wire
// names the command it answers. What each command's reply met (from the emulator's own
// counters, settled before the next command goes out), and what reached the station's
// side: the good frames in order, the closed frames that fail their check, and the frames
// begun without an end.
struct LineRun {
    std::vector<std::vector<bool>> hit;  // by kind, then by command
    std::vector<int> good;               // the command each good frame answers, in order
    int bad = 0;
    int starts = 0, ends = 0;  // "!" and LF bytes on the wire
    int64_t sent = 0;
};

constexpr int kInputsMask = (1 << 13) - 1;

LineRun RunLine(const std::vector<std::tuple<Fault, double, uint32_t>>& shares, int commands) {
    UnitSim sim;
    LineRun run;
    run.hit.assign(std::size(UnitSim::kReplyFaults), std::vector<bool>(static_cast<size_t>(commands)));
    if (!sim.ListenTcp()) {
        ADD_FAILURE() << "the emulator cannot listen";
        return run;
    }
    QTcpSocket station;
    QByteArray wire;
    QObject::connect(&station, &QTcpSocket::readyRead, [&] { wire += station.readAll(); });
    station.connectToHost(QHostAddress::LocalHost, sim.TcpPort());
    station.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    if (!WaitUntil([&] { return sim.TcpConnections() == 1; }, 30000)) {
        ADD_FAILURE() << "no link to the emulator";
        return run;
    }
    for (const auto& [kind, share, seed] : shares) sim.setFaultShare(kind, share, seed);
    const auto send = [&](const QString& command) {
        const qsizetype taken = sim.Commands().size();
        station.write(OrunFrame::BuildFrame(command.toLatin1()));
        return WaitUntil([&] { return sim.Commands().size() > taken; }, 30000);
    };
    for (int i = 0; i < commands; ++i) {
        std::vector<int64_t> before;
        for (Fault f : UnitSim::kReplyFaults) before.push_back(sim.RepliesFaulted(f));
        sim.Model().inputs = i & kInputsMask;
        if (!send(QStringLiteral("M"))) {
            ADD_FAILURE() << "command " << i << " was never taken";
            return run;
        }
        for (size_t k = 0; k < before.size(); ++k)
            run.hit[k][static_cast<size_t>(i)] = sim.RepliesFaulted(UnitSim::kReplyFaults[k]) > before[k];
    }
    run.sent = sim.RepliesSent();
    // Two last commands answered for sure (a reply held back as late goes out after the
    // first): once the second's reply is in, everything before it that was going to come
    // has come.
    sim.ClearFaultShares();
    send(QStringLiteral("@"));
    send(QStringLiteral("@"));
    const QByteArray identity = OrunFrame::BuildFrame("AORUN 4.11");
    EXPECT_TRUE(WaitUntil([&] { return wire.count(identity) == 2 && wire.endsWith(identity); }, 30000));
    FrameCollector rx;
    for (char c : wire) {
        run.starts += c == '!';
        run.ends += c == '\n';
        if (!rx.Feed(static_cast<uint8_t>(c))) continue;
        if (!rx.CheckOk()) {
            ++run.bad;
            continue;
        }
        const QString text = QString::fromLatin1(rx.Text().data(), rx.Text().size());
        if (!text.startsWith(QLatin1String("AM"))) continue;  // the last two "@"
        int inputs = 0;
        const QStringList bits = text.mid(2).split(QLatin1Char(','));
        for (int n = 0; n < bits.size(); ++n) inputs |= (bits[n] == QLatin1String("1")) << n;
        run.good.push_back(inputs);
    }
    return run;
}

const std::vector<bool>& Hits(const LineRun& r, Fault f) { return r.hit[static_cast<size_t>(f)]; }

}  // namespace

// Each fault of a bad line does on the wire what it says, to its seeded share: lost
// replies never come, garbled and altered ones close but fail their check, cut ones begin
// without an end, a duplicated one comes twice in a row, a late one right after the reply
// to the next command. The same seed spoils the same replies; another seed, or another
// kind given the same seed, others; and a kind's pattern stays its own beside another's.
TEST(UnitSim, EachFaultOfABadLineDoesWhatItSaysToItsSeededShare) {
    constexpr int n = 400;
    constexpr double share = 0.2;
    for (const Fault kind : UnitSim::kReplyFaults) {
        SCOPED_TRACE(UnitSim::FaultName(kind));
        const LineRun r = RunLine({{kind, share, 7}}, n);
        const std::vector<bool>& hit = Hits(r, kind);
        const auto hits = static_cast<int>(Count(hit));
        EXPECT_GE(hits, n * 14 / 100);
        EXPECT_LE(hits, n * 26 / 100);
        // No other kind hit anything.
        for (const Fault other : UnitSim::kReplyFaults) {
            if (other == kind) continue;
            EXPECT_EQ(Count(Hits(r, other)), 0) << UnitSim::FaultName(other);
        }
        // Repeatable by the seed, another seed another pattern, the same seed on another
        // kind too.
        EXPECT_EQ(RunLine({{kind, share, 7}}, n).hit, r.hit);
        EXPECT_NE(Hits(RunLine({{kind, share, 8}}, n), kind), hit);
        const Fault next = kind == Fault::Late ? Fault::Lost : UnitSim::kReplyFaults[static_cast<size_t>(kind) + 1];
        EXPECT_NE(Hits(RunLine({{next, share, 7}}, n), next), hit) << UnitSim::FaultName(next);

        // What reached the station, the last two "@" included.
        std::vector<int> spoiled, untouched;
        for (int i = 0; i < n; ++i) (hit[static_cast<size_t>(i)] ? spoiled : untouched).push_back(i);
        const int frames = n + 2;
        switch (kind) {
        case Fault::Lost:
            EXPECT_EQ(r.good, untouched);
            EXPECT_EQ(r.sent, n - hits);
            EXPECT_EQ(r.starts, frames - hits);
            break;
        case Fault::Garbled:
        case Fault::Altered:
            EXPECT_EQ(r.good, untouched);
            EXPECT_EQ(r.bad, hits);
            EXPECT_EQ(r.ends, frames);
            break;
        case Fault::Cut:
            EXPECT_EQ(r.good, untouched);
            EXPECT_EQ(r.bad, 0);
            EXPECT_EQ(r.starts, frames);
            EXPECT_EQ(r.ends, frames - hits);  // the cut ones never end
            break;
        case Fault::Duplicated: {
            std::vector<int> twice;
            for (int i = 0; i < n; ++i) {
                twice.push_back(i);
                if (hit[static_cast<size_t>(i)]) twice.push_back(i);
            }
            EXPECT_EQ(r.good, twice);
            EXPECT_EQ(r.sent, n);
            break;
        }
        case Fault::Late: {
            // Every reply comes once; a late one comes after the next command's reply
            // (itself late or not, that one is gone by then) and before any later one.
            ASSERT_EQ(r.good.size(), static_cast<size_t>(n));
            std::vector<int> sorted = r.good;
            std::sort(sorted.begin(), sorted.end());
            EXPECT_EQ(sorted, [] { std::vector<int> v(n); std::iota(v.begin(), v.end(), 0); return v; }());
            std::vector<size_t> at(n);
            for (size_t p = 0; p < r.good.size(); ++p) at[static_cast<size_t>(r.good[p])] = p;
            for (int i = 0; i + 2 < n; ++i) {
                const auto u = static_cast<size_t>(i);
                if (hit[u] && !hit[u + 1]) {
                    EXPECT_EQ(at[u], at[u + 1] + 1) << i;
                } else if (hit[u]) {
                    EXPECT_LT(at[u], at[u + 2]) << i;
                } else if (i > 1 && !hit[u - 1] && !hit[u - 2]) {
                    EXPECT_EQ(at[u], at[u - 1] + 1) << i;  // in its place when nothing is held
                }
            }
            EXPECT_NE(r.good, untouched);  // some came out of order
            break;
        }
        }
    }

    // Garbled beside lost: the lost replies take no other fault, and every other reply is
    // garbled exactly as without the loss.
    const LineRun alone = RunLine({{Fault::Garbled, 0.3, 5}}, n);
    const LineRun beside = RunLine({{Fault::Garbled, 0.3, 5}, {Fault::Lost, 0.2, 9}}, n);
    for (size_t i = 0; i < static_cast<size_t>(n); ++i) {
        if (Hits(beside, Fault::Lost)[i]) {
            EXPECT_FALSE(Hits(beside, Fault::Garbled)[i]) << i;
        } else {
            EXPECT_EQ(Hits(beside, Fault::Garbled)[i], Hits(alone, Fault::Garbled)[i]) << i;
        }
    }
    EXPECT_EQ(beside.good.size() + static_cast<size_t>(beside.bad), static_cast<size_t>(n - Count(Hits(beside, Fault::Lost))));
    // Duplicated and late together: both copies come after the next reply.
    const LineRun both = RunLine({{Fault::Duplicated, 1.0, 1}, {Fault::Late, 1.0, 1}}, 3);
    EXPECT_EQ(both.good, (std::vector<int>{0, 0, 1, 1, 2, 2}));
    // Shares are clamped as the loss's are.
    UnitSim sim;
    for (const Fault kind : UnitSim::kReplyFaults) {
        sim.setFaultShare(kind, 7.0, 1);
        EXPECT_EQ(sim.FaultShare(kind), 1.0);
        sim.setFaultShare(kind, std::nan(""), 1);
        EXPECT_EQ(sim.FaultShare(kind), 0.0);
    }
}
