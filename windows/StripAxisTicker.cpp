#include "windows/StripAxisTicker.h"

#include <algorithm>
#include <cmath>

namespace {
// More ticks than this from a step would crowd the axis: a step this fine is no rule.
constexpr int kMaxStepTicks = 50;
}  // namespace

void StripAxisTicker::SetRule(bool logarithmic, double step) {
    logarithmic_ = logarithmic;
    step_ = !logarithmic && step > 0 && std::isfinite(step) ? step : 0.0;
}

void StripAxisTicker::generate(const QCPRange& range, const QLocale& locale, QChar formatChar, int precision,
                               QVector<double>& ticks, QVector<double>* subTicks, QVector<QString>* tickLabels) {
    if (step_ > 0 && range.size() / step_ <= kMaxStepTicks) {
        ticks.clear();
        for (int k = 0; k <= kMaxStepTicks; ++k) {
            const double t = range.lower + k * step_;
            if (t > range.upper) break;
            ticks.append(t);
        }
        if (subTicks) {
            *subTicks = createSubTickVector(getSubTickCount(step_), ticks);
            trimTicks(range, *subTicks, false);
        }
    } else {
        QCPAxisTicker& rule = logarithmic_ ? static_cast<QCPAxisTicker&>(decades_) : automatic_;
        rule.generate(range, locale, formatChar, precision, ticks, subTicks, nullptr);
    }
    if (labelEnds_) addEnds(range, ticks);
    if (tickLabels) *tickLabels = createLabelVector(ticks, locale, formatChar, precision);
}

// Distances are taken along the axis as drawn: in decades on a logarithmic axis.
void StripAxisTicker::addEnds(const QCPRange& range, QVector<double>& ticks) const {
    if (!(range.upper > range.lower)) return;
    const auto at = [&](double v) { return logarithmic_ ? std::log10(v) : v; };
    double gap = at(range.upper) - at(range.lower);
    for (qsizetype i = 1; i < ticks.size(); ++i) gap = std::min(gap, at(ticks[i]) - at(ticks[i - 1]));
    const double near = gap / 4;
    ticks.erase(std::remove_if(ticks.begin(), ticks.end(),
                               [&](double t) {
                                   return !(at(t) - at(range.lower) >= near && at(range.upper) - at(t) >= near);
                               }),
                ticks.end());
    ticks.prepend(range.lower);
    ticks.append(range.upper);
}
