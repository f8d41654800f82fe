// The shutdown's stop on the link: zero powers, emission off and, at the last exchange,
// the relay word, sent ahead of everything, past a reply that never came, again while
// their replies stay out, and given up (in the error report) only when the unit answered
// nothing for longer than a reply time-out. Time is the fixed clock's.
#include "support/DialogRecorder.h"
#include "support/TempProgramFolder.h"
#include "unit/LinkHarness.h"
#include "unitsim/UnitSim.h"

#include "platform/Clock.h"
#include "platform/Winsock.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

const QString kZeros = QStringLiteral("K32767,32767,32767,32767,32767,32767");
const QString kZeros78 = QStringLiteral("W32767,32767");
const QStringList kEmissionOff = {"S1;0", "S2;0", "S3;0", "S4;0"};

class cORUNShutdown : public ::testing::Test {
protected:
    cORUNShutdown() { Clock::SetFixed(QDateTime(QDate(2026, 5, 4), QTime(14, 0, 0)), Clock::Timers::FollowClock); }
    ~cORUNShutdown() override { Clock::UseSystem(); }

    TempProgramFolder folder;
    DialogRecorder boxes;
};

}  // namespace

// The first pass of the exit, on a link whose last reply was lost: nothing waits for that
// reply any more. Late or doubled answers do not count for the stop; a garbled one asks
// again; the poll's requests stay home.
TEST_F(cORUNShutdown, TheStopGoesOutPastALostReplyAndAgainUntilTheUnitTakesIt) {
    cORUN link;
    Identify(link);
    link.setFullScale(0, 10.0);
    link.setMaxPower(0, 100.0);
    link.setPower(0, 60.0);
    link.SendPower();
    AnswerAll(link);
    LinkLog log(link);

    link.SendReadSensors();  // its reply is lost
    link.SendCheckReading();
    link.setRelay(2, true);
    link.SendRelays();
    link.setEmissionOn(2, 2);  // waits with its set point: the stop's "S3;0" replaces it
    link.setTerminate(true);
    ASSERT_EQ(log.commands(), QStringList({"D", kZeros}));
    EXPECT_DOUBLE_EQ(link.Power(0), 0.0);
    link.SendCheckReading();  // the poll's request is not sent at the end
    link.setPower(0, 80.0);   // nor is a power
    EXPECT_DOUBLE_EQ(link.Power(0), 0.0);

    // Unanswered, the stop goes out again every 500 ms, and nobody is told of a time-out.
    Clock::Advance(499);
    EXPECT_EQ(log.commands().size(), 2);
    Clock::Advance(1);
    EXPECT_EQ(log.commands(), QStringList({"D", kZeros, kZeros}));
    // The lost sensor reply arrives after all, then the first power reply of the two:
    // the sensor reply answers nothing the stop sent.
    Reply(link, "D;1,2,3");
    EXPECT_EQ(link.CommStatus(), 1);
    Reply(link, "K");
    EXPECT_EQ(log.commands().last(), kZeros78);
    // The second power reply is the late answer to the repeat: W still waits for its own.
    Reply(link, "K");
    EXPECT_EQ(log.commands().last(), kZeros78);
    // A garbled answer asks at once.
    UnitSim garbler;
    garbler.CorruptNextReplies(1);
    Feed(link, garbler.ReplyBytes("W"));
    EXPECT_EQ(log.commands().mid(3), QStringList({kZeros78, kZeros78}));
    // Then emission off, and the relay word that waited (the stop carries none before
    // the last exchange); the emission switched on meanwhile does not follow the stop.
    AnswerAll(link);
    EXPECT_EQ(log.commands().mid(5), kEmissionOff + QStringList{"N0,0,1,0,0,0,0,0,0,0,0,0"});
    EXPECT_EQ(link.CommStatus(), 0);
    Clock::Advance(20000);
    EXPECT_TRUE(log.errors().filter("0,0").isEmpty()) << log.text();
    EXPECT_EQ(log.commands().size(), 10);
    EXPECT_EQ(boxes.count(), 0);
}

// The last exchange over TCP against the emulator: replies lost, garbled or cut short at
// the moment of the exit still leave the unit stopped; a unit that answers nothing for
// the whole bound is given up, in the error report and without a message.
TEST_F(cORUNShutdown, TheLastExchangeReachesTheUnitThroughEachDisturbanceOrIsReported) {
    struct Case {
        const char* what;
        std::function<void(UnitSim&)> disturb;
        bool taken;
    } cases[] = {
        {"replies lost", [](UnitSim& u) { u.LoseNextReplies(4); }, true},
        {"replies garbled", [](UnitSim& u) { u.CorruptNextReplies(6); }, true},
        {"replies cut short", [](UnitSim& u) { u.TruncateNextReplies(3); }, true},
        {"unit silent", [](UnitSim& u) { u.setSilent(true); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(folder.file("ERRORS.TXT"));
        UnitSim unit;
        ASSERT_TRUE(unit.ListenTcp());
        cORUN link;
        Winsock socket;
        QObject::connect(&socket, &Winsock::DataArrival, [&](int n) {
            for (char ch : socket.GetData(n)) link.ParseResponse(static_cast<uint8_t>(ch));
        });
        ASSERT_TRUE(link.CommInit(10, unit.TcpPort(), "127.0.0.1", &socket));
        link.SendGetVersion();
        ASSERT_TRUE(WaitUntil([&] { return link.Version() == 411 && link.CommStatus() == 0; }, 5000));
        // A run's state in the unit: output 1 at 45 %, a relay word with its shutter, a sensor on.
        link.setFullScale(0, 10.0);
        link.setMaxPower(0, 100.0);
        link.setPower(0, 45.0);
        link.SendPower();
        link.setRelay(0, true);
        link.setRelay(4, true);
        link.SendRelays();
        link.setGasCalEnabled(true);
        link.setEmissionSetPt(0, 5.0);
        link.setEmissionOn(0, 2);
        ASSERT_TRUE(WaitUntil([&] { return link.CommStatus() == 0 && unit.Model().emission[0]; }, 5000));
        ASSERT_EQ(unit.Model().relays, 0b10001);

        c.disturb(unit);
        link.SendReadSensors();
        ASSERT_TRUE(WaitUntil([&] { return unit.Commands().last() == "D"; }, 5000));
        link.setTerminate(true);
        // The shutdown's relays: only "Process Stopped" stays on.
        link.setRelay(4, false);
        link.SendRelays();
        const int64_t start = TickMs();
        EXPECT_EQ(link.FinishShutdown(OrunTiming::ShutdownStopMs), c.taken);
        const int64_t took = TickMs() - start;
        const QByteArray report = folder.read("ERRORS.TXT");
        if (c.taken) {
            for (int o = 0; o <= 7; ++o) EXPECT_EQ(unit.Model().powerCode[o], 32767) << "output " << o;
            EXPECT_EQ(unit.Model().relays, 0b1);
            for (int s = 0; s <= 3; ++s) EXPECT_FALSE(unit.Model().emission[s]) << "sensor " << s;
            EXPECT_LT(took, OrunTiming::IdentifiedMs);
            EXPECT_TRUE(report.isEmpty()) << report.data();
        } else {
            EXPECT_GE(took, OrunTiming::ShutdownStopMs);
            EXPECT_TRUE(report.contains("The unit did not take the shutdown's stop")) << report.data();
            EXPECT_TRUE(report.contains("cORUN_FinishShutdown")) << report.data();
            // Asked again and again all the while, never more often than every 500 ms.
            const int stops = static_cast<int>(unit.Commands().count(kZeros));
            EXPECT_GE(stops, OrunTiming::ShutdownStopMs / OrunTiming::StopResendMs - 2);
            EXPECT_LE(stops, OrunTiming::ShutdownStopMs / OrunTiming::StopResendMs + 3);
        }
    }
    EXPECT_EQ(boxes.count(), 0) << boxes.prompts().join('|').toStdString();
}
