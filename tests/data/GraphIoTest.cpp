#include "RecipeDbFixture.h"

#include "app/cErrHandler.h"
#include "data/GraphRec.h"
#include "run/modIO.h"
#include "support/ErrorNumber.h"

namespace {

void ClearGraphs() {
    for (int g = 0; g <= 3; ++g) gGraph(g) = GraphRec{};
}

void ClearMaps() {
    for (int16_t i = 0; i <= 11; ++i) {
        modIO::SetInputFunction(i, 0);
        modIO::SetOutputFunction(i, 0);
    }
}

}  // namespace

TEST_F(RecipeDbTest, SelectingAProcessWithoutRowsCreatesThemWithTheDesignDefaults) {
    gGraph(2).Caption = "stale";
    modIO::SetOutputFunction(4, 12);
    modDB::GraphLoad(9);
    modDB::IOLoad(9);
    EXPECT_EQ(Rows("SELECT * FROM Graphs WHERE Process_Number =9"), 1);
    EXPECT_EQ(Rows("SELECT * FROM IO WHERE Process_Number =9"), 1);
    EXPECT_EQ(gGraph(2).Caption, "Graph 3");
    EXPECT_EQ(gGraph(3).XPoints, 1000);
    EXPECT_EQ(gGraph(3).Y1Max, "10");
    EXPECT_EQ(modIO::GetOutputFunction(4), 0);

    // The second selection finds the rows.
    modDB::GraphLoad(9);
    modDB::IOLoad(9);
    EXPECT_EQ(Rows("SELECT * FROM Graphs"), 1);
    EXPECT_EQ(Rows("SELECT * FROM IO"), 1);
    EXPECT_EQ(dialogs.count(), 0);
}

TEST_F(RecipeDbTest, GraphOnesXSettingsWinAndAxisTextsComeBackAsTyped) {
    modDB::GraphLoad(3);
    for (int g = 0; g <= 3; ++g) {
        gGraph(g).Caption = QString("Rates %1").arg(g);
        gGraph(g).Data = 10 + g;
        gGraph(g).OnTop = static_cast<int16_t>(g % 2);
        gGraph(g).Channels = static_cast<int16_t>(0x81 << (g % 2));
        gGraph(g).ChanAxis = static_cast<int16_t>(g);
        gGraph(g).XPoints = 500 + g;
        gGraph(g).XScroll = g;
        gGraph(g).XWidth = 30 * (g + 1);
        gGraph(g).XUnits = g % 3;
        gGraph(g).Y2Log = -1;
        gGraph(g).Y2Exp = 9;
    }
    gGraph(0).Y1Min = "";
    gGraph(0).Y1Max = "1e-3x";
    gGraph(1).Y1Min = "abc";
    gGraph(3).Y2Units = "A/s";
    modDB::GraphSave(3);
    ClearGraphs();
    modDB::GraphLoad(3);

    for (int g = 0; g <= 3; ++g) {
        SCOPED_TRACE(g);
        EXPECT_EQ(gGraph(g).Caption, QString("Rates %1").arg(g));
        EXPECT_EQ(gGraph(g).Data, 10 + g);
        EXPECT_EQ(gGraph(g).OnTop, g % 2);
        EXPECT_EQ(gGraph(g).Channels, 0x81 << (g % 2));
        EXPECT_EQ(gGraph(g).ChanAxis, g);
        EXPECT_EQ(gGraph(g).Y2Log, -1);
        EXPECT_EQ(gGraph(g).Y2Exp, 9);
        // Every graph gets graph 1's X axis.
        EXPECT_EQ(gGraph(g).XPoints, 500);
        EXPECT_EQ(gGraph(g).XScroll, 0);
        EXPECT_EQ(gGraph(g).XWidth, 30);
        EXPECT_EQ(gGraph(g).XUnits, 0);
    }
    EXPECT_EQ(gGraph(0).Y1Min, "");
    EXPECT_EQ(gGraph(0).Y1Max, "1e-3x");
    EXPECT_EQ(gGraph(1).Y1Min, "abc");
    EXPECT_EQ(gGraph(3).Y2Units, "A/s");
    EXPECT_EQ(Column("Graphs", "Process_Number", 3, "G4Caption").toString(), "Rates 3");
}

TEST_F(RecipeDbTest, MapsRoundTripThroughTheirRowAndSavesNeedTheRow) {
    modDB::IOLoad(5);
    for (int16_t i = 0; i <= 11; ++i) {
        modIO::SetInputFunction(i, static_cast<int16_t>(i < 8 ? i + 1 : 30 + i - 8));
        modIO::SetOutputFunction(i, static_cast<int16_t>(i < 4 ? 40 + i : 20 + i));
    }
    modDB::IOSave(5);
    EXPECT_EQ(Column("IO", "Process_Number", 5, "In0").toInt(), 1);
    EXPECT_EQ(Column("IO", "Process_Number", 5, "Out11").toInt(), 31);
    ClearMaps();
    modDB::IOLoad(5);
    for (int16_t i = 0; i <= 11; ++i) {
        EXPECT_EQ(modIO::GetInputFunction(i), i < 8 ? i + 1 : 30 + i - 8);
        EXPECT_EQ(modIO::GetOutputFunction(i), i < 4 ? 40 + i : 20 + i);
    }

    // Rows missing: nothing written, nothing said, no row added.
    modDB::gDB.Execute("DELETE FROM IO");
    modDB::IOSave(5);
    modDB::GraphSave(5);
    EXPECT_EQ(Rows("SELECT * FROM IO"), 0);
    EXPECT_EQ(Rows("SELECT * FROM Graphs"), 0);
    EXPECT_EQ(dialogs.count(), 0);
}

TEST_F(RecipeDbTest, ABadCellOfTheMapTakesItsDefaultAloneAndStaysInTheRowUntilChanged) {
    modDB::IOLoad(2);
    modDB::gDB.Execute("UPDATE IO SET In0 = 6, In1 = 7, In2 = 'open', In3 = 8, Out0 = 9 WHERE Process_Number = 2");
    for (int16_t i = 0; i <= 11; ++i) {
        modIO::SetInputFunction(i, 99);
        modIO::SetOutputFunction(i, 99);
    }
    modDB::IOLoad(2);
    EXPECT_EQ(modIO::GetInputFunction(0), 6);
    EXPECT_EQ(modIO::GetInputFunction(1), 7);
    EXPECT_EQ(modIO::GetInputFunction(2), 0);  // the design's default
    EXPECT_EQ(modIO::GetInputFunction(3), 8);
    EXPECT_EQ(modIO::GetOutputFunction(0), 9);
    // A value that is no number is told once, naming the file, the row and the column.
    ASSERT_EQ(dialogs.count(), 1);
    EXPECT_TRUE(dialogs.last().prompt.endsWith(" cannot be read. Each has taken its default, and the file keeps what it "
                                               "holds there until the value is changed in the program:\r\n"
                                               "table IO, record Process_Number 2, column In2: \"open\""))
        << dialogs.last().prompt.toStdString();
    modDB::IOLoad(2);
    EXPECT_EQ(dialogs.count(), 1);
    // Saved unchanged, the row keeps it; changed, it is written.
    modDB::IOSave(2);
    EXPECT_EQ(modDB::gDB.OpenRecordset("SELECT * FROM IO WHERE Process_Number = 2").Fields("In2").Value(), "open");
    modIO::SetInputFunction(2, 5);
    modDB::IOSave(2);
    EXPECT_EQ(modDB::gDB.OpenRecordset("SELECT * FROM IO WHERE Process_Number = 2").Fields("In2").Value().toInt(), 5);

    // A table without an expected column: the engine's error is shown first.
    dialogs.clear();
    modDB::gDB.Execute("ALTER TABLE Graphs DROP COLUMN G2Data");
    modDB::GraphLoad(2);
    ASSERT_EQ(dialogs.count(), 2);
    EXPECT_EQ(dialogs.boxes()[0].prompt, "Error number: 3265\rItem not found in this collection: 'G2Data'.");
    EXPECT_EQ(gErr.StackPointer(), 0);
}

TEST(RelayInputMaps, FindGivesTheLowestIndexAndIndexesOutsideTheMapAreErrors) {
    for (int16_t i = 0; i <= 11; ++i) {
        modIO::SetOutputFunction(i, 0);
        modIO::SetInputFunction(i, 0);
    }
    EXPECT_EQ(modIO::FindOutputFunction(12), -1);
    modIO::SetOutputFunction(9, 12);
    modIO::SetOutputFunction(4, 12);
    EXPECT_EQ(modIO::FindOutputFunction(12), 4);
    EXPECT_EQ(modIO::FindOutputFunction(0), 0);
    modIO::SetInputFunction(11, 2);
    EXPECT_EQ(modIO::FindInputFunction(2), 11);
    EXPECT_EQ(modIO::FindInputFunction(1), -1);

    EXPECT_EQ(ErrorNumber([] { modIO::SetOutputFunction(12, 1); }), 9);
    EXPECT_EQ(ErrorNumber([] { modIO::GetInputFunction(-1); }), 9);
    EXPECT_EQ(ErrorNumber([] { modIO::SetInputFunction(12, 1); }), 9);
}
