#pragma once
// The run-phase machine's own state and the small helpers its files share. Only the
// machine's files (run/modPhases_*.cpp) and its tests include this.
#include "app/PhaseCode.h"
#include "platform/BoundedArray.h"

#include <cstdint>
#include <memory>

class cQCMCal;
struct FilmRec;
struct LayerRec;

namespace modPhases {

// ---- The phase clock ----
// Timer value (seconds since midnight) at which RAMP 1, SHTR DLY, DEPOSIT, IDLE RAMP or
// INDEX was entered. RAMP 1 going on as SOAK 2 keeps it.
extern float PhaseStartTime;
// Seconds the present phase lasts, recomputed on every tick of the timed phases.
extern float PhaseDuration;

// ---- Per channel (0..7) ----
// Power from which the conditioning or idle ramp of the channel starts.
extern BoundedArray<float, 0, 7> RampStartPower;
// Timer value since which the channel has been within capture in SHTR DLY.
extern BoundedArray<float, 0, 7> CaptureStart;
// Phase-elapsed second at which the layer's time set point is reached.
extern BoundedArray<double, 0, 7> DepositTimeMark;
// The layer rate ramp the channel has begun (0 none, 1 or 2), whether a rate ramp runs,
// and the measured value and phase-elapsed second at which it began.
extern BoundedArray<int16_t, 0, 7> RateRampStage;
extern BoundedArray<bool, 0, 7> RateRampActive;
extern BoundedArray<double, 0, 7> RateRampStartRate;
extern BoundedArray<double, 0, 7> RateRampStartTime;
// The channel's running calibration against a quartz monitor, if any.
extern BoundedArray<std::unique_ptr<cQCMCal>, 0, 7> QCMCalObj;
// Timer value at which the channel's last calibration ended.
extern BoundedArray<float, 0, 7> QCMCalLast;
// Per quartz monitor: how many emission channels of the step calibrate against it; 99
// when calibration is disabled.
extern BoundedArray<int16_t, 0, 7> QCMCalUse;

// ---- Entry and tick actions of the phases ----
void InitPhaseStop();
void InitPhaseStartLayer();
void DoPhaseStartLayer();
void InitPhaseStopLayer();
void DoPhaseStopLayer();
void InitPhaseCondition();
void DoPhaseCondition();
void InitPhaseShutterDelay();
void DoPhaseShutterDelay();
void InitPhaseDeposit();
void DoPhaseDeposit();
void InitPhaseIdle();
void DoPhaseIdle();
void InitPhaseFilter();
void DoPhaseIndex();
void DoPhaseQCMCal(int16_t ch);
// Releases every channel's calibration object (shutdown).
void ReleaseQCMCals();
// Sets every output to 0 and sends the powers (STOPPED and the shutdown).
void StopAllOutputs();
// Sends the powers as a stop's entry left them: no control tick follows to send them.
void SendStopPowers();
// Forgets which monitors the channels calibrate against (STOPPED and START LAYER).
void ClearQCMCalUse();

// ---- The loop's readings ----
// Channel ch's loop is held without a reading: it starts afresh (PID history cleared) on
// the next reading that arrives.
void RestartLoop(int16_t ch);
// Channel ch's loop set a power on a live reading.
void NoteLoopRan(int16_t ch);
// A control tick begins: the readings that came since the last one are this tick's.
void NoteControlTick();
// One step of a channel's loop: the reading's value in the film's units and the seconds of
// measurement it covers.
struct LoopStep {
    double user = 0.0;
    double seconds = 0.0;
};
// The most steps one control tick takes for a channel.
constexpr int kMaxLoopSteps = 16;
// The steps channel ch's loop takes in this control tick, oldest first: one per reading its
// own source newly formed since the last tick that its loop has not stepped on (the unit's
// detector, a quartz card or sensor, an analog input), each over the time that reading
// covers; they are then spent. A reading from an earlier tick never moves a loop. Returns
// how many were put into steps.
int TakeLoopSteps(int16_t ch, LoopStep (&steps)[kMaxLoopSteps]);
// Channel ch's loop step gave a number, or did not (named once, as a reading that gives
// none; the channel is in error until a step gives one).
void NoteStepNumber(int16_t ch, bool number);

// ---- Helpers ----
// The channel-only modes MAN POWER, MAN RAMP and CONSTANT, which the phase entries pass
// over.
inline bool IsManualControl(int16_t chanPhase) {
    return chanPhase == PhaseCode::ManPower || chanPhase == PhaseCode::ManRamp || chanPhase == PhaseCode::Constant;
}
// Those three and HOLD POWER.
inline bool IsManual(int16_t chanPhase) { return IsManualControl(chanPhase) || chanPhase == PhaseCode::HoldPower; }

// The film (null without one) and layer (null without one) of a channel in the
// current step, and its output (-1 without one).
const FilmRec* ChanFilmRec(int16_t ch);
LayerRec* ChanLayerRec(int16_t ch);
// The present power of the channel's output; 0 for a channel without one.
double PresentPower(int16_t ch);
// Sets the power of the channel's output; a channel without one is never driven.
void SetChanPower(int16_t ch, double percent);

}  // namespace modPhases
