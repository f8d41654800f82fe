#include "app/cRdgBuff.h"

#include <gtest/gtest.h>

TEST(RdgBuff, ReadingsAreAddressedBySlotAndWrapAtSize) {
    cRdgBuff b;
    EXPECT_EQ(b.Size(), 1);
    EXPECT_EQ(b.Index(), 0);
    b.setSize(10);
    for (int i = 1; i <= 12; ++i) b.Push(QStringLiteral("r%1").arg(i));
    EXPECT_EQ(b.Index(), 2);
    EXPECT_EQ(b.Reading(2).toString(), "r12");
    EXPECT_EQ(b.Reading(3).toString(), "r3");
    EXPECT_EQ(b.Reading(10).toString(), "r10");
    EXPECT_FALSE(b.Reading(11).isValid());
    EXPECT_FALSE(b.Reading(-1).isValid());
    ASSERT_TRUE(b.Reading(0).isValid());
    EXPECT_EQ(b.Reading(0).toString(), "");
}

TEST(RdgBuff, ShrinkKeepsTheRemainingTextsAndClearEmptiesThem) {
    cRdgBuff b;
    b.setSize(5);
    for (int i = 1; i <= 4; ++i) b.Push(QString::number(i));
    b.setSize(0);
    EXPECT_EQ(b.Size(), 5);
    b.setSize(3);
    EXPECT_EQ(b.Index(), 3);
    EXPECT_EQ(b.Reading(1).toString(), "1");
    EXPECT_FALSE(b.Reading(4).isValid());
    b.Push("x");
    EXPECT_EQ(b.Index(), 1);
    EXPECT_EQ(b.Reading(1).toString(), "x");

    b.Clear();
    EXPECT_EQ(b.Index(), 0);
    EXPECT_EQ(b.Reading(1).toString(), "");
    EXPECT_EQ(b.Size(), 3);
}

TEST(RdgBuff, FillWritesTheNumberTextIntoEverySlot) {
    cRdgBuff b;
    b.setSize(3);
    b.Fill(0.5);
    EXPECT_EQ(b.Index(), 1);
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(b.Reading(i).toString(), "0.5");
    EXPECT_EQ(b.Reading(0).toString(), "");
}
