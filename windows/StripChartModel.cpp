#include "windows/StripChartModel.h"

#include "data/GraphRec.h"
#include "platform/RuntimeError.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

namespace {

constexpr double kHole = std::numeric_limits<double>::quiet_NaN();
constexpr double kSecondsPerDay = 86400.0;

}  // namespace

StripChartModel::StripChartModel() { SetNumPoints(1000); }

size_t StripChartModel::index(int group, int series) {
    if (group < 1 || group > kGroups || series < 1 || series > kSeries) throw RuntimeError::SubscriptOutOfRange();
    return static_cast<size_t>((group - 1) * kSeries + (series - 1));
}

// The slots past the last point are never read, so nothing is written to empty them: a
// start of layer at the largest point count costs no pass over the rows.
void StripChartModel::Clear() {
    start_ = 0;
    lastPoint_ = 0;
    nextPoint_ = 0;
    lastTime_ = 0.0;
}

void StripChartModel::SetNumPoints(int32_t points) {
    numPoints_ = std::clamp<int32_t>(points, 1, kMaxPoints);
    x_.resize(static_cast<size_t>(numPoints_));
    for (auto& series : y_) series.resize(static_cast<size_t>(numPoints_));
    extremes_.Resize(1 + std::size(y_), static_cast<size_t>(numPoints_));
    Clear();
}

void StripChartModel::written(size_t slot) {
    const double* rows[1 + kGroups * kSeries];
    rows[0] = x_.data();
    for (size_t r = 0; r < std::size(y_); ++r) rows[1 + r] = y_[r].data();
    extremes_.Written(slot, rows);
}

void StripChartModel::SetXRange(double min, double max) {
    xMin_ = min;
    xMax_ = max;
}

double StripChartModel::X(int32_t point) const {
    if (point < 1 || point > numPoints_) throw RuntimeError::SubscriptOutOfRange();
    return point <= lastPoint_ ? x_[Slot(point)] : kHole;
}

double StripChartModel::Y(int group, int series, int32_t point) const {
    if (point < 1 || point > numPoints_) throw RuntimeError::SubscriptOutOfRange();
    const std::vector<double>& row = y_[index(group, series)];
    return point <= lastPoint_ ? row[Slot(point)] : kHole;
}

double StripChartModel::UnitSeconds(int32_t units) {
    switch (units) {
    case 1: return 60.0;
    case 2: return 3600.0;
    default: return 1.0;
    }
}

int32_t StripChartModel::KeepOnShift(int32_t points, int32_t xScroll) {
    const double share = xScroll == 0 ? 0.01 : xScroll / 4.0;
    const double dropped = std::nearbyint(points * share);  // half to even
    const double keep = points - dropped;
    // A row that let nothing go would have no room for the next point.
    return static_cast<int32_t>(std::clamp(keep, 0.0, static_cast<double>(points - 1)));
}

bool StripChartModel::Follow(double now, int32_t xScroll) {
    if (!(now > std::nearbyint(xMax_))) return false;
    const double span = xMax_ - xMin_;
    const double step = xScroll == 0 ? span * 0.01 : xScroll * span / 4.0;
    // An axis without a positive span (or a scroll setting below zero) would never get
    // past the point: it stays where it is.
    if (!(span > 0.0) || !(step > 0.0)) return false;
    const double steps = std::max(0.0, std::floor((now - xMax_) / step));
    if (!std::isfinite(steps)) return false;
    double max = xMax_ + steps * step;
    for (int i = 0; i < 4 && max <= now; ++i) max += step;
    if (max <= now) return false;  // steps too fine to count
    xMax_ = max;
    xMin_ = max - span;
    return true;
}

StripChartModel::Plot StripChartModel::Reading(double Time, std::span<const double> Readings, const GraphRec& Rec) {
    Plot plot;
    if (hold_ || !std::isfinite(Time)) return plot;

    // A time before the newest point's is taken as one after midnight.
    if (Time < lastTime_) lastTime_ -= kSecondsPerDay;
    const double unit = UnitSeconds(Rec.XUnits);
    const double now = Time / unit;
    const double elapsed = (Time - lastTime_) / unit;

    if (nextPoint_ != 0 && !(elapsed >= (xMax_ - xMin_) / numPoints_)) return plot;
    if (nextPoint_ == 0) lastPoint_ = 0;

    if (lastPoint_ >= numPoints_) {
        // The newest keep points become points 1..keep; the slots of the others take the
        // points that follow.
        const int32_t keep = KeepOnShift(numPoints_, Rec.XScroll);
        start_ = static_cast<int32_t>(Slot(numPoints_ - keep + 1));
        nextPoint_ = keep + 1;
        lastPoint_ = keep;
        plot.shifted = true;
    } else {
        ++nextPoint_;
    }
    plot.axisMoved = Follow(now, Rec.XScroll);

    const size_t at = Slot(nextPoint_);
    x_[at] = now;
    for (auto& series : y_) series[at] = kHole;
    auto value = [&](int element) { return element < static_cast<int>(Readings.size()) ? Readings[element] : kHole; };
    for (int c = 0; c < kSeries; ++c) {
        if (!(Rec.Channels & (1 << c))) continue;
        if (Rec.Data == GraphDataKind::Sensor) {
            y_[index(1, c + 1)][at] = value(c);
            y_[index(2, c + 1)][at] = value(c + 8);
        } else {
            y_[index((Rec.ChanAxis & (1 << c)) ? 2 : 1, c + 1)][at] = value(c);
        }
    }
    written(at);
    lastPoint_ = nextPoint_;
    lastTime_ = Time;
    plot.added = true;
    return plot;
}

void StripChartModel::ConvertX(int32_t fromUnits, int32_t toUnits) {
    const double from = UnitSeconds(fromUnits), to = UnitSeconds(toUnits);
    for (int32_t p = 1; p <= lastPoint_; ++p) {
        double& x = x_[Slot(p)];
        if (!std::isnan(x)) x = x * from / to;
    }
    extremes_.Rescan(0, x_.data());
}
