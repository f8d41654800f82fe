#include "flash/frmMain.h"

#include "app/VBConv.h"
#include "app/modUtil.h"
#include "flash/FlashGlobals.h"
#include "flash/FlashUtil.h"
#include "flash/StartupLogo.h"
#include "flash/cFileDialog.h"
#include "flash/frmColor.h"
#include "platform/AppInfo.h"
#include "platform/Dialogs.h"
#include "platform/FileDialogs.h"
#include "platform/MSComm.h"
#include "platform/RuntimeError.h"
#include "platform/Twips.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace NorvikFlash {
namespace {

const char* const kModels[] = {"TRV-310", "DMK-700", "ORUN", "LM-900", "DMK-520", "DMK-410c"};
constexpr int kPorts = 9;

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption, const QString& tip) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setToolTip(tip);
    b->setAutoDefault(false);
    return b;
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& tip) {
    auto* l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    l->setToolTip(tip);
    l->setFrameShape(QFrame::StyledPanel);
    l->setMinimumWidth(TwipsToPixelsX(1200));
    return l;
}

// The settings' text of a whole number, or nothing when it is not one.
bool storedNumber(const QString& key, const QString& fallback, int32_t& value) {
    try {
        value = vb::CLng(GetFlashSetting(key, fallback));
        return true;
    } catch (const RuntimeError&) {
        return false;
    }
}

}  // namespace

frmMain::frmMain(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmMain"));
    MSComm1 = new MSComm(this);
    MSComm1->setObjectName(QStringLiteral("MSComm1"));
    buildControls();
    connect(cboInst, &QComboBox::currentIndexChanged, this, [this] { cboInst_Click(); });
    connect(cboComPort, &QComboBox::currentIndexChanged, this, [this] { cboComPort_Click(); });
    connect(cmdSelectBin, &QPushButton::clicked, this, [this] { SelectFile(pmFirmware); });
    connect(cmdSelectLogo, &QPushButton::clicked, this, [this] { SelectFile(pmLogo); });
    connect(cmdProgBin, &QPushButton::clicked, this, [this] { cmdProgBin_Click(); });
    connect(cmdProgLogo, &QPushButton::clicked, this, [this] { cmdProgLogo_Click(); });
    connect(cmdReadSN, &QPushButton::clicked, this, [this] { cmdReadSN_Click(); });
    connect(cmdExit, &QPushButton::clicked, this, [this] { cmdExit_Click(); });
    cmdProgBin->installEventFilter(this);
    cmdReadSN->installEventFilter(this);
    loadSettings();
}

frmMain::~frmMain() = default;

void frmMain::buildControls() {
    const AppInfoData& app = App();
    setWindowTitle(app.ProductName + QStringLiteral(" - V") + QString::number(app.Major) + QLatin1Char('.') +
                   QString::number(app.Minor) + QString::number(app.Revision));

    cboInst = new QComboBox(this);
    cboInst->setObjectName(QStringLiteral("cboInst"));
    cboInst->setToolTip(QStringLiteral("Select an instrument."));
    for (const char* model : kModels) cboInst->addItem(QLatin1String(model));
    cboInst->setCurrentIndex(-1);
    cboComPort = new QComboBox(this);
    cboComPort->setObjectName(QStringLiteral("cboComPort"));
    cboComPort->setToolTip(QStringLiteral("Select the computer comm port."));
    for (int n = 1; n <= kPorts; ++n) cboComPort->addItem(QStringLiteral("COM%1").arg(n));
    cboComPort->setCurrentIndex(-1);
    auto* lblInst = new QLabel(QStringLiteral("&Instrument"), this);
    lblInst->setBuddy(cboInst);
    auto* lblPort = new QLabel(QStringLiteral("&Comm Port"), this);
    lblPort->setBuddy(cboComPort);

    lstMessage = new QListWidget(this);
    lstMessage->setObjectName(QStringLiteral("lstMessage"));
    lstMessage->setToolTip(QStringLiteral("Status messages."));
    lstMessage->setMinimumHeight(TwipsToPixelsY(1800));

    cmdReadSN = makeButton(this, "cmdReadSN", QStringLiteral("Read &SN"), QStringLiteral("Read instrument serial number."));
    lblVer = makeLabel(this, "lblVer", QString());
    lblSN = makeLabel(this, "lblSN", QString());
    cmdExit = makeButton(this, "cmdExit", QStringLiteral("E&xit"), QStringLiteral("Exit NorvikFlash."));

    fraUpgrade = new QGroupBox(QStringLiteral("Firmware Upgrade"), this);
    fraUpgrade->setObjectName(QStringLiteral("fraUpgrade"));
    cmdSelectBin = makeButton(fraUpgrade, "cmdSelectBin", QStringLiteral("Select &File.."),
                              QStringLiteral("Select an update file."));
    cmdProgBin = makeButton(fraUpgrade, "cmdProgBin", QStringLiteral("&Program File"),
                            QStringLiteral("Program the instrument."));
    cmdProgBin->setEnabled(false);
    lblBinName = makeLabel(fraUpgrade, "lblBinName", QStringLiteral("Selected file."));
    auto* upgrade = new QHBoxLayout(fraUpgrade);
    upgrade->addWidget(cmdSelectBin);
    upgrade->addWidget(cmdProgBin);
    upgrade->addWidget(lblBinName, 1);

    fraLogo = new QGroupBox(QStringLiteral("Startup Logo"), this);
    fraLogo->setObjectName(QStringLiteral("fraLogo"));
    cmdSelectLogo = makeButton(fraLogo, "cmdSelectLogo", QStringLiteral("Select &Logo.."),
                               QStringLiteral("Select a startup logo file."));
    cmdProgLogo = makeButton(fraLogo, "cmdProgLogo", QStringLiteral("P&rogram Logo"),
                             QStringLiteral("Program the instrument."));
    cmdProgLogo->setEnabled(false);
    lblLogoName = makeLabel(fraLogo, "lblLogoName", QStringLiteral("Selected file."));
    auto* logo = new QHBoxLayout(fraLogo);
    logo->addWidget(cmdSelectLogo);
    logo->addWidget(cmdProgLogo);
    logo->addWidget(lblLogoName, 1);

    auto* choices = new QHBoxLayout;
    choices->addWidget(lblInst);
    choices->addWidget(cboInst, 1);
    choices->addSpacing(TwipsToPixelsX(240));
    choices->addWidget(lblPort);
    choices->addWidget(cboComPort, 1);

    auto* identity = new QGridLayout;
    identity->addWidget(cmdReadSN, 0, 0, 2, 1);
    identity->addWidget(new QLabel(QStringLiteral("Version"), this), 0, 1);
    identity->addWidget(lblVer, 0, 2);
    identity->addWidget(new QLabel(QStringLiteral("S/N"), this), 1, 1);
    identity->addWidget(lblSN, 1, 2);
    identity->setColumnStretch(3, 1);
    identity->addWidget(cmdExit, 0, 4, 2, 1);

    auto* main = new QVBoxLayout(this);
    // The client area ends 100 twips below the lowest frame.
    const int margin = TwipsToPixelsY(100);
    main->setContentsMargins(margin, margin, margin, margin);
    main->addLayout(choices);
    main->addWidget(lstMessage, 1);
    main->addLayout(identity);
    main->addWidget(fraUpgrade);
    main->addWidget(fraLogo);
    fraLogo->setVisible(false);
}

void frmMain::loadSettings() {
    Loading_ = true;
    lstMessage->clear();
    ShowMessage(QStringLiteral("Select Instrument and Comm Port, then"));
    lblBinName->clear();
    lblLogoName->clear();
    // Every value stands alone: one that is missing or unusable leaves its control or
    // variable as it was.
    int32_t value = 0;
    if (storedNumber(QStringLiteral("Model"), QStringLiteral("0"), value) && value >= 0 && value < cboInst->count())
        cboInst->setCurrentIndex(value);
    if (storedNumber(QStringLiteral("Comm"), QStringLiteral("0"), value) && value >= 0 &&
        value < cboComPort->count())
        cboComPort->setCurrentIndex(value);
    FirmwareFile = GetFlashSetting(QStringLiteral("File"), QString());
    LogoFile = GetFlashSetting(QStringLiteral("Logo"), QString());
    if (storedNumber(QStringLiteral("ColorNum"), QStringLiteral("0"), value)) ColorNum = value;
    if (storedNumber(QStringLiteral("RGBColor"), QStringLiteral("&HFFFFFF"), value)) RGBColor = value;
    if (storedNumber(QStringLiteral("Location"), QStringLiteral("32000"), value)) Location = value;
    fitHeight();
    Loading_ = false;
}

int frmMain::Model() const { return cboInst->currentIndex(); }

void frmMain::ShowMessage(const QString& text) {
    lstMessage->addItem(text);
    lstMessage->setCurrentRow(lstMessage->count() - 1);
    lstMessage->scrollToBottom();
    lstMessage->setCurrentRow(-1);
}

void frmMain::fitHeight() {
    layout()->activate();
    resize(width(), layout()->sizeHint().height());
}

void frmMain::cboInst_Click() {
    const int model = Model();
    if (model < 0) return;
    SaveFlashSetting(QStringLiteral("Model"), QString::number(model));
    if (!Loading_) lstMessage->clear();
    fraLogo->setVisible(model == modelDMK700);
    fitHeight();
    if (model >= modelORUN) ShowMessage(QStringLiteral("Select Upgrade File."));
}

void frmMain::cboComPort_Click() {
    if (cboComPort->currentIndex() < 0) return;
    SaveFlashSetting(QStringLiteral("Comm"), QString::number(cboComPort->currentIndex()));
}

void frmMain::SelectFile(int mode) {
    const bool logo = mode == pmLogo;
    QString& path = logo ? LogoFile : FirmwareFile;
    QPushButton* program = logo ? cmdProgLogo : cmdProgBin;

    cFileDialog dlg;
    dlg.FilterIndex = 0;
    dlg.Flags = cdlOFNOverwritePrompt | cdlOFNHideReadOnly | cdlOFNNoChangeDir;
    dlg.MaxFileSize = 255;
    dlg.FileName.clear();
    dlg.InitialDir = path.isEmpty() ? QString() : QFileInfo(path).absolutePath();
    dlg.DialogTitle = logo ? QStringLiteral("Open Bitmap File") : QStringLiteral("Open BIN File");
    dlg.DefaultExt = logo ? QStringLiteral("bmp") : QStringLiteral("bin");
    dlg.Filter = logo ? QStringLiteral("Bitmap files (*.bmp)|*.bmp") : QStringLiteral("Setup files (*.bin)|*.bin");

    bool chosen = dlg.Show(true);
    // A logo must at least hold the header fields that carry the screen choices.
    if (chosen && logo && GetFileSize(dlg.FileName) < kMinLogoFileSize) {
        MsgBox(dlg.FileTitle + QStringLiteral(" is not a usable logo bitmap (too short)."), vbExclamation + vbOKOnly);
        chosen = false;
    }
    if (!chosen) {
        path.clear();
        program->setEnabled(false);
        return;
    }
    path = dlg.FileName;
    program->setEnabled(true);
    if (!logo) {
        SaveFlashSetting(QStringLiteral("File"), path);
        const double written = GetFileTime(path, 2, true);
        lblBinName->setText(dlg.FileTitle + QStringLiteral(" (") + vb::Format(vb::Int(written), QStringLiteral("Short Date")) +
                            QLatin1Char(')'));
        return;
    }
    SaveFlashSetting(QStringLiteral("Logo"), path);
    lblLogoName->setText(dlg.FileTitle);
    frmColor picker(LogoFile, this);
    picker.exec();
}

void frmMain::setRunControls(bool running) {
    const QList<QWidget*> controls{cboInst, cboComPort, cmdSelectBin, cmdProgBin, cmdSelectLogo, cmdProgLogo, cmdReadSN};
    if (running) {
        enabledBeforeRun_.clear();
        for (QWidget* w : controls) {
            enabledBeforeRun_.push_back(w->isEnabled());
            w->setEnabled(false);
        }
    } else if (enabledBeforeRun_.size() == static_cast<size_t>(controls.size())) {
        for (qsizetype i = 0; i < controls.size(); ++i) controls[i]->setEnabled(enabledBeforeRun_[i]);
    }
    linkBusy_ = running;
}

void frmMain::runProgramButton(QPushButton* button, int mode) {
    if (linkBusy_) return;
    setRunControls(true);
    ProgramMode = mode;
    FrameOk = false;
    if (FindInstrument()) {
        lstMessage->clear();
        ShowMessage(QStringLiteral("Instrument found."));
        ProgramFlash();
    }
    EraseExtra = false;
    setRunControls(false);
    button->setEnabled(true);
    cmdExit->setEnabled(true);
}

void frmMain::cmdProgBin_Click() { runProgramButton(cmdProgBin, pmFirmware); }

void frmMain::cmdProgLogo_Click() { runProgramButton(cmdProgLogo, pmLogo); }

void frmMain::cmdProgBin_KeyDown(Qt::KeyboardModifiers modifiers) {
    if ((modifiers & Qt::ShiftModifier) && (modifiers & Qt::ControlModifier)) EraseExtra = true;
}

void frmMain::cmdReadSN_KeyDown(Qt::KeyboardModifiers modifiers) {
    if (!(modifiers & Qt::ShiftModifier) || !(modifiers & Qt::ControlModifier)) return;
    const QString tool = NorvikSNPath();
    if (!FileExists(tool) || snTool_.StillExecuting()) return;
    CommSetOpen();
    snTool_.LaunchProgram(0, tool, QString(), QString());
}

void frmMain::cmdReadSN_Click() {
    if (snTool_.StillExecuting() || linkBusy_) return;
    setRunControls(true);
    if (CommOpen(cboComPort->currentIndex() + 1, 19200)) {
        lblVer->clear();
        CommTx(QStringLiteral("@"));
        switch (CommStatus()) {
        case csReplyOk: {
            lblVer->setText(QString::fromLatin1(RxText));
            CommTx(QStringLiteral("qr"));
            if (CommStatus() == csReplyOk) {
                const QString sn = QString::fromLatin1(RxText);
                lblSN->setText(QString(std::max<qsizetype>(6 - sn.size(), 0), QLatin1Char('0')) + sn);
            } else if (CommStatus() == csReplyC) {
                MsgBox(QStringLiteral("Must upgrade instrument to latest firmware version."), vbInformation + vbOKOnly);
            } else {
                MsgBox(QStringLiteral("Read SN Error: ") + QString::number(CommStatus()), vbInformation + vbOKOnly);
            }
            break;
        }
        case csNoReply:
            MsgBox(QStringLiteral("Instrument not found.\r\nCheck Comm Port and cable connection."),
                   vbInformation + vbOKOnly);
            break;
        default:
            MsgBox(QStringLiteral("Read Version Error: ") + QString::number(CommStatus()), vbInformation + vbOKOnly);
            break;
        }
    }
    setRunControls(false);
}

void frmMain::cmdExit_Click() {
    CommSetOpen();
    modUtil::EndProgram(0);
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (Busy) {
        event->ignore();
        return;
    }
    CommSetOpen();
    event->accept();
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto modifiers = static_cast<QKeyEvent*>(event)->modifiers();
        if (watched == cmdProgBin) cmdProgBin_KeyDown(modifiers);
        else if (watched == cmdReadSN) cmdReadSN_KeyDown(modifiers);
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace NorvikFlash
