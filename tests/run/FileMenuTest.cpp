// The File menu's commands when the program's state object is missing, and File > Open of
// an Access database, and of Access files that cannot be carried over.
#include "MainWindowFixture.h"
#include "data/JetDamage.h"
#include "app/cApp.h"
#include "platform/FileDialogs.h"
#include "run/ProgramObjects.h"
#include "run/frmMain.h"
#include "support/DialogRecorder.h"
#include "support/ProgramState.h"
#include "support/TempProgramFolder.h"

#include <QAction>
#include <QDir>
#include <gtest/gtest.h>

// Without the state object the process selection after Open is an error that the
// command's handler reports, not a crash.
TEST(FileMenu, OpenWithoutTheStateObjectReportsTheMissingObject) {
    TempProgramFolder folder;
    DialogRecorder boxes;
    SetFileDialogResponder([](const FileDialogRequest&) { return FileDialogAnswer{}; });
    ResetProgramState();
    ProgramObjects::CreateMainForm().mnuFileOpen_Click();
    ResetProgramState();
    SetFileDialogResponder({});
    ASSERT_GE(boxes.count(), 1);
    EXPECT_TRUE(boxes.last().prompt.contains("91")) << boxes.last().prompt.toStdString();
}

// File > Open of a site's Access (Jet) database: it is carried over, the operator is told
// once, and the menu lists its processes.
TEST_F(MainWindowTest, OpenCarriesAnAccessDatabaseOverAndListsItsProcesses) {
    Station({0});
    ASSERT_TRUE(QFile::copy(QStringLiteral(ORUN_BIN_DIR "/411_ORUN.MDB"), folder.file("411_ORUN.MDB")));
    QFile access(QStringLiteral(ORUN_TEST_DATA_DIR "/jet/full-jet4.mdb"));
    ASSERT_TRUE(access.open(QIODevice::ReadOnly));
    const QByteArray jet = access.readAll();
    folder.write("Site.MDB", jet);
    SetFileDialogResponder([&](const FileDialogRequest&) { return FileDialogAnswer{true, folder.file("Site.MDB"), "Site.MDB"}; });
    boxes.clear();
    form->mnuFileOpen->trigger();
    SetFileDialogResponder({});

    EXPECT_EQ(boxes.prompts(), QStringList{"The recipe database Site.MDB was an Access (Jet) database. Its recipes have "
                                           "been carried over into this program's own form; the Access file is kept "
                                           "unchanged as Site_4.11.MDB."});
    EXPECT_EQ(DBFile, "Site.MDB");
    EXPECT_EQ(form->windowTitle(), "ORUN - [Site.MDB]");
    EXPECT_TRUE(folder.read("Site_4.11.MDB") == jet);
    EXPECT_EQ(dao::HeaderOf(folder.file("Site.MDB")), dao::FileHeader::SQLite);
    ASSERT_EQ(form->mnuFileProcess.size(), 25u);
    EXPECT_EQ(form->mnuFileProcess[0]->text(), "Bench8");
    EXPECT_EQ(form->mnuFileProcess[24]->text(), "Process 25 full");
    EXPECT_TRUE(form->mnuFileProcess[0]->isChecked());
    EXPECT_EQ(gApp->ProcNum(), 1);
    EXPECT_EQ(gLayer(250).Film_Number, 25);
}

// File > Open of an Access file that cannot be carried over (a page of its processes
// damaged; one without the recipe tables): refused in one message naming the file and the
// cause, the database that was open stays open with its records, and nothing is left.
TEST_F(MainWindowTest, OpenRefusesADamagedOrForeignAccessFileAndKeepsTheOpenDatabase) {
    Station({0});
    ASSERT_TRUE(QFile::copy(QStringLiteral(ORUN_BIN_DIR "/411_ORUN.MDB"), folder.file("411_ORUN.MDB")));
    QFile access(QStringLiteral(ORUN_TEST_DATA_DIR "/jet/full-jet4.mdb"));
    ASSERT_TRUE(access.open(QIODevice::ReadOnly));
    const QByteArray jet = access.readAll();
    std::mt19937 rng(54);
    struct Case {
        const char* what;
        QByteArray bytes;
        QString said;
    } cases[] = {
        // Page 27 holds the 25 rows of table Processes.
        {"a page of its processes zeroed", WithPage(jet, 27, true, rng),
         "is an Access (Jet) database that cannot be read: page 27, which holds rows of table Processes, is damaged."},
        {"no recipe tables", WithoutRecipeTables(jet),
         "is an Access (Jet) database, but not a recipe database: it has no table Processes."},
    };
    const QString open = DBFile;
    const QString firstName = QString(gProcess(1).Process_Name);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        folder.write("Site.MDB", c.bytes);
        const QStringList before = QDir(folder.path()).entryList(QDir::Files);
        SetFileDialogResponder([&](const FileDialogRequest&) { return FileDialogAnswer{true, folder.file("Site.MDB"), "Site.MDB"}; });
        boxes.clear();
        form->mnuFileOpen->trigger();
        SetFileDialogResponder({});

        ASSERT_EQ(boxes.count(), 1) << boxes.prompts().join('\n').toStdString();
        EXPECT_EQ(boxes.last().prompt, "The file " + folder.file("Site.MDB") + " " + c.said +
                                           "\r\nThe file is left unchanged. Restore it from a backup, or name another "
                                           "recipe database as Database in ORUN.CFG.");
        EXPECT_EQ(DBFile, open);
        EXPECT_EQ(modDB::gDB.Name(), folder.file(open));
        EXPECT_EQ(QString(gProcess(1).Process_Name), firstName);
        EXPECT_EQ(form->windowTitle(), "ORUN - [" + open + "]");
        EXPECT_TRUE(folder.read("Site.MDB") == c.bytes);
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), before);
    }
}
