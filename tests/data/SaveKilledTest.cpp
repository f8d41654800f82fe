#include "RecipeDbFixture.h"
#include "app/VBConv.h"
#include "data/ProcessRec.h"
#include "helpers/FillLayer.h"

#include <QProcess>

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
