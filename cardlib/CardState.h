#pragma once
// The library's module-wide state: one instance per process, shared by the exported
// functions (on the caller's thread), the measurement thread and the analog thread, and
// guarded as a whole by the engine's mutex.
#include "PciAccess.h"

#include <array>
#include <cstdint>
#include <memory>

namespace trv600a {

inline constexpr int kMaxCards = 6;
inline constexpr int kSensors = 24;
inline constexpr int kOutputs = 14;
inline constexpr int kAnalogs = 4;
inline constexpr int kSlots = 10;
inline constexpr int kSwitches = 7;
inline constexpr int kExtendedType = 30;
inline constexpr double kPi = 3.14159265358979;

inline constexpr int32_t kStatusCards = 0;
inline constexpr int32_t kStatusNoCard = 904;
inline constexpr int32_t kStatusNoDriver = 906;

struct SensorState {
    std::array<double, kSlots> freq{};
    std::array<double, kSlots> thick{};
    std::array<double, kSlots> rate{};
    uint32_t lastCount = 0;
    double density = 0;
    double zRatio = 0;
    double tooling = 0;
    bool materialGiven = false;  // Kor500Material has set this sensor once
    double k = 0;                // thickness constant
    double p = 0;                // phase constant
    double zeroFreq = 0;
    double zeroOffset = 0;
    bool materialChanged = false;
    bool zeroRequest = false;
    double simFreq = 5950000.0;
};

struct OutputState {
    double setPoint = 0;
    double kp = 0;
    double ti = 0;
    double td = 0;
    double fsFactor = 1.0;
    double maxPower = 1.0;
    double slew = 0;
    int armed = 0;  // 1 automatic control, 0 manual power
    double target = 0;
    double present = 0;
    double e0 = 0, e1 = 0, e2 = 0;
    double lastChange = 0;
    double measured = 0;
    uint32_t sensorMask = 0;
    uint32_t analogMask = 0;
    std::array<double, kSlots> power{};    // the output part of the reading ring
    std::array<double, kSlots> simRate{};  // the simulated plant's rate history
};

struct CardState {
    // Cards in their final order; position 0 is the master card.
    std::array<std::unique_ptr<ICardRegisters>, kMaxCards> cards{};
    std::array<int32_t, kMaxCards> typeReg{};  // register 24 as read at discovery
    int numCards = 0;
    bool multiCard = false;
    int16_t extended = 0;
    int32_t status = kStatusCards;
    bool noCard = false;
    std::array<int32_t, kMaxCards> versions{};
    int32_t extVersion = 0;
    double refClock = 199065600.0;
    bool started = false;
    bool stopFlag = false;

    int sensorCount = kSensors;
    int outputCount = kOutputs;
    int simulate = 1;
    bool initialised = false;
    double maxFreq = 6050000.0;
    double minFreq = 5000000.0;
    double initFreq = 0;
    double period = 0.25;
    double gate = 0;
    uint32_t goodMask = 0;

    std::array<SensorState, kSensors> sensor{};
    std::array<OutputState, kOutputs> output{};

    std::array<int32_t, kAnalogs> analogMap{-1, -1, -1, -1};
    std::array<double, kAnalogs> analog{};
    std::array<double, kAnalogs> simAnalog{};
    std::array<std::array<double, kAnalogs>, kSlots> analogRing{};

    uint8_t writeIndex = 0;
    uint8_t readIndex = 0;
    uint16_t analogWriteIndex = 0;
    uint16_t analogReadIndex = 0;

    // Output codes last written: upper and lower half of register 8 of each card, and of
    // register 20 of card 0 for outputs 12 and 13.
    std::array<int32_t, kMaxCards> codeUpper{};
    std::array<int32_t, kMaxCards> codeLower{};
    int32_t extUpper = 0;
    int32_t extLower = 0;

    std::array<int, kSwitches> switchArmed{1, 1, 1, 1, 1, 1, 1};
    std::array<int, kSwitches> switchLatch{};
    int8_t prevKnob = 0;
    bool dim = false;
};

}  // namespace trv600a
