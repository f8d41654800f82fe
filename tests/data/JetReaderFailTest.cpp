// The reader of Access files fails in every way a program can: the station names the file
// and the cause in one message, and no file is written or left behind.
#include "JetFileFixture.h"

#include <QDir>
#include <QFileInfo>

namespace {

struct Failure {
    const char* what;
    const char* script;  // the reader, a shell script; empty: the reader that ships
    int limitMs;
    QString cause;
    const char* file = "v301-jet4.mdb";
    int keep = 0;  // the file cut to this many bytes; 0: whole
};

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
        // its cause; and a cut that leads the library into endless work, which the
        // reader's own limit ends.
        {"refused by the reader that ships", "", 0, "its catalog of tables cannot be read", "v301-jet4.mdb", 4096},
        {"endless work of the reader that ships", "", 0, "its reader crashed on it or reached its limit of work",
         "full-jet4.mdb", 98131},
    };
    SetupFile = "ORUN.CFG";
    int shown = 0;
    for (const Failure& f : failures) {
        SCOPED_TRACE(f.what);
        const QByteArray bytes = f.keep ? Fixture(f.file).left(f.keep) : Fixture(f.file);
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

        // File > Open of it: the upgrade's error path, which opens the fallback database.
        dialogs.clear();
        modDB::DBLoad("ORUN.MDB");
        EXPECT_EQ(DBFile, "New.mdb");
        ASSERT_EQ(dialogs.count(), 2) << dialogs.prompts().join('\n').toStdString();
        EXPECT_TRUE(dialogs.boxes()[0].prompt.startsWith(
            QString("Error number: 3049\rThe Access (Jet) database '%1' cannot be read: %2").arg(folder.file("ORUN.MDB"), cause)))
            << dialogs.boxes()[0].prompt.toStdString();
        EXPECT_TRUE(dialogs.boxes()[1].prompt.contains("UpgradeDB")) << dialogs.boxes()[1].prompt.toStdString();
        EXPECT_EQ(gErr.StackPointer(), 0);
        shown += dialogs.count();

        EXPECT_EQ(Bytes("ORUN.MDB"), bytes);
        QStringList left = QDir(folder.path()).entryList(QDir::Files);
        left.removeAll("ERRORS.TXT");
        left.removeAll("reader.sh");
        EXPECT_EQ(left, QStringList({TemplateFileName(), "New.mdb", "ORUN.MDB"}));
        QFile::remove(folder.file("New.mdb"));
    }
    EXPECT_EQ(shown, 16);
}
