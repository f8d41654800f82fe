#pragma once
// The clock seam: the seconds-since-midnight timer, the date and time, and a millisecond
// tick. Tests fix the clock and advance it by hand instead of sleeping.
#include <QDateTime>
#include <cstdint>

// Seconds since midnight, in single precision as the original's timer gave them
// (resolution of the fraction follows the float).
float Timer();

// The current local date and time.
QDateTime Now();

// Milliseconds from an arbitrary start, monotonic (timeGetTime-like).
int64_t TickMs();

namespace Clock {
// Fixes the clock at the given moment; Timer, Now and TickMs then move only by Advance.
void SetFixed(const QDateTime& moment);
// Moves a fixed clock forward (or back) by the given milliseconds.
void Advance(int64_t ms);
// Returns to the system clock.
void UseSystem();
bool IsFixed();
}  // namespace Clock
