// Format with user and named patterns. A pattern is compiled once and kept in a small
// per-thread cache, so formatting a reading costs the digit conversion and one string.
//
// Number sections follow the original: "0" shows a digit or a zero, "#" a digit only when
// significant (no digit before the point for a value below 1; a "#" right of a "0" in the
// whole-number part is filled like the "0"), "." is always shown, ","
// between digit places groups thousands and right of the last one divides by 1000, "%"
// multiplies by 100, "E+0"/"E-0" write an exponent, "\x" and "..." are literals, any
// other character is shown as it stands. Values are rounded half away from zero on their
// 15 significant digits. The section is chosen by the value's own sign, so a small
// negative value shows as "-0.0" when its digits round away.
#include "app/VBConv.h"
#include "app/VBConvDetail.h"

#include <QHash>
#include <QVarLengthArray>
#include <cmath>
#include <vector>

namespace vb {

namespace {

using detail::Decimal;

struct Item {
    enum Kind : uint8_t { Literal, IntPlace, Point, FracPlace, Exponent } kind;
    char place = '0';  // '0' or '#'
    QString text;      // literal text
};

struct NumberSection {
    std::vector<Item> items;
    std::vector<char> fracPlaces;  // '0' or '#' for each place after the point
    int intPlaces = 0;
    bool grouping = false;
    int thousandsScale = 0;
    int percent = 0;
    bool empty = true;
    // Exponent
    bool scientific = false;
    QChar expChar = u'E';
    bool expPlus = false;
    int expZeros = 0;
};

struct CompiledFormat {
    enum Kind : uint8_t { General, Number, Date, Boolean } kind = General;
    std::vector<NumberSection> sections;
    std::shared_ptr<const detail::DatePattern> date;
    QString whenTrue, whenFalse;
};

// Splits at ";" outside quotes and escapes.
std::vector<QStringView> SplitSections(QStringView p) {
    std::vector<QStringView> out;
    qsizetype start = 0;
    bool quoted = false;
    for (qsizetype i = 0; i < p.size(); ++i) {
        const QChar c = p[i];
        if (c == u'"') {
            quoted = !quoted;
        } else if (!quoted && c == u'\\') {
            ++i;
        } else if (!quoted && c == u';') {
            out.push_back(p.mid(start, i - start));
            start = i + 1;
        }
    }
    out.push_back(p.mid(start));
    return out;
}

bool IsPlace(QChar c) { return c == u'0' || c == u'#'; }

NumberSection CompileNumber(QStringView s) {
    NumberSection sec;
    sec.empty = s.isEmpty();
    std::vector<int> commas;  // integer places seen before each ","
    enum { IntPart, FracPart, ExpPart } phase = IntPart;
    bool zeroPlaceSeen = false;  // a "0" among the whole-number places so far
    auto literal = [&](QStringView text) {
        if (!sec.items.empty() && sec.items.back().kind == Item::Literal)
            sec.items.back().text += text;
        else
            sec.items.push_back({Item::Literal, '0', text.toString()});
    };
    qsizetype i = 0;
    while (i < s.size()) {
        const QChar c = s[i];
        if (IsPlace(c) && phase != ExpPart) {
            char place = static_cast<char>(c.unicode());
            if (phase == IntPart) {
                // Right of a "0" the whole number is shown in full: a "#" there is a "0".
                if (place == '0') zeroPlaceSeen = true;
                else if (zeroPlaceSeen) place = '0';
                sec.items.push_back({Item::IntPlace, place, {}});
                ++sec.intPlaces;
            } else {
                sec.items.push_back({Item::FracPlace, place, {}});
                sec.fracPlaces.push_back(place);
            }
            ++i;
        } else if (c == u'.' && phase == IntPart) {
            sec.items.push_back({Item::Point, '0', {}});
            phase = FracPart;
            ++i;
        } else if (c == u',' && phase != ExpPart) {
            if (phase == IntPart) commas.push_back(sec.intPlaces);
            ++i;
        } else if (c == u'%') {
            ++sec.percent;
            literal(u"%");
            ++i;
        } else if ((c == u'E' || c == u'e') && phase != ExpPart && i + 2 < s.size() &&
                   (s[i + 1] == u'+' || s[i + 1] == u'-') && IsPlace(s[i + 2])) {
            sec.scientific = true;
            sec.expChar = c;
            sec.expPlus = s[i + 1] == u'+';
            i += 2;
            while (i < s.size() && IsPlace(s[i])) {
                if (s[i] == u'0') ++sec.expZeros;
                ++i;
            }
            sec.items.push_back({Item::Exponent, '0', {}});
            phase = ExpPart;
        } else if (QStringView lit; detail::TakeLiteral(s, i, lit)) {
            literal(lit);
        } else {
            literal(s.mid(i, 1));
            ++i;
        }
    }
    for (int before : commas) {
        if (before < sec.intPlaces)
            sec.grouping = true;
        else
            ++sec.thousandsScale;
    }
    return sec;
}

struct NamedNumber {
    QLatin1String name;
    QStringView pattern;
};
const NamedNumber kNamedNumbers[] = {
    {QLatin1String("Currency"), u"$#,##0.00;($#,##0.00)"},
    {QLatin1String("Fixed"), u"0.00"},
    {QLatin1String("Standard"), u"#,##0.00"},
    {QLatin1String("Percent"), u"0.00%"},
    {QLatin1String("Scientific"), u"0.00E+00"},
};

std::shared_ptr<const CompiledFormat> Compile(const QString& pattern) {
    auto f = std::make_shared<CompiledFormat>();
    if (pattern.isEmpty() || pattern.compare(QLatin1String("General Number"), Qt::CaseInsensitive) == 0)
        return f;
    static const std::pair<QLatin1String, std::pair<QLatin1String, QLatin1String>> kBooleans[] = {
        {QLatin1String("Yes/No"), {QLatin1String("Yes"), QLatin1String("No")}},
        {QLatin1String("True/False"), {QLatin1String("True"), QLatin1String("False")}},
        {QLatin1String("On/Off"), {QLatin1String("On"), QLatin1String("Off")}},
    };
    for (const auto& b : kBooleans) {
        if (pattern.compare(b.first, Qt::CaseInsensitive) == 0) {
            f->kind = CompiledFormat::Boolean;
            f->whenTrue = b.second.first;
            f->whenFalse = b.second.second;
            return f;
        }
    }
    const QStringView namedDate = detail::NamedDatePattern(pattern);
    if (!namedDate.isEmpty()) {
        f->kind = CompiledFormat::Date;
        f->date = detail::CompileDatePattern(namedDate);
        return f;
    }
    QStringView text = pattern;
    for (const auto& n : kNamedNumbers)
        if (pattern.compare(n.name, Qt::CaseInsensitive) == 0) text = n.pattern;

    const auto sections = SplitSections(text);
    auto date = detail::CompileDatePattern(sections.front());
    if (detail::StartsWithDateToken(*date)) {
        f->kind = CompiledFormat::Date;
        f->date = std::move(date);
        return f;
    }
    f->kind = CompiledFormat::Number;
    for (size_t k = 0; k < sections.size() && k < 3; ++k) f->sections.push_back(CompileNumber(sections[k]));
    if (f->sections.front().empty) f->kind = CompiledFormat::General;
    return f;
}

const CompiledFormat& Compiled(const QString& pattern) {
    // Patterns are a handful of constant texts; the bound only guards against a caller
    // that builds patterns from data.
    thread_local QHash<QString, std::shared_ptr<const CompiledFormat>> cache;
    auto it = cache.constFind(pattern);
    if (it != cache.constEnd()) return **it;
    if (cache.size() >= 256) cache.clear();
    return **cache.insert(pattern, Compile(pattern));
}

QString Render(const NumberSection& s, double value, bool minus) {
    double v = std::fabs(value);
    for (int k = 0; k < s.percent; ++k) v *= 100.0;
    for (int k = 0; k < s.thousandsScale; ++k) v /= 1000.0;
    Decimal d = detail::DecimalOf(v);
    const int nFrac = static_cast<int>(s.fracPlaces.size());

    QVarLengthArray<char, 32> intDigits;  // without leading zeros; empty for 0
    QVarLengthArray<char, 16> fracDigits(nFrac);
    int exponent = 0;
    if (s.scientific) {
        if (d.count > 0) {
            const int lead = s.intPlaces > 0 ? s.intPlaces : 0;
            detail::RoundToDigits(d, std::max(1, lead + nFrac));
            exponent = d.exponent - (lead - 1);
            for (int k = 0; k < lead; ++k) intDigits.append(k < d.count ? d.digits[k] : '0');
            for (int j = 0; j < nFrac; ++j) fracDigits[j] = lead + j < d.count ? d.digits[lead + j] : '0';
        } else {
            std::fill(fracDigits.begin(), fracDigits.end(), '0');
        }
    } else {
        detail::RoundAtPlace(d, nFrac);
        const int x = d.exponent;
        if (d.count > 0)
            for (int k = 0; k <= x; ++k) intDigits.append(k < d.count ? d.digits[k] : '0');
        for (int j = 0; j < nFrac; ++j) {
            const int k = x + 1 + j;
            fracDigits[j] = d.count > 0 && k >= 0 && k < d.count ? d.digits[k] : '0';
        }
    }
    // Optional places at the end drop their zeros.
    int fracShown = nFrac;
    while (fracShown > 0 && s.fracPlaces[fracShown - 1] == '#' && fracDigits[fracShown - 1] == '0') --fracShown;

    const int nInt = static_cast<int>(intDigits.size());
    QString out;
    out.reserve(nInt + nFrac + 16);
    if (minus) out += QLatin1Char('-');
    auto digit = [&](char ch, int position) {
        out += QLatin1Char(ch);
        if (s.grouping && position > 0 && position % 3 == 0) out += QLatin1Char(',');
    };
    auto leadingDigits = [&](int count) {
        for (int k = 0; k < count; ++k) digit(intDigits[k], nInt - 1 - k);
    };
    int place = 0;
    int fracIndex = 0;
    for (const Item& item : s.items) {
        switch (item.kind) {
        case Item::Literal: out += item.text; break;
        case Item::IntPlace: {
            const int position = s.intPlaces - 1 - place;
            if (place == 0 && nInt > s.intPlaces) leadingDigits(nInt - s.intPlaces);
            if (position < nInt)
                digit(intDigits[nInt - 1 - position], position);
            else if (item.place == '0')
                digit('0', position);
            ++place;
            break;
        }
        case Item::Point:
            if (s.intPlaces == 0) leadingDigits(nInt);
            out += QLatin1Char('.');
            break;
        case Item::FracPlace:
            if (fracIndex < fracShown) out += QLatin1Char(fracDigits[fracIndex]);
            ++fracIndex;
            break;
        case Item::Exponent: {
            out += s.expChar;
            if (exponent < 0)
                out += QLatin1Char('-');
            else if (s.expPlus)
                out += QLatin1Char('+');
            QString e = QString::number(std::abs(exponent));
            if (e.size() < s.expZeros) e.prepend(QString(s.expZeros - e.size(), QLatin1Char('0')));
            if (exponent == 0 && s.expZeros == 0) e.clear();
            out += e;
            break;
        }
        }
    }
    return out;
}

QString FormatNumber(const CompiledFormat& f, double value) {
    if (!std::isfinite(value)) return CStr(value);
    const auto& secs = f.sections;
    if (value < 0) {
        if (secs.size() >= 2 && !secs[1].empty) return Render(secs[1], value, false);
        return Render(secs[0], value, true);
    }
    if (value == 0 && secs.size() >= 3 && !secs[2].empty) return Render(secs[2], value, false);
    return Render(secs[0], value, false);
}

}  // namespace

QString Format(double value, const QString& pattern) {
    const CompiledFormat& f = Compiled(pattern);
    switch (f.kind) {
    case CompiledFormat::General: return CStr(value);
    case CompiledFormat::Number: return FormatNumber(f, value);
    case CompiledFormat::Date: return detail::FormatDate(value, *f.date);
    case CompiledFormat::Boolean: return value != 0 ? f.whenTrue : f.whenFalse;
    }
    return CStr(value);
}

QString Format(const QDateTime& moment, const QString& pattern) {
    return Format(DateSerialOf(moment), pattern.isEmpty() ? QStringLiteral("General Date") : pattern);
}

QString Format(const QString& text, const QString& pattern) {
    if (pattern.isEmpty() || !IsNumeric(text)) return text;
    return Format(CDbl(text), pattern);
}

}  // namespace vb
