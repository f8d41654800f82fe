// Numbers shown to the operator and written to the data log.
#include "app/modUtil.h"

#include "app/VBConv.h"
#include "app/cApp.h"
#include "app/modStrings.h"
#include "data/FilmRec.h"

#include <cmath>

namespace modUtil {

namespace {

// The pattern of a film's decimals; empty for a count the films do not use.
QString DecimalsPattern(int32_t decDigits) {
    switch (decDigits) {
    case 0: return QStringLiteral("\\ 0;-0");
    case 1: return QStringLiteral("\\ #.0;-#.0");
    case 2: return QStringLiteral("\\ #.00;-#.00");
    case 3: return QStringLiteral("\\ #.000;-#.000");
    case 4: return QStringLiteral("\\ #.0000;-#.0000");
    default: return QString();
    }
}

QString InDecimals(double value, int32_t decDigits) {
    const QString pattern = DecimalsPattern(decDigits);
    return pattern.isEmpty() ? QString() : vb::Format(value, pattern);
}

int16_t FilmOf(int16_t channel) { return RunApp().ChanFilm(channel); }

}  // namespace

QString FormatChannelValue(double value, int16_t channel) {
    const int16_t f = FilmOf(channel);
    if (f <= 0) return QString();
    const FilmRec& film = gFilm(f);
    const double v = film.Exponent != 0 ? value / std::pow(10.0, film.Exponent) : value;
    if (std::fabs(v) >= std::pow(10.0, film.IntDigits)) return QStringLiteral("OVRG");
    return InDecimals(v, film.DecDigits);
}

QString FormatFilmValue(double value, int16_t channel) {
    const int16_t f = FilmOf(channel);
    if (f < 1) return QString();
    return InDecimals(value, gFilm(f).DecDigits);
}

QString FormatDeviation(double value) {
    if (value >= 99) return QStringLiteral("> 99");
    if (value <= -99) return QStringLiteral("< -99");
    return vb::Format(value, QStringLiteral("\\ 0.0;-0.0"));
}

QString FormatOneDecimal(double value) { return vb::Format(value, QStringLiteral("\\ 0.0;-0.0")); }

QString FormatTwoDecimals(double value) { return vb::Format(value, QStringLiteral("0.00")); }

// The separators are those of the locale's standard number format of 1234 ("1,234.00":
// thousands separator 2nd, decimal separator 6th character).
QString CheckNumberSeparators(const QString& Text) {
    const QString standard = vb::Format(1234.0, QStringLiteral("Standard"));
    const QString decimal = vb::Mid(standard, 6, 1);
    if (decimal == u"," && Text.contains(QLatin1Char('.')))
        return modStrings::ReplaceChars(Text, QStringLiteral("."), QStringLiteral(","));
    if (decimal == u"." && Text.contains(QLatin1Char(',')))
        return modStrings::ReplaceChars(Text, QStringLiteral(","), QStringLiteral("."));
    return Text;
}

float TimeDiff(float start, float later) {
    if (start > later) later += 86400.0f;  // the timer passed midnight
    return later - start;
}

}  // namespace modUtil
