// The data-log setup window, offscreen: the run number check, the settings it shows and
// writes at once, and the log file chosen in the save dialog.
#include "windows/GraphFixture.h"

#include "app/SettingsGlobals.h"
#include "platform/DesktopDocument.h"
#include "platform/FileDialogs.h"
#include "platform/ProgramFolder.h"
#include "windows/frmDataLog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace {

class DataLogWindow : public GraphFixture {
protected:
    void SetUp() override {
        GraphFixture::SetUp();
        LogFile = "ORUN.TXT";
        LogType = 1;
        LogInterval = 2;  // not in the list, as a remote client may set it
        LogChans = 0b101;
        LogChanData = 0;
        LogSensors = 0;
        LogSensorData = 0b100000;
        gProcess(1).Run_Number = 41;
    }
    void TearDown() override {
        delete window.data();
        SetFileDialogResponder({});
        GraphFixture::TearDown();
    }
    frmDataLog* Show() {
        window = new frmDataLog;
        window->show();
        return window;
    }
    QPointer<frmDataLog> window;
};

TEST_F(DataLogWindow, RunNumberFrom1To9999IsTakenAndAnythingElseRefused) {
    frmDataLog* w = Show();
    EXPECT_EQ(w->txtLogNum->text(), "41");
    struct Case {
        QString typed;
        QString message;
        int16_t stored;
    };
    const QString low = "Run number must be greater than zero.";
    const QString high = "Run number must be less than 10000.";
    const Case cases[] = {
        {"9999", "", 9999}, {"10000", high, 9999}, {"0", low, 9999}, {"-3", low, 9999},
        {"9999.6", high, 9999},  // would round to 10000
        {"0.4", low, 9999},      // would round to 0
        {"12", "", 12},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.typed.toStdString());
        boxes.clear();
        w->txtLogNum->setText(k.typed);
        QTest::keyClick(w->txtLogNum, Qt::Key_Return);
        EXPECT_EQ(boxes.prompts(), k.message.isEmpty() ? QStringList() : QStringList{k.message});
        EXPECT_EQ(gProcess(1).Run_Number, k.stored);
        EXPECT_EQ(w->txtLogNum->text(), QString::number(k.stored));
    }
    QTest::keyClicks(w->txtLogNum, "x5");
    EXPECT_EQ(w->txtLogNum->text(), "125");
}

TEST_F(DataLogWindow, ShowsTheSettingsAndEveryControlWritesItsOwnAtOnce) {
    frmDataLog* w = Show();
    EXPECT_EQ(w->windowTitle(), "DataLog");
    EXPECT_EQ(w->lblFileName->text(), "ORUN.TXT");
    EXPECT_TRUE(w->optLog(1)->isChecked());
    EXPECT_EQ(w->cboRate->currentIndex(), -1);
    EXPECT_TRUE(w->chkChanNum(0)->isChecked());
    EXPECT_FALSE(w->chkChanNum(1)->isChecked());
    EXPECT_TRUE(w->chkChanNum(2)->isChecked());
    EXPECT_TRUE(w->chkSensorData(5)->isChecked());
    EXPECT_EQ(LogInterval, 2);  // loading changed nothing

    w->cboRate->setCurrentIndex(0);
    EXPECT_EQ(LogInterval, 0);
    w->cboRate->setCurrentIndex(w->cboRate->findText("300"));
    EXPECT_EQ(LogInterval, 300);
    w->optLog(2)->click();
    EXPECT_EQ(LogType, 2);
    w->chkSensorNum(2)->click();  // "Gas 1"
    EXPECT_EQ(w->chkSensorNum(2)->text(), "Gas 1");
    EXPECT_EQ(LogSensors, 0b0100);
    w->chkChanData(9)->click();
    w->chkChanNum(0)->click();
    EXPECT_EQ(LogChanData, 1 << 9);
    EXPECT_EQ(LogChans, 0b100);

    // Opened again, with an interval from the list.
    delete window.data();
    w = Show();
    EXPECT_EQ(w->cboRate->currentText(), "300");
    EXPECT_TRUE(w->grab().save(ScreenshotDir() + "/datalog.png"));
    EXPECT_TRUE(w->optLog(2)->isChecked());
    EXPECT_TRUE(w->chkChanData(9)->isChecked());
    EXPECT_EQ(boxes.count(), 0);
}

TEST_F(DataLogWindow, TheChosenLogFileIsKeptByNameInTheProgramFolderElseByPath) {
    frmDataLog* w = Show();
    std::vector<FileDialogRequest> asked;
    FileDialogAnswer next;
    SetFileDialogResponder([&](const FileDialogRequest& r) {
        asked.push_back(r);
        return next;
    });
    struct Case {
        QString before;
        FileDialogAnswer answer;
        QString proposed, ext, after;
    };
    const QString elsewhere = QDir::tempPath() + "/logs/Run.csv";
    const Case cases[] = {
        {"", {true, ResolvePath("NIGHT.LOG"), "NIGHT.LOG"}, "ORUN.TXT", "txt", "NIGHT.LOG"},
        {"NIGHT.LOG", {true, elsewhere, "Run.csv"}, "NIGHT.LOG", "LOG", elsewhere},
        {"x.y", {false, {}, {}}, "x.y", "txt", "x.y"},  // cancelled: nothing changes
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.before.toStdString());
        LogFile = k.before;
        next = k.answer;
        w->cmdSelect->click();
        const FileDialogRequest& r = asked.back();
        EXPECT_FALSE(r.openDialog);
        EXPECT_EQ(r.title, "Save DataLog As");
        EXPECT_EQ(r.flags, 2054);
        EXPECT_EQ(r.filter, "Text files (*.txt)|*.txt|All Files (*.*)|*.*");
        EXPECT_EQ(r.fileName, k.proposed);
        EXPECT_EQ(r.defaultExt, k.ext);
        EXPECT_EQ(LogFile, k.after);
    }
    EXPECT_EQ(w->lblFileName->text(), "x.y");
    EXPECT_EQ(boxes.count(), 0);
}

// View shows the log in the desktop's viewer; when it cannot be shown (no log yet, no
// program for it on the desktop) the operator is told the file's full path.
TEST_F(DataLogWindow, ViewShowsTheLogOrTellsTheOperatorWhereItIs) {
    frmDataLog* w = Show();
    QStringList opened;
    bool viewer = true;
    SetDocumentResponder([&](const QString& path) {
        opened << path;
        return viewer;
    });
    const QString path = QFileInfo(folder.file("ORUN.TXT")).absoluteFilePath();
    const QString told = "The DataLog cannot be shown here. Its file is:\r\n" + QDir::toNativeSeparators(path);
    const struct {
        const char* logFile;
        bool exists, viewer;
        QString box;
    } cases[] = {{"ORUN.TXT", false, true, told}, {"ORUN.TXT", true, true, ""}, {"", true, false, told}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.logFile);
        LogFile = c.logFile;
        QFile::remove(path);
        if (c.exists) folder.write("ORUN.TXT", "Start Log\r\n");
        viewer = c.viewer;
        opened.clear();
        boxes.clear();
        w->cmdView->click();
        EXPECT_EQ(opened, c.exists ? QStringList{path} : QStringList());
        EXPECT_EQ(boxes.prompts(), c.box.isEmpty() ? QStringList() : QStringList{c.box});
    }
    SetDocumentResponder({});
}

}  // namespace
