// The message-pumping wait, on the fixed clock (timers fire as the wait moves it) and once
// on the system clock.
#include "app/modWait.h"

#include "platform/Clock.h"
#include "platform/ccrpTimer.h"

#include <QElapsedTimer>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

class Wait : public ::testing::Test {
protected:
    Wait() {
        Clock::SetFixed(QDateTime(QDate(2026, 1, 2), QTime(9, 0, 0)), Clock::Timers::FollowClock);
        start = TickMs();
    }
    ~Wait() override { Clock::UseSystem(); }

    // Runs action once, ms from now on the clock.
    void After(int ms, std::function<void()> action) {
        auto& timer = timers.emplace_back(std::make_unique<ccrpTimer>());
        timer->setInterval(ms);
        ccrpTimer* t = timer.get();
        QObject::connect(t, &ccrpTimer::Timer, [t, action] {
            t->setEnabled(false);
            action();
        });
        t->setEnabled(true);
    }
    int64_t Elapsed() const { return TickMs() - start; }

    int64_t start = 0;
    std::vector<std::unique_ptr<ccrpTimer>> timers;
};

TEST_F(Wait, NestedWaitsEachOwnTheirDeadline) {
    // Timers fire while a wait waits its time.
    int64_t fired = -1;
    After(20, [&] { fired = Elapsed(); });
    modWait::Wait(100);
    EXPECT_EQ(fired, 20);
    EXPECT_EQ(Elapsed(), 100);

    // A nested wait does not end the outer one early...
    int64_t innerDone = -1;
    After(20, [&] {
        modWait::Wait(50);
        innerDone = Elapsed();
    });
    modWait::Wait(300);
    EXPECT_EQ(innerDone, 170);
    EXPECT_EQ(Elapsed(), 400);

    // ...and an inner wait outliving the outer deadline ends both when it is done.
    After(10, [&] { modWait::Wait(200); });
    modWait::Wait(50);
    EXPECT_EQ(Elapsed(), 610);
}

TEST_F(Wait, ZeroOrNegativeReturnsAtOnceWithoutPumping) {
    bool fired = false;
    QTimer::singleShot(0, [&] { fired = true; });
    modWait::Wait(0);
    modWait::Wait(-5);
    EXPECT_EQ(Elapsed(), 0);
    EXPECT_FALSE(fired);  // no events were pumped either
    modWait::Wait(1);
    EXPECT_TRUE(fired);
}

TEST(WaitOnTheSystemClock, LetsTimersFireWhileItWaitsItsTime) {
    bool fired = false;
    QTimer::singleShot(5, [&] { fired = true; });
    QElapsedTimer clock;
    clock.start();
    modWait::Wait(30);
    EXPECT_TRUE(fired);
    EXPECT_GE(clock.elapsed(), 28);
}

}  // namespace
