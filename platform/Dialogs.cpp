#include "platform/Dialogs.h"

#include "platform/AppInfo.h"

#include <QApplication>
#include <QDebug>
#include <QDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <utility>

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
