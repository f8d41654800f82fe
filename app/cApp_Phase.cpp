// The run phase and the channel phases.
//
// Setting the run phase does the setter's own work for the new phase first (totals,
// filters, data-log lines, run number), then hands the phase to the phase machine for its
// relays and entry action (a call the phase machine registers), then raises PhaseChange.
// STARTUP and shutdown instead run the start-up and shutdown sequences.
#include "app/cApp.h"

#include "app/ChannelData.h"
#include "app/Hooks.h"
#include "app/PhaseCode.h"
#include "app/SettingsGlobals.h"
#include "app/cErrHandler.h"
#include "app/modFileUtil.h"
#include "app/modUtil.h"
#include "data/ProcessRec.h"
#include "data/modDB.h"
#include "qcm/cQCM.h"
#include "unit/ExitRule.h"
#include "unit/cORUN.h"

namespace {

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

// The line is only made when it is written: without logging, nothing of the run needs to
// exist (no process is selected before the start-up's STOPPED).
void Log(QString (*line)()) {
    if (LogMode) modUtil::PrintToLog(line());
}

// Run numbers go 1..9999, then start again at 1.
int16_t NextRunNumber(int16_t run) { return static_cast<int16_t>(run >= 9999 ? 1 : run + 1); }

}  // namespace

// The run starts from the process as it is in memory; the file not taking it (a full
// disk) is told once, and the run goes on. The file gets the number the next run will
// have: the number in memory steps only when the run ends, so a run that a power failure
// or a kill ends before that never hands its number on to the next. Another program
// keeping the file refuses the start, in one message naming the file: a run that had
// started would hand its number on to the next.
bool cApp::SaveRunProcess() {
    if (!gProcess.inRange(ProcNum_)) return true;
    ProcessRec& process = gProcess(ProcNum_);
    const int16_t run = process.Run_Number;
    process.Run_Number = NextRunNumber(run);
    try {
        const modDB::OneSave once;
        modDB::ProcessSave(ProcNum_);
    } catch (const modDB::FileRefused& refusal) {
        process.Run_Number = run;
        modDB::TellRefusal(modDB::FileRefused(QStringLiteral("The run was not started. ") + refusal.description));
        return false;
    } catch (...) {
        process.Run_Number = run;
        gErr.HandleError(modDB::NotSaved(cErrHandler::CurrentError(), DBFile));
        return true;
    }
    process.Run_Number = run;
    return true;
}

bool cApp::RunGoing() const {
    return Phase_ != PhaseCode::Startup && Phase_ != PhaseCode::Stopped && Phase_ != PhaseCode::Shutdown;
}

void cApp::EndRun() {
    Log(modUtil::LogEndLine);
    // Before a process is selected there is no run to count.
    if (gProcess.inRange(ProcNum_)) {
        ProcessRec& process = gProcess(ProcNum_);
        process.Run_Number = NextRunNumber(process.Run_Number);
    }
}

bool cApp::PhaseBookkeeping(int16_t nPhase) {
    switch (nPhase) {
    case PhaseCode::InitRun:
        if (!SaveRunProcess()) return false;
        StopLayer_ = 0;
        if (LogMode) {
            // One file rewritten per run: the run starts on an empty log.
            if (LogType == 0) modFileUtil::KillFile(LogFile);
            modUtil::PrintToLog(modUtil::LogStartLine());
        }
        break;
    case PhaseCode::Stopped:
        RunQCM().ZeroAll();
        ClearTotals();
        ClearCarries();
        ClearChannelFilters();
        // Only a run ends here: the start-up, a process selected or a reset while the
        // program is already stopped end none, and neither log an end nor use up a number.
        if (RunGoing()) EndRun();
        break;
    case PhaseCode::Ramp1:
        RunQCM().ZeroAll();
        ClearTotals();
        ClearChannelFilters();
        break;
    case PhaseCode::ShutterDelay:
        RunQCM().ZeroAll();
        ClearTotals();
        break;
    case PhaseCode::Deposit:
        ClearTotals();
        break;
    case PhaseCode::StopLayer:
        StopLayer_ = ProcLayer_;
        break;
    case PhaseCode::StartLayer:
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
        Log(modUtil::PrintHeader);
        emit GraphRestart();
        break;
    default:
        break;
    }
    return true;
}

// Errors of the entry actions go to the caller.
void cApp::setPhase(int16_t nPhase) {
    if ((nPhase == PhaseCode::InitRun || nPhase == PhaseCode::StartLayer) &&
        !ExitRule::Allows(ExitRule::Act::RunStart))
        return;
    if (!PhaseBookkeeping(nPhase)) return;
    Phase_ = nPhase;
    if (nPhase == PhaseCode::Startup) {
        ApInitialize();
        setPhase(PhaseCode::Stopped);
    } else if (nPhase == PhaseCode::Shutdown) {
        Hooks::Call(Hooks::InitPhase, PhaseCode::Shutdown);
        ApTerminate();
    } else {
        Hooks::Call(Hooks::InitPhase, nPhase);
        // An entry action may have moved the phase on; the event carries where it stands.
        emit PhaseChange(Phase_);
    }
}

void cApp::setChanPhase(int16_t Chan, int16_t nPhase) {
    ORUN_PROC("cAp_ChanPhase");
    try {
        // A channel the unit does not have is refused before anything is switched.
        if (!ChanPhase_.inRange(Chan)) throw RuntimeError::SubscriptOutOfRange();
        if ((nPhase == PhaseCode::ManPower || nPhase == PhaseCode::ManRamp) &&
            !ExitRule::Allows(ExitRule::Act::ManualControl))
            return;
        if (nPhase == PhaseCode::QcmCal && !ExitRule::Allows(ExitRule::Act::Calibration)) return;
        cORUN& unit = RunUnit();
        const int16_t relaysBefore = unit.RelayReg();
        // A manual ramp needs a running layer: the START button starts one.
        if (nPhase == PhaseCode::ManRamp &&
            (Phase_ == PhaseCode::Stopped || Phase_ == PhaseCode::StopLayer || Phase_ == PhaseCode::ManPower))
            emit RunStartRequest();
        const int16_t oldPhase = ChanPhase_(Chan);
        if (nPhase == PhaseCode::ManPower) Hooks::Call(Hooks::SetShutterRelays, Chan, true);
        else if (oldPhase == PhaseCode::ManPower) Hooks::Call(Hooks::SetShutterRelays, Chan, false);
        if (nPhase == PhaseCode::HoldPower) Hooks::Call(Hooks::ChannelPhaseNotify, Chan, true);
        else if (oldPhase == PhaseCode::HoldPower) Hooks::Call(Hooks::ChannelPhaseNotify, Chan, false);
        if (nPhase == PhaseCode::QcmCal) Hooks::Call(Hooks::InitPhaseQCMCal, Chan);
        if (unit.RelayReg() != relaysBefore) unit.SendRelays();
        ChanPhase_(Chan) = nPhase;
    } catch (...) {
        gErr.HandleError();
    }
}
