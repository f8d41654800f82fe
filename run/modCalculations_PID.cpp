// The incremental PID control step of a channel's source output.
#include "app/Globals.h"
#include "app/SettingsGlobals.h"
#include "app/cApp.h"
#include "app/cErrHandler.h"
#include "run/modCalculations.h"
#include "run/modCalculationsDetail.h"
#include "unit/cORUN.h"

#include <cmath>

BoundedArray<double, 0, 7> gPIDErr0;
BoundedArray<double, 0, 7> gPIDErr1;
BoundedArray<double, 0, 7> gPIDErr2;
BoundedArray<int32_t, 0, 7> gPIDHold;

namespace modCalculations {

using namespace detail;

namespace {

// Steps held at the present power before one is computed, while the deviation stays at or
// above the channel's hold threshold.
constexpr int32_t kHeldSteps = 10;

// Counts the step against the channel's hold threshold; True when it is held.
bool HoldStep(double dev, int16_t ch) {
    const int16_t delta = DELTA(ch + 1);
    int32_t& hold = gPIDHold(ch);
    if (delta <= 0 || std::fabs(dev) < delta) {
        hold = 0;
    } else if (++hold > kHeldSteps) {
        hold = 0;
    }
    return hold != 0;
}

}  // namespace

void ResetPID(int16_t ch) {
    gPIDErr0(ch) = 0.0;
    gPIDErr1(ch) = 0.0;
    gPIDErr2(ch) = 0.0;
}

namespace {

double PIDStep(double dev, double dt, int16_t ch) {
    const int16_t film = RunApp().ChanFilm(ch);
    if (film < 1) return 0.0;
    const int16_t out = RunApp().ChanOutput(ch);
    if (out < 0) return 0.0;
    const FilmRec& f = gFilm(film);

    // The present power as the output's whole-number count gives it back, so a step
    // smaller than half a count leaves the output where it is.
    const double present = RunUnit().Power(out);
    if (HoldStep(dev, ch)) return present;

    gPIDErr2(ch) = gPIDErr1(ch);
    gPIDErr1(ch) = gPIDErr0(ch);
    gPIDErr0(ch) = dev;
    const double e0 = gPIDErr0(ch);
    const double e1 = gPIDErr1(ch);
    const double e2 = gPIDErr2(ch);
    const double p = e0 - e1;
    const double i = f.ITerm > 0.0 ? e0 * dt / f.ITerm : 0.0;
    const double d = dt > 0.0 ? (e0 - 2.0 * e1 + e2) * f.DTerm / dt : 0.0;
    const double stepPct = Checked(0.0001 * (f.PTerm * ((p + i) + d)) * 100.0);

    const double limit = f.SLEW_RATE * dt;
    if (stepPct > limit) return Checked(present + limit);
    if (stepPct < -limit) return Checked(present - limit);
    return present + stepPct;
}

}  // namespace

double CalcPIDPower(double& dev, double dt, int16_t ch) {
    return Reported("modCalc_CalcPIDPower", [&] { return PIDStep(dev, dt, ch); });
}

std::optional<double> PIDPowerValue(double dev, double dt, int16_t ch) {
    return Quiet([&] { return PIDStep(dev, dt, ch); });
}

}  // namespace modCalculations
