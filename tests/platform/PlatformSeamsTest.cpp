#include "platform/BoundedArray.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/ProgramFolder.h"
#include "platform/SettingsStore.h"
#include "platform/ccrpTimer.h"
#include "support/DialogRecorder.h"
#include "support/TempProgramFolder.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

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

TEST(ccrpTimer, EnablingARunningTimerDoesNotRestartIt) {
    // Wide margins: a loaded machine may stretch every wait, but a restart at 150 ms
    // would move the first tick from 400 ms to at least 550 ms.
    ccrpTimer t;
    t.setInterval(400);
    QElapsedTimer clock;
    qint64 firstTick = -1;
    QObject::connect(&t, &ccrpTimer::Timer, [&] {
        if (firstTick < 0) firstTick = clock.elapsed();
    });
    clock.start();
    t.setEnabled(true);
    QTest::qWait(150);
    t.setEnabled(true);  // must keep the first schedule
    ASSERT_TRUE(QTest::qWaitFor([&] { return firstTick >= 0; }, 2000));
    EXPECT_GE(firstTick, 390);
    EXPECT_LT(firstTick, 540);
    t.setEnabled(false);
    EXPECT_FALSE(t.Enabled());
    QSignalSpy spy(&t, &ccrpTimer::Timer);
    QTest::qWait(450);
    EXPECT_EQ(spy.count(), 0);
}
