// Text to numbers, whole-number conversions and the 1-based text routines.
#include "app/VBConv.h"
#include "support/ErrorNumber.h"

#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <random>
#include <string>

using namespace vb;

TEST(VBVal, ReadsTheLeadingNumberSkippingBlanks) {
    EXPECT_EQ(Val("1 2"), 12);
    EXPECT_EQ(Val("  -1.5e2xyz"), -150);
    EXPECT_EQ(Val("1D2"), 100);
    EXPECT_EQ(Val(".5"), 0.5);
    EXPECT_EQ(Val("-.25"), -0.25);
    EXPECT_EQ(Val(""), 0);
    EXPECT_EQ(Val("abc"), 0);
    EXPECT_EQ(Val("- 5"), -5);
    EXPECT_EQ(Val("\t1\n0 mA"), 10);
    EXPECT_EQ(Val("1.2.3"), 1.2);
    EXPECT_EQ(Val("12;34"), 12);
    EXPECT_EQ(Val("1e"), 1);   // an exponent letter without digits ends the number
    EXPECT_EQ(Val("2E+"), 2);
    EXPECT_EQ(Val("3 E - 1"), 0.3);
    EXPECT_EQ(Val("+7"), 7);
    EXPECT_EQ(Val("--7"), 0);
    EXPECT_EQ(Val("1,5"), 1);  // the point is the only decimal separator
    EXPECT_EQ(Val("1e-400"), 0);
    EXPECT_EQ(ErrorNumber([] { Val("1e400"); }), 6);
    // The typed value keeps its nearest double, so a scaled value rounds back.
    EXPECT_EQ(CInt(Val("4.11") * 100), 411);
    EXPECT_EQ(std::lround(Val("4.11") * 100), 411);
    EXPECT_EQ(Val("4.11"), 4.11);
}

// Whole numbers, the bulk of what the unit sends, are read on a shorter way than the
// general grammar; both must give the value the decimal text stands for, bit for bit
// (the sign of a zero included), at every length on either side of the short way's
// 15 digits, with and without a sign, leading zeros or surrounding blanks.
TEST(VBVal, WholeNumbersOfEveryLengthReadAsTheirDecimalValue) {
    std::mt19937 rng(4911);
    for (int n = 0; n < 4000; ++n) {
        const int digits = 1 + static_cast<int>(rng() % 20);
        std::string number;
        for (int d = 0; d < digits; ++d) number += static_cast<char>('0' + rng() % 10);
        const char* signs[] = {"", "-", "+"};
        const std::string sign = signs[rng() % 3];
        const double expected = std::strtod((sign + number).c_str(), nullptr);
        const QString text = QString::fromStdString(sign + number);
        const auto same = [&](double got, const QString& shown) {
            EXPECT_EQ(got, expected) << shown.toStdString();
            EXPECT_EQ(std::signbit(got), std::signbit(expected)) << shown.toStdString();
        };
        same(Val(text), text);
        same(Val(QStringLiteral("  ") + text), text);
        same(CDbl(QStringLiteral(" ") + text + QStringLiteral("\t")), text);
        // What follows the digits ends the number as before.
        same(Val(text + QStringLiteral(";7")), text + ";7");
    }
    // Blanks inside still join the digits, and a sign alone is no number.
    EXPECT_EQ(Val("12 345"), 12345);
    EXPECT_EQ(Val("-"), 0);
    EXPECT_EQ(ErrorNumber([] { CDbl("-"); }), 13);
    EXPECT_TRUE(std::signbit(Val("-0")));
    EXPECT_EQ(CLng(QStringLiteral("2147483647")), 2147483647);
    EXPECT_EQ(ErrorNumber([] { CLng(QStringLiteral("2147483648")); }), 6);
}

TEST(VBVal, ReadsHexadecimalAndOctalAsTheirWholeNumberType) {
    EXPECT_EQ(Val("&H1F"), 31);
    EXPECT_EQ(Val("&h1f"), 31);
    EXPECT_EQ(Val("&O17"), 15);
    EXPECT_EQ(Val("&17"), 15);
    EXPECT_EQ(Val("&HFFFF"), -1);
    EXPECT_EQ(Val("&H8000"), -32768);
    EXPECT_EQ(Val("&H7FFF"), 32767);
    EXPECT_EQ(Val("&H10000"), 65536);
    EXPECT_EQ(Val("&HFFFFFFFF"), -1);
    EXPECT_EQ(Val("&H1FG"), 31);
    EXPECT_EQ(Val("&H"), 0);
    EXPECT_EQ(Val("&O8"), 0);
    EXPECT_EQ(Val(" & H 1 F"), 31);
    EXPECT_EQ(ErrorNumber([] { Val("&H100000000"); }), 6);
}

TEST(VBCheckedConversions, WholeTextMustBeANumber) {
    EXPECT_EQ(CDbl(" 1.5 "), 1.5);
    EXPECT_EQ(CDbl("-2.5E3"), -2500);
    EXPECT_EQ(CDbl("1D2"), 100);
    EXPECT_EQ(CDbl("5."), 5);
    EXPECT_EQ(CDbl("&H1F"), 31);
    for (const char* bad : {"abc", "", " ", "1 2", "1.5x", "-", ".", "1e", "&H", "&HG", "1,5", "--1"})
        EXPECT_EQ(ErrorNumber([bad] { CDbl(bad); }), 13) << bad;
    EXPECT_EQ(ErrorNumber([] { CDbl("1e400"); }), 6);
    EXPECT_FLOAT_EQ(CSng("0.1"), 0.1f);
    EXPECT_EQ(ErrorNumber([] { CSng("1e39"); }), 6);
    EXPECT_EQ(CInt(QString("2.5")), 2);
    EXPECT_EQ(CLng(QString(" 70000 ")), 70000);
    EXPECT_EQ(ErrorNumber([] { CInt(QString("40000")); }), 6);
    EXPECT_EQ(ErrorNumber([] { CLng(QString("x")); }), 13);
    EXPECT_TRUE(IsNumeric(" -1.5e2 "));
    EXPECT_TRUE(IsNumeric("&HFF"));
    EXPECT_FALSE(IsNumeric("1.5 mA"));
    EXPECT_FALSE(IsNumeric(""));
    EXPECT_TRUE(CBool("True"));
    EXPECT_FALSE(CBool(" false "));
    EXPECT_TRUE(CBool("-1"));
    EXPECT_FALSE(CBool("0"));
    EXPECT_EQ(ErrorNumber([] { CBool("yes"); }), 13);
}

TEST(VBWholeNumbers, RoundHalfToEvenWithOverflow) {
    EXPECT_EQ(CInt(2.5), 2);
    EXPECT_EQ(CInt(3.5), 4);
    EXPECT_EQ(CInt(-2.5), -2);
    EXPECT_EQ(CInt(-3.5), -4);
    EXPECT_EQ(CInt(2.6), 3);
    EXPECT_EQ(CInt(32767.4), 32767);
    EXPECT_EQ(CInt(-32768.5), -32768);
    EXPECT_EQ(ErrorNumber([] { CInt(32767.5); }), 6);
    EXPECT_EQ(ErrorNumber([] { CInt(-32769.0); }), 6);
    EXPECT_EQ(ErrorNumber([] { CInt(std::nan("")); }), 6);
    EXPECT_EQ(CLng(49150.5), 49150);
    EXPECT_EQ(CLng(49151.5), 49152);
    EXPECT_EQ(CLng(2147483647.4), 2147483647);
    EXPECT_EQ(CLng(-2147483648.5), -2147483647 - 1);
    EXPECT_EQ(ErrorNumber([] { CLng(2147483647.5); }), 6);
    EXPECT_EQ(Round(2.5), 2);
    EXPECT_EQ(Round(3.5), 4);
    EXPECT_EQ(Round(-2.5), -2);
    EXPECT_EQ(Round(0.125, 2), 0.12);
    EXPECT_EQ(Round(0.375, 2), 0.38);
    EXPECT_EQ(Round(1.23456, 3), 1.235);
    EXPECT_EQ(Round(1e300, 5), 1e300);
    EXPECT_EQ(ErrorNumber([] { Round(1.5, -1); }), 5);
    EXPECT_EQ(Int(-1.5), -2);
    EXPECT_EQ(Fix(-1.5), -1);
    EXPECT_EQ(Int(1.5), 1);
}

TEST(VBText, OneBasedPositionsAndArgumentChecks) {
    EXPECT_EQ(Mid("abc", 2), "bc");
    EXPECT_EQ(Mid("abc", 2, 1), "b");
    EXPECT_EQ(Mid("abc", 3, 10), "c");
    EXPECT_EQ(Mid("abc", 4), "");
    EXPECT_EQ(Mid("abc", 5), "");
    EXPECT_EQ(Mid("abc", 1, 0), "");
    EXPECT_EQ(ErrorNumber([] { Mid("abc", 0); }), 5);
    EXPECT_EQ(ErrorNumber([] { Mid("abc", 1, -2); }), 5);
    EXPECT_EQ(Left("abc", 2), "ab");
    EXPECT_EQ(Left("abc", 9), "abc");
    EXPECT_EQ(Right("abc", 2), "bc");
    EXPECT_EQ(Right("abc", 0), "");
    EXPECT_EQ(ErrorNumber([] { Left("abc", -1); }), 5);
    EXPECT_EQ(ErrorNumber([] { Right("abc", -1); }), 5);
    EXPECT_EQ(Len("abc"), 3);
}

TEST(VBText, InStrFindsFromAStartPosition) {
    EXPECT_EQ(InStr("abcabc", "c"), 3);
    EXPECT_EQ(InStr(4, "abcabc", "c"), 6);
    EXPECT_EQ(InStr(1, "abc", ""), 1);
    EXPECT_EQ(InStr(3, "abc", ""), 3);
    EXPECT_EQ(InStr(5, "abc", "a"), 0);
    EXPECT_EQ(InStr(1, "abc", "d"), 0);
    EXPECT_EQ(InStr(1, "", "a"), 0);
    EXPECT_EQ(InStr(1, "ABC", "b"), 0);
    EXPECT_EQ(InStr(1, "ABC", "b", true), 2);
    EXPECT_EQ(ErrorNumber([] { InStr(0, "abc", "a"); }), 5);
    EXPECT_EQ(InStrRev("abcabc", "abc"), 4);
    EXPECT_EQ(InStrRev("abcabc", "abc", 5), 1);
    EXPECT_EQ(InStrRev("abcabc", "x"), 0);
    EXPECT_EQ(InStrRev("abc", "b", 10), 0);
    EXPECT_EQ(InStrRev("a\\b\\c.txt", "\\"), 4);
    EXPECT_EQ(ErrorNumber([] { InStrRev("abc", "b", 0); }), 5);
}

TEST(VBText, TrimCaseFillAndCharacterCodes) {
    EXPECT_EQ(Trim("  a b  "), "a b");
    EXPECT_EQ(Trim("\ta\t"), "\ta\t");  // only blanks
    EXPECT_EQ(LTrim("  a "), "a ");
    EXPECT_EQ(RTrim("  a "), "  a");
    EXPECT_EQ(UCase("aBc"), "ABC");
    EXPECT_EQ(LCase("aBc"), "abc");
    EXPECT_EQ(Space(3), "   ");
    EXPECT_EQ(String(2, QChar('-')), "--");
    EXPECT_EQ(ErrorNumber([] { Space(-1); }), 5);
    EXPECT_EQ(Asc("A"), 65);
    EXPECT_EQ(Asc(QString(QChar(0xE9))), 0xE9);
    EXPECT_EQ(ErrorNumber([] { Asc(""); }), 5);
    EXPECT_EQ(Chr(6), QString(QChar(6)));
    EXPECT_EQ(Chr(255), QString(QChar(255)));
    EXPECT_EQ(ErrorNumber([] { Chr(256); }), 5);
    EXPECT_EQ(Replace("a.b.c", ".", ","), "a,b,c");
    EXPECT_EQ(Replace("abc", "", "x"), "abc");
}

TEST(VBDates, SerialsRoundTripIncludingBeforeTheEpoch) {
    const QDateTime noon(QDate(1899, 12, 30), QTime(12, 0));
    EXPECT_EQ(DateSerialOf(noon), 0.5);
    EXPECT_EQ(DateSerialOf(QDateTime(QDate(1900, 1, 1), QTime(6, 0))), 2.25);
    // Before the epoch the day counts back but the time still counts forward.
    const QDateTime before(QDate(1899, 12, 29), QTime(6, 0));
    EXPECT_EQ(DateSerialOf(before), -1.25);
    EXPECT_EQ(DateFromSerial(-1.25), before);
    const QDateTime m(QDate(2026, 12, 8), QTime(20, 42, 8, 500));
    EXPECT_EQ(DateFromSerial(DateSerialOf(m)), m);
    EXPECT_EQ(DateFromSerial(46364.0), QDateTime(QDate(2026, 12, 8), QTime(0, 0)));
    EXPECT_EQ(ErrorNumber([] { DateFromSerial(1e9); }), 6);
}
