// The File menu's commands when the program's state object is missing.
#include "app/cApp.h"
#include "platform/FileDialogs.h"
#include "run/ProgramObjects.h"
#include "run/frmMain.h"
#include "support/DialogRecorder.h"
#include "support/ProgramState.h"
#include "support/TempProgramFolder.h"

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
