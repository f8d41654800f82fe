// The phase clock: elapsed and remaining time of the present phase and its percent.
#include "run/modPhases.h"
#include "run/modPhasesDetail.h"

#include "app/VBConv.h"
#include "app/cErrHandler.h"
#include "app/modUtil.h"
#include "platform/Clock.h"
#include "run/RunObjects.h"

namespace modPhases {

namespace {
// The clock shows at most a day less one second.
constexpr float kLongest = 86399.0f;
}  // namespace

double PhaseElapsed() {
    const int16_t phase = RunApp().Phase();
    if (phase == PhaseCode::Stopped || phase == PhaseCode::StopLayer) return 0.0;
    // Across midnight the timer starts again at 0; the difference adds the day back.
    const float e = modUtil::TimeDiff(PhaseStartTime, Timer());
    if (e <= 0.0f) return 0.0;
    if (e >= kLongest) return kLongest;
    return e;
}

double PhaseRemaining() {
    const double r = PhaseDuration - PhaseElapsed();
    if (r <= 0.0) return 0.0;
    if (r > kLongest) return kLongest;
    return r;
}

double PhasePercent() {
    ORUN_PROC("modPhases_PhasePercent");
    double result = 0.0;
    try {
        switch (RunApp().Phase()) {
        case PhaseCode::Ramp1:
        case PhaseCode::Soak1:
        case PhaseCode::Ramp2:
        case PhaseCode::Soak2:
        case PhaseCode::ShutterDelay:
        case PhaseCode::Deposit:
        case PhaseCode::IdleRamp:
        case PhaseCode::Idle: break;
        default: return result;
        }
        bool anyFilm = false;
        for (int16_t ch = 0; ch <= 7 && !anyFilm; ++ch) anyFilm = RunApp().ChanFilm(ch) >= 1;
        if (!anyFilm) return result;
        const double e = PhaseElapsed();
        const double r = PhaseRemaining();
        const double f = (e <= 0.0 || e + r == 0.0) ? 0.0 : e / (e + r);
        if (f <= 0.0)
            result = 0.0;
        else if (f >= 1.0)
            result = 100.0;
        else
            result = vb::Round(f * 100.0);  // halves to even
    } catch (...) {
        gErr.HandleError();
    }
    return result;
}

}  // namespace modPhases
