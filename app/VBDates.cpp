// Date serials (days since 1899-12-30, the time of day as the fraction) and the date
// and time patterns of Format. Names of days and months and the named formats are the
// fixed US English forms: Short Date "12/8/2026", Long Time "8:42:08 PM", General Date
// "12/8/2026 8:42:08 PM" (the date alone at midnight, the time alone on day 0).
#include "app/VBConv.h"
#include "app/VBConvDetail.h"
#include "platform/RuntimeError.h"

#include <QStringList>

#include <array>
#include <cmath>
#include <vector>

namespace vb {
namespace detail {

namespace {

const QDate kEpoch(1899, 12, 30);
// The original's date range: 1 January 100 to 31 December 9999.
constexpr double kFirstSerial = -657434.0;
constexpr double kLastSerial = 2958466.0;

constexpr std::array<const char*, 7> kDayNames = {"Sunday", "Monday", "Tuesday", "Wednesday",
                                                  "Thursday", "Friday", "Saturday"};
constexpr std::array<const char*, 12> kMonthNames = {"January", "February", "March",     "April",
                                                     "May",     "June",     "July",      "August",
                                                     "September", "October", "November", "December"};

enum class Tok : uint8_t {
    Literal, General, Day, Day2, DayAbbr, DayName, ShortDate, LongDate, Weekday, WeekOfYear,
    Month, Month2, MonthAbbr, MonthName, Minute, Minute2, Quarter, DayOfYear, Year2, Year4,
    Hour, Hour2, Second, Second2, LongTime, AmPm, AP,
};

struct Token {
    Tok kind;
    bool upper = true;  // AM/PM and A/P: the case of the pattern
    QString text;       // literal text
};

bool IsLetter(QChar c, char lower) { return c == QChar(lower) || c == QChar(lower - 32); }

qsizetype RunLength(QStringView s, qsizetype i, char lower) {
    qsizetype n = 0;
    while (i + n < s.size() && IsLetter(s[i + n], lower)) ++n;
    return n;
}

bool MatchesAt(QStringView s, qsizetype i, QLatin1String word) {
    return s.size() - i >= word.size() && s.mid(i, word.size()).compare(word, Qt::CaseInsensitive) == 0;
}

QString TwoDigits(int v) {
    const char b[2] = {static_cast<char>('0' + v / 10 % 10), static_cast<char>('0' + v % 10)};
    return QString::fromLatin1(b, 2);
}

int VbWeekday(const QDate& d) { return d.dayOfWeek() % 7 + 1; }  // Sunday is 1

}  // namespace

bool TakeLiteral(QStringView s, qsizetype& i, QStringView& literal) {
    if (s[i] == u'\\') {
        literal = s.mid(i + 1, i + 1 < s.size() ? 1 : 0);
        i += 2;
        return true;
    }
    if (s[i] == u'"') {
        qsizetype j = i + 1;
        while (j < s.size() && s[j] != u'"') ++j;
        literal = s.mid(i + 1, j - i - 1);
        i = j + 1;
        return true;
    }
    return false;
}

struct DatePattern {
    std::vector<Token> tokens;
    bool twelveHour = false;
    bool dateFirst = false;
};

std::shared_ptr<const DatePattern> CompileDatePattern(QStringView s) {
    auto p = std::make_shared<DatePattern>();
    bool sawToken = false;
    auto literal = [&](QStringView text) {
        if (!p->tokens.empty() && p->tokens.back().kind == Tok::Literal)
            p->tokens.back().text += text;
        else
            p->tokens.push_back({Tok::Literal, true, text.toString()});
    };
    auto add = [&](Tok t, bool upper = true) {
        if (!sawToken) p->dateFirst = true;
        sawToken = true;
        p->tokens.push_back({t, upper, {}});
    };
    // "m" right after an hour (literals between do not count) is the minute.
    auto afterHour = [&] {
        for (auto it = p->tokens.rbegin(); it != p->tokens.rend(); ++it)
            if (it->kind != Tok::Literal) return it->kind == Tok::Hour || it->kind == Tok::Hour2;
        return false;
    };
    qsizetype i = 0;
    while (i < s.size()) {
        const QChar c = s[i];
        if (QStringView lit; TakeLiteral(s, i, lit)) {
            literal(lit);
        } else if (IsLetter(c, 'c')) {
            add(Tok::General);
            ++i;
        } else if (IsLetter(c, 'd')) {
            const qsizetype n = std::min<qsizetype>(RunLength(s, i, 'd'), 6);
            static constexpr Tok kinds[] = {Tok::Day, Tok::Day2, Tok::DayAbbr, Tok::DayName, Tok::ShortDate, Tok::LongDate};
            add(kinds[n - 1]);
            i += n;
        } else if (IsLetter(c, 'w')) {
            const qsizetype n = std::min<qsizetype>(RunLength(s, i, 'w'), 2);
            add(n == 1 ? Tok::Weekday : Tok::WeekOfYear);
            i += n;
        } else if (IsLetter(c, 'm')) {
            const qsizetype n = std::min<qsizetype>(RunLength(s, i, 'm'), 4);
            if (n <= 2 && afterHour())
                add(n == 1 ? Tok::Minute : Tok::Minute2);
            else
                add(n == 1 ? Tok::Month : n == 2 ? Tok::Month2 : n == 3 ? Tok::MonthAbbr : Tok::MonthName);
            i += n;
        } else if (IsLetter(c, 'n')) {
            const qsizetype n = std::min<qsizetype>(RunLength(s, i, 'n'), 2);
            add(n == 1 ? Tok::Minute : Tok::Minute2);
            i += n;
        } else if (IsLetter(c, 'q')) {
            add(Tok::Quarter);
            ++i;
        } else if (IsLetter(c, 'y')) {
            const qsizetype n = RunLength(s, i, 'y');
            const qsizetype take = n >= 4 ? 4 : n >= 2 ? 2 : 1;
            add(take == 4 ? Tok::Year4 : take == 2 ? Tok::Year2 : Tok::DayOfYear);
            i += take;
        } else if (IsLetter(c, 'h')) {
            const qsizetype n = std::min<qsizetype>(RunLength(s, i, 'h'), 2);
            add(n == 1 ? Tok::Hour : Tok::Hour2);
            i += n;
        } else if (IsLetter(c, 's')) {
            const qsizetype n = std::min<qsizetype>(RunLength(s, i, 's'), 2);
            add(n == 1 ? Tok::Second : Tok::Second2);
            i += n;
        } else if (IsLetter(c, 't') && RunLength(s, i, 't') >= 5) {
            add(Tok::LongTime);
            i += 5;
        } else if (MatchesAt(s, i, QLatin1String("AM/PM"))) {
            add(Tok::AmPm, c == u'A');
            p->twelveHour = true;
            i += 5;
        } else if (MatchesAt(s, i, QLatin1String("AMPM"))) {
            add(Tok::AmPm, true);
            p->twelveHour = true;
            i += 4;
        } else if (MatchesAt(s, i, QLatin1String("A/P"))) {
            add(Tok::AP, c == u'A');
            p->twelveHour = true;
            i += 3;
        } else {
            literal(s.mid(i, 1));
            ++i;
        }
    }
    return p;
}

bool StartsWithDateToken(const DatePattern& pattern) { return pattern.dateFirst; }

QStringView NamedDatePattern(QStringView name) {
    struct Named {
        QLatin1String name;
        QStringView pattern;
    };
    static const Named kNamed[] = {
        {QLatin1String("General Date"), u"c"},
        {QLatin1String("Long Date"), u"dddd, mmmm d, yyyy"},
        {QLatin1String("Medium Date"), u"dd-mmm-yy"},
        {QLatin1String("Short Date"), u"m/d/yyyy"},
        {QLatin1String("Long Time"), u"h:mm:ss AM/PM"},
        {QLatin1String("Medium Time"), u"hh:mm AM/PM"},
        {QLatin1String("Short Time"), u"hh:mm"},
    };
    for (const auto& n : kNamed)
        if (name.compare(n.name, Qt::CaseInsensitive) == 0) return n.pattern;
    return {};
}

namespace {

struct Moment {
    QDate date;
    int seconds = 0;  // of the day, rounded to the nearest second
    bool dayZero = false;
};

Moment MomentOf(double serial) {
    if (!(serial > kFirstSerial - 1.0 && serial < kLastSerial)) throw RuntimeError::Overflow();
    const double day = std::trunc(serial);
    // Before the epoch the fraction still counts forward from the day's midnight.
    const double fraction = std::fabs(serial - day);
    Moment m;
    m.date = kEpoch.addDays(static_cast<qint64>(day));
    m.seconds = static_cast<int>(std::lround(fraction * 86400.0));
    if (m.seconds >= 86400) {
        m.seconds -= 86400;
        m.date = m.date.addDays(1);
    }
    m.dayZero = m.date == kEpoch;
    return m;
}

const DatePattern& Fixed(QStringView pattern) {
    // The named forms, compiled once.
    static const auto shortDate = CompileDatePattern(u"m/d/yyyy");
    static const auto longDate = CompileDatePattern(u"dddd, mmmm d, yyyy");
    static const auto longTime = CompileDatePattern(u"h:mm:ss AM/PM");
    if (pattern == u"short date") return *shortDate;
    if (pattern == u"long date") return *longDate;
    return *longTime;
}

void Render(const Moment& m, const DatePattern& p, QString& out) {
    const int hour = m.seconds / 3600;
    const int minute = m.seconds / 60 % 60;
    const int second = m.seconds % 60;
    const int hour12 = hour % 12 == 0 ? 12 : hour % 12;
    const int h = p.twelveHour ? hour12 : hour;
    for (const Token& t : p.tokens) {
        switch (t.kind) {
        case Tok::Literal: out += t.text; break;
        case Tok::General:
            if (!m.dayZero) Render(m, Fixed(u"short date"), out);
            if (m.dayZero || m.seconds != 0) {
                if (!m.dayZero) out += QLatin1Char(' ');
                Render(m, Fixed(u"long time"), out);
            }
            break;
        case Tok::Day: out += QString::number(m.date.day()); break;
        case Tok::Day2: out += TwoDigits(m.date.day()); break;
        case Tok::DayAbbr: out += QLatin1String(kDayNames[VbWeekday(m.date) - 1], 3); break;
        case Tok::DayName: out += QLatin1String(kDayNames[VbWeekday(m.date) - 1]); break;
        case Tok::ShortDate: Render(m, Fixed(u"short date"), out); break;
        case Tok::LongDate: Render(m, Fixed(u"long date"), out); break;
        case Tok::Weekday: out += QString::number(VbWeekday(m.date)); break;
        case Tok::WeekOfYear: {
            const int jan1 = VbWeekday(QDate(m.date.year(), 1, 1)) - 1;
            out += QString::number((m.date.dayOfYear() - 1 + jan1) / 7 + 1);
            break;
        }
        case Tok::Month: out += QString::number(m.date.month()); break;
        case Tok::Month2: out += TwoDigits(m.date.month()); break;
        case Tok::MonthAbbr: out += QLatin1String(kMonthNames[m.date.month() - 1], 3); break;
        case Tok::MonthName: out += QLatin1String(kMonthNames[m.date.month() - 1]); break;
        case Tok::Minute: out += QString::number(minute); break;
        case Tok::Minute2: out += TwoDigits(minute); break;
        case Tok::Quarter: out += QString::number((m.date.month() - 1) / 3 + 1); break;
        case Tok::DayOfYear: out += QString::number(m.date.dayOfYear()); break;
        case Tok::Year2: out += TwoDigits(m.date.year() % 100); break;
        case Tok::Year4: out += QString::number(m.date.year()); break;
        case Tok::Hour: out += QString::number(h); break;
        case Tok::Hour2: out += TwoDigits(h); break;
        case Tok::Second: out += QString::number(second); break;
        case Tok::Second2: out += TwoDigits(second); break;
        case Tok::LongTime: Render(m, Fixed(u"long time"), out); break;
        case Tok::AmPm:
            out += hour < 12 ? (t.upper ? QLatin1String("AM") : QLatin1String("am"))
                             : (t.upper ? QLatin1String("PM") : QLatin1String("pm"));
            break;
        case Tok::AP:
            out += hour < 12 ? (t.upper ? QLatin1Char('A') : QLatin1Char('a'))
                             : (t.upper ? QLatin1Char('P') : QLatin1Char('p'));
            break;
        }
    }
}

}  // namespace

QString FormatDate(double serial, const DatePattern& pattern) {
    const Moment m = MomentOf(serial);
    QString out;
    out.reserve(24);
    Render(m, pattern, out);
    return out;
}

}  // namespace detail

double TimeValue(const QString& text) {
    const QStringList parts = text.trimmed().split(QLatin1Char(':'));
    if (parts.size() < 2 || parts.size() > 3) throw RuntimeError::TypeMismatch();
    static constexpr int kLimit[] = {23, 59, 59};
    int fields[3] = {0, 0, 0};
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString& p = parts[i];
        if (p.isEmpty() || p.size() > 2) throw RuntimeError::TypeMismatch();
        for (QChar c : p)
            if (c < QLatin1Char('0') || c > QLatin1Char('9')) throw RuntimeError::TypeMismatch();
        fields[i] = p.toInt();
        if (fields[i] > kLimit[i]) throw RuntimeError::TypeMismatch();
    }
    return (fields[0] * 3600 + fields[1] * 60 + fields[2]) / 86400.0;
}

double DateSerialOf(const QDateTime& moment) {
    const qint64 days = detail::kEpoch.daysTo(moment.date());
    const double time = moment.time().msecsSinceStartOfDay() / 86400000.0;
    return days >= 0 ? static_cast<double>(days) + time : static_cast<double>(days) - time;
}

QDateTime DateFromSerial(double serial) {
    if (!(serial > detail::kFirstSerial - 1.0 && serial < detail::kLastSerial)) throw RuntimeError::Overflow();
    const double day = std::trunc(serial);
    qint64 ms = std::llround(std::fabs(serial - day) * 86400000.0);
    QDate date = detail::kEpoch.addDays(static_cast<qint64>(day));
    if (ms >= 86400000) {
        ms -= 86400000;
        date = date.addDays(1);
    }
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms)));
}

}  // namespace vb
