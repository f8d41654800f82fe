// The file-dialog seam: the original's filter text in Qt's form, and a request that a
// cancelled dialog leaves as it was.
#include "platform/FileDialogs.h"

#include <gtest/gtest.h>

TEST(FileDialogs, VerticalBarFiltersBecomeQtTypes) {
    EXPECT_EQ(QtFileFilter("Setup files (*.MDB)|*.MDB").toStdString(), "Setup files (*.MDB)");
    EXPECT_EQ(QtFileFilter("Logs|*.txt;*.log|All files|*.*").toStdString(), "Logs (*.txt *.log);;All files (*.*)");
    EXPECT_EQ(QtFileFilter("Just a description").toStdString(), "Just a description");
    EXPECT_EQ(QtFileFilter("").toStdString(), "");
}

TEST(FileDialogs, OnlyAConfirmedChoiceChangesTheRequest) {
    FileDialogAnswer answer;
    SetFileDialogResponder([&answer](const FileDialogRequest&) { return answer; });
    FileDialogRequest req;
    req.fileName = "ORUN.MDB";
    EXPECT_FALSE(ShowFileDialog(req));
    EXPECT_EQ(req.fileName.toStdString(), "ORUN.MDB");
    EXPECT_TRUE(req.fileTitle.isEmpty());
    answer = {true, "/data/B.MDB", "B.MDB"};
    EXPECT_TRUE(ShowFileDialog(req));
    EXPECT_EQ(req.fileName.toStdString(), "/data/B.MDB");
    EXPECT_EQ(req.fileTitle.toStdString(), "B.MDB");
    SetFileDialogResponder({});
}
