#include "app/modOSInfo.h"
#include "app/modShellExecute.h"
#include "platform/ProgramFolder.h"
#include "support/TempProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTest>
#include <gtest/gtest.h>

TEST(ShellExecute, AProgramStartsInTheGivenFolderAndAMissingFileIsReported) {
    TempProgramFolder folder;
    QDir().mkpath(folder.file("work"));
    folder.write("tool.sh", "#!/bin/sh\necho started > marker.txt\n");
    QFile::setPermissions(folder.file("tool.sh"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    qputenv("ORUN_TEST_TOOL", "tool.sh");
    EXPECT_EQ(modShellExecute::LaunchDocument(0, "%ORUN_TEST_TOOL%", folder.path(), 1), -1);
    EXPECT_GE(modShellExecute::LastInstanceResult(), 33);
    EXPECT_GT(modShellExecute::LastProcessHandle(), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(folder.file("marker.txt")); }, 5000));

    EXPECT_EQ(modShellExecute::LaunchDocument(0, "C:\\tool.sh", folder.file("work"), 1), -1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(folder.file("work/marker.txt")); }, 5000));

    EXPECT_EQ(modShellExecute::LaunchDocument(0, "missing.pdf", "", 1), modShellExecute::kFileNotFound);
    EXPECT_EQ(modShellExecute::LastInstanceResult(), modShellExecute::kFileNotFound);
    EXPECT_EQ(modShellExecute::LastProcessHandle(), 0);
    EXPECT_FALSE(modShellExecute::RunningFromIDE());
    qunsetenv("ORUN_TEST_TOOL");
}

TEST(OSInfo, SystemDirectoryIsTheLibraryFolderBesideTheProgram) {
    TempProgramFolder folder;
    QDir().mkpath(folder.file("bin"));
    SetProgramFolder(folder.file("bin"));
    // The libraries belong to the installation: a station's program folder elsewhere does
    // not move them.
    EXPECT_EQ(modOSInfo::SystemDirectory(),
              QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../lib") + "/");
    EXPECT_FALSE(modOSInfo::ComputerName().isEmpty());
    EXPECT_GT(modOSInfo::OSMajorVersion(), 0);
    EXPECT_LE(modOSInfo::OSBuild(), 0x7FFF);
    EXPECT_EQ(modOSInfo::TrimNulls(QString::fromLatin1("abc\0def", 7)), "abc");
    EXPECT_EQ(modOSInfo::TrimNulls(QString::fromLatin1("\0abc", 4)), "");
    EXPECT_EQ(modOSInfo::TrimNulls("abc"), "abc");
}
