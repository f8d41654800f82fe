// The run-phase machine's two entry points: the entry of a new run phase and the control
// tick.
#include "run/modPhases.h"
#include "run/modPhasesDetail.h"

#include "app/Globals.h"
#include "app/cApp.h"
#include "unit/cORUN.h"

namespace modPhases {

bool PhaseBusy = false;

namespace {
// Marks the machine busy for the length of an entry action. An entry that sets another
// phase runs that phase's entry inside its own; the flag stays set until the outer entry
// is over, so no tick runs phase work while any entry is still in progress.
class BusyScope {
public:
    BusyScope() : previous_(PhaseBusy) { PhaseBusy = true; }
    ~BusyScope() { PhaseBusy = previous_; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    bool previous_;
};
}  // namespace

void InitPhase(int16_t phase) {
    const BusyScope busy;
    PhaseRelays(phase);
    switch (phase) {
    case PhaseCode::Stopped: InitPhaseStop(); break;
    case PhaseCode::Ramp1: InitPhaseCondition(); break;
    case PhaseCode::ShutterDelay: InitPhaseShutterDelay(); break;
    case PhaseCode::Deposit: InitPhaseDeposit(); break;
    case PhaseCode::IdleRamp: InitPhaseIdle(); break;
    case PhaseCode::StopLayer: InitPhaseStopLayer(); break;
    case PhaseCode::StartLayer: InitPhaseStartLayer(); break;
    case PhaseCode::Index: InitPhaseFilter(); break;
    case PhaseCode::Shutdown:
        ReleaseQCMCals();
        // The last powers the unit gets from the program are zeros.
        StopAllOutputs();
        break;
    default: break;
    }
}

void DoPhase() {
    // Only the readings that came since the last tick may move a loop in this one.
    NoteControlTick();
    if (!PhaseBusy) {
        switch (RunApp().Phase()) {
        case PhaseCode::StopLayer: DoPhaseStopLayer(); break;
        case PhaseCode::InitRun: RunApp().setPhase(PhaseCode::StartLayer); break;
        case PhaseCode::StartLayer: DoPhaseStartLayer(); break;
        case PhaseCode::Ramp1:
        case PhaseCode::Soak1:
        case PhaseCode::Ramp2:
        case PhaseCode::Soak2: DoPhaseCondition(); break;
        case PhaseCode::ShutterDelay: DoPhaseShutterDelay(); break;
        case PhaseCode::Deposit: DoPhaseDeposit(); break;
        case PhaseCode::IdleRamp:
        case PhaseCode::Idle: DoPhaseIdle(); break;
        case PhaseCode::Index: DoPhaseIndex(); break;
        default: break;  // STOPPED and the rest: nothing
        }
    }
    // Whatever set them (a phase entry, a tick, a recipe edit meanwhile), no source under
    // rate control is driven without its reading; then, busy or not, the powers go out as
    // they now stand.
    HoldBlindChannels();
    RunUnit().SendPower();
}

}  // namespace modPhases
