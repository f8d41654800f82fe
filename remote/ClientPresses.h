#pragma once
// The main window's buttons pressed on a remote client's behalf. A press runs the
// operator's own click handler (the front-panel locks and the Ctrl-key setting are lifted
// for the request), and what it did is read back from the state it changes: a press that
// could not act (a digital-input interlock or forcing input, a window that refused) is
// reported as refused, never as done.
#include <cstdint>

namespace ClientPresses {

// START/STOP (0), next layer (1) or back to layer 1 (2); false when the button is
// disabled (the detector calibration holds it). The caller reads the run's phase after.
bool PressRunButton(int16_t i);

// Emission of sensor 0..3 on; false when it could not be switched on: an emission
// interlock input is on, a gas sensor without gas calibration, or the window refused
// (an input forcing it off).
bool SwitchSensorOn(int16_t s);
// Emission of sensor 0..3 off. Always acts: off is the safe side, so an input that holds
// the sensor on for the operator's button does not hold it against a client.
void SwitchSensorOff(int16_t s);

// The data log on or off; false when it did not change as asked.
bool SwitchDataLog(bool on);

// Zeroes the total of channel 0..7 (and its quartz monitor); false when the channel is
// not in use, so no total is shown for it.
bool ZeroChannel(int16_t c);

// Whether channel 0..7 has a manual-power box to act on: the window offers one for each
// channel in use that drives a source output, whether or not a front-panel lock hides it.
bool ManualPowerOffered(int16_t c);

}  // namespace ClientPresses
