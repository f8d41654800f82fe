#include "platform/IniProfile.h"
#include "support/FileSizeLimit.h"
#include "support/TempProgramFolder.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <iostream>
#include <linux/fs.h>
#include <optional>
#include <sys/ioctl.h>
#include <tuple>
#include <unistd.h>

using namespace IniProfile;

namespace {
// A folder that takes no new file while the object lives, its files staying writable: its
// write permission taken away, and for the one user that permission does not stop
// (root), the immutable attribute set where the file system has it.
class ClosedFolder {
public:
    explicit ClosedFolder(const QString& path) : path_(path) {
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner);
        if (::geteuid() != 0) return;
        closed_ = setImmutable(true);
    }
    ~ClosedFolder() {
        if (::geteuid() == 0 && closed_) setImmutable(false);
        QFile::setPermissions(path_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    bool Closed() const { return closed_; }

private:
    bool setImmutable(bool on) const {
        const int fd = ::open(QFile::encodeName(path_).constData(), O_RDONLY | O_DIRECTORY);
        if (fd < 0) return false;
        int flags = 0;
        bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        if (ok) {
            flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
            ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        ::close(fd);
        return ok;
    }
    QString path_;
    bool closed_ = true;
};

const QByteArray kConfig =
    "; station configuration\r\n"
    "[Comm]\r\n"
    "CPort = 10\r\n"
    "; address of the unit\r\n"
    "EAddr=192.168.0.5\r\n"
    "\r\n"
    "[display]\r\n"
    "Title=  \"  quoted  \"  \r\n"
    "Mixed='x\"\r\n"
    "Empty=\r\n"
    "Color=1\r\n"
    "color=2\r\n"
    "\r\n"
    "[Display]\r\n"
    "Late=3\r\n";
}

TEST(IniProfile, NamesIgnoreCaseValuesAreTrimmedAndTheFirstMatchWins) {
    EXPECT_EQ(Find(kConfig, "COMM", "cport"), "10");
    EXPECT_EQ(Find(kConfig, " Comm ", "EAddr"), "192.168.0.5");
    EXPECT_EQ(Find(kConfig, "Display", "Title"), "  quoted  ");  // a quoted value keeps its inner blanks
    EXPECT_EQ(Find(kConfig, "Display", "Mixed"), "'x\"");        // quotes must match to be stripped
    EXPECT_EQ(Find(kConfig, "Display", "Color"), "1");
    ASSERT_TRUE(Find(kConfig, "Display", "Empty").has_value());
    EXPECT_EQ(*Find(kConfig, "Display", "Empty"), "");
    // Only the first section of a name is read.
    EXPECT_FALSE(Find(kConfig, "Display", "Late").has_value());
    EXPECT_FALSE(Find(kConfig, "Comm", "; address of the unit").has_value());
    EXPECT_FALSE(Find(kConfig, "Missing", "CPort").has_value());
    EXPECT_FALSE(Find(kConfig, "Comm", "Title").has_value());
}

TEST(IniProfile, WritingAKeyKeepsEveryOtherByteInPlace) {
    QByteArray changed = *Put(kConfig, "comm", "CPORT", "3");
    QByteArray expected = kConfig;
    expected.replace("CPort = 10", "CPort=3");
    EXPECT_EQ(changed, expected);

    // A missing key goes after the last key of its section, before the blank line.
    changed = *Put(kConfig, "Comm", "Baud", "9600");
    expected = kConfig;
    expected.replace("EAddr=192.168.0.5\r\n", "EAddr=192.168.0.5\r\nBaud=9600\r\n");
    EXPECT_EQ(changed, expected);

    // A missing section goes at the end of the file.
    changed = *Put(kConfig, "Sensor", "SensorFilter", "5");
    EXPECT_EQ(changed, kConfig + "[Sensor]\r\nSensorFilter=5\r\n");
}

TEST(IniProfile, NewLinesFollowTheFilesLineEndings) {
    EXPECT_EQ(*Put("[A]\nx=1", "A", "y", "2"), "[A]\nx=1\ny=2\n");
    EXPECT_EQ(*Put("[A]\nx=1", "B", "y", "2"), "[A]\nx=1\n[B]\ny=2\n");
    EXPECT_EQ(*Put("", "A", "x", "1"), "[A]\r\nx=1\r\n");
    EXPECT_EQ(*Put("[A]", "a", "x", "1"), "[A]\r\nx=1\r\n");
}

TEST(IniProfile, ALoneCREndsALineForReadingAndRewriting) {
    // A file with CR line ends reads and rewrites like its CR LF twin, keeping its CRs.
    QByteArray crOnly = kConfig;
    crOnly.replace("\r\n", "\r");
    for (const char* key : {"CPort", "EAddr", "Title", "Color"})
        for (const char* section : {"Comm", "Display"})
            EXPECT_EQ(Find(crOnly, section, key), Find(kConfig, section, key)) << section << " " << key;
    for (const auto& [section, key, value] : {std::tuple{"Comm", "CPort", "3"}, {"Comm", "Baud", "9600"},
                                              {"display", "Empty", "x"}, {"Sensor", "SensorFilter", "5"}}) {
        QByteArray twin = *Put(kConfig, section, key, value);
        twin.replace("\r\n", "\r");
        EXPECT_EQ(*Put(crOnly, section, key, value), twin) << key;
    }

    // One stray CR in a CR LF file ends the line it stands in.
    const QByteArray stray = "[A]\r\nx=1\ry=2\r\n[B]\r\nz=3\r\n";
    EXPECT_EQ(Find(stray, "A", "x"), "1");
    EXPECT_EQ(Find(stray, "A", "y"), "2");
    EXPECT_EQ(*Put(stray, "A", "y", "5"), "[A]\r\nx=1\ry=5\r\n[B]\r\nz=3\r\n");
    EXPECT_EQ(*Put(stray, "A", "w", "4"), "[A]\r\nx=1\ry=2\r\nw=4\r\n[B]\r\nz=3\r\n");
}

TEST(IniProfile, NamesAndValuesThatCannotStandInALineAreRefused) {
    EXPECT_FALSE(Put(kConfig, "Comm", "a=b", "1").has_value());
    EXPECT_FALSE(Put(kConfig, "Comm", "", "1").has_value());
    EXPECT_FALSE(Put(kConfig, "Co]mm", "a", "1").has_value());
    EXPECT_FALSE(Put(kConfig, "Comm", "a", "1\r\n[Evil]").has_value());
    EXPECT_FALSE(Put(kConfig, "Comm", ";a", "1").has_value());
}

TEST(IniProfile, ProfileIntegersReadTheLeadingNumber) {
    EXPECT_EQ(ParseInt("  42abc"), 42);
    EXPECT_EQ(ParseInt("-17"), -17);
    EXPECT_EQ(ParseInt("0x1F"), 31);
    EXPECT_EQ(ParseInt("012"), 12);
    EXPECT_EQ(ParseInt("abc"), 0);
    EXPECT_EQ(ParseInt("1.9"), 1);
    EXPECT_EQ(ParseInt("99999999999999999999999"), INT64_MAX);
    EXPECT_EQ(ParseInt("-99999999999999999999999"), INT64_MIN);
}

TEST(IniProfile, FilesAreCreatedWrittenAtomicallyAndReadOnlyFilesAreLeftAlone) {
    TempProgramFolder folder;
    const QString path = folder.file("ORUN.CFG");
    EXPECT_EQ(GetString(path, "Comm", "CPort", "1"), "1");  // no file: the default
    EXPECT_EQ(GetInt(path, "Comm", "CPort", 7), 7);
    ASSERT_TRUE(WriteString(path, "Comm", "CPort", "10"));
    EXPECT_EQ(folder.read("ORUN.CFG"), "[Comm]\r\nCPort=10\r\n");
    EXPECT_EQ(GetInt(path, "comm", "cport", 7), 10);
    EXPECT_EQ(GetString(path, "Comm", "Missing", "one two  "), "one two");  // without trailing blanks
    ASSERT_TRUE(WriteString(path, "Comm", "Empty", ""));
    EXPECT_EQ(GetInt(path, "Comm", "Empty", 7), 7);

    const QByteArray before = folder.read("ORUN.CFG");
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadUser);
    EXPECT_FALSE(WriteString(path, "Comm", "CPort", "3"));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(folder.read("ORUN.CFG"), before);

    EXPECT_FALSE(WriteString(folder.file("no/such/folder/x.ini"), "A", "b", "c"));
}

TEST(IniProfile, ABatchWritesEveryKeyInOneGoOrNothing) {
    TempProgramFolder folder;
    folder.write("ORUN.CFG", kConfig);
    const QString path = folder.file("ORUN.CFG");
    {
        Batch batch(path);
        ASSERT_TRUE(WriteString(path, "Comm", "CPort", "3"));
        ASSERT_TRUE(WriteString(path, "Display", "Late", "4"));
        ASSERT_TRUE(WriteString(path, "New", "Key", "5"));
        EXPECT_EQ(GetString(path, "comm", "cport", ""), "3");  // readers see the batch
        EXPECT_EQ(folder.read("ORUN.CFG"), kConfig);           // the file does not, yet
        ASSERT_TRUE(batch.Commit());
    }
    const QByteArray committed = folder.read("ORUN.CFG");
    EXPECT_EQ(GetInt(path, "Comm", "CPort", 0), 3);
    EXPECT_EQ(GetInt(path, "Display", "Late", 0), 4);
    EXPECT_EQ(GetInt(path, "New", "Key", 0), 5);
    EXPECT_TRUE(committed.startsWith("; station configuration\r\n"));

    {
        Batch abandoned(path);  // a save that never finished leaves the file alone
        ASSERT_TRUE(WriteString(path, "Comm", "CPort", "9"));
    }
    EXPECT_EQ(folder.read("ORUN.CFG"), committed);
    EXPECT_TRUE(WriteString(path, "Comm", "CPort", "8"));  // outside a batch: at once
    EXPECT_EQ(GetInt(path, "Comm", "CPort", 0), 8);

    const QByteArray before = folder.read("ORUN.CFG");
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadUser);
    {
        Batch readOnly(path);
        EXPECT_FALSE(WriteString(path, "Comm", "CPort", "1"));
        EXPECT_FALSE(readOnly.Commit());
    }
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(folder.read("ORUN.CFG"), before);
}

TEST(IniProfile, AWriteTheDiskRefusesLeavesTheOldFileWhole) {
    TempProgramFolder folder;
    const QString path = folder.file("ORUN.CFG");
    for (const bool inPlace : {false, true}) {
        SCOPED_TRACE(inPlace ? "the folder takes no new file: written in place" : "written beside, then renamed");
        folder.write("ORUN.CFG", kConfig);
        std::optional<ClosedFolder> closed;
        if (inPlace) {
            closed.emplace(folder.path());
            if (!closed->Closed()) {
                std::cout << "no folder can be closed to root here: the write in place is not tried\n";
                continue;
            }
        }
        {
            // Room for the old file, not for the new text.
            FileSizeLimit full(static_cast<rlim_t>(kConfig.size() + 8));
            EXPECT_FALSE(WriteString(path, "Comm", "EAddr", QString(64, '1')));
            EXPECT_EQ(folder.read("ORUN.CFG"), kConfig);
            Batch batch(path);
            ASSERT_TRUE(WriteString(path, "New", "Key", QString(64, '5')));
            EXPECT_FALSE(batch.Commit());
            EXPECT_EQ(batch.Error(), EFBIG);
            EXPECT_EQ(folder.read("ORUN.CFG"), kConfig);
        }
        // With room again the same write goes through, shorter and longer, and leaves
        // nothing but the file.
        ASSERT_TRUE(WriteString(path, "Comm", "EAddr", QString(64, '1')));
        ASSERT_TRUE(WriteString(path, "Comm", "EAddr", "1"));
        EXPECT_EQ(folder.read("ORUN.CFG"), QByteArray(kConfig).replace("EAddr=192.168.0.5", "EAddr=1"));
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"ORUN.CFG"});
    }
}
