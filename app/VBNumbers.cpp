// Numbers to text and to whole numbers: CStr, Str, CInt/CLng, Round, Hex$.
// The decimal digits come from the shortest correctly rounded scientific form of the
// binary value at 15 (Double) or 7 (Single) significant digits, as the original did.
#include "app/VBConv.h"
#include "app/VBConvDetail.h"
#include "platform/RuntimeError.h"

#include <charconv>
#include <cmath>

namespace vb {
namespace detail {

namespace {
// Reads "d.ddddde+XX" written by to_chars into a Decimal.
Decimal FromScientific(const char* buf, const char* end) {
    Decimal d;
    const char* p = buf;
    // Digits beyond what the Decimal holds are cut off; they never decide a rounding.
    for (; p < end && *p != 'e'; ++p) {
        if (*p >= '0' && *p <= '9' && d.count < static_cast<int>(sizeof d.digits)) d.digits[d.count++] = *p;
    }
    int exp = 0;
    if (p < end) std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), end, exp);
    d.exponent = exp;
    if (d.count > 0 && d.digits[0] == '0') d.count = 0;  // zero
    return d;
}
}  // namespace

Decimal DecimalOf(double magnitude) {
    char buf[40];
    auto r = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific, 14);
    return FromScientific(buf, r.ptr);
}

Decimal DecimalOfSingle(float magnitude) {
    // The exact decimal value of the Single (at most 112 significant digits), rounded half
    // away from zero at its seventh digit as the language does; to_chars would round a
    // tie to even (654322.25 to 654322.2 instead of 654322.3).
    char buf[128];
    auto r = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific, 112);
    Decimal d = FromScientific(buf, r.ptr);
    RoundToDigits(d, 7);
    return d;
}

void RoundToDigits(Decimal& d, int significant) {
    if (d.count <= significant) return;
    if (significant <= 0) {
        d.count = 0;
        return;
    }
    const bool up = d.digits[significant] >= '5';
    d.count = significant;
    if (!up) return;
    int i = d.count - 1;
    while (i >= 0 && d.digits[i] == '9') d.digits[i--] = '0';
    if (i >= 0) {
        ++d.digits[i];
    } else {
        // Carry out of the first digit: 9.99 becomes 10.0.
        // Every kept digit is now 0, so the count stays.
        d.digits[0] = '1';
        ++d.exponent;
    }
}

void RoundAtPlace(Decimal& d, int places) {
    if (d.count == 0) return;
    // Digit k stands for 10^(exponent - k); keep those with exponent - k >= -places.
    const int keep = d.exponent + places + 1;
    if (keep >= d.count) return;
    if (keep < 0) {
        d.count = 0;
        return;
    }
    if (keep == 0) {
        if (d.digits[0] >= '5') {
            d.digits[0] = '1';
            d.count = 1;
            ++d.exponent;
        } else {
            d.count = 0;
        }
        return;
    }
    RoundToDigits(d, keep);
}

QString GeneralText(const Decimal& src, bool negative, int maxFixedExponent) {
    if (src.count == 0) return QStringLiteral("0");
    int n = src.count;
    while (n > 1 && src.digits[n - 1] == '0') --n;
    const char* dg = src.digits;
    const int x = src.exponent;
    char out[64];
    int o = 0;
    if (negative) out[o++] = '-';
    if (x > maxFixedExponent || x < -4) {
        out[o++] = dg[0];
        if (n > 1) {
            out[o++] = '.';
            for (int i = 1; i < n; ++i) out[o++] = dg[i];
        }
        out[o++] = 'E';
        out[o++] = x < 0 ? '-' : '+';
        const int ax = x < 0 ? -x : x;
        if (ax < 10) out[o++] = '0';
        auto r = std::to_chars(out + o, out + sizeof out, ax);
        o = static_cast<int>(r.ptr - out);
    } else if (x >= 0) {
        for (int i = 0; i <= x; ++i) out[o++] = i < n ? dg[i] : '0';
        if (n > x + 1) {
            out[o++] = '.';
            for (int i = x + 1; i < n; ++i) out[o++] = dg[i];
        }
    } else {
        out[o++] = '0';
        out[o++] = '.';
        for (int i = 0; i < -x - 1; ++i) out[o++] = '0';
        for (int i = 0; i < n; ++i) out[o++] = dg[i];
    }
    return QString::fromLatin1(out, o);
}

}  // namespace detail

namespace {
QString NonFiniteText(double value) {
    if (std::isnan(value)) return QStringLiteral("NaN");
    return value < 0 ? QStringLiteral("-Inf") : QStringLiteral("Inf");
}
}  // namespace

QString CStr(double value) {
    if (!std::isfinite(value)) return NonFiniteText(value);
    return detail::GeneralText(detail::DecimalOf(std::fabs(value)), value < 0, 14);
}

QString CStrSingle(float value) {
    if (!std::isfinite(value)) return NonFiniteText(value);
    return detail::GeneralText(detail::DecimalOfSingle(std::fabs(value)), value < 0, 6);
}

QString CStr(int value) { return QString::number(value); }
QString CStr(int64_t value) { return QString::number(static_cast<qlonglong>(value)); }
QString CStr(bool value) { return value ? QStringLiteral("True") : QStringLiteral("False"); }

QString Str(double value) {
    QString s = CStr(value);
    if (s.startsWith(QLatin1String("0."))) {
        s.remove(0, 1);
    } else if (s.startsWith(QLatin1String("-0."))) {
        s.remove(1, 1);
    }
    if (!s.startsWith(QLatin1Char('-'))) s.prepend(QLatin1Char(' '));
    return s;
}

int16_t CInt(double value) {
    const double r = std::nearbyint(value);  // the default rounding mode: half to even
    if (!(r >= -32768.0 && r <= 32767.0)) throw RuntimeError::Overflow();
    return static_cast<int16_t>(r);
}

int32_t CLng(double value) {
    const double r = std::nearbyint(value);
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) throw RuntimeError::Overflow();
    return static_cast<int32_t>(r);
}

double Round(double value, int digits) {
    if (digits < 0) throw RuntimeError::InvalidCall();
    if (!std::isfinite(value)) return value;
    if (digits > 22) return value;
    const double scale = std::pow(10.0, digits);
    const double scaled = value * scale;
    // Beyond 2^52 a double holds no fraction left to round.
    if (!std::isfinite(scaled) || std::fabs(scaled) >= 4503599627370496.0) return value;
    return std::nearbyint(scaled) / scale;
}

double Int(double value) { return std::floor(value); }
double Fix(double value) { return std::trunc(value); }

QString Hex(int32_t value) { return QString::number(static_cast<uint32_t>(value), 16).toUpper(); }
QString Hex16(int16_t value) { return QString::number(static_cast<uint16_t>(value), 16).toUpper(); }
QString Oct(int32_t value) { return QString::number(static_cast<uint32_t>(value), 8); }

}  // namespace vb
