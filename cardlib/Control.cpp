// Control outputs (rate loop over the mapped sensors or an analog input, slew, output
// codes), the analog inputs of the extended card and its front panel.
#include "Engine.h"

#include <cmath>
#include <limits>

namespace trv600a {

namespace {

constexpr double kDacScale = 32760.0;
constexpr double kVoltsPerStep = 1.907352270798246e-05;
constexpr double kAnalogZero = 524288.0;  // 2^19
constexpr std::array<int, kSwitches> kSwitchMask{0x20, 0x10, 0x08, 0x04, 0x02, 0x01, 0x40};

// Mean rate of the output's sensors that read well this cycle and have a tooling factor.
double averagedRate(const CardState& st, int o)
{
    const uint32_t mask = st.output[o].sensorMask & st.goodMask;
    double sum = 0;
    int n = 0;
    for (int i = 0; i < st.sensorCount && i < kSensors; ++i) {
        if (!(mask & (1u << i)) || st.sensor[i].tooling == 0)
            continue;
        sum += st.sensor[i].rate[st.writeIndex];
        ++n;
    }
    return n ? sum / n : 0;
}

// PID in velocity form; from the sensor loop nothing moves while no mapped sensor reads.
double controlChange(CardState& st, int o, double error, bool sensorLoop)
{
    OutputState& out = st.output[o];
    if (sensorLoop && (out.sensorMask & st.goodMask) == 0)
        return 0;
    out.e2 = out.e1;
    out.e1 = out.e0;
    out.e0 = error;
    const double d = (out.e0 - 2 * out.e1 + out.e2) * out.td / st.period;
    const double i = out.ti > 0 ? st.period * out.e0 / out.ti : 0;
    const double p = out.e0 - out.e1;
    out.lastChange = (d + i + p) * out.kp / 10000;
    return out.lastChange;
}

void applyChange(OutputState& out, double change, double step)
{
    out.target += change;
    if (out.target < 0)
        out.target = 0;
    if (out.target > out.maxPower)
        out.target = out.maxPower;
    const double diff = out.target - out.present;
    step = std::fabs(step);
    if (std::fabs(diff) <= step || step <= 0.001)
        out.present = out.target;
    else if (diff <= 0)
        out.present -= step;
    else
        out.present += step;
}

int32_t outputCode(double value)
{
    if (!(std::fabs(value) < std::numeric_limits<int32_t>::max()))
        return value < 0 ? std::numeric_limits<int32_t>::min() : std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(value);  // truncates towards zero
}

uint32_t registerValue(int32_t upper, int32_t lower)
{
    return static_cast<uint32_t>(static_cast<int64_t>(upper) * 65536 + lower);
}

}  // namespace

void writeOutput(CardState& st, int o, double p)
{
    if (st.simulate || o < 0 || o >= kOutputs)
        return;
    const OutputState& out = st.output[o];
    if (p > out.maxPower)
        p = out.maxPower;
    if (p < 0)
        p = 0;
    if (st.versions[0] != 0)
        p = -p;
    const int32_t code = outputCode(p * kDacScale * out.fsFactor);
    if (o >= 12) {
        (o == 12 ? st.extUpper : st.extLower) = code;
        writeReg(st, 0, 20, registerValue(st.extUpper, st.extLower));
        return;
    }
    const int k = o / 2;
    (o % 2 == 0 ? st.codeUpper[k] : st.codeLower[k]) = code;
    writeReg(st, k, 8, registerValue(st.codeUpper[k], st.codeLower[k]));
}

void zeroOutputs(CardState& st, bool extendedOutputs)
{
    for (int k = 0; k < st.numCards; ++k)
        writeReg(st, k, 8, 0);
    if (extendedOutputs)
        writeReg(st, 0, 20, 0);
    clearOutputCodes(st);
}

void controlStep(CardState& st)
{
    for (int o = 0; o < kOutputs; ++o) {
        OutputState& out = st.output[o];
        if (!out.armed)
            continue;
        out.measured = averagedRate(st, o);
        applyChange(out, controlChange(st, o, out.setPoint - out.measured, true),
                    st.period * out.slew);
    }
    for (int o = 0; o < kOutputs; ++o) {
        writeOutput(st, o, st.output[o].present);
        st.output[o].power[st.writeIndex] = st.output[o].present;
    }
}

void analogControlStep(CardState& st, int o, double value)
{
    OutputState& out = st.output[o];
    if (out.armed)
        applyChange(out, controlChange(st, o, out.setPoint - value, false), 10 * out.slew);
    out.power[st.writeIndex] = out.present;
}

bool analogConversion(CardState& st)
{
    const uint32_t status = readReg(st, 0, 44);
    if (!(status & 4))
        return false;
    int ch = static_cast<int>(status & 3) - 1;
    if (ch == -1)
        ch = 3;
    const int32_t raw = static_cast<int32_t>(readReg(st, 0, 28 + 4 * static_cast<uint32_t>(ch)));
    const double value = -(raw - kAnalogZero) * kVoltsPerStep;
    st.analog[ch] = value;
    writeReg(st, 0, 24, 48);
    writeReg(st, 0, 24, 16);
    // Any negative map entry means no output.
    const int o = st.analogMap[ch];
    if (o >= 0 && o < kOutputs)
        analogControlStep(st, o, value);
    if (ch == 3)
        pushAnalogRing(st);
    return true;
}

void readSwitches(CardState& st, int16_t& switches, int16_t& knobDelta)
{
    uint32_t raw = 0;
    if (!st.simulate && st.numCards > 0 && st.cards[0])
        raw = (readReg(st, 0, 16) & 0xFFFF) ^ 0x7F00;
    const uint32_t bits = (raw >> 8) & 0x7F;
    for (int i = 0; i < kSwitches; ++i) {
        if (bits & kSwitchMask[i]) {
            if (st.switchArmed[i] == 1) {
                st.switchLatch[i] = 1;
                st.switchArmed[i] = 0;
            }
        } else {
            st.switchLatch[i] = 0;
            st.switchArmed[i] = 1;
        }
    }
    int word = 0;
    for (int i = kSwitches - 1; i >= 0; --i) {
        word <<= 1;
        if (st.switchLatch[i]) {
            word += 1;
            st.switchLatch[i] = 0;
        }
    }
    const int8_t knob = static_cast<int8_t>(raw & 0xFF);
    knobDelta = static_cast<int8_t>(static_cast<uint8_t>(knob - st.prevKnob));
    st.prevKnob = knob;
    switches = static_cast<int16_t>(word);
}

}  // namespace trv600a
