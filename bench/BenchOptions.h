#pragma once
// The command-line options of the benchmarks that run the station program ("--name value").
#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <cmath>
#include <cstdio>
#include <optional>

// The value after --name: a whole number, or fallback when the option is absent or its value
// is not a number.
inline int IntOption(const char* name, int fallback) {
    const QStringList args = QCoreApplication::arguments();
    const int at = args.indexOf(QLatin1String(name));
    bool ok = false;
    const int value = at >= 0 ? args.value(at + 1).toInt(&ok) : 0;
    return ok ? value : fallback;
}

// The text after --name, empty when the option is absent.
inline QString TextOption(const char* name) {
    const QStringList args = QCoreApplication::arguments();
    const int at = args.indexOf(QLatin1String(name));
    return at >= 0 ? args.value(at + 1) : QString();
}

// The number after --name, in lo..hi (and whole, when whole); fallback when the option is
// absent. When the value is missing, not a number, not whole or out of range, says so on standard error (as program) and
// gives nothing, so the benchmark can refuse to run rather than measure something else.
inline std::optional<double> NumberOption(const char* program, const char* name, double fallback, double lo, double hi,
                                          bool whole = false) {
    const QStringList args = QCoreApplication::arguments();
    const int at = args.indexOf(QLatin1String(name));
    if (at < 0) return fallback;
    bool ok = false;
    const QString text = args.value(at + 1);
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value) || value < lo || value > hi || (whole && value != std::floor(value))) {
        std::fprintf(stderr, "%s: %s wants a %s %.10g..%.10g, got '%s'\n", program, name, whole ? "whole number" : "number", lo,
                     hi, qPrintable(text));
        return std::nullopt;
    }
    return value;
}
