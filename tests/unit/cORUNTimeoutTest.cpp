// The reply timer: 1000 ms to the first time-out, then every 2000 ms, on the fixed clock.
#include "unit/LinkHarness.h"

#include "platform/Clock.h"
#include "platform/ccrpTimer.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

class cORUNTimeout : public ::testing::Test {
protected:
    cORUNTimeout() { Clock::SetFixed(QDateTime(QDate(2026, 5, 4), QTime(14, 0, 0)), Clock::Timers::FollowClock); }
    ~cORUNTimeout() override { Clock::UseSystem(); }
};

TEST_F(cORUNTimeout, SilentUnitTimesOutAfter1000MsThenEvery2000Ms) {
    cORUN link;
    link.setEnabled(true);
    QSignalSpy errors(&link, &cORUN::ORUNError);
    link.SendCheckReading();

    // A second command 400 ms later re-enables the running timer; that must not restart it.
    Clock::Advance(400);
    link.SendReadSensors();
    Clock::Advance(599);
    EXPECT_EQ(errors.count(), 0);
    Clock::Advance(1);
    ASSERT_EQ(errors.count(), 1);
    EXPECT_EQ(errors.takeFirst(), (QVariantList{0, 0}));
    EXPECT_EQ(link.CommStatus(), 2);

    Clock::Advance(1999);
    EXPECT_EQ(errors.count(), 0);
    Clock::Advance(1);
    ASSERT_EQ(errors.count(), 1);
    EXPECT_EQ(errors.takeFirst(), (QVariantList{0, 0}));

    // A time-out does not hold commands back: the next one goes out at once.
    QSignalSpy commands(&link, &cORUN::ORUNCommand);
    link.SendGetVersion();
    ASSERT_EQ(commands.count(), 1);
    EXPECT_EQ(commands.takeFirst().at(0).toString(), "@");
    EXPECT_EQ(link.CommStatus(), 1);
}

TEST_F(cORUNTimeout, ReplyStopsTheTimerAndIdentificationSwitchesTo5000Ms) {
    cORUN link;
    auto* timer = link.findChild<ccrpTimer*>(QStringLiteral("ORUNTimer"));
    link.setEnabled(true);
    link.SendCheckReading();
    EXPECT_TRUE(timer->Enabled());
    Reply(link, "F0");
    EXPECT_FALSE(timer->Enabled());
    QSignalSpy errors(&link, &cORUN::ORUNError);
    Clock::Advance(10000);
    EXPECT_EQ(errors.count(), 0);

    link.SendGetVersion();
    Reply(link, "ORUN 4.11");
    EXPECT_EQ(timer->Interval(), 5000);
    EXPECT_TRUE(timer->Enabled());  // restarted for the "A" it sent
    Clock::Advance(4999);
    EXPECT_EQ(errors.count(), 0);
    Clock::Advance(1);
    EXPECT_EQ(errors.count(), 1);
}

}  // namespace
