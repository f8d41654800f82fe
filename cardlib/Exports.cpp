// The exported functions: argument checks, then the engine under its mutex.
#include "TRV600a.h"

#include "Engine.h"

#include <mutex>

using namespace trv600a;

namespace {

// No exception crosses the C boundary; a failure of the environment reads as a rejection.
template <typename F>
int32_t guarded(F&& body) noexcept
{
    try {
        return body();
    } catch (...) {
        return 1;
    }
}

bool within(double value, double lo, double hi)
{
    return value >= lo && value <= hi;  // false for NaN
}

bool validOutput(const CardState& st, int32_t o)
{
    return (o >= 0 && o < st.outputCount) || o == 12 || o == 13;
}

int32_t startMeas(Engine& e)
{
    CardState& st = e.state;
    if (!st.initialised)
        return 1;
    if (st.simulate)
        return 0;
    programTimers(e);
    if (st.extended) {
        e.analogEvent.setWait(10);
        e.analogEvent.wake();
    }
    counterRestart(st);
    return 0;
}

void clearErrors(OutputState& out)
{
    out.lastChange = 0;
    out.e0 = out.e1 = out.e2 = 0;
}

template <typename Ring>
int32_t pending(Ring write, Ring read)
{
    int32_t n = static_cast<int32_t>(write) - static_cast<int32_t>(read);
    return n < 0 ? n + kSlots : n;
}

void copyOutputs(const CardState& st, int slot, double* outputs)
{
    for (int o = 0; o < st.outputCount && o < kOutputs; ++o)
        outputs[o] = st.output[o].power[slot];
    outputs[12] = st.output[12].power[slot];
    outputs[13] = st.output[13].power[slot];
}

}  // namespace

extern "C" {

int32_t Kor500Startup2(int32_t mode, int32_t* cardVersions)
{
    return guarded([&] {
        Engine& e = engine();
        std::lock_guard life(e.lifecycle);
        {
            std::lock_guard lock(e.mutex);
            e.state.extended = 0;
            setPlaceholderMaterials(e.state);
        }
        if (mode == -1)
            return stopCards(e);
        return startCards(e, cardVersions);
    });
}

int32_t Kor500Init(double maxFreq, double minFreq, double initFreq, double period)
{
    return guarded([&] {
        if (!(maxFreq <= 10000000.0 && minFreq >= 1000000.0 && minFreq <= maxFreq &&
              within(initFreq, minFreq, maxFreq) && within(period, 0.1, 2.0)))
            return 1;
        Engine& e = engine();
        std::lock_guard lock(e.mutex);
        CardState& st = e.state;
        st.maxFreq = maxFreq;
        st.minFreq = minFreq;
        st.initFreq = initFreq;
        st.period = period;
        programTimers(e);
        st.initialised = true;
        return 0;
    });
}

int32_t Kor500Material(int32_t sensorMask, double density, double zRatio, double tooling)
{
    return guarded([&] {
        if (!within(density, 0.4, 100) || !within(zRatio, 0.1, 10) || !within(tooling, 0, 10))
            return 1;
        Engine& e = engine();
        std::lock_guard lock(e.mutex);
        CardState& st = e.state;
        if (!st.initialised)
            return 1;
        for (int i = 0; i < st.sensorCount && i < kSensors; ++i) {
            if (!(static_cast<uint32_t>(sensorMask) & (1u << i)))
                continue;
            SensorState& s = st.sensor[i];
            if (s.density != density || s.zRatio != zRatio || s.tooling != tooling)
                s.materialChanged = true;
            s.density = density;
            s.zRatio = zRatio;
            s.tooling = tooling;
            s.materialGiven = true;
        }
        recomputeMaterialConstants(st);
        return 0;
    });
}

int32_t Kor500GetMaterial(double* materialArray, double* systemArray)
{
    return guarded([&] {
        Engine& e = engine();
        std::lock_guard lock(e.mutex);
        const CardState& st = e.state;
        if (materialArray) {
            for (int i = 0; i < kSensors; ++i) {
                materialArray[i] = st.sensor[i].density;
                materialArray[kSensors + i] = st.sensor[i].zRatio;
                materialArray[2 * kSensors + i] = st.sensor[i].tooling;
            }
        }
        if (systemArray) {
            systemArray[0] = st.maxFreq;
            systemArray[1] = st.minFreq;
            systemArray[2] = st.initFreq;
            systemArray[3] = st.period;
            systemArray[4] = st.simulate ? 1.0 : 0.0;
        }
        return 0;
    });
}

int32_t Kor500Simulate(int32_t mode)
{
    return guarded([&] {
        Engine& e = engine();
        std::lock_guard lock(e.mutex);
        CardState& st = e.state;
        for (int i = 0; i < st.sensorCount && i < kSensors; ++i)
            st.sensor[i].zeroRequest = true;
        const int cardOutputs = 2 * st.numCards + (st.extended ? 2 : 0);
        if (mode == 0 && st.status == kStatusCards) {
            if (st.noCard) {
                st.simulate = 1;
            } else {
                e.measEvent.setWait(2);
                e.measEvent.wake();
                st.sensorCount = 4 * st.numCards;
                st.simulate = 0;
                startMeas(e);
                st.outputCount = cardOutputs;
            }
        } else if (mode == 1) {
            st.simulate = 1;
            st.sensorCount = st.numCards == 0 ? kSensors : 4 * st.numCards;
            st.outputCount = st.numCards == 0 ? kOutputs : cardOutputs;
        }
        // Simulation writes no card register: the cards are left at zero power, not at
        // the last code they were given.
        if (st.simulate && st.status == kStatusCards)
            zeroOutputs(st, st.extended != 0);
        st.writeIndex = st.readIndex = 0;
        for (OutputState& out : st.output) {
            out.power.fill(0);
            out.simRate.fill(0);
        }
        // The cards are polled every 2 ms for their ready bit; a simulated cycle runs once
        // per period, whatever mode asked for it.
        e.measEvent.setWait(st.simulate ? static_cast<int>(st.period * 1000) : 2);
        e.measEvent.wake();
        return 0;
    });
}

int32_t Kor500StartMeas(void)
{
    return guarded([&] {
        Engine& e = engine();
        std::lock_guard lock(e.mutex);
        return startMeas(e);
    });
}

int32_t Kor500GetReadings(double* sensorArray, double* outputArray)
{
    return guarded([&] {
        if (!sensorArray || !outputArray)
            return 0;
        Engine& e = engine();
        std::lock_guard lock(e.mutex);
        CardState& st = e.state;
        if (st.readIndex == st.writeIndex)
            return 0;
        const int32_t n = pending(st.writeIndex, st.readIndex);
        st.readIndex = static_cast<uint8_t>((st.readIndex + 1) % kSlots);
        const int slot = st.readIndex;
        copyOutputs(st, slot, outputArray);
        for (int i = 0; i < st.sensorCount && i < kSensors; ++i) {
            sensorArray[i] = st.sensor[i].rate[slot];
            sensorArray[kSensors + i] = st.sensor[i].thick[slot];
            sensorArray[2 * kSensors + i] = st.sensor[i].freq[slot];
        }
        return n;
    });
}

int32_t Kor500GetAnReadings(double* analogArray, double* outputArray)
{
    return guarded([&] {
        if (!analogArray || !outputArray)
            return 0;
        Engine& e = engine();
        std::lock_guard lock(e.mutex);
        CardState& st = e.state;
        if (st.analogReadIndex == st.analogWriteIndex)
            return 0;
        const int32_t n = pending(st.analogWriteIndex, st.analogReadIndex);
        st.analogReadIndex = static_cast<uint16_t>((st.analogReadIndex + 1) % kSlots);
        // The powers are those of the reading set delivered last.
        copyOutputs(st, st.readIndex, outputArray);
        for (int a = 0; a < kAnalogs; ++a)
            analogArray[a] = st.analogRing[st.analogReadIndex][a];
        return n;
    });
}

int32_t Kor500MapSensors(const int32_t* cardSensorMap)
{
    return guarded([&] {
        if (!cardSensorMap)
            return 1;
        Engine& e = engine();
        std::lock_guard lock(e.mutex);
        CardState& st = e.state;
        const int sensors = st.sensorCount < kSensors ? st.sensorCount : kSensors;
        // The whole map is checked before any of it is applied.
        const int32_t highest = st.extended ? 13 : st.outputCount - 1;
        for (int i = 0; i < sensors; ++i)
            if (cardSensorMap[i] > highest)
                return 1;
        for (int o = 0; o < kOutputs; ++o)
            if (o < st.outputCount || o >= 12)
                st.output[o].sensorMask = 0;
        for (int i = 0; i < sensors; ++i) {
            const int32_t o = cardSensorMap[i];
            const bool taken = st.extended ? (o >= 12 || (o >= 0 && o < st.outputCount)) : o >= 0;
            if (taken)
                st.output[o].sensorMask |= 1u << i;
        }
        return 0;
    });
}

int32_t Kor500MapAnSensors(const int32_t* cardAnalogMap)
{
    return guarded([&] {
        if (!cardAnalogMap)
            return 1;
        Engine& e = engine();
        std::lock_guard lock(e.mutex);
        CardState& st = e.state;
        for (int a = 0; a < kAnalogs; ++a)
            if (cardAnalogMap[a] > 13)
                return 1;
        for (OutputState& out : st.output)
            out.analogMask = 0;
        for (int a = 0; a < kAnalogs; ++a) {
            if (cardAnalogMap[a] >= 0)
                st.output[cardAnalogMap[a]].analogMask |= 1u << a;
            st.analogMap[a] = cardAnalogMap[a];
        }
        return 0;
    });
}

int32_t Kor500Loop2(double setPoint, double pGain, double iTime, double dTime, int32_t output)
{
    return guarded([&] {
        Engine& e = engine();
        std::lock_guard lock(e.mutex);
        CardState& st = e.state;
        if (!validOutput(st, output))
            return 1;
        OutputState& out = st.output[output];
        out.setPoint = setPoint;
        out.kp = pGain;
        out.ti = iTime;
        out.td = dTime;
        out.target = out.present;
        if (!out.armed)
            clearErrors(out);
        out.armed = 1;
        return 0;
    });
}

int32_t Kor500SetPower(int32_t output, double power)
{
    return guarded([&] {
        Engine& e = engine();
        std::lock_guard lock(e.mutex);
        CardState& st = e.state;
        if (!validOutput(st, output) || !within(power, 0, 1))
            return 1;
        OutputState& out = st.output[output];
        out.armed = 0;
        out.present = power;
        writeOutput(st, output, power);
        return 0;
    });
}

int32_t Kor500Auto(int32_t output)
{
    return guarded([&] {
        Engine& e = engine();
        std::lock_guard lock(e.mutex);
        CardState& st = e.state;
        if (!validOutput(st, output))
            return 1;
        OutputState& out = st.output[output];
        out.target = out.present;
        clearErrors(out);
        return 0;
    });
}

int32_t Kor500FullScale(int32_t output, double volts, double maxPower, double slewRate)
{
    return guarded([&] {
        Engine& e = engine();
        std::lock_guard lock(e.mutex);
        CardState& st = e.state;
        if (!validOutput(st, output) || !within(volts, -10, 10))
            return 1;
        OutputState& out = st.output[output];
        out.fsFactor = volts / 10;
        out.maxPower = maxPower;
        out.slew = slewRate;
        return 0;
    });
}

int32_t Kor500GetPower(double* powerArray)
{
    return guarded([&] {
        if (!powerArray)
            return 1;
        Engine& e = engine();
        std::lock_guard lock(e.mutex);
        const CardState& st = e.state;
        for (int o = 0; o < st.outputCount && o < kOutputs; ++o)
            powerArray[o] = st.output[o].present;
        powerArray[12] = st.output[12].present;
        powerArray[13] = st.output[13].present;
        return 0;
    });
}

int32_t Kor500ZeroSensor(int32_t sensor)
{
    return guarded([&] {
        if (sensor < 0 || sensor >= kSensors)
            return 0;
        Engine& e = engine();
        std::lock_guard lock(e.mutex);
        e.state.sensor[sensor].zeroRequest = true;
        return 0;
    });
}

int32_t Kor500Zero2(int32_t output)
{
    return guarded([&] {
        if (output < 0 || output >= kOutputs)
            return 1;
        Engine& e = engine();
        std::lock_guard lock(e.mutex);
        CardState& st = e.state;
        for (int i = 0; i < st.sensorCount && i < kSensors; ++i)
            if (st.output[output].sensorMask & (1u << i))
                st.sensor[i].zeroRequest = true;
        return 0;
    });
}

int32_t GetSwitchData(int16_t* switches, int16_t* knobDelta)
{
    return guarded([&] {
        Engine& e = engine();
        std::lock_guard lock(e.mutex);
        int16_t word = 0, delta = 0;
        readSwitches(e.state, word, delta);
        if (switches)
            *switches = word;
        if (knobDelta)
            *knobDelta = delta;
        return 0;
    });
}

int32_t DimBacklight(int32_t flag)
{
    return guarded([&] {
        Engine& e = engine();
        std::lock_guard lock(e.mutex);
        e.state.dim = flag != 0;
        return 0;
    });
}

}  // extern "C"
