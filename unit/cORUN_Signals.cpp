// Channel signals, flux and the two-point PMT calibration.
//
// A channel's counts become signals through a straight line per integration (0 for the
// main and gas counts, 1 for the background counts) that maps the counts measured at the
// two bias values back onto those values: a reading equal to the high-point counts gives
// a signal of 0, one equal to the low-point counts CalHiBias - CalLoBias.
#include "unit/cORUN.h"

#include "app/VBConv.h"
#include "app/cErrHandler.h"
#include "app/modWait.h"
#include "platform/RuntimeError.h"
#include "unit/ExitRule.h"

#include <QPointer>
#include <cmath>

namespace {

int32_t AddChecked(int32_t a, int32_t b) {
    int32_t sum = 0;
    if (__builtin_add_overflow(a, b, &sum)) throw RuntimeError::Overflow();
    return sum;
}

double Limited0To100(double v) {
    if (v >= 100.0) return 100.0;
    if (v <= 0.0) return 0.0;
    return v;
}

}  // namespace

// ---- Calibrated signals, computed from the channel's last reading ----

double cORUN::I1_Total(int ch) const {
    return CalHiBias_ - (CalSlope_(ch)(0) * Reading_(ch)(0) + CalIntercept_(ch)(0));
}

double cORUN::I2_Total(int ch) const {
    const int32_t gas = Reading_(ch)(4);
    if (Version_ < 200) return 0.0;
    return CalHiBias_ - (CalSlope_(ch)(0) * gas + CalIntercept_(ch)(0));
}

double cORUN::I3_Bkg(int ch) const {
    return CalHiBias_ - (CalSlope_(ch)(1) * Reading_(ch)(2) + CalIntercept_(ch)(1));
}

double cORUN::ChanFlux(int ch) const { return ChanFlux_(ch); }
double cORUN::ChanPercent(int ch) const { return Limited0To100(ChanPercent_(ch)); }
double cORUN::GasPercent(int ch) const { return Limited0To100(GasPercent_(ch)); }

double cORUN::FluxOf(int ch, const PerIntegration& s, const PerIntegration& b, double c0, double c2, double c4) const {
    const double hi = CalHiBias_;
    const double bkg = hi - (s(1) * c2 + b(1));
    const double x = (hi - (s(0) * c0 + b(0))) - bkg;
    // Old firmware counts fall as the light rises.
    if (Version_ < 200) return -x;
    const double y = (hi - (s(0) * c4 + b(0))) - bkg;
    const int32_t sensor = SensorMap_(ch);
    // Only the two gas sensors carry a factor; a map to any other sensor has none.
    const double gasCal = (sensor == 0 || sensor == 1) ? GasCal(sensor) : 0.0;
    return GasCalEnabled_ ? x - gasCal * y : x;
}

namespace {

// The converter's counts are 32-bit.
constexpr double kCountsLow = -2147483648.0;
constexpr double kCountsTop = 2147483647.0;

// A count that a line's algebra gives back from a stored slope and intercept carries the
// rounding of both: half a count is still that count.
bool WithinCounts(double counts) { return counts >= kCountsLow - 0.5 && counts <= kCountsTop + 0.5; }

}  // namespace

bool cORUN::LineMeasurable(double slope, double intercept) const {
    if (!std::isfinite(slope) || !std::isfinite(intercept)) return false;
    const double hiBias = CalHiBias_;
    // Equal counts at both biases: the line of a flat integration, nothing else.
    if (slope == 0.0) return intercept == hiBias;
    const double span = hiBias - CalLoBias_;
    // The count difference between the two points, and the counts at each: whole counts
    // of the converter's range, at least one apart.
    const double difference = span / slope;
    const double hiCounts = (hiBias - intercept) / slope;
    const double loCounts = hiCounts - difference;
    return std::isfinite(difference) && std::fabs(difference) >= 1.0 - 1e-9 && WithinCounts(hiCounts) &&
           WithinCounts(loCounts);
}

bool cORUN::LinesSound(int ch, const PerIntegration& s, const PerIntegration& b) const {
    for (int i = 0; i <= 1; ++i)
        if (!LineMeasurable(s(i), b(i))) return false;
    // The signal's counts must follow the bias; the background's may not (no background).
    if (s(0) == 0.0) return false;
    // Every corner of the converter's range gives a number (a gas factor included).
    for (double c0 : {kCountsLow, kCountsTop})
        for (double c2 : {kCountsLow, kCountsTop})
            if (!std::isfinite(FluxOf(ch, s, b, c0, c2, c0))) return false;
    return true;
}

bool cORUN::CalibrationSound(int ch) const {
    return PerChannel<int32_t>::inRange(ch) && LinesSound(ch, CalSlope_(ch), CalIntercept_(ch));
}

// Runs for every reading of a channel while no calibration is in progress.
void cORUN::UpdateFlux(int ch) {
    const BoundedArray<int32_t, 0, 5>& r = Reading_(ch);
    ChanFlux_(ch) = FluxOf(ch, CalSlope_(ch), CalIntercept_(ch), r(0), r(2), r(4));
    if (Version_ < 200) return;  // the percentages are left as they were
    // A zero high bias (a configuration value) would make the percentages meaningless;
    // they are then left as they were.
    if (CalHiBias_ == 0) return;
    ChanPercent_(ch) = I1_Total(ch) * 100.0 / CalHiBias_;
    GasPercent_(ch) = I2_Total(ch) * 100.0 / CalHiBias_;
}

// ---- Two-point calibration ----

void cORUN::setCalChan(int ch) {
    if (ch >= 0) {
        // A channel the unit does not have is refused before anything changes, so the
        // flux of the other channels never freezes on a calibration that cannot run.
        if (!PerChannel<int32_t>::inRange(ch)) throw RuntimeError::SubscriptOutOfRange();
        if (!ExitRule::Allows(ExitRule::Act::Calibration, Terminating_)) return;
        if (CalChan_ >= 0 && RdgType_ != RdgType::Normal) RestoreCalibration();
        KeepCalibration(ch);
        CalChan_ = ch;
        CalRefused_ = false;
        RdgType_ = RdgType::AwaitingAck;
        CalNextState_ = RdgType::LowPoint;
        const QString c = vb::CStr(ch + 1);
        // The PMT is switched off for the measurement whether or not the channel is
        // active, so no light reaches the converter while the bias is injected.
        setCommand(QLatin1Char('H') + c + QStringLiteral(",0"));
        PMTVoltsSent_(ch) = 0;
        // The settling wait lets every event run; the link may be released meanwhile.
        const QPointer<cORUN> self(this);
        ++Waiting_;
        modWait::Wait(OrunTiming::PmtOffSettleMs);
        if (!self) return;
        --Waiting_;
        // The calibration was ended (a time-out, the window closed) or another began
        // meanwhile: this one's bias is no longer wanted.
        if (CalChan_ != ch) return;
        if (ChanActive(ch)) setCommand(QLatin1Char('C') + c + QLatin1Char(',') + vb::CStr(static_cast<int>(CalLoBias_)));
        return;
    }
    // End: the calibrated channel gets its PMT volts back; ended before its high point was
    // taken, it keeps the calibration it had (not the low point measured meanwhile).
    const int ended = CalChan_;
    if (RdgType_ != RdgType::Normal) RestoreCalibration();
    CalKept_.ch = -1;
    CalChan_ = ch;
    RdgType_ = RdgType::Normal;
    if (PerChannel<int32_t>::inRange(ended)) setPMTVolts(ended, PMTVolts_(ended));
}

void cORUN::KeepCalibration(int ch) {
    CalKept_.ch = ch;
    for (int i = 0; i <= 1; ++i) {
        CalKept_.lo[i] = CalLoCounts_(ch)(i);
        CalKept_.hi[i] = CalHiCounts_(ch)(i);
        CalKept_.slope[i] = CalSlope_(ch)(i);
        CalKept_.intercept[i] = CalIntercept_(ch)(i);
    }
}

void cORUN::RestoreCalibration() {
    const int ch = CalKept_.ch;
    if (!PerChannel<int32_t>::inRange(ch)) return;
    for (int i = 0; i <= 1; ++i) {
        CalLoCounts_(ch)(i) = CalKept_.lo[i];
        CalHiCounts_(ch)(i) = CalKept_.hi[i];
        CalSlope_(ch)(i) = CalKept_.slope[i];
        CalIntercept_(ch)(i) = CalKept_.intercept[i];
    }
    CalKept_.ch = -1;
}

void cORUN::setCalHiBias(double value) { CalHiBias_ = vb::CLng(value); }
void cORUN::setCalLoBias(double value) { CalLoBias_ = vb::CLng(value); }

// The unit took a bias value: the point it belongs to starts now.
void cORUN::CalAcknowledge() {
    if (RdgType_ != RdgType::AwaitingAck) return;
    CalSum_[0] = 0;
    CalSum_[1] = 0;
    CalCount_ = 0;
    RdgType_ = CalNextState_;
}

// One reading of the channel under calibration. A point is the mean of CalPackets
// readings after one discarded reading (the first one may still carry the old bias).
void cORUN::CalSlopeIntercept(int ch) {
    const ProcTrace trace(Err(), QStringLiteral("cORUN_CalSlopeIntercept"));
    try {
        const int32_t main = Reading_(ch)(0);
        const int32_t background = Reading_(ch)(2);
        if (CalCount_ < CalPackets_(ch)) {
            if (CalCount_ == 0) {
                CalCount_ = 1;
            } else {
                const int32_t sum0 = AddChecked(CalSum_[0], main);
                const int32_t sum1 = AddChecked(CalSum_[1], background);
                CalSum_[0] = sum0;
                CalSum_[1] = sum1;
                ++CalCount_;
            }
            return;
        }
        int32_t v0 = main;
        int32_t v1 = background;
        if (CalCount_ != 0) {
            // Integer division truncates toward zero, as the point's mean is defined.
            v0 = AddChecked(main, CalSum_[0]) / CalCount_;
            v1 = AddChecked(background, CalSum_[1]) / CalCount_;
        }
        if (RdgType_ == RdgType::LowPoint) {
            CalLoCounts_(ch)(0) = v0;
            CalLoCounts_(ch)(1) = v1;
            RdgType_ = RdgType::AwaitingAck;
            CalNextState_ = RdgType::HighPoint;
            if (ChanActive(ch))
                setCommand(QLatin1Char('C') + vb::CStr(ch + 1) + QLatin1Char(',') +
                           vb::CStr(static_cast<int>(CalHiBias_)));
            return;
        }
        const CountsPerIntegration hiCounts = [&] {
            CountsPerIntegration c;
            c(0) = v0;
            c(1) = v1;
            return c;
        }();
        PerIntegration slope;
        PerIntegration intercept;
        for (int i = 0; i <= 1; ++i) {
            const int32_t hi = hiCounts(i);
            const int32_t lo = CalLoCounts_(ch)(i);
            // Equal counts give a flat line rather than a division by zero; the
            // difference is taken in floating point so that no count pair overflows.
            slope(i) = hi == lo ? 0.0 : (static_cast<double>(CalHiBias_) - CalLoBias_) / (static_cast<double>(hi) - lo);
            intercept(i) = CalHiBias_ - hi * slope(i);
        }
        // The one rule START asks: a signal whose counts did not follow the bias measured
        // nothing; a flat background is a channel without one.
        if (!LinesSound(ch, slope, intercept)) {
            // No calibration: the channel keeps the one it had, its counts included.
            RestoreCalibration();
            CalRefused_ = true;
        } else {
            CalHiCounts_(ch) = hiCounts;
            CalSlope_(ch) = slope;
            CalIntercept_(ch) = intercept;
        }
        RdgType_ = RdgType::Normal;
    } catch (...) {
        Err().HandleError();
    }
}
