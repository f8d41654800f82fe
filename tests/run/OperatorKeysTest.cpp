// The operator's keys and the manual power boxes of the main window, typed as an operator
// types them, against the emulated unit: the power typed is sent or refused, F1 asks for
// the window's help topic, Ctrl+R steps through the views, Ctrl+Shift and a click on the
// phase bar opens the service window, and minimising the window takes the others along.
#include "MainWindowFixture.h"

#include "app/modFormUtil.h"
#include "platform/HtmlHelp.h"
#include "platform/VbControls.h"
#include "unit/frmTest.h"
#include "windows/frmDataLog.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QTest>

class OperatorKeys : public MainWindowTest {
protected:
    void Start() {
        Station({0, 1});
        form->show();
        QApplication::setActiveWindow(form);
        Connect();
    }
    // Types the text into channel 0's box over what it holds, then presses Enter.
    void Enter(const QString& text) {
        QLineEdit* box = form->txtPower(0);
        box->setFocus();
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClicks(box, text);
        QTest::keyClick(box, Qt::Key_Return);
    }
    bool Sent(double percent) {
        const int32_t code = static_cast<int32_t>(std::lround(percent / 100.0 * OutputCode::Span + OutputCode::ZeroVolts));
        return WaitUntil([&] { return unit.Model().powerCode[0] == code; }, 2000);
    }
};

// The power box of a channel under manual power: letters cannot be typed, 12.5 is sent,
// the film's maximum is accepted and 0.1 above it or a negative power refused with the
// present power shown again; an empty box, "-" or "." become "0" and send 0. A message box
// taking the focus from the box does not validate it a second time.
TEST_F(OperatorKeys, TypedManualPowerIsSentOrRefused) {
    Start();
    PressButton(form->chkManPwr(0));
    QLineEdit* box = form->txtPower(0);
    ASSERT_FALSE(box->isHidden());

    Enter("1a2.5x");
    EXPECT_EQ(box->text(), "12.5");
    EXPECT_TRUE(Sent(12.5));
    EXPECT_FALSE(form->PowerTyped(0));

    const struct {
        const char* typed;
        const char* shown;
        double sent;  // -1: refused, the present power stays
    } cases[] = {
        {"", "0", 0.0},    {"100", "100", 100.0}, {"-", "0", 0.0},         {"12.5", "12.5", 12.5},
        {".", "0", 0.0},   {"100", "100", 100.0}, {"100.1", "100.0", -1}, {"-5", "100.0", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        boxes.clear();
        Enter(QString::fromLatin1(c.typed));
        EXPECT_EQ(box->text(), c.shown);
        if (c.sent >= 0) {
            EXPECT_TRUE(Sent(c.sent));
            EXPECT_EQ(boxes.count(), 0);
        } else {
            ASSERT_EQ(boxes.count(), 1);
            EXPECT_EQ(boxes.last().prompt, "This channel's power values are 0 to 100.0%.");
            EXPECT_EQ(boxes.last().buttons, vbOKOnly);
        }
    }

    // A refusal box takes the focus away from the box: that is no leaving of the box.
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
    EXPECT_EQ(box->text(), "100.0");

    // Leaving the box sends what it shows.
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, "7");
    EXPECT_TRUE(form->PowerTyped(0));
    form->picLeft->setFocus();
    EXPECT_TRUE(Sent(7.0));
    EXPECT_FALSE(form->PowerTyped(0));
}

// F1 asks for help topic 30 whichever control has the focus; Ctrl+R three times steps
// through the ratio and readings views back to the process view; Ctrl+Shift and a click
// on the phase bar opens the service window once; minimising the main window minimises
// the other windows, restoring it restores them.
TEST_F(OperatorKeys, HelpViewsServiceWindowAndMinimising) {
    Station({0});
    form->show();
    QApplication::setActiveWindow(form);
    std::vector<int> topics;
    SetHelpResponder([&](const HelpRequest& r) { topics.push_back(r.context); });
    QTest::keyClick(form->picLeft, Qt::Key_F1);
    SetHelpResponder({});
    EXPECT_EQ(topics, std::vector<int>{30});

    const struct {
        int16_t view;
        QAction* checked;
    } steps[] = {{1, form->mnuViewRatio}, {2, form->mnuViewRaw}, {0, form->mnuViewProcess}};
    for (const auto& s : steps) {
        QTest::keyClick(form->picLeft, Qt::Key_R, Qt::ControlModifier);
        EXPECT_EQ(ShowReadings, s.view);
        EXPECT_TRUE(s.checked->isChecked());
        EXPECT_EQ(form->picReadings->isVisibleTo(form), s.view == 2);
    }

    const QPoint middle = form->prgPhase->rect().center();
    QTest::mouseClick(form->prgPhase, Qt::LeftButton, Qt::NoModifier, middle);
    EXPECT_FALSE(modFormUtil::IsFormLoaded("frmTest"));
    QTest::keyPress(form, Qt::Key_Shift);
    QTest::keyPress(form, Qt::Key_Control, Qt::ShiftModifier);
    QTest::mouseClick(form->prgPhase, Qt::LeftButton, Qt::ControlModifier | Qt::ShiftModifier, middle);
    ASSERT_TRUE(modFormUtil::IsFormLoaded("frmTest"));
    EXPECT_TRUE(TestForm().isVisible());
    TestForm().hide();
    QTest::mouseClick(form->prgPhase, Qt::LeftButton, Qt::ControlModifier | Qt::ShiftModifier, middle);
    EXPECT_FALSE(TestForm().isVisible());
    modFormUtil::Unload(&TestForm());

    auto* log = new frmDataLog;
    log->show();
    form->setWindowState(Qt::WindowMinimized);
    EXPECT_TRUE(log->isMinimized());
    form->setWindowState(Qt::WindowMaximized);
    EXPECT_FALSE(log->isMinimized());
    EXPECT_FALSE(form->isMaximized());  // the main window never stays maximised
    modFormUtil::Unload(log);
}
