#include "RecipeDbFixture.h"

#include "app/VBConv.h"
#include "app/cErrHandler.h"
#include "data/ProcessRec.h"

namespace {

// The record defaults the database module sets before a load.
void ProcessDefaults(int n) {
    gProcess(n).Process_Name = QString("Process %1").arg(n);
    gProcess(n).First_Layer = -1;
    gProcess(n).Number_Layers = 0;
    gProcess(n).Number_Act_Layers = 0;
}

}  // namespace

TEST_F(RecipeDbTest, ProcessLoadAddsAMissingRowWithTheDesignDefaults) {
    ProcessDefaults(7);
    gProcess(7).Run_Number = 55;
    modDB::ProcessLoad(7);
    EXPECT_EQ(Rows("SELECT * FROM Processes WHERE Process_Number =7"), 1);
    EXPECT_EQ(Column("Processes", "Process_Number", 7, "Process_Name").toString(), "Process7");
    EXPECT_EQ(gProcess(7).Process_Name.text(), "Process7        ");
    EXPECT_EQ(gProcess(7).Run_Number, 1);
    EXPECT_EQ(gProcess(7).First_Layer, -1);
    EXPECT_EQ(gProcess(7).Number_Layers, 0);
    EXPECT_EQ(gProcess(7).Number_Act_Layers, 0);
    EXPECT_EQ(dialogs.count(), 0);

    // The row is found the next time; no second row.
    modDB::ProcessLoad(7);
    EXPECT_EQ(Rows("SELECT * FROM Processes"), 1);
}

TEST_F(RecipeDbTest, ProcessNamesAreCutAndPaddedToSixteenAndSavesNeedTheirRow) {
    modDB::ProcessLoad(2);
    modDB::gDB.Execute("UPDATE Processes SET Process_Name = 'A very long process name' WHERE Process_Number = 2");
    modDB::ProcessLoad(2);
    EXPECT_EQ(gProcess(2).Process_Name.text(), "A very long proc");

    gProcess(2).Process_Name = QStringLiteral("Short");
    gProcess(2).Run_Number = 9999;
    gProcess(2).First_Layer = 12;
    modDB::ProcessSave(2);
    EXPECT_EQ(Column("Processes", "Process_Number", 2, "Process_Name").toString(), "Short           ");
    EXPECT_EQ(Column("Processes", "Process_Number", 2, "Run_Number").toInt(), 9999);
    EXPECT_EQ(Column("Processes", "Process_Number", 2, "First_Layer").toInt(), 12);

    // A row deleted after the load: the save writes nothing and says nothing.
    modDB::gDB.Execute("DELETE FROM Processes WHERE Process_Number = 2");
    modDB::ProcessSave(2);
    EXPECT_EQ(Rows("SELECT * FROM Processes"), 0);
    EXPECT_EQ(dialogs.count(), 0);
}

TEST_F(RecipeDbTest, ACellThatCannotBeReadTakesItsDefaultAloneAndAFailedLoadIsReported) {
    for (int n : {3, 4}) {
        modDB::ProcessLoad(static_cast<int16_t>(n));
        ProcessDefaults(n);
    }
    modDB::gDB.Execute("UPDATE Processes SET Process_Name = 'Coating', Number_Layers = NULL, First_Layer = 5 "
                       "WHERE Process_Number = 3");
    modDB::gDB.Execute("UPDATE Processes SET Process_Name = 'Mirror', First_Layer = 8 WHERE Process_Number = 4");
    modDB::ProcessLoad(3);
    modDB::ProcessLoad(4);

    // The null column takes its default alone; the rest of process 3 is read.
    EXPECT_EQ(gProcess(3).Process_Name.text(), "Coating         ");
    EXPECT_EQ(gProcess(3).Number_Layers, 0);
    EXPECT_EQ(gProcess(3).First_Layer, 5);
    EXPECT_EQ(gProcess(4).Process_Name.text(), "Mirror          ");
    EXPECT_EQ(gProcess(4).First_Layer, 8);
    // Told once, with no engine error for a value that is not there.
    ASSERT_EQ(dialogs.count(), 1);
    EXPECT_EQ(dialogs.last().icon(), vbExclamation);
    EXPECT_TRUE(dialogs.last().prompt.endsWith("table Processes, record Process_Number 3, column Number_Layers: no value"))
        << dialogs.last().prompt.toStdString();
    EXPECT_EQ(gErr.StackPointer(), 0);

    // A failed load (a number outside 1..25) keeps the record as it was and is reported.
    dialogs.clear();
    modDB::ProcessLoad(26);
    EXPECT_EQ(Rows("SELECT * FROM Processes WHERE Process_Number =26"), 0);
    ASSERT_EQ(dialogs.count(), 1);
    EXPECT_TRUE(dialogs.last().prompt.contains("Error (9) Subscript out of range"));
    modDB::ProcessSave(26);  // no row 26: nothing to do
    EXPECT_EQ(dialogs.count(), 1);
}

TEST_F(RecipeDbTest, FreeAndUnusedLayersReadOnlyTheirFilmAndResetTheirLinks) {
    LayerRec& l = gLayer(5);
    l.Film_Number = -1;
    l.Rate = 4.25;
    l.Next_Layer = 9;
    modDB::LayerLoad(5);
    EXPECT_EQ(Column("Layers", "Layer_Number", 5, "Film_Number").toInt(), -1);  // a fresh row is free
    EXPECT_EQ(l.Film_Number, -1);
    EXPECT_EQ(l.Next_Layer, -1);
    EXPECT_EQ(l.CoDep_Layer, -1);
    EXPECT_EQ(l.Rate, 4.25);  // nothing else read

    modDB::gDB.Execute("UPDATE Layers SET Film_Number = 0, Rate = 1, Next_Layer = 3 WHERE Layer_Number = 5");
    l.Next_Layer = 9;
    modDB::LayerLoad(5);
    EXPECT_EQ(l.Film_Number, 0);  // not free, and not in use either
    EXPECT_EQ(l.Next_Layer, -1);
    EXPECT_EQ(l.Rate, 4.25);
    EXPECT_EQ(dialogs.count(), 0);
}

TEST_F(RecipeDbTest, UsedLayersRoundTripWithTheCrossedSecondRamp) {
    modDB::LayerLoad(4);
    modDB::gDB.Execute("UPDATE Layers SET Film_Number = 2, Ramp1Thick = 1.5, Ramp1Rate = 0.5, "
                       "Ramp2Thick = 5.0, Ramp2Rate = 2.5, Prompt = NULL, XCh1Percent = 12.5, XCh4Percent = 1000, "
                       "TimeSetPt = 70000 WHERE Layer_Number = 4");
    LayerRec& l = gLayer(4);
    l.RemoteValue1 = 3;
    l.RemoteValue2 = 4;
    l.ManRampSlope = 0.5;
    modDB::LayerLoad(4);
    EXPECT_EQ(l.Ramp2Rate, 5.0);
    EXPECT_EQ(l.Ramp2Thick, 2.5);
    EXPECT_EQ(l.Ramp1Thick, 1.5);
    EXPECT_EQ(l.Ramp1Rate, 0.5);
    EXPECT_EQ(l.Prompt, "");
    EXPECT_EQ(l.TimeSetPt, 70000);
    EXPECT_EQ(l.RemoteValue1, 1000000.0);
    EXPECT_EQ(l.RemoteValue2, 0.0);
    EXPECT_EQ(l.ManRampSlope, 0.5);  // run-time fields are not the load's

    l.Ramp2Thick = 3.0;
    l.Ramp2Rate = 7.0;
    l.XCh2Percent = 33.3;
    modDB::LayerSave(4);
    EXPECT_EQ(Column("Layers", "Layer_Number", 4, "Ramp2Rate").toDouble(), 3.0);
    EXPECT_EQ(Column("Layers", "Layer_Number", 4, "Ramp2Thick").toDouble(), 7.0);
    EXPECT_EQ(Column("Layers", "Layer_Number", 4, "Prompt").toString(), "");

    const LayerRec saved = l;
    modDB::LayerLoad(4);
    EXPECT_EQ(l.Ramp2Thick, 3.0);
    EXPECT_EQ(l.Ramp2Rate, 7.0);
    EXPECT_EQ(l.XCh1Percent, saved.XCh1Percent);
    EXPECT_EQ(l.XCh2Percent, 33.3);
    EXPECT_EQ(l.XCh4Percent, 1000.0);
    EXPECT_EQ(dialogs.count(), 0);
}

TEST_F(RecipeDbTest, AnEngineErrorIsShownBeforeTheReport) {
    modDB::LayerLoad(6);
    modDB::gDB.Execute("UPDATE Layers SET Film_Number = 1 WHERE Layer_Number = 6");
    modDB::gDB.Execute("ALTER TABLE Layers DROP COLUMN Thick");
    gLayer(6).Film_Number = -1;
    modDB::LayerLoad(6);
    ASSERT_EQ(dialogs.count(), 2);
    EXPECT_EQ(dialogs.boxes()[0].prompt, "Error number: 3265\rItem not found in this collection: 'Thick'.");
    EXPECT_EQ(dialogs.boxes()[0].buttons, vbOKOnly);
    EXPECT_TRUE(dialogs.boxes()[1].prompt.contains("modDB_LayerLoad on line 0\r\nError (3265)"));
    EXPECT_EQ(gLayer(6).Film_Number, -1);

    // A save that fails before its row is stored changes nothing in the row.
    gLayer(6).Film_Number = 9;
    dialogs.clear();
    modDB::LayerSave(6);
    EXPECT_EQ(dialogs.count(), 2);
    EXPECT_EQ(Column("Layers", "Layer_Number", 6, "Film_Number").toInt(), 1);
}

TEST_F(RecipeDbTest, ATransactionStoresItsRowsTogetherAndUndoesAFailedRowAlone) {
    modDB::ProcessLoad(1);
    modDB::LayerLoad(1);
    modDB::LayerLoad(2);
    // A row the file refuses inside the statement that stores it.
    modDB::gDB.Execute("CREATE TRIGGER NoNegativeRate BEFORE UPDATE ON Layers WHEN NEW.Rate < 0 "
                       "BEGIN SELECT RAISE(ABORT, 'negative rate'); END");
    const auto storedRunNumber = [this] {
        // Read through a connection of its own, as another program would.
        dao::Recordset rs = dao::OpenDatabase(folder.file("ORUN.MDB"))
                                .OpenRecordset("SELECT * FROM Processes WHERE Process_Number =1");
        return vb::CLng(rs.Fields("Run_Number").Value());
    };
    {
        dao::Transaction all(modDB::gDB);
        gProcess(1).Run_Number = 77;
        modDB::ProcessSave(1);
        gLayer(1).Film_Number = 3;
        gLayer(1).Rate = -1.0;
        modDB::LayerSave(1);
        gLayer(2).Film_Number = 4;
        gLayer(2).Rate = 2.0;
        modDB::LayerSave(2);
        EXPECT_EQ(storedRunNumber(), 1);  // nothing stored before the commit
        all.Commit();
    }
    EXPECT_EQ(storedRunNumber(), 77);
    EXPECT_EQ(Column("Layers", "Layer_Number", 2, "Film_Number").toInt(), 4);
    // The refused row is as it was, not half written.
    EXPECT_EQ(Column("Layers", "Layer_Number", 1, "Film_Number").toInt(), -1);
    ASSERT_EQ(dialogs.count(), 2);
    EXPECT_TRUE(dialogs.boxes()[0].prompt.contains("negative rate")) << dialogs.boxes()[0].prompt.toStdString();
    EXPECT_TRUE(dialogs.boxes()[1].prompt.contains("modDB_LayerSave"));

    // Dropped unless committed.
    {
        dao::Transaction dropped(modDB::gDB);
        gProcess(1).Run_Number = 88;
        modDB::ProcessSave(1);
    }
    EXPECT_EQ(storedRunNumber(), 77);
}
