#pragma once
// Waits a number of milliseconds while the program's events keep running (windows,
// timers, serial and network events), so callers must expect re-entry.
#include <functional>

namespace modWait {

// On a fixed clock that drives the timers (tests) a wait advances the clock instead of
// taking real time.
// Each wait owns its deadline: a wait started inside another one neither shortens nor
// lengthens the outer one beyond the time the inner one itself takes. A wait of 0 or less
// returns at once.
void Wait(int ms);

// Lets events run until done() holds or ms have passed; true when done() held. On a fixed
// clock that drives the timers, the clock moves on only while no event is left to run, so
// whatever the events bring about (a reply over a socket) happens before the next timer
// of the clock fires.
bool WaitUntil(const std::function<bool()>& done, int ms);

}  // namespace modWait
