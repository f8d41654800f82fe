// The programmer's frames, check characters and reply receivers as exact bytes, and its
// file and bit helpers.
#include "app/cFileDialog.h"
#include "flash/BootFrame.h"
#include "flash/FlashUtil.h"
#include "platform/MSComm.h"
#include "support/ErrorNumber.h"
#include "support/TempProgramFolder.h"

#include <gtest/gtest.h>

using namespace NorvikFlash;

namespace {
QByteArray Bytes(std::initializer_list<int> values) {
    QByteArray b;
    for (int v : values) b.append(static_cast<char>(v));
    return b;
}
}  // namespace

TEST(BootFrame, QueriesAndChecksAreTheInstrumentsBytes) {
    EXPECT_EQ(QueryFrame("@"), Bytes({0x21, 0x23, 0x40, 0x4F, 0x37}));
    EXPECT_EQ(QueryFrame("qr"), Bytes({0x21, 0x24, 0x71, 0x72, 0xA0, 0x51}));
    EXPECT_EQ(CalcCrc(Bytes({0x23, 0x40})), Bytes({0x4F, 0x37}));
    // Nothing covered leaves the start value 0x3FFF.
    EXPECT_EQ(CalcCrc(QByteArrayView()), Bytes({0xA1, 0xA1}));
    uint8_t out[2] = {1, 1};
    CalcChkSumByte(Bytes({0x21, 0x00, 0x41, 0x30, 0x30}), out);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], 0);
    EXPECT_EQ(QueryFrame(QByteArray(221, 'x')).size(), 225);
    EXPECT_TRUE(QueryFrame(QByteArray(222, 'x')).isEmpty());
    EXPECT_EQ(ReplyFrame("A1.23"), Bytes({0x21, 0x28, 0x41, 0x31, 0x2E, 0x32, 0x33, 0x29, 0x82}));
}

TEST(BootFrame, FramedRepliesEndWithTheirStatusCode) {
    const QByteArray good = ReplyFrame("A1.23");
    QByteArray bad = good;
    bad[bad.size() - 1] = static_cast<char>(bad[bad.size() - 1] + 1);
    QByteArray withZero = good;
    withZero.insert(4, '\0');
    struct Case {
        const char* what;
        QByteArray bytes;
        int16_t status;  // -1: no frame completes
        QByteArray body;
    } cases[] = {
        {"A with its body", good, csReplyOk, "1.23"},
        {"noise before the start is skipped", "xyz" + good, csReplyOk, "1.23"},
        {"a second start drops the first", ReplyFrame("B").left(3) + good, csReplyOk, "1.23"},
        {"zero bytes do not count", withZero, csReplyOk, "1.23"},
        {"B", ReplyFrame("B"), csReplyB, ""},
        {"C", ReplyFrame("C"), csReplyC, ""},
        {"D", ReplyFrame("D"), csReplyOther, ""},
        {"E", ReplyFrame("E9"), csReplyE, ""},
        {"a letter outside A to E", ReplyFrame("Z"), csReplyOther, ""},
        {"wrong check", bad, csBadCrc, ""},
        {"length 2 or less is ignored", "!" + Bytes({2}) + good.mid(1), csReplyOk, "1.23"},
        {"length 3 to 34 drops the frame", "!" + Bytes({20}) + "A1.23", -1, ""},
        {"a short frame then a good one", "!" + Bytes({34}) + "AB" + good, csReplyOk, "1.23"},
        {"incomplete", good.left(good.size() - 1), -1, ""},
    };
    for (const Case& c : cases) {
        RxFrameRec rx;
        int16_t status = -1;
        QByteArray body;
        for (char b : c.bytes) FramedReplyByte(rx, static_cast<uint8_t>(b), status, body);
        EXPECT_EQ(status, c.status) << c.what;
        EXPECT_EQ(body, c.body) << c.what;
    }
}

TEST(BootFrame, BootRepliesCompleteOnlyWithAGoodCheck) {
    auto feed = [](const QByteArray& bytes, QByteArray& rxText) {
        RxFrameRec rx;
        bool done = false;
        for (char c : bytes) done = BootReplyByte(rx, rxText, static_cast<uint8_t>(c)) || done;
        return done;
    };
    QByteArray text;
    EXPECT_TRUE(feed(ReplyFrame("A80"), text));
    EXPECT_EQ(text, ReplyFrame("A80").mid(1));  // the "!" is not kept
    QByteArray bad = ReplyFrame("A80");
    bad[bad.size() - 2] = 0x22;
    EXPECT_FALSE(feed(bad, text));
    EXPECT_EQ(text, bad.mid(1));
    EXPECT_TRUE(feed(ReplyFrame("A8").left(3) + ReplyFrame("A80"), text));
    EXPECT_EQ(text, ReplyFrame("A80").mid(1));
    // A line that never completes a frame cannot grow the reply without end.
    EXPECT_FALSE(feed("!" + QByteArray(5000, 'x'), text));
    EXPECT_LE(text.size(), 256);

    // As a line shows a reply: a whole one as its message and its check characters in
    // hexadecimal (the worked frame "A1.23" checks with 29 82), anything else with every
    // byte that is not printable as hexadecimal.
    const struct {
        QByteArray rx;
        const char* shown;
    } shown[] = {
        {ReplyFrame("A1.23").mid(1), "A1.23 [check 29 82]"},
        {Bytes({0x27, 0x41, 0x07, 0x0D, 0x32, 0x29, 0x82}), "A<07><0D>2 [check 29 82]"},
        {Bytes({0x28, 0x41, 0xFF}), "(A<FF>"},
        {QByteArray(), ""},
    };
    for (const auto& c : shown) EXPECT_EQ(ReplyText(c.rx), c.shown) << c.rx.toHex().toStdString();
}

TEST(FlashFiles, FileBitAndPortHelpers) {
    TempProgramFolder folder;
    folder.write("f.bin", QByteArray(257, 'x'));
    QFile f(folder.file("f.bin"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QByteArray bytes("keep");
    EXPECT_EQ(ReadFile(f, bytes, 256), 256);
    EXPECT_EQ(ReadFile(f, bytes, 256), 1);
    EXPECT_EQ(bytes.size(), 1);
    EXPECT_EQ(ReadFile(f, bytes, 256), 0);
    EXPECT_EQ(bytes, "x");

    EXPECT_EQ(GetFileSize(folder.file("f.bin")), 257);
    EXPECT_EQ(GetFileSize(folder.file("missing.bin")), -1);
    EXPECT_EQ(GetFileTime(folder.file("missing.bin"), 2, true), 0);
    EXPECT_GT(GetFileTime(folder.file("f.bin"), 2, true), 40000);
    EXPECT_EQ(GetFileTime(folder.file("f.bin"), 3, true), 0);
    EXPECT_TRUE(FileExists(folder.file("f.bin")));
    EXPECT_FALSE(FileExists(folder.path()));
    EXPECT_FALSE(FileExists(""));

    EXPECT_EQ(HiByte(static_cast<int16_t>(0x8040)), 0x80);
    EXPECT_EQ(LoWord(32000), 32000);
    EXPECT_EQ(HiWord(32000), 0);
    EXPECT_EQ(HiWord(-1), -1);
    EXPECT_EQ(LoWord(0x12348000), static_cast<int16_t>(0x8000));

    EXPECT_EQ(TrimNulls(QStringLiteral("/a/b.bin") + QString(5, QChar(0))), "/a/b.bin");
    EXPECT_EQ(TrimNulls(QString("a") + QChar(0) + "b" + QChar(0) + QChar(0) + "c"), "a b");
    const QString single = QString("a") + QChar(0) + "b";
    EXPECT_EQ(TrimNulls(single), single);

    MSComm closed;
    EXPECT_EQ(ErrorNumber([&] { SetBaudRate(closed, 115200); }), 8018);
}
