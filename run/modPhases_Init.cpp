// Entry of a new run phase.
#include "run/modPhases.h"

namespace modPhases {

bool PhaseBusy = false;

namespace {
// Clears the busy flag on every way out, errors included.
struct BusyScope {
    BusyScope() { PhaseBusy = true; }
    ~BusyScope() { PhaseBusy = false; }
};
}  // namespace

// The relays per phase and the phases' own entry actions are not built yet: entering a
// phase only marks the machine busy for its duration.
void InitPhase(int16_t) { const BusyScope busy; }

// The phase ticks are not built yet.
void DoPhase() {}

// The quartz calibration objects are not built yet.
void InitPhaseQCMCal(int16_t) {}

}  // namespace modPhases
