#include "platform/BoundedArray.h"
#include "platform/Clock.h"
#include "platform/DesktopDocument.h"
#include "platform/Dialogs.h"
#include "platform/ProgramFolder.h"
#include "platform/SettingsStore.h"
#include "platform/VbColor.h"
#include "platform/VbControls.h"
#include "platform/ccrpTimer.h"
#include "support/DialogRecorder.h"
#include "support/TempProgramFolder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QLabel>
#include <memory>
#include <QSignalSpy>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <vector>

TEST(BoundedArray, AddressesTheOriginalRangeAndRefusesOutside) {
    BoundedArray<int, 1, 25> a;
    a(1) = 7;
    a(25) = 9;
    EXPECT_EQ(a(1), 7);
    EXPECT_EQ(a[25], 9);
    try {
        a(0) = 1;
        FAIL() << "index 0 accepted";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number, 9);
    }
    EXPECT_THROW(a(26), RuntimeError);
}

TEST(Clock, FixedClockMovesOnlyWhenAdvancedAndTimerIsSecondsSinceMidnight) {
    Clock::SetFixed(QDateTime(QDate(2026, 3, 1), QTime(1, 2, 5, 250)));
    EXPECT_FLOAT_EQ(Timer(), 3725.25f);
    const int64_t t0 = TickMs();
    Clock::Advance(90);
    EXPECT_EQ(TickMs() - t0, 90);
    EXPECT_EQ(Now().time(), QTime(1, 2, 5, 340));
    // Across midnight the timer starts again from 0.
    Clock::SetFixed(QDateTime(QDate(2026, 3, 1), QTime(23, 59, 59, 500)));
    Clock::Advance(1000);
    EXPECT_FLOAT_EQ(Timer(), 0.5f);
    Clock::UseSystem();
    EXPECT_FALSE(Clock::IsFixed());
}

TEST(ProgramFolder, SettingPathsResolveAgainstTheProgramFolder) {
    TempProgramFolder folder;
    const QString f = folder.path();
    EXPECT_EQ(ProgramFolder(), f);
    EXPECT_EQ(ResolvePath("ORUN.CFG"), f + "/ORUN.CFG");
    EXPECT_EQ(ResolvePath("C:\\ERRORS.TXT"), f + "/ERRORS.TXT");
    EXPECT_EQ(ResolvePath("c:logs\\run.txt"), f + "/logs/run.txt");
    EXPECT_EQ(ResolvePath("data\\ORUN.MDB"), f + "/data/ORUN.MDB");
    EXPECT_EQ(ResolvePath("/var/tmp/x.txt"), "/var/tmp/x.txt");
    EXPECT_EQ(InProgramFolder("ORUN.CFG"), f + "/ORUN.CFG");
    EXPECT_EQ(ResolvePath(""), "");
}

TEST(SettingsStore, ValuesRoundTripPerSectionAndDefaultWhenMissing) {
    TempProgramFolder folder;
    EXPECT_EQ(GetSetting("ORUN_411", "Setup File", "Setup"), "");
    EXPECT_EQ(GetSetting("ORUN_411", "frmMain", "EditChan", "0"), "0");
    SaveSetting("ORUN_411", "Setup File", "Setup", "ORUN.CFG");
    SaveSetting("ORUN_411", "frmGraph0", "Visible", "True");
    EXPECT_EQ(GetSetting("ORUN_411", "Setup File", "Setup"), "ORUN.CFG");
    EXPECT_EQ(GetSetting("ORUN_411", "frmGraph0", "Visible"), "True");
    EXPECT_EQ(GetSetting("ORUN_Comm", "Setup File", "Setup", "none"), "none");
    DeleteSetting("ORUN_411", "frmGraph0", "Visible");
    EXPECT_EQ(GetSetting("ORUN_411", "frmGraph0", "Visible", "False"), "False");
}

TEST(Dialogs, ResponderRecordsEveryBoxWithTheApplicationTitle) {
    DialogRecorder boxes;
    boxes.answer(vbNo);
    EXPECT_EQ(MsgBox("Exit the ORUN program?", vbYesNo | vbQuestion), vbNo);
    EXPECT_EQ(MsgBox("plain"), vbOK);
    EXPECT_EQ(InputBox("Name?", "Rename", "old"), "old");
    boxes.answer(vbCancel);
    EXPECT_EQ(InputBox("Name?"), "");
    ASSERT_EQ(boxes.count(), 4);
    EXPECT_EQ(boxes.boxes()[0].title, "ORUN_411");
    EXPECT_EQ(boxes.boxes()[0].icon(), vbQuestion);
    EXPECT_EQ(boxes.boxes()[2].title, "Rename");
}

// The test harness itself: nothing answers these boxes, so each fails its statement at
// once with its text instead of waiting for a dialog that nobody sees.
TEST(Dialogs, ABoxThatNothingAnswersFailsTheTestAtOnceWithItsText) {
    QElapsedTimer clock;
    clock.start();
    EXPECT_NONFATAL_FAILURE(MsgBox("Exit the ORUN program?", vbYesNo | vbQuestion), "Exit the ORUN program?");
    EXPECT_NONFATAL_FAILURE(InputBox("New process name:", "Rename", "old"), "New process name:");
    EXPECT_LT(clock.elapsed(), 1000);
    // A recorder in scope answers; once it goes, the harness's answer is back.
    {
        DialogRecorder boxes;
        EXPECT_EQ(MsgBox("answered"), vbOK);
    }
    EXPECT_NONFATAL_FAILURE(MsgBox("again unanswered"), "again unanswered");
}

TEST(ccrpTimer, OnTheFixedClockItTicksExactlyAndEnablingARunningTimerDoesNotRestartIt) {
    Clock::SetFixed(QDateTime(QDate(2026, 3, 1), QTime(8, 0, 0)), Clock::Timers::FollowClock);
    ccrpTimer t;
    t.setInterval(400);
    std::vector<int64_t> ticks;
    const int64_t t0 = TickMs();
    QObject::connect(&t, &ccrpTimer::Timer, [&] { ticks.push_back(TickMs() - t0); });
    t.setEnabled(true);
    Clock::Advance(150);
    t.setEnabled(true);  // must keep the first schedule
    Clock::Advance(249);
    EXPECT_TRUE(ticks.empty());
    Clock::Advance(1);
    Clock::Advance(850);  // two more ticks on the way
    EXPECT_EQ(ticks, (std::vector<int64_t>{400, 800, 1200}));
    // A new interval starts from now.
    t.setInterval(100);
    Clock::Advance(100);
    EXPECT_EQ(ticks.back(), 1350);
    t.setEnabled(false);
    EXPECT_FALSE(t.Enabled());
    Clock::Advance(1000);
    EXPECT_EQ(ticks.size(), 4u);
    Clock::UseSystem();
}

TEST(ccrpTimer, OnTheSystemClockItTicksByItself) {
    ccrpTimer t;
    t.setInterval(20);
    QSignalSpy spy(&t, &ccrpTimer::Timer);
    t.setEnabled(true);
    EXPECT_TRUE(spy.wait(2000));
    t.setEnabled(false);
    EXPECT_FALSE(t.Enabled());
}

// A time-out restarted many times over (as every command restarts the link's reply
// timer) ticks only a full interval after its latest start and never while stopped;
// a new interval counts from when it is set. Only lower bounds are checked: a loaded
// machine may deliver a tick late, never early.
TEST(ccrpTimer, RestartedOftenItTicksAnIntervalAfterItsLatestStartAndNeverWhileStopped) {
    ccrpTimer t;
    t.setRestartsOften(true);
    t.setInterval(150);
    QElapsedTimer clock;
    clock.start();
    std::vector<qint64> starts, ticks;
    QObject::connect(&t, &ccrpTimer::Timer, [&] { ticks.push_back(clock.elapsed()); });
    const auto start = [&] {
        t.setEnabled(false);
        EXPECT_FALSE(t.Enabled());
        t.setEnabled(true);
        EXPECT_TRUE(t.Enabled());
        starts.push_back(clock.elapsed());
    };
    for (int i = 0; i < 12; ++i) {
        start();
        QTest::qWait(i % 3 == 0 ? 5 : 25);
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return !ticks.empty(); }, 5000));
    for (qint64 tick : ticks) {
        qint64 latest = 0;
        for (qint64 s : starts)
            if (s <= tick) latest = s;
        EXPECT_GE(tick - latest, 149) << "tick at " << tick;
    }
    // Running on, it repeats an interval apart.
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticks.size() >= 2; }, 5000));
    EXPECT_GE(ticks[1] - ticks[0], 149);
    // Stopped, it stays silent.
    t.setEnabled(false);
    const size_t stopped = ticks.size();
    QTest::qWait(400);
    EXPECT_EQ(ticks.size(), stopped);
    // A new interval counts from when it is set.
    t.setEnabled(true);
    QTest::qWait(100);
    t.setInterval(60);
    const qint64 set = clock.elapsed();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticks.size() > stopped; }, 5000));
    EXPECT_GE(ticks[stopped] - set, 59);
}

// The desktop's opener tells by its exit code whether a program showed the document: a
// failure (no program for text files) reaches the caller once the opener has ended, a
// success does not.
TEST(DesktopDocument, TheOpenersFailureIsToldAndItsSuccessIsNot) {
    QTemporaryDir bin;
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.path().toLocal8Bit());
    for (const int exitCode : {3, 0}) {
        SCOPED_TRACE(exitCode);
        QFile opener(bin.filePath("xdg-open"));
        ASSERT_TRUE(opener.open(QIODevice::WriteOnly | QIODevice::Truncate));
        opener.write(QString("#!/bin/sh\nexit %1\n").arg(exitCode).toLatin1());
        opener.close();
        opener.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        bool told = false;
        OpenDocument(bin.filePath("ORUN.TXT"), [&] { told = true; });
        const auto running = [] { return QCoreApplication::instance()->findChildren<QProcess*>().size(); };
        ASSERT_TRUE(QTest::qWaitFor([&] { return running() == 0; }, 10000));
        EXPECT_EQ(told, exitCode != 0);
    }
    qputenv("PATH", path);
}

TEST(VbControls, ColoursReadBackAndEachNewControlGetsItsOwn) {
    auto label = std::make_unique<QLabel>();
    SetForeColor(label.get(), 0x0000FF);  // red, as stored colour values are BGR
    SetBackColor(label.get(), vbButtonFace);
    EXPECT_EQ(ForeColor(label.get()), 0x0000FFu);
    EXPECT_EQ(BackColor(label.get()), uint32_t(vbButtonFace));
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(label->palette().color(QPalette::Window), VbColor(vbButtonFace));
    SetForeColor(label.get(), 0x00FF00);
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(0, 255, 0));

    // A control made where a gone one was (the allocator likes to reuse the place) starts
    // without colours, and the colour the gone one had is painted on it all the same.
    label.reset();
    auto next = std::make_unique<QLabel>();
    EXPECT_EQ(ForeColor(next.get()), 0u);
    SetForeColor(next.get(), 0x00FF00);
    EXPECT_EQ(next->palette().color(QPalette::WindowText), QColor(0, 255, 0));
    EXPECT_EQ(ForeColor(nullptr), 0u);
}
