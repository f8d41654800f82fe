#pragma once
// The run-phase machine: phase codes, their names, the phase clock, the per-phase entry
// and tick actions and the channels' rate set points.
#include <QString>
#include <cstdint>

namespace modPhases {

// Display name of a phase code ("STOPPED", "DEPOSIT" ...); empty for a code without one,
// the shutdown code 99 included.
QString PhaseName(int code);

// The rate set point of channel 0..7 for its current channel phase, in the film's
// display units; 0 in the phases that follow no set point.
double RateTarget(int16_t ch);

}  // namespace modPhases
