#include "unitsim/UnitPlant.h"

#include <algorithm>
#include <cmath>
#include <iterator>

double DriveOfCode(int32_t code) {
    const double volts = (code - 32767.0) / 32767.0 * 10.0;
    return std::clamp(volts / 10.0, 0.0, 1.0);
}

void UnitPlant::Advance(int64_t nowMs, const double drive[8]) {
    if (lastMs_ < 0 || nowMs < lastMs_) {
        lastMs_ = nowMs;
        return;
    }
    const double dt = (nowMs - lastMs_) / 1000.0;
    lastMs_ = nowMs;
    const double k = params.lagSeconds > 0 ? 1.0 - std::exp(-dt / params.lagSeconds) : 1.0;
    for (int ch = 0; ch < 8; ++ch) level_[ch] += (drive[ch] - level_[ch]) * k;
}

ChannelCounts UnitPlant::Counts(int ch, int32_t pmtVolts, int32_t bias, bool newFirmware) const {
    const double gain = std::max(0, pmtVolts) / 1000.0;
    const double signal = gain * params.signalFull * level_[ch & 7];
    const double gas = newFirmware ? gain * params.gasLight : 0.0;
    const double bk = gain * params.background;
    const double sign = newFirmware ? 1.0 : -1.0;
    auto toCountsAt = [&](double offset, double light) {
        const double c = params.countsPerUnit * (offset + sign * light);
        return static_cast<int32_t>(std::lround(std::clamp(c, 0.0, 2.0e9)));
    };
    const double offset = params.biasSpan - bias;
    auto toCounts = [&](double light) { return toCountsAt(offset, light); };
    ChannelCounts out;
    out.main = toCounts(signal + gas + bk);
    out.background = params.flatBackground ? toCountsAt(params.biasSpan / 2.0, bk) : toCounts(bk);
    out.gas = newFirmware ? toCounts(gas + bk) : 0;
    return out;
}

void UnitPlant::Reset() {
    std::fill(std::begin(level_), std::end(level_), 0.0);
    lastMs_ = -1;
}
