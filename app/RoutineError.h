#pragma once
// How the general-purpose routines and small classes report a run-time error of their own:
// a message box titled with the routine's name, OK only, no icon, reading
// "Error: <number>. <description>". The caller gets no error; the routine returns the
// result it held.
#include "platform/RuntimeError.h"

#include <QString>
#include <new>

void ShowRoutineError(const QString& routine, int number, const QString& description);

// Runs body; a run-time error inside it is reported under the routine's name.
// Returns true when the body ran to its end.
template <typename Body>
bool RunReportingErrors(const QString& routine, Body&& body) {
    try {
        body();
        return true;
    } catch (const RuntimeError& e) {
        ShowRoutineError(routine, e.number, e.description);
    } catch (const std::bad_alloc&) {
        ShowRoutineError(routine, 7, QStringLiteral("Out of memory"));
    }
    return false;
}

// Runs body and returns its result; after a reported error, returns fallback.
template <typename T, typename Body>
T ResultReportingErrors(const QString& routine, T fallback, Body&& body) {
    T result = fallback;
    RunReportingErrors(routine, [&] { result = body(); });
    return result;
}
