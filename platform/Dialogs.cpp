#include "platform/Dialogs.h"

#include "platform/AppInfo.h"

#include <QApplication>
#include <QDebug>
#include <QDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <utility>
#include <vector>

namespace {

DialogResponder& responder() {
    static DialogResponder r;
    return r;
}

bool gNobody = false;

// A box nobody will answer is logged, so what the program went past can still be read.
void NotAsked(const DialogRequest& req) {
    qInfo().noquote() << QStringLiteral("Not asked, nobody to answer: %1: %2").arg(req.title, req.prompt);
}

// The boxes kept while a DeferredBoxes lives: prompt, buttons, title.
struct KeptBox {
    QString prompt;
    int buttons;
    QString title;
};
int gDeferring = 0;
std::vector<KeptBox>& keptBoxes() {
    static std::vector<KeptBox> kept;
    return kept;
}

QMessageBox::StandardButtons buttonsFor(int set) {
    switch (set) {
    case vbOKCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case vbAbortRetryIgnore: return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    case vbYesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case vbYesNo: return QMessageBox::Yes | QMessageBox::No;
    case vbRetryCancel: return QMessageBox::Retry | QMessageBox::Cancel;
    default: return QMessageBox::Ok;
    }
}

QMessageBox::Icon iconFor(int icon) {
    switch (icon) {
    case vbCritical: return QMessageBox::Critical;
    case vbQuestion: return QMessageBox::Question;
    case vbExclamation: return QMessageBox::Warning;
    case vbInformation: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

int resultFor(int button) {
    switch (button) {
    case QMessageBox::Ok: return vbOK;
    case QMessageBox::Cancel: return vbCancel;
    case QMessageBox::Abort: return vbAbort;
    case QMessageBox::Retry: return vbRetry;
    case QMessageBox::Ignore: return vbIgnore;
    case QMessageBox::Yes: return vbYes;
    case QMessageBox::No: return vbNo;
    default: return vbCancel;
    }
}

// The answer a closed box gives: Cancel where there is one, else the only safe button.
int escapeResult(int set) {
    switch (set) {
    case vbYesNo: return vbNo;
    case vbAbortRetryIgnore: return vbAbort;
    case vbOKOnly: return vbOK;
    default: return vbCancel;
    }
}

}  // namespace

DialogResponder SetDialogResponder(DialogResponder r) { return std::exchange(responder(), std::move(r)); }
bool HasDialogResponder() { return static_cast<bool>(responder()); }

int ClosedBoxResult(int buttons) { return escapeResult(buttons & 7); }

void SetNobodyToAnswer(bool nobody) {
    gNobody = nobody;
    if (!nobody || !qobject_cast<QApplication*>(QCoreApplication::instance())) return;
    // Each open box ends its own wait once control is back in it.
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(w);
        if (dialog && dialog->isVisible() && dialog->isModal()) dialog->reject();
    }
}

bool NobodyToAnswer() { return gNobody; }

int MsgBox(const QString& prompt, int buttons, const QString& title) {
    if (gDeferring > 0 && (buttons & 7) == vbOKOnly) {
        keptBoxes().push_back({prompt, buttons, title});
        return vbOK;
    }
    DialogRequest req;
    req.kind = DialogRequest::Message;
    req.prompt = prompt;
    req.buttons = buttons;
    req.title = title.isEmpty() ? App().Title : title;
    if (gNobody) {
        NotAsked(req);
        return escapeResult(req.buttonSet());
    }
    if (responder()) return responder()(req).result;
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return escapeResult(req.buttonSet());

    QMessageBox box(iconFor(req.icon()), req.title, prompt, buttonsFor(req.buttonSet()),
                    QApplication::activeWindow());
    const auto list = box.buttons();
    const int def = (buttons >> 8) & 3;
    if (def < list.size()) box.setDefaultButton(qobject_cast<QPushButton*>(list.at(def)));
    const int clicked = box.exec();
    if (clicked == 0 || box.clickedButton() == nullptr) return escapeResult(req.buttonSet());
    return resultFor(box.standardButton(box.clickedButton()));
}

QString InputBox(const QString& prompt, const QString& title, const QString& defaultText) {
    DialogRequest req;
    req.kind = DialogRequest::Input;
    req.prompt = prompt;
    req.buttons = vbOKCancel;
    req.title = title.isEmpty() ? App().Title : title;
    req.defaultText = defaultText;
    if (gNobody) {
        NotAsked(req);
        return QString();
    }
    if (responder()) {
        DialogAnswer a = responder()(req);
        return a.result == vbCancel ? QString() : a.text;
    }
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return QString();
    bool ok = false;
    QString text = QInputDialog::getText(QApplication::activeWindow(), req.title, prompt,
                                         QLineEdit::Normal, defaultText, &ok);
    return ok ? text : QString();
}

DeferredBoxes::DeferredBoxes() : outermost_(gDeferring == 0) { ++gDeferring; }

DeferredBoxes::~DeferredBoxes() {
    --gDeferring;
    if (outermost_) Show();
}

void DeferredBoxes::Drop() {
    if (outermost_) keptBoxes().clear();
}

void DeferredBoxes::Show() {
    if (!outermost_) return;
    // Shown outside the deferral; a box that a shown one's events bring about is kept for
    // its own outermost deferral, or shown at once.
    std::vector<KeptBox> kept = std::exchange(keptBoxes(), {});
    const int deferring = std::exchange(gDeferring, 0);
    for (const KeptBox& box : kept) MsgBox(box.prompt, box.buttons, box.title);
    gDeferring = deferring;
}
