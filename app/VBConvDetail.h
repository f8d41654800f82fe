#pragma once
// Building blocks shared by the conversion routines (app/VBConv.h): the decimal digits of
// a binary number as the original language saw them, the leading-number reader and the
// date-pattern renderer. Not for use outside the conversions.
#include <QString>
#include <QStringView>
#include <cstdint>
#include <memory>

namespace vb::detail {

// The significant decimal digits of a finite, non-negative number, rounded to a fixed
// count (15 for a Double, 7 for a Single), then rounded again where a pattern asks.
// digits[0] stands for 10^exponent; count is the number of digits held (no trailing
// zeros are removed). A zero value has count 0.
struct Decimal {
    char digits[24] = {};
    int count = 0;
    int exponent = 0;
};

Decimal DecimalOf(double magnitude);      // 15 significant digits
Decimal DecimalOfSingle(float magnitude);  // 7 significant digits

// Rounds half away from zero so that no digit below 10^-places remains (places may be
// negative). A carry out of the first digit raises the exponent.
void RoundAtPlace(Decimal& d, int places);
// Rounds half away from zero to the given number of significant digits.
void RoundToDigits(Decimal& d, int significant);

// The general number text of CStr: fixed notation for exponents from -5 up to
// maxFixedExponent, else "1.5E+16" with at least two exponent digits.
QString GeneralText(const Decimal& d, bool negative, int maxFixedExponent);

// Reading a number from text.
enum class ParseStatus { Ok, NoNumber, Overflow };
// Val's reading: the leading number, blanks/tabs/line feeds skipped anywhere.
ParseStatus ReadLeadingNumber(QStringView text, double& out);
// CDbl's reading: the whole text (blanks around allowed) must be one number.
ParseStatus ReadWholeNumber(QStringView text, double& out);

// Reads a quoted ("...") or escaped (\x) literal at position i of a pattern: returns
// its text into literal and moves i past it; false when none starts at i.
bool TakeLiteral(QStringView pattern, qsizetype& i, QStringView& literal);

// A date pattern section compiled once: its tokens and whether it reads as a date
// pattern at all (its first token that is not a literal is a date or time token).
struct DatePattern;
std::shared_ptr<const DatePattern> CompileDatePattern(QStringView section);
bool StartsWithDateToken(const DatePattern& pattern);
// Renders a date serial. Throws RuntimeError 6 when the serial lies outside the years
// 100..9999.
QString FormatDate(double serial, const DatePattern& pattern);
// The fixed (US) forms of the named date formats ("c" for "General Date"); empty for any
// other name.
QStringView NamedDatePattern(QStringView name);

}  // namespace vb::detail
