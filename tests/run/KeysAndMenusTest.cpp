// The main window's keys, manual power boxes and menus, used as an operator uses them:
// typed powers sent or refused, F1, Ctrl+R, the hidden entry to the service window,
// minimising, the Open Process submenu, the recipe database through the file dialog, the
// printout, the editors with the manual-power lock, help and the About box.
#include "MainWindowFixture.h"

#include "app/cPageSetupDialog.h"
#include "app/frmAbout.h"
#include "app/modFormUtil.h"
#include "editors/frmProcess.h"
#include "platform/FileDialogs.h"
#include "platform/HtmlHelp.h"
#include "platform/Printers.h"
#include "platform/VbControls.h"
#include "unit/frmTest.h"
#include "windows/frmDataLog.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

class KeysAndMenus : public MainWindowTest {
protected:
    void Shown(std::initializer_list<int16_t> channels) {
        Station(channels);
        form->show();
        QApplication::setActiveWindow(form);
    }
    // Types over what channel 0's power box holds, then presses Enter.
    void Enter(const QString& text) {
        QLineEdit* box = form->txtPower(0);
        box->setFocus();
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClicks(box, text);
        QTest::keyClick(box, Qt::Key_Return);
    }
    bool Sent(double percent) {
        const auto code = static_cast<int32_t>(std::lround(percent / 100.0 * OutputCode::Span + OutputCode::ZeroVolts));
        return WaitUntil([&] { return unit.Model().powerCode[0] == code; }, 2000);
    }
    QStringList Items() const {
        QStringList items;
        for (QAction* a : form->mnuFileProcess) items << a->text() + "|" + a->data().toString() + (a->isChecked() ? "|x" : "");
        return items;
    }
};

// Letters cannot be typed; 12.5 is sent; the film's maximum is accepted, 0.1 above it and
// a negative power are refused with the present power shown again; "", "-" and "." become
// "0" and send 0. A message box taking the focus is no leaving of the box (one refusal
// only); leaving the box sends what it shows.
TEST_F(KeysAndMenus, TypedManualPowerIsSentOrRefused) {
    Shown({0, 1});
    Connect();
    PressButton(form->chkManPwr(0));
    QLineEdit* box = form->txtPower(0);
    // The box opens on the present power, selected, and the channel refresh keeps it so:
    // what is typed replaces it ("0.00" and 7 sends 7, not 0.007).
    form->UpdateChanProc(0);
    ASSERT_TRUE(box->hasFocus());
    EXPECT_EQ(box->selectedText(), "0.00");
    QTest::keyClicks(box, "7");
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_TRUE(Sent(7.0));
    const struct {
        const char *typed, *shown;
        double sent;  // -1: refused
    } cases[] = {{"1a2.5x", "12.5", 12.5}, {"", "0", 0},       {"100", "100", 100}, {"-", "0", 0},
                 {"12.5", "12.5", 12.5},   {".", "0", 0},      {"100", "100", 100}, {"100.1", "100.0", -1},
                 {"-5", "100.0", -1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        boxes.clear();
        Enter(QString::fromLatin1(c.typed));
        EXPECT_EQ(box->text(), c.shown);
        EXPECT_TRUE(c.sent < 0 || Sent(c.sent));
        EXPECT_EQ(boxes.prompts(), c.sent >= 0 ? QStringList() : QStringList{"This channel's power values are 0 to 100.0%."});
    }

    QWidget messageBox;
    int asked = 0;
    const DialogResponder previous = SetDialogResponder([&](const DialogRequest&) {
        ++asked;
        messageBox.show();
        QApplication::setActiveWindow(&messageBox);
        messageBox.setFocus();
        QCoreApplication::processEvents();
        EXPECT_FALSE(box->hasFocus());
        messageBox.hide();
        QApplication::setActiveWindow(form);
        return DialogAnswer{};
    });
    Enter("250");
    QCoreApplication::processEvents();
    SetDialogResponder(previous);
    EXPECT_EQ(asked, 1);

    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, "7");
    EXPECT_TRUE(form->PowerTyped(0));
    form->picLeft->setFocus();
    EXPECT_TRUE(Sent(7.0));
    EXPECT_FALSE(form->PowerTyped(0));
}

// F1 asks for topic 30 and Help for 10, the About box's F1 for 140; Ctrl+R steps through
// the three views and back; Ctrl+Shift and a click on the phase bar opens the service
// window once; minimising the main window minimises the other windows, restoring it
// restores them and it never stays maximised.
TEST_F(KeysAndMenus, KeysHelpAboutAndMinimising) {
    Shown({0});
    std::vector<int> topics;
    SetHelpResponder([&](const HelpRequest& r) { topics.push_back(r.context); });
    QTest::keyClick(form->picLeft, Qt::Key_F1);
    form->mnuHelpHelp->trigger();
    form->mnuHelpAbout->trigger();
    auto* about = qobject_cast<frmAbout*>(modFormUtil::LoadedForm("frmAbout"));
    ASSERT_NE(about, nullptr);
    QTest::keyClick(about->cmdOK, Qt::Key_F1);
    SetHelpResponder({});
    EXPECT_EQ(topics, (std::vector<int>{30, 10, 140}));
    EXPECT_EQ(about->windowTitle(), "About ORUN_411");
    EXPECT_TRUE(about->lblVersion->text().startsWith("Version 4.11    "));
    const QString dir = QStringLiteral(ORUN_BIN_DIR "/../screenshots");
    QDir().mkpath(dir);
    EXPECT_TRUE(about->grab().save(dir + "/about_box.png"));
    about->cmdSysInfo->click();
    EXPECT_EQ(boxes.prompts(), QStringList{"System Information Is Unavailable At This Time"});
    about->cmdOK->click();
    EXPECT_FALSE(modFormUtil::IsFormLoaded("frmAbout"));

    for (QAction* view : {form->mnuViewRatio, form->mnuViewRaw, form->mnuViewProcess}) {
        QTest::keyClick(form->picLeft, Qt::Key_R, Qt::ControlModifier);
        EXPECT_TRUE(view->isChecked());
    }
    EXPECT_EQ(ShowReadings, 0);

    const QPoint middle = form->prgPhase->rect().center();
    QTest::mouseClick(form->prgPhase, Qt::LeftButton, Qt::NoModifier, middle);
    EXPECT_FALSE(modFormUtil::IsFormLoaded("frmTest"));
    QTest::keyPress(form, Qt::Key_Shift);
    QTest::keyPress(form, Qt::Key_Control, Qt::ShiftModifier);
    for (bool opens : {true, false}) {
        QTest::mouseClick(form->prgPhase, Qt::LeftButton, Qt::ControlModifier | Qt::ShiftModifier, middle);
        EXPECT_EQ(modFormUtil::IsFormLoaded("frmTest") && TestForm().isVisible(), opens);
        TestForm().hide();
    }
    modFormUtil::Unload(&TestForm());

    auto* log = new frmDataLog;
    log->show();
    form->setWindowState(Qt::WindowMinimized);
    EXPECT_TRUE(log->isMinimized());
    form->setWindowState(Qt::WindowMaximized);
    EXPECT_FALSE(log->isMinimized() || form->isMaximized());
    modFormUtil::Unload(log);
}

// Processes 3 and 7 have layers, 7 active: two items, tags "3" and "7", the check on the
// second; choosing 7 again changes nothing, choosing 3 moves the check. Save As writes the
// database under the chosen name, the caption follows; Open rebuilds the submenu and makes
// process 1 active. Print Screen with a page set-up naming a printer no longer installed
// prints on the current printer with the page set-up's orientation. Edit > Processes is
// refused under manual power, Films still opens, twice the same window.
TEST_F(KeysAndMenus, FileAndEditMenus) {
    SetStandInPrinter(folder.file("screen.pdf"), "Printer B");
    Shown({0, 1, 2, 3, 4, 5});
    for (int16_t p : {3, 7}) {
        gProcess(p) = gProcess(1);
        gProcess(p).Process_Name = QStringLiteral("  Stack %1 ").arg(p);
    }
    gProcess(1).Number_Layers = 0;
    gApp->setProcNum(7);
    form->BuildProcessMenu();
    EXPECT_EQ(Items(), (QStringList{"Stack 3|3", "Stack 7|7|x"}));
    form->mnuFileProcess[1]->trigger();
    EXPECT_EQ(Items(), (QStringList{"Stack 3|3", "Stack 7|7|x"}));
    form->mnuFileProcess[0]->trigger();
    EXPECT_EQ(gApp->ProcNum(), 3);
    EXPECT_EQ(Items(), (QStringList{"Stack 3|3|x", "Stack 7|7"}));

    std::vector<FileDialogRequest> asked;
    SetFileDialogResponder([&](const FileDialogRequest& r) {
        asked.push_back(r);
        return FileDialogAnswer{true, folder.file("Line2.mdb"), "Line2.mdb"};
    });
    form->mnuFileSaveAs->trigger();
    EXPECT_EQ(form->windowTitle(), "ORUN - [Line2.mdb]");
    gProcess(3).Number_Layers = 0;  // in memory only: the saved copy still has it
    form->mnuFileOpen->trigger();
    SetFileDialogResponder({});
    EXPECT_EQ(Items(), (QStringList{"Stack 3|3|x", "Stack 7|7"}));
    EXPECT_EQ(gApp->ProcNum(), 1);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].title + "|" + asked[1].title + "|" + asked[1].filter,
              "Save Database As|Open Database|Setup files (*.MDB)|*.MDB");

    cPageSetupDialog setup;
    gPageSetup = &setup;
    setup.Flags = cdlPSDReturnDefault;
    setup.Show();
    SetPageSetupResponder([](QPrinter& p) {
        p.setPageOrientation(QPageLayout::Landscape);
        return true;
    });
    form->mnuFilePageSetup->trigger();
    EXPECT_EQ(setup.Flags, 16);
    SetStandInPrinter(folder.file("screen.pdf"), "Printer C");
    form->mnuFilePrint->trigger();
    SetStandInPrinter(QString());
    SetPageSetupResponder({});
    gPageSetup = nullptr;
    const QRegularExpressionMatch page =
        QRegularExpression(R"(/MediaBox \[0 0 ([\d.]+) ([\d.]+)\])").match(QString::fromLatin1(folder.read("screen.pdf")));
    ASSERT_TRUE(page.hasMatch());
    EXPECT_GT(page.captured(1).toDouble(), page.captured(2).toDouble());  // landscape

    boxes.clear();  // process 1, empty when opened, got its default layer with a message
    gApp->setChanPhase(5, PhaseCode::ManPower);
    form->mnuSetupProcess->trigger();
    EXPECT_EQ(boxes.prompts(), QStringList{"Cannot edit the process while Manual Power is being set."});
    EXPECT_EQ(boxes.last().buttons, vbOKOnly | vbExclamation);
    EXPECT_FALSE(modFormUtil::IsFormLoaded("frmProcess"));
    form->mnuSetupFilm->trigger();
    QWidget* film = modFormUtil::LoadedFormByCaption("Edit Film");
    form->mnuSetupFilm->trigger();
    int editors = 0;
    for (QWidget* w : modFormUtil::LoadedForms()) editors += w->windowTitle() == "Edit Film";
    EXPECT_TRUE(film && editors == 1);
}
