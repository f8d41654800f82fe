// One command in flight, the queue behind it, the identification reply and bad frames.
#include "support/DialogRecorder.h"
#include "support/TempProgramFolder.h"
#include "unit/LinkHarness.h"

#include "app/SettingsGlobals.h"
#include "platform/Clock.h"
#include "platform/ccrpTimer.h"

#include <QFile>
#include <QPointer>
#include <gtest/gtest.h>
#include <random>

namespace {
ccrpTimer* ReplyTimer(cORUN& link) { return link.findChild<ccrpTimer*>(QStringLiteral("ORUNTimer")); }
}  // namespace

TEST(cORUNQueue, OneCommandInFlightAndEachReplySendsTheNextBeforeItIsReported) {
    DialogRecorder boxes;
    cORUN link;
    link.setEnabled(true);
    LinkLog log(link);
    link.SendReadSensors();
    link.SendReadDigitalInputs();
    link.SendCheckReading();
    EXPECT_EQ(log.commandText(), "D");
    EXPECT_EQ(link.CommStatus(), 1);
    QString front;
    EXPECT_TRUE(link.Front(front));
    EXPECT_EQ(front, "M");

    Reply(link, "D;1,2,3");
    Reply(link, "M0,0,0");
    Reply(link, "F0");
    EXPECT_EQ(log.text(), "cmd D | cmd M | rsp D;1,2,3 | cmd F | rsp M0,0,0 | rsp F0");
    EXPECT_EQ(link.CommStatus(), 0);
    EXPECT_FALSE(link.Front(front));
    EXPECT_EQ(link.Command(), "F");
    EXPECT_EQ(link.Response(), "F0");
    EXPECT_EQ(boxes.count(), 0);
}

// Bytes handed over in runs of any length are taken exactly as byte by byte: the same
// frames, good and bad, the same replies and resends, in the same order. A handler that
// releases the link ends the run there: nothing after it is touched.
TEST(cORUNQueue, RunsOfBytesAreTakenAsByteByByteAndStopWhereTheLinkIsReleased) {
    std::mt19937 rng(3103);
    QByteArray line;
    const char* texts[] = {"D1,2,3;4,5;;", "M0,1,0,1", "F1", "G;1,2,3,4,5,6;;;;;;;;;", "F0", "O"};
    for (int n = 0; n < 60; ++n) {
        QByteArray frame = OrunFrame::BuildFrame(QByteArray("A") + texts[rng() % 6]);
        switch (rng() % 6) {
        case 0: frame[frame.size() - 3] = static_cast<char>(frame[frame.size() - 3] ^ 1); break;  // bad check
        case 1: frame.prepend("noise!"); break;  // a broken-off frame before it
        case 2: frame.append('\n'); break;       // a stray line feed after it
        default: break;
        }
        line += frame;
    }
    cORUN byByte, byRuns;
    LinkLog expected(byByte), got(byRuns);
    for (cORUN* link : {&byByte, &byRuns}) {
        Identify(*link);
        link->SendCheckReading();
    }
    expected.clear();
    got.clear();
    Feed(byByte, line);
    for (qsizetype at = 0; at < line.size();) {
        const qsizetype run = std::min<qsizetype>(1 + rng() % 40, line.size() - at);
        byRuns.ParseResponses(QByteArrayView(line).sliced(at, run));
        at += run;
    }
    EXPECT_GT(expected.lines.size(), 60);
    EXPECT_EQ(got.text(), expected.text());

    // The first reply of a run releases the link; the second frame of the run is never read.
    auto* doomed = new cORUN;
    Identify(*doomed);
    doomed->SendCheckReading();
    int replies = 0;
    QObject::connect(doomed, &cORUN::ORUNResponse, [&] {
        ++replies;
        delete doomed;
    });
    const QPointer<cORUN> watch(doomed);
    doomed->ParseResponses(OrunFrame::BuildFrame("AF0") + OrunFrame::BuildFrame("AF1"));
    EXPECT_TRUE(watch.isNull());
    EXPECT_EQ(replies, 1);
}

// A unit slower than the poll: nothing waits twice, so the questions come round in turn
// and a backlog never grows, and nothing that sets the unit is dropped or reordered.
TEST(cORUNQueue, NothingWaitsTwiceSoEveryQuestionComesRoundAtAnyPace) {
    cORUN link;
    link.setEnabled(true);
    LinkLog log(link);
    const auto poll = [&link] {
        link.SendReadSensors();
        link.SendReadDigitalInputs();
        link.SendCheckReading();
    };
    // Five poll ticks before the first reply: each question waits once, the one on the
    // wire is not asked again.
    for (int tick = 0; tick < 5; ++tick) poll();
    Reply(link, "D");
    for (int tick = 0; tick < 5; ++tick) poll();
    Reply(link, "M");
    poll();
    Reply(link, "F1");  // a reading is ready
    link.SendGetReading();
    EXPECT_EQ(log.commandText(), "D | M | F | D");
    // While the reading is asked for, whether one is ready is not asked, nor the reading
    // again; the questions and the reading take their turns in the order asked.
    for (int tick = 0; tick < 3; ++tick) {
        poll();
        link.SendGetReading();
    }
    for (const char* r : {"D", "M", "G;;;;;;;;;;", "D", "M", "F0"}) {
        Reply(link, r);
        poll();
    }
    EXPECT_EQ(log.commandText(), "D | M | F | D | M | G | D | M | F | D");
    AnswerAll(link);
    log.clear();

    // A command that sets the unit is not queued again while the last waiting one that
    // sets the same sets it alike; anything else waits, in order, however many wait:
    // twelve and more are all sent.
    link.SendRelays();  // on the wire
    const QString off = QStringLiteral("N0,0,0,0,0,0,0,0,0,0,0,0");
    const QString on = QStringLiteral("N1,0,0,0,0,0,0,0,0,0,0,0");
    link.SendString(off);          // waits
    link.SendString(off);          // the same: not again
    link.SendString("H1,700");     // channel 1's volts
    link.SendString("H2,700");     // channel 2's: another value of the unit
    link.SendString("H1,700");     // the last of channel 1's is alike
    link.SendString(on);
    link.SendString(off);          // differs from the last waiting relay word: it goes
    link.SendString("C1,2000");    // calibration steps always go
    link.SendString("C1,2000");
    link.SendString("X");          // free text too
    link.SendString("X");
    poll();
    for (int i = 0; i < 3; ++i) link.SendString(QStringLiteral("S%1;1").arg(i + 1));
    AnswerAll(link);
    EXPECT_EQ(log.commands(), QStringList({off, off, "H1,700", "H2,700", on, off, "C1,2000", "C1,2000", "X", "X", "D", "M",
                                           "F", "S1;1", "S2;1", "S3;1"}));
}

TEST(cORUNQueue, ASilentUnitNeverMakesAFullQueueReadAsEmpty) {
    cORUN link;
    link.setEnabled(true);
    LinkLog log(link);
    link.SendCheckReading();  // in flight; the unit says nothing for a long while
    for (int i = 0; i < 250; ++i) link.SendString(QStringLiteral("P%1").arg(i));
    QString front;
    ASSERT_TRUE(link.Front(front));
    EXPECT_EQ(front, "P151");  // the 99 newest wait, oldest first
    // The reply sends the oldest waiting; none is dropped.
    Reply(link, "F0");
    EXPECT_EQ(log.commandText(), "F | P151");
    while (link.CommStatus() == 1) Reply(link, "P");
    EXPECT_FALSE(link.Front(front));
    EXPECT_EQ(log.commands().size(), 100);
    EXPECT_EQ(log.commands().last(), "P249");
}

TEST(cORUNQueue, AnEmptyQueueHasNoFrontAfterItsSlotsWereUsedOnce) {
    cORUN link;
    link.setEnabled(true);
    link.SendCheckReading();
    // 105 commands through the queue: the ring wraps, and its slots keep what was taken.
    for (int round = 0; round < 21; ++round) {
        for (int i = 0; i < 5; ++i) link.SendString(QStringLiteral("X%1").arg(i));
        for (int i = 0; i < 5; ++i) Reply(link, "X");
    }
    QString front = QStringLiteral("stale");
    EXPECT_FALSE(link.Front(front));
    EXPECT_EQ(front, "");
}

TEST(cORUNQueue, IdentificationSetsVersionTimerAndAsksForChannels) {
    cORUN link;
    LinkLog log(link);
    ccrpTimer* timer = ReplyTimer(link);
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->Interval(), 1000);

    link.SendGetVersion();
    link.SendReadSensors();  // waits, and is dropped by the identification
    Reply(link, "ORUN 4.11");
    EXPECT_EQ(link.Version(), 411);
    EXPECT_EQ(timer->Interval(), 5000);
    EXPECT_TRUE(timer->Enabled());
    EXPECT_EQ(log.text(), "cmd @ | cmd A | rsp ORUN 4.11");

    // An "O" reply that is not the identification (the filter reply) sets nothing.
    Reply(link, "A1,1,1,1,1,1,1,1");
    Reply(link, "O1");
    EXPECT_EQ(link.Version(), 411);
    AnswerAll(link);

    // "@" forgets the version; a reply whose version is no number, or does not fit, leaves
    // the timer alone and asks for nothing.
    timer->setInterval(2000);
    link.SendGetVersion();
    EXPECT_EQ(link.Version(), 0);
    log.clear();
    Reply(link, "ORUN x.yz");
    EXPECT_EQ(link.Version(), 0);
    EXPECT_EQ(timer->Interval(), 2000);
    EXPECT_EQ(log.text(), "rsp ORUN x.yz");
    link.SendGetVersion();
    Reply(link, "ORUN 99999999999");
    EXPECT_EQ(link.Version(), 0);
    link.SendGetVersion();
    Reply(link, "ORUN 1.50");
    EXPECT_EQ(link.Version(), 150);

    // Each identification gives the unit what the program holds, whatever it missed
    // meanwhile: relays, powers, emission set points and the hand-controlled output. A
    // unit identified again may have restarted at 0 V: its outputs climb from 0, so the
    // power goes out at 0 and not in one step to where it was.
    AnswerAll(link);
    link.setRelay(3, true);
    link.setFullScale(1, 10.0);
    link.setMaxPower(1, 100.0);
    link.setPower(1, 25.0);
    link.setEmissionSetPt(2, 5.5);
    link.setHandCtrlOutput(1);
    link.SendGetVersion();  // all of that was still waiting: dropped here
    log.clear();
    Reply(link, "ORUN 4.11");
    AnswerAll(link);
    EXPECT_EQ(log.commands(), QStringList({"A", "N0,0,0,1,0,0,0,0,0,0,0,0", "K32767,32767,32767,32767,32767,32767",
                                           "W32767,32767", "V0,0,550,0", "U2,65535"}));
    EXPECT_TRUE(link.Climbing(1));
}

TEST(cORUNQueue, DisabledLinkDropsCommandsAndAnyReplyReEnablesItWithAnIdentification) {
    cORUN link;
    LinkLog log(link);
    EXPECT_FALSE(link.Enabled());
    link.SendReadSensors();
    EXPECT_TRUE(log.lines.isEmpty());
    EXPECT_EQ(link.CommStatus(), 0);
    EXPECT_TRUE(ReplyTimer(link)->Enabled());  // so a disabled link still reports time-outs

    Reply(link, "F1");
    EXPECT_TRUE(link.Enabled());
    EXPECT_EQ(log.text(), "cmd @");
}

TEST(cORUNQueue, BadFramesAreReportedAndAskedForAgain) {
    TempProgramFolder folder;
    cORUN link;
    link.setEnabled(true);
    LinkLog log(link);

    // Wrong check character: the last command goes out again.
    link.SendCheckReading();
    QByteArray bad = OrunFrame::BuildFrame("AF1");
    bad[bad.size() - 3] = static_cast<char>(bad[bad.size() - 3] ^ 1);
    Feed(link, bad);
    EXPECT_EQ(log.text(), "cmd F | err 0,1 | cmd F");
    EXPECT_EQ(link.CommStatus(), 1);

    // A garbled reading is asked for in its repeat form.
    Reply(link, "F1");
    link.SendGetReading();
    log.clear();
    bad = OrunFrame::BuildFrame("AG;1,2,3,4,5,6;;;;;;;;;");
    bad[bad.size() - 2] = static_cast<char>(bad[bad.size() - 2] ^ 1);
    Feed(link, bad);
    EXPECT_EQ(log.text(), "err 0,1 | cmd g");
    EXPECT_EQ(link.ChanCounts(0, 0), 0);

    // Right check characters but no acknowledgement letter: bad too.
    log.clear();
    Feed(link, OrunFrame::BuildFrame("XG;1,2,3,4,5,6;;"));
    EXPECT_EQ(log.text(), "err 0,1 | cmd g");

    // A "!" in the middle of a reply starts it again, without a report.
    log.clear();
    const QByteArray good = OrunFrame::BuildFrame("AG;7,50,1,0,0,0;;;;;;;;;;");
    Feed(link, good.left(9) + good);
    EXPECT_EQ(log.text(), "rsp G;7,50,1,0,0,0;;;;;;;;;;");
    EXPECT_EQ(link.ChanCounts(0, 0), 7);
    EXPECT_FALSE(QFile::exists(folder.file("CommErrors.txt")));
}

TEST(cORUNQueue, ThreeBadFramesInARowStopTheResendsAndLeaveTheCommandToItsTimeOut) {
    TempProgramFolder folder;
    cORUN link;
    link.setEnabled(true);
    LinkLog log(link);
    // A line that echoes every frame: each comes back without the acknowledgement.
    const auto echo = [&link](const char* text) { Feed(link, OrunFrame::BuildFrame(text)); };

    // A good reply between bad ones starts the count again.
    link.SendCheckReading();
    echo("F");
    echo("F");
    Reply(link, "F0");
    link.SendReadSensors();
    echo("D");
    echo("D");
    echo("D");
    EXPECT_EQ(log.commandText(), "F | F | F | D | D | D");
    EXPECT_EQ(log.errors(), QStringList(5, "0,1"));

    // The command stays unanswered: more garbage is reported but asks for nothing, and
    // new commands wait until the time-out.
    echo("D");
    link.SendReadDigitalInputs();
    EXPECT_EQ(log.commandText(), "F | F | F | D | D | D");
    EXPECT_EQ(link.CommStatus(), 1);
    ASSERT_TRUE(WaitUntil([&] { return log.errors().contains("0,0"); }, 3000));
    EXPECT_EQ(link.CommStatus(), 2);

    // The link reset after the time-out: its identification request gets resends again.
    link.SendGetVersion();
    echo("@");
    EXPECT_EQ(log.commandText(), "F | F | F | D | D | D | @ | @");
}

TEST(cORUNQueue, OverlongTextIsRefusedWithoutBlockingTheLink) {
    TempProgramFolder folder;
    DialogRecorder boxes;
    cORUN link;
    link.setEnabled(true);
    LinkLog log(link);
    link.SendString(QString(OrunFrame::kMaxText + 1, QLatin1Char('x')));
    EXPECT_TRUE(log.commands().isEmpty());
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_TRUE(boxes.last().prompt.contains("cORUN_Command")) << boxes.last().prompt.toStdString();
    EXPECT_TRUE(boxes.last().prompt.contains("Error (5)")) << boxes.last().prompt.toStdString();
    EXPECT_EQ(link.CommStatus(), 0);
    link.SendCheckReading();
    EXPECT_EQ(log.commandText(), "F");
}

TEST(cORUNQueue, BadFrameIsLoggedWhenDebugIs3) {
    TempProgramFolder folder;
    Clock::SetFixed(QDateTime(QDate(2026, 3, 1), QTime(21, 5, 14)));
    Debug = 3;
    cORUN link;
    link.setEnabled(true);
    link.SendCheckReading();
    QByteArray bad = OrunFrame::BuildFrame("AF1");  // 21 27 41 46 31 20 5C 39 0A
    bad[6] = 0x5D;
    Feed(link, bad);
    Debug = 0;
    Feed(link, bad);  // not logged
    Clock::UseSystem();
    EXPECT_EQ(folder.read("CommErrors.txt"), QByteArray("9:05:14 PM, CRC Error: !'AF1  93 57\r\n"));
}
