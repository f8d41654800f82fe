// The rate set point of a channel for its channel phase: the layer's rate with its two
// thickness-triggered rate ramps, the operator's or remote client's manual ramp, and the
// constant rate.
#include "app/cErrHandler.h"
#include "app/modUtil.h"
#include "data/ProcessRec.h"
#include "platform/Clock.h"
#include "run/ChannelData.h"
#include "run/PhaseCode.h"
#include "run/RunObjects.h"
#include "run/modPhases.h"
#include "run/modPhasesDetail.h"

namespace modPhases {

namespace {

// The layer's rate and its ramps: a ramp begins when the channel's thickness reaches its
// threshold and runs from the value measured at that moment to the ramp's rate.
double LayerRampTarget(int16_t ch, const LayerRec& layer) {
    int16_t& stage = RateRampStage(ch);
    if (!RateRampActive(ch)) {
        const double thick = gChanTotal(ch) + gChanTotalCarry(ch);
        const double threshold = stage == 0 ? layer.Ramp1Thick : stage == 1 ? layer.Ramp2Thick : 0.0;
        if (threshold == 0.0 || thick < threshold) return stage == 0 ? layer.Rate : stage == 1 ? layer.Ramp1Rate : layer.Ramp2Rate;
        ++stage;
        RateRampActive(ch) = true;
        RateRampStartTime(ch) = PhaseElapsed();
        RateRampStartRate(ch) = gChanUser(ch);
    }
    const double T = stage == 1 ? layer.Ramp1Time : layer.Ramp2Time;
    const double R = stage == 1 ? layer.Ramp1Rate : layer.Ramp2Rate;
    const double t = PhaseElapsed() - RateRampStartTime(ch);
    if (t < T && T != 0.0) return RateRampStartRate(ch) + t * (R - RateRampStartRate(ch)) / T;
    RateRampActive(ch) = false;
    return R;
}

// The manual ramp from ManRampFromRate towards ManRampToRate at ManRampSlope per second;
// on its target it ends, the layer keeps the target as its rate and the channel deposits.
// A ramp without a slope would never get there: it is at its target at once.
double ManualRampTarget(int16_t ch, LayerRec& layer) {
    const double from = layer.ManRampFromRate;
    const double to = layer.ManRampToRate;
    const double slope = layer.ManRampSlope;
    const double t = modUtil::TimeDiff(static_cast<float>(layer.ManRampStart), Timer());
    bool reached = slope <= 0.0;
    double target = to;
    if (!reached) {
        if (from <= to) {
            target = from + t * slope;
            reached = target >= to;
        } else {
            target = from - t * slope;
            reached = target <= to;
        }
    }
    if (!reached) return target;
    layer.Rate = to;
    RunApp().setChanPhase(ch, PhaseCode::Deposit);
    return to;
}

}  // namespace

double RateTarget(int16_t ch) {
    ORUN_PROC("modPhases_RateTarget");
    double result = 0.0;
    try {
        cApp& app = RunApp();
        LayerRec* layer = ChanLayerRec(ch);
        if (!layer) return result;
        switch (app.ChanPhase(ch)) {
        case PhaseCode::ShutterDelay:
        case PhaseCode::Deposit:
        // A channel calibrating against its quartz monitor goes on depositing at the rate
        // it would have in DEPOSIT.
        case PhaseCode::QcmCal: result = LayerRampTarget(ch, *layer); break;
        case PhaseCode::ManPower: {  // MAN POWER: no set point while the run stands still
            const int16_t phase = app.Phase();
            if (phase != PhaseCode::Stopped && phase != PhaseCode::StopLayer) result = layer->Rate;
            break;
        }
        case PhaseCode::ManRamp: result = ManualRampTarget(ch, *layer); break;
        case PhaseCode::Constant: result = layer->Rate; break;
        default: break;  // HOLD POWER and the phases without a set point
        }
    } catch (...) {
        gErr.HandleError();
    }
    return result;
}

}  // namespace modPhases
