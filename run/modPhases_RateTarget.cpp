// The rate set point of a channel for its channel phase.
#include "app/cErrHandler.h"
#include "run/PhaseCode.h"
#include "data/ProcessRec.h"
#include "run/RunObjects.h"
#include "run/modPhases.h"

namespace modPhases {

double RateTarget(int16_t ch) {
    ORUN_PROC("modPhases_RateTarget");
    double result = 0.0;
    try {
        cApp& app = RunApp();
        const int16_t layer = app.ChanLayer(ch);
        if (layer < 1) return result;
        switch (app.ChanPhase(ch)) {
        case PhaseCode::ShutterDelay:
        case PhaseCode::Deposit:
        case PhaseCode::ManRamp:
        case PhaseCode::Constant:
            result = gLayer(layer).Rate;
            break;
        case PhaseCode::ManPower: {  // MAN POWER: no set point while the run stands still
            const int16_t phase = app.Phase();
            if (phase != PhaseCode::Stopped && phase != PhaseCode::StopLayer) result = gLayer(layer).Rate;
            break;
        }
        default:
            break;
        }
    } catch (...) {
        gErr.HandleError();
    }
    return result;
}

}  // namespace modPhases
