#pragma once
// The run-phase machine: phase codes, their names, the phase clock, the per-phase entry
// and tick actions and the channels' rate set points.
#include "app/PhaseCode.h"

#include <QString>
#include <cstdint>

namespace modPhases {

// Display name of a phase code (kept with the codes, which the modules below use too).
using PhaseCode::PhaseName;

// The rate set point of channel 0..7 for its current channel phase, in the film's
// display units; 0 in the phases that follow no set point.
double RateTarget(int16_t ch);

// One control tick of the run-phase machine, run for every reading reply of the unit
// while the run phase is not STOPPED; it ends by sending the power outputs.
void DoPhase();

// The phase clock, in seconds within 0..86399: time since the phase began and time left
// of the phase's duration (both 0 in the phases that keep no clock: STOPPED, STOP LAYER,
// INIT RUN, START LAYER), and the part done in whole percent (only in the conditioning,
// shutter-delay, deposit and idle phases with a film mapped).
double PhaseElapsed();
double PhaseRemaining();
double PhasePercent();

// In DEPOSIT, restarts every channel's time set point from now; elsewhere nothing.
void ResetDepositTimers();

// One closed-loop step of a channel: the output's new power from the PID step on the
// set point less the measured value, over the channel's measurement period.
void ControlChannel(int16_t ch);

// Whether channel ch's detector holds the volts of its film in the step shown, given now
// when they were not; false for an emission detector that cannot take them (inactive,
// under calibration, 0 V). True for a channel measured otherwise.
bool DetectorReady(int16_t ch);

// A reading of channel ch's film taken from a quartz monitor or an analog input (the film's
// input type when it was taken); the unit's own readings need no note. seconds is the time
// of measurement the reading newly covers when its source newly formed it (its loop then
// steps once on it, over that time), 0 when it only repeats a value formed before.
void NoteReading(int16_t ch, int32_t inputType, double seconds);
// Forgets every noted reading (a new station, in tests).
void ForgetReadings();
// Whether channel ch has no calibration to read its detector with: one that could not be
// read from the database, or one no measurement of the detector can give (see
// cORUN::CalibrationSound). Such a channel has no valid reading.
bool CalibrationMissing(int16_t ch);
// Why the current step cannot start, for the operator's box: the channels whose detector
// gives them no reading to run on (CalibrationMissing), with what to do; empty when it can.
QString StepStartRefusal();
// Whether the unit delivered a reading of channel ch's detector that the intake has not
// taken yet, for a film that reads the detector through a calibration: true once per
// reading.
bool TakeUnitReading(int16_t ch);
// The intake took a reading of channel ch; number is false when a step of its
// calculation gave no number. Such a reading is no reading: the channel is held at 0 and
// in error until one gives a number, and that is named once (the error report and a tip
// over the main window, never a box).
void NoteReadingNumber(int16_t ch, bool number);
// Whether channel ch has a live reading of its film's input: an emission detector given its
// film's volts (more than 0), active, still reading, and with a reading of its own since
// its layer started or its loop last restarted; an enabled quartz monitor or an analog
// input that gave a reading within the last few measurement periods. False without a film
// or for an input type that measures nothing.
bool ReadingLive(int16_t ch);
// Whether channel ch has no live reading for a cause other than a detector's first reading
// of the layer still to come (that one comes within a reading period, and the unit tells
// of a detector that does not read): such a channel is in error.
bool ReadingFailed(int16_t ch);
// Channel ch's layer starts: only a detector reading that arrives from now on counts for
// it, and its loop has not yet run on a reading. (A step shown that changes without a
// start counts the same way.)
void NoteLayerStart(int16_t ch);
// Channel ch's loop runs on through its layer's start (CONSTANT before and after): the
// readings it has run on still count, in the layer it now belongs to.
void LoopRunsOn(int16_t ch);
// The power a hold keeps on channel ch's output: the average of its last powers once its
// loop has run on a reading in this layer; 0 when it never has (a hold never keeps a power
// reached without a reading, nor one of another layer).
double HoldPower(int16_t ch);
// Whether channel ch's output follows its rate loop now: DEPOSIT, QCM CAL., MAN RAMP and
// CONSTANT, and SHTR DLY for a film with a shutter delay.
bool UnderRateControl(int16_t ch);
// Every channel under rate control without a live reading is held at 0 and its loop
// starts afresh: no source is driven on a reading that is not there. True when a power
// changed (nothing is sent).
bool HoldBlindChannels();
// A good reply of the unit; reading is true for a reading reply. A unit that goes on
// answering without a reading reply for as long as it takes to tell of a detector
// without readings has no live detector reading at all.
void NoteUnitReply(bool reading, bool noReading);
// The link lapsed (a reply time-out) or the unit identified itself again: the gap since
// the last reading is no measure of the readings' pace, and no reading from before it
// drives anything.
void NoteLinkLapse();
// The usual time between the unit's reading replies (s), 0 before it is known.
double ReadingGap();
// A source under rate control on the unit's detector gets its readings too far apart to
// control on.
bool ReadingsTooSlow();

// Pushes the film's and layer's settings of a channel with a film to its filters, the
// unit and the quartz monitors. A calibration warning answered Cancel stops the layer.
void SendLayerParams(int16_t ch);

// True while a phase's entry action runs (InitPhase); a control tick meanwhile only
// sends the power outputs.
extern bool PhaseBusy;

// Entry of a new run phase (99 for the shutdown): the relays for the phase, then the
// phase's own entry action. Called only by the run-phase setter of gApp, after its own
// bookkeeping.
void InitPhase(int16_t phase);

// The relay outputs for a new run phase, by each relay's function; the relays are sent
// only when a state changed. Phases without relay states change nothing.
void PhaseRelays(int16_t phase);
// The relay word the relays of phase would leave, from word; nothing is sent.
int16_t RelayWordFor(int16_t phase, int16_t word);
// The relay word an exit would leave, from word: a running layer's stop, then the shutdown.
int16_t ExitRelayWord(int16_t word);

// A channel enters (on) or leaves (off) MAN POWER: the "Manual Mode" relays follow, and
// the channel shutters of the channels with a film open, or every channel shutter closes
// outside SHTR DLY and DEPOSIT. Nothing is sent; the caller sends the relays when they
// changed.
void SetShutterRelays(int16_t ch, bool on);
// A channel enters or leaves HOLD POWER; nothing to do.
void ChannelPhaseNotify(int16_t ch, bool hold);
// A channel enters QCM CAL.: starts its calibration against its film's quartz monitor.
void InitPhaseQCMCal(int16_t ch);

}  // namespace modPhases
