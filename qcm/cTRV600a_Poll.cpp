// The reading poll: one reading set per tick from the library's ring, averaged over the
// filter window, with the sensors of each output combined and the crystal checks run.
#include "qcm/cTRV600a.h"

#include "platform/Clock.h"
#include "platform/Events.h"

#include <algorithm>

namespace {

// Offsets of the three tables in a sensor block.
constexpr size_t kRateAt = 0;
constexpr size_t kThicknessAt = 24;
constexpr size_t kFrequencyAt = 48;

// Clears a flag when the scope ends, whichever way it is left.
struct BusyScope {
    bool& flag;
    explicit BusyScope(bool& f) : flag(f) { flag = true; }
    ~BusyScope() { flag = false; }
};

}  // namespace

void cTRV600a::TRVTimer_Timer() {
    const double t = Timer();
    const int32_t n = GetReadings(SensorReadings_, OutputReadings_);
    if (n < 1) return;
    // Each tick takes one set, so a backlog drains one set per tick: the set taken now is
    // n - 1 periods older than the tick.
    emit TRVReading(SensorReadings_, OutputReadings_, n == 1 ? t : t - (n - 1) * Period_);
    // Analog sets are only wanted at their newest.
    int32_t m = GetAnalog(AnalogReadings_);
    while (m > 1) {
        DoEvents();
        m = GetAnalog(AnalogReadings_);
    }
    emit TRVAnalog(AnalogReadings_, t);
}

int32_t cTRV600a::GetReadings(TrvSensorReadings& Sensors, TrvOutputReadings& Outputs) {
    if (Polling_) return 0;
    BusyScope busy(Polling_);
    const int32_t n = Api().Kor500GetReadings(SensorRing_(BufferIndex_).data(), OutputRing_(BufferIndex_).data());
    if (n < 1) return n;

    std::array<int, kOutputs> count{};
    std::array<double, kOutputs> rateSum{}, thicknessSum{}, deviationSum{};
    const SensorBlock& newest = SensorRing_(BufferIndex_);
    double now = 0.0;  // asking the clock costs more than the rest of the pass
    for (int s = 0; s < kSensors; ++s) {
        double sum = 0.0;
        for (int slot = 1; slot <= BufferCount_; ++slot) sum += SensorRing_(slot)[kRateAt + size_t(s)];
        Sensors(s, 0) = sum / BufferCount_;
        Sensors(s, 3) = RateDeviation(s, Sensors(s, 0));
        Sensors(s, 1) = newest[kThicknessAt + size_t(s)];
        Sensors(s, 2) = newest[kFrequencyAt + size_t(s)];

        const int out = LoopOf(s);
        if (out >= 0 && Enabled(s) && NumSensorValid(s) && Tooling_(s) > 0) {
            ++count[size_t(out)];
            rateSum[size_t(out)] += Sensors(s, 0);
            deviationSum[size_t(out)] += Sensors(s, 3);
            thicknessSum[size_t(out)] += Sensors(s, 1);
        }
        CrystalCheck(s, Sensors(s, 2));
        StabilityCheck(s, Sensors(s, 2));
        if (Enabled(s) && out >= 0 && OutputMode_(out) == kAutomatic) {
            QualityCheck(s, Sensors(s, 3));
            ControlErrorCheck(out, Sensors(s, 3), now);
        }
    }

    for (int o = 0; o < kOutputs; ++o) {
        const size_t i = size_t(o);
        Outputs(o, 0) = count[i] == 0 ? 0.0 : rateSum[i] / count[i];
        Outputs(o, 1) = count[i] == 0 ? 0.0 : thicknessSum[i] / count[i];
        Outputs(o, 3) = count[i] == 0 ? 0.0 : deviationSum[i] / count[i];
        double power = 0.0;
        for (int slot = 1; slot <= BufferCount_; ++slot) power += OutputRing_(slot)[i];
        Outputs(o, 2) = 100 * power / BufferCount_;
    }

    if (BufferIndex_ != FilterSize_) {
        ++BufferIndex_;
        if (BufferCount_ < FilterSize_) BufferCount_ = BufferIndex_;
    } else {
        BufferIndex_ = 1;
    }
    return n;
}

int32_t cTRV600a::GetAnalog(TrvAnalogReadings& Analog) {
    // The output values that come with it belong to the slot after the last reading set
    // and are overwritten by the next one.
    const int32_t r = Api().Kor500GetAnReadings(AnalogRing_(BufferIndex_).data(), OutputRing_(BufferIndex_).data());
    if (r > 0) {
        for (int a = 0; a < kAnalogs; ++a) {
            double sum = 0.0;
            for (int slot = 1; slot <= BufferCount_; ++slot) sum += AnalogRing_(slot)[size_t(a)];
            Analog(a) = sum / BufferCount_;
        }
    }
    return r;
}

double cTRV600a::RateDeviation(int s, double rate) const {
    const int out = LoopOf(s);
    if (out < 0) return 0.0;
    const double setPoint = Rate_(out);
    if (setPoint != 0.0) return (rate - setPoint) * 100 / setPoint;
    return std::min(rate, 100.0);
}
