// The two-step exit of the main window, its last handler, and the link reset after a
// reply time-out.
#include "app/Globals.h"
#include "app/PhaseCode.h"
#include "app/SettingsGlobals.h"
#include "app/SystemFlags.h"
#include "app/VBConv.h"
#include "app/cApp.h"
#include "app/cErrHandler.h"
#include "app/modBitOps.h"
#include "app/modFormUtil.h"
#include "data/modDB.h"
#include "platform/AppInfo.h"
#include "platform/Dialogs.h"
#include "platform/SettingsStore.h"
#include "platform/Winsock.h"
#include "platform/ccrpTimer.h"
#include "qcm/cQCM.h"
#include "run/frmMain.h"
#include "unit/cORUN.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>

namespace {

constexpr int kEthernetPort = 10;

// The busy pointer for the length of the shutdown, also when a step fails.
class BusyPointer {
public:
    BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};

void CloseIfConnected(Winsock* socket) {
    if (socket->State() == Winsock::sckConnected) socket->Close();
}

}  // namespace

void frmMain::Form_QueryUnload(int& Cancel, int UnloadMode) {
    ORUN_PROC("frmMain_QueryUnload");
    try {
        if (modBitOps::BitTestInteger(SystemFlags, SystemFlag::Exit) && UnloadMode == 0) {
            Cancel = 1;
            return;
        }
        gErr.setTraceExecution(false);
        cApp& app = RunApp();

        if (!tmrEnd->isActive()) {
            // First pass: the unit gets 500 ms to switch its outputs and emission off.
            Cancel = 1;
            if (MsgBox(QStringLiteral("Exit the ORUN program?"), vbYesNo) != vbYes) return;
            ConfirmExit();
            return;
        }

        // Second pass. A close asked for while the shutdown already runs (during its wait for
        // the unit's last replies) changes nothing.
        if (shuttingDown_) {
            Cancel = 1;
            return;
        }
        // While the start-up runs, a reply of the unit is being handled (a message box inside
        // it, the link reset's wait for its connection), the link waits or a piece of work
        // waits for the recipe database another program holds, the link and the database
        // must live on: the exit timer asks again 500 ms later.
        if (replyDepth_ > 0 || app.Phase() == PhaseCode::Startup || (gORUN && gORUN->Waiting()) ||
            modDB::FileWaitGoing()) {
            Cancel = 1;
            return;
        }
        // The poll and the quartz sources' readings stop before the link is released, so
        // no tick and no quartz reading reaches it or the closing window.
        shuttingDown_ = true;
        if (RequestReadings) RequestReadings->setEnabled(false);
        if (gQCM) gQCM->StopReadings();
        const BusyPointer busy;
        const int16_t phase = app.Phase();
        if (phase != PhaseCode::Stopped && phase != PhaseCode::StopLayer && phase != PhaseCode::Index)
            PressWithoutInterlock(cmdFunc(0));
        // A run the exit ends gets its data-log end line and uses up its run number, as a
        // stop would.
        if (app.RunGoing()) app.EndRun();
        // The settings and the edit channel's records of the active step, as one save (a
        // channel without a layer there, or no edit channel, has no record to save); a file
        // that does not take them asks the operator before they are given up.
        const int16_t layer = EditChan >= 0 ? app.ProcLayerIndex(app.ProcLayer(), EditChan) : 0;
        const int16_t film = EditChan >= 0 ? app.ProcFilmIndex(app.ProcLayer(), EditChan) : 0;
        app.SaveAtExit(app.ProcNum(), layer, film);
        // The stop's and the shutdown's relay words and zero powers go out over the link
        // (the release waits for the unit to take them), then the sockets close.
        app.setPhase(PhaseCode::Shutdown);
        CloseIfConnected(tcpControllerClient);
        CloseIfConnected(tcpProgramServer);
        if (QWidget* tree = modFormUtil::LoadedForm(QStringLiteral("frmProcess"))) modFormUtil::Unload(tree);

        modFormUtil::CloseForms(this);
        modFormUtil::SaveFormPosition(this);
        SaveSetting(App().Title, QStringLiteral("frmMain"), QStringLiteral("FormSize"), vb::CStr(static_cast<int>(FormSize_)));
        SaveSetting(App().Title, QStringLiteral("frmMain"), QStringLiteral("EditChan"), vb::CStr(static_cast<int>(EditChan)));
    } catch (...) {
        gErr.HandleError();
    }
}

void frmMain::ConfirmExit() {
    // The question may have been open when the system asked for the end: confirmed once.
    if (tmrEnd->isActive() || shuttingDown_) return;
    // From here on no control tick runs (ControlTick), and the link holds every power at 0.
    if (gORUN) gORUN->setTerminate(true);
    // A load or save waiting for the recipe database another program holds gives up, so
    // the exit's own saves are not kept waiting behind it.
    modDB::EndFileWait();
    ShowStopping();
    tmrEnd->start();
}

void frmMain::EndForTheSystem() {
    // A question open now (the operator's own exit, a message) is closed unanswered, and
    // the exit's saves and steps go on without asking anyone.
    SetNobodyToAnswer(true);
    if (stopping_ || shuttingDown_ || unloaded_) return;
    ConfirmExit();
}

void frmMain::tmrEnd_Timer() { modFormUtil::Unload(this); }

void frmMain::Form_Unload() {
    unloaded_ = true;
    shuttingDown_ = true;
    if (RequestReadings) RequestReadings->setEnabled(false);
    if (gQCM) gQCM->StopReadings();
    tmrDate->stop();
    tmrEnd->stop();
    if (tcpControllerClient->State() != Winsock::sckClosed) tcpControllerClient->Close();
    if (tcpProgramServer->State() != Winsock::sckClosed) tcpProgramServer->Close();
}

void frmMain::ShowStopping() {
    stopping_ = true;
    for (int i = 0; i <= 2; ++i) cmdFunc(i)->setEnabled(false);
    ApEvent_StatusMsgChange(RunApp().StatusMsg());
}

// Errors go to the caller. A TCP link that is no longer connected is handed over again so
// that it reconnects; a connected one is kept.
void frmMain::ResetComm() {
    cApp& app = RunApp();
    if (app.Phase() == PhaseCode::Shutdown || shuttingDown_) return;
    cORUN& unit = RunUnit();
    const int port = unit.CommPort();
    Winsock* socket = port == kEthernetPort && tcpControllerClient->State() != Winsock::sckConnected ? tcpControllerClient : nullptr;
    if (unit.CommInit(port, unit.ePort(), unit.EAddress(), socket)) {
        // The wait for the connection lets events run; the program may be closing now.
        if (gORUN) gORUN->SendGetVersion();
    }
}
