#pragma once
// The calls that a module makes into a module above it. Each is one function pointer,
// registered by the module above when ProgramObjects makes the program's objects
// (ProgramObjects::RegisterCalls, at start-up and in tests alike), so no module includes
// one above it. A call that nothing registered raises "Object variable or With block
// variable not set" (91), as calling into a missing object would.
#include "platform/RuntimeError.h"

#include <QString>
#include <cstdint>
#include <utility>

namespace Hooks {

// ---- The application state into the phase machine ----
// Entry of a run phase: the relays for the phase, then its own entry action.
extern void (*InitPhase)(int16_t phase);
// A channel enters (on) or leaves (off) MAN POWER: the manual-mode and shutter relays.
extern void (*SetShutterRelays)(int16_t ch, bool on);
// A channel enters or leaves HOLD POWER.
extern void (*ChannelPhaseNotify)(int16_t ch, bool hold);
// A channel enters QCM CAL.: its calibration against its quartz monitor starts.
extern void (*InitPhaseQCMCal)(int16_t ch);

// ---- The application state's shutdown into the owner of the objects ----
// Releases the remote-control server, then the unit link.
extern void (*ReleaseLinks)();

// ---- The relay/input table into the run control's maps ----
// Sets or reads the function code of relay output i (input false) or digital input i.
extern void (*SetIOFunction)(bool input, int16_t i, int16_t code);
extern int16_t (*GetIOFunction)(bool input, int16_t i);

// ---- The data log into the main window ----
// The elapsed process time, "hh:mm:ss".
extern QString (*ProcessTime)();

// Calls a hook; error 91 when nothing registered it.
template <typename R, typename... P, typename... A>
R Call(R (*hook)(P...), A&&... args) {
    if (!hook) throw RuntimeError::ObjectNotSet();
    return hook(std::forward<A>(args)...);
}

}  // namespace Hooks
