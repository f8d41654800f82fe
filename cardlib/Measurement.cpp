// The measurement cycle: card timers, counter restart, frequency from the counts,
// thickness and rate, and the simulated cycle used without cards.
#include "Engine.h"

#include <algorithm>
#include <cmath>

namespace trv600a {

namespace {

constexpr double kNoCrystal = -1;
constexpr double kAboveMaximum = -2;
constexpr double kBelowMinimum = -3;

int previousSlot(const CardState& st)
{
    return st.writeIndex == 0 ? kSlots - 1 : st.writeIndex - 1;
}

// Z-match thickness (A) of a sensor at frequency f (f > 0).
double zMatchThickness(const SensorState& s, double f)
{
    return s.k * std::atan(s.zRatio * std::tan(kPi - s.p * f)) / f;
}

// The outputs the cycle walks: 0..OutputCount-1, then 12 and 13 when not among them.
template <typename F>
void forEachOutput(const CardState& st, F&& f)
{
    for (int o = 0; o < st.outputCount && o < kOutputs; ++o)
        f(o);
    for (int o = 12; o < kOutputs; ++o)
        if (o >= st.outputCount)
            f(o);
}

}  // namespace

void programTimers(Engine& e)
{
    CardState& st = e.state;
    const int ms = static_cast<int>(st.period * 1000);
    if (st.simulate) {
        e.measEvent.setWait(ms);
        return;
    }
    const uint32_t periodCount = static_cast<uint32_t>(ms) * 16260u / 1000u;
    for (int k = 0; k < st.numCards; ++k)
        writeReg(st, k, 0, ~periodCount);
    st.gate = std::trunc(st.minFreq / 1000 * ms);
    for (int k = 0; k < st.numCards; ++k)
        writeReg(st, k, 4, ~static_cast<uint32_t>(st.gate));
    st.initialised = true;
}

void counterRestart(CardState& st)
{
    if (st.simulate)
        return;
    writeReg(st, 0, 16, 2);
    for (int k = 0; k < st.numCards; ++k)
        for (uint32_t value : {0u, 1u, 3u, 1u})
            writeReg(st, k, 12, value);
}

double frequencyOf(const CardState& st, uint32_t count)
{
    if (count == 0)
        return kNoCrystal;
    const double f = st.gate * st.refClock / count;
    if (f > st.maxFreq)
        return kAboveMaximum;
    if (f < st.minFreq)
        return kBelowMinimum;
    return f;
}

void recomputeMaterialConstants(CardState& st)
{
    for (SensorState& s : st.sensor) {
        if (s.density == 0 || s.zRatio == 0)
            continue;
        s.k = 1.668e13 * s.tooling * 2.648 / (s.density * kPi * s.zRatio);
        s.p = kPi / st.initFreq;
    }
}

void thicknessAndRate(CardState& st)
{
    const int now = st.writeIndex;
    const int before = previousSlot(st);
    st.goodMask = 0;
    for (int i = 0; i < st.sensorCount && i < kSensors; ++i) {
        SensorState& s = st.sensor[i];
        const double f = s.freq[now];
        if (!(f > 0)) {
            s.thick[now] = 0;
            s.rate[now] = 0;
            continue;
        }
        st.goodMask |= 1u << i;
        const double t = zMatchThickness(s, f);
        if (s.materialChanged) {
            s.materialChanged = false;
            // Keep the thickness origin under the new material; a sensor never zeroed has
            // no zero frequency to measure it from.
            if (s.zeroFreq > 0)
                s.zeroOffset = zMatchThickness(s, s.zeroFreq);
        }
        if (s.zeroRequest) {
            s.zeroRequest = false;
            s.rate[now] = (t - s.zeroOffset - s.thick[before]) / st.period;
            s.zeroFreq = f;
            s.zeroOffset = t;
            s.thick[now] = 0;
        } else {
            s.thick[now] = t - s.zeroOffset;
            s.rate[now] = (s.thick[now] - s.thick[before]) / st.period;
        }
    }
}

void realCycle(CardState& st)
{
    advanceReadingRing(st);
    for (int i = 0; i < st.sensorCount && i < kSensors; ++i) {
        SensorState& s = st.sensor[i];
        const uint32_t raw = readReg(st, i / 4, 4u * static_cast<uint32_t>((i + 1) % 4));
        s.lastCount = raw & 0x3FFFFFFFu;
        s.freq[st.writeIndex] = frequencyOf(st, s.lastCount);
    }
    thicknessAndRate(st);
    controlStep(st);
    counterRestart(st);
}

void simulatedCycle(CardState& st)
{
    advanceReadingRing(st);
    const int now = st.writeIndex;

    // The plant: a source's rate as a function of its power.
    forEachOutput(st, [&](int o) {
        OutputState& out = st.output[o];
        const double x = 10 * out.present - 1;
        double rate = x <= 0 ? 0 : 2.75 * x * x - 9.93 * x;
        if (o < st.outputCount && o < 12 && rate < 0)
            rate = 0;
        out.simRate[now] = rate;
    });

    for (int a = 0; a < kAnalogs; ++a) {
        const int o = st.analogMap[a];
        if (o < 0 || o >= kOutputs)
            continue;
        double sum = 0;
        for (double r : st.output[o].simRate)
            sum += r;
        st.simAnalog[a] = std::clamp(sum / kSlots, 0.0, 10.0);
    }

    // The crystals of a source wear with what it deposited over the last ten cycles.
    forEachOutput(st, [&](int o) {
        double sum = 0;
        for (double r : st.output[o].simRate)
            sum += r;
        for (int i = 0; i < st.sensorCount && i < kSensors; ++i) {
            if (!(st.output[o].sensorMask & (1u << i)))
                continue;
            double& f = st.sensor[i].simFreq;
            f -= sum / 5;
            f -= sum / 5;
            if (f < st.minFreq)
                f = kNoCrystal;
        }
    });

    for (int i = 0; i < st.sensorCount && i < kSensors; ++i)
        st.sensor[i].freq[now] = st.sensor[i].simFreq;
    thicknessAndRate(st);
    controlStep(st);

    for (int a = 0; a < kAnalogs; ++a) {
        const int o = st.analogMap[a];
        if (o >= 0 && o < kOutputs)
            analogControlStep(st, o, st.simAnalog[a]);
    }
    st.analog = st.simAnalog;
    pushAnalogRing(st);
}

}  // namespace trv600a
