#pragma once
// The command-line options of the benchmarks that run the station program ("--name value").
#include <QCoreApplication>
#include <QString>
#include <QStringList>

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
