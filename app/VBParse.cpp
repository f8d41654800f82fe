// Text to numbers: Val (the leading number) and the checked conversions CDbl, CSng,
// CInt, CLng, CBool and IsNumeric. The decimal point is always "."; the digits are
// converted with from_chars, so the process locale never matters.
#include "app/VBConv.h"
#include "app/VBConvDetail.h"
#include "platform/RuntimeError.h"

#include <QVarLengthArray>
#include <charconv>
#include <cfloat>
#include <cmath>

namespace vb {
namespace detail {

namespace {

bool IsValBlank(QChar c) { return c == u' ' || c == u'\t' || c == u'\n'; }
bool IsDigit(QChar c) { return c >= u'0' && c <= u'9'; }

int HexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') return u - u'0';
    if (u >= u'a' && u <= u'f') return u - u'a' + 10;
    if (u >= u'A' && u <= u'F') return u - u'A' + 10;
    return -1;
}

// Reads the characters after "&": "H" hexadecimal, "O" or a digit octal. A value that
// fits 16 bits is an Integer (so &HFFFF is -1), one that fits 32 bits a Long; more
// is an overflow. skipBlanks is Val's rule; whole requires every character to be used.
ParseStatus ReadRadix(QStringView t, qsizetype i, bool skipBlanks, bool whole, double& out) {
    auto skip = [&] {
        if (skipBlanks)
            while (i < t.size() && IsValBlank(t[i])) ++i;
    };
    skip();
    int radix = 8;
    if (i < t.size() && (t[i] == u'H' || t[i] == u'h')) {
        radix = 16;
        ++i;
    } else if (i < t.size() && (t[i] == u'O' || t[i] == u'o')) {
        ++i;
    }
    uint64_t v = 0;
    int digits = 0;
    for (;;) {
        skip();
        if (i >= t.size()) break;
        const int d = HexDigit(t[i]);
        if (d < 0 || d >= radix) break;
        v = v * static_cast<unsigned>(radix) + static_cast<unsigned>(d);
        if (v > 0xFFFFFFFFull) return ParseStatus::Overflow;
        ++digits;
        ++i;
    }
    if (whole && (digits == 0 || i != t.size())) return ParseStatus::NoNumber;
    if (v <= 0xFFFF)
        out = static_cast<int16_t>(static_cast<uint16_t>(v));
    else
        out = static_cast<int32_t>(static_cast<uint32_t>(v));
    return ParseStatus::Ok;
}

// Converts the collected characters ("-123.45e-6", no "+") to a double.
ParseStatus Convert(const char* first, const char* last, double& out) {
    double v = 0;
    const auto r = std::from_chars(first, last, v, std::chars_format::general);
    if (r.ec == std::errc()) {
        out = v;
        return ParseStatus::Ok;
    }
    if (r.ec != std::errc::result_out_of_range) return ParseStatus::NoNumber;
    // Out of range: decide between overflow and underflow from the decimal magnitude.
    const char* p = first;
    if (p < last && *p == '-') ++p;
    long magnitude = 0;  // position of the first non-zero digit relative to the point
    bool seenPoint = false, seenNonZero = false;
    for (; p < last && *p != 'e' && *p != 'E'; ++p) {
        if (*p == '.') {
            seenPoint = true;
        } else if (!seenNonZero) {
            if (*p != '0') {
                seenNonZero = true;
                if (!seenPoint) magnitude = 1;
            } else if (seenPoint) {
                --magnitude;
            }
        } else if (!seenPoint) {
            ++magnitude;
        }
    }
    long exp = 0;
    if (p < last) {
        ++p;
        const bool neg = p < last && *p == '-';
        if (neg) ++p;
        for (; p < last; ++p) {
            if (exp < 100000) exp = exp * 10 + (*p - '0');
        }
        if (neg) exp = -exp;
    }
    if (!seenNonZero || magnitude + exp < 0) {
        out = 0;
        return ParseStatus::Ok;
    }
    return ParseStatus::Overflow;
}

// The shared number grammar: [sign] digits [. digits] [E|D [sign] digits]. Val skips
// blanks anywhere and stops at the first character that cannot continue; the whole
// reading allows blanks only around the number and wants every character used.
ParseStatus ReadNumber(QStringView t, bool val, double& out) {
    qsizetype i = 0;
    const qsizetype n = t.size();
    auto isBlank = [val](QChar c) { return val ? IsValBlank(c) : (c == u' ' || c == u'\t'); };
    auto skip = [&] {
        if (val)
            while (i < n && IsValBlank(t[i])) ++i;
    };
    while (i < n && isBlank(t[i])) ++i;
    qsizetype end = n;
    if (!val) {
        while (end > i && isBlank(t[end - 1])) --end;
        t = t.first(end);
    }
    const qsizetype len = t.size();
    if (i < len && t[i] == u'&') return ReadRadix(t, i + 1, val, !val, out);

    // A plain whole number that ends the text is read at once: up to 15 digits it is
    // exact in a double, so the general conversion would give the same value. The unit's
    // replies carry dozens of such numbers each, several times per poll.
    {
        qsizetype j = i;
        const bool negative = j < len && t[j] == u'-';
        if (j < len && (t[j] == u'-' || t[j] == u'+')) ++j;
        const qsizetype first = j;
        int64_t whole = 0;
        for (; j < len && j - first < 15 && IsDigit(t[j]); ++j) whole = whole * 10 + (t[j].unicode() - u'0');
        if (j == len && j > first) {
            out = negative ? -static_cast<double>(whole) : static_cast<double>(whole);
            return ParseStatus::Ok;
        }
    }

    QVarLengthArray<char, 64> buf;
    if (i < len && (t[i] == u'-' || t[i] == u'+')) {
        if (t[i] == u'-') buf.append('-');
        ++i;
        skip();
    }
    int mantissaDigits = 0;
    bool point = false;
    for (; i < len; ++i) {
        const QChar c = t[i];
        if (IsDigit(c)) {
            buf.append(static_cast<char>(c.unicode()));
            ++mantissaDigits;
        } else if (c == u'.' && !point) {
            buf.append('.');
            point = true;
        } else if (!(val && IsValBlank(c))) {
            break;
        }
    }
    if (mantissaDigits == 0) return val ? (out = 0, ParseStatus::Ok) : ParseStatus::NoNumber;
    if (i < len && (t[i] == u'e' || t[i] == u'E' || t[i] == u'd' || t[i] == u'D')) {
        qsizetype j = i + 1;
        auto skipJ = [&] {
            if (val)
                while (j < len && IsValBlank(t[j])) ++j;
        };
        skipJ();
        bool neg = false;
        if (j < len && (t[j] == u'-' || t[j] == u'+')) {
            neg = t[j] == u'-';
            ++j;
            skipJ();
        }
        if (j < len && IsDigit(t[j])) {
            buf.append('e');
            if (neg) buf.append('-');
            for (; j < len; ++j) {
                if (IsDigit(t[j]))
                    buf.append(static_cast<char>(t[j].unicode()));
                else if (!(val && IsValBlank(t[j])))
                    break;
            }
            i = j;
        }
    }
    if (!val && i != len) return ParseStatus::NoNumber;
    return Convert(buf.data(), buf.data() + buf.size(), out);
}

}  // namespace

ParseStatus ReadLeadingNumber(QStringView text, double& out) { return ReadNumber(text, true, out); }
ParseStatus ReadWholeNumber(QStringView text, double& out) { return ReadNumber(text, false, out); }

}  // namespace detail

double Val(const QString& text) {
    double v = 0;
    if (detail::ReadLeadingNumber(text, v) == detail::ParseStatus::Overflow) throw RuntimeError::Overflow();
    return v;
}

double CDbl(const QString& text) {
    double v = 0;
    switch (detail::ReadWholeNumber(text, v)) {
    case detail::ParseStatus::Ok: return v;
    case detail::ParseStatus::Overflow: throw RuntimeError::Overflow();
    case detail::ParseStatus::NoNumber: break;
    }
    throw RuntimeError::TypeMismatch();
}

float CSng(const QString& text) {
    const double v = CDbl(text);
    if (std::fabs(v) > FLT_MAX) throw RuntimeError::Overflow();
    return static_cast<float>(v);
}

int16_t CInt(const QString& text) { return CInt(CDbl(text)); }
int32_t CLng(const QString& text) { return CLng(CDbl(text)); }

bool IsNumeric(const QString& text) {
    double v = 0;
    return detail::ReadWholeNumber(text, v) == detail::ParseStatus::Ok;
}

bool CBool(const QString& text) {
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) return false;
    return CDbl(text) != 0;
}

}  // namespace vb

namespace vb {

namespace {
const QVariant& NotNull(const QVariant& v) {
    if (v.isNull()) throw RuntimeError(94, QStringLiteral("Invalid use of Null"));
    return v;
}
bool IsText(const QVariant& v) { return v.typeId() == QMetaType::QString; }
}  // namespace

int16_t CIntOfVariant(const QVariant& value) {
    const QVariant& v = NotNull(value);
    return IsText(v) ? CInt(v.toString()) : CInt(v.toDouble());
}

int32_t CLngOfVariant(const QVariant& value) {
    const QVariant& v = NotNull(value);
    return IsText(v) ? CLng(v.toString()) : CLng(v.toDouble());
}

double CDblOfVariant(const QVariant& value) {
    const QVariant& v = NotNull(value);
    return IsText(v) ? CDbl(v.toString()) : v.toDouble();
}

QString CStrOfVariant(const QVariant& value) {
    const QVariant& v = NotNull(value);
    return v.typeId() == QMetaType::Double ? CStr(v.toDouble()) : v.toString();
}

}  // namespace vb
