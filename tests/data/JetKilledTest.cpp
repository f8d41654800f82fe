// A program killed at any moment while it checks and carries an Access file over: the file
// is the Access file untouched or the whole carried-over database, and the backup, where
// there is one, is whole. The kills run in a child program that goes the start-up's way:
// it removes what killed programs left, checks the file, then loads it. The next start
// leaves none of the scratch that kills leave (the reader's unfinished copy, the upgrade's
// file and its journals, the scratch copy, the copies in the temporary folder of programs
// that are gone).
//   ORUN_JET_KILLS=200 build/tests/test_data --gtest_filter='*Killed*'   (default 30 kills)
#include "JetFileFixture.h"

#include "support/RecipeRows.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcessEnvironment>
#include <QElapsedTimer>
#include <QProcess>
#include <chrono>
#include <iostream>
#include <random>
#include <sys/time.h>
#include <thread>

namespace {

int Kills() {
    const int asked = qEnvironmentVariableIntValue("ORUN_JET_KILLS");
    return asked > 0 ? asked : 30;
}

// Starts the child's start-up on file, its temporary folder tmp; true once it has begun.
bool StartLoad(QProcess& loader, const QString& file, const QString& tmp) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TMPDIR", tmp);
    loader.setProcessEnvironment(env);
    loader.start(QStringLiteral(ORUN_SAVE_LOOP), {"--start", file});
    return loader.waitForReadyRead(30000);
}

// The id of a process that has ended.
qint64 EndedProcess() {
    QProcess gone;
    gone.start("true", QStringList());
    gone.waitForFinished(30000);
    return gone.processId() > 0 ? gone.processId() : 999999;
}

}  // namespace

TEST_F(JetFileTest, ACarryingOverKilledAtAnyMomentLeavesTheAccessFileOrTheWholeNewOne) {
    const QByteArray jet = Fixture("full-jet4.mdb");
    const QString file = folder.file("ORUN.MDB");
    const QString backup = folder.file("ORUN_4.11.MDB");
    folder.write("full.sqlite", Fixture("full.sqlite"));
    const QString tmp = folder.file("tmp");
    ASSERT_TRUE(QDir().mkpath(tmp));

    // One carrying over to its end: the time it takes, and the file every later one makes.
    folder.write("ORUN.MDB", jet);
    QProcess whole;
    ASSERT_TRUE(StartLoad(whole, file, tmp));
    QElapsedTimer took;
    took.start();
    ASSERT_TRUE(whole.waitForFinished(120000));
    const qint64 loadUs = took.nsecsElapsed() / 1000;
    ASSERT_EQ(whole.exitCode(), 0);
    EXPECT_EQ(whole.readAllStandardError().toStdString(),
              "box: The recipe database " + file.toStdString() +
                  " was an Access (Jet) database. Its recipes have been carried over into this program's own form; "
                  "the Access file is kept unchanged as " + backup.toStdString() + ".\n");
    ASSERT_EQ(RowDifferences(file, folder.file("full.sqlite"), {"Sensors"}, true).join('\n').toStdString(), "");
    ASSERT_TRUE(QFile::rename(file, folder.file("Carried.MDB")));
    QFile::remove(backup);

    // Kills anywhere from the start of the load to a little after its usual end. What a
    // killed one leaves beside the file stays for the next; the backup a kill left stays
    // for every third, so the others may fall into its making.
    std::mt19937 rng(47);
    int untouched = 0, carried = 0, backups = 0, scratchLeft = 0;
    const auto scratchOfKills = [&] {
        return QDir(folder.path()).entryList({"Work.mdb*", "*.reading", "*.upgrade*"}, QDir::Files) +
               QDir(tmp).entryList({"orun-jet-*"}, QDir::Dirs);
    };
    const int kills = Kills();
    for (int k = 0; k < kills; ++k) {
        SCOPED_TRACE(testing::Message() << "kill " << k);
        if (folder.read("ORUN.MDB") != jet) {
            QFile::remove(file);
            folder.write("ORUN.MDB", jet);
        }
        if (k % 3 != 0) QFile::remove(backup);
        QProcess loader;
        ASSERT_TRUE(StartLoad(loader, file, tmp));
        std::this_thread::sleep_for(std::chrono::microseconds(rng() % (loadUs * 5 / 4 + 1)));
        loader.kill();
        ASSERT_TRUE(loader.waitForFinished(30000));

        const QByteArray left = folder.read("ORUN.MDB");
        if (left == jet) {
            ++untouched;
        } else {
            ++carried;
            ASSERT_EQ(IntegrityOf(file), "ok");
            // The Sensors rows, which the load adds after the carrying over, may not be there yet.
            ASSERT_EQ(RowDifferences(file, folder.file("Carried.MDB"), {"Sensors"}).join('\n').toStdString(), "");
        }
        // What this kill left, the next start removes first.
        if (!scratchOfKills().isEmpty()) ++scratchLeft;
        if (QFile::exists(backup)) {
            ++backups;
            ASSERT_TRUE(folder.read("ORUN_4.11.MDB") == jet) << "the backup is whole";
        }
    }
    std::cout << kills << " kills: the Access file left untouched " << untouched << " times, carried over " << carried
              << " times; a backup there " << backups << " times; scratch left by " << scratchLeft << " kills\n";

    // The next start carries the file over, whatever the kills left beside it, and leaves
    // none of the scratch kills leave: as they left it (a copy of a program that is gone in
    // the temporary folder, an upgrade's super-journal), and as they may (every other kind).
    folder.write("ORUN.MDB", jet);
    const QStringList scratch{"ORUN.MDB.upgrade", "ORUN.MDB.upgrade-journal", "ORUN.MDB.upgrade-mj5C2A01F7",
                              "Work.mdb", "Work.mdb-journal", "Work.mdb.reading"};
    for (const QString& name : scratch) folder.write(name, "left by a kill");
    const QString gone = QString("tmp/orun-jet-%1-Ab12Cd").arg(EndedProcess());
    const QString living = QString("tmp/orun-jet-%1-Ab12Cd").arg(QCoreApplication::applicationPid());
    // Named as earlier builds named them: one left for hours, one just made.
    const QString older = "tmp/orun-jet-Qw3rTy", recent = "tmp/orun-jet-Zx9cVb";
    for (const QString& copy : {gone, living, older, recent}) {
        ASSERT_TRUE(QDir().mkpath(folder.file(copy)));
        folder.write(copy + "/copy.sqlite", "a copy");
    }
    const timeval hoursAgo[2] = {{time(nullptr) - 7200, 0}, {time(nullptr) - 7200, 0}};
    ASSERT_EQ(utimes(QFile::encodeName(folder.file(older)).constData(), hoursAgo), 0);
    QProcess last;
    ASSERT_TRUE(StartLoad(last, file, tmp));
    ASSERT_TRUE(last.waitForFinished(120000));
    EXPECT_EQ(RowDifferences(file, folder.file("Carried.MDB")).join('\n').toStdString(), "");
    EXPECT_TRUE(folder.read("ORUN_4.11.MDB") == jet);
    EXPECT_EQ(QDir(folder.path()).entryList({"Work.mdb*", "*.reading", "*.part", "*.upgrade*"}, QDir::Files), QStringList());
    EXPECT_FALSE(QFile::exists(folder.file(gone)));
    EXPECT_FALSE(QFile::exists(folder.file(older)));
    EXPECT_TRUE(QFile::exists(folder.file(living + "/copy.sqlite"))) << "a running program's copy stays";
    EXPECT_TRUE(QFile::exists(folder.file(recent + "/copy.sqlite"))) << "a copy that may be in use stays";
}
