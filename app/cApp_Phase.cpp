// The run phase and the channel phases.
#include "app/cApp.h"

// The phase bookkeeping of a run (totals, filters, run number, entry actions, the
// PhaseChange event) is not here yet: the setters only store the phase.
void cApp::setPhase(int16_t nPhase) { Phase_ = nPhase; }

void cApp::setChanPhase(int16_t nChan, int16_t nPhase) { ChanPhase_(nChan) = nPhase; }
