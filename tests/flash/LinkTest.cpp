// The programmer's serial exchanges against the emulated instrument on a pseudo-terminal:
// the queries behind "Read SN", the boot-loader exchange with its faults, and the port
// opening.
#include "FlashHarness.h"

#include "flash/BootFrame.h"
#include "platform/MSComm.h"

#include <QLabel>

using namespace NorvikFlash;

TEST(FlashLink, ReadSnShowsVersionAndPaddedSerialOrSaysWhy) {
    struct Case {
        const char* what;
        std::function<void(BootSim&)> setup;
        QString version, serial, box;
    } cases[] = {
        {"four characters", [](BootSim& s) { s.SerialNumber = "1234"; }, "1.23", "001234", ""},
        {"seven characters", [](BootSim& s) { s.SerialNumber = "1234567"; }, "1.23", "1234567", ""},
        {"old firmware", [](BootSim& s) { s.OldFirmware = true; }, "1.23", "", "Must upgrade instrument to latest firmware version."},
        {"bad check on the version", [](BootSim& s) { s.CorruptNextReplies(1); }, "", "", "Read Version Error: 7"},
        {"bad check on the serial",
         [](BootSim& s) {
             QObject::connect(&s, &BootSim::CommandReceived, &s, [&s](const QString& c) {
                 if (c == "qr") s.CorruptNextReplies(1);
             });
         },
         "1.23", "", "Read SN Error: 7"},
        {"a restart mid-reply", [](BootSim& s) { s.InterruptNextReplies(2); }, "1.23", "012345", ""},
        {"silence", [](BootSim& s) { s.setSilent(true); }, "", "", "Instrument not found.\r\nCheck Comm Port and cable connection."},
    };
    for (const Case& c : cases) {
        FlashHarness h(2);
        c.setup(h.sim);
        frmMain w;
        w.cmdReadSN->click();
        EXPECT_EQ(w.lblVer->text(), c.version) << c.what;
        EXPECT_EQ(w.lblSN->text(), c.serial) << c.what;
        EXPECT_EQ(h.boxes.prompts().join("|"), c.box) << c.what;
        EXPECT_TRUE(w.cmdReadSN->isEnabled()) << c.what;
        EXPECT_TRUE(w.MSComm1->PortOpen()) << c.what;  // the port stays open afterwards
    }
}

TEST(FlashLink, BootLoaderExchangeJudgesRepliesByCommand) {
    FlashHarness h(2);
    frmMain w;
    ASSERT_TRUE(w.CommOpen(1, 115200));
    auto send = [&](const QByteArray& command, float timeout = 0.5f) {
        w.CmdBuffer = command;
        w.BlockBuffer = QByteArray(256, 'x');
        w.TimeOutSeconds = timeout;
        return w.SendCommand();
    };

    w.FrameOk = false;
    h.sim.InterruptNextReplies(1);
    EXPECT_TRUE(send("!"));
    EXPECT_TRUE(w.FrameOk);
    EXPECT_EQ(w.RxText, "");  // "A": no body after the status letter

    EXPECT_TRUE(send("A"));
    h.sim.setEraseFails(true);
    EXPECT_FALSE(send("A"));
    EXPECT_EQ(w.RxText, ReplyFrame("A81").mid(1));
    EXPECT_TRUE(send("B"));
    EXPECT_EQ(h.sim.Flash(), QByteArray(256, 'x'));

    // Silence and a bad check both end at the time-out; the text names what went
    // unanswered, for how long, and what had arrived.
    h.sim.setSilent(true);
    EXPECT_FALSE(send("!", 0.2f));
    EXPECT_EQ(w.RxText, "Timeout: no reply to the search within 0.2 s");
    EXPECT_FALSE(send("A", 0.2f));
    EXPECT_EQ(w.RxText, "Timeout: no reply to the erase within 0.2 s");
    EXPECT_FALSE(send(QByteArray("A\xA0"), 0.2f));
    EXPECT_EQ(w.RxText, "Timeout: no reply to the erase of block A0 within 0.2 s");
    h.sim.setSilent(false);
    h.sim.CorruptNextReplies(1);
    EXPECT_FALSE(send("B", 0.2f));
    QByteArray corrupt = ReplyFrame("A").mid(1);
    corrupt[corrupt.size() - 1] = static_cast<char>(corrupt[corrupt.size() - 1] - 1);
    // What arrived is told with its check characters in hexadecimal, not as raw bytes.
    EXPECT_EQ(w.RxText, "Timeout: no valid reply to the block within 0.2 s, received: " + ReplyText(corrupt).toLatin1());
    EXPECT_TRUE(ReplyText(corrupt).startsWith("A [check "));
    EXPECT_FALSE(send("X", 0.2f));

    // At a rate the boot loader does not listen at, nothing answers.
    ASSERT_TRUE(w.CommOpen(1, 38400));
    EXPECT_FALSE(send("!", 0.2f));
    EXPECT_EQ(h.sim.Commands(), QStringList({"!", "A", "A", "B", "!", "A", "A", "B"}));
}

TEST(FlashLink, PortOpeningFailsCleanly) {
    FlashHarness h(2);
    frmMain w;
    EXPECT_FALSE(w.CommOpen(0, 19200));
    EXPECT_FALSE(w.CommOpen(10, 19200));
    qputenv("ORUN_COM2", "/nonexistent/tty");
    EXPECT_FALSE(w.CommOpen(2, 19200));
    EXPECT_FALSE(w.CommOpen(1, 12345));  // no such rate
    qunsetenv("ORUN_COM2");
    EXPECT_TRUE(w.CommOpen(1, 19200));
    EXPECT_TRUE(w.CommSetOpen());
    EXPECT_FALSE(w.MSComm1->PortOpen());
}
