#include "app/frmStartup.h"
#include "app/frmTip.h"
#include "platform/AppInfo.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

TEST(Splash, ShowsTheVersionAndFollowsProgressWithinItsRange) {
    frmStartup splash;
    splash.show();
    auto* version = splash.findChild<QLabel*>("lblVersion");
    auto* status = splash.findChild<QLabel*>("lblStatus");
    auto* bar = splash.findChild<QProgressBar*>("prgPercent");
    ASSERT_TRUE(version && status && bar && splash.findChild<QLabel*>("imgLogo"));
    EXPECT_EQ(version->text(), App().Title + " Version 4.11  ");
    EXPECT_TRUE(splash.windowFlags() & Qt::WindowStaysOnTopHint);

    splash.setProgressPercent(100);
    EXPECT_EQ(bar->value(), 100);
    splash.setProgressPercent(100.5);
    splash.setProgressPercent(-1);
    EXPECT_EQ(bar->value(), 100);
    splash.setProgressPercent(37.5);
    EXPECT_EQ(bar->value(), 38);  // half to even

    splash.setProgressText("  Read database...  ");
    EXPECT_EQ(status->text(), "Read database...");
}

TEST(Tip, ASecondMessageReplacesTheFirstAndGetsItsFullTime) {
    QWidget owner;
    owner.show();
    frmTip::ShowTip(&owner, "Hold Ctrl key, then click to activate.", 2000);
    frmTip* tip = frmTip::Current();
    ASSERT_NE(tip, nullptr);
    EXPECT_TRUE(tip->isVisible());
    EXPECT_TRUE(tip->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(tip->parentWidget(), &owner);

    frmTip::ShowTip(&owner, "Sensor state is forced by a digital input.", 5000, 10, 20);
    EXPECT_EQ(frmTip::Current(), tip);  // one pop-up at a time
    EXPECT_EQ(tip->findChild<QLabel*>("lblMessage")->text(), "Sensor state is forced by a digital input.");
    auto* timer = tip->findChild<QTimer*>("Timer1");
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 5000);
    EXPECT_GT(timer->remainingTime(), 2000);  // restarted, not what was left of the first
    EXPECT_EQ(tip->size(), tip->findChild<QLabel*>("lblMessage")->size());

    QTest::mouseClick(tip->findChild<QLabel*>("lblMessage"), Qt::LeftButton);
    EXPECT_EQ(frmTip::Current(), nullptr);
    EXPECT_FALSE(tip->isVisible());
}

TEST(Tip, ClosesItselfWhenItsTimeIsUp) {
    QWidget owner;
    frmTip::ShowTip(&owner, "QCMCal Error: no signal", 50);
    ASSERT_NE(frmTip::Current(), nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return frmTip::Current() == nullptr; }, 2000));
}

TEST(Tip, F1OpensNoHelpFromThePopUpOrTheSplash) {
    QWidget owner;
    frmTip::ShowTip(&owner, "tip", 5000);
    frmTip* tip = frmTip::Current();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    EXPECT_TRUE(QApplication::sendEvent(tip, &press));
    EXPECT_TRUE(press.isAccepted());
    QKeyEvent other(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
    QApplication::sendEvent(tip, &other);
    EXPECT_FALSE(other.isAccepted());
    tip->close();

    frmStartup splash;
    QKeyEvent shortcut(QEvent::ShortcutOverride, Qt::Key_F1, Qt::NoModifier);
    shortcut.ignore();
    QApplication::sendEvent(&splash, &shortcut);
    EXPECT_TRUE(shortcut.isAccepted());  // no application shortcut gets to see F1
}
