#include "unit/frmShowComm.h"

#include "app/Globals.h"
#include "app/VBConv.h"
#include "app/cErrHandler.h"
#include "app/modFormUtil.h"
#include "app/modTextBox.h"
#include "remote/cComm.h"
#include "unit/cORUN.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QPointer<frmShowComm>& openForm() {
    static QPointer<frmShowComm> form;
    return form;
}

constexpr int kLetters = 24;
// A list keeps this many lines; the next one pushes the oldest out.
constexpr int kMostLines = 999;

}  // namespace

frmShowComm& ShowCommForm() {
    if (!openForm()) openForm() = new frmShowComm;
    return *openForm();
}

frmShowComm::frmShowComm(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("frmShowComm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Communications"));
    CreateControls();
    Form_Load();
}

frmShowComm::~frmShowComm() = default;

void frmShowComm::CreateControls() {
    lstXmt = new QListWidget(this);
    lstXmt->setObjectName(QStringLiteral("lstXmt"));
    lstRcv = new QListWidget(this);
    lstRcv->setObjectName(QStringLiteral("lstRcv"));
    txtErr = new QLineEdit(this);
    txtErr->setObjectName(QStringLiteral("txtErr"));
    txtErr->setReadOnly(true);
    txtErr->setMaximumWidth(80);

    auto* lists = new QGridLayout;
    lists->addWidget(new QLabel(QStringLiteral("Transmit:"), this), 0, 0);
    auto* rcvHead = new QHBoxLayout;
    rcvHead->addWidget(new QLabel(QStringLiteral("Receive:"), this));
    rcvHead->addStretch(1);
    rcvHead->addWidget(new QLabel(QStringLiteral("Err:"), this));
    rcvHead->addWidget(txtErr);
    lists->addLayout(rcvHead, 0, 1);
    lists->addWidget(lstXmt, 1, 0);
    lists->addWidget(lstRcv, 1, 1);

    fraShow = new QGroupBox(QStringLiteral("Show"), this);
    fraShow->setObjectName(QStringLiteral("fraShow"));
    auto* letters = new QGridLayout(fraShow);
    for (int i = 0; i < kLetters; ++i) {
        chkCommand[i] = new QCheckBox(QString(QChar('A' + i)), fraShow);
        chkCommand[i]->setObjectName(QStringLiteral("chkCommand(%1)").arg(i));
        chkCommand[i]->setToolTip(
            QStringLiteral("Click to show command. Shift click to select all.  Ctrl click to deselct all."));
        letters->addWidget(chkCommand[i], i / 4, i % 4);
        connect(chkCommand[i], &QCheckBox::clicked, this, [this, i] { chkCommand_Click(i); });
    }

    txtCommand = new QLineEdit(this);
    txtCommand->setObjectName(QStringLiteral("txtCommand"));
    txtCommand->setToolTip(QStringLiteral("Type a command to be sent."));
    cmdShipIt = new QPushButton(QStringLiteral("Send"), this);
    cmdShipIt->setObjectName(QStringLiteral("cmdShipIt"));
    cmdShipIt->setToolTip(QStringLiteral("Send the command to the instrument."));
    connect(cmdShipIt, &QPushButton::clicked, this, &frmShowComm::cmdShipIt_Click);

    auto* middle = new QVBoxLayout;
    middle->addWidget(fraShow);
    middle->addWidget(txtCommand);
    middle->addWidget(cmdShipIt);
    middle->addStretch(1);

    const char* const captions[] = {"START", "Clear"};
    const char* const hints[] = {"Start/stop display of selected commands.", "Clear the Transmit/Receive displays."};
    auto* right = new QVBoxLayout;
    for (int i = 0; i < 2; ++i) {
        cmdOperate[i] = new QPushButton(QLatin1String(captions[i]), this);
        cmdOperate[i]->setObjectName(QStringLiteral("cmdOperate(%1)").arg(i));
        cmdOperate[i]->setToolTip(QLatin1String(hints[i]));
        right->addWidget(cmdOperate[i]);
        connect(cmdOperate[i], &QPushButton::clicked, this, [this, i] { cmdOperate_Click(i); });
    }
    right->addStretch(1);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(lists, 1);
    layout->addLayout(middle);
    layout->addLayout(right);
    resize(720, 420);

    // The window sees the keys before its controls, as a key preview does.
    for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
    installEventFilter(this);
    txtCommand->installEventFilter(this);
}

void frmShowComm::Form_Load() {
    if (!modFormUtil::RestoreFormPosition(this, true)) modFormUtil::CenterFormScreen(this);
    modFormUtil::FormOnTop(this, true);
    if (gORUN) {
        connect(gORUN, &cORUN::ORUNCommand, this, &frmShowComm::ORUNEvent_ORUNCommand);
        connect(gORUN, &cORUN::ORUNResponse, this, &frmShowComm::ORUNEvent_ORUNResponse);
        connect(gORUN, &cORUN::ORUNError, this, &frmShowComm::ORUNEvent_ORUNError);
    }
    if (gComm) {
        connect(gComm, &cComm::CommRx, this, &frmShowComm::SftwEvent_CommRx);
        connect(gComm, &cComm::CommTx, this, &frmShowComm::SftwEvent_CommTx);
    }
}

void frmShowComm::setMode(int value) {
    Mode_ = value;
    const bool unit = value == 0;
    if (unit) setWindowTitle(QStringLiteral("Halvorne Communications"));
    else if (value == 1) setWindowTitle(QStringLiteral("External Communications"));
    fraShow->setVisible(unit);
    txtCommand->setVisible(unit);
    cmdShipIt->setVisible(unit);
    setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
}

void frmShowComm::cmdOperate_Click(int Index) {
    if (Index == 0) {
        Capture_ = !Capture_;
        cmdOperate[0]->setText(Capture_ ? QStringLiteral("STOP") : QStringLiteral("START"));
    } else if (Index == 1) {
        lstXmt->clear();
        lstRcv->clear();
        txtErr->setText(QString());
    }
}

void frmShowComm::cmdShipIt_Click() {
    if (txtCommand->text().isEmpty()) return;
    ManualCommand_ = vb::UCase(txtCommand->text());
    if (Mode_ == 0 && gORUN) gORUN->SendString(ManualCommand_);
}

void frmShowComm::chkCommand_Click(int Index) {
    if (ShiftHeld_) {
        for (QCheckBox* box : chkCommand) box->setChecked(true);
    } else if (CtrlHeld_) {
        for (QCheckBox* box : chkCommand) box->setChecked(false);
    }
    Q_UNUSED(Index);
}

void frmShowComm::txtCommand_GotFocus() { modTextBox::SelectText(txtCommand); }

void frmShowComm::Form_KeyDown(int KeyCode) {
    if (KeyCode == Qt::Key_Shift) ShiftHeld_ = true;
    else if (KeyCode == Qt::Key_Control) CtrlHeld_ = true;
}

void frmShowComm::Form_KeyUp(int KeyCode) {
    if (KeyCode == Qt::Key_Shift) ShiftHeld_ = false;
    else if (KeyCode == Qt::Key_Control) CtrlHeld_ = false;
}

bool frmShowComm::Shown(const QString& text) const {
    if (text.isEmpty()) return false;
    const int letter = text.at(0).toUpper().unicode() - 'A';
    return letter >= 0 && letter < kLetters && chkCommand[letter]->isChecked();
}

void frmShowComm::Trim(QListWidget* list) {
    if (list->count() > kMostLines) delete list->takeItem(kMostLines);
}

void frmShowComm::ORUNEvent_ORUNCommand(const QString& Command) {
    ORUN_PROC("frmShowComm_ORUNEvent_ORUNCommand");
    try {
        if (Mode_ == 0 && Capture_ && Shown(Command)) lstXmt->insertItem(0, Command);
        Trim(lstXmt);
    } catch (...) {
        gErr.HandleError();
    }
}

void frmShowComm::ORUNEvent_ORUNResponse(const QString& Response) {
    ORUN_PROC("frmShowComm_ORUNEvent_ORUNResponse");
    try {
        if (Mode_ == 0) {
            if (Capture_ && Shown(Response)) lstRcv->insertItem(0, Response);
            // A typed command is paired with its reply whatever the filter says: by its
            // first letter, or for the identification request by the product word.
            const QString& M = ManualCommand_;
            if (!M.isEmpty()) {
                const bool identification = M.startsWith(QLatin1Char('@'));
                const bool answered = identification ? Response.left(4) == QLatin1String("ORUN")
                                                     : Response.startsWith(M.at(0));
                if (answered) {
                    lstXmt->insertItem(0, M);
                    lstRcv->insertItem(0, Response);
                    ManualCommand_.clear();
                }
            }
        }
        Trim(lstRcv);
    } catch (...) {
        gErr.HandleError();
    }
}

void frmShowComm::ORUNEvent_ORUNError(int ErrType, int ErrNum) {
    ORUN_PROC("frmShowComm_ORUNEvent_ORUNError");
    try {
        if (ErrType == 0 && ErrNum == 0) txtErr->setText(vb::CStr(vb::Val(txtErr->text()) + 1));
    } catch (...) {
        gErr.HandleError();
    }
}

void frmShowComm::SftwEvent_CommRx(const QString& sRcv) {
    if (Mode_ == 1 && Capture_) lstRcv->insertItem(0, sRcv);
}

void frmShowComm::SftwEvent_CommTx(const QString& sXmt) {
    if (Mode_ == 1 && Capture_) lstXmt->insertItem(0, sXmt);
}

bool frmShowComm::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_F1) {  // no help for this window
            event->accept();
            return true;
        }
        if (event->type() == QEvent::KeyPress && !key->isAutoRepeat()) Form_KeyDown(key->key());
        break;
    }
    case QEvent::KeyRelease: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (!key->isAutoRepeat()) Form_KeyUp(key->key());
        break;
    }
    case QEvent::FocusIn:
        if (watched == txtCommand) txtCommand_GotFocus();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void frmShowComm::closeEvent(QCloseEvent* event) {
    Form_QueryUnload();
    event->accept();
    modFormUtil::MarkUnloaded(this);
}

// Both bindings end with the window, so no event reaches a closed monitor.
void frmShowComm::Form_QueryUnload() {
    if (gORUN) disconnect(gORUN, nullptr, this, nullptr);
    if (gComm) disconnect(gComm, nullptr, this, nullptr);
    modFormUtil::SaveFormPosition(this);
}
