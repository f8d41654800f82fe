// The main window's menus, chosen as an operator chooses them: the Open Process submenu,
// the recipe database opened and saved under another name through the file dialog, the
// printout on the page set-up's printer, the editors with the manual-power lock, help and
// the About box; and the main window's place kept between runs.
#include "MainWindowFixture.h"

#include "app/cPageSetupDialog.h"
#include "app/frmAbout.h"
#include "app/modFormUtil.h"
#include "editors/frmLayerFilm.h"
#include "platform/AppInfo.h"
#include "platform/FileDialogs.h"
#include "platform/HtmlHelp.h"
#include "platform/Printers.h"
#include "platform/SettingsStore.h"

#include <QAction>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QPrinter>
#include <QScreen>
#include <QTest>

class MainMenus : public MainWindowTest {
protected:
    // Processes 3 and 7 get a layer each (channel 0), the others none.
    void TwoProcesses() {
        Station({0});
        for (int16_t p : {3, 7}) {
            const int16_t L = static_cast<int16_t>(10 + p);
            gLayer(L) = gLayer(1);
            gLayer(L).Layer_Number = L;
            gProcess(p).Process_Name = QStringLiteral("  Stack %1 ").arg(p);
            gProcess(p).First_Layer = L;
            gProcess(p).Number_Layers = 1;
            gProcess(p).Number_Act_Layers = 1;
        }
        gProcess(1).Number_Layers = 0;
        gApp->setProcNum(7);
        form->BuildProcessMenu();
    }
    QStringList Items() const {
        QStringList items;
        for (QAction* a : form->mnuFileProcess)
            items << a->text() + "|" + a->data().toString() + "|" + (a->isChecked() ? "x" : "");
        return items;
    }
};

// Processes 3 and 7 have layers and 7 is active: two items, tags "3" and "7", the check on
// the second. Choosing 7 again changes nothing; choosing 3 makes it active and moves the
// check. The caption names the database.
TEST_F(MainMenus, OpenProcessSubmenuListsTheProcessesWithLayers) {
    TwoProcesses();
    EXPECT_EQ(Items(), (QStringList{"Stack 3|3|", "Stack 7|7|x"}));
    EXPECT_EQ(form->windowTitle(), "ORUN - [ORUN.MDB]");
    int changes = 0;
    QObject::connect(gApp, &cApp::ProcessChange, [&] { ++changes; });
    form->mnuFileProcess[1]->trigger();
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(Items(), (QStringList{"Stack 3|3|", "Stack 7|7|x"}));
    form->mnuFileProcess[0]->trigger();
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(gApp->ProcNum(), 3);
    EXPECT_EQ(Items(), (QStringList{"Stack 3|3|x", "Stack 7|7|"}));
}

// Save As writes the database under the chosen name and the caption follows; Open loads
// a database, rebuilds the submenu from it and makes process 1 active; a cancelled Save
// As saves nothing.
TEST_F(MainMenus, OpenAndSaveAsThroughTheFileDialog) {
    TwoProcesses();
    std::vector<FileDialogRequest> asked;
    FileDialogAnswer answer{true, folder.file("Line2.mdb"), "Line2.mdb"};
    SetFileDialogResponder([&](const FileDialogRequest& r) {
        asked.push_back(r);
        return answer;
    });
    form->mnuFileSaveAs->trigger();
    EXPECT_TRUE(QFile::exists(folder.file("Line2.mdb")));
    EXPECT_EQ(form->windowTitle(), "ORUN - [Line2.mdb]");
    answer = FileDialogAnswer{};
    form->mnuFileSaveAs->trigger();
    EXPECT_FALSE(QFile::exists(folder.file("ORUN.MDB.mdb")));

    // Process 3 gets its layer in the copy only: the submenu then lists 3 and 7.
    gProcess(3).Number_Layers = 0;
    form->BuildProcessMenu();
    EXPECT_EQ(form->mnuFileProcess.size(), 1u);
    answer = FileDialogAnswer{true, folder.file("Line2.mdb"), "Line2.mdb"};
    form->mnuFileOpen->trigger();
    SetFileDialogResponder({});
    EXPECT_EQ(Items(), (QStringList{"Stack 3|3|", "Stack 7|7|x"}));  // built before process 1 was chosen
    EXPECT_EQ(gApp->ProcNum(), 1);
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(asked[0].title, "Save Database As");
    EXPECT_EQ(asked[2].title, "Open Database");
    EXPECT_TRUE(asked[2].openDialog);
    EXPECT_EQ(asked[2].filter, "Setup files (*.MDB)|*.MDB");
}

// Print Screen with a page set-up naming a printer no longer installed: the current
// printer prints the window with the page set-up's orientation. Page Setup shows the
// dialog with the margins flag.
TEST_F(MainMenus, PrintScreenOnThePageSetupsSettings) {
    SetStandInPrinter(folder.file("first.pdf"), "Printer A");
    Station({0});
    form->show();
    cPageSetupDialog setup;
    gPageSetup = &setup;
    setup.Flags = cdlPSDReturnDefault;
    ASSERT_TRUE(setup.Show());
    int dialogs = 0;
    SetPageSetupResponder([&](QPrinter& p) {
        ++dialogs;
        p.setPageOrientation(QPageLayout::Landscape);
        return true;
    });
    form->mnuFilePageSetup->trigger();
    EXPECT_EQ(dialogs, 1);
    EXPECT_EQ(setup.Flags, 16);
    EXPECT_EQ(setup.Orientation, 2);

    SetStandInPrinter(folder.file("screen.pdf"), "Printer B");
    form->mnuFilePrint->trigger();
    SetStandInPrinter(QString());
    SetPageSetupResponder({});
    gPageSetup = nullptr;
    const QByteArray pdf = folder.read("screen.pdf");
    ASSERT_TRUE(pdf.startsWith("%PDF"));
    const QRegularExpressionMatch box =
        QRegularExpression(R"(/MediaBox \[0 0 ([\d.]+) ([\d.]+)\])").match(QString::fromLatin1(pdf));
    ASSERT_TRUE(box.hasMatch());
    EXPECT_GT(box.captured(1).toDouble(), box.captured(2).toDouble());  // landscape
    EXPECT_EQ(boxes.count(), 0);
}

// Edit > Processes is refused while a channel is under manual power; Films still opens,
// and a second time shows the same window. Help asks for topic 10; About shows the
// program's title and version.
TEST_F(MainMenus, EditorsHelpAndAbout) {
    Station({0, 1, 2, 3, 4, 5});
    gApp->setChanPhase(5, PhaseCode::ManPower);
    form->mnuSetupProcess->trigger();
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().prompt, "Cannot edit the process while Manual Power is being set.");
    EXPECT_EQ(boxes.last().buttons, vbOKOnly | vbExclamation);
    EXPECT_FALSE(modFormUtil::IsFormLoaded("frmProcess"));
    form->mnuSetupFilm->trigger();
    QWidget* film = modFormUtil::LoadedFormByCaption("Edit Film");
    ASSERT_NE(film, nullptr);
    form->mnuSetupFilm->trigger();
    EXPECT_EQ(modFormUtil::LoadedFormByCaption("Edit Film"), film);
    int editors = 0;
    for (QWidget* w : modFormUtil::LoadedForms()) editors += w->windowTitle() == "Edit Film";
    EXPECT_EQ(editors, 1);
    gApp->setChanPhase(5, PhaseCode::Deposit);
    form->mnuSetupProcess->trigger();
    EXPECT_TRUE(modFormUtil::IsFormLoaded("frmProcess"));
    form->mnuSetupSystem->trigger();
    EXPECT_TRUE(modFormUtil::IsFormLoaded("frmSystem"));

    std::vector<int> topics;
    SetHelpResponder([&](const HelpRequest& r) { topics.push_back(r.context); });
    form->mnuHelpHelp->trigger();
    form->mnuHelpAbout->trigger();
    auto* about = qobject_cast<frmAbout*>(modFormUtil::LoadedForm("frmAbout"));
    ASSERT_NE(about, nullptr);
    QTest::keyClick(about->cmdOK, Qt::Key_F1);
    SetHelpResponder({});
    EXPECT_EQ(topics, (std::vector<int>{10, 140}));
    EXPECT_EQ(about->windowTitle(), "About ORUN_411");
    EXPECT_TRUE(about->lblVersion->text().startsWith("Version 4.11    ")) << about->lblVersion->text().toStdString();
    EXPECT_EQ(about->lblDescription->text().count("\r\n"), 2);
    const QString dir = QStringLiteral(ORUN_BIN_DIR "/../screenshots");
    QDir().mkpath(dir);
    about->show();
    EXPECT_TRUE(about->grab().save(dir + "/about_box.png"));
    about->cmdSysInfo->click();
    EXPECT_EQ(boxes.last().prompt, "System Information Is Unavailable At This Time");
    about->cmdOK->click();
    EXPECT_FALSE(modFormUtil::IsFormLoaded("frmAbout"));
}

// The main window's place at exit comes back at the next start: its fixed size stays, a
// place beyond the screen's right edge is pulled back onto it; a maximised window comes
// back normal, a minimised one stores nothing.
TEST_F(MainMenus, TheWindowsPlaceComesBackOnTheScreen) {
    const QString section = QStringLiteral("Form Positions");
    SaveSetting(App().Title, section, "frmMain", "L=20000;T=300;W=900;H=900;S=0");
    Station({0});
    form->show();
    const QSize size = form->size();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(form->frameGeometry().x(), std::max(0, screen.width() - form->frameGeometry().width()));
    modFormUtil::SaveFormPosition(form);
    const QString stored = GetSetting(App().Title, section, "frmMain");
    EXPECT_TRUE(stored.endsWith(";S=0")) << stored.toStdString();
    form->setWindowState(Qt::WindowMinimized);
    modFormUtil::SaveFormPosition(form);
    EXPECT_EQ(GetSetting(App().Title, section, "frmMain"), stored);
    form->setWindowState(Qt::WindowNoState);
    EXPECT_EQ(form->size(), size);
}
