#include "app/cQueue.h"
#include "support/DialogRecorder.h"

#include <QObject>
#include <memory>
#include <gtest/gtest.h>

TEST(Queue, SizeCountsTheUnusedSlot) {
    cQueue q;
    EXPECT_EQ(q.Size(), 100);
    q.setSize(256);
    EXPECT_EQ(q.Size(), 257);
}

TEST(Queue, ItemsComeOutInOrderAndAnEmptyQueueSaysSo) {
    cQueue q;
    q.setSize(2);
    q.EnQueue(QStringLiteral("a"));
    q.EnQueue(42);
    QVariant v;
    ASSERT_TRUE(q.Front(v));
    EXPECT_EQ(v.toString(), "a");
    ASSERT_TRUE(q.DeQueue(v));
    EXPECT_EQ(v.toString(), "a");
    ASSERT_TRUE(q.DeQueue(v));
    EXPECT_EQ(v.toInt(), 42);
    EXPECT_FALSE(q.DeQueue(v));
    EXPECT_FALSE(v.isValid());
    v = 7;
    EXPECT_FALSE(q.Front(v));
    EXPECT_FALSE(v.isValid());
}

TEST(Queue, AFullQueueDropsItsOldestItemInsteadOfReadingAsEmpty) {
    cQueue q;
    q.setSize(3);
    for (int i = 1; i <= 5; ++i) q.EnQueue(i);
    QVariant v;
    std::vector<int> out;
    while (q.DeQueue(v)) out.push_back(v.toInt());
    EXPECT_EQ(out, (std::vector<int>{3, 4, 5}));

    // The program's trace queue keeps its newest 256 lines.
    cQueue trace;
    trace.setSize(256);
    for (int i = 1; i <= 300; ++i) trace.EnQueue(i);
    ASSERT_TRUE(trace.Front(v));
    EXPECT_EQ(v.toInt(), 45);
}

TEST(Queue, ObjectsAreHeldByReferenceAndClearEmptiesTheQueue) {
    cQueue q;
    QObject obj;
    q.EnQueue(QVariant::fromValue(&obj));
    obj.setObjectName("changed after EnQueue");
    QVariant v;
    ASSERT_TRUE(q.Front(v));
    EXPECT_EQ(v.value<QObject*>()->objectName(), "changed after EnQueue");
    q.ClearQueue();
    EXPECT_FALSE(q.DeQueue(v));
    EXPECT_EQ(q.Size(), 100);

    // Clear lets go of every value the queue still held, also of those already taken out
    // and of those in slots a wrapped queue wrote before, after a resize, and after an
    // earlier Clear.
    const auto held = std::make_shared<int>(0);
    struct Case {
        int before, size, enqueued, taken;
    } cases[] = {{0, 100, 1, 0}, {0, 100, 60, 60}, {0, 100, 250, 10}, {5, 3, 7, 2}, {40, 100, 20, 0}};
    for (const Case& c : cases) {
        cQueue r;
        for (int i = 0; i < c.before; ++i) r.EnQueue(QVariant::fromValue(held));
        r.ClearQueue();
        r.setSize(static_cast<int16_t>(c.size));
        for (int i = 0; i < c.enqueued; ++i) r.EnQueue(QVariant::fromValue(held));
        for (int i = 0; i < c.taken; ++i) r.DeQueue(v);
        v.clear();
        r.ClearQueue();
        EXPECT_EQ(held.use_count(), 1) << c.enqueued << " enqueued, " << c.taken << " taken";
        EXPECT_FALSE(r.DeQueue(v));
        r.EnQueue(7);
        ASSERT_TRUE(r.DeQueue(v));
        EXPECT_EQ(v.toInt(), 7);
    }
}

TEST(Queue, AnImpossibleSizeIsReportedUnderTheOperationsName) {
    DialogRecorder boxes;
    cQueue q;
    q.setSize(32767);
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().title, "Size");
    EXPECT_EQ(boxes.last().prompt, "Error: 6. Overflow");
    EXPECT_EQ(boxes.last().buttons, vbOKOnly);
    EXPECT_EQ(q.Size(), 100);
    q.EnQueue(1);  // still usable
    QVariant v;
    EXPECT_TRUE(q.DeQueue(v));
}

TEST(Queue, ResizingAQueueThatHoldsItemsKeepsThemInOrder) {
    // Drains at most 1000 items, so a queue that never reads empty fails instead of hanging.
    const auto drain = [](cQueue& q) {
        std::vector<int> out;
        QVariant v;
        while (out.size() < 1000 && q.DeQueue(v)) out.push_back(v.toInt());
        return out;
    };
    std::vector<int> expected;

    cQueue grown;  // 99 items, wrapped round the end of the ring
    for (int i = 1; i <= 120; ++i) grown.EnQueue(i);
    grown.setSize(256);
    for (int i = 22; i <= 120; ++i) expected.push_back(i);
    EXPECT_EQ(drain(grown), expected);

    cQueue shrunk;  // head and tail lie beyond the new ring
    for (int i = 1; i <= 50; ++i) shrunk.EnQueue(i);
    shrunk.setSize(8);
    EXPECT_EQ(drain(shrunk), (std::vector<int>{43, 44, 45, 46, 47, 48, 49, 50}));
    shrunk.EnQueue(7);
    EXPECT_EQ(drain(shrunk), std::vector<int>{7});
}
