// The checks run on every reading set: crystal failures, frequency stability, rate
// quality per sensor and the control error per output, and the routines that set or
// clear a status bit and report it.
#include "qcm/cTRV600a.h"

#include "app/VBConv.h"
#include "platform/Clock.h"

#include <cmath>

namespace {

// A frequency as whole hertz, halves to even; a value no Long holds (never a real
// frequency) saturates instead of stopping the poll.
int32_t wholeHertz(double f) {
    if (std::isnan(f)) return 0;
    if (f >= 2147483647.0) return INT32_MAX;
    if (f <= -2147483648.0) return INT32_MIN;
    return vb::CLng(f);
}

bool bitSet(int16_t word, int bit) { return (word & (1 << bit)) != 0; }

}  // namespace

void cTRV600a::CrystalCheck(int s, double frequency) {
    const int out = LoopOf(s);
    if (out < 0 || SensorFailLimit_(out) < 1) return;
    const int32_t limit = SensorFailLimit_(out);
    int32_t& fails = FailCount_(s);
    // The library marks a failed measurement with a negative frequency.
    if (frequency < 0) {
        if (fails < limit && ++fails == limit) SetSensorStatus(s, kCrystalFailure, true);
    } else if (fails > 0 && --fails == 0) {
        SetSensorStatus(s, kCrystalFailure, false);
    }
}

void cTRV600a::StabilityCheck(int s, double frequency) {
    const int out = LoopOf(s);
    const int16_t word = SensorErrorWord_(s);
    if (out >= 0 && Enabled(s) && !bitSet(word, kCrystalFailure) &&
        (SensorStabilitySingle_(out) >= 1 || SensorStabilityLimit_(out) >= 1)) {
        if (LastFrequency_(s) == 0) LastFrequency_(s) = wholeHertz(frequency);
        const double rise = frequency - LastFrequency_(s);
        if (rise > 0) {
            if (!bitSet(word, kStabilitySingle) && SensorStabilitySingle_(out) > 0 &&
                rise > SensorStabilitySingle_(out))
                SetSensorStatus(s, kStabilitySingle, true);
            if (!bitSet(SensorErrorWord_(s), kStabilitySum)) {
                StabilitySum_(s) = wholeHertz(StabilitySum_(s) + rise);
                if (SensorStabilityLimit_(out) > 0 && StabilitySum_(s) >= SensorStabilityLimit_(out))
                    SetSensorStatus(s, kStabilitySum, true);
            }
        }
    }
    LastFrequency_(s) = wholeHertz(frequency);
}

void cTRV600a::QualityCheck(int s, double deviation) {
    const int out = LoopOf(s);
    if (out < 0 || !Enabled(s)) return;
    const int16_t word = SensorErrorWord_(s);
    if (bitSet(word, kCrystalFailure) || bitSet(word, kQualityFailure) || SensorQuality_(out) <= 0 ||
        SensorQualityLimit_(out) <= 0)
        return;
    auto& history = QualityHistory_(s);
    history[size_t(QualityIndex_(s))] = deviation;
    QualityIndex_(s) = (QualityIndex_(s) + 1) % kQualityHistory;
    double sum = 0.0;
    for (double d : history) sum += d;
    const double mean = std::fabs(sum) / kQualityHistory;
    int32_t& count = QualityCount_(s);
    if (mean >= SensorQuality_(out)) {
        if (count < SensorQualityLimit_(out) && ++count == SensorQualityLimit_(out))
            SetSensorStatus(s, kQualityFailure, true);
    } else if (count > 0) {
        --count;
    }
}

void cTRV600a::ControlErrorCheck(int out, double dev, double& now) {
    if (ControlError_(out) <= 0 || ControlErrorLimit_(out) <= 0 || bitSet(OutputStatus_(out), kControlError))
        return;
    if (now == 0) now = vb::DateSerialOf(Now());
    // Any sensor of the output within tolerance restarts the time.
    if (ControlErrorStart_(out) == 0 || std::fabs(dev) <= ControlError_(out)) ControlErrorStart_(out) = now;
    if (DiffSeconds(ControlErrorStart_(out), now) > ControlErrorLimit_(out))
        SetOutputStatus(out, kControlError, true);
}

void cTRV600a::SetSensorStatus(int s, int bit, bool state) {
    int16_t& word = SensorErrorWord_(s);
    const int16_t mask = int16_t(1 << bit);
    if (bitSet(word, bit) == state) return;
    if (!state) {
        word = int16_t(word & ~mask);
        if (word == 0) {
            SendMapSensors(SensorLoop_);
            emit TRVSensorEvent(-1, SensorName_(s) + QStringLiteral(" Sensor OK."), s);
        }
        return;
    }
    word = int16_t(word | mask);
    if (bit == kSensorDisabled) SendMapSensors(SensorLoop_);
    static const char* const texts[] = {" Sensor Disabled.", " Crystal Failure.", " Quality Failure.",
                                        " Stability single failure.", " Stability sum failure."};
    if (bit <= kStabilitySum) emit TRVSensorEvent(bit, SensorName_(s) + QLatin1String(texts[bit]), s);
    const int out = LoopOf(s);
    if (out < 0 || bitSet(OutputStatus_(out), kAllCrystalsFailed)) return;
    for (int j = 0; j < kSensors; ++j)
        if (SensorLoop_(j) == out && Enabled(j)) return;
    SetOutputStatus(out, kAllCrystalsFailed, true);
}

void cTRV600a::SetOutputStatus(int out, int bit, bool state) {
    int16_t& status = OutputStatus_(out);
    if (!state || bitSet(status, bit)) {
        status = int16_t(status & ~(1 << bit));
        return;
    }
    status = int16_t(status | (1 << bit));
    if (bit == kAllCrystalsFailed)
        emit TRVOutputEvent(5, QStringLiteral("All crystals failed on ") + OutputName_(out) + QStringLiteral("!"), out);
    else if (bit == kControlError)
        emit TRVOutputEvent(4, QStringLiteral("Control error on ") + OutputName_(out) + QStringLiteral("!"), out);
}
