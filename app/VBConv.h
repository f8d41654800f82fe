#pragma once
// The number, text and date conversions of the original language, with their exact
// semantics, in one place: every module formats and parses through these.
// Positions are 1-based as in the original; numbers are written with "." as the decimal
// separator (the program runs in the "C" number locale).
#include <QDateTime>
#include <QString>
#include <QVariant>
#include <concepts>
#include <cstdint>

namespace vb {

// ---- Number to text ----
// Format with a user pattern: sections split by ";" (positive;negative;zero), "0" and "#"
// digit places, "." and ",", "\x" and quoted literals, "%", "E+00"/"E-00" exponents;
// date/time patterns ("hh:mm:ss", "hh:mm", "nn", "General Date", "Short Date",
// "Long Time", "yyyy-mm-dd"...) read the value as a date serial (days since 1899-12-30,
// the time of day as the fraction). An empty pattern gives CStr(value).
// Values round half away from zero on their 15 significant digits; the section is chosen
// by the value's sign, so Format(-0.0001, "\ 0.0;-0.0") is "-0.0". Named forms are the
// fixed US ones: "General Date" "12/8/2026 8:42:08 PM" (the date alone at midnight, the
// time alone on day 0), "Short Date" "12/8/2026", "Long Time" "8:42:08 PM", "Short Time"
// "20:42", "Standard" "1,234.00". A date pattern with a serial outside the years
// 100..9999 is RuntimeError 6.
QString Format(double value, const QString& pattern);
// An empty pattern gives "General Date".
QString Format(const QDateTime& moment, const QString& pattern);
// Text that is a number (IsNumeric) is formatted as one; other text, or an empty
// pattern, gives the text unchanged.
QString Format(const QString& text, const QString& pattern);

// Text of a Double as CStr gives it: up to 15 significant digits, no leading blank,
// "0.5", "-0.25", "1E+16", "1E-05" (exponent form from 1E+15 and below 1E-04).
// NaN and infinities, which the original never held, give "NaN", "Inf", "-Inf".
QString CStr(double value);
// Text of a Single as CStr gives it: up to 7 significant digits (exponent form from 1E+07).
QString CStrSingle(float value);
QString CStr(int value);
QString CStr(int64_t value);
QString CStr(bool value);  // "True" / "False"
// Str$: as CStr but a non-negative number gets a leading blank and a leading "0." is
// written ".": Str(0.5) is " .5".
QString Str(double value);

// ---- Text to number ----
// Val: the leading number of the text; blanks, tabs and line feeds anywhere are skipped;
// "&H"/"&O" prefixes; "D" accepted as exponent; reading stops at the first character that
// cannot continue the number; no number gives 0. Val("1 2") is 12, Val("&H1F") is 31.
// A hexadecimal or octal value that fits 16 bits is an Integer (Val("&HFFFF") is -1),
// one that fits 32 bits a Long (Val("&H10000") is 65536). A number beyond the Double
// range, or a hexadecimal one beyond 32 bits, is RuntimeError 6 "Overflow".
double Val(const QString& text);
// CDbl/CSng/CInt/CLng of a text: the whole text must be a number (blanks around it
// allowed), else RuntimeError 13 "Type mismatch"; out of range is RuntimeError 6.
// A number is [sign] digits with at most one "." [E or D [sign] digits], or &H/&O and
// digits; "." is the only decimal separator and no thousands separator is accepted.
double CDbl(const QString& text);
float CSng(const QString& text);
int16_t CInt(const QString& text);
int32_t CLng(const QString& text);
bool IsNumeric(const QString& text);
// CBool of a text: "True"/"False" (any case) or a number (non-zero is True); else error 13.
bool CBool(const QString& text);

// ---- Variant to a type (a value read from a database column) ----
// CInt/CLng/CDbl/CStr of a Variant: a text converts as a text does, a number as a number
// does (whole numbers round half to even, error 6 outside the type's range); Null is
// RuntimeError 94 "Invalid use of Null".
// They take a QVariant only (no text or number is turned into one on the way).
int16_t CIntOfVariant(const QVariant& value);
int32_t CLngOfVariant(const QVariant& value);
double CDblOfVariant(const QVariant& value);
QString CStrOfVariant(const QVariant& value);
template <std::same_as<QVariant> V>
int16_t CInt(const V& value) { return CIntOfVariant(value); }
template <std::same_as<QVariant> V>
int32_t CLng(const V& value) { return CLngOfVariant(value); }
template <std::same_as<QVariant> V>
double CDbl(const V& value) { return CDblOfVariant(value); }
template <std::same_as<QVariant> V>
QString CStr(const V& value) { return CStrOfVariant(value); }

// ---- Number to whole number ----
// Round half to even; RuntimeError 6 "Overflow" outside the type's range.
int16_t CInt(double value);
int32_t CLng(double value);
// Round(value, digits): half to even at the given number of decimals.
double Round(double value, int digits = 0);
// Int (towards minus infinity) and Fix (towards zero).
double Int(double value);
double Fix(double value);

// Hex$ of a whole number: upper-case digits, no leading zeros; a negative 16-bit value
// gives 4 digits, a negative 32-bit value 8 digits.
QString Hex(int32_t value);
QString Hex16(int16_t value);
QString Oct(int32_t value);

// ---- Text routines with 1-based positions ----
QString Mid(const QString& text, int start, int length = -1);  // start < 1: error 5
QString Left(const QString& text, int length);                  // length < 0: error 5
QString Right(const QString& text, int length);                 // length < 0: error 5
// InStr: position of find in text from start (1-based), 0 when not there; an empty find
// gives start (when start <= Len + 1); start < 1 is error 5.
int InStr(int start, const QString& text, const QString& find, bool textCompare = false);
int InStr(const QString& text, const QString& find);
int InStrRev(const QString& text, const QString& find, int start = -1);
int Len(const QString& text);
QString Trim(const QString& text);   // blanks (spaces) only, not tabs
QString LTrim(const QString& text);
QString RTrim(const QString& text);
QString UCase(const QString& text);
QString LCase(const QString& text);
QString Space(int count);
QString String(int count, QChar ch);
int Asc(const QString& text);  // empty: error 5
QString Chr(int code);         // 0..255 as Latin-1; outside: error 5
// Like-free replacement of every occurrence (the original's Replace).
QString Replace(const QString& text, const QString& find, const QString& with);

// ---- Dates ----
// TimeValue of a time of day typed as hours, minutes and optional seconds separated by
// ":" ("1:30" is 01:30:00), blanks around it allowed, from 0:00:00 to 23:59:59: the
// fraction of a day. Anything else is RuntimeError 13 "Type mismatch".
double TimeValue(const QString& text);
// Date serial: days since 1899-12-30 with the time as fraction.
double DateSerialOf(const QDateTime& moment);
QDateTime DateFromSerial(double serial);

}  // namespace vb
