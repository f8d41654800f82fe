// The reader of Access files fails in every way a program can: the station names the file
// and the cause in one message, keeps the database it had open, and no file is written or
// left behind. A start reads the file once: a reader that would fail a second time costs
// nothing, and a carry-over that fails after the read leaves the Access file the one to
// open, so the next start tries it again.
#include "JetFileFixture.h"

#include "support/RecipeRows.h"

#include <QDir>
#include <QFileInfo>
#include <cstdio>

namespace {

struct Failure {
    const char* what;
    const char* script;  // the reader, a shell script; empty: the reader that ships
    int limitMs;
    QString cause;
    const char* file = "v301-jet4.mdb";
    int keep = 0;  // the file cut to this many bytes; 0: whole
    QByteArray (*edit)(QByteArray) = nullptr;
};

// v301-jet4.mdb with the first value of its database properties (the block's record of
// values follows the record of names, whose last is ORUN_VER) of length 0, which would
// hold the library at that value for ever.
QByteArray WithAPropertyOfLengthZero(QByteArray file) {
    const QString last = QStringLiteral("ORUN_VER");
    const QByteArray name(reinterpret_cast<const char*>(last.utf16()), last.size() * 2);
    const qsizetype values = file.indexOf(name) + name.size();
    // The record's length and type, the set's length and its name's (none), then the entry.
    const qsizetype entry = values + 6 + 6;
    if (file.count(name) != 1 || file.mid(values + 4, 2) != QByteArray("\0\0", 2) || file[entry] != 9) return QByteArray();
    file[entry] = 0;
    return file;
}

}  // namespace

TEST_F(JetFileTest, AReaderThatFailsNamesTheFileAndTheCauseAndChangesNothing) {
    const Failure failures[] = {
        {"crash", "kill -SEGV $$", 20000, "its reader crashed on it or reached its limit of work"},
        {"crash after writing part of the copy", "echo partial > \"$2\"; kill -KILL $$", 20000,
         "its reader crashed on it or reached its limit of work"},
        {"hang", "exec sleep 60", 300, "its reader did not finish within 0.3 s"},
        {"status of its own", "echo 'said on the way' ; exit 1", 20000, "its reader gave up on it with status 1"},
        {"a cause of its own", "echo 'table Layers has no end'; echo more; exit 3", 20000, "table Layers has no end"},
        {"missing", nullptr, 20000, ""},
        // The reader that ships: only the first page of the file, which it refuses with
        // its cause; and a cut through the pages of the database's properties, which once
        // led the library into endless work (it took apart the cut blocks while listing
        // the file's objects) and now ends in a cause of its own.
        {"refused by the reader that ships", "", 0, "its catalog of tables cannot be read", "v301-jet4.mdb", 4096},
        {"a cut through the properties' pages", "", 0, "the design of table Processes cannot be read", "full-jet4.mdb",
         98131},
        // Lengths in the database properties that the library would follow past the block's
        // end or round one place without end: refused before it reads them.
        {"a property of length 0", "", 0, "its database properties cannot be read", "v301-jet4.mdb", 0,
         WithAPropertyOfLengthZero},
    };
    SetupFile = "ORUN.CFG";
    // The database open before each load of the Access file.
    MakeDatabase("Open.MDB", "4.11").Close();
    modDB::DBLoad("Open.MDB");
    ASSERT_EQ(DBFile, "Open.MDB");
    int shown = 0;
    for (const Failure& f : failures) {
        SCOPED_TRACE(f.what);
        const QByteArray bytes = f.edit ? f.edit(Fixture(f.file)) : f.keep ? Fixture(f.file).left(f.keep) : Fixture(f.file);
        ASSERT_FALSE(bytes.isEmpty());
        folder.write("ORUN.MDB", bytes);
        if (!f.script) {
            dao::SetJetReader(folder.file("no-such-reader"), f.limitMs);
        } else if (*f.script) {
            folder.write("reader.sh", QByteArray("#!/bin/sh\n") + f.script + "\n");
            QFile::setPermissions(folder.file("reader.sh"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            dao::SetJetReader(folder.file("reader.sh"), f.limitMs);
        } else {
            dao::SetJetReader(QString(), 0);
        }
        const QString cause = f.script ? f.cause : QString("its reader %1 cannot be started").arg(folder.file("no-such-reader"));

        // The check of the start-up: one message naming the file and the cause.
        const QString problem = modDB::DatabaseProblem("ORUN.MDB");
        EXPECT_TRUE(problem.startsWith(QString("The file %1 is an Access (Jet) database that cannot be read: %2")
                                           .arg(folder.file("ORUN.MDB"), cause)))
            << problem.toStdString();
        EXPECT_TRUE(problem.endsWith("\r\nThe file is left unchanged. Restore it from a backup, or name another recipe "
                                     "database as Database in ORUN.CFG."))
            << problem.toStdString();

        EXPECT_EQ(QDir(folder.path()).entryList({"Work.mdb*"}, QDir::Files), QStringList());

        // A load of it without the check (its reading fails there): one report naming the
        // file and the cause; the database open before stays open, and no fallback is made.
        dialogs.clear();
        modDB::DBLoad("ORUN.MDB");
        EXPECT_EQ(DBFile, "Open.MDB");
        EXPECT_EQ(modDB::gDB.Name(), folder.file("Open.MDB"));
        ASSERT_EQ(dialogs.count(), 1) << dialogs.prompts().join('\n').toStdString();
        EXPECT_TRUE(dialogs.boxes()[0].prompt.contains(
            QString("The recipe database ORUN.MDB is an Access (Jet) database that could not be carried over: The Access "
                    "(Jet) database '%1' cannot be read: %2")
                .arg(folder.file("ORUN.MDB"), cause)))
            << dialogs.boxes()[0].prompt.toStdString();
        EXPECT_TRUE(dialogs.boxes()[0].prompt.endsWith(" The file is left unchanged.")) << dialogs.boxes()[0].prompt.toStdString();
        EXPECT_EQ(gErr.StackPointer(), 0);
        shown += dialogs.count();

        EXPECT_EQ(Bytes("ORUN.MDB"), bytes);
        QStringList left = QDir(folder.path()).entryList(QDir::Files);
        left.removeAll("ERRORS.TXT");
        left.removeAll("reader.sh");
        EXPECT_EQ(left, QStringList({TemplateFileName(), "Open.MDB", "ORUN.MDB"}));
    }
    EXPECT_EQ(shown, 9);
}

TEST_F(JetFileTest, AStartReadsTheAccessFileOnceAndAFailedCarryOverLeavesItTheFileToOpen) {
    SetupFile = "ORUN.CFG";
    const QByteArray jet = Fixture("full-jet4.mdb");
    folder.write("ORUN.MDB", jet);
    // A reader that reads the first time and is killed every time after.
    folder.write("reader.sh", QByteArray("#!/bin/sh\necho x >> \"$0.runs\"\n[ $(wc -l < \"$0.runs\") -gt 1 ] && kill -KILL $$\nexec ") +
                                  QFile::encodeName(dao::JetReaderProgram()) + " \"$@\"\n");
    QFile::setPermissions(folder.file("reader.sh"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    dao::SetJetReader(folder.file("reader.sh"), 60000);
    const auto runs = [&] { return folder.read("reader.sh.runs").count('\n'); };
    const auto startUp = [&] {
        DBFile = "ORUN.MDB";  // as the configuration file names it
        dialogs.clear();
        if (modDB::DatabaseProblem(DBFile).isEmpty()) modDB::DBLoad(DBFile);
    };

    // The check and the upgrade: one reading; the carry-over goes on from the check's copy.
    startUp();
    EXPECT_EQ(runs(), 1);
    EXPECT_EQ(DBFile, "ORUN.MDB");
    EXPECT_EQ(dialogs.prompts(), QStringList{"The recipe database ORUN.MDB was an Access (Jet) database. Its recipes have "
                                             "been carried over into this program's own form; the Access file is kept "
                                             "unchanged as ORUN_4.11.MDB."});
    modDB::gDB.Close();
    folder.write("full.sqlite", Fixture("full.sqlite"));
    EXPECT_EQ(RowDifferences(folder.file("ORUN.MDB"), folder.file("full.sqlite"), {"Sensors"}, true).join('\n').toStdString(), "");

    // A carry-over that fails after the reading (its template gone): the start has no
    // database, the Access file stays the one named, and nothing of the attempt is left.
    folder.write("ORUN.MDB", jet);
    QFile::remove(folder.file("ORUN_4.11.MDB"));
    QFile::remove(folder.file("reader.sh.runs"));
    dao::SetJetReader(QString(), 0);
    ASSERT_TRUE(QFile::rename(folder.file(TemplateFileName()), folder.file("template.kept")));
    startUp();
    EXPECT_FALSE(modDB::gDB.IsOpen());
    EXPECT_EQ(DBFile, "ORUN.MDB");
    ASSERT_EQ(dialogs.count(), 1) << dialogs.prompts().join('\n').toStdString();
    EXPECT_TRUE(dialogs.last().prompt.contains("The recipe database ORUN.MDB is an Access (Jet) database that could not be "
                                               "carried over: "))
        << dialogs.last().prompt.toStdString();
    EXPECT_TRUE(Bytes("ORUN.MDB") == jet);
    QStringList left = QDir(folder.path()).entryList(QDir::Files);
    left.removeAll("ERRORS.TXT");
    EXPECT_EQ(left, QStringList({"full.sqlite", "ORUN.MDB", "reader.sh", "template.kept"}));

    // The next start carries it over.
    ASSERT_TRUE(QFile::rename(folder.file("template.kept"), folder.file(TemplateFileName())));
    startUp();
    EXPECT_EQ(DBFile, "ORUN.MDB");
    EXPECT_TRUE(modDB::gDB.IsOpen());
    EXPECT_EQ(dao::HeaderOf(folder.file("ORUN.MDB")), dao::FileHeader::SQLite);
    EXPECT_TRUE(Bytes("ORUN_4.11.MDB") == jet);
}

// In a test run a reader that dies of a signal, a sanitizer's report or a status of its own
// is a fault of the reader, not a file that cannot be read: the test ends at once, with
// the reader's standard error in its log. Its own limits are no fault.
TEST_F(JetFileTest, AReaderThatDiesInATestRunEndsTheTestInsteadOfCountingAsAnUnreadableFile) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    folder.write("ORUN.MDB", Fixture("v301-jet4.mdb"));
    const struct {
        const char* what;
        const char* script;
        bool fatal;
    } readers[] = {
        {"crash", "echo 'AddressSanitizer: heap-buffer-overflow' >&2; kill -SEGV $$", true},
        {"sanitizer's status", "echo 'runtime error: signed integer overflow' >&2; exit 1", true},
        {"its time limit", "kill -XCPU $$", false},
        {"a cause of its own", "echo 'table Layers has no end'; exit 3", false},
    };
    for (const auto& r : readers) {
        SCOPED_TRACE(r.what);
        folder.write("reader.sh", QByteArray("#!/bin/sh\n") + r.script + "\n");
        QFile::setPermissions(folder.file("reader.sh"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        // A reader whose faults are not expected, as the one that ships.
        dao::SetJetReader(folder.file("reader.sh"), 20000, false);
        const auto convert = [&] {
            qputenv("ORUN_JETREAD_FAULTS_FATAL", "1");
            try {
                dao::ConvertJetFile(folder.file("ORUN.MDB"), folder.file("copy.sqlite"));
            } catch (const dao::JetReadError&) {
                std::fprintf(stderr, "cannot be read\n");
            }
        };
        if (r.fatal) {
            EXPECT_DEATH(convert(), "a fault of the reader");
        } else {
            convert();
            EXPECT_FALSE(QFile::exists(folder.file("copy.sqlite")));
        }
    }
}
