#include "app/modBitOps.h"
#include "support/DialogRecorder.h"

#include <gtest/gtest.h>

using namespace modBitOps;

TEST(BitOps, Bit15IsTheSignBitAndBitsBeyondTheWordAreNone) {
    EXPECT_TRUE(BitTestInteger(-32768, 15));
    EXPECT_FALSE(BitTestInteger(32767, 15));
    int16_t w = 0;
    BitSetInteger(w, 15);
    EXPECT_EQ(w, -32768);
    BitSetInteger(w, 0);
    BitClearInteger(w, 15);
    EXPECT_EQ(w, 1);
    BitSetInteger(w, 16);  // no such bit: nothing changes
    EXPECT_EQ(w, 1);
    EXPECT_FALSE(BitTestInteger(-1, 16));

    int32_t l = 0;
    BitSetLong(l, 31);
    EXPECT_EQ(l, INT32_MIN);
    EXPECT_TRUE(BitTestLong(l, 31));
    BitClearLong(l, 31);
    EXPECT_EQ(l, 0);
    l = -1;
    BitClearLong(l, 32);
    EXPECT_EQ(l, -1);
    EXPECT_FALSE(BitTestLong(-1, 200));
}

TEST(BitOps, SignedAndUnsignedReadingsOfTheSameBits) {
    EXPECT_EQ(dblToLong(4294967295.0), -1);
    EXPECT_EQ(dblToLong(2147483648.0), INT32_MIN);
    EXPECT_EQ(dblToLong(-1), -1);
    EXPECT_EQ(dblToLong(4294967296.0 + 5), 5);
    EXPECT_EQ(dblToLong(2.5), 2);  // half to even
    EXPECT_EQ(IntToLong(-1), 65535);
    EXPECT_EQ(IntToLong(-32768), 32768);
    EXPECT_EQ(LongToInt(65535), -1);
    EXPECT_EQ(LongToInt(98303), 32767);
    EXPECT_EQ(LoByte(0x1234), 0x34);
    EXPECT_EQ(LoByte(-1), 255);
}

TEST(BitOps, ShiftsWrapOrOverflowAsTheOriginalDid) {
    DialogRecorder boxes;
    EXPECT_EQ(Shli(1, 15), -32768);
    EXPECT_EQ(Shli(16384, 2), 0);  // 65536 wraps to 0
    EXPECT_EQ(Shli(5, 16), 0);
    EXPECT_EQ(Shll(1, 31), INT32_MIN);
    EXPECT_EQ(Shll(3, 31), INT32_MIN);  // only the low 32 bits stay
    EXPECT_EQ(Shll(-1, 32), 0);
    EXPECT_EQ(Shri(-1, 1), 32767);
    EXPECT_EQ(Shri(-32768, 15), 1);
    EXPECT_EQ(Shri(-1, 16), 0);
    EXPECT_EQ(Shri(12, 0), 12);
    EXPECT_EQ(boxes.count(), 0);

    EXPECT_EQ(Shli(16384, 3), 0);  // 131072 does not fit
    EXPECT_EQ(Shri(-1, 0), 0);     // 65535 does not fit
    EXPECT_EQ(LongToInt(98304), 0);
    EXPECT_EQ(dblToLong(std::numeric_limits<double>::infinity()), 0);
    ASSERT_EQ(boxes.count(), 4);
    EXPECT_EQ(boxes.boxes()[0].title, "Shli");
    EXPECT_EQ(boxes.boxes()[0].prompt, "Error: 6. Overflow");
    EXPECT_EQ(boxes.boxes()[0].buttons, vbOKOnly);
    EXPECT_EQ(boxes.boxes()[1].title, "Shri");
    EXPECT_EQ(boxes.boxes()[2].title, "LongToInt");
    EXPECT_EQ(boxes.boxes()[3].title, "dblToLong");
}
