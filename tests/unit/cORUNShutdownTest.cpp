// The shutdown's stop on the link: zero powers and emission off sent ahead of everything,
// past a reply that never came, and again while their replies stay out. Time is the fixed
// clock's. (The last exchange, with its relay word and its bound, is tested end to end
// with the program against the emulator; here only that it waits for no unit that never
// answered.)
#include "support/DialogRecorder.h"
#include "support/TempProgramFolder.h"
#include "unit/LinkHarness.h"
#include "unitsim/UnitSim.h"

#include "platform/Clock.h"
#include "platform/Winsock.h"

#include <QFile>
#include <QTcpServer>
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

    // A station whose unit never answered (none attached) has driven nothing: its exit
    // does not wait for a stop nobody takes, and reports nothing.
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const quint16 port = closed.serverPort();
    closed.close();
    cORUN absent;
    Winsock socket;
    EXPECT_FALSE(absent.CommInit(10, port, "127.0.0.1", &socket));
    absent.SendGetVersion();
    absent.setTerminate(true);
    const int64_t start = TickMs();
    absent.FinishShutdown(OrunTiming::ShutdownStopMs);
    EXPECT_EQ(TickMs(), start);
    EXPECT_FALSE(QFile::exists(folder.file("ERRORS.TXT")));
}
