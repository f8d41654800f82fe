#pragma once
// The clock seam: the seconds-since-midnight timer, the date and time, and a millisecond
// tick. Tests fix the clock and advance it by hand instead of sleeping.
#include <QDateTime>
#include <cstdint>
#include <functional>

// Seconds since midnight, in single precision as the original's timer gave them
// (resolution of the fraction follows the float).
float Timer();

// The current local date and time.
QDateTime Now();

// Milliseconds from an arbitrary start, monotonic (timeGetTime-like).
int64_t TickMs();

namespace Clock {
// What the timers (ccrpTimer) and waits (modWait) do while the clock is fixed: run in real
// time as always, or follow the fixed clock, so that they fire, and waits end, only as
// Advance moves it (tests of time-outs and timers without real sleeps).
enum class Timers { RealTime, FollowClock };
// Fixes the clock at the given moment; Timer, Now and TickMs then move only by Advance.
void SetFixed(const QDateTime& moment, Timers timers = Timers::RealTime);
// Whether timers and waits follow the fixed clock.
bool TimersFollowClock();
// Moves a fixed clock forward (or back) by the given milliseconds. Going forward, every
// call scheduled up to the new time runs on the way, in the order of its time (the clock
// stands at that time while it runs), so timers fire as they would have in real time.
// A call may advance the clock itself; the outer advance then ends where it was going,
// or where the inner one ended if that is later.
void Advance(int64_t ms);
// Returns to the system clock (timers run in real time again).
void UseSystem();
bool IsFixed();

// Calls on the fixed clock, for the timers that follow it: fire runs once, when the clock
// reaches TickMs() == dueTick. Returns an id for Cancel. Nothing runs while the clock is
// not advanced. SetFixed keeps each call's distance from the present.
using ScheduleId = uint64_t;
ScheduleId Schedule(int64_t dueTick, std::function<void()> fire);
void Cancel(ScheduleId id);
}  // namespace Clock
