#include "app/VBConv.h"
#include "platform/Dao.h"

#include "support/TempProgramFolder.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

// The error a call raises, with the engine's error list as it stands afterwards.
template <typename Call>
int32_t ErrorOf(Call&& call) {
    try {
        call();
    } catch (const RuntimeError& e) {
        return e.number;
    }
    return 0;
}

class DaoTest : public ::testing::Test {
protected:
    void SetUp() override {
        db = dao::CreateDatabase("T.MDB");
        db.Execute("CREATE TABLE Items (Item_Number SMALLINT NOT NULL PRIMARY KEY, Name TEXT DEFAULT 'none', "
                   "Film SMALLINT DEFAULT -1, Count INTEGER DEFAULT 7, Value REAL DEFAULT 1.5, Note TEXT)");
    }
    void AddItem(int number) {
        dao::Recordset rs = db.OpenRecordset("Items");
        rs.AddNew();
        rs.Fields("Item_Number") = number;
        rs.Update();
    }
    TempProgramFolder folder;
    dao::Database db;
};

}  // namespace

TEST_F(DaoTest, FilesThatAreNoRecipeDatabaseAreRefusedUnchanged) {
    EXPECT_EQ(ErrorOf([] { dao::OpenDatabase("missing.mdb"); }), 3024);
    ASSERT_EQ(dao::Errors().size(), 1u);
    EXPECT_TRUE(dao::Errors()[0].Description.contains("missing.mdb"));
    EXPECT_FALSE(QFile::exists(folder.file("missing.mdb")));

    for (const char* kind : {"Standard Jet DB", "Standard ACE DB"}) {
        QByteArray jet(4096, '\0');
        jet.replace(4, 15, kind);
        folder.write("OLD.MDB", jet);
        try {
            dao::OpenDatabase("C:\\OLD.MDB");
            FAIL() << "a Jet file was opened";
        } catch (const RuntimeError& e) {
            EXPECT_TRUE(e.description.contains(folder.file("OLD.MDB"))) << e.description.toStdString();
            EXPECT_TRUE(e.description.contains("Access (Jet)"));
            ASSERT_EQ(dao::Errors().size(), 1u);
            EXPECT_EQ(dao::Errors()[0].Description, e.description);
        }
        EXPECT_EQ(folder.read("OLD.MDB"), jet);
        EXPECT_FALSE(QFile::exists(folder.file("OLD.MDB-journal")));
    }

    folder.write("junk.mdb", "this is a text file, not a database at all, long enough to have a header");
    EXPECT_EQ(ErrorOf([] { dao::OpenDatabase("junk.mdb"); }), 3343);
    EXPECT_EQ(ErrorOf([] { dao::CreateDatabase("junk.mdb"); }), 3204);

    // An empty file is a database without tables; asking for a table says which.
    folder.write("empty.mdb", "");
    dao::Database empty = dao::OpenDatabase("empty.mdb");
    EXPECT_EQ(ErrorOf([&] { empty.OpenRecordset("SELECT * FROM Layers WHERE Layer_Number =1"); }), 3078);
    EXPECT_TRUE(dao::Errors()[0].Description.contains("Layers"));

    // A database that is Nothing.
    EXPECT_EQ(ErrorOf([] { dao::Database().OpenRecordset("Items"); }), 91);
}

TEST_F(DaoTest, NewRowsTakeTheDesignDefaultsAndEditsStoreTypedValues) {
    dao::Recordset none = db.OpenRecordset("SELECT * FROM Items WHERE Item_Number =3");
    EXPECT_EQ(none.RecordCount(), 0);
    EXPECT_TRUE(none.Eof());
    EXPECT_EQ(ErrorOf([&] { none.Edit(); }), 3021);

    AddItem(3);
    EXPECT_TRUE(dao::Errors().empty());  // a new operation empties the list
    dao::Recordset rs = db.OpenRecordset("select * from Items where Item_Number = 3");
    ASSERT_EQ(rs.RecordCount(), 1);
    EXPECT_EQ(vb::CStr(rs.Fields("Name").Value()), "none");
    EXPECT_EQ(vb::CInt(rs.Fields("film").Value()), -1);  // names are not case-sensitive
    EXPECT_EQ(vb::CLng(rs.Fields("Count").Value()), 7);
    EXPECT_DOUBLE_EQ(vb::CDbl(rs.Fields("Value").Value()), 1.5);
    EXPECT_TRUE(rs.Fields("Note").IsNull());

    // Values are stored as the column's type: whole-number columns round half to even.
    rs.Edit();
    rs.Fields("Film") = 2.5;
    rs.Fields("Count") = QString("12");
    rs.Fields("Value") = 3;
    rs.Fields("Note") = 0.25;
    rs.Update();
    dao::Recordset back = db.OpenRecordset("SELECT * FROM Items WHERE Item_Number =3");
    EXPECT_EQ(back.Fields("Film").Value(), QVariant(qint64(2)));
    EXPECT_EQ(vb::CLng(back.Fields("Count").Value()), 12);
    EXPECT_EQ(back.Fields("Value").Value().typeId(), QMetaType::Double);
    EXPECT_EQ(vb::CStr(back.Fields("Note").Value()), "0.25");
    EXPECT_EQ(vb::CInt(back.Fields("Item_Number").Value()), 3);  // not written, unchanged

    // A 16-bit column refuses what does not fit; the row keeps its values.
    back.Edit();
    EXPECT_EQ(ErrorOf([&] { back.Fields("Film") = 40000; }), 3349);
    back.Fields("Count") = 99;
    back.Fields("Name") = QVariant();
    back.Update();
    dao::Recordset again = db.OpenRecordset("Items");
    EXPECT_EQ(vb::CLng(again.Fields("Count").Value()), 99);
    EXPECT_EQ(vb::CInt(again.Fields("Film").Value()), 2);
}

TEST_F(DaoTest, ReadingConvertsAsTheLanguageDidAndNullStopsTheRead) {
    AddItem(1);
    dao::Recordset rs = db.OpenRecordset("Items");
    rs.Edit();
    rs.Fields("Count") = 40000;
    rs.Fields("Value") = 2.5;
    rs.Update();
    EXPECT_EQ(vb::CInt(rs.Fields("Value").Value()), 2);
    EXPECT_EQ(vb::CStr(rs.Fields("Value").Value()), "2.5");
    EXPECT_EQ(ErrorOf([&] { vb::CInt(rs.Fields("Count").Value()); }), 6);
    // Conversion errors are the language's, not the engine's: the list stays empty.
    EXPECT_EQ(ErrorOf([&] { vb::CStr(rs.Fields("Note").Value()); }), 94);
    EXPECT_TRUE(dao::Errors().empty());
    EXPECT_EQ(ErrorOf([&] { rs.Fields("Missing"); }), 3265);
    EXPECT_EQ(dao::Errors().size(), 1u);
    EXPECT_EQ(ErrorOf([&] { rs.Fields("Count") = 1; }), 3020);  // no Edit
}

TEST_F(DaoTest, RowsAreWalkedInOrderAndOtherQueriesAreReadOnly) {
    for (int n : {1, 2, 3}) AddItem(n);
    dao::Recordset rs = db.OpenRecordset("SELECT * FROM Items ORDER BY Item_Number DESC");
    EXPECT_EQ(rs.RecordCount(), 3);
    QList<int> seen;
    rs.MoveFirst();
    while (!rs.Eof()) {
        seen << vb::CInt(rs.Fields("Item_Number").Value());
        rs.MoveNext();
    }
    EXPECT_EQ(seen, (QList<int>{3, 2, 1}));
    EXPECT_EQ(ErrorOf([&] { rs.MoveNext(); }), 3021);
    EXPECT_EQ(ErrorOf([&] { rs.Fields("Name").Value(); }), 3021);

    // A row added through a recordset joins its end; the current row stays.
    rs.MoveFirst();
    rs.AddNew();
    rs.Fields("Item_Number") = 9;
    rs.Update();
    EXPECT_EQ(rs.RecordCount(), 4);
    EXPECT_EQ(vb::CInt(rs.Fields("Item_Number").Value()), 3);

    dao::Recordset count = db.OpenRecordset("SELECT count(*) AS n FROM Items");
    EXPECT_EQ(vb::CLng(count.Fields("n").Value()), 4);
    EXPECT_EQ(ErrorOf([&] { count.AddNew(); }), 3027);

    // A row deleted under an open recordset is not written back into being.
    dao::Recordset one = db.OpenRecordset("SELECT * FROM Items WHERE Item_Number =2");
    db.Execute("DELETE FROM Items WHERE Item_Number = 2");
    one.Edit();
    one.Fields("Count") = 5;
    EXPECT_EQ(ErrorOf([&] { one.Update(); }), 3167);
    EXPECT_EQ(db.OpenRecordset("SELECT * FROM Items WHERE Item_Number =2").RecordCount(), 0);
}

TEST_F(DaoTest, RowsOfAnotherFileAreInsertedByColumnName) {
    AddItem(1);
    {
        dao::Database old = dao::CreateDatabase("Work.mdb");
        // The old design has its columns in another order and lacks some.
        old.Execute("CREATE TABLE Items (Count INTEGER, Item_Number SMALLINT, Name TEXT)");
        old.Execute("INSERT INTO Items VALUES (70, 1, 'dup'), (80, 2, 'two')");
        old.Execute("CREATE TABLE Extra (Item_Number SMALLINT, Colour TEXT)");
        old.Execute("INSERT INTO Extra VALUES (5, 'red')");
    }
    db.Execute(" INSERT INTO Items SELECT * FROM Items IN 'Work.mdb'");
    dao::Recordset rs = db.OpenRecordset("SELECT * FROM Items ORDER BY Item_Number");
    ASSERT_EQ(rs.RecordCount(), 2);  // the row whose key was there already is skipped
    EXPECT_EQ(vb::CStr(rs.Fields("Name").Value()), "none");
    rs.MoveNext();
    EXPECT_EQ(vb::CLng(rs.Fields("Count").Value()), 80);
    EXPECT_EQ(vb::CStr(rs.Fields("Name").Value()), "two");
    EXPECT_DOUBLE_EQ(vb::CDbl(rs.Fields("Value").Value()), 1.5);  // not in the old file: default

    // A column the target lacks fails the statement and inserts nothing.
    EXPECT_EQ(ErrorOf([&] { db.Execute(" INSERT INTO Items SELECT * FROM Extra IN 'Work.mdb'"); }), 3127);
    EXPECT_TRUE(dao::Errors()[0].Description.contains("Colour"));
    EXPECT_EQ(db.OpenRecordset("Items").RecordCount(), 2);
    EXPECT_EQ(ErrorOf([&] { db.Execute(" INSERT INTO Items SELECT * FROM Items IN 'Gone.mdb'"); }), 3024);
    EXPECT_FALSE(QFile::exists(folder.file("Gone.mdb")));
    // The other file is let go again: a further insert still works.
    db.Execute(" INSERT INTO Items SELECT * FROM Items IN 'Work.mdb'");
}

TEST_F(DaoTest, TheVersionPropertyIsKeptInTheFile) {
    EXPECT_EQ(ErrorOf([&] { db.UserDefinedProperty("ORUN_VER"); }), 3270);
    ASSERT_EQ(dao::Errors().size(), 1u);
    EXPECT_EQ(dao::Errors()[0].Number, 3270);
    db.SetUserDefinedProperty("ORUN_VER", "4.11");
    db.SetUserDefinedProperty("orun_ver", "4.12");
    db.Close();
    EXPECT_EQ(ErrorOf([&] { db.OpenRecordset("Items"); }), 91);
    dao::Database reopened = dao::OpenDatabase(folder.file("T.MDB"));
    EXPECT_EQ(reopened.UserDefinedProperty("ORUN_VER"), "4.12");
    EXPECT_EQ(reopened.Name(), folder.file("T.MDB"));
}

// An Access (Jet) file opened through the database layer: read through its copy, every
// value exactly as the file holds it, and never written.
TEST_F(DaoTest, AnAccessFileIsReadExactlyAndNeverWritten) {
    QFile fixture(ORUN_TEST_DATA_DIR "/jet/full-jet4.mdb");
    ASSERT_TRUE(fixture.open(QIODevice::ReadOnly));
    QByteArray jet = fixture.readAll();
    // Every film's calibration factor 0.01 made a double that no short text gives back.
    const double exact = 0.1 + 0.2;
    const double hundredth = 0.01;
    jet.replace(QByteArray(reinterpret_cast<const char*>(&hundredth), 8), QByteArray(reinterpret_cast<const char*>(&exact), 8));
    folder.write("Access.MDB", jet);

    dao::Database access = dao::OpenDatabase("C:\\Access.MDB");
    EXPECT_EQ(access.Name(), folder.file("Access.MDB"));
    EXPECT_EQ(access.UserDefinedProperty("ORUN_VER"), "4.11");
    dao::Recordset film = access.OpenRecordset("SELECT * FROM Films WHERE Film_Number =3");
    ASSERT_EQ(film.RecordCount(), 1);
    EXPECT_EQ(film.Fields("QCM_CALFACTOR").Value().toDouble(), exact);
    EXPECT_EQ(film.Fields("Film_Name").Value(), QVariant("Film 3"));
    EXPECT_EQ(film.Fields("Filter").Value().typeId(), QMetaType::LongLong);
    dao::Recordset layer = access.OpenRecordset("SELECT * FROM Layers WHERE Layer_Number =7");
    EXPECT_EQ(layer.Fields("Prompt").Value(), QVariant("Layer 7: check the shutter before this layer"));
    EXPECT_EQ(layer.Fields("Thick").Value(), QVariant(999.0));
    dao::Recordset layers = access.OpenRecordset("Layers");
    int walked = 0;
    for (layers.MoveFirst(); !layers.Eof(); layers.MoveNext()) ++walked;
    EXPECT_EQ(walked, 250);
    EXPECT_EQ(layers.RecordCount(), 250);

    // Every way of writing is refused as by a read-only database.
    layer.Edit();
    layer.Fields("Rate") = 1.0;
    EXPECT_EQ(ErrorOf([&] { layer.Update(); }), 3027);
    layers.AddNew();
    layers.Fields("Layer_Number") = 251;
    EXPECT_EQ(ErrorOf([&] { layers.Update(); }), 3027);
    EXPECT_EQ(ErrorOf([&] { access.Execute("DELETE FROM Layers"); }), 3027);
    EXPECT_EQ(ErrorOf([&] { access.SetUserDefinedProperty("ORUN_VER", "4.12"); }), 3027);
    access.Close();
    EXPECT_EQ(folder.read("Access.MDB"), jet);
    EXPECT_EQ(dao::OpenDatabase("Access.MDB").OpenRecordset("Layers").RecordCount(), 250);

    // A file without the version property.
    QFile older(ORUN_TEST_DATA_DIR "/jet/v200-jet4.mdb");
    ASSERT_TRUE(older.open(QIODevice::ReadOnly));
    folder.write("Old.MDB", older.readAll());
    EXPECT_EQ(ErrorOf([&] { dao::OpenDatabase("Old.MDB").UserDefinedProperty("ORUN_VER"); }), 3270);
}

// Transactions nest: an inner commit leaves its rows to the outer transaction, an inner
// rollback drops its own rows alone, the outer rollback drops everything; another
// connection sees nothing until the outermost commit.
TEST_F(DaoTest, TransactionsNestAndOnlyTheOutermostStoresTheRows) {
    const struct {
        const char* steps;  // b begin, c commit, r rollback, a digit adds that item
        const char* stored;
    } cases[] = {
        {"b1b2cc", "12"}, {"b1b2rc", "1"}, {"b1b2cr", ""}, {"b1b2b3rc4c", "124"}, {"b1b2r3r", ""}, {"1b2r", "1"},
    };
    int offset = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.steps);
        offset += 10;
        const dao::Database other = dao::OpenDatabase("T.MDB");
        const auto stored = [&] {
            QString items;
            for (dao::Recordset rs = other.OpenRecordset(QString("SELECT * FROM Items WHERE Item_Number > %1 AND "
                                                                 "Item_Number < %2 ORDER BY Item_Number")
                                                             .arg(offset)
                                                             .arg(offset + 10));
                 !rs.Eof(); rs.MoveNext())
                items += QString::number(vb::CInt(rs.Fields("Item_Number").Value()) - offset);
            return items;
        };
        int depth = 0;
        for (const char step : std::string(c.steps)) {
            if (step == 'b') db.BeginTrans(), ++depth;
            else if (step == 'c') db.CommitTrans(), --depth;
            else if (step == 'r') db.Rollback(), --depth;
            else AddItem(offset + step - '0');
            if (depth > 0) {
                EXPECT_EQ(stored(), c.steps[0] == '1' ? "1" : "") << "seen before the outermost commit";
            }
        }
        EXPECT_EQ(stored(), c.stored);
    }
}
