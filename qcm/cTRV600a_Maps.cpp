// Which output each sensor and each analog input drives. An output is driven by sensors
// or by an analog input, never both: mapping one side makes the other give way.
#include "qcm/cTRV600a.h"

namespace {

// Clears a flag when the scope ends, whichever way it is left.
struct FlagScope {
    bool& flag;
    explicit FlagScope(bool& f) : flag(f) { flag = true; }
    ~FlagScope() { flag = false; }
};

}  // namespace

int32_t cTRV600a::SendMapSensors(const TrvSensorMap& map) {
    if (!GivingWay_) {
        FlagScope givingWay(GivingWay_);
        for (int a = 0; a < kAnalogs; ++a) {
            const int32_t out = AnalogLoop_(a);
            if (out < 0) continue;
            for (int s = 0; s < kSensors; ++s) {
                if (map(s) == out) {
                    setAnalogLoop(a, -1);
                    break;
                }
            }
        }
    }

    TrvSensorMap cardMap;
    BoundedArray<bool, 0, kSensors - 1> followsPrimary;
    for (int s = 0; s < kSensors; ++s) {
        cardMap(s) = NumSensorValid(s) ? map(s) : -1;
        followsPrimary(s) = s % 2 == 1 && SensorDual_(s);
        // The backup of a dual pair always drives the output of its primary.
        if (followsPrimary(s)) cardMap(s) = map(s - 1);
        if (!Enabled(s)) cardMap(s) = -1;
    }
    const int32_t r = Api().Kor500MapSensors(&cardMap(0));
    if (r != 0) return Fail(r, QStringLiteral("Unresolved MapSensors Error."));
    // The backups take their primary's output first; an enabled sensor then keeps the
    // entry the caller gave it, a disabled one its stored output.
    for (int s = 1; s < kSensors; s += 2)
        if (followsPrimary(s)) SensorLoop_(s) = map(s - 1);
    for (int s = 0; s < kSensors; ++s)
        if (Enabled(s)) SensorLoop_(s) = map(s);
    return 0;
}

int32_t cTRV600a::SendMapAnalog(const TrvAnalogMap& map) {
    for (int a = 0; a < kAnalogs; ++a)
        for (int b = a + 1; b < kAnalogs; ++b)
            if (map(a) >= 0 && map(a) == map(b)) return Fail(1, QStringLiteral("Unresolved MapAnalog Error."));
    if (!GivingWay_) {
        FlagScope givingWay(GivingWay_);
        for (int a = 0; a < kAnalogs; ++a) {
            if (map(a) < 0) continue;
            for (int s = 0; s < kSensors; ++s)
                if (SensorLoop_(s) == map(a)) setSensorLoop(s, -1);
        }
    }
    const int32_t r = Api().Kor500MapAnSensors(&map(0));
    if (r != 0) return Fail(r, QStringLiteral("Unresolved MapAnalog Error."));
    AnalogLoop_ = map;
    return 0;
}

int32_t cTRV600a::SensorLoop(int s) { return SensorChecked(s) ? SensorLoop_(s) : -1; }

void cTRV600a::setSensorLoop(int s, int32_t out) {
    if (!SensorChecked(s)) return;
    if (out != -1 && !OutputChecked(out)) return;
    TrvSensorMap map = SensorLoop_;
    map(s) = out;
    SendMapSensors(map);
}

int32_t cTRV600a::AnalogLoop(int a) {
    if (a >= 0 && a < kAnalogs) return AnalogLoop_(a);
    Fail(10, QStringLiteral("Invalid Sensor Number."));
    return -1;
}

void cTRV600a::setAnalogLoop(int a, int32_t out) {
    TrvAnalogMap map = AnalogLoop_;
    map(a) = out;  // an input outside 0..3 is out of range for the caller
    if (out != -1 && !OutputChecked(out)) return;
    SendMapAnalog(map);
}

int32_t cTRV600a::LoopType(int out) {
    if (out != -1 && !ValidOutput(out)) return 0;
    for (int a = 0; a < kAnalogs; ++a)
        if (AnalogLoop_(a) == out) return 1;
    for (int s = 0; s < kSensors; ++s)
        if (SensorLoop_(s) == out) return 2;
    return 0;
}

void cTRV600a::setSensorDual(int s, bool dual) {
    const int partner = s % 2 != 0 ? s - 1 : s + 1;
    SensorDual_(s) = dual;
    SensorDual_(partner) = dual;
}
