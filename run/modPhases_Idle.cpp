// IDLE RAMP and IDLE: the sources ramp to their idle power, then the run goes on to the
// next step, or stops after the last one.
#include "run/modPhases.h"
#include "run/modPhasesDetail.h"

#include "app/Globals.h"
#include "app/cApp.h"
#include "app/cErrHandler.h"
#include "data/FilmRec.h"
#include "data/ProcessRec.h"
#include "platform/Clock.h"

#include <algorithm>

namespace modPhases {

namespace {

constexpr int16_t kManualStart = 1;

// The next step: START LAYER, or STOP LAYER to wait for the operator when the layer of
// the lowest channel with a film is in manual start. A step without films is passed over
// on the next tick.
void NextStep(cApp& app) {
    app.setProcLayer(static_cast<int16_t>(app.ProcLayer() + 1));
    for (int16_t ch = 0; ch <= 7; ++ch) {
        if (app.ChanFilm(ch) < 1) continue;
        const LayerRec* layer = ChanLayerRec(ch);
        const bool manual = layer && layer->StartMode == kManualStart;
        app.setPhase(manual ? PhaseCode::StopLayer : PhaseCode::StartLayer);
        return;
    }
}

}  // namespace

void InitPhaseIdle() {
    ORUN_PROC("modPhases_InitPhaseIdle");
    try {
        PhaseStartTime = Timer();
        for (int16_t ch = 0; ch <= 7; ++ch) {
            const FilmRec* f = ChanFilmRec(ch);
            if (!f || IsManualControl(RunApp().ChanPhase(ch))) continue;
            RunApp().setChanPhase(ch, PhaseCode::IdleRamp);
            RampStartPower(ch) = static_cast<float>(f->IDLE_Ramp > 0 ? PresentPower(ch) : f->Idle_Power);
        }
    } catch (...) {
        gErr.HandleError();
    }
}

void DoPhaseIdle() {
    ORUN_PROC("modPhases_DoPhaseIdle");
    try {
        cApp& app = RunApp();
        int32_t longest = 0;
        for (int16_t ch = 0; ch <= 7; ++ch) {
            const FilmRec* f = ChanFilmRec(ch);
            if (f && !IsManual(app.ChanPhase(ch))) longest = std::max(longest, f->IDLE_Ramp);
        }
        PhaseDuration = static_cast<float>(longest);
        // The tick that ends the phase still drives the channels: the longest ramp reaches
        // its idle power there, which its source then holds through the next step.
        const bool ending = PhaseRemaining() == 0.0;
        const double e = PhaseElapsed();
        for (int16_t ch = 0; ch <= 7; ++ch) {
            const FilmRec* f = ChanFilmRec(ch);
            if (!f) continue;
            switch (app.ChanPhase(ch)) {
            case PhaseCode::ManRamp:
            case PhaseCode::Constant: ControlChannel(ch); break;
            case PhaseCode::IdleRamp:
                // Every channel's ramp starts with the phase; the ends are not aligned.
                if (!ending && e < f->IDLE_Ramp && f->IDLE_Ramp >= 1) {
                    SetChanPower(ch, RampStartPower(ch) + (f->Idle_Power - RampStartPower(ch)) * e / f->IDLE_Ramp);
                } else {
                    SetChanPower(ch, f->Idle_Power);
                    app.setChanPhase(ch, PhaseCode::Idle);
                }
                break;
            default: break;  // MAN POWER, HOLD POWER and IDLE keep their power
            }
        }
        if (ending) {
            const ProcessRec& process = gProcess(app.ProcNum());
            // A step beyond the last (the process was shortened meanwhile) also ends the run.
            if (app.ProcLayer() < process.Number_Layers) {
                NextStep(app);
            } else {
                app.setPhase(PhaseCode::Stopped);
                app.setProcLayer(1);
            }
        }
    } catch (...) {
        gErr.HandleError();
    }
}

}  // namespace modPhases
