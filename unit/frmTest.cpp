#include "unit/frmTest.h"

#include "app/F1Key.h"
#include "app/Globals.h"
#include "app/SettingsGlobals.h"
#include "app/VBConv.h"
#include "app/cApp.h"
#include "app/cErrHandler.h"
#include "app/modFileUtil.h"
#include "app/modFormUtil.h"
#include "app/modStrings.h"
#include "app/modUtil.h"
#include "platform/Clock.h"
#include "platform/TarselGrid.h"
#include "app/PhaseCode.h"
#include "unit/cORUN.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

namespace {

QPointer<frmTest>& openForm() {
    static QPointer<frmTest> form;
    return form;
}

constexpr int32_t kHighestRampVolts = 1000;


}  // namespace

frmTest& TestForm() {
    if (!openForm()) openForm() = new frmTest;
    return *openForm();
}

frmTest::frmTest(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("frmTest"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Test Form"));
    CreateControls();
    Form_Load();
}

frmTest::~frmTest() = default;

void frmTest::CreateControls() {
    auto* warning = new QLabel(QStringLiteral("For Norvik Testing only!"), this);
    QFont bold = warning->font();
    bold.setBold(true);
    warning->setFont(bold);

    cboChan = new QComboBox(this);
    cboChan->setObjectName(QStringLiteral("cboChan"));
    for (int ch = 1; ch <= 8; ++ch) cboChan->addItem(vb::CStr(ch));
    connect(cboChan, &QComboBox::activated, this, [this] { cboChan_Click(); });
    auto* channelRow = new QHBoxLayout;
    channelRow->addWidget(new QLabel(QStringLiteral("Channel:"), this));
    channelRow->addWidget(cboChan);
    channelRow->addStretch(1);

    grdRdgs = new TarselGrid(this);
    grdRdgs->setObjectName(QStringLiteral("grdRdgs"));

    auto* fraCal = new QGroupBox(QStringLiteral("PMT Cal."), this);
    lblOldCal = new QLabel(fraCal);
    lblOldCal->setObjectName(QStringLiteral("lblOldCal"));
    lblOldCal->setFrameShape(QFrame::Panel);
    lblOldCal->setFrameShadow(QFrame::Sunken);
    lblOldCal->setMinimumWidth(90);
    txtNewCal = new QLineEdit(fraCal);
    txtNewCal->setObjectName(QStringLiteral("txtNewCal"));
    cmdReadCal = new QPushButton(QStringLiteral("Read"), fraCal);
    cmdReadCal->setObjectName(QStringLiteral("cmdReadCal"));
    cmdWriteCal = new QPushButton(QStringLiteral("Write"), fraCal);
    cmdWriteCal->setObjectName(QStringLiteral("cmdWriteCal"));
    auto* cal = new QGridLayout(fraCal);
    cal->addWidget(new QLabel(QStringLiteral("Old Value"), fraCal), 0, 0);
    cal->addWidget(lblOldCal, 0, 1);
    cal->addWidget(cmdReadCal, 0, 2);
    cal->addWidget(new QLabel(QStringLiteral("New Value"), fraCal), 1, 0);
    cal->addWidget(txtNewCal, 1, 1);
    cal->addWidget(cmdWriteCal, 1, 2);

    fraLog = new QGroupBox(QStringLiteral("Reading Log"), this);
    fraLog->setObjectName(QStringLiteral("fraLog"));
    txtName = new QLineEdit(QStringLiteral("TestLog"), fraLog);
    txtName->setObjectName(QStringLiteral("txtName"));
    cmdLogStart = new QPushButton(QStringLiteral("Start"), fraLog);
    cmdLogStart->setObjectName(QStringLiteral("cmdLogStart"));
    cmdLogStop = new QPushButton(QStringLiteral("Stop"), fraLog);
    cmdLogStop->setObjectName(QStringLiteral("cmdLogStop"));
    auto* log = new QHBoxLayout(fraLog);
    log->addWidget(txtName, 1);
    log->addWidget(cmdLogStart);
    log->addWidget(cmdLogStop);

    fraPMT = new QGroupBox(QStringLiteral("PMT Ramp"), this);
    fraPMT->setObjectName(QStringLiteral("fraPMT"));
    cmdRampStart = new QPushButton(QStringLiteral("Start"), fraPMT);
    cmdRampStart->setObjectName(QStringLiteral("cmdRampStart"));
    cmdRampStop = new QPushButton(QStringLiteral("Stop"), fraPMT);
    cmdRampStop->setObjectName(QStringLiteral("cmdRampStop"));
    lblPMTVolts = new QLabel(fraPMT);
    lblPMTVolts->setObjectName(QStringLiteral("lblPMTVolts"));
    lblPMTVolts->setMinimumWidth(60);
    auto* ramp = new QHBoxLayout(fraPMT);
    ramp->addWidget(cmdRampStart);
    ramp->addWidget(cmdRampStop);
    ramp->addWidget(lblPMTVolts, 1);

    connect(cmdReadCal, &QPushButton::clicked, this, &frmTest::cmdReadCal_Click);
    connect(cmdWriteCal, &QPushButton::clicked, this, &frmTest::cmdWriteCal_Click);
    connect(cmdLogStart, &QPushButton::clicked, this, &frmTest::cmdLogStart_Click);
    connect(cmdLogStop, &QPushButton::clicked, this, &frmTest::cmdLogStop_Click);
    connect(cmdRampStart, &QPushButton::clicked, this, &frmTest::cmdRampStart_Click);
    connect(cmdRampStop, &QPushButton::clicked, this, &frmTest::cmdRampStop_Click);

    // Nothing to stop or write before something started or was read.
    cmdWriteCal->setEnabled(false);
    cmdLogStop->setEnabled(false);
    cmdRampStop->setEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(warning);
    layout->addLayout(channelRow);
    layout->addWidget(grdRdgs);
    layout->addWidget(fraCal);
    layout->addWidget(fraLog);
    layout->addWidget(fraPMT);
}

void frmTest::Form_Load() {
    if (gORUN) connect(gORUN, &cORUN::ORUNResponse, this, &frmTest::ORUNEvent_ORUNResponse);
    cboChan->setCurrentIndex(0);
    Channel_ = 0;
    modFormUtil::FormOnTop(this, true);

    grdRdgs->setFixedCols(0);
    grdRdgs->setCols(4);
    grdRdgs->setRows(1);
    const char* const headings[] = {"I On", "I Bkg", "I Gas", "I Avg"};
    for (int c = 0; c < 4; ++c) {
        grdRdgs->setCellText(-1, c, QLatin1String(headings[c]));
        grdRdgs->setColAlignment(c, tgAlignRight);
    }
    grdRdgs->setFixedHeight(grdRdgs->sizeHint().height());
}

void frmTest::cboChan_Click() { Channel_ = cboChan->currentIndex(); }

void frmTest::cmdRampStart_Click() {
    ORUN_PROC("frmTest_cmdRampStart_Click");
    try {
        if (!gApp || gApp->Phase() != PhaseCode::Stopped) return;
        cmdRampStart->setEnabled(false);
        cmdRampStop->setEnabled(true);
        SavedVolts_ = RunUnit().PMTVolts(Channel_);
        RunUnit().setPMTVolts(Channel_, 0);
        cboChan->setEnabled(false);
        Ramp_ = 1;
    } catch (...) {
        gErr.HandleError();
    }
}

void frmTest::cmdRampStop_Click() {
    ORUN_PROC("frmTest_cmdRampStop_Click");
    try {
        if (Ramp_ == 0) return;
        cmdRampStop->setEnabled(false);
        cmdRampStart->setEnabled(true);
        Ramp_ = 0;
        RunUnit().setPMTVolts(Channel_, SavedVolts_);
        lblPMTVolts->clear();
        cboChan->setEnabled(true);
    } catch (...) {
        gErr.HandleError();
    }
}

QString frmTest::LogFile() const { return vb::Trim(txtName->text() + QStringLiteral(".txt")); }

QString frmTest::LogMark(const QString& what) const {
    const double moment = vb::DateSerialOf(Now());
    const double day = std::floor(moment);
    return what + vb::CStr(Channel_ + 1) + QStringLiteral("  ") + vb::Format(day, QStringLiteral("General Date")) +
           QStringLiteral("  ") + vb::Format(moment - day, QStringLiteral("General Date"));
}

void frmTest::cmdLogStart_Click() {
    ORUN_PROC("frmTest_cmdLogStart_Click");
    try {
        cmdLogStart->setEnabled(false);
        cmdLogStop->setEnabled(true);
        modFileUtil::KillFile(LogFile());
        modFileUtil::AppendToTextFile(LogFile(), LogMark(QStringLiteral("Start: CH")));
        modFileUtil::AppendToTextFile(LogFile(), QStringLiteral("Time, Current"));
        LogStart_ = Timer();
        Logging_ = true;
    } catch (...) {
        gErr.HandleError();
    }
}

void frmTest::cmdLogStop_Click() {
    ORUN_PROC("frmTest_cmdLogStop_Click");
    try {
        cmdLogStart->setEnabled(true);
        cmdLogStart->setText(QStringLiteral("Start"));
        cmdLogStop->setEnabled(false);
        modFileUtil::AppendToTextFile(LogFile(), LogMark(QStringLiteral("Stop: CH")));
        Logging_ = false;
    } catch (...) {
        gErr.HandleError();
    }
}

void frmTest::cmdReadCal_Click() {
    ORUN_PROC("frmTest_cmdReadCal_Click");
    try {
        lblOldCal->setText(vb::CStr(RunUnit().PMTCal(Channel_)));
        cmdWriteCal->setEnabled(true);
    } catch (...) {
        gErr.HandleError();
    }
}

void frmTest::cmdWriteCal_Click() {
    ORUN_PROC("frmTest_cmdWriteCal_Click");
    try {
        const double oldCal = vb::Val(lblOldCal->text());
        const double newCal = vb::Val(txtNewCal->text());
        RunUnit().setPMTCal(Channel_, vb::CLng(oldCal / 100000 * newCal * 100000));
        cmdWriteCal->setEnabled(false);
    } catch (...) {
        gErr.HandleError();
    }
}

void frmTest::ShowReading(const QString& R) {
    cORUN& unit = RunUnit();
    const QString fmt = QStringLiteral("0.000");
    grdRdgs->setCellText(0, 0, vb::Format(unit.I1_Total(Channel_), fmt));
    grdRdgs->setCellText(0, 1, vb::Format(unit.I3_Bkg(Channel_), fmt));
    grdRdgs->setCellText(0, 2, vb::Format(unit.I2_Total(Channel_), fmt));
    double sum = 0;
    for (int c = 0; c <= 2; ++c) sum += vb::Val(grdRdgs->CellText(0, c));
    grdRdgs->setCellText(0, 3, vb::Format(sum / 3, fmt));

    if (!Logging_ || modStrings::GetDelimitedWord(R, Channel_ + 2, QStringLiteral(";")).isEmpty()) return;
    modFileUtil::AppendToTextFile(LogFile(), vb::Format(modUtil::TimeDiff(LogStart_, Timer()), QStringLiteral("0.00")) +
                                                 QStringLiteral(", ") +
                                                 vb::Format(unit.ChanFlux(Channel_), fmt));
    // A spinner on the Start button shows that lines are written.
    const QString turn = cmdLogStart->text();
    cmdLogStart->setText(turn == QLatin1String("\\")  ? QStringLiteral("/")
                         : turn == QLatin1String("/") ? QStringLiteral("--")
                                                      : QStringLiteral("\\"));
}

void frmTest::ORUNEvent_ORUNResponse(const QString& R) {
    ORUN_PROC("frmTest_ORUNEvent_ORUNResponse");
    try {
        if (Simulate != 0 || R.isEmpty()) return;
        switch (R.at(0).unicode()) {
        case 'G':
            ShowReading(R);
            break;
        case 'H':
            if (Ramp_ == 1) {
                const int32_t volts = RunUnit().PMTVolts(Channel_);
                RunUnit().setPMTVolts(Channel_, volts < kHighestRampVolts ? volts + 1 : 0);
                lblPMTVolts->setText(vb::CStr(RunUnit().PMTVolts(Channel_)));
            }
            break;
        case 'I':
            lblOldCal->setText(vb::CStr(RunUnit().PMTCal(Channel_)));
            break;
        default:
            break;
        }
    } catch (...) {
        gErr.HandleError();
    }
}

bool frmTest::event(QEvent* e) { return SwallowF1(e) || QWidget::event(e); }

void frmTest::closeEvent(QCloseEvent* event) {
    Form_QueryUnload();
    event->accept();
    modFormUtil::MarkUnloaded(this);
}

void frmTest::Form_QueryUnload() {
    if (gORUN) disconnect(gORUN, nullptr, this, nullptr);
}
