// The channel calculations of rate, display value, deviation, ratio and thickness.
#include "run/modCalculations.h"

#include "app/ChannelData.h"
#include "app/Globals.h"
#include "app/PhaseCode.h"
#include "app/cApp.h"
#include "app/cErrHandler.h"
#include "app/modUtil.h"
#include "platform/Clock.h"
#include "run/modCalculationsDetail.h"
#include "run/modPhases.h"

#include <array>

double gLastMeterTime = 0.0;

namespace modCalculations {

using namespace detail;

namespace {

// Channel phases in which a channel follows a rate set point.
bool FollowsSetPoint(int16_t chanPhase) {
    switch (chanPhase) {
    case PhaseCode::ShutterDelay:
    case PhaseCode::Deposit:
    case PhaseCode::ManPower:
    case PhaseCode::ManRamp:
    case PhaseCode::Constant:
        return true;
    default:
        return false;
    }
}

struct CrossChannel {
    int16_t chan;
    double percent;
};

std::array<CrossChannel, 4> CrossChannels(const LayerRec& layer) {
    return {{{layer.XCH1, layer.XCh1Percent},
             {layer.XCH2, layer.XCh2Percent},
             {layer.XCH3, layer.XCh3Percent},
             {layer.XCH4, layer.XCh4Percent}}};
}

// Whether a cross channel takes part: it must serve a layer in the active process. -1
// means "none"; any other channel outside 0..7 is an error of the layer record.
bool ServesLayer(int16_t chan) {
    if (chan == -1) return false;
    if (!BoundedArray<int, 0, 7>::inRange(chan)) throw RuntimeError::SubscriptOutOfRange();
    return RunApp().ChanLayer(chan) > 0;
}

// The rate of a channel with cross-channel correction: only the emission detector is
// corrected (by the mode's rule); quartz and analog readings pass unchanged.
template <typename Correction>
double CrossCorrectedRate(int16_t ch, Correction correction) {
    const int16_t film = RunApp().ChanFilm(ch);
    if (film < 1) return 0.0;
    const FilmRec& f = gFilm(film);
    if (IsEmission(f.Input_Type)) return Checked(correction(f, gLayer(RunApp().ChanLayer(ch))));
    if (IsMeasured(f.Input_Type)) return Checked(gChanReading(ch));
    return 0.0;
}

// The values themselves; an arithmetic fault or a bad record throws.
double RateFilterValue(int16_t ch) {
    const int16_t film = RunApp().ChanFilm(ch);
    if (film < 1) return 0.0;
    const FilmRec& f = gFilm(film);
    const double average = gChanRateFilter(ch).Average();
    if (IsEmission(f.Input_Type)) return Checked(Calibrated(average, f));
    if (IsMeasured(f.Input_Type)) return Checked(average);
    return 0.0;
}

double XChanRateValue(int16_t ch) {
    return CrossCorrectedRate(ch, [ch](const FilmRec& f, const LayerRec& layer) {
        double r = Calibrated(gChanReading(ch), f);
        // Each cross channel's share is of its own filtered rate, calibrated with its own
        // film.
        for (const CrossChannel& x : CrossChannels(layer)) {
            if (ServesLayer(x.chan)) r -= x.percent * RateFilterValue(x.chan) * 0.01;
        }
        return r;
    });
}

double XChanCurentRateValue(int16_t ch) {
    return CrossCorrectedRate(ch, [ch](const FilmRec& f, const LayerRec& layer) {
        // The shares come off the raw value, before this channel's calibration.
        double v = gChanReading(ch);
        for (const CrossChannel& x : CrossChannels(layer)) {
            if (ServesLayer(x.chan)) v -= x.percent * gChanRateFilter(x.chan).Average() * 0.01;
        }
        return Calibrated(v, f);
    });
}

double ChanUserOrThrow(int16_t ch) {
    const int16_t film = RunApp().ChanFilm(ch);
    if (film < 1) return 0.0;
    const FilmRec& f = gFilm(film);
    // An input without a measurement has no display value either.
    if (!IsMeasured(f.Input_Type)) return 0.0;
    double r = 0.0;
    switch (gLayer(RunApp().ChanLayer(ch)).XChMode) {
    case 0: r = XChanCurentRateValue(ch); break;
    case 1: r = XChanRateValue(ch); break;
    default: return 0.0;
    }
    return Checked((r - f.UnitsOffset) * f.UnitsCal);
}

}  // namespace

double CalcChanRateFilter(int16_t ch) {
    return Reported("modCalc_CalcChanRateFilter", [ch] { return RateFilterValue(ch); });
}

double CalcXChanRate(int16_t ch) {
    return Reported("modCalc_CalcXChanRate", [ch] { return XChanRateValue(ch); });
}

double CalcXChanCurentRate(int16_t ch) {
    return Reported("modCalc_CalcXChanCurentRate", [ch] { return XChanCurentRateValue(ch); });
}

double CalcChanUser(int16_t ch) {
    return Reported("modCalc_CalcChanUser", [ch] { return ChanUserOrThrow(ch); });
}

std::optional<double> ChanUserValue(int16_t ch) {
    return Quiet([ch] { return ChanUserOrThrow(ch); });
}

double CalcChanDev(int16_t ch) {
    ORUN_PROC("modCalc_CalcChanDev");
    double result = 0.0;
    try {
        const int16_t film = RunApp().ChanFilm(ch);
        if (film < 1) return result;
        const double target = modPhases::RateTarget(ch);
        if (!FollowsSetPoint(RunApp().ChanPhase(ch)) || target == 0.0) return result;
        result = Checked((gChanUser(ch) - target) * 100.0 / target);
    } catch (...) {
        gErr.HandleError();
    }
    return result;
}

double CalcChanRatio(int16_t ch) {
    ORUN_PROC("modCalc_CalcChanRatio");
    double result = 0.0;
    try {
        const int16_t film = RunApp().ChanFilm(ch);
        if (film < 1) return result;
        const LayerRec& layer = gLayer(RunApp().ChanLayer(ch));
        if (layer.RatioChan < 0) return result;
        const double d = gChanUser(layer.RatioChan) * layer.RatioMult;
        // Without a denominator nothing is filtered, so the shown ratio is not pulled
        // towards 0 while the ratio channel reads nothing.
        if (d == 0.0) return result;
        const double s = Checked(gChanUser(ch) * layer.ChanMult / d);
        cFilter& filter = gChanRatioFilter(ch);
        filter.Push(s);
        result = filter.Average();
    } catch (...) {
        gErr.HandleError();
    }
    return result;
}

double CalcChanThick(int16_t ch) {
    ORUN_PROC("modCalc_CalcChanThick");
    double result = 0.0;
    try {
        const int16_t film = RunApp().ChanFilm(ch);
        if (film < 1) return result;
        const FilmRec& f = gFilm(film);
        const float e = modUtil::TimeDiff(static_cast<float>(gLastMeterTime), Timer());
        const auto integrated = [&] { return Checked(gChanTotal(ch) + e * gChanUser(ch) * 0.001); };
        if (RunApp().ChanPhase(ch) == PhaseCode::HoldPower && RunApp().Phase() == PhaseCode::Deposit) {
            // HOLD POWER during DEPOSIT: the held channel's rate still counts.
            result = integrated();
        } else if (IsEmission(f.Input_Type)) {
            result = integrated();
        } else if (IsQuartz(f.Input_Type)) {
            // The quartz monitor's own thickness is stored with each of its readings.
            result = gChanTotal(ch);
        }
    } catch (...) {
        gErr.HandleError();
    }
    return result;
}

}  // namespace modCalculations
