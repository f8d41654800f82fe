#include "app/modBitOps.h"

#include "app/RoutineError.h"
#include "app/VBConv.h"

#include <cmath>

namespace modBitOps {
namespace {

constexpr double kTwo32 = 4294967296.0;

int16_t longToInt(int32_t value) {
    if (value < -32768 || value > 98303) throw RuntimeError::Overflow();
    return static_cast<int16_t>(value > 32767 ? value - 65536 : value);
}

int32_t toLong(double value) {
    if (!std::isfinite(value)) throw RuntimeError::Overflow();
    double low = std::fmod(value, kTwo32);
    if (low < 0) low += kTwo32;
    if (low > 2147483647.0) low -= kTwo32;
    return vb::CLng(low);
}

int16_t shli(int16_t value, int n) {
    if (n >= 16) return 0;
    return longToInt(vb::CLng(std::ldexp(static_cast<double>(value), n)));
}

int32_t shll(int32_t value, int n) {
    if (n >= 32) return 0;
    return toLong(std::ldexp(static_cast<double>(value), n));
}

// The masks are the shifts of 1, so a bit beyond the word gives the mask 0.
int16_t mask16(uint8_t bit) { return shli(1, bit); }
int32_t mask32(uint8_t bit) { return shll(1, bit); }

}  // namespace

void BitClearInteger(int16_t& value, uint8_t bit) {
    RunReportingErrors(QStringLiteral("BitClearInteger"),
                       [&] { value = static_cast<int16_t>(value & ~mask16(bit)); });
}

void BitClearLong(int32_t& value, uint8_t bit) {
    RunReportingErrors(QStringLiteral("BitClearLong"), [&] { value &= ~mask32(bit); });
}

void BitSetInteger(int16_t& value, uint8_t bit) {
    RunReportingErrors(QStringLiteral("BitSetInteger"),
                       [&] { value = static_cast<int16_t>(value | mask16(bit)); });
}

void BitSetLong(int32_t& value, uint8_t bit) {
    RunReportingErrors(QStringLiteral("BitSetLong"), [&] { value |= mask32(bit); });
}

bool BitTestInteger(int16_t value, uint8_t bit) {
    return ResultReportingErrors<bool>(QStringLiteral("BitTestInteger"), false,
                                       [&] { return (value & mask16(bit)) != 0; });
}

bool BitTestLong(int32_t value, uint8_t bit) {
    return ResultReportingErrors<bool>(QStringLiteral("BitTestLong"), false,
                                       [&] { return (value & mask32(bit)) != 0; });
}

int32_t dblToLong(double value) {
    return ResultReportingErrors<int32_t>(QStringLiteral("dblToLong"), 0, [&] { return toLong(value); });
}

int32_t IntToLong(int16_t value) { return value < 0 ? value + 65536 : value; }

uint8_t LoByte(int32_t value) { return static_cast<uint8_t>(value & 255); }

int16_t LongToInt(int32_t value) {
    return ResultReportingErrors<int16_t>(QStringLiteral("LongToInt"), 0, [&] { return longToInt(value); });
}

int16_t Shli(int16_t value, int n) {
    return ResultReportingErrors<int16_t>(QStringLiteral("Shli"), 0, [&] { return shli(value, n); });
}

int32_t Shll(int32_t value, int n) {
    return ResultReportingErrors<int32_t>(QStringLiteral("Shll"), 0, [&] { return shll(value, n); });
}

int16_t Shri(int16_t value, int n) {
    return ResultReportingErrors<int16_t>(QStringLiteral("Shri"), 0, [&]() -> int16_t {
        if (n >= 16) return 0;
        const double q = std::floor(std::ldexp(static_cast<double>(IntToLong(value)), -n));
        if (q > 32767) throw RuntimeError::Overflow();
        return static_cast<int16_t>(q);
    });
}

}  // namespace modBitOps
