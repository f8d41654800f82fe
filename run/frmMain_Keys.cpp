// The operator's keys in the main window: the Ctrl and Shift flags that the run buttons
// read, F1 for the window's help and Ctrl+R to step through the views; the hidden entry
// to the service window; and minimising or restoring the main window takes the other
// windows along.
#include "app/SettingsGlobals.h"
#include "app/cErrHandler.h"
#include "app/modFormUtil.h"
#include "platform/AppInfo.h"
#include "platform/HtmlHelp.h"
#include "run/frmMain.h"
#include "unit/frmTest.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QProgressBar>

namespace {

constexpr int16_t kShiftMask = 1;
constexpr int16_t kCtrlMask = 2;
constexpr int16_t kAltMask = 4;

constexpr int16_t kKeyF1 = 112;
constexpr int16_t kKeyR = 82;
constexpr int kHelpContext = 30;

// The key's code as the original numbered keys: letters and digits by their capital
// character, F1..F24 from 112; 0 for the keys nothing here looks at.
int16_t KeyCodeOf(const QKeyEvent* k) {
    const int key = k->key();
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9)) return static_cast<int16_t>(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return static_cast<int16_t>(kKeyF1 + (key - Qt::Key_F1));
    if (key == Qt::Key_Shift) return 16;
    if (key == Qt::Key_Control) return 17;
    if (key == Qt::Key_Alt) return 18;
    return 0;
}

// The modifiers held once the key has gone down (up): a modifier key counts itself while it
// is down and not once it is up, whatever the platform reports.
int16_t ShiftOf(const QKeyEvent* k, bool down) {
    Qt::KeyboardModifiers m = k->modifiers();
    if (k->key() == Qt::Key_Shift) m.setFlag(Qt::ShiftModifier, down);
    if (k->key() == Qt::Key_Control) m.setFlag(Qt::ControlModifier, down);
    if (k->key() == Qt::Key_Alt) m.setFlag(Qt::AltModifier, down);
    int16_t shift = 0;
    if (m & Qt::ShiftModifier) shift |= kShiftMask;
    if (m & Qt::ControlModifier) shift |= kCtrlMask;
    if (m & Qt::AltModifier) shift |= kAltMask;
    return shift;
}

}  // namespace

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    // The phase bar is a display: a click on it is seen here.
    if (watched == prgPhase && type == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && prgPhase->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
        prgPhase_Click();
        return false;
    }
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease) return QWidget::eventFilter(watched, event);
    const auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this) return QWidget::eventFilter(watched, event);
    // A key a control passes on reaches here again for its parent; the flags come out
    // the same, and a key used here goes no further.
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool down = type == QEvent::KeyPress;
    int16_t code = KeyCodeOf(key);
    const int16_t before = code;
    if (down) Form_KeyDown(code, ShiftOf(key, true));
    else Form_KeyUp(code, ShiftOf(key, false));
    if (before != 0 && code == 0) {
        event->accept();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void frmMain::Form_KeyDown(int16_t& KeyCode, int16_t Shift) {
    if (Shift & kCtrlMask) {
        CtrlHeld = true;
        TestCtrlHeld = true;
    }
    if (Shift & kShiftMask) ShiftHeld = true;
    if (KeyCode == kKeyF1) {
        KeyCode = 0;
        HtmlHelp(App().HelpFile, HH_HELP_CONTEXT, kHelpContext);
    } else if (KeyCode == kKeyR && (Shift & kCtrlMask)) {
        KeyCode = 0;
        switch (ShowReadings) {
        case 0: mnuViewRatio_Click(); break;
        case 1: mnuViewRaw_Click(); break;
        case 2: mnuViewProcess_Click(); break;
        default: break;
        }
    }
}

void frmMain::Form_KeyUp(int16_t&, int16_t Shift) {
    if (!(Shift & kCtrlMask)) {
        CtrlHeld = false;
        TestCtrlHeld = false;
    }
    if (!(Shift & kShiftMask)) ShiftHeld = false;
}

void frmMain::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) Form_Resize();
}

void frmMain::Form_Resize() {
    ORUN_PROC("frmMain_Form_Resize");
    try {
        const bool minimised = isMinimized();
        for (QWidget* form : modFormUtil::LoadedForms(this)) {
            const Qt::WindowStates state = form->windowState();
            if (minimised) form->setWindowState(state | Qt::WindowMinimized);
            else form->setWindowState(state & ~(Qt::WindowMinimized | Qt::WindowMaximized));
        }
        // The main window never stays maximised.
        if (!minimised && isMaximized()) setWindowState(windowState() & ~Qt::WindowMaximized);
    } catch (...) {
        gErr.HandleError();
    }
}

// The service window opens on a click with Ctrl and Shift held. The flags are cleared: the
// keys going up reach the service window, not this one.
void frmMain::prgPhase_Click() {
    if (!(ShiftHeld && TestCtrlHeld)) return;
    CtrlHeld = false;
    ShiftHeld = false;
    TestCtrlHeld = false;
    frmTest& test = TestForm();
    test.show();
}
