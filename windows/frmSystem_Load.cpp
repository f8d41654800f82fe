// Loading the window from the live objects, its tabs, its keys, the events it follows and
// closing it.
#include "windows/frmSystem.h"

#include "app/Globals.h"
#include "app/PhaseCode.h"
#include "app/SettingsGlobals.h"
#include "app/VBConv.h"
#include "app/cApp.h"
#include "app/cColorDialog.h"
#include "app/cErrHandler.h"
#include "app/modFormUtil.h"
#include "app/modWait.h"
#include "data/modDB.h"
#include "platform/AppInfo.h"
#include "platform/HtmlHelp.h"
#include "platform/SSTab.h"
#include "platform/SettingsStore.h"
#include "remote/cComm.h"
#include "run/frmMain.h"
#include "unit/ExitRule.h"
#include "unit/cORUN.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

namespace {

const QString kSection = QStringLiteral("frmSystem");

QString Stored(const QString& key, const QString& defaultValue) {
    return GetSetting(App().Title, kSection, key, defaultValue);
}
void Store(const QString& key, const QString& value) { SaveSetting(App().Title, kSection, key, value); }

// A stored list index: its whole number when it lies in 0..last, else 0 (the settings
// store may hold anything).
int StoredIndex(const QString& key, int last) {
    const double v = vb::Val(Stored(key, QStringLiteral("0")));
    return v >= 0 && v <= last && v == vb::Int(v) ? int(v) : 0;
}

}  // namespace

void frmSystem::Form_Load() {
    ORUN_PROC("frmSystem_Form_Load");
    try {
        Loading_ = true;
        BindEvents();
        InitIONames();
        modFormUtil::RestoreFormPosition(this, true, kSection);
        Store(QStringLiteral("Visible"), QStringLiteral("True"));
        tabForm->setTab(StoredIndex(QStringLiteral("Tab"), tabForm->Tabs() - 1));
        SelectTab();
        InitGridChan();
        InitGridSensor();
        InitGridRelay();
        cboCal->setCurrentIndex(StoredIndex(QStringLiteral("Sensor"), cboCal->count() - 1));
        for (int16_t n = 0; n <= 5; ++n) InitTab(n);
        Loading_ = false;
    } catch (...) {
        gErr.HandleError();
    }
}

// The controller unit's events, the remote server's requests and the active process's
// changes; each binding is made for an object that exists.
void frmSystem::BindEvents() {
    if (gORUN) {
        ORUNEventResponse_ = connect(gORUN, &cORUN::ORUNResponse, this, &frmSystem::ORUNEvent_ORUNResponse);
        ORUNEventError_ = connect(gORUN, &cORUN::ORUNError, this, &frmSystem::ORUNEvent_ORUNError);
    }
    if (gComm) connect(gComm, &cComm::CommRx, this, &frmSystem::ExternalComm_CommRx);
    if (gApp) {
        connect(gApp, &cApp::IOMapsChange, this, &frmSystem::ApEvent_IOMapsChange);
        connect(gApp, &cApp::ProcessChange, this, &frmSystem::ApEvent_ProcessChange);
    }
}

void frmSystem::InitTab(int16_t nTab) {
    const ProcTrace trace(gErr, QStringLiteral("frmSystem_InitTab") + vb::CStr(int(nTab)));
    try {
        switch (nTab) {
        case 0: {
            cORUN& unit = RunUnit();
            ShowChannelGrid();
            if (Debug != 0) {
                ShowCalValues();
            } else {
                for (int i = 0; i <= 3; ++i) {
                    lblCalA(i)->setVisible(false);
                    lblDebug(i)->setVisible(false);
                }
            }
            cmdCalibrate->setEnabled(unit.ChanActive(cboCal->currentIndex()));
            break;
        }
        case 1:
            chkGas->setChecked(RunUnit().GasCalEnabled());
            ShowSensorGrid();
            break;
        case 2: ShowQCMTab(); break;
        case 3:
            InitGridRelay();
            InitGridInput();
            break;
        case 4: InitTabComm(); break;
        case 5: ShowDisplayTab(); break;
        default: break;
        }
    } catch (...) {
        gErr.HandleError();
    }
}

void frmSystem::tabForm_Click(int /*PreviousTab*/) { SelectTab(); }

// Only the shown tab's frame is enabled; its first control in the focus order that can
// take the focus gets it (of a group of option buttons, the chosen one).
void frmSystem::SelectTab() {
    const int current = tabForm->Tab();
    for (int k = 0; k <= 5; ++k) fraTab(k)->setEnabled(k == current);
    if (current < 0) return;
    QWidget* frame = fraTab(current);
    for (QWidget* w = frame->nextInFocusChain(); w && w != frame; w = w->nextInFocusChain()) {
        if (!frame->isAncestorOf(w)) continue;
        if (w->focusProxy() || !(w->focusPolicy() & Qt::TabFocus) || !w->isVisibleTo(this) || !w->isEnabled()) continue;
        if (auto* option = qobject_cast<QRadioButton*>(w); option && !option->isChecked()) continue;
        w->setFocus(Qt::OtherFocusReason);
        return;
    }
}

// F1: the window's help. Ctrl+R: the main window's next view.
void frmSystem::Form_KeyDown(int& KeyCode, int Shift) {
    if (KeyCode == Qt::Key_F1) {
        KeyCode = 0;
        HtmlHelp(App().HelpFile, HH_HELP_CONTEXT, 110);
    } else if (KeyCode == Qt::Key_R && (Shift & 2) && gMainForm) {
        gMainForm->NextView();
    }
}

void frmSystem::cmdClose_Click() {
    Store(QStringLiteral("Visible"), QStringLiteral("False"));
    modFormUtil::Unload(this);
}

// The close box is the user's close (UnloadMode 0); the Close button and the program's
// own closes go through modFormUtil::Unload (UnloadMode 1).
void frmSystem::closeEvent(QCloseEvent* event) {
    modFormUtil::HandleClose(
        this, event, [this](int& cancel, int mode) { Form_QueryUnload(cancel, mode); },
        [this](int& cancel) { Form_Unload(cancel); });
}

// Outside the shutdown the link takes an Ethernet address or port still only typed, and
// the unit's and the quartz monitors' settings reach the database.
void frmSystem::Form_QueryUnload(int& /*Cancel*/, int UnloadMode) {
    ORUN_PROC("frmSystem_Form_QueryUnload");
    try {
        // A calibration midway ends before anything is saved; the exit has ended it already
        // and needs no word.
        EndUnfinishedCalibration(ExitRule::Allows(ExitRule::Act::Calibration));
        if (UnloadMode == 0) Store(QStringLiteral("Visible"), QStringLiteral("False"));
        if (RunApp().Phase() == PhaseCode::Shutdown) return;
        ApplyHalvorneEthernet();
        // One save, told once when the file does not take it; the values stay in the
        // program, and the exit saves them.
        const modDB::OneSave once;
        modDB::WithFile(modDB::FileUse::Write,
                        QStringLiteral("The unit's calibrations and sensor settings and the quartz monitors' settings"),
                        [] {
                            modDB::ORUNSave();
                            modDB::QCMSave();
                        });
    } catch (const modDB::FileRefused& refusal) {
        modDB::TellRefusal(refusal);
    } catch (...) {
        gErr.HandleError(modDB::NotSaved(cErrHandler::CurrentError(), DBFile));
    }
}

void frmSystem::Form_Unload(int& /*Cancel*/) {
    ORUN_PROC("frmSystem_Form_Unload");
    try {
        EndUnfinishedCalibration(false);
        modFormUtil::SaveFormPosition(this, kSection);
        Store(QStringLiteral("Tab"), vb::CStr(tabForm->Tab()));
        Store(QStringLiteral("Sensor"), vb::CStr(cboCal->currentIndex()));
        disconnect(ORUNEventResponse_);
        disconnect(ORUNEventError_);
        ColorDialog_.reset();
        if (gSystemForm == this) gSystemForm = nullptr;
    } catch (...) {
        gErr.HandleError();
    }
}

void frmSystem::ApEvent_IOMapsChange(int16_t /*nProcess*/) {
    InitGridRelay();
    InitGridInput();
}

// The relay/input maps and the sensor values follow the active process.
void frmSystem::ApEvent_ProcessChange(int16_t /*nProcess*/) {
    InitTab(3);
    InitTab(1);
}

// Reading replies count a running detector calibration on; the identification reply
// shows the firmware version; a channel reply tells whether the chosen channel can be
// calibrated.
void frmSystem::ORUNEvent_ORUNResponse(const QString& Response) {
    ORUN_PROC("frmSystem_ORUNEvent_ORUNResponse");
    try {
        if (Calibrating) {
            CalibrationProgress(Response);
            return;
        }
        if (Response.startsWith(QLatin1String("ORUN"))) {
            ShowVersion();
        } else if (Response.startsWith(QLatin1Char('A'))) {
            cmdCalibrate->setEnabled(RunUnit().ChanActive(cboCal->currentIndex()));
        }
    } catch (...) {
        gErr.HandleError();
    }
}

// A reply time-out during a calibration starts it again, half a second later.
// A reply time-out starts the calibration again from zero 500 ms later. The calibration
// holds the run through that wait as it does while it measures (the link keeps its channel,
// and nothing starts a run), so the restart finds the run as the calibration left it; a
// calibration ended meanwhile (the window closed, the exit) is not started again.
void frmSystem::ORUNEvent_ORUNError(int ErrType, int ErrNum) {
    if (!Calibrating || CalRestarting_ || ErrType != 0 || ErrNum != 0) return;
    const QPointer<frmSystem> self(this);
    CalRestarting_ = true;
    modWait::Wait(500);
    if (!self) return;
    CalRestarting_ = false;
    if (!Calibrating) return;
    ResetCalibrate(false);
    cmdCalibrate_Click();
}
