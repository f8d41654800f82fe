#pragma once
// Message boxes and input boxes: one seam. The program asks through MsgBox/InputBox;
// the real answer comes from QMessageBox/QInputDialog, a test installs a responder that
// records each box and answers it, so no test ever waits on a modal dialog.
#include <QString>
#include <functional>

enum MsgBoxStyle : int {
    vbOKOnly = 0,
    vbOKCancel = 1,
    vbAbortRetryIgnore = 2,
    vbYesNoCancel = 3,
    vbYesNo = 4,
    vbRetryCancel = 5,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
    vbDefaultButton1 = 0,
    vbDefaultButton2 = 256,
    vbDefaultButton3 = 512,
    vbApplicationModal = 0,
    vbSystemModal = 4096,
};

enum MsgBoxResult : int { vbOK = 1, vbCancel = 2, vbAbort = 3, vbRetry = 4, vbIgnore = 5, vbYes = 6, vbNo = 7 };

struct DialogRequest {
    enum Kind { Message, Input };
    Kind kind = Message;
    QString prompt;
    int buttons = vbOKOnly;   // buttons + icon + default button, as MsgBoxStyle
    QString title;            // already defaulted to the application title
    QString defaultText;      // input boxes only

    int buttonSet() const { return buttons & 7; }
    int icon() const { return buttons & 0x70; }
};

struct DialogAnswer {
    int result = vbOK;  // MsgBoxResult; for an input box vbCancel means cancelled
    QString text;       // input boxes: the text typed
};

using DialogResponder = std::function<DialogAnswer(const DialogRequest&)>;

// Shows a message box; the title defaults to the application title. Returns MsgBoxResult.
int MsgBox(const QString& prompt, int buttons = vbOKOnly, const QString& title = QString());

// Shows an input box; returns the text typed, or an empty text when cancelled.
QString InputBox(const QString& prompt, const QString& title = QString(),
                 const QString& defaultText = QString());

// Installs a responder in place of the real dialogs (an empty one restores them) and
// returns the one it replaces.
DialogResponder SetDialogResponder(DialogResponder responder);
bool HasDialogResponder();

// The answer of a message box closed without a button: Cancel where the box has one,
// else No, Abort or OK.
int ClosedBoxResult(int buttons);

// Nobody is there to answer (the system asked the program to end): every modal dialog open
// is closed as its close box would close it, and from then on a message box or input box
// is not shown (nor given to a responder) but answered at once as a closed one answers;
// its text goes to the program's log. False restores the boxes (tests).
void SetNobodyToAnswer(bool nobody);
bool NobodyToAnswer();

// While one lives, a message box with only an OK button is kept instead of shown (MsgBox
// answers vbOK at once), so that no window message runs inside work that must not be
// re-entered; the outermost one shows what was kept when it ends, in order, unless Drop
// was called on it. Boxes that ask a question are shown as always.
class DeferredBoxes {
public:
    DeferredBoxes();
    ~DeferredBoxes();
    DeferredBoxes(const DeferredBoxes&) = delete;
    DeferredBoxes& operator=(const DeferredBoxes&) = delete;
    // Forgets what was kept (the work they were about is undone and tried again).
    void Drop();
    // Shows what was kept now, outside the work.
    void Show();

private:
    bool outermost_;
};
