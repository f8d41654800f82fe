// What the unit holds: the program's relay word, detector voltages and powers given to it
// again at a steady pace. A unit that restarts (relays off, detectors at 0 V, outputs at
// 0 V) may answer the next command as if nothing had happened: no reply is lost, no
// identification follows, and nothing in its replies tells of it.
#include "app/PhaseCode.h"
#include "app/cApp.h"
#include "platform/Clock.h"
#include "run/frmMain.h"
#include "unit/cORUN.h"

void frmMain::ReassertUnitState() {
    const int64_t now = TickMs();
    if (now - lastReassert_ < OrunTiming::ReassertMs && now >= lastReassert_) return;
    lastReassert_ = now;
    // At the exit the shutdown's stop carries the relay word.
    if (RunUnit().Terminating()) return;
    cApp& app = RunApp();
    bool manual = false;
    for (int16_t ch = 0; ch <= 7; ++ch) manual = manual || app.ChanPhase(ch) == PhaseCode::ManPower;
    const bool stopped = app.Phase() == PhaseCode::Stopped;
    // An idle station gets its relay word alone. A run needs its detectors too (its
    // control tick sends the powers); a hand-set power in STOPPED has no tick to send it.
    RunUnit().ReassertUnit(!stopped || manual, stopped && manual);
}
