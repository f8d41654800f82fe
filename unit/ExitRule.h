#pragma once
// What may still be switched on once the exit is confirmed: the one rule that every path
// asks before it would switch something on, so a path added later cannot go past it.
//
// From the operator's Yes to "Exit the ORUN program?" (or the system's request to end)
// the unit is held stopped until the program has gone: no source is powered, no emission
// or hand control is switched on, and no run, layer, manual ramp or power, quartz or
// detector calibration starts, whoever asks (the window's buttons and boxes, a digital
// input, a remote client, the link's own resends). Switching off, stopping and taking
// control back are never asked about: they always may.
//
// The link's commands (cORUN) ask it for their own state; the run's phases (cApp), the
// window's presses and the remote handlers ask it for the program's link.
namespace ExitRule {

enum class Act {
    SourcePower,    // a power above 0 on a source output
    Emission,       // an emission sensor switched on
    HandControl,    // an output given to the unit's hand control
    RunStart,       // a run or a layer started
    ManualControl,  // a channel put under manual power or a manual ramp
    Calibration,    // a detector or quartz calibration started
};

// Whether act may still be done, for a link that is (terminating) or is not holding the
// unit stopped for the exit.
bool Allows(Act act, bool terminating);
// The same for the program's link: false once the exit is confirmed, and once the
// shutdown has released the link.
bool Allows(Act act);

// Whether the program's link holds the unit stopped for the exit, or, once the shutdown
// has released the link, whether the program is shutting down: the state the rule judges
// the program by. Registered by the owner of the program's objects when it makes them.
extern bool (*ProgramTerminating)();

}  // namespace ExitRule
