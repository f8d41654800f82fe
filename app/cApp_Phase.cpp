// The run phase and the channel phases.
//
// Setting the run phase does the setter's own work for the new phase first (totals,
// filters, data-log lines, run number), then hands the phase to the phase machine for its
// relays and entry action, then tells the main window. STARTUP and shutdown instead run
// the start-up and shutdown sequences.
#include "app/cApp.h"

#include "app/SettingsGlobals.h"
#include "app/cErrHandler.h"
#include "app/modFileUtil.h"
#include "app/modUtil.h"
#include "data/ProcessRec.h"
#include "data/modDB.h"
#include "run/ChannelData.h"
#include "run/RunObjects.h"
#include "run/frmMain.h"
#include "run/modPhases.h"
#include "windows/frmGraph.h"

#include <QPushButton>

namespace {

constexpr int16_t kStartup = 0;
constexpr int16_t kInitRun = 1;
constexpr int16_t kStopped = 4;
constexpr int16_t kRamp1 = 5;
constexpr int16_t kShutterDelay = 9;
constexpr int16_t kDeposit = 10;
constexpr int16_t kQcmCal = 11;
constexpr int16_t kStopLayer = 18;
constexpr int16_t kStartLayer = 19;
constexpr int16_t kManPower = 30;
constexpr int16_t kManRamp = 31;
constexpr int16_t kHoldPower = 40;
constexpr int16_t kShutdown = 99;

void ClearTotals() { gChanTotal.fill(0.0); }

void ClearCarries() { gChanTotalCarry.fill(0.0); }

void ClearChannelFilters() {
    for (int ch = 0; ch <= 7; ++ch) {
        gChanRateFilter(ch).Clear();
        gChanUserFilter(ch).Clear();
        gChanPowerFilter(ch).Clear();
        gChanRatioFilter(ch).Clear();
    }
}

void Log(const QString& text) {
    if (LogMode) modUtil::PrintToLog(text);
}

}  // namespace

void cApp::PhaseBookkeeping(int16_t nPhase) {
    switch (nPhase) {
    case kInitRun:
        modDB::ProcessSave(ProcNum_);
        StopLayer_ = 0;
        if (LogMode) {
            // One file rewritten per run: the run starts on an empty log.
            if (LogType == 0) modFileUtil::KillFile(LogFile);
            modUtil::PrintToLog(modUtil::LogStartLine());
        }
        break;
    case kStopped: {
        RunQCM().ZeroAll();
        ClearTotals();
        ClearCarries();
        ClearChannelFilters();
        Log(modUtil::LogEndLine());
        // Run numbers go 1..9999, then start again at 1.
        ProcessRec& process = gProcess(ProcNum_);
        const int next = process.Run_Number + 1;
        process.Run_Number = static_cast<int16_t>(next >= 10000 ? 1 : next);
        break;
    }
    case kRamp1:
        RunQCM().ZeroAll();
        ClearTotals();
        ClearChannelFilters();
        break;
    case kShutterDelay:
        RunQCM().ZeroAll();
        ClearTotals();
        break;
    case kDeposit:
        ClearTotals();
        break;
    case kStopLayer:
        StopLayer_ = ProcLayer_;
        break;
    case kStartLayer:
        // Restarting the step at which the layer was stopped keeps what was deposited
        // before the stop, so the end-thickness test counts it.
        if (ProcLayer_ == StopLayer_) {
            for (int ch = 0; ch <= 7; ++ch) gChanTotalCarry(ch) += gChanTotal(ch);
        } else {
            ClearCarries();
        }
        RunQCM().ZeroAll();
        ClearTotals();
        ClearChannelFilters();
        Log(modUtil::PrintHeader());
        for (int16_t i = 0; i <= 3; ++i)
            if (GraphShown_(i) && gGraphForm(i)) gGraphForm(i)->GraphInit();
        break;
    default:
        break;
    }
}

// Errors of the entry actions go to the caller.
void cApp::setPhase(int16_t nPhase) {
    PhaseBookkeeping(nPhase);
    Phase_ = nPhase;
    if (nPhase == kStartup) {
        ApInitialize();
        setPhase(kStopped);
    } else if (nPhase == kShutdown) {
        modPhases::InitPhase(kShutdown);
        ApTerminate();
    } else {
        modPhases::InitPhase(nPhase);
        // An entry action may have moved the phase on; the event carries where it stands.
        emit PhaseChange(Phase_);
    }
}

void cApp::setChanPhase(int16_t Chan, int16_t nPhase) {
    ORUN_PROC("cAp_ChanPhase");
    try {
        // A channel the unit does not have is refused before anything is switched.
        if (!ChanPhase_.inRange(Chan)) throw RuntimeError::SubscriptOutOfRange();
        cORUN& unit = RunUnit();
        const int16_t relaysBefore = unit.RelayReg();
        // A manual ramp needs a running layer: the START button starts one.
        if (nPhase == kManRamp && (Phase_ == kStopped || Phase_ == kStopLayer || Phase_ == kManPower)) {
            if (gMainForm) gMainForm->cmdFunc(0)->click();
        }
        const int16_t oldPhase = ChanPhase_(Chan);
        if (nPhase == kManPower) modPhases::SetShutterRelays(Chan, true);
        else if (oldPhase == kManPower) modPhases::SetShutterRelays(Chan, false);
        if (nPhase == kHoldPower) modPhases::ChannelPhaseNotify(Chan, true);
        else if (oldPhase == kHoldPower) modPhases::ChannelPhaseNotify(Chan, false);
        if (nPhase == kQcmCal) modPhases::InitPhaseQCMCal(Chan);
        if (unit.RelayReg() != relaysBefore) unit.SendRelays();
        ChanPhase_(Chan) = nPhase;
    } catch (...) {
        gErr.HandleError();
    }
}
