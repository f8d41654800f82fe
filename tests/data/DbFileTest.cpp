#include "DbFileFixture.h"

#include "app/cErrHandler.h"
#include "data/FilmRec.h"
#include "data/GraphRec.h"
#include "data/ProcessRec.h"
#include "platform/FileDialogs.h"
#include "run/frmMain.h"
#include "run/modIO.h"
#include "support/OtherProgramLock.h"
#include "support/FileSizeLimit.h"
#include "support/OwnDisk.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <functional>
#include <iostream>
#include <limits>
#include <optional>

namespace {

// Uses every layer record but those listed.
void UseAllLayersBut(std::initializer_list<int> free) {
    for (int n = 1; n <= 250; ++n) gLayer(n).Film_Number = static_cast<int16_t>(1 + n % 25);
    for (int n : free) gLayer(n).Film_Number = -1;
}

}  // namespace

TEST_F(DbFileTest, LoadingTheTemplateAddsEveryRowAndNamesTheFile) {
    ASSERT_TRUE(QFile::copy(folder.file(TemplateFileName()), folder.file("ORUN.MDB")));
    gProcess(4).Number_Layers = 3;
    gLayer(17).Film_Number = 2;
    modDB::DBLoad("ORUN.MDB");

    EXPECT_EQ(DBFile, "ORUN.MDB");
    EXPECT_EQ(RowsOf("ORUN.MDB", "SELECT * FROM Processes"), 25);
    EXPECT_EQ(RowsOf("ORUN.MDB", "SELECT * FROM Layers"), 250);
    EXPECT_EQ(RowsOf("ORUN.MDB", "SELECT * FROM Films"), 25);
    EXPECT_EQ(gProcess(25).Process_Name.text(), "Process25       ");
    EXPECT_EQ(gProcess(4).Number_Layers, 0);
    EXPECT_EQ(gLayer(17).Film_Number, -1);
    EXPECT_EQ(gFilm(3).Film_Name.text(), "Film3           ");
    EXPECT_EQ(modDB::GetFreeLayer(), 1);
    EXPECT_EQ(dialogs.count(), 0);
    EXPECT_EQ(gErr.StackPointer(), 0);
}

// A cell that cannot be read takes its default alone: the rest of its record is read,
// the load goes on, and the whole file's such cells are told in one message. A save
// leaves such a cell as the file holds it until the value is changed in the program.
TEST_F(DbFileTest, ACellThatCannotBeReadTakesItsDefaultAloneAndStaysInTheFileUntilChanged) {
    dao::Database db = MakeDatabase("ORUN.MDB", "4.11");
    db.Execute("INSERT INTO Processes (Process_Number, Process_Name, Number_Layers, First_Layer) VALUES (3, 'Coating', NULL, 7)");
    db.Execute("INSERT INTO Processes (Process_Number, Process_Name) VALUES (4, 'Mirror')");
    db.Execute("INSERT INTO Films (Film_Number, Film_Name, PTerm, ITerm) VALUES (2, 'SiO2', 'fast', 0.25)");
    db.Close();
    gProcess(3).Process_Name = QStringLiteral("stale");
    gProcess(3).Number_Layers = 44;
    gFilm(2).PTerm = 9.0;

    modDB::DBLoad("ORUN.MDB");

    EXPECT_EQ(gProcess(3).Process_Name.text(), "Coating         ");
    EXPECT_EQ(gProcess(3).Number_Layers, 0);  // the design's default
    EXPECT_EQ(gProcess(3).First_Layer, 7);
    EXPECT_EQ(gProcess(4).Process_Name.text(), "Mirror          ");
    EXPECT_EQ(gFilm(2).Film_Name.text(), "SiO2            ");
    EXPECT_EQ(gFilm(2).PTerm, 1.0);
    EXPECT_EQ(gFilm(2).ITerm, 0.25);
    EXPECT_EQ(gFilm(3).Film_Name.text(), "Film3           ");
    EXPECT_EQ(RowsOf("ORUN.MDB", "SELECT * FROM Layers"), 250);
    EXPECT_EQ(dialogs.prompts(),
              QStringList{"Values in the recipe database " + folder.file("ORUN.MDB") +
                          " cannot be read. Each has taken its default, and the file keeps what it holds there until the "
                          "value is changed in the program:\r\n"
                          "table Processes, record Process_Number 3, column Number_Layers: no value\r\n"
                          "table Films, record Film_Number 2, column PTerm: \"fast\""});
    EXPECT_EQ(dialogs.last().icon(), vbExclamation);

    // Saved as read: the cells keep what the file holds; the others are written.
    gProcess(3).First_Layer = 8;
    gFilm(2).ITerm = 0.5;
    modDB::ProcessSave(3);
    modDB::FilmSave(2);
    EXPECT_TRUE(ColumnOf("ORUN.MDB", "SELECT * FROM Processes WHERE Process_Number = 3", "Number_Layers").isNull());
    EXPECT_EQ(ColumnOf("ORUN.MDB", "SELECT * FROM Processes WHERE Process_Number = 3", "First_Layer").toInt(), 8);
    EXPECT_EQ(ColumnOf("ORUN.MDB", "SELECT * FROM Films WHERE Film_Number = 2", "PTerm"), "fast");
    EXPECT_EQ(ColumnOf("ORUN.MDB", "SELECT * FROM Films WHERE Film_Number = 2", "ITerm").toDouble(), 0.5);
    // A Save As to the file itself writes every record: the same.
    modDB::DBSave("ORUN.MDB");
    EXPECT_EQ(ColumnOf("ORUN.MDB", "SELECT * FROM Films WHERE Film_Number = 2", "PTerm"), "fast");

    // Changed in the program: written, and read from then on.
    gFilm(2).PTerm = 2.5;
    modDB::FilmSave(2);
    EXPECT_EQ(ColumnOf("ORUN.MDB", "SELECT * FROM Films WHERE Film_Number = 2", "PTerm").toDouble(), 2.5);
    gProcess(3).Number_Layers = 1;
    modDB::ProcessSave(3);
    EXPECT_EQ(ColumnOf("ORUN.MDB", "SELECT * FROM Processes WHERE Process_Number = 3", "Number_Layers").toInt(), 1);
    EXPECT_EQ(dialogs.count(), 1);
}

// A number that is not finite (an Access Double holding infinity, carried over) or raw
// bytes in a number column (an Access Binary value): not read, named once, kept in the file,
// and never the reason a save fails: the save of every record onto the open file and the
// Save As to another file both go through, and both files hold the cells as they were.
TEST_F(DbFileTest, ANumberThatIsNotFiniteOrRawBytesIsKeptAndNeverStopsASave) {
    dao::Database db = MakeDatabase("ORUN.MDB", "4.11");
    db.Execute("INSERT INTO Layers (Layer_Number, Film_Number, Channel, ChanMult, Rate) VALUES (5, 2, 1, 9e999, 2.5)");
    db.Execute("INSERT INTO Films (Film_Number, Film_Name, UnitsCal, QCM_TOOLING, PTerm) VALUES (2, 'SiO2', X'00FF', -9e999, 3)");
    db.Close();

    modDB::DBLoad("ORUN.MDB");
    EXPECT_EQ(gLayer(5).Rate, 2.5);
    EXPECT_EQ(gFilm(2).PTerm, 3.0);
    EXPECT_EQ(dialogs.prompts(),
              QStringList{"Values in the recipe database " + folder.file("ORUN.MDB") +
                          " cannot be read. Each has taken its default, and the file keeps what it holds there until the "
                          "value is changed in the program:\r\n"
                          "table Layers, record Layer_Number 5, column ChanMult: \"inf\"\r\n"
                          "table Films, record Film_Number 2, column UnitsCal: a binary value of 2 bytes\r\n"
                          "table Films, record Film_Number 2, column QCM_TOOLING: \"-inf\""});

    gLayer(5).Rate = 3.5;
    modDB::DBSave("ORUN.MDB");
    modDB::DBSave("Copy.MDB");
    EXPECT_EQ(dialogs.count(), 1) << dialogs.prompts().join('\n').toStdString();
    EXPECT_EQ(DBFile, "Copy.MDB");
    for (const char* file : {"ORUN.MDB", "Copy.MDB"}) {
        SCOPED_TRACE(file);
        EXPECT_EQ(ColumnOf(file, "SELECT * FROM Layers WHERE Layer_Number =5", "ChanMult").toDouble(),
                  std::numeric_limits<double>::infinity());
        EXPECT_EQ(ColumnOf(file, "SELECT * FROM Layers WHERE Layer_Number =5", "Rate").toDouble(), 3.5);
        EXPECT_EQ(ColumnOf(file, "SELECT * FROM Films WHERE Film_Number =2", "UnitsCal").toByteArray(), QByteArray("\x00\xff", 2));
        EXPECT_EQ(ColumnOf(file, "SELECT * FROM Films WHERE Film_Number =2", "QCM_TOOLING").toDouble(),
                  -std::numeric_limits<double>::infinity());
    }
}

TEST_F(DbFileTest, GetFreeLayerFindsTheFirstRecordMarkedFree) {
    UseAllLayersBut({});
    EXPECT_EQ(modDB::GetFreeLayer(), 251);
    UseAllLayersBut({250});
    EXPECT_EQ(modDB::GetFreeLayer(), 250);
    // Only -1 is free: other negative numbers and 0 count as used.
    gLayer(20).Film_Number = -2;
    gLayer(30).Film_Number = 0;
    gLayer(40).Film_Number = -1;
    EXPECT_EQ(modDB::GetFreeLayer(), 40);
}

TEST_F(DbFileTest, SaveAsToANewNameMovesTheOpenDatabaseThereWithEveryRecord) {
    MakeDatabase("ORUN.MDB", "4.11").Close();
    modDB::DBLoad("ORUN.MDB");
    const QByteArray original = folder.read("ORUN.MDB");
    // Changed in memory only, as the phase machine changes records.
    gProcess(2).Run_Number = 321;

    modDB::DBSave("Copy.MDB");

    EXPECT_EQ(DBFile, "Copy.MDB");
    EXPECT_EQ(QFileInfo(modDB::gDB.Name()).fileName(), "Copy.MDB");
    EXPECT_EQ(ColumnOf("Copy.MDB", "SELECT * FROM Processes WHERE Process_Number =2", "Run_Number").toInt(), 321);
    // A later save lands in the new file, and the next load of it sees it.
    gLayer(7).Film_Number = 4;
    gLayer(7).Rate = 3.5;
    modDB::LayerSave(7);
    EXPECT_EQ(ColumnOf("Copy.MDB", "SELECT * FROM Layers WHERE Layer_Number =7", "Rate").toDouble(), 3.5);
    EXPECT_EQ(folder.read("ORUN.MDB"), original);
    gLayer(7) = LayerRec{};
    modDB::DBLoad("Copy.MDB");
    EXPECT_EQ(gLayer(7).Film_Number, 4);
    EXPECT_EQ(gLayer(7).Rate, 3.5);
    EXPECT_EQ(dialogs.count(), 0);
}

TEST_F(DbFileTest, SaveAsOverAnotherFileReplacesItWithTheOpenDatabase) {
    dao::Database other = MakeDatabase("Other.MDB", "4.11");
    for (int n = 1; n <= 40; ++n) other.Execute(QString("INSERT INTO Materials (Material) VALUES ('m%1')").arg(n));
    other.Execute("INSERT INTO Processes (Process_Number, Process_Name) VALUES (1, 'Theirs')");
    other.Close();
    MakeDatabase("ORUN.MDB", "4.11").Close();
    modDB::DBLoad("ORUN.MDB");
    gProcess(1).Process_Name = QStringLiteral("Ours");

    modDB::DBSave("Other.MDB");

    EXPECT_EQ(DBFile, "Other.MDB");
    EXPECT_EQ(RowsOf("Other.MDB", "SELECT * FROM Materials"), 0);
    EXPECT_EQ(ColumnOf("Other.MDB", "SELECT * FROM Processes WHERE Process_Number =1", "Process_Name").toString(),
              "Ours            ");
    EXPECT_EQ(RowsOf("Other.MDB", "SELECT * FROM Layers"), 250);

    // An Access file is never replaced: the save stops with the refusal naming it.
    const QByteArray jet = QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20) + QByteArray(300, 'j');
    folder.write("Access.MDB", jet);
    dialogs.clear();
    modDB::DBSave("Access.MDB");
    EXPECT_EQ(folder.read("Access.MDB"), jet);
    EXPECT_EQ(DBFile, "Other.MDB");
    EXPECT_EQ(QFileInfo(modDB::gDB.Name()).fileName(), "Other.MDB");
    ASSERT_EQ(dialogs.count(), 1);
    EXPECT_TRUE(dialogs.last().prompt.contains("Access.MDB' is an Access (Jet) database")) << dialogs.last().prompt.toStdString();
}

TEST_F(DbFileTest, ASaveAsThatCannotBeDoneLeavesTheTargetAndKeepsTheOpenDatabaseAndItsName) {
    MakeDatabase("ORUN.MDB", "4.11").Close();
    MakeDatabase("Busy.MDB", "4.11").Close();
    modDB::DBLoad("ORUN.MDB");
    const QByteArray before = folder.read("Busy.MDB");
    dao::Database other;
    std::optional<FileSizeLimit> full;
    struct Case {
        const char* what;
        std::function<void()> breakIt, mendIt;
        const char* cause;
    } cases[] = {
        // Another program is writing to the chosen file: it is not replaced under it, and
        // the save, waited for, is refused in one message naming the file.
        {"target in use",
         [&] {
             other = dao::OpenDatabase(folder.file("Busy.MDB"));
             other.BeginTrans();
         },
         [&] {
             other.Rollback();
             other.Close();
         },
         "Busy.MDB is held by another program"},
        // The copy the save builds does not fit on the disk.
        {"full disk", [&] { full.emplace(4096); }, [&] { full.reset(); }, "Disk full"},
    };
    const LockWaitForTest wait(300);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        gProcess(1).Run_Number = 55;
        dialogs.clear();
        c.breakIt();
        modDB::DBSave("Busy.MDB");
        c.mendIt();
        ASSERT_EQ(dialogs.count(), 1);
        EXPECT_TRUE(dialogs.last().prompt.contains(c.cause)) << dialogs.last().prompt.toStdString();
        EXPECT_EQ(DBFile, "ORUN.MDB");
        EXPECT_EQ(QFileInfo(modDB::gDB.Name()).fileName(), "ORUN.MDB");
        EXPECT_EQ(folder.read("Busy.MDB"), before);
        EXPECT_FALSE(Exists("Busy.MDB.saving"));
    }
}

// A save onto the open file that the disk cannot take: one message naming the file and the
// cause (not one per record and engine error), the file as it was, the records in memory
// as edited, and the same save stores them once the disk has room. On a file-size limit
// in this process, and on a small disk of a helper program's own filled to the last byte
// (where the system lets it have one), the engine then telling a full disk as such.
TEST_F(DbFileTest, ASaveOntoTheOpenFileThatTheDiskCannotTakeIsToldOnceAndCanBeDoneAgain) {
    // Every row there, as after a start-up.
    MakeDatabase("Source.MDB", "4.11").Close();
    modDB::DBLoad("Source.MDB");
    modDB::gDB.Close();
    const QByteArray source = folder.read("Source.MDB");
    struct Saves {
        QStringList fullBoxes, roomBoxes;
        QByteArray full, room;  // the file after each save
    };
    const auto edit = [] {
        gProcess(2).Run_Number = 321;
        gLayer(7).Film_Number = 4;
        gLayer(7).Rate = 3.5;
    };
    struct Case {
        const char* what;
        std::function<bool(Saves&)> save;  // false: not tried here
        const char* cause;
    } cases[] = {
        {"file-size limit",
         [&](Saves& s) {
             folder.write("ORUN.MDB", source);
             modDB::DBLoad("ORUN.MDB");
             edit();
             dialogs.clear();
             {
                 FileSizeLimit full(4096);  // no room for the journal of the save
                 modDB::DBSave("ORUN.MDB");
             }
             s.fullBoxes = dialogs.prompts();
             s.full = folder.read("ORUN.MDB");
             EXPECT_FALSE(Exists("ORUN.MDB-journal"));
             EXPECT_EQ(gProcess(2).Run_Number, 321);
             EXPECT_EQ(gLayer(7).Rate, 3.5);
             dialogs.clear();
             modDB::DBSave("ORUN.MDB");
             s.roomBoxes = dialogs.prompts();
             s.room = folder.read("ORUN.MDB");
             return true;
         },
         "I/O error"},
        {"full disk of its own",
         [&](Saves& s) {
             if (!OwnDisk::Allowed()) return false;
             QDir().mkpath(folder.file("disk"));
             QProcess saver;
             OwnDisk::Start(saver, folder.file("disk"), 2048, QStringLiteral(ORUN_SAVE_LOOP),
                            {"--full-disk", folder.file("disk"), folder.file("Source.MDB"), folder.path()});
             EXPECT_TRUE(saver.waitForFinished(60000));
             EXPECT_EQ(saver.exitCode(), 0) << saver.readAllStandardError().toStdString();
             QStringList* boxes = nullptr;
             for (const QString& line : QString::fromLocal8Bit(saver.readAllStandardError()).split('\n')) {
                 if (line == "save on a full disk") boxes = &s.fullBoxes;
                 else if (line == "save with room") boxes = &s.roomBoxes;
                 else if (line == "saved") boxes = nullptr;
                 else if (boxes && line.startsWith("box: ")) *boxes << line.mid(5);
             }
             s.full = folder.read("full.mdb");
             s.room = folder.read("room.mdb");
             return true;
         },
         "Not enough space on disk."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Saves s;
        if (!c.save(s)) {
            std::cout << "no mount namespace here: the " << c.what << " is not tried\n";
            continue;
        }
        ASSERT_EQ(s.fullBoxes.size(), 1) << s.fullBoxes.join('|').toStdString();
        for (const char* part : {"modDB_DBSave", c.cause, "Nothing was saved to ORUN.MDB"})
            EXPECT_TRUE(s.fullBoxes[0].contains(part)) << part << " in " << s.fullBoxes[0].toStdString();
        EXPECT_TRUE(s.full == source) << "the file as it was before the save";
        EXPECT_EQ(s.roomBoxes, QStringList());
        folder.write("Saved.MDB", s.room);
        EXPECT_EQ(ColumnOf("Saved.MDB", "SELECT * FROM Processes WHERE Process_Number =2", "Run_Number").toInt(), 321);
        EXPECT_EQ(ColumnOf("Saved.MDB", "SELECT * FROM Layers WHERE Layer_Number =7", "Rate").toDouble(), 3.5);
        EXPECT_EQ(ColumnOf("Saved.MDB", "SELECT * FROM Layers WHERE Layer_Number =7", "Film_Number").toInt(), 4);
    }
}

TEST_F(DbFileTest, SaveAsCancelledWritesEveryRecordAndTheActiveProcessesSettings) {
    MakeDatabase("ORUN.MDB", "4.11").Close();
    modDB::DBLoad("ORUN.MDB");
    for (int16_t p : {1, 2}) {
        modDB::GraphLoad(p);
        modDB::IOLoad(p);
    }
    app->setProcNum(2);
    gGraph(0).Caption = "Active";
    modIO::SetOutputFunction(0, 8);
    gProcess(1).Run_Number = 11;
    gLayer(250).Thick = 9.5;
    gFilm(25).PTerm = 0.75;

    // The Save As dialog cancelled gives back the open file's name.
    SetFileDialogResponder([](const FileDialogRequest& r) {
        EXPECT_EQ(r.title, "Save Database As");
        EXPECT_FALSE(r.openDialog);
        return FileDialogAnswer{};
    });
    frmMain form;
    form.mnuFileSaveAS_Click();
    SetFileDialogResponder({});

    EXPECT_EQ(DBFile, "ORUN.MDB");
    EXPECT_EQ(ColumnOf("ORUN.MDB", "SELECT * FROM Processes WHERE Process_Number =1", "Run_Number").toInt(), 11);
    EXPECT_EQ(ColumnOf("ORUN.MDB", "SELECT * FROM Layers WHERE Layer_Number =250", "Thick").toDouble(), 9.5);
    EXPECT_EQ(ColumnOf("ORUN.MDB", "SELECT * FROM Films WHERE Film_Number =25", "PTerm").toDouble(), 0.75);
    EXPECT_EQ(ColumnOf("ORUN.MDB", "SELECT * FROM Graphs WHERE Process_Number =2", "G1Caption").toString(), "Active");
    EXPECT_EQ(ColumnOf("ORUN.MDB", "SELECT * FROM IO WHERE Process_Number =2", "Out0").toInt(), 8);
    EXPECT_EQ(ColumnOf("ORUN.MDB", "SELECT * FROM Graphs WHERE Process_Number =1", "G1Caption").toString(), "Graph 1");
    EXPECT_EQ(ColumnOf("ORUN.MDB", "SELECT * FROM IO WHERE Process_Number =1", "Out0").toInt(), 0);
}

TEST_F(DbFileTest, LoadingAMissingFileChangesNothing) {
    MakeDatabase("ORUN.MDB", "4.11").Close();
    modDB::DBLoad("ORUN.MDB");
    gProcess(5).Run_Number = 77;
    dialogs.clear();
    modDB::DBLoad("Missing.MDB");
    EXPECT_EQ(DBFile, "ORUN.MDB");
    EXPECT_EQ(QFileInfo(modDB::gDB.Name()).fileName(), "ORUN.MDB");
    EXPECT_EQ(gProcess(5).Run_Number, 77);
    ASSERT_EQ(dialogs.count(), 1);
    EXPECT_TRUE(dialogs.last().prompt.contains("File not found")) << dialogs.last().prompt.toStdString();
    EXPECT_FALSE(Exists("New.mdb"));
}

TEST_F(DbFileTest, FileOpenReplacesEveryRecordAndSelectsProcessOne) {
    dao::Database first = MakeDatabase("ORUN.MDB", "4.11");
    first.Execute("INSERT INTO Processes (Process_Number, Process_Name, Number_Layers, First_Layer, Number_Act_Layers) "
                  "VALUES (1, 'First', 1, 3, 1)");
    first.Execute("INSERT INTO Layers (Layer_Number, Film_Number, Channel, Output) VALUES (3, 1, 0, 0)");
    first.Close();
    dao::Database second = MakeDatabase("Second.MDB", "4.11");
    second.Execute("INSERT INTO Processes (Process_Number, Process_Name, Number_Layers, First_Layer, Number_Act_Layers) "
                   "VALUES (1, 'Second', 1, 9, 1)");
    second.Execute("INSERT INTO Layers (Layer_Number, Film_Number, Channel, Output) VALUES (9, 2, 5, 5)");
    second.Execute("INSERT INTO Films (Film_Number, Film_Name) VALUES (2, 'SiO2')");
    second.Execute("INSERT INTO IO (Process_Number, Out2) VALUES (1, 20)");
    second.Execute("INSERT INTO Graphs (Process_Number, G1Caption) VALUES (1, 'Second graph')");
    second.Close();
    modDB::DBLoad("ORUN.MDB");
    app->setProcNum(4);
    dialogs.clear();  // process 4 is empty: it has been given its default layer

    std::vector<FileDialogRequest> asked;
    SetFileDialogResponder([&](const FileDialogRequest& r) {
        asked.push_back(r);
        return FileDialogAnswer{true, folder.file("Second.MDB"), "Second.MDB"};
    });
    frmMain form;
    form.mnuFileOpen_Click();
    SetFileDialogResponder({});

    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].title, "Open Database");
    EXPECT_TRUE(asked[0].openDialog);
    EXPECT_EQ(DBFile, "Second.MDB");
    EXPECT_EQ(gProcess(1).Process_Name.text(), "Second          ");
    EXPECT_EQ(gLayer(3).Film_Number, -1);
    EXPECT_EQ(gLayer(9).Film_Number, 2);
    EXPECT_EQ(gFilm(2).Film_Name.text(), "SiO2            ");
    EXPECT_EQ(app->ProcNum(), 1);
    EXPECT_EQ(app->ProcLayer(), 1);
    EXPECT_EQ(app->ChanLayer(5), 9);
    EXPECT_EQ(modIO::GetOutputFunction(2), 20);
    EXPECT_EQ(gGraph(0).Caption, "Second graph");
    EXPECT_EQ(dialogs.count(), 0);
}
