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

TEST(TimerOfDay, NowIsTheSystemsLocalDateAndTime) {
    Clock::UseSystem();
    for (int i = 0; i < 3; ++i) {
        const QDateTime before = QDateTime::currentDateTime();
        const QDateTime now = Now();
        const QDateTime after = QDateTime::currentDateTime();
        if (after.date() != before.date()) continue;  // midnight passed between the readings
        EXPECT_EQ(now.date(), before.date());
        EXPECT_GE(now.time(), before.time());
        EXPECT_LE(now.time(), after.time());
        EXPECT_GE(now.toMSecsSinceEpoch(), before.toMSecsSinceEpoch());
        EXPECT_LE(now.toMSecsSinceEpoch(), after.toMSecsSinceEpoch());
    }
}

