// The link against the unit emulator, end to end: over TCP through the socket control,
// and over a pseudo-terminal through the serial path, polled the way the main window
// polls it.
#include "support/DialogRecorder.h"
#include "support/TempProgramFolder.h"
#include "unit/LinkHarness.h"
#include "unitsim/UnitSim.h"

#include "platform/Winsock.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// The parts of the main window that drive the link: the socket handler that feeds the
// received bytes in, the 90 ms poll, the reading request on "F1", and the link reset on a
// time-out.
struct Station {
    cORUN link;
    Winsock socket;
    QTimer poll;
    int readings = 0;
    int timeouts = 0;
    QList<int32_t> mainCounts;

    Station() {
        QObject::connect(&socket, &Winsock::DataArrival, [this](int bytesTotal) {
            if (link.CommPort() != 10 || bytesTotal < 1) return;
            for (char c : socket.GetData(bytesTotal)) link.ParseResponse(static_cast<uint8_t>(c));
        });
        poll.setInterval(90);
        QObject::connect(&poll, &QTimer::timeout, [this] {
            link.SendReadSensors();
            link.SendReadDigitalInputs();
            link.SendCheckReading();
        });
        QObject::connect(&link, &cORUN::ORUNResponse, [this](const QString& r) {
            if (r.startsWith("ORUN") && link.Version() >= 410) poll.start();
            if (r == "F1") link.SendGetReading();
            if (r.startsWith('G') || r.startsWith('g')) {
                ++readings;
                mainCounts << link.ChanCounts(0, 0);
            }
        });
        QObject::connect(&link, &cORUN::ORUNError, [this](int type, int num) {
            if (type != 0 || num != 0) return;
            ++timeouts;
            link.CommInit(link.CommPort(), link.ePort(), link.EAddress(), &socket);
            link.SendGetVersion();
        });
    }

    bool ReadingsGrowBy(int n, int timeoutMs) {
        const int target = readings + n;
        return WaitUntil([&] { return readings >= target; }, timeoutMs);
    }
};

// Identification, the poll cycle, and a power that raises the channel's next readings.
void RunAgainst(UnitSim& unit, Station& station) {
    cORUN& link = station.link;
    link.SendGetVersion();
    ASSERT_TRUE(WaitUntil([&] { return link.Version() == 411 && link.ChanActive(0); }, 3000));
    EXPECT_TRUE(unit.Commands().contains("A"));

    ASSERT_TRUE(station.ReadingsGrowBy(3, 3000));
    EXPECT_TRUE(unit.Commands().contains("D"));
    EXPECT_TRUE(unit.Commands().contains("M"));
    EXPECT_TRUE(unit.Commands().contains("F"));
    EXPECT_TRUE(unit.Commands().contains("G"));
    EXPECT_DOUBLE_EQ(link.ChanPeriod(0), 0.1);

    link.setPMTVolts(0, 1000);
    link.setFullScale(0, 10.0);
    link.setMaxPower(0, 100.0);
    link.setPower(0, 100.0);
    link.SendPower();
    ASSERT_TRUE(WaitUntil([&] { return unit.Model().powerCode[0] == 65534; }, 2000));
    EXPECT_EQ(unit.Model().pmtVolts[0], 1000);
    station.mainCounts.clear();
    ASSERT_TRUE(station.ReadingsGrowBy(8, 5000));
    const QList<int32_t> counts = station.mainCounts;
    // The source's light comes up through its lag: the counts climb reading by reading.
    EXPECT_GT(counts.last(), counts.first() + 2000);
    for (int i = 1; i < counts.size(); ++i) EXPECT_GE(counts[i], counts[i - 1]);
    EXPECT_EQ(station.timeouts, 0);
}

}  // namespace

TEST(UnitLinkEndToEnd, OverTcpWithTheEmulatorInProcess) {
    TempProgramFolder folder;
    DialogRecorder boxes;
    UnitSim unit;
    unit.Model().plant.params.lagSeconds = 0.3;
    ASSERT_TRUE(unit.ListenTcp(QHostAddress::LocalHost, 0));
    Station station;
    ASSERT_TRUE(station.link.CommInit(10, unit.TcpPort(), "127.0.0.1", &station.socket));
    EXPECT_EQ(station.socket.State(), Winsock::sckConnected);
    RunAgainst(unit, station);
    EXPECT_EQ(boxes.count(), 0);
}

TEST(UnitLinkEndToEnd, OverAPseudoTerminalThroughTheSerialPath) {
    TempProgramFolder folder;
    DialogRecorder boxes;
    UnitSim unit;
    unit.Model().plant.params.lagSeconds = 0.3;
    const QString device = unit.OpenPty();
    ASSERT_FALSE(device.isEmpty());
    qputenv("ORUN_COM3", device.toLocal8Bit());
    Station station;
    ASSERT_TRUE(station.link.CommInit(3, 0, QString()));
    RunAgainst(unit, station);
    qunsetenv("ORUN_COM3");
    EXPECT_EQ(boxes.count(), 0);

    // A port that is not there: CommInit says so, and the link ends in a time-out.
    qputenv("ORUN_COM4", QByteArray("/nonexistent/tty"));
    cORUN lonely;
    EXPECT_FALSE(lonely.CommInit(4, 0, QString()));
    qunsetenv("ORUN_COM4");
}

TEST(UnitLinkEndToEnd, UnitFaultsAreRecoveredByTheLink) {
    TempProgramFolder folder;
    DialogRecorder boxes;
    UnitSim unit;
    ASSERT_TRUE(unit.ListenTcp(QHostAddress::LocalHost, 0));
    Station station;
    cORUN& link = station.link;
    LinkLog log(link);
    ASSERT_TRUE(link.CommInit(10, unit.TcpPort(), "127.0.0.1", &station.socket));
    link.SendGetVersion();
    ASSERT_TRUE(WaitUntil([&] { return link.Version() == 411; }, 3000));
    ASSERT_TRUE(station.ReadingsGrowBy(1, 3000));

    // A garbled reading is asked for again in its repeat form, and the poll carries on.
    unit.ClearCommands();
    QObject::connect(&unit, &UnitSim::CommandReceived, [&](const QString& c) {
        if (c == "G" && !unit.Commands().contains("g")) unit.CorruptNextReplies(1);
    });
    ASSERT_TRUE(WaitUntil([&] { return unit.Commands().contains("g"); }, 3000));
    EXPECT_TRUE(log.errors().contains("0,1"));
    // Replies broken off by a new "!", without their "A", or followed by a stray LF.
    unit.InterruptNextReplies(2);
    unit.StrayLineFeedNextReplies(2);
    ASSERT_TRUE(station.ReadingsGrowBy(2, 3000));
    unit.OmitAckNextReplies(1);
    ASSERT_TRUE(station.ReadingsGrowBy(2, 3000));

    // The unit drops off the network: the link times out (5000 ms after identification),
    // the reset connects the same socket again and the unit identifies itself anew.
    unit.DropConnections();
    ASSERT_TRUE(WaitUntil([&] { return station.timeouts >= 1; }, 8000));
    ASSERT_TRUE(WaitUntil([&] { return link.Version() == 411 && unit.TcpConnections() == 1; }, 4000));
    ASSERT_TRUE(station.ReadingsGrowBy(2, 3000));
    EXPECT_EQ(boxes.count(), 0);
}

TEST(UnitLinkEndToEnd, TheEmulatorProgramServesTheLink) {
    TempProgramFolder folder;
    QProcess program;
    program.start(QStringLiteral(ORUN_BIN_DIR "/unitsim"),
                  {"--listen", "127.0.0.1:0", "--firmware", "4.09"});
    ASSERT_TRUE(program.waitForStarted(5000));
    ASSERT_TRUE(WaitUntil([&] { return program.canReadLine(); }, 5000));
    const QString line = QString::fromLatin1(program.readLine()).trimmed();
    ASSERT_TRUE(line.startsWith("listening on 127.0.0.1:")) << line.toStdString();
    const int port = line.section(':', -1).toInt();

    Station station;
    ASSERT_TRUE(station.link.CommInit(10, port, "127.0.0.1", &station.socket));
    station.link.SendGetVersion();
    EXPECT_TRUE(WaitUntil([&] { return station.link.Version() == 409; }, 3000));
    program.kill();
    program.waitForFinished(5000);
}

namespace {

// A station polling the emulator over TCP, identified, channel 1 given its period and
// output 1 its power.
struct LossyStation {
    TempProgramFolder folder;
    DialogRecorder boxes;
    UnitSim unit;
    Station station;
    cORUN& link = station.link;

    LossyStation() {
        EXPECT_TRUE(unit.ListenTcp(QHostAddress::LocalHost, 0));
        EXPECT_TRUE(link.CommInit(10, unit.TcpPort(), "127.0.0.1", &station.socket));
        link.SendGetVersion();
        EXPECT_TRUE(WaitUntil([&] { return link.Version() == 411; }, 3000));
        Reply();
        link.setFullScale(0, 10.0);
        link.setMaxPower(0, 100.0);
    }
    void Reply() { EXPECT_TRUE(WaitUntil([&] { return link.ChanActive(0); }, 3000)); }
    double Driven() { return (unit.Model().powerCode[0] - 32767) * 100.0 / 32767.0; }
};

}  // namespace

// A lost reply costs one exchange, not the link: it is asked again at the unit's pace, the
// poll's questions keep coming and no reset happens; a link that loses too much says so.
TEST(UnitLinkEndToEnd, LostRepliesAreAskedAgainAndOnlyATooPoorLinkIsGivenUp) {
    const struct {
        double share;
        bool poor;
    } cases[] = {{0.05, false}, {0.10, false}, {0.45, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.share);
        LossyStation s;
        s.link.setChanUpdate(0, 100);
        ASSERT_TRUE(s.station.ReadingsGrowBy(5, 3000));
        s.link.setPower(0, 40.0);
        s.link.SendPower();
        ASSERT_TRUE(WaitUntil([&] { return s.link.PowerConfirmed(0); }, 3000));
        QElapsedTimer clock;
        clock.start();
        qint64 lastInputs = 0, longestInputsGap = 0;
        QObject::connect(&s.unit, &UnitSim::CommandReceived, [&](const QString& cmd) {
            if (cmd != "M") return;
            longestInputsGap = std::max(longestInputsGap, clock.elapsed() - lastInputs);
            lastInputs = clock.elapsed();
        });
        bool toldPoor = false;
        QObject::connect(&s.link, &cORUN::LinkTooPoor, [&](bool poor) { toldPoor = toldPoor || poor; });
        s.unit.setLoseShare(c.share, 7);
        const int before = s.station.readings;
        ASSERT_FALSE(WaitUntil([] { return false; }, 5000));
        EXPECT_GT(s.unit.RepliesLost(), 0);
        EXPECT_EQ(toldPoor, c.poor) << s.link.LossShare() << " lost " << s.unit.RepliesLost() << " sent " << s.unit.RepliesSent();
        EXPECT_EQ(s.link.TooPoor(), c.poor);
        if (!c.poor) {
            EXPECT_EQ(s.station.timeouts, 0);
            EXPECT_LT(longestInputsGap, 3000);
            EXPECT_GT(s.station.readings, before + 10);
            // No loss looked like a restart: the unit drives the power it was given.
            EXPECT_NEAR(s.Driven(), 40.0, 0.01);
        }
        EXPECT_EQ(s.boxes.count(), 0);
    }
}

// A supply dip the link learns of without a reply time-out: the restarted unit, back at
// 0 V with its power-on periods, gets the program's state again, but its outputs climb from
// 0 at their rate instead of stepping back to the power they had.
TEST(UnitLinkEndToEnd, AUnitThatRestartedGetsItsStateAgainAndItsOutputsClimbFromZero) {
    for (int dipMs : {400, 900}) {
        SCOPED_TRACE(dipMs);
        LossyStation s;
        s.link.setChanUpdate(0, 300);
        s.link.setPMTVolts(0, 700);
        ASSERT_TRUE(s.station.ReadingsGrowBy(8, 5000));
        s.link.setPower(0, 50.0);
        s.link.SendPower();
        ASSERT_TRUE(WaitUntil([&] { return s.link.PowerConfirmed(0); }, 3000));
        int restarts = 0;
        QObject::connect(&s.link, &cORUN::UnitRestarted, [&] {
            ++restarts;
            s.link.setClimbRate(0, 10.0);
        });
        // The powers the restarted unit receives, in order.
        QList<double> after;
        QObject::connect(&s.unit, &UnitSim::CommandReceived, [&](const QString& cmd) {
            if (restarts > 0 && cmd.startsWith('K')) after << s.Driven();
        });
        s.unit.Brownout(dipMs);
        // The program goes on setting its power as a loop would.
        QTimer again;
        QObject::connect(&again, &QTimer::timeout, [&] {
            s.link.setPower(0, 50.0);
            s.link.SendPower();
        });
        again.start(90);
        ASSERT_TRUE(WaitUntil([&] { return restarts == 1 && after.size() >= 3; }, 5000));
        EXPECT_EQ(s.station.timeouts, 0);
        // The first power is no step: at most where a climb at 10 %/s from the restart stands.
        EXPECT_LT(after.first(), 2.0);
        for (int i = 1; i < after.size(); ++i) EXPECT_GE(after[i], after[i - 1] - 0.01);
        // Detector volts and period given again; the climb goes on to the power set.
        EXPECT_EQ(s.unit.Model().pmtVolts[0], 700);
        EXPECT_EQ(s.unit.Model().periodMs[0], 300);
        ASSERT_TRUE(WaitUntil([&] { return !s.link.Climbing(0) && std::abs(s.Driven() - 50.0) < 0.01; }, 10000));
        EXPECT_EQ(restarts, 1);
    }
}

// A detector the unit once reported inactive is active again as soon as it reads: the
// channel states are asked again and the channel is given its period once more.
TEST(UnitLinkEndToEnd, AChannelThatReadsAgainIsActiveAgain) {
    LossyStation s;
    s.link.setChanUpdate(0, 300);
    ASSERT_TRUE(WaitUntil([&] { return s.unit.Model().periodMs[0] == 300; }, 3000));
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        s.unit.Model().active[0] = false;
        s.link.SendReadChannels();
        ASSERT_TRUE(WaitUntil([&] { return !s.link.ChanActive(0); }, 3000));
        // It comes back at its power-on period, as after a fault of its own.
        s.unit.Model().periodMs[0] = 100;
        s.unit.Model().active[0] = true;
        ASSERT_TRUE(WaitUntil([&] { return s.link.ChanActive(0) && s.unit.Model().periodMs[0] == 300; }, 3000));
        EXPECT_FALSE(s.link.NoPMTs());
        ASSERT_TRUE(s.station.ReadingsGrowBy(3, 3000));
        EXPECT_TRUE(s.link.ChanActive(0));
    }
    EXPECT_EQ(s.boxes.count(), 0);
}
