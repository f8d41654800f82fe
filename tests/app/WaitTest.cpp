#include "app/modWait.h"

#include <QElapsedTimer>
#include <QTimer>
#include <gtest/gtest.h>

TEST(Wait, LetsTimersFireWhileItWaitsItsTime) {
    bool fired = false;
    QTimer::singleShot(20, [&] { fired = true; });
    QElapsedTimer clock;
    clock.start();
    modWait::Wait(100);
    const qint64 took = clock.elapsed();
    EXPECT_TRUE(fired);
    EXPECT_GE(took, 95);
    EXPECT_LE(took, 400);
}

TEST(Wait, ANestedWaitDoesNotEndTheOuterOneEarly) {
    QElapsedTimer clock;
    qint64 innerDone = -1;
    QTimer::singleShot(20, [&] {
        modWait::Wait(50);
        innerDone = clock.elapsed();
    });
    clock.start();
    modWait::Wait(300);
    const qint64 took = clock.elapsed();
    ASSERT_GE(innerDone, 65);  // the inner wait ran its own 50 ms
    EXPECT_GE(took, 295);
    EXPECT_LE(took, 700);
}

TEST(Wait, AnInnerWaitOutlivingTheOuterDeadlineEndsBothWhenItIsDone) {
    QElapsedTimer clock;
    QTimer::singleShot(10, [&] { modWait::Wait(200); });
    clock.start();
    modWait::Wait(50);
    const qint64 took = clock.elapsed();
    EXPECT_GE(took, 205);  // the outer could not return while the inner one pumped
    EXPECT_LE(took, 600);
}

TEST(Wait, ZeroOrNegativeReturnsAtOnce) {
    bool fired = false;
    QTimer::singleShot(0, [&] { fired = true; });
    QElapsedTimer clock;
    clock.start();
    modWait::Wait(0);
    modWait::Wait(-5);
    EXPECT_LT(clock.elapsed(), 50);
    EXPECT_FALSE(fired);  // no events were pumped either
    modWait::Wait(1);
    EXPECT_TRUE(fired);
}
