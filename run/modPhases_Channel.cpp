// One channel as the phase machine drives it: its records in the current step, its
// output's power and its closed-loop control step.
#include "run/modPhases.h"
#include "run/modPhasesDetail.h"

#include "app/ChannelData.h"
#include "app/Globals.h"
#include "app/VBConv.h"
#include "app/cApp.h"
#include "data/FilmRec.h"
#include "data/ProcessRec.h"
#include "qcm/cQCM.h"
#include "run/modCalculations.h"
#include "unit/cORUN.h"

#include <algorithm>

namespace modPhases {

float PhaseStartTime = 0.0f;
float PhaseDuration = 0.0f;
BoundedArray<float, 0, 7> RampStartPower;
BoundedArray<float, 0, 7> CaptureStart;
BoundedArray<double, 0, 7> DepositTimeMark;
BoundedArray<int16_t, 0, 7> RateRampStage;
BoundedArray<bool, 0, 7> RateRampActive;
BoundedArray<double, 0, 7> RateRampStartRate;
BoundedArray<double, 0, 7> RateRampStartTime;
BoundedArray<float, 0, 7> QCMCalLast;
BoundedArray<int16_t, 0, 7> QCMCalUse;

const FilmRec* ChanFilmRec(int16_t ch) {
    const int16_t film = RunApp().ChanFilm(ch);
    return film >= 1 ? &gFilm(film) : nullptr;
}

LayerRec* ChanLayerRec(int16_t ch) {
    const int16_t layer = RunApp().ChanLayer(ch);
    return layer >= 1 ? &gLayer(layer) : nullptr;
}

double PresentPower(int16_t ch) {
    const int16_t out = RunApp().ChanOutput(ch);
    return out >= 0 ? RunUnit().Power(out) : 0.0;
}

void SetChanPower(int16_t ch, double percent) {
    const int16_t out = RunApp().ChanOutput(ch);
    if (out >= 0) RunUnit().setPower(out, percent);
}

bool DetectorReady(int16_t ch) {
    const FilmRec* film = ChanFilmRec(ch);
    if (!film || !InputType::IsEmission(film->Input_Type)) return true;
    cORUN& unit = RunUnit();
    // A detector the unit does not hold active was never given its volts (the channel
    // shows an error meanwhile); a calibration holds its PMT off; at 0 V it sees nothing.
    const int32_t volts = vb::CLng(film->Sensor_PMT);
    if (volts <= 0 || !unit.ChanActive(ch) || unit.CalChan() == ch) return false;
    // Volts not given in this step (another step's film, a step moved on while stopped)
    // are given now, ahead of any power.
    if (!unit.DetectorGiven(ch, volts)) unit.setPMTVolts(ch, volts);
    return unit.DetectorGiven(ch, volts);
}

void ControlChannel(int16_t ch) {
    const FilmRec* film = ChanFilmRec(ch);
    if (!film || RunApp().ChanOutput(ch) < 0) return;
    // Asked on every tick: a rate ramp moves on by it.
    const double target = RateTarget(ch);
    DetectorReady(ch);  // an emission detector gets its film's volts first
    // Without a live reading of the film's input (no monitor, a monitor switched off, no
    // card, a detector at 0 V, readings that stopped, an input type that measures nothing)
    // the loop would wind its source up to the maximum power: the source is held at 0, and
    // the channel's error shows why.
    if (!ReadingLive(ch)) {
        SetChanPower(ch, 0.0);
        RestartLoop(ch);
        return;
    }
    // One step per reading the channel's source newly formed, over the time it covers; a
    // tick without one leaves the power where the last one put it.
    LoopStep steps[kMaxLoopSteps];
    const int n = TakeLoopSteps(ch, steps);
    for (int i = 0; i < n; ++i) {
        const std::optional<double> power = modCalculations::PIDPowerValue(target - steps[i].user, steps[i].seconds, ch);
        NoteStepNumber(ch, power.has_value());
        if (!power) {
            // A step that gives no number sets no power: the source is held at 0.
            SetChanPower(ch, 0.0);
            RestartLoop(ch);
            return;
        }
        NoteLoopRan(ch);
        // The loop keeps within the film's own maximum, also where the output's limit was
        // set by another step's film; the next step starts from the power this one set.
        SetChanPower(ch, std::min(*power, film->Max_Power));
    }
}

}  // namespace modPhases
