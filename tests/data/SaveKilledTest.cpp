#include "RecipeDbFixture.h"
#include "app/VBConv.h"
#include "data/ProcessRec.h"
#include "data/RecipeTemplate.h"
#include "helpers/FillLayer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <chrono>
#include <random>
#include <thread>

TEST_F(RecipeDbTest, ASaveKilledMidwayLeavesEveryRowEitherOldOrNew) {
    {
        // The rows of round 0 in one go: only the saves of the loop below stand alone.
        dao::Transaction setup(modDB::gDB);
        for (int16_t n = 1; n <= 250; ++n) {
            modDB::LayerLoad(n);
            FillLayer(gLayer(n), 0);
            modDB::LayerSave(n);
        }
        setup.Commit();
    }
    modDB::gDB.Close();

    QProcess saver;
    saver.start(QStringLiteral(ORUN_SAVE_LOOP), {folder.file("ORUN.MDB")});
    ASSERT_TRUE(saver.waitForStarted());
    // Two whole rounds stored: the kill then falls somewhere inside a later round.
    int rounds = 0;
    while (rounds < 2) {
        ASSERT_TRUE(saver.waitForReadyRead(60000)) << saver.readAllStandardError().toStdString();
        rounds += static_cast<int>(saver.readAllStandardOutput().count('\n'));
    }
    saver.kill();
    ASSERT_TRUE(saver.waitForFinished());

    modDB::gDB = dao::OpenDatabase(folder.file("ORUN.MDB"));
    EXPECT_EQ(vb::CStr(modDB::gDB.OpenRecordset("PRAGMA integrity_check").Fields("integrity_check").Value()), "ok");

    dao::Recordset rs = modDB::gDB.OpenRecordset("SELECT * FROM Layers ORDER BY Layer_Number");
    ASSERT_EQ(rs.RecordCount(), 250);
    int first = -1;
    int last = -1;
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) {
        const int n = vb::CInt(rs.Fields("Layer_Number").Value());
        const int round = vb::CLng(rs.Fields("TimeSetPt").Value());
        LayerRec want;
        FillLayer(want, round);
        SCOPED_TRACE(testing::Message() << "layer " << n << " round " << round);
        EXPECT_EQ(vb::CInt(rs.Fields("Film_Number").Value()), want.Film_Number);
        EXPECT_EQ(vb::CInt(rs.Fields("Next_Layer").Value()), want.Next_Layer);
        EXPECT_EQ(vb::CDbl(rs.Fields("Rate").Value()), want.Rate);
        EXPECT_EQ(vb::CDbl(rs.Fields("Thick").Value()), want.Thick);
        EXPECT_EQ(vb::CStr(rs.Fields("Prompt").Value()), want.Prompt);
        EXPECT_EQ(vb::CDbl(rs.Fields("RatioFilter").Value()), want.RatioFilter);
        EXPECT_EQ(vb::CDbl(rs.Fields("Ramp2Rate").Value()), want.Ramp2Thick);
        EXPECT_EQ(vb::CLng(rs.Fields("Ramp2Time").Value()), want.Ramp2Time);
        // Rows are saved in order: the rows of the round cut short come first.
        if (first < 0) first = round;
        EXPECT_LE(round, last < 0 ? round : last);
        last = round;
    }
    EXPECT_GE(last, 2);
    EXPECT_LE(first - last, 1);
}

namespace {

// The round whose values a database file holds throughout (process 1's run number and
// every layer record), or -1 when the file is damaged or holds a mix of rounds.
int RoundOf(const QString& file) {
    try {
        const dao::Database db = dao::OpenDatabase(file);
        if (vb::CStr(db.OpenRecordset("PRAGMA integrity_check").Fields("integrity_check").Value()) != "ok") return -1;
        const int round =
            vb::CLng(db.OpenRecordset("SELECT * FROM Processes WHERE Process_Number =1").Fields("Run_Number").Value());
        dao::Recordset rs = db.OpenRecordset("SELECT * FROM Layers");
        if (rs.RecordCount() != 250) return -1;
        for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) {
            if (vb::CLng(rs.Fields("TimeSetPt").Value()) != round) return -1;
            if (vb::CStr(rs.Fields("Prompt").Value()) != QString("round %1").arg(round)) return -1;
        }
        return round;
    } catch (const RuntimeError&) {
        return -1;
    }
}

// Every record of round 0 in the open database, and materials enough to make the file a
// few megabytes, so that the copy of a save takes a while too.
void FillRoundZero() {
    dao::Transaction setup(modDB::gDB);
    for (int16_t n = 1; n <= 25; ++n) modDB::ProcessLoad(n);
    gProcess(1).Run_Number = 0;
    modDB::ProcessSave(1);
    for (int16_t n = 1; n <= 250; ++n) {
        modDB::LayerLoad(n);
        FillLayer(gLayer(n), 0);
        modDB::LayerSave(n);
    }
    setup.Commit();
    modDB::gDB.Execute("INSERT INTO Materials (Material) WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL "
                       "SELECT i + 1 FROM n WHERE i < 6000) SELECT printf('%0500d', i) FROM n");
}

}  // namespace

TEST_F(RecipeDbTest, ASaveAsKilledAtAnyMomentLeavesTheTargetAsItWasOrComplete) {
    FillRoundZero();
    modDB::gDB.Close();
    const QString source = folder.file("ORUN.MDB");
    const QString target = folder.file("Target.MDB");
    ASSERT_TRUE(QFile::copy(source, target));

    // One save that runs to its end: it takes the time measured here, and the program
    // then ends normally with the database still open.
    QProcess whole;
    whole.start(QStringLiteral(ORUN_SAVE_LOOP), {"--save-as", source, target, "1"});
    ASSERT_TRUE(whole.waitForReadyRead(30000));
    QElapsedTimer took;
    took.start();
    ASSERT_TRUE(whole.waitForFinished(60000));
    const qint64 saveUs = took.nsecsElapsed() / 1000;
    EXPECT_EQ(whole.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(whole.exitCode(), 0);
    EXPECT_EQ(whole.readAllStandardError().toStdString(), "");
    ASSERT_EQ(RoundOf(target), 1);

    // Saves killed anywhere between their start and a little after their usual end.
    std::mt19937 rng(411);
    int held = 1;
    for (int round = 2; round < 52; ++round) {
        QProcess saver;
        saver.start(QStringLiteral(ORUN_SAVE_LOOP), {"--save-as", source, target, QString::number(round)});
        ASSERT_TRUE(saver.waitForReadyRead(30000));
        std::this_thread::sleep_for(std::chrono::microseconds(rng() % (saveUs * 5 / 4 + 1)));
        saver.kill();
        ASSERT_TRUE(saver.waitForFinished(30000));
        const int now = RoundOf(target);
        ASSERT_TRUE(now == held || now == round) << "round " << round << " left the target at " << now;
        held = now;
    }
    EXPECT_EQ(RoundOf(source), 0);
}

TEST_F(RecipeDbTest, ASaveAsOntoAFileWithTheJournalOfAKilledWriterGivesASoundFile) {
    FillRoundZero();
    // What a program killed in the middle of a large write leaves: the file part-written
    // and its journal beside it, taken as they stand while the write is under way.
    const QString target = folder.file("Target.MDB");
    {
        dao::Database writer = CreateRecipeDatabase(folder.file("Writer.MDB"));
        writer.Execute("INSERT INTO Materials (Material) WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL "
                       "SELECT i + 1 FROM n WHERE i < 3000) SELECT printf('%0300d', i) FROM n");
        writer.BeginTrans();
        writer.Execute("UPDATE Materials SET Material = printf('%01500d', rowid)");
        ASSERT_TRUE(QFile::copy(folder.file("Writer.MDB"), target));
        ASSERT_TRUE(QFile::copy(folder.file("Writer.MDB-journal"), target + "-journal"));
        writer.Rollback();
    }
    ASSERT_GT(QFileInfo(target + "-journal").size(), 0);

    for (int16_t n = 1; n <= 250; ++n) FillLayer(gLayer(n), 7);
    gProcess(1).Run_Number = 7;
    modDB::DBSave(target);

    EXPECT_EQ(dialogs.count(), 0);
    EXPECT_FALSE(QFile::exists(target + "-journal"));
    EXPECT_EQ(RoundOf(target), 7);
    EXPECT_EQ(modDB::gDB.OpenRecordset("SELECT * FROM Materials").RecordCount(), 6000);
}

TEST_F(RecipeDbTest, AFirstStartKilledWhileAddingTheMissingRowsLeavesNoneOfThemOrAll) {
    modDB::gDB.Close();
    const QString first = folder.file("First.MDB");
    const QString blank = folder.file("Blank.MDB");
    CreateUpgradeTemplate(blank);
    const auto rows = [&] {
        const dao::Database db = dao::OpenDatabase(first);
        if (vb::CStr(db.OpenRecordset("PRAGMA integrity_check").Fields("integrity_check").Value()) != "ok") return -1;
        return db.OpenRecordset("SELECT * FROM Processes").RecordCount() +
               db.OpenRecordset("SELECT * FROM Layers").RecordCount() +
               db.OpenRecordset("SELECT * FROM Films").RecordCount();
    };
    const auto start = [&](QProcess& loader) {
        QFile::remove(first);
        ASSERT_TRUE(QFile::copy(blank, first));
        loader.start(QStringLiteral(ORUN_SAVE_LOOP), {"--load", first});
        ASSERT_TRUE(loader.waitForReadyRead(30000));
    };

    // One load to its end, for the time it takes.
    QProcess whole;
    start(whole);
    QElapsedTimer took;
    took.start();
    ASSERT_TRUE(whole.waitForFinished(60000));
    const qint64 loadUs = took.nsecsElapsed() / 1000;
    EXPECT_EQ(whole.readAllStandardError().toStdString(), "");
    ASSERT_EQ(rows(), 300);

    // Loads killed anywhere up to a little after their usual end.
    std::mt19937 rng(40);
    for (int i = 0; i < 12; ++i) {
        QProcess loader;
        start(loader);
        std::this_thread::sleep_for(std::chrono::microseconds(rng() % (loadUs * 5 / 4 + 1)));
        loader.kill();
        ASSERT_TRUE(loader.waitForFinished(30000));
        const int left = rows();
        ASSERT_TRUE(left == 0 || left == 300) << "kill " << i << " left " << left << " rows";
    }
    // The next start adds what the killed one did not.
    modDB::DBLoad(first);
    EXPECT_EQ(rows(), 300);
    EXPECT_EQ(dialogs.count(), 0);
}
