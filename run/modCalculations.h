#pragma once
// The channel calculations: from a channel's raw reading to the filtered and calibrated
// rate, the rate corrected for cross-talk from other channels, the value in the film's
// display units, the deviation from the set point, the ratio to another channel, the
// integrated thickness and the PID control power of the channel's source output.
//
// Channels are 0..7. The channel's film and layer are those that gApp maps to it in the
// current step of the active process; a channel without a film gives 0 from every
// calculation. Each calculation reports a run-time error (a channel, cross channel or
// ratio channel outside 0..7, a record number outside its table, an arithmetic overflow)
// through gErr and returns what it had computed so far, 0 before a result.
#include "platform/BoundedArray.h"

#include <cstdint>
#include <optional>

namespace modCalculations {

// Filtered rate: the average of the channel's raw readings, calibrated for the emission
// detector ((average - QCM_CALZERO) * QCM_CALFACTOR), as it is for the other inputs.
double CalcChanRateFilter(int16_t ch);
// Rate less the layer's cross-channel shares of the other channels' filtered, calibrated
// rates ("Rate" mode). Only emission-detector channels are corrected.
double CalcXChanRate(int16_t ch);
// Rate from the current raw reading less the cross channels' shares of their raw
// averages, calibrated afterwards ("Current" mode).
double CalcXChanCurentRate(int16_t ch);
// Rate in the film's display units: (rate - UnitsOffset) * UnitsCal, the rate by the
// layer's cross-channel mode (0 Current, 1 Rate; any other mode gives 0).
double CalcChanUser(int16_t ch);
// The same value, or none when a step of its calculation is no number (an overflow, a
// division by 0); nothing is reported. Any other error goes on to the caller.
std::optional<double> ChanUserValue(int16_t ch);
// Deviation from the set point in percent, in the phases that follow a set point
// (SHTR DLY, DEPOSIT, MAN POWER, MAN RAMP, CONSTANT); 0 otherwise and for a set point of 0.
double CalcChanDev(int16_t ch);
// The channel's rate over its layer's ratio channel, each with its multiplier, filtered
// over the layer's RatioFilter readings. 0, with nothing filtered, without a ratio channel
// or when the ratio channel reads 0.
double CalcChanRatio(int16_t ch);
// The channel's new thickness total (thousands of the display unit): the rate integrated
// over the time since the last meter refresh for the emission detector; the quartz
// monitor's own total for a quartz channel; 0 for an analog input. In HOLD POWER during
// DEPOSIT every channel integrates.
double CalcChanThick(int16_t ch);
// Clears the channel's PID history (not its hold count). A channel outside 0..7 raises
// the error to the caller.
void ResetPID(int16_t ch);
// The new power (percent) of the channel's output: the present power plus one limited
// incremental PID step on dev (set point - measured, display units) over dt seconds.
// While |dev| stays at or above the channel's positive DELTA, ten steps are held at the
// present power and every eleventh is computed. Not clamped: the output's Power setter
// clamps. dev is left unchanged.
double CalcPIDPower(double& dev, double dt, int16_t ch);
// The same step, or none when it is no number; nothing is reported. (The history has
// moved on as for any step.)
std::optional<double> PIDPowerValue(double dev, double dt, int16_t ch);

}  // namespace modCalculations

// The PID history of each channel: the newest deviation and the two before it.
extern BoundedArray<double, 0, 7> gPIDErr0;
extern BoundedArray<double, 0, 7> gPIDErr1;
extern BoundedArray<double, 0, 7> gPIDErr2;
// Steps held back while the deviation is large, 0..10.
extern BoundedArray<int32_t, 0, 7> gPIDHold;

// Timer value (seconds since midnight) of the last meter refresh; the display refresh
// sets it after refreshing the channels, so thickness integrates over the time between.
extern double gLastMeterTime;
