// Conditioning, RAMP 1 to SOAK 2: each channel ramps and soaks its source through two
// power levels so that all channels end their conditioning together.
#include "run/modPhases.h"
#include "run/modPhasesDetail.h"

#include "app/cErrHandler.h"
#include "data/FilmRec.h"
#include "platform/Clock.h"
#include "run/RunObjects.h"

#include <algorithm>

namespace modPhases {

namespace {

// Seconds of a film's whole conditioning.
double ConditionTime(const FilmRec& f) { return double(f.RAMP1_TIME) + f.Soak1_Time + f.RAMP2_TIME + f.Soak2_Time; }

// A channel conditions when it has a film and an output and is not held by hand.
bool Conditions(int16_t ch) {
    return RunApp().ChanFilm(ch) >= 1 && RunApp().ChanOutput(ch) >= 0 && !IsManual(RunApp().ChanPhase(ch));
}

// One conditioning step of a channel, R seconds before the phase ends.
void ConditionChannel(int16_t ch, const FilmRec& f, double R) {
    cApp& app = RunApp();
    const double T = ConditionTime(f);
    switch (app.ChanPhase(ch)) {
    case PhaseCode::Ramp1:
        if (R > T) {
            SetChanPower(ch, RampStartPower(ch));  // waiting for its start
        } else if (R >= double(f.Soak1_Time) + f.RAMP2_TIME + f.Soak2_Time && f.RAMP1_TIME > 0) {
            SetChanPower(ch, RampStartPower(ch) + (f.Ramp1_Power - RampStartPower(ch)) * (T - R) / f.RAMP1_TIME);
        } else {
            SetChanPower(ch, f.Ramp1_Power);
            app.setChanPhase(ch, PhaseCode::Soak1);
        }
        break;
    case PhaseCode::Soak1:
        if (R <= double(f.RAMP2_TIME) + f.Soak2_Time) {
            RampStartPower(ch) = static_cast<float>(f.RAMP2_TIME > 0 ? PresentPower(ch) : f.Ramp2_Power);
            app.setChanPhase(ch, PhaseCode::Ramp2);
        } else {
            SetChanPower(ch, f.Ramp1_Power);
        }
        break;
    case PhaseCode::Ramp2:
        if (R >= f.Soak2_Time && f.RAMP2_TIME > 0) {
            SetChanPower(ch, RampStartPower(ch) + (f.Ramp2_Power - RampStartPower(ch)) *
                                                      (double(f.RAMP2_TIME) + f.Soak2_Time - R) / f.RAMP2_TIME);
        } else {
            SetChanPower(ch, f.Ramp2_Power);
            app.setChanPhase(ch, PhaseCode::Soak2);
        }
        break;
    case PhaseCode::Soak2: SetChanPower(ch, f.Ramp2_Power); break;
    default: break;
    }
}

}  // namespace

void InitPhaseCondition() {
    ORUN_PROC("modPhases_InitPhaseCondition");
    try {
        PhaseStartTime = Timer();
        for (int16_t ch = 0; ch <= 7; ++ch) {
            const FilmRec* f = ChanFilmRec(ch);
            if (!f || IsManual(RunApp().ChanPhase(ch))) continue;
            RunApp().setChanPhase(ch, PhaseCode::Ramp1);
            RampStartPower(ch) = static_cast<float>(f->RAMP1_TIME > 0 ? PresentPower(ch) : f->Ramp1_Power);
        }
    } catch (...) {
        gErr.HandleError();
    }
}

void DoPhaseCondition() {
    ORUN_PROC("modPhases_DoPhaseCondition");
    try {
        cApp& app = RunApp();
        // The phase lasts the longest conditioning of the channels; each channel starts when
        // as much time is left as its own conditioning takes.
        double longest = 0.0;
        for (int16_t ch = 0; ch <= 7; ++ch)
            if (Conditions(ch)) longest = std::max(longest, ConditionTime(*ChanFilmRec(ch)));
        PhaseDuration = static_cast<float>(longest);
        if (PhaseRemaining() == 0.0) {
            app.setPhase(PhaseCode::ShutterDelay);
            return;
        }
        const double R = PhaseRemaining();
        bool allSoaking = true;
        for (int16_t ch = 0; ch <= 7; ++ch) {
            const FilmRec* f = ChanFilmRec(ch);
            if (!f || app.ChanOutput(ch) < 0) continue;
            const int16_t chanPhase = app.ChanPhase(ch);
            if (chanPhase == PhaseCode::ManPower || chanPhase == PhaseCode::HoldPower) continue;
            if (chanPhase == PhaseCode::ManRamp || chanPhase == PhaseCode::Constant) {
                ControlChannel(ch);
                continue;
            }
            ConditionChannel(ch, *f, R);
            if (app.ChanPhase(ch) != PhaseCode::Soak2) allSoaking = false;
        }
        if (allSoaking) app.setPhase(PhaseCode::Soak2);
    } catch (...) {
        gErr.HandleError();
    }
}

}  // namespace modPhases
