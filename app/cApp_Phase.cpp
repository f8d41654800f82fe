// The run phase and the channel phases.
//
// Setting the run phase does the setter's own work for the new phase first (totals,
// filters, data-log lines, run number), then hands the phase to the phase machine for its
// relays and entry action (a call the phase machine registers), then raises PhaseChange.
// STARTUP and shutdown instead run the start-up and shutdown sequences.
#include "app/cApp.h"

#include "app/ChannelData.h"
#include "app/FlagScope.h"
#include "app/Globals.h"
#include "app/RunConditions.h"
#include "app/VBConv.h"
#include "app/Hooks.h"
#include "app/PhaseCode.h"
#include "app/SettingsGlobals.h"
#include "app/cErrHandler.h"
#include "app/modFileUtil.h"
#include "app/modUtil.h"
#include "data/ProcessRec.h"
#include "data/modDB.h"
#include "platform/Dialogs.h"

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

// The run starts only once its record is in the file with the number the next run will
// have (the number in memory steps only when the run ends), so a run that a power failure
// or a kill ends never hands its number on to the next. Whatever keeps the record out of
// the file (another program holding it, a read-only folder, a full disk) refuses the start
// alike, in one box naming the file and the cause: nothing starts, nothing is logged, the
// number stays. The save may wait while events run: what the start checked is taken again
// when the file takes the record, and the start is refused whole when it no longer holds.
bool cApp::SaveRunProcess() {
    if (!gProcess.inRange(ProcNum_)) return true;
    const int16_t nProcess = ProcNum_;
    const int16_t run = gProcess(nProcess).Run_Number;
    const RunConditions checked;
    const FlagScope waiting(StartWaiting_);
    QString refusal;
    gProcess(nProcess).Run_Number = NextRunNumber(run);
    try {
        const modDB::OneSave once;
        modDB::WithFile(
            modDB::FileUse::Write, QStringLiteral("The run record of ") + vb::Trim(gProcess(nProcess).Process_Name),
            [&] { modDB::ProcessSave(nProcess); }, [&] { return checked.Changed(); });
    } catch (const modDB::FileRefused& refused) {
        refusal = refused.description;
    } catch (...) {
        refusal = modDB::NotSaved(cErrHandler::CurrentError(), DBFile).description;
    }
    gProcess(nProcess).Run_Number = run;
    // A box the save showed let events run too.
    if (refusal.isEmpty() && !checked.Changed().isEmpty()) refusal = checked.Changed() + QLatin1Char('.');
    if (refusal.isEmpty()) return true;
    MsgBox(QStringLiteral("The run was not started. ") + refusal, vbExclamation);
    return false;
}

// Nothing starts once the exit is confirmed, nor while a detector calibration runs (its
// detector is measured at biases of its own), nor a step whose detector gives it no
// reading to run on: that is told once, and a run going on waits stopped at that step.
bool cApp::StartAllowed() {
    if (!Hooks::Call(Hooks::ExitAllowsRunStart) || DetectorCalibrating()) return false;
    const QString refusal = Hooks::StepStartRefusal ? Hooks::StepStartRefusal() : QString();
    if (refusal.isEmpty()) return true;
    if (RunGoing() && Phase_ != PhaseCode::StopLayer) setPhase(PhaseCode::StopLayer);
    MsgBox(refusal, vbExclamation | vbOKOnly);
    return false;
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
        Hooks::QCM().ZeroAll();
        ClearTotals();
        ClearCarries();
        ClearChannelFilters();
        // Only a run ends here: the start-up, a process selected or a reset while the
        // program is already stopped end none, and neither log an end nor use up a number.
        if (RunGoing()) EndRun();
        break;
    case PhaseCode::Ramp1:
        Hooks::QCM().ZeroAll();
        ClearTotals();
        ClearChannelFilters();
        break;
    case PhaseCode::ShutterDelay:
        Hooks::QCM().ZeroAll();
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
        Hooks::QCM().ZeroAll();
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
    if ((nPhase == PhaseCode::InitRun || nPhase == PhaseCode::StartLayer) && !StartAllowed()) return;
    if (!PhaseBookkeeping(nPhase)) return;
    if (nPhase == PhaseCode::Stopped || nPhase == PhaseCode::StopLayer) NoteStop();
    if (nPhase == PhaseCode::InitRun) ++RunStarts_;
    if (nPhase == PhaseCode::StartLayer) ++LayerStarts_;
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
            !Hooks::Call(Hooks::ExitAllowsManualControl))
            return;
        if (nPhase == PhaseCode::QcmCal && !Hooks::Call(Hooks::ExitAllowsCalibration)) return;
        Hooks::UnitCalls& unit = Hooks::Unit();
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
