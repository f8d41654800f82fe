// Format and the number-to-text conversions against the texts the original gave.
#include "app/VBConv.h"
#include "support/ErrorNumber.h"

#include <gtest/gtest.h>

using namespace vb;

TEST(VBFormat, SignedSectionsOfTheDataLog) {
    EXPECT_EQ(Format(12.3456, "\\ 000.000;-000.000"), " 012.346");
    EXPECT_EQ(Format(-1.5, "\\ 000.000;-000.000"), "-001.500");
    EXPECT_EQ(Format(0.0, "\\ 00.000;-00.000"), " 00.000");
    EXPECT_EQ(Format(1234.5, "\\ 000.0;-000.0"), " 1234.5");  // more digits than places
    EXPECT_EQ(Format(0.456, "\\ #.00;-#.00"), " .46");
    EXPECT_EQ(Format(-0.456, "\\ #.00;-#.00"), "-.46");
    EXPECT_EQ(Format(0.5, "\\ #.00;-#.00"), " .50");
    EXPECT_EQ(Format(999.4, "\\ #.0;-#.0"), " 999.4");
    EXPECT_EQ(Format(7.0, "\\ 0;-0"), " 7");
    // The section follows the value's sign, even when its digits round away.
    EXPECT_EQ(Format(-0.0001, "\\ 0.0;-0.0"), "-0.0");
    EXPECT_EQ(Format(-0.04, "0.0"), "-0.0");
    EXPECT_EQ(Format(-0.0, "\\ 0.0;-0.0"), " 0.0");
    // A third section is for zero; empty sections fall back to the first one.
    EXPECT_EQ(Format(0.0, "0.0;(0.0);\\z\\e\\r\\o"), "zero");
    EXPECT_EQ(Format(-2.0, "0.0;(0.0);\\z\\e\\r\\o"), "(2.0)");
    EXPECT_EQ(Format(-2.0, "0.0;;\\z"), "-2.0");
    EXPECT_EQ(Format(-2.0, "\"<\"0\">\""), "-<2>");
}

TEST(VBFormat, DigitPlacesAndRoundingHalfAwayFromZero) {
    EXPECT_EQ(Format(2.5, "0"), "3");
    EXPECT_EQ(Format(-2.5, "0"), "-3");
    EXPECT_EQ(Format(0.125, "0.00"), "0.13");
    EXPECT_EQ(Format(1.005, "0.00"), "1.01");  // rounded on the 15 digits, not the binary value
    EXPECT_EQ(Format(2.675, "0.00"), "2.68");
    EXPECT_EQ(Format(9.995, "0.00"), "10.00");
    EXPECT_EQ(Format(0.96, "#.0"), "1.0");
    EXPECT_EQ(Format(0.04, "#.0"), ".0");
    EXPECT_EQ(Format(0.0, "#.00"), ".00");
    EXPECT_EQ(Format(4.1, "#.00"), "4.10");
    EXPECT_EQ(Format(0.0, "#"), "");
    EXPECT_EQ(Format(0.0, "##0.0"), "0.0");
    EXPECT_EQ(Format(5.25, "##0.0"), "5.3");
    EXPECT_EQ(Format(12.3456, "#000.000"), "012.346");
    EXPECT_EQ(Format(1.0, "#.##"), "1.");
    EXPECT_EQ(Format(1.5, "0.0#"), "1.5");
    EXPECT_EQ(Format(1.25, "0.0#"), "1.25");
    EXPECT_EQ(Format(0.0000005, "#.000000"), ".000001");
    EXPECT_EQ(Format(1e20, "0.0"), "100000000000000000000.0");
    EXPECT_EQ(Format(123456789.0, "0"), "123456789");
    EXPECT_EQ(Format(5.0, "00"), "05");
    EXPECT_EQ(Format(123.0, "00"), "123");
    EXPECT_EQ(Format(12.5, ".0"), "12.5");
    EXPECT_EQ(Format(411.00000000000006, "0"), "411");
    EXPECT_EQ(Format(0.000049, "0.0000"), "0.0000");
    // Right of a "0" in the whole number a "#" is filled like the "0"; left of it, not.
    EXPECT_EQ(Format(1.0, "000###"), "000001");
    EXPECT_EQ(Format(1.0, "#00##00#0"), "00000001");
    EXPECT_EQ(Format(0.5, "#0#.#"), "00.5");
}

TEST(VBFormat, ThousandsPercentLiteralsAndNamedNumbers) {
    EXPECT_EQ(Format(1234567.891, "#,##0.00"), "1,234,567.89");
    EXPECT_EQ(Format(5.0, "0,000"), "0,005");
    EXPECT_EQ(Format(123.0, "#,##0"), "123");
    EXPECT_EQ(Format(1234567.0, "#,##0,"), "1,235");
    EXPECT_EQ(Format(0.256, "0.0%"), "25.6%");
    EXPECT_EQ(Format(5.0, "\"Total: \"0 \\m\\A"), "Total: 5 mA");
    EXPECT_EQ(Format(5.0, "0 \\;x"), "5 ;x");
    EXPECT_EQ(Format(5.0, "0\"\""), "5");  // empty quotes and a trailing escape add nothing
    EXPECT_EQ(Format(5.0, "0\\"), "5");
    EXPECT_EQ(Format(0.0, "hh\\"), "00");
    EXPECT_EQ(Format(1234.0, "Standard"), "1,234.00");
    EXPECT_EQ(Format(1234.567, "Fixed"), "1234.57");
    EXPECT_EQ(Format(0.5, "Percent"), "50.00%");
    EXPECT_EQ(Format(-1234.5, "Currency"), "($1,234.50)");
    EXPECT_EQ(Format(1234.5, "Scientific"), "1.23E+03");
    EXPECT_EQ(Format(2.0, "Yes/No"), "Yes");
    EXPECT_EQ(Format(0.0, "On/Off"), "Off");
    EXPECT_EQ(Format(0.1 + 0.2, "General Number"), "0.3");
    EXPECT_EQ(Format(0.5, ""), "0.5");
}

TEST(VBFormat, Exponents) {
    EXPECT_EQ(Format(12345.0, "0.000E+00"), "1.235E+04");
    EXPECT_EQ(Format(0.00012345, "0.000E+00"), "1.235E-04");
    EXPECT_EQ(Format(12345.0, "0.00E-00"), "1.23E04");
    EXPECT_EQ(Format(0.00012345, "0.00e-0"), "1.23e-4");
    EXPECT_EQ(Format(9.9996, "0.000E+00"), "1.000E+01");  // the carry moves the exponent
    EXPECT_EQ(Format(-12345.0, "0.0E+000"), "-1.2E+004");
    EXPECT_EQ(Format(0.0, "0.00E+00"), "0.00E+00");
    EXPECT_EQ(Format(12345.0, "00.00E+00"), "12.35E+03");
    EXPECT_EQ(Format(1e-300, "0.0E+00"), "1.0E-300");
}

TEST(VBFormat, TimeOfDayFromSeconds) {
    EXPECT_EQ(Format(3725.0 / 86400, "hh:mm:ss"), "01:02:05");
    EXPECT_EQ(Format(0.0, "hh:mm:ss"), "00:00:00");
    EXPECT_EQ(Format(86399.0 / 86400, "hh:mm:ss"), "23:59:59");
    // A day or more shows only the time of day.
    EXPECT_EQ(Format(90061.0 / 86400, "hh:mm:ss"), "01:01:01");
    // Rounded to the nearest second, carrying into the next day.
    EXPECT_EQ(Format(59.6 / 86400, "hh:mm:ss"), "00:01:00");
    EXPECT_EQ(Format(86399.7 / 86400, "hh:mm:ss"), "00:00:00");
    for (int s : {1, 59, 60, 3599, 3600, 43199, 43200, 45296, 86398}) {
        const QString expected = QString::asprintf("%02d:%02d:%02d", s / 3600, s / 60 % 60, s % 60);
        EXPECT_EQ(Format(s / 86400.0, "hh:mm:ss"), expected) << s;
    }
    EXPECT_EQ(Format(3725.0 / 86400, "h:n:s"), "1:2:5");
    EXPECT_EQ(Format(3725.0 / 86400, "HH:MM"), "01:02");  // m after h is the minute
    EXPECT_EQ(Format(3725.0 / 86400, "Short Time"), "01:02");
}

TEST(VBFormat, DatePatternsAndNamedDates) {
    const double serial = DateSerialOf(QDateTime(QDate(2026, 12, 8), QTime(20, 42, 8)));
    EXPECT_EQ(Format(serial, "General Date"), "12/8/2026 8:42:08 PM");
    EXPECT_EQ(Format(serial, "Short Date"), "12/8/2026");
    EXPECT_EQ(Format(serial, "Long Date"), "Tuesday, December 8, 2026");
    EXPECT_EQ(Format(serial, "Medium Date"), "08-Dec-26");
    EXPECT_EQ(Format(serial, "Long Time"), "8:42:08 PM");
    EXPECT_EQ(Format(serial, "Medium Time"), "08:42 PM");
    EXPECT_EQ(Format(serial, "yyyy-mm-dd hh:nn:ss"), "2026-12-08 20:42:08");
    EXPECT_EQ(Format(serial, "d/m/yy"), "8/12/26");
    EXPECT_EQ(Format(serial, "ddd dddd mmm mmmm"), "Tue Tuesday Dec December");
    EXPECT_EQ(Format(serial, "h:mm am/pm"), "8:42 pm");
    EXPECT_EQ(Format(serial, "h A/P"), "8 P");
    EXPECT_EQ(Format(serial, "w q y"), "3 4 342");
    EXPECT_EQ(Format(serial, "\"Day \"d"), "Day 8");
    // General Date leaves out the part that is not there.
    EXPECT_EQ(Format(DateSerialOf(QDateTime(QDate(2026, 1, 2), QTime(0, 0))), "General Date"), "1/2/2026");
    EXPECT_EQ(Format(0.5, "General Date"), "12:00:00 PM");
    EXPECT_EQ(Format(0.0, "General Date"), "12:00:00 AM");
    EXPECT_EQ(Format(1.0, "General Date"), "12/31/1899");
    EXPECT_EQ(Format(QDateTime(QDate(2026, 12, 8), QTime(9, 5, 1)), "hh:mm:ss"), "09:05:01");
    EXPECT_EQ(Format(QDateTime(QDate(2026, 12, 8), QTime(0, 30, 0)), ""), "12/8/2026 12:30:00 AM");
    EXPECT_EQ(ErrorNumber([] { Format(1e10, "hh:mm:ss"); }), 6);
}

TEST(VBFormat, TextArgumentIsFormattedWhenItIsANumber) {
    EXPECT_EQ(Format(QString("1.5"), "0.00"), "1.50");
    EXPECT_EQ(Format(QString("abc"), "0.00"), "abc");
    EXPECT_EQ(Format(QString(" 2 "), ""), " 2 ");
}

TEST(VBNumberText, CStrKeepsFifteenDigitsAndSwitchesToExponents) {
    EXPECT_EQ(CStr(0.1 + 0.2), "0.3");
    EXPECT_EQ(CStr(1.0 / 3), "0.333333333333333");
    EXPECT_EQ(CStr(2.0 / 3), "0.666666666666667");
    EXPECT_EQ(CStr(25.0), "25");
    EXPECT_EQ(CStr(-0.25), "-0.25");
    EXPECT_EQ(CStr(0.0), "0");
    EXPECT_EQ(CStr(-0.0), "0");
    EXPECT_EQ(CStr(0.0001), "0.0001");
    EXPECT_EQ(CStr(0.00001), "1E-05");
    EXPECT_EQ(CStr(-0.000015), "-1.5E-05");
    EXPECT_EQ(CStr(123456789012345.0), "123456789012345");
    EXPECT_EQ(CStr(1e15), "1E+15");
    EXPECT_EQ(CStr(1e16), "1E+16");
    EXPECT_EQ(CStr(1234567890123456.0), "1.23456789012346E+15");
    EXPECT_EQ(CStr(999999999999999.9), "1E+15");
    EXPECT_EQ(CStr(1e100), "1E+100");
    EXPECT_EQ(CStr(1.5e-300), "1.5E-300");
    EXPECT_EQ(CStr(411.00000000000006), "411");
    EXPECT_EQ(CStr(int64_t{-9000000000}), "-9000000000");
    EXPECT_EQ(CStr(42), "42");
    EXPECT_EQ(CStr(true), "True");
    EXPECT_EQ(CStr(false), "False");
}

TEST(VBNumberText, SingleKeepsSevenDigits) {
    EXPECT_EQ(CStrSingle(0.1f), "0.1");
    EXPECT_EQ(CStrSingle(3725.25f), "3725.25");
    EXPECT_EQ(CStrSingle(1.0f / 3), "0.3333333");
    EXPECT_EQ(CStrSingle(1234567.0f), "1234567");
    EXPECT_EQ(CStrSingle(12345678.0f), "1.234568E+07");
    EXPECT_EQ(CStrSingle(86399.99f), "86399.99");
    EXPECT_EQ(CStrSingle(0.00001f), "1E-05");
    // A tie at the seventh digit rounds away from zero, a hair below it does not.
    EXPECT_EQ(CStrSingle(654322.25f), "654322.3");
    EXPECT_EQ(CStrSingle(-654322.25f), "-654322.3");
    EXPECT_EQ(CStrSingle(1234568.5f), "1234569");
    EXPECT_EQ(CStrSingle(0.12345645f), "0.1234564");  // stored as 0.123456448...
}

TEST(VBNumberText, StrReservesTheSignPlace) {
    EXPECT_EQ(Str(0.5), " .5");
    EXPECT_EQ(Str(-0.5), "-.5");
    EXPECT_EQ(Str(0.0), " 0");
    EXPECT_EQ(Str(12.0), " 12");
    EXPECT_EQ(Str(-3.25), "-3.25");
    EXPECT_EQ(Str(0.00001), " 1E-05");
}

TEST(VBNumberText, HexAndOctalOfWholeNumbers) {
    EXPECT_EQ(Hex(-1), "FFFFFFFF");
    EXPECT_EQ(Hex16(-1), "FFFF");
    EXPECT_EQ(Hex16(-32768), "8000");
    EXPECT_EQ(Hex(255), "FF");
    EXPECT_EQ(Hex(0), "0");
    EXPECT_EQ(Hex(0x1F), "1F");
    EXPECT_EQ(Oct(8), "10");
    EXPECT_EQ(Oct(-1), "37777777777");
}
