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

class cComm;
class cORUN;
class cQCM;
class MSComm;
class Winsock;

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
// Why the current step cannot start (a channel whose detector gives it no reading to run
// on), for the operator; empty when it can.
extern QString (*StepStartRefusal)();

// ---- The unit link into the phase machine ----
// The relay word an exit would leave the unit with, from the word it holds: the relays of a
// stop when a layer runs, then those of the shutdown.
extern int16_t (*ExitRelayWord)(int16_t word);

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

// ---- The start-up sequence into the owner of the objects and the windows ----
// Make the unit link, the quartz facade and the remote-control server through their owner.
extern cORUN& (*CreateUnit)();
extern cQCM& (*CreateQCM)();
extern cComm& (*CreateComm)();
// Shows the named window ("frmMain", "frmProcess", "frmSystem"), making it when it is not
// open; the main window runs its load handling then.
extern void (*ShowForm)(const QString& name);
// The main window's link endpoints: the unit's TCP client, the remote-control TCP server
// and the remote-control serial port.
struct Endpoints {
    Winsock* unitClient = nullptr;
    Winsock* remoteServer = nullptr;
    MSComm* remoteSerial = nullptr;
};
extern Endpoints (*MainFormEndpoints)();
// Selects the main window's edit-channel option of channel ch (0..7), which opens the
// layer editor on that channel's layer.
extern void (*SelectEditChannel)(int16_t ch);
// Gives the main window the focus.
extern void (*FocusMainForm)();

// Calls a hook; error 91 when nothing registered it.
template <typename R, typename... P, typename... A>
R Call(R (*hook)(P...), A&&... args) {
    if (!hook) throw RuntimeError::ObjectNotSet();
    return hook(std::forward<A>(args)...);
}

}  // namespace Hooks
