// The reply timer with the real clock: 1000 ms to the first time-out, then every 2000 ms.
#include "unit/LinkHarness.h"

#include "platform/ccrpTimer.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {
// Generous on the late side: the machine may be busy running other tests.
constexpr qint64 kEarly = 30;
constexpr qint64 kLate = 400;
}  // namespace

TEST(cORUNTimeout, SilentUnitTimesOutAfter1000MsThenEvery2000Ms) {
    cORUN link;
    link.setEnabled(true);
    QSignalSpy errors(&link, &cORUN::ORUNError);
    QElapsedTimer clock;
    clock.start();
    link.SendCheckReading();

    // A second command 400 ms later re-enables the running timer; that must not restart it.
    QTest::qWait(400);
    link.SendReadSensors();

    ASSERT_TRUE(errors.wait(1000 + kLate));
    const qint64 first = clock.elapsed();
    EXPECT_GE(first, 1000 - kEarly);
    EXPECT_LT(first, 1000 + kLate);
    EXPECT_EQ(errors.takeFirst(), (QVariantList{0, 0}));
    EXPECT_EQ(link.CommStatus(), 2);

    ASSERT_TRUE(errors.wait(2000 + kLate));
    const qint64 second = clock.elapsed() - first;
    EXPECT_GE(second, 2000 - kEarly);
    EXPECT_LT(second, 2000 + kLate);
    EXPECT_EQ(errors.takeFirst(), (QVariantList{0, 0}));

    // A time-out does not hold commands back: the next one goes out at once.
    QSignalSpy commands(&link, &cORUN::ORUNCommand);
    link.SendGetVersion();
    ASSERT_EQ(commands.count(), 1);
    EXPECT_EQ(commands.takeFirst().at(0).toString(), "@");
    EXPECT_EQ(link.CommStatus(), 1);
}

TEST(cORUNTimeout, ReplyStopsTheTimerAndIdentificationSwitchesTo5000Ms) {
    cORUN link;
    auto* timer = link.findChild<ccrpTimer*>(QStringLiteral("ORUNTimer"));
    link.setEnabled(true);
    link.SendCheckReading();
    EXPECT_TRUE(timer->Enabled());
    Reply(link, "F0");
    EXPECT_FALSE(timer->Enabled());
    QSignalSpy errors(&link, &cORUN::ORUNError);
    EXPECT_FALSE(errors.wait(1200));

    link.SendGetVersion();
    Reply(link, "ORUN 4.11");
    EXPECT_EQ(timer->Interval(), 5000);
    EXPECT_TRUE(timer->Enabled());  // restarted for the "A" it sent
}
