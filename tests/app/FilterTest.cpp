#include "app/cFilter.h"

#include <gtest/gtest.h>

TEST(Filter, NewFilterAveragesNothingAndLastChecksItsIndex) {
    cFilter f;
    EXPECT_EQ(f.Size(), 1);
    EXPECT_DOUBLE_EQ(f.Average(), 0.0);
    EXPECT_DOUBLE_EQ(f.Last(0), 0.0);
    f.Push(5);
    EXPECT_DOUBLE_EQ(f.Average(), 5.0);
    EXPECT_DOUBLE_EQ(f.Last(0), 5.0);
    EXPECT_DOUBLE_EQ(f.Last(1), 5.0);
    EXPECT_DOUBLE_EQ(f.Last(2), 0.0);
    EXPECT_DOUBLE_EQ(f.Last(-1), 0.0);
}

TEST(Filter, RingWrapsAfterSizeValuesAndAveragesOnlyWhatWasPushed) {
    cFilter f;
    f.setSize(3);
    f.Push(1);
    f.Push(2);
    EXPECT_DOUBLE_EQ(f.Average(), 1.5);  // not full: slots 1..position only
    f.Push(3);
    f.Push(4);  // lands in slot 1: 4, 2, 3
    EXPECT_DOUBLE_EQ(f.Last(0), 4.0);
    EXPECT_DOUBLE_EQ(f.Average(), 3.0);
    f.Push(8);  // slot 2: 4, 8, 3
    EXPECT_DOUBLE_EQ(f.Average(), 5.0);
}

TEST(Filter, GrowingAPartlyFilledFilterKeepsTheAverageOfWhatWasPushed) {
    cFilter f;
    f.setSize(3);
    f.Push(6);
    f.setSize(5);  // slots 3..5 take 6; position 1, not full
    EXPECT_EQ(f.Size(), 5);
    EXPECT_DOUBLE_EQ(f.Average(), 6.0);
    f.Push(1);  // slot 2
    EXPECT_DOUBLE_EQ(f.Average(), 3.5);
    f.Push(0);
    f.Push(0);
    f.Push(0);  // slot 5: the ring is full now
    EXPECT_DOUBLE_EQ(f.Average(), 7.0 / 5.0);
}

TEST(Filter, GrowingAFullFilterWritesTheOldAverageFromTheOldSizeOn) {
    cFilter f;
    f.setSize(2);
    f.Push(2);
    f.Push(4);     // full, position 2
    f.setSize(4);  // slots 2..4 := 3, slot 2 included although it held the newest value
    EXPECT_DOUBLE_EQ(f.Average(), 2.75);
    f.Push(7);  // slot 3: 2, 3, 7, 3
    EXPECT_DOUBLE_EQ(f.Average(), 3.75);
}

TEST(Filter, ShrinkingBelowTheNewestValueLeavesAFullRing) {
    cFilter f;
    f.setSize(5);
    for (double v : {1.0, 2.0, 3.0, 4.0}) f.Push(v);  // position 4, not full
    f.setSize(3);
    EXPECT_DOUBLE_EQ(f.Average(), 2.0);  // slots 1..3 as a full ring
    f.Push(9);                           // wraps to slot 1: 9, 2, 3
    EXPECT_DOUBLE_EQ(f.Average(), 14.0 / 3.0);
}

TEST(Filter, SizeOfZeroOrLessIsIgnoredAndClearAndFillResetTheRing) {
    cFilter f;
    f.setSize(4);
    f.Push(8);
    f.setSize(0);
    f.setSize(-4);
    EXPECT_EQ(f.Size(), 4);
    EXPECT_DOUBLE_EQ(f.Average(), 8.0);

    f.Fill(2.5);
    EXPECT_DOUBLE_EQ(f.Average(), 2.5);
    EXPECT_DOUBLE_EQ(f.Last(0), 2.5);
    f.Push(6.5);  // position 2 of a full ring
    EXPECT_DOUBLE_EQ(f.Average(), 3.5);

    f.Clear();
    EXPECT_EQ(f.Size(), 4);
    EXPECT_DOUBLE_EQ(f.Average(), 0.0);
    EXPECT_DOUBLE_EQ(f.Last(0), 0.0);
    f.Push(1);
    EXPECT_DOUBLE_EQ(f.Average(), 1.0);  // not full again after Clear
}
