#include "DbFileFixture.h"

#include "app/cErrHandler.h"
#include "data/ProcessRec.h"
#include "support/FileSizeLimit.h"
#include "support/OtherProgramLock.h"

#include <QDir>
#include <QFile>
#include <functional>
#include <optional>
#include <vector>

namespace {

// Layers 1..9 on channels 0..8, each with output 9, and rows in every copied table.
void FillOldRows(dao::Database& db) {
    for (int ch = 0; ch <= 8; ++ch) {
        db.Execute(QString("INSERT INTO Layers (Layer_Number, Channel, Output, Film_Number) VALUES (%1, %2, 9, 1)")
                       .arg(ch + 1)
                       .arg(ch));
    }
    db.Execute("INSERT INTO Processes (Process_Number, Process_Name, Number_Layers, Number_Act_Layers, First_Layer) VALUES (1, 'Mirror', 1, 1, 1)");
    db.Execute("INSERT INTO Films (Film_Number, Film_Name, Input_Type) VALUES (1, 'TiO2', 3)");
    db.Execute("INSERT INTO Materials (Material, Density) VALUES ('Ta2O5', 8.2)");
    db.Execute("INSERT INTO Graphs (Process_Number, G1Caption) VALUES (1, 'Rates')");
    db.Execute("INSERT INTO IO (Process_Number, Out3) VALUES (1, 30)");
    db.Execute("INSERT INTO ORUN (Channel, CalPackets) VALUES (2, 77)");
    db.Execute("INSERT INTO QCM (FreqMax) VALUES (6200000)");
    db.Execute("INSERT INTO Sensors (Sensor, EmissionSetPt) VALUES (0, 4.5)");
}

// The old rows, with films that have a column the present design lacks: the upgrade
// fails at the copy of that table, after two tables have been copied.
void FillRowsTheUpgradeCannotCopy(dao::Database& db) {
    FillOldRows(db);
    db.Execute("ALTER TABLE Films ADD COLUMN Colour TEXT");
}

}  // namespace

TEST_F(DbFileTest, AFileWithoutAVersionIsUpgradedWithABackupAndOutputsFromChannels) {
    dao::Database old = MakeDatabase("X.MDB", QString());
    FillOldRows(old);
    old.Close();
    const QByteArray before = folder.read("X.MDB");

    modDB::DBLoad("X.MDB");

    EXPECT_EQ(DBFile, "X.MDB");
    EXPECT_EQ(folder.read("X_200.MDB"), before);
    EXPECT_FALSE(Exists("Work.mdb"));
    EXPECT_FALSE(Exists("X.MDB.upgrade"));
    EXPECT_EQ(modDB::GetDBProperty("X.MDB", "ORUN_VER"), "4.11");
    const int outputs[] = {0, 1, 2, -1, 3, 4, 5, -1, 9};
    for (int ch = 0; ch <= 8; ++ch) {
        SCOPED_TRACE(ch);
        const QString row = QString("SELECT * FROM Layers WHERE Layer_Number =%1").arg(ch + 1);
        EXPECT_EQ(ColumnOf("X.MDB", row, "Output").toInt(), outputs[ch]);
        EXPECT_EQ(ColumnOf("X.MDB", row, "Channel").toInt(), ch);
        EXPECT_EQ(gLayer(ch + 1).Output, outputs[ch]);
    }
    // Eight tables come over; the sensors are not the old file's: the template has none,
    // and the load adds the four rows a start adds.
    EXPECT_EQ(gProcess(1).Process_Name.text(), "Mirror          ");
    EXPECT_EQ(ColumnOf("X.MDB", "SELECT * FROM Materials", "Density").toDouble(), 8.2);
    EXPECT_EQ(ColumnOf("X.MDB", "SELECT * FROM Graphs WHERE Process_Number =1", "G1Caption").toString(), "Rates");
    EXPECT_EQ(ColumnOf("X.MDB", "SELECT * FROM IO WHERE Process_Number =1", "Out3").toInt(), 30);
    EXPECT_EQ(ColumnOf("X.MDB", "SELECT * FROM ORUN WHERE Channel =2", "CalPackets").toInt(), 77);
    EXPECT_EQ(ColumnOf("X.MDB", "SELECT * FROM QCM", "FreqMax").toDouble(), 6200000.0);
    EXPECT_EQ(RowsOf("X.MDB", "SELECT * FROM Sensors"), 4);
    EXPECT_EQ(ColumnOf("X.MDB", "SELECT * FROM Sensors WHERE Sensor =0", "EmissionSetPt").toDouble(), 2.0);
    EXPECT_EQ(dialogs.count(), 0);
    EXPECT_EQ(gErr.StackPointer(), 0);
}

TEST_F(DbFileTest, TheBackupNamesTheStoredVersionAndOnlyTheExactText200Migrates) {
    struct Case {
        QString version;
        QString backup;
        int outputOfChannel3;
    };
    const Case cases[] = {{"2.00", "A_2.00.MDB", -1}, {"2.0", "A_2.0.MDB", 9}, {"3.01", "A_3.01.MDB", 9}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version.toStdString());
        QFile::remove(folder.file("A.MDB"));
        dao::Database old = MakeDatabase("A.MDB", c.version);
        FillOldRows(old);
        old.Close();
        const QByteArray before = folder.read("A.MDB");

        EXPECT_EQ(modDB::UpgradeDB("A.MDB"), "A.MDB");
        EXPECT_EQ(folder.read(c.backup), before);
        EXPECT_EQ(ColumnOf("A.MDB", "SELECT * FROM Layers WHERE Layer_Number =4", "Output").toInt(), c.outputOfChannel3);
        EXPECT_EQ(modDB::GetDBProperty("A.MDB", "ORUN_VER"), "4.11");
    }
    EXPECT_EQ(dialogs.count(), 0);
}

TEST_F(DbFileTest, AFileOfTheProgramsVersionIsOpenedUnchangedWithoutABackup) {
    dao::Database db = MakeDatabase("ORUN.MDB", "4.11");
    FillOldRows(db);
    db.Close();
    const QByteArray before = folder.read("ORUN.MDB");
    EXPECT_EQ(modDB::UpgradeDB("ORUN.MDB"), "ORUN.MDB");
    EXPECT_EQ(folder.read("ORUN.MDB"), before);
    EXPECT_FALSE(Exists("ORUN_4.11.MDB"));
    EXPECT_FALSE(Exists("Work.mdb"));
}

TEST_F(DbFileTest, AFailingUpgradeOpensNewMdbAndLeavesTheUsersFileAsItWas) {
    dao::Database old = MakeDatabase("ORUN.MDB", "3.01");
    FillRowsTheUpgradeCannotCopy(old);
    old.Close();
    const QByteArray before = folder.read("ORUN.MDB");
    // An older backup of the same name and version, from an earlier upgrade.
    folder.write("ORUN_3.01.MDB", QByteArray("older backup"));

    modDB::DBLoad("ORUN.MDB");

    EXPECT_EQ(DBFile, "New.mdb");
    EXPECT_EQ(folder.read("ORUN.MDB"), before);
    EXPECT_EQ(folder.read("ORUN_3.01.MDB"), QByteArray("older backup"));
    EXPECT_EQ(modDB::GetDBProperty("New.mdb", "ORUN_VER"), "4.11");
    EXPECT_EQ(QFileInfo(modDB::gDB.Name()).fileName(), "New.mdb");
    EXPECT_EQ(RowsOf("New.mdb", "SELECT * FROM Layers"), 250);
    // The engine's error, then the report naming the upgrade.
    ASSERT_EQ(dialogs.count(), 2);
    EXPECT_EQ(dialogs.boxes()[0].prompt,
              "Error number: 3127\rThe INSERT INTO statement contains the following unknown field name: 'Colour'.");
    EXPECT_TRUE(dialogs.boxes()[1].prompt.contains("UpgradeDB")) << dialogs.boxes()[1].prompt.toStdString();
    EXPECT_EQ(gErr.StackPointer(), 0);

    // A second failure finds New.mdb and keeps it.
    modDB::gDB.Execute("UPDATE Processes SET Process_Name = 'Kept' WHERE Process_Number = 1");
    modDB::gDB = dao::Database();
    EXPECT_EQ(modDB::UpgradeDB("ORUN.MDB"), "New.mdb");
    EXPECT_EQ(ColumnOf("New.mdb", "SELECT * FROM Processes WHERE Process_Number =1", "Process_Name").toString(), "Kept");
    EXPECT_EQ(folder.read("ORUN.MDB"), before);
}

TEST_F(DbFileTest, TheUsersFileKeepsItsBytesWhileAnUpgradeFails) {
    dao::Database old = MakeDatabase("ORUN.MDB", "3.01");
    FillRowsTheUpgradeCannotCopy(old);
    old.Close();
    const QByteArray before = folder.read("ORUN.MDB");
    // What the file holds at each box of the error path: a program killed then would
    // leave it so.
    std::vector<QByteArray> held;
    SetDialogResponder([&](const DialogRequest&) {
        held.push_back(folder.read("ORUN.MDB"));
        return DialogAnswer{};
    });

    EXPECT_EQ(modDB::UpgradeDB("ORUN.MDB"), "New.mdb");

    ASSERT_EQ(held.size(), 2u);
    for (const QByteArray& bytes : held) EXPECT_EQ(bytes, before);
    EXPECT_EQ(folder.read("ORUN.MDB"), before);
    EXPECT_FALSE(Exists("ORUN.MDB.upgrade"));
}

TEST_F(DbFileTest, AFileThatIsNoDatabaseFailsBeforeAnyCopy) {
    folder.write("OLD.MDB", "just some text\r\n");
    EXPECT_EQ(modDB::UpgradeDB("OLD.MDB"), "New.mdb");
    EXPECT_EQ(folder.read("OLD.MDB"), "just some text\r\n");
    EXPECT_FALSE(Exists("OLD_200.MDB"));
    EXPECT_FALSE(Exists("Work.mdb"));
    EXPECT_TRUE(Exists("New.mdb"));
    ASSERT_EQ(dialogs.count(), 2);
    EXPECT_TRUE(dialogs.boxes()[0].prompt.startsWith("Error number: 3343\r")) << dialogs.boxes()[0].prompt.toStdString();

    // An Access header over bytes that are no Access database: its reader refuses it, and
    // the upgrade raises that, naming the file, with no fallback made and nothing left.
    for (const char* name : {"New.mdb", "ERRORS.TXT"}) QFile::remove(folder.file(name));
    const QByteArray jet = QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20) + QByteArray(200, 'j');
    folder.write("OLD.MDB", jet);
    dialogs.clear();
    try {
        modDB::UpgradeDB("OLD.MDB");
        ADD_FAILURE() << "carried over";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.description, "The recipe database OLD.MDB is an Access (Jet) database that could not be carried over: "
                                 "The Access (Jet) database '" + folder.file("OLD.MDB") + "' cannot be read: its header "
                                 "is damaged or of a version the reader does not know. The file is left unchanged.");
    }
    EXPECT_EQ(dialogs.count(), 0);
    EXPECT_EQ(folder.read("OLD.MDB"), jet);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList({TemplateFileName(), "OLD.MDB"}));
}

TEST_F(DbFileTest, ANewerFileEndsTheProgramAndStaysUntouched) {
    MakeDatabase("ORUN.MDB", "5.00").Close();
    const QByteArray before = folder.read("ORUN.MDB");
    EXPECT_THROW(modDB::DBLoad("ORUN.MDB"), modUtil::CriticalExit);
    EXPECT_EQ(exitCode(), 1);
    ASSERT_EQ(dialogs.count(), 1);
    EXPECT_EQ(dialogs.last().prompt, "Critical Error: Database ORUN.MDB is version 5.00\r\n"
                                     "Your ORUN program is only version 4.11\r\n"
                                     "Contact Arvento (555-0100) for upgrade information.\r\n"
                                     "Application must close!");
    EXPECT_EQ(dialogs.last().icon(), vbCritical);
    EXPECT_EQ(folder.read("ORUN.MDB"), before);
    EXPECT_FALSE(Exists("ORUN_5.00.MDB"));
    EXPECT_TRUE(DBFile.isEmpty());
}

TEST_F(DbFileTest, ATemplateOfAnotherVersionEndsTheProgramAndIsMadeReadOnly) {
    dao::OpenDatabase(folder.file(TemplateFileName())).SetUserDefinedProperty("ORUN_VER", "4.10");
    MakeDatabase("ORUN.MDB", "3.01").Close();
    const QByteArray before = folder.read("ORUN.MDB");
    EXPECT_THROW(modDB::UpgradeDB("ORUN.MDB"), modUtil::CriticalExit);
    ASSERT_EQ(dialogs.count(), 1);
    EXPECT_EQ(dialogs.last().prompt, "Critical Error:  A file needed to upgrade your database to Ver. 4.11 is not available"
                                     "\r\n\r\nContact Arvento (555-0100).\r\n\r\nApplication must close!");
    EXPECT_FALSE(QFile::permissions(folder.file(TemplateFileName())) & QFile::WriteOwner);
    EXPECT_EQ(folder.read("ORUN.MDB"), before);
}

TEST_F(DbFileTest, AnUpgradeWithoutATemplateOrRoomFailsAndTheOpenDatabaseStays) {
    MakeDatabase("ORUN.MDB", "4.11").Close();
    modDB::DBLoad("ORUN.MDB");
    ASSERT_EQ(DBFile, "ORUN.MDB");
    MakeDatabase("OLD.MDB", "3.01").Close();
    const QByteArray before = folder.read("OLD.MDB");
    const QByteArray shipped = folder.read(TemplateFileName());
    std::optional<FileSizeLimit> full;
    struct Case {
        const char* what;
        std::function<void()> breakIt, mendIt;
        const char* cause;
    } cases[] = {
        {"no template", [&] { QFile::remove(folder.file(TemplateFileName())); },
         [&] { folder.write(TemplateFileName(), shipped); }, "File not found"},
        // Neither the backup nor the fallback New.mdb fits: the cause is named, not a
        // template said to be missing.
        {"full disk", [&] { full.emplace(4096); }, [&] { full.reset(); }, "Disk full"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dialogs.clear();
        c.breakIt();
        modDB::DBLoad("OLD.MDB");
        c.mendIt();

        EXPECT_EQ(DBFile, "ORUN.MDB");
        EXPECT_EQ(QFileInfo(modDB::gDB.Name()).fileName(), "ORUN.MDB");
        EXPECT_EQ(folder.read("OLD.MDB"), before);
        QStringList left = QDir(folder.path()).entryList(QDir::Files);
        left.removeAll("ERRORS.TXT");
        EXPECT_EQ(left, QStringList({TemplateFileName(), "OLD.MDB", "ORUN.MDB"}));
        ASSERT_GE(dialogs.count(), 1);
        EXPECT_TRUE(dialogs.last().prompt.contains("modDB_DBLoad")) << dialogs.last().prompt.toStdString();
        EXPECT_TRUE(dialogs.last().prompt.contains(c.cause)) << dialogs.last().prompt.toStdString();
        EXPECT_EQ(gErr.StackPointer(), 0);
    }
}

TEST_F(DbFileTest, AVersionThatCannotBeReadChangesNothing) {
    MakeDatabase("ORUN.MDB", "4.11").Close();
    modDB::DBLoad("ORUN.MDB");
    gLayer(4).Output = 6;
    // A current file whose version cannot be read for another reason than its absence.
    dao::Database current = MakeDatabase("Current.MDB", "4.11");
    FillOldRows(current);
    current.Execute("DROP TABLE DatabaseProperties");
    current.Execute("CREATE TABLE DatabaseProperties (Name TEXT)");
    current.Close();
    const QByteArray before = folder.read("Current.MDB");
    dialogs.clear();

    modDB::DBLoad("Current.MDB");

    EXPECT_EQ(folder.read("Current.MDB"), before);
    EXPECT_FALSE(Exists("Current_200.MDB"));
    EXPECT_FALSE(Exists("Work.mdb"));
    EXPECT_FALSE(Exists("New.mdb"));
    EXPECT_EQ(DBFile, "ORUN.MDB");
    EXPECT_EQ(QFileInfo(modDB::gDB.Name()).fileName(), "ORUN.MDB");
    EXPECT_EQ(gLayer(4).Output, 6);
    ASSERT_EQ(dialogs.count(), 2);
    EXPECT_TRUE(dialogs.boxes()[0].prompt.startsWith("Error number: 3061\r")) << dialogs.boxes()[0].prompt.toStdString();
    EXPECT_TRUE(dialogs.boxes()[1].prompt.contains("modDB_DBLoad")) << dialogs.boxes()[1].prompt.toStdString();
    EXPECT_EQ(gErr.StackPointer(), 0);
}

namespace {

// Every file of the program folder, sorted.
QStringList FilesIn(const QString& folder) {
    QStringList files = QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    files.removeAll("ERRORS.TXT");  // the error report
    return files;
}

}  // namespace

// A file that cannot be opened whole: an older file of this program's form whose upgrade
// fails, chosen with File > Open; a current file that another program keeps locked past
// the wait, chosen with File > Open or at a start; an older file so locked at a start. None
// is swapped for New.mdb: the file is left byte for byte, nothing of the attempt stays
// beside it, the open database and its name stay with the records in memory, and one
// message names the file and the cause. (A start whose older file truly fails to upgrade
// still goes on with New.mdb: the failing upgrade's own test.)
TEST_F(DbFileTest, AFileThatCannotBeOpenedWholeIsNeverSwappedAndTheOpenDatabaseStays) {
    const LockWaitForTest wait(1500);
    MakeDatabase("ORUN.MDB", "4.11").Close();
    modDB::DBLoad("ORUN.MDB");
    ASSERT_EQ(DBFile, "ORUN.MDB");
    const struct {
        const char* what;
        const char* version;
        bool cannotCopy;
        bool locked;
        modDB::FailedUpgrade onFailure;
        const char* cause;
    } cases[] = {
        {"an older file whose upgrade fails, opened", "3.01", true, false, modDB::FailedUpgrade::Refuse,
         "is of an older version and could not be upgraded: The INSERT INTO statement contains the following unknown "
         "field name: 'Colour'. The file is left unchanged."},
        {"a current file locked, opened", "4.11", false, true, modDB::FailedUpgrade::Refuse, "is held by another program"},
        {"a current file locked, at a start", "4.11", false, true, modDB::FailedUpgrade::OpenNewMdb,
         "is held by another program"},
        {"an older file locked, at a start", "3.01", false, true, modDB::FailedUpgrade::OpenNewMdb,
         "is held by another program"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        dao::Database file = MakeDatabase("Chosen.MDB", c.version);
        if (c.cannotCopy) FillRowsTheUpgradeCannotCopy(file);
        else FillOldRows(file);
        file.Close();
        const QByteArray before = folder.read("Chosen.MDB");
        const QStringList files = FilesIn(folder.path());
        gLayer(4).Output = 6;
        dialogs.clear();
        // A lock is told by the caller (the start-up's or File > Open's one message); any
        // other failure by the load.
        QString told;
        {
            std::optional<OtherProgramLock> other;
            if (c.locked) {
                other.emplace(folder.file("Chosen.MDB"));
                ASSERT_TRUE(other->WaitTaken());
            }
            try {
                EXPECT_FALSE(modDB::DBLoad("Chosen.MDB", c.onFailure));
            } catch (const modDB::FileRefused& refusal) {
                EXPECT_TRUE(c.locked);
                told = refusal.description;
            }
        }
        EXPECT_EQ(folder.read("Chosen.MDB"), before);
        EXPECT_EQ(FilesIn(folder.path()), files);
        EXPECT_EQ(DBFile, "ORUN.MDB");
        EXPECT_EQ(QFileInfo(modDB::gDB.Name()).fileName(), "ORUN.MDB");
        EXPECT_EQ(gLayer(4).Output, 6);
        if (told.isEmpty()) {
            ASSERT_EQ(dialogs.count(), 1) << dialogs.prompts().join('\n').toStdString();
            told = dialogs.last().prompt;
        } else {
            EXPECT_EQ(dialogs.count(), 0) << dialogs.prompts().join('\n').toStdString();
        }
        EXPECT_TRUE(told.contains(c.cause)) << told.toStdString();
        EXPECT_TRUE(told.contains("Chosen.MDB")) << told.toStdString();
        EXPECT_EQ(gErr.StackPointer(), 0);
        QFile::remove(folder.file("Chosen.MDB"));
        QFile::remove(folder.file("ERRORS.TXT"));
    }
}

