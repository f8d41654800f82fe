// The File menu's commands when the program's state object is missing, and File > Open of
// an Access database.
#include "MainWindowFixture.h"
#include "app/cApp.h"
#include "platform/FileDialogs.h"
#include "run/ProgramObjects.h"
#include "run/frmMain.h"
#include "support/DialogRecorder.h"
#include "support/ProgramState.h"
#include "support/TempProgramFolder.h"

#include <QAction>
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
