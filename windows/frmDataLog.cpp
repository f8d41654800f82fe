#include "windows/frmDataLog.h"

#include "app/SettingsGlobals.h"
#include "app/VBConv.h"
#include "app/cApp.h"
#include "app/cErrHandler.h"
#include "app/modBitOps.h"
#include "app/modComboBox.h"
#include "app/modFileUtil.h"
#include "app/modFormUtil.h"
#include "app/modTextBox.h"
#include "app/modUtil.h"
#include "data/ProcessRec.h"
#include "platform/AppInfo.h"
#include "platform/DesktopDocument.h"
#include "platform/Dialogs.h"
#include "platform/FileDialogs.h"
#include "platform/HtmlHelp.h"
#include "platform/ProgramFolder.h"
#include "platform/TextBoxEvents.h"
#include "run/frmMain.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QVBoxLayout>
#include <cmath>

namespace {

constexpr int kHelpContext = 100;

struct Caption {
    const char* text;
    const char* tip;
};

const Caption kLogTypes[] = {
    {"Overwrite", "Overwrite the DataLog at the start of each run."},
    {"Append", "Append each run to the DataLog file."},
    {"Run #", "Create a new DataLog with the run number appended to the file name."},
};
const Caption kChanData[] = {
    {"Rate", "Log rate for each selected channel."},
    {"Deviation", "Log deviation for each selected channel."},
    {"Total", "Log total (thickness) for each selected channel."},
    {"Power", "Log power for each selected channel."},
    {"Flux", "Log flux reading for each selected channel."},
    {"Gas", "Log gas reading for each selected channel."},
    {"Background", "Log background reading for each selected channel."},
    {"Layer", "Log layer data at start of each layer."},
    {"PMT Voltage", "Log layer data at start of each layer."},
    {"Rate Ratios", "Log layer data at start of each layer."},
};
const Caption kSensors[] = {
    {"Sensor 1", "Log sensor 1 data."},
    {"Sensor 2", "Log sensor 2 data."},
    {"Gas 1", "Log sensor 1 gas data."},
    {"Gas 2", "Log sensor 2 gas data."},
};
const char* const kSensorData[] = {"Emission", "Leakage", "Power", "Fil. Current", "Bias Voltage", "Status"};
const char* const kRates[] = {"All", "1", "5", "15", "30", "60", "300"};

QString Indexed(const char* name, int i) { return QLatin1String(name) + QStringLiteral("(%1)").arg(i); }

// The active process, when one is selected.
ProcessRec* ActiveProcess() {
    const int16_t p = gApp ? gApp->ProcNum() : 0;
    return BoundedArray<ProcessRec, 1, 25>::inRange(p) ? &gProcess(p) : nullptr;
}

void SetMaskBit(int16_t& mask, int bit, bool on) {
    if (on) modBitOps::BitSetInteger(mask, static_cast<uint8_t>(bit));
    else modBitOps::BitClearInteger(mask, static_cast<uint8_t>(bit));
}

}  // namespace

frmDataLog::frmDataLog(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmDataLog"));
    setWindowTitle(QStringLiteral("DataLog"));
    setAttribute(Qt::WA_DeleteOnClose);
    CreateControls();
    Form_Load();
}

frmDataLog::~frmDataLog() = default;

void frmDataLog::CreateControls() {
    auto* file = new QGridLayout;
    for (int i = 0; i <= 2; ++i) {
        optLog(i) = new QRadioButton(QLatin1String(kLogTypes[i].text), this);
        optLog(i)->setObjectName(Indexed("optLog", i));
        optLog(i)->setToolTip(QLatin1String(kLogTypes[i].tip));
        file->addWidget(optLog(i), 0, i);
        connect(optLog(i), &QRadioButton::toggled, this, [this, i](bool on) {
            if (on) optLog_Click(i);
        });
    }
    txtLogNum = new QLineEdit(this);
    txtLogNum->setObjectName(QStringLiteral("txtLogNum"));
    txtLogNum->setToolTip(QStringLiteral("Process run number."));
    txtLogNum->setMaximumWidth(70);
    file->addWidget(txtLogNum, 0, 3);
    auto* name = new QLabel(QStringLiteral("Filename:"), this);
    lblFileName = new QLabel(this);
    lblFileName->setObjectName(QStringLiteral("lblFileName"));
    lblFileName->setToolTip(QStringLiteral("DataLog file name and path."));
    lblFileName->setFrameShape(QFrame::StyledPanel);
    lblFileName->setMinimumWidth(220);
    cmdSelect = new QPushButton(QStringLiteral("&Select"), this);
    cmdSelect->setObjectName(QStringLiteral("cmdSelect"));
    cmdSelect->setToolTip(QStringLiteral("Select directory and name for the log file."));
    cmdView = new QPushButton(QStringLiteral("&View"), this);
    cmdView->setObjectName(QStringLiteral("cmdView"));
    cmdView->setToolTip(QStringLiteral("View the log file."));
    file->addWidget(name, 1, 0);
    file->addWidget(lblFileName, 1, 1, 1, 3);
    file->addWidget(cmdSelect, 1, 4);
    file->addWidget(cmdView, 1, 5);

    auto* rate = new QHBoxLayout;
    cboRate = new QComboBox(this);
    cboRate->setObjectName(QStringLiteral("cboRate"));
    cboRate->setToolTip(QStringLiteral("Time between logged readings."));
    rate->addWidget(new QLabel(QStringLiteral("Log Interval"), this));
    rate->addWidget(cboRate);
    rate->addWidget(new QLabel(QStringLiteral("sec."), this));
    rate->addStretch(1);

    auto* channels = new QGroupBox(QStringLiteral("Channel Data"), this);
    auto* chanGrid = new QGridLayout(channels);
    for (int i = 0; i <= 7; ++i) {
        chkChanNum(i) = new QCheckBox(QStringLiteral("Chan. %1").arg(i + 1), channels);
        chkChanNum(i)->setObjectName(Indexed("chkChanNum", i));
        chkChanNum(i)->setToolTip(QStringLiteral("Log channel %1 data.").arg(i + 1));
        chanGrid->addWidget(chkChanNum(i), i % 4, i / 4);
        connect(chkChanNum(i), &QCheckBox::toggled, this, [this, i] { chkChanNum_Click(i); });
    }
    for (int i = 0; i <= 9; ++i) {
        chkChanData(i) = new QCheckBox(QLatin1String(kChanData[i].text), channels);
        chkChanData(i)->setObjectName(Indexed("chkChanData", i));
        chkChanData(i)->setToolTip(QLatin1String(kChanData[i].tip));
        chanGrid->addWidget(chkChanData(i), i % 5, 2 + i / 5);
        connect(chkChanData(i), &QCheckBox::toggled, this, [this, i] { chkChanData_Click(i); });
    }

    auto* sensors = new QGroupBox(QStringLiteral("Sensor Data"), this);
    auto* sensorGrid = new QGridLayout(sensors);
    for (int i = 0; i <= 3; ++i) {
        chkSensorNum(i) = new QCheckBox(QLatin1String(kSensors[i].text), sensors);
        chkSensorNum(i)->setObjectName(Indexed("chkSensorNum", i));
        chkSensorNum(i)->setToolTip(QLatin1String(kSensors[i].tip));
        sensorGrid->addWidget(chkSensorNum(i), i, 0);
        connect(chkSensorNum(i), &QCheckBox::toggled, this, [this, i] { chkSensorNum_Click(i); });
    }
    for (int i = 0; i <= 5; ++i) {
        chkSensorData(i) = new QCheckBox(QLatin1String(kSensorData[i]), sensors);
        chkSensorData(i)->setObjectName(Indexed("chkSensorData", i));
        chkSensorData(i)->setToolTip(QStringLiteral("Log emission for each selected sensor."));
        sensorGrid->addWidget(chkSensorData(i), i % 3, 1 + i / 3);
        connect(chkSensorData(i), &QCheckBox::toggled, this, [this, i] { chkSensorData_Click(i); });
    }

    cmdClose = new QPushButton(QStringLiteral("&Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    for (QPushButton* b : {cmdSelect, cmdView, cmdClose}) b->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdClose);

    auto* groups = new QHBoxLayout;
    groups->addWidget(channels);
    groups->addWidget(sensors);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(file);
    layout->addLayout(rate);
    layout->addLayout(groups);
    layout->addLayout(buttons);

    connect(cboRate, &QComboBox::currentIndexChanged, this, &frmDataLog::cboRate_Click);
    connect(cmdSelect, &QPushButton::clicked, this, &frmDataLog::cmdSelect_Click);
    connect(cmdView, &QPushButton::clicked, this, &frmDataLog::cmdView_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmDataLog::cmdClose_Click);
    TextBoxEvents* events = TextBoxEvents::Of(txtLogNum);
    events->GotFocus = [this] { modTextBox::SelectText(txtLogNum); };
    events->LostFocus = [this] { ValidateLogNum(); };
    events->KeyPress = [this](int16_t& KeyAscii) {
        if (KeyAscii == 13) {
            KeyAscii = 0;
            ValidateLogNum();
        } else {
            KeyAscii = modTextBox::FilterKeyPressNumeric(KeyAscii, false);
        }
    };
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [] { HtmlHelp(App().HelpFile, HH_HELP_CONTEXT, kHelpContext); });
}

void frmDataLog::Form_Load() {
    ORUN_PROC("frmDataLog_Form_Load");
    Loading = true;
    try {
        lblFileName->setText(modUtil::ShowFileName(LogFile));
        if (LogType >= 0 && LogType <= 2) optLog(LogType)->setChecked(true);
        if (const ProcessRec* process = ActiveProcess()) txtLogNum->setText(vb::CStr(static_cast<int>(process->Run_Number)));
        for (const char* item : kRates) cboRate->addItem(QLatin1String(item));
        // An interval that is not in the list (set by a remote client) selects nothing.
        cboRate->setCurrentIndex(LogInterval == 0
                                     ? 0
                                     : modComboBox::FindStringComboBox(cboRate, vb::CStr(LogInterval), true));
        for (int i = 0; i <= 7; ++i) chkChanNum(i)->setChecked(modBitOps::BitTestInteger(LogChans, static_cast<uint8_t>(i)));
        for (int i = 0; i <= 9; ++i) chkChanData(i)->setChecked(modBitOps::BitTestInteger(LogChanData, static_cast<uint8_t>(i)));
        for (int i = 0; i <= 3; ++i) chkSensorNum(i)->setChecked(modBitOps::BitTestInteger(LogSensors, static_cast<uint8_t>(i)));
        for (int i = 0; i <= 5; ++i) chkSensorData(i)->setChecked(modBitOps::BitTestInteger(LogSensorData, static_cast<uint8_t>(i)));
        if (!modFormUtil::RestoreFormPosition(this, true)) {
            adjustSize();
            modFormUtil::CenterFormScreen(this);
        }
    } catch (...) {
        gErr.HandleError();
    }
    Loading = false;
}

void frmDataLog::cboRate_Click() {
    if (Loading || cboRate->currentIndex() < 0) return;
    LogInterval = cboRate->currentIndex() == 0 ? 0.0 : vb::Val(cboRate->currentText());
}

void frmDataLog::optLog_Click(int Index) {
    if (!Loading) LogType = static_cast<int16_t>(Index);
}

void frmDataLog::chkChanNum_Click(int Index) {
    if (!Loading) SetMaskBit(LogChans, Index, chkChanNum(Index)->isChecked());
}

void frmDataLog::chkChanData_Click(int Index) {
    if (!Loading) SetMaskBit(LogChanData, Index, chkChanData(Index)->isChecked());
}

void frmDataLog::chkSensorNum_Click(int Index) {
    if (!Loading) SetMaskBit(LogSensors, Index, chkSensorNum(Index)->isChecked());
}

void frmDataLog::chkSensorData_Click(int Index) {
    if (!Loading) SetMaskBit(LogSensorData, Index, chkSensorData(Index)->isChecked());
}

void frmDataLog::cmdSelect_Click() {
    ORUN_PROC("frmDataLog_cmdSelect_Click");
    try {
        FileDialogRequest dlg;
        dlg.openDialog = false;
        dlg.title = QStringLiteral("Save DataLog As");
        const int len = vb::Len(LogFile);
        dlg.defaultExt = len >= 4 && vb::Mid(LogFile, len - 3, 1) == QStringLiteral(".") ? vb::Right(LogFile, 3)
                                                                                        : QStringLiteral("txt");
        dlg.filter = QStringLiteral("Text files (*.txt)|*.txt|All Files (*.*)|*.*");
        dlg.filterIndex = 0;
        dlg.flags = cdlOFNOverwritePrompt | cdlOFNHideReadOnly | cdlOFNPathMustExist;  // 2054
        dlg.initialDir = gApp ? gApp->Path() : QString();
        dlg.fileName = LogFile.isEmpty() ? QStringLiteral("ORUN.TXT") : LogFile;
        if (ShowFileDialog(dlg)) {
            // A file in the program folder is kept as its name alone.
            const bool inProgramFolder =
                gApp && !dlg.fileTitle.isEmpty() && modFileUtil::SamePath(gApp->Path() + dlg.fileTitle, dlg.fileName);
            LogFile = inProgramFolder ? dlg.fileTitle : dlg.fileName;
        }
        lblFileName->setText(modUtil::ShowFileName(LogFile));
    } catch (...) {
        gErr.HandleError();
    }
}

// The log is shown by the desktop's viewer. When it cannot be (no file yet, no program
// for it) the operator is told where the file is, to open it by other means.
void frmDataLog::cmdView_Click() {
    const QString path =
        QFileInfo(ResolvePath(LogFile.isEmpty() ? QStringLiteral("C:\\ORUN.TXT") : LogFile)).absoluteFilePath();
    const auto notShown = [path] {
        MsgBox(QStringLiteral("The DataLog cannot be shown here. Its file is:\r\n") + QDir::toNativeSeparators(path),
               vbInformation);
    };
    if (QFileInfo(path).isFile()) OpenDocument(path, notShown);
    else notShown();
}

bool frmDataLog::ValidateLogNum() {
    ORUN_PROC("frmDataLog_ValidateLogNum");
    try {
        ProcessRec* process = ActiveProcess();
        if (!process) return false;
        const double typed = vb::Val(txtLogNum->text());
        if (typed == 0) txtLogNum->setText(QStringLiteral("0"));
        // The whole number that would be stored is the one checked, so a typed 9999.6
        // cannot become run 10000.
        const double run = std::nearbyint(typed);
        QString refusal;
        if (run <= 0) refusal = QStringLiteral("Run number must be greater than zero.");
        else if (run >= 10000) refusal = QStringLiteral("Run number must be less than 10000.");
        if (!refusal.isEmpty()) {
            MsgBox(refusal);
            txtLogNum->setText(vb::CStr(static_cast<int>(process->Run_Number)));
            txtLogNum->setFocus();
            return false;
        }
        process->Run_Number = static_cast<int16_t>(run);
        if (gMainForm) gMainForm->lblProcess(2)->setText(QStringLiteral("Run: ") + vb::CStr(static_cast<int>(process->Run_Number)));
        return true;
    } catch (...) {
        gErr.HandleError();
    }
    return false;
}

void frmDataLog::cmdClose_Click() { modFormUtil::Unload(this); }

void frmDataLog::Form_Unload() { modFormUtil::SaveFormPosition(this); }

void frmDataLog::closeEvent(QCloseEvent* event) {
    modFormUtil::HandleClose(this, event, {}, [this](int&) { Form_Unload(); });
}
