#include "app/VBConv.h"
#include "app/modFileUtil.h"
#include "support/DialogRecorder.h"
#include "support/FileSizeLimit.h"
#include "support/TempProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimeZone>
#include <gtest/gtest.h>

using namespace modFileUtil;

namespace {
QByteArray pattern(int size) {
    QByteArray b(size, '\0');
    for (int i = 0; i < size; ++i) b[i] = static_cast<char>((i * 7 + 3) % 251);
    return b;
}
}  // namespace

TEST(FileUtil, CopyFileMakesAByteIdenticalCopyOverALongerFile) {
    TempProgramFolder folder;
    DialogRecorder boxes;
    folder.write("ORUN.MDB", pattern(5000));
    folder.write("backup.mdb", QByteArray(20000, 'x'));
    ASSERT_TRUE(CopyFile("ORUN.MDB", "backup.mdb"));
    EXPECT_EQ(folder.read("backup.mdb"), pattern(5000));

    // One whole block and one byte.
    folder.write("odd.bin", pattern(4097));
    ASSERT_TRUE(CopyFile(folder.file("odd.bin"), "C:\\odd-copy.bin"));
    EXPECT_EQ(folder.read("odd-copy.bin"), pattern(4097));

    // An empty source creates an empty destination.
    folder.write("empty.txt", "");
    ASSERT_TRUE(CopyFile("empty.txt", "new.txt"));
    ASSERT_TRUE(QFile::exists(folder.file("new.txt")));
    EXPECT_EQ(QFileInfo(folder.file("new.txt")).size(), 0);

    // A copy onto itself leaves the file whole.
    ASSERT_TRUE(CopyFile("ORUN.MDB", folder.file("ORUN.MDB")));
    EXPECT_EQ(folder.read("ORUN.MDB"), pattern(5000));
    EXPECT_EQ(boxes.count(), 0);
}

TEST(FileUtil, ACopyThatFailsIsReportedWithItsCauseAndLeavesTheTargetAlone) {
    TempProgramFolder folder;
    DialogRecorder boxes;
    folder.write("ORUN.MDB", pattern(5000));
    struct Case {
        const char* what;
        QString source, target;
        rlim_t limit;  // bytes a file may grow to: a full disk below the source's size
        QString box;   // starts so
    } cases[] = {
        {"missing source", "missing.mdb", "target.txt", RLIM_INFINITY, "Error: 53. File not found"},
        {"full disk", "ORUN.MDB", "target.txt", 1000, "Error: 61. Disk full: target.txt"},
        {"no such folder", "ORUN.MDB", "gone\\target.txt", RLIM_INFINITY, "Error: 76. Path not found"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        folder.write("target.txt", "keep");
        boxes.clear();
        {
            FileSizeLimit disk(c.limit);
            EXPECT_FALSE(CopyFile(c.source, c.target));
        }
        EXPECT_EQ(folder.read("target.txt"), "keep");
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList({"ORUN.MDB", "target.txt"}));
        ASSERT_EQ(boxes.count(), 1);
        EXPECT_EQ(boxes.last().title, "CopyFile");
        EXPECT_TRUE(boxes.last().prompt.startsWith(c.box)) << boxes.last().prompt.toStdString();
        EXPECT_EQ(boxes.last().buttons, vbOKOnly);
    }
}

TEST(FileUtil, AppendToTextFileAddsOneLineEachTime) {
    TempProgramFolder folder;
    DialogRecorder boxes;
    EXPECT_TRUE(AppendToTextFile("CommErrors.txt", "first"));
    EXPECT_TRUE(AppendToTextFile("CommErrors.txt", QString::fromUtf8("2 \u00c5/s")));
    EXPECT_EQ(folder.read("CommErrors.txt"), "first\r\n2 \xc5/s\r\n");
    // The message names the file and the cause.
    EXPECT_FALSE(AppendToTextFile("no\\such\\folder\\log.txt", "x"));
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().title, "AppendToTextFile");
    EXPECT_EQ(boxes.last().prompt, "Error: 76. Path not found: no\\such\\folder\\log.txt");

    // A line the device refuses (a full disk) is a failure, not a line written.
    if (QFileInfo::exists("/dev/full")) {
        EXPECT_FALSE(AppendToTextFile("/dev/full", "lost"));
        ASSERT_EQ(boxes.count(), 2);
        EXPECT_EQ(boxes.last().prompt, "Error: 61. Disk full: /dev/full (No space left on device)");
    }
}

TEST(FileUtil, BareNamesAreLookedUpInTheProgramFolderNotTheCurrentOne) {
    TempProgramFolder folder;
    folder.write("ORUN.CFG", "[Comm]");
    QDir().mkpath(folder.file("logs"));
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(QDir::tempPath());
    EXPECT_TRUE(FileExists("ORUN.CFG"));
    EXPECT_TRUE(FileExists("C:\\ORUN.CFG"));
    EXPECT_TRUE(FileExists("*.CFG"));
    EXPECT_TRUE(FileExists("ORUN.C?G"));
    EXPECT_FALSE(FileExists("*.MDB"));
    EXPECT_FALSE(FileExists("orun.mdb"));
    EXPECT_FALSE(FileExists(""));
    EXPECT_FALSE(FileExists("logs"));  // a folder is no file
    EXPECT_TRUE(DirExists("logs"));
    EXPECT_TRUE(DirExists("C:\\logs\\"));
    EXPECT_TRUE(DirExists(""));
    EXPECT_FALSE(DirExists("nothing"));
    QDir::setCurrent(cwd);

    EXPECT_TRUE(KillFile("ORUN.CFG"));
    EXPECT_FALSE(FileExists("ORUN.CFG"));
    EXPECT_TRUE(KillFile("ORUN.CFG"));  // a missing file is no failure
}

TEST(FileUtil, NameAndPathPartsSplitAtTheLastSeparator) {
    EXPECT_EQ(GetNamePart("C:\\data\\ORUN.MDB"), "ORUN.MDB");
    EXPECT_EQ(GetPathPart("C:\\data\\ORUN.MDB"), "C:\\data\\");
    EXPECT_EQ(GetNamePart("/var/log/run.txt"), "run.txt");
    EXPECT_EQ(GetPathPart("/var/log/run.txt"), "/var/log/");
    EXPECT_EQ(GetNamePart("ORUN.MDB"), "ORUN.MDB");
    EXPECT_EQ(GetPathPart("ORUN.MDB"), "");
}

TEST(FileUtil, FileTimesBecomeDatesInWholeSeconds) {
    modFileUtil::SystemTimeRec t;
    t.Year = 2026;
    t.Month = 3;
    t.Day = 1;
    t.Hour = 1;
    t.Minute = 2;
    t.Second = 5;
    t.Milliseconds = 999;
    const double serial = SystemTimeToVBATime(t);
    EXPECT_EQ(vb::Format(serial, "yyyy-mm-dd hh:mm:ss"), "2026-03-01 01:02:05");

    // 2026-03-01 01:02:05.999 UTC as a file time.
    const int64_t utcFileTime =
        (QDateTime(QDate(2026, 3, 1), QTime(1, 2, 5, 999), QTimeZone::utc()).toMSecsSinceEpoch() +
         11644473600000LL) *
        10000;
    const QByteArray tz = qgetenv("TZ");
    qputenv("TZ", "CET-1");  // an hour east of UTC, so the local conversion shows
    int64_t ft = utcFileTime;
    EXPECT_DOUBLE_EQ(WinTimeToVBATime(ft, false), serial);
    EXPECT_EQ(ft, utcFileTime);
    const int offset =
        QDateTime(QDate(2026, 3, 1), QTime(1, 2, 5), QTimeZone::utc()).toLocalTime().offsetFromUtc();
    EXPECT_NEAR(WinTimeToVBATime(ft, true), serial + offset / 86400.0, 1e-9);
    EXPECT_EQ(offset, 3600);
    EXPECT_EQ(ft, utcFileTime + offset * 10000000LL);  // the local time is written back
    if (tz.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", tz);
    int64_t bad = -1;
    EXPECT_EQ(WinTimeToVBATime(bad, false), 0);

    TempProgramFolder folder;
    folder.write("log.txt", "x");
    const QDateTime written = QFileInfo(folder.file("log.txt")).lastModified();
    const double local = GetFileDateTime("log.txt", 2, true);
    EXPECT_EQ(vb::Format(local, "yyyy-mm-dd hh:mm:ss"), written.toString("yyyy-MM-dd hh:mm:ss"));
    EXPECT_GT(GetFileDateTime("log.txt", 0, false), 0);
    EXPECT_EQ(GetFileDateTime("log.txt", 3, false), 0);
    EXPECT_EQ(GetFileDateTime("missing.txt", 2, false), 0);
    EXPECT_FALSE(GetExeFileName().isEmpty());
}
