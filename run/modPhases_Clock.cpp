// The phase clock: elapsed and remaining time of the present phase and its percent.
#include "run/modPhases.h"
#include "run/modPhasesDetail.h"

#include "app/Globals.h"
#include "app/VBConv.h"
#include "app/cApp.h"
#include "app/cErrHandler.h"
#include "app/modUtil.h"
#include "platform/Clock.h"

namespace modPhases {

namespace {
// The clock shows at most a day less one second.
constexpr float kLongest = 86399.0f;

// The phases that start the phase clock on entry (RAMP 1 going on as SOAK 2). Any other
// phase has no time of its own: the start time left by an earlier phase (or none yet, 0,
// which would read as the time of day) is not its elapsed time.
bool Clocked(int16_t phase) {
    return (phase >= PhaseCode::Ramp1 && phase <= PhaseCode::Deposit) || phase == PhaseCode::IdleRamp ||
           phase == PhaseCode::Idle || phase == PhaseCode::Index;
}
}  // namespace

double PhaseElapsed() {
    if (!Clocked(RunApp().Phase())) return 0.0;
    // Across midnight the timer starts again at 0; the difference adds the day back.
    const float e = modUtil::TimeDiff(PhaseStartTime, Timer());
    if (e <= 0.0f) return 0.0;
    if (e >= kLongest) return kLongest;
    return e;
}

double PhaseRemaining() {
    if (!Clocked(RunApp().Phase())) return 0.0;
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
