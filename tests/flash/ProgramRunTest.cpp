// Whole programming runs against the emulated boot loader: what reaches the instrument's
// flash, the lines of the message list and of FlashLog.txt, and the runs that must stop
// before anything is erased.
#include "FlashHarness.h"

#include "flash/BootFrame.h"
#include "platform/MSComm.h"
#include "platform/ProgramFolder.h"


#include <QTest>

using namespace NorvikFlash;

TEST(ProgramRun, FirmwareFor256ByteModelsArrivesWholeWithAZeroPad) {
    struct Case {
        int size, blocks;
    } cases[] = {{600, 3}, {512, 2}};
    for (const Case& c : cases) {
        FlashHarness h(2);
        frmMain w;
        const QByteArray file = Pattern(c.size);
        h.choose(w, pmFirmware, "fw.bin", file);
        w.cmdProgBin->click();

        QStringList commands{"!", "A"};
        for (int n = 0; n < c.blocks; ++n) commands << "B";
        EXPECT_EQ(h.sim.Commands(), commands << "D");
        EXPECT_EQ(h.sim.Flash(), file + QByteArray(c.blocks * 256 - c.size, '\0'));
        const QString last = QString("Program Block %1 of %1").arg(c.blocks);
        EXPECT_EQ(h.messages(w), QStringList({"Instrument found.", "Erasing Flash", "Erased", last,
                                              "Upgrade Done.  Resetting instrument."}));
        QStringList log{"Start Erase", "Erase OK", "Start Program"};
        for (int n = 1; n <= c.blocks; ++n) log << QString("Start Block %1").arg(n) << QString("End Block %1").arg(n);
        EXPECT_EQ(h.log(), log << "Program OK");
        EXPECT_EQ(h.boxes.prompts(), QStringList({"Turn instrument OFF!\r\nClick OK, then turn instrument ON.",
                                                  "Instrument's firmware will be overwritten!  Continue?"}));
        EXPECT_FALSE(w.Busy);
        EXPECT_TRUE(w.cmdProgBin->isEnabled() && w.cmdExit->isEnabled() && w.cmdReadSN->isEnabled());
    }
}

TEST(ProgramRun, FirmwareFor1KModelsGoesByAddressThenTheFinishingBlock) {
    for (const bool extra : {false, true}) {
        FlashHarness h(4);
        frmMain w;
        const QByteArray file = Pattern(3000);
        h.choose(w, pmFirmware, "fw.bin", file);
        if (extra) QTest::keyClick(w.cmdProgBin, Qt::Key_Shift, Qt::ShiftModifier | Qt::ControlModifier);
        w.cmdProgBin->click();

        QStringList commands{"!", "A 80", "A A0", "A C0", "A E0", "A F8"};
        if (extra) commands << "A FA";
        EXPECT_EQ(h.sim.Commands(), commands << "B 8040" << "B 8080" << "B 8000" << "D");
        // The tail of 952 bytes is not sent.
        EXPECT_EQ(h.sim.Block1K(0x8040), file.left(1024));
        EXPECT_EQ(h.sim.Block1K(0x8080), file.mid(1024, 1024));
        EXPECT_EQ(h.sim.Block1K(0x8000), QByteArray("\x55\xAA") + QByteArray(1022, '\xFF'));
        EXPECT_EQ(h.messages(w).mid(h.messages(w).size() - 3),
                  QStringList({"Program Block 2 of 2", "Program Block 0 of 2", "Upgrade Done.  Resetting instrument."}));
        EXPECT_FALSE(w.EraseExtra);  // every run clears it
    }
}

TEST(ProgramRun, AFileThatCannotBeSentIsRefusedBeforeAnyErase) {
    struct Case {
        const char* what;
        int model, size;
        bool removeFile;
        QString box;
    } cases[] = {
        {"unreadable", 2, 600, true, "Cannot read the file "},
        {"empty", 2, 0, false, "fw.bin holds no block to program."},
        {"no whole 1 K block", 5, 1000, false, "fw.bin holds no block to program."},
        {"beyond 511 blocks", 4, 512 * 1024, false, "fw.bin is too large for this instrument (more than 511 blocks)."},
    };
    for (const Case& c : cases) {
        FlashHarness h(c.model);
        h.folder.write("FlashLog.txt", "old run\r\n");
        frmMain w;
        const QString path = h.choose(w, pmFirmware, "fw.bin", QByteArray(c.size, 'x'));
        if (c.removeFile) QFile::remove(path);
        w.cmdProgBin->click();
        EXPECT_EQ(h.sim.Commands(), QStringList({"!"})) << c.what;
        ASSERT_EQ(h.boxes.count(), 2) << c.what;  // no confirmation was asked
        EXPECT_TRUE(h.boxes.last().prompt.startsWith(c.box)) << c.what << ": " << h.boxes.last().prompt.toStdString();
        EXPECT_EQ(h.messages(w).last(), "Program aborted.") << c.what;
        EXPECT_FALSE(QFile::exists(h.folder.file("FlashLog.txt"))) << c.what;
    }
}

// The outcome is what the instrument did: a failed erase or block, a done command that
// is answered or a line that is lost all end "Upgrade Failed.", in the list and in the
// log, a time-out naming the block that went unanswered, for how long, and what came of
// its reply. A log that cannot be written is said once and the run goes on.
TEST(ProgramRun, OutcomesFollowTheInstrumentsReplies) {
    const QByteArray doneReply = ReplyFrame("A").mid(1);
    // The emulator's reply with a wrong check character: its last one lowered by one.
    QByteArray badReply = doneReply;
    badReply.back() = static_cast<char>(badReply.back() == 0x22 ? 0x23 : badReply.back() - 1);
    const QStringList threeBlocks{"Start Erase", "Erase OK", "Start Program", "Start Block 1", "End Block 1", "Start Block 2"};
    struct Case {
        const char* what;
        std::function<void(FlashHarness&)> setup;
        QStringList commands, log;
        QStringList lastMessages;
        int size = 200;
        QString box = {};  // part of a box beyond the two every run asks
    } cases[] = {
        {"answered No", [](FlashHarness& h) { h.boxes.answer(vbOK); h.boxes.answer(vbNo); }, {"!"}, {},
         {"Program aborted."}},
        {"erase refused", [](FlashHarness& h) { h.sim.setEraseFails(true); }, {"!", "A"},
         {"Start Erase", "Erase Failed. RX: " + ReplyText(ReplyFrame("A81").mid(1))}, {"Erase Failed."}},
        {"done answered", [](FlashHarness& h) { h.sim.setAnswerDone(true); }, {"!", "A", "B", "D"},
         {"Start Erase", "Erase OK", "Start Program", "Start Block 1", "End Block 1",
          "Program Fail. RX: " + ReplyText(doneReply)},
         {"Upgrade Failed."}},
        // Silent after block 1 of 3: its silent done proves nothing.
        {"silent from block 2", [](FlashHarness& h) { h.sim.setSilentFromBlock(2); }, {"!", "A", "B", "B", "D"},
         threeBlocks + QStringList{"Program Fail. Block 2 of 3. RX: Timeout: no reply to block 2 of 3 within 2.0 s"},
         {"Program Block 1 of 3", "Error Block 2 of 3 - Timeout: no reply to block 2 of 3 within 2.0 s", "Upgrade Failed."},
         600},
        {"bad check on block 2", [](FlashHarness& h) { h.sim.setBadCrcAtBlock(2); }, {"!", "A", "B", "B", "D"},
         threeBlocks + QStringList{"Program Fail. Block 2 of 3. RX: Timeout: no valid reply to block 2 of 3 within 2.0 s, "
                                   "received: " + ReplyText(badReply)},
         {"Upgrade Failed."}, 600},
        // The cable is pulled while block 1 is sent.
        {"line lost", [](FlashHarness& h) { h.sim.setCloseAtBlock(1); }, {"!", "A", "B"},
         {"Start Erase", "Erase OK", "Start Program", "Start Block 1",
          "Program Fail. Block 1 of 1. RX: Timeout: no reply to block 1 of 1 within 2.0 s"},
         {"Upgrade Failed."}},
        {"log folder missing", [](FlashHarness& h) {
             QFile::remove(h.folder.file("FlashLog.txt"));
             SetProgramFolder(h.folder.file("gone"));
         },
         {"!", "A", "B", "D"}, {}, {"Upgrade Done.  Resetting instrument."}, 200,
         "/gone/FlashLog.txt cannot be written"},
    };
    for (const Case& c : cases) {
        FlashHarness h(2);
        h.folder.write("FlashLog.txt", "old run\r\n");
        c.setup(h);
        frmMain w;
        h.choose(w, pmFirmware, "fw.bin", Pattern(c.size));
        w.cmdProgBin->click();
        EXPECT_EQ(h.sim.Commands(), c.commands) << c.what;
        EXPECT_EQ(h.log(), c.log) << c.what << ": " << h.log().join(" | ").toStdString();
        const QStringList messages = h.messages(w);
        EXPECT_EQ(messages.mid(messages.size() - c.lastMessages.size()), c.lastMessages) << c.what;
        ASSERT_EQ(h.boxes.count(), c.box.isEmpty() ? 2 : 3) << c.what << ": " << h.boxes.prompts().join('|').toStdString();
        if (!c.box.isEmpty()) {
            EXPECT_TRUE(h.boxes.last().prompt.contains(c.box)) << h.boxes.last().prompt.toStdString();
        }
        EXPECT_FALSE(w.Busy) << c.what;
    }
}
