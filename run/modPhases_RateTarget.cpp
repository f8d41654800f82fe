// The rate set point of a channel for its channel phase.
#include "app/cErrHandler.h"
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
        case 9:   // SHTR DLY
        case 10:  // DEPOSIT
        case 31:  // MAN RAMP
        case 32:  // CONSTANT
            result = gLayer(layer).Rate;
            break;
        case 30: {  // MAN POWER: no set point while the run stands still
            const int16_t phase = app.Phase();
            if (phase != 4 && phase != 18) result = gLayer(layer).Rate;
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
