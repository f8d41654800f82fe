#include "RecipeDbFixture.h"

#include "data/FilmRec.h"

TEST_F(RecipeDbTest, FilmLoadAddsAMissingRowNamedWithoutABlank) {
    gFilm(3).Film_Name = QStringLiteral("Film 3");
    modDB::FilmLoad(3);
    EXPECT_EQ(Column("Films", "Film_Number", 3, "Film_Name").toString(), "Film3");
    EXPECT_EQ(gFilm(3).Film_Name.text(), "Film3           ");
    EXPECT_EQ(gFilm(3).Units.text(), "A/s     ");
    EXPECT_EQ(gFilm(3).QCM_NUMBER, -1.0);
    EXPECT_EQ(gFilm(3).Input_Type, 0);
    EXPECT_EQ(dialogs.count(), 0);
    modDB::FilmLoad(3);
    EXPECT_EQ(Rows("SELECT * FROM Films"), 1);
}

TEST_F(RecipeDbTest, ANegativeInputTypeLoadsAsTheEmissionDetectorAndStaysInTheFile) {
    modDB::FilmLoad(5);
    modDB::gDB.Execute("UPDATE Films SET Film_Name = '  SiO2 ', Input_Type = -1, Sensor_PMT = 650 WHERE Film_Number = 5");
    modDB::FilmLoad(5);
    ASSERT_EQ(dialogs.count(), 1);
    EXPECT_EQ(dialogs.last().prompt, "SiO2 InputType = -1\r\nResetting Input Type to ORUN");
    EXPECT_EQ(dialogs.last().buttons, vbOKOnly);
    EXPECT_EQ(gFilm(5).Input_Type, 0);
    EXPECT_EQ(gFilm(5).Sensor_PMT, 650.0);  // the load goes on after the message
    EXPECT_EQ(Column("Films", "Film_Number", 5, "Input_Type").toInt(), -1);

    // Above the known codes nothing is corrected.
    modDB::gDB.Execute("UPDATE Films SET Input_Type = 9 WHERE Film_Number = 5");
    dialogs.clear();
    modDB::FilmLoad(5);
    EXPECT_EQ(gFilm(5).Input_Type, 9);
    EXPECT_EQ(dialogs.count(), 0);
}

TEST_F(RecipeDbTest, FilmsRoundTripEveryFieldInItsOwnColumn) {
    modDB::FilmLoad(1);
    FilmRec& f = gFilm(1);
    f.Units = QStringLiteral("nm/s");
    f.IntDigits = 4;
    f.DecDigits = 1;
    f.FULL_SCALE = 50.0;  // the "1-5" setting
    f.Indexer2 = -3;
    f.QCM_CALFACTOR = 0.123456789012345;
    f.Input_Type = 7;
    modDB::FilmSave(1);
    EXPECT_EQ(Column("Films", "Film_Number", 1, "Units").toString(), "nm/s    ");
    EXPECT_EQ(Column("Films", "Film_Number", 1, "Film_Name").toString(), "Film1           ");

    const FilmRec saved = f;
    f = FilmRec();
    modDB::FilmLoad(1);
    EXPECT_EQ(f.IntDigits, 4);
    EXPECT_EQ(f.DecDigits, 1);
    EXPECT_EQ(f.FULL_SCALE, 50.0);
    EXPECT_EQ(f.Indexer2, -3);
    EXPECT_EQ(f.QCM_CALFACTOR, saved.QCM_CALFACTOR);
    EXPECT_EQ(f.Input_Type, 7);
    EXPECT_EQ(f.Units.text(), "nm/s    ");

    // Units longer than eight characters are cut on load.
    modDB::gDB.Execute("UPDATE Films SET Units = 'kA per second' WHERE Film_Number = 1");
    modDB::FilmLoad(1);
    EXPECT_EQ(f.Units.text(), "kA per s");

    // A film whose row is missing is not saved, silently.
    modDB::gDB.Execute("DELETE FROM Films");
    modDB::FilmSave(1);
    EXPECT_EQ(Rows("SELECT * FROM Films"), 0);
    EXPECT_EQ(dialogs.count(), 0);
}
