// The main window's load handling, its 90 ms poll of the unit and its clock.
#include "app/Globals.h"
#include "app/PhaseCode.h"
#include "app/SettingsGlobals.h"
#include "app/VBConv.h"
#include "app/cApp.h"
#include "app/cErrHandler.h"
#include "app/modFormUtil.h"
#include "platform/AppInfo.h"
#include "platform/Clock.h"
#include "platform/Printers.h"
#include "platform/SettingsStore.h"
#include "platform/VbColor.h"
#include "platform/VbControls.h"
#include "platform/ccrpTimer.h"
#include "qcm/cQCM.h"
#include "run/frmMain.h"
#include "run/modPhases.h"
#include "unit/cORUN.h"

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <cmath>

namespace {

// Milliseconds between two polls of the unit.
constexpr int kPollIntervalMs = 90;
// Channel rows the window shows: the setup window offers 4 to 8.
constexpr int16_t kFewestRows = 4;
constexpr int16_t kMostRows = 8;
constexpr uint32_t kGreen = 0xFF00;

// The stored row count; a value that is no whole number of 4..8 gives 4, so a damaged
// setting cannot stop the window from loading.
int16_t StoredFormSize() {
    const QString text = GetSetting(App().Title, QStringLiteral("frmMain"), QStringLiteral("FormSize"), QStringLiteral("4"));
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    return ok && n >= kFewestRows && n <= kMostRows ? static_cast<int16_t>(n) : kFewestRows;
}

}  // namespace

void frmMain::Form_Load() {
    if (loaded_) return;
    loaded_ = true;
    ORUN_PROC("frmMain_Form_Load");
    try {
        Loading = true;
        if (PrinterCount() == 0) {
            mnuFilePrint->setEnabled(false);
            mnuFilePageSetup->setEnabled(false);
        }

        cApp& app = RunApp();
        connect(&app, &cApp::ProcessChange, this, &frmMain::ApEvent_ProcessChange, Qt::UniqueConnection);
        connect(&app, &cApp::LayerChange, this, &frmMain::ApEvent_LayerChange, Qt::UniqueConnection);
        connect(&app, &cApp::PhaseChange, this, &frmMain::ApEvent_PhaseChange, Qt::UniqueConnection);

        RequestReadings = new ccrpTimer(this);
        RequestReadings->setObjectName(QStringLiteral("RequestReadings"));
        RequestReadings->setInterval(kPollIntervalMs);
        RequestReadings->setEnabled(false);
        connect(RequestReadings, &ccrpTimer::Timer, this, &frmMain::RequestReadings_Timer);

        // The readings panel takes the channel panel's place and width; the left panel
        // loses its border; the window's width follows from the two.
        picReadings->setFixedWidth(picChannels->width() > 0 ? picChannels->width() : picChannels->sizeHint().width());
        picLeft->setFrameShape(QFrame::NoFrame);

        InitGrids();
        setFormSize(StoredFormSize());

        mnuViewProcess->setChecked(ShowReadings == 0);
        mnuViewRatio->setChecked(ShowReadings == 1);
        mnuViewRaw->setChecked(ShowReadings == 2);

        SetFormColors();
        ShowSensors();

        SetupFile = GetSetting(App().Title, QStringLiteral("Setup File"), QStringLiteral("Setup"));
        if (SetupFile.isEmpty()) SetupFile = QStringLiteral("ORUN.CFG");

        BuildProcessMenu();
        adjustSize();
        if (!modFormUtil::RestoreFormPosition(this, true)) modFormUtil::CenterFormScreen(this);

        connect(&RunQCM(), &cQCM::QCMReading, this, &frmMain::QCMEvent_QCMReading, Qt::UniqueConnection);
        connect(&RunQCM(), &cQCM::VeskReading, this, &frmMain::QCMEvent_VeskReading, Qt::UniqueConnection);
        connect(&RunUnit(), &cORUN::ORUNResponse, this, &frmMain::ORUNEvent_ORUNResponse, Qt::UniqueConnection);
        connect(&RunUnit(), &cORUN::ORUNError, this, &frmMain::ORUNEvent_ORUNError, Qt::UniqueConnection);
        connect(&RunUnit(), &cORUN::ORUNCommand, this, &frmMain::ORUNEvent_ORUNCommand, Qt::UniqueConnection);
        connect(&RunUnit(), &cORUN::LinkPaceChange, this, &frmMain::ORUNEvent_LinkPaceChange, Qt::UniqueConnection);
        connect(&RunUnit(), &cORUN::UnitRestarted, this, &frmMain::ORUNEvent_UnitRestarted, Qt::UniqueConnection);
        connect(&RunUnit(), &cORUN::LinkTooPoor, this, &frmMain::ORUNEvent_LinkTooPoor, Qt::UniqueConnection);

        cmdDataLog->setText(LogMode ? QStringLiteral("ON") : QStringLiteral("OFF"));
        SetBackColor(cmdDataLog, LogMode ? kGreen : vbButtonFace);
        Loading = false;
    } catch (...) {
        gErr.HandleError();
    }
}

void frmMain::RequestReadings_Timer() {
    // The link is released at shutdown while the window lives on a little longer.
    if (!gORUN || !gApp || gApp->Phase() == PhaseCode::Shutdown) return;
    // An output that left the running layer through an edit stops at the next poll, with
    // or without a reading.
    FollowOutputs();
    // The control tick comes with readings: when they stop coming, the poll holds the
    // channels that have none.
    try {
        if (gApp->Phase() != PhaseCode::Stopped && modPhases::HoldBlindChannels()) gORUN->SendPower();
    } catch (...) {
        gErr.HandleError();  // a damaged record is reported; the poll goes on
    }
    gORUN->SendReadSensors();
    gORUN->SendReadDigitalInputs();
    gORUN->SendCheckReading();
    ReassertUnitState();
}

void frmMain::tmrDate_Timer() {
    const double moment = vb::DateSerialOf(Now());
    const double day = std::floor(moment);
    lblTime->setText(vb::Format(moment - day, QStringLiteral("General Date")));
    lblDate->setText(vb::Format(day, QStringLiteral("General Date")));
}
