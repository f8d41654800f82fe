// A program killed at any moment while it carries an Access file over: the file is the
// Access file untouched or the whole carried-over database, and the backup, where there is
// one, is whole. The kills run in a child program that loads the file as a start-up does.
//   ORUN_JET_KILLS=200 build/tests/test_data --gtest_filter='*Killed*'   (default 30 kills)
#include "JetFileFixture.h"

#include "support/RecipeRows.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <chrono>
#include <iostream>
#include <random>
#include <thread>

namespace {

int Kills() {
    const int asked = qEnvironmentVariableIntValue("ORUN_JET_KILLS");
    return asked > 0 ? asked : 30;
}

// Starts the child's load of file; true once it has begun.
bool StartLoad(QProcess& loader, const QString& file) {
    loader.start(QStringLiteral(ORUN_SAVE_LOOP), {"--load", file});
    return loader.waitForReadyRead(30000);
}

}  // namespace

TEST_F(JetFileTest, ACarryingOverKilledAtAnyMomentLeavesTheAccessFileOrTheWholeNewOne) {
    const QByteArray jet = Fixture("full-jet4.mdb");
    const QString file = folder.file("ORUN.MDB");
    const QString backup = folder.file("ORUN_4.11.MDB");
    folder.write("full.sqlite", Fixture("full.sqlite"));

    // One carrying over to its end: the time it takes, and the file every later one makes.
    folder.write("ORUN.MDB", jet);
    QProcess whole;
    ASSERT_TRUE(StartLoad(whole, file));
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
    int untouched = 0, carried = 0, backups = 0;
    const int kills = Kills();
    for (int k = 0; k < kills; ++k) {
        SCOPED_TRACE(testing::Message() << "kill " << k);
        if (folder.read("ORUN.MDB") != jet) {
            QFile::remove(file);
            folder.write("ORUN.MDB", jet);
        }
        if (k % 3 != 0) QFile::remove(backup);
        QProcess loader;
        ASSERT_TRUE(StartLoad(loader, file));
        std::this_thread::sleep_for(std::chrono::microseconds(rng() % (loadUs * 5 / 4 + 1)));
        loader.kill();
        ASSERT_TRUE(loader.waitForFinished(30000));

        const QByteArray left = folder.read("ORUN.MDB");
        if (left == jet) {
            ++untouched;
        } else {
            ++carried;
            ASSERT_EQ(IntegrityOf(file), "ok");
            ASSERT_EQ(RowDifferences(file, folder.file("Carried.MDB")).join('\n').toStdString(), "");
        }
        if (QFile::exists(backup)) {
            ++backups;
            ASSERT_TRUE(folder.read("ORUN_4.11.MDB") == jet) << "the backup is whole";
        }
    }
    std::cout << kills << " kills: the Access file left untouched " << untouched << " times, carried over " << carried
              << " times; a backup there " << backups << " times\n";

    // The next start carries the file over, whatever the kills left beside it.
    folder.write("ORUN.MDB", jet);
    QProcess last;
    ASSERT_TRUE(StartLoad(last, file));
    ASSERT_TRUE(last.waitForFinished(120000));
    EXPECT_EQ(RowDifferences(file, folder.file("Carried.MDB")).join('\n').toStdString(), "");
    EXPECT_TRUE(folder.read("ORUN_4.11.MDB") == jet);
    EXPECT_EQ(QDir(folder.path()).entryList({"Work.mdb*", "*.reading", "*.part"}, QDir::Files), QStringList());
}
