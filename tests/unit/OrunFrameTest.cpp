#include "unit/FrameCollector.h"
#include "unit/OrunFrame.h"

#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {
QByteArray Hex(const char* hex) { return QByteArray::fromHex(hex); }
const uint8_t* U(const QByteArray& b) { return reinterpret_cast<const uint8_t*>(b.constData()); }

// Feeds bytes into a collector; returns how many frames closed and keeps the last state.
int FeedAll(FrameCollector& rx, const QByteArray& bytes) {
    int closed = 0;
    for (char c : bytes) closed += rx.Feed(static_cast<uint8_t>(c)) ? 1 : 0;
    return closed;
}
}  // namespace

TEST(OrunFrame, BuildsTheDocumentedFramesByteForByte) {
    EXPECT_EQ(OrunFrame::BuildFrame("@").toHex(' '), "21 25 40 20 4d 64 0a");
    EXPECT_EQ(OrunFrame::BuildFrame("abc").toHex(' '), "21 27 61 62 63 20 7f 9e 0a");
    // Check values behind those characters.
    const QByteArray at = OrunFrame::BuildFrame("@");
    EXPECT_EQ(OrunFrame::Crc(U(at) + 1, 3), 0x212B);
    const QByteArray abc = OrunFrame::BuildFrame("abc");
    EXPECT_EQ(OrunFrame::Crc(U(abc) + 1, 5), 0x3E5D);
    // Replies the unit sends.
    EXPECT_EQ(OrunFrame::BuildFrame("AORUN 4.11"), Hex("212e414f52554e20342e313120722f0a"));
    EXPECT_EQ(OrunFrame::BuildFrame("AF1"), Hex("2127414631205c390a"));
    // The boot loader's query frame covers the length character and the message only,
    // with the same check: "@" goes out as 21 23 40 4F 37.
    const uint8_t query[] = {0x23, 0x40};
    uint8_t check[2];
    OrunFrame::CheckChars(OrunFrame::Crc(query, 2), check);
    EXPECT_EQ(check[0], 0x4F);
    EXPECT_EQ(check[1], 0x37);
}

// The check is computed a byte at a time; it must equal the rule as the protocol states
// it, eight shift steps per byte, for every byte value and every register state a run
// of bytes can lead to.
TEST(OrunFrame, TheCheckFollowsTheShiftRuleForEveryByteValue) {
    const auto byRule = [](const std::vector<uint8_t>& bytes) {
        uint16_t crc = 0x3FFF;
        for (uint8_t b : bytes) {
            crc ^= b;
            for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0x2001) : static_cast<uint16_t>(crc >> 1);
        }
        return static_cast<uint16_t>(crc & 0x3FFF);
    };
    for (int b = 0; b < 256; ++b) {
        const std::vector<uint8_t> one{static_cast<uint8_t>(b)};
        ASSERT_EQ(OrunFrame::Crc(one.data(), 1), byRule(one)) << b;
    }
    std::mt19937 rng(3101);
    for (int n = 0; n < 2000; ++n) {
        std::vector<uint8_t> run(rng() % 230);
        for (uint8_t& b : run) b = static_cast<uint8_t>(rng());
        ASSERT_EQ(OrunFrame::Crc(run.data(), run.size()), byRule(run)) << n;
    }
}

TEST(OrunFrame, CheckCharactersNeverLookLikeFrameBytesAndTextLengthIsBounded) {
    for (uint32_t crc = 0; crc <= 0x3FFF; ++crc) {
        uint8_t c[2];
        OrunFrame::CheckChars(static_cast<uint16_t>(crc), c);
        ASSERT_GE(c[0], 34);
        ASSERT_LE(c[0], 161);
        ASSERT_GE(c[1], 34);
        ASSERT_LE(c[1], 161);
    }
    EXPECT_EQ(OrunFrame::BuildFrame(QByteArray(OrunFrame::kMaxText, 'x')).size(), OrunFrame::kMaxText + 6);
    EXPECT_TRUE(OrunFrame::BuildFrame(QByteArray(OrunFrame::kMaxText + 1, 'x')).isEmpty());
}

TEST(OrunFrame, FrameCrcReadsOnlyTheBytesItIsGiven) {
    uint8_t c[2] = {1, 1};
    const uint8_t zeroLength[] = {0x21, 0x00};
    ASSERT_TRUE(OrunFrame::FrameCrc(zeroLength, 2, c));
    EXPECT_EQ(c[0], 0);
    EXPECT_EQ(c[1], 0);
    // A length character below 35 covers nothing: both characters are 161.
    const uint8_t shortLength[] = {0x21, 0x22};
    ASSERT_TRUE(OrunFrame::FrameCrc(shortLength, 2, c));
    EXPECT_EQ(c[0], 161);
    EXPECT_EQ(c[1], 161);
    // A length character that claims 200 bytes when 6 are there is refused.
    const uint8_t lying[] = {0x21, 234, 'A', 'x', ' ', 0x40};
    EXPECT_FALSE(OrunFrame::FrameCrc(lying, sizeof lying, c));
}

TEST(FrameCollector, TakesFramesInAnyPiecesAndRestartsAtEveryBang) {
    FrameCollector rx;
    const QByteArray good = OrunFrame::BuildFrame("AF1");
    // Noise before the frame, and a frame broken off by a new "!": the bytes before the
    // last "!" are dropped without a frame.
    EXPECT_EQ(FeedAll(rx, "xyz" + good.left(4) + good), 1);
    EXPECT_TRUE(rx.CheckOk());
    EXPECT_EQ(rx.Text(), QByteArrayView("AF1"));
    EXPECT_EQ(rx.Slice(3), QByteArrayView("F1"));
    // An LF with nothing collected (a second LF after a frame) closes nothing.
    EXPECT_EQ(FeedAll(rx, "\n\n"), 0);
    EXPECT_EQ(FeedAll(rx, good), 1);
    EXPECT_TRUE(rx.CheckOk());
}

TEST(FrameCollector, RefusesShortOverlongAndInconsistentFrames) {
    FrameCollector rx;
    // Shorter than its check characters.
    ASSERT_EQ(FeedAll(rx, "!%\n"), 1);
    EXPECT_FALSE(rx.CheckOk());
    EXPECT_TRUE(rx.Text().isEmpty());
    // A wrong check character.
    QByteArray bad = OrunFrame::BuildFrame("AF1");
    bad[bad.size() - 2] = static_cast<char>(bad[bad.size() - 2] ^ 1);
    ASSERT_EQ(FeedAll(rx, bad), 1);
    EXPECT_FALSE(rx.CheckOk());
    // A length character that does not match the bytes received, even with a check that
    // matches the bytes it claims.
    QByteArray longer = OrunFrame::BuildFrame("AF1");
    longer.insert(5, "zz");
    ASSERT_EQ(FeedAll(rx, longer), 1);
    EXPECT_FALSE(rx.CheckOk());
    // 300 bytes without an LF: the buffer stays bounded and the frame is bad.
    ASSERT_EQ(FeedAll(rx, "!" + QByteArray(300, 'q') + "\n"), 1);
    EXPECT_EQ(rx.Count(), 301);
    EXPECT_EQ(rx.Stored(), FrameCollector::kCapacity);
    EXPECT_FALSE(rx.CheckOk());
    EXPECT_EQ(rx.Slice(3).size(), FrameCollector::kCapacity - 3);
    // And the next good frame is taken as usual.
    ASSERT_EQ(FeedAll(rx, OrunFrame::BuildFrame("AG;1")), 1);
    EXPECT_TRUE(rx.CheckOk());
}
