#include "platform/Clock.h"

#include <gtest/gtest.h>

TEST(TimerOfDay, SystemTimerAgreesWithTheLocalTimeOfDay) {
    Clock::UseSystem();
    for (int i = 0; i < 3; ++i) {
        const int before = Now().time().msecsSinceStartOfDay();
        const float t = Timer();
        const int after = Now().time().msecsSinceStartOfDay();
        if (after < before) continue;  // midnight passed between the readings
        EXPECT_GE(t, before / 1000.0f - 0.01f);
        EXPECT_LE(t, after / 1000.0f + 0.01f);
    }
}
