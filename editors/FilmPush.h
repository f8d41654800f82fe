#pragma once
// Film values that the unit, the channel filters or the quartz monitors hold, pushed to
// every channel whose film at the current step of the active process is the given one.
// An edit of one value pushes that value; a film changed as a whole (a paste, another film
// chosen for a layer) pushes them all.
#include <cstdint>

namespace FilmPush {

// The power limit and the full scale of the channel's source output (channels with an
// output only); a power above a lowered limit comes down to it at once.
void MaxPower(int16_t film);
void FullScale(int16_t film);
// The channel's detector voltage, rounded to whole volts.
void PMTVolts(int16_t film);
// The size of the channel's rate, user-unit and power moving averages.
void FilterSize(int16_t film);
// The film's material to the quartz monitor it is measured by (input types 1..4) or
// calibrated against (emission detector with a calibration monitor).
void Material(int16_t film);
// All of the above.
void All(int16_t film);

}  // namespace FilmPush
