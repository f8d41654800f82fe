#pragma once
// The calls that a module makes into a module above it. Each is one function pointer, or
// for the objects whose members the application state reads and sets (the unit link, the
// quartz facade, the remote-control server) one object of calls, registered by the module
// above when ProgramObjects makes the program's objects (ProgramObjects::RegisterCalls, at
// start-up and in tests alike), so no module includes one above it. A call that nothing
// registered raises "Object variable or With block variable not set" (91), as calling into
// a missing object would.
#include "platform/RuntimeError.h"

#include <QString>
#include <cstdint>
#include <utility>

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

// ---- The exit rule into the application state ----
// Whether a run or a layer, a channel's manual power or manual ramp, or a calibration may
// still start, as the exit rule judges for the program's link.
extern bool (*ExitAllowsRunStart)();
extern bool (*ExitAllowsManualControl)();
extern bool (*ExitAllowsCalibration)();

// ---- The unit link, the quartz facade and the remote-control server into the
// application state ----
// What the application state reads and sets of them: each call is the object's own member
// of that name, asked of the object the program holds at that moment. Unit(), QCM() and
// Remote() give the calls of the object the program holds, or raise error 91 when it holds
// none, as the object's own accessor would.
class UnitCalls {
public:
    virtual ~UnitCalls() = default;
    virtual void setEnabled(bool value) = 0;
    virtual bool CommInit(int lPort, int ePort, const QString& eAddr, Winsock* eCtrl = nullptr) = 0;
    virtual void SendGetVersion() = 0;
    virtual int CommPort() const = 0;
    virtual int ePort() const = 0;
    virtual QString EAddress() const = 0;
    virtual int32_t Version() const = 0;
    virtual void setCalHiBias(double value) = 0;
    virtual void setCalLoBias(double value) = 0;
    virtual void SensorParams(double LeakOffset, double LeakGain, double PowerGain) = 0;
    virtual bool GasCalEnabled() const = 0;
    virtual void setGasCalEnabled(bool value) = 0;
    virtual double GasCal(int s) const = 0;
    virtual void setGasCal(int s, double value) = 0;
    virtual int16_t RelayReg() const = 0;
    virtual void SendRelays() = 0;
    virtual double Power(int o) const = 0;
    virtual double ChanFlux(int ch) const = 0;
    virtual double I2_Total(int ch) const = 0;
    virtual double I3_Bkg(int ch) const = 0;
    virtual int32_t PMTVolts(int ch) const = 0;
    virtual int16_t ORUNSensorOn(int s) const = 0;
};

class QCMCalls {
public:
    virtual ~QCMCalls() = default;
    virtual int32_t QCMType() const = 0;
    virtual void setQCMType(int32_t value) = 0;
    virtual QString MirelSN(int Chan) const = 0;
    virtual void setMirelSN(int Chan, const QString& value) = 0;
    virtual int32_t ZeroAll() = 0;
};

class RemoteCalls {
public:
    virtual ~RemoteCalls() = default;
    virtual void Init(MSComm* oMSComm, Winsock* oWinsock, const QString& sIniFile) = 0;
    virtual int16_t RS232Port() const = 0;
    virtual void setRS232Enabled(bool value) = 0;
};

extern UnitCalls& (*UnitLinkCalls)();
extern QCMCalls& (*QCMFacadeCalls)();
extern RemoteCalls& (*RemoteServerCalls)();
// A detector calibration is under way (from its start, its settling wait included, to its
// end); false when the program holds no link.
extern bool (*UnitCalibrating)();

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

// ---- The phase machine into the windows ----
// Shows text as a tip over the main window for ms milliseconds.
extern void (*ShowMainFormTip)(const QString& text, int32_t ms);
// An open editor showing its calibration tab shows the films' new calibration factors: the
// layer editor, or when none is open the film editor.
extern void (*RefreshCalibrationTab)();

// ---- The recipe database's wait into the application state ----
// The wait for a file another program holds, for the status line ("" when it has ended).
// Shown only where it is registered: without the application state nobody shows it.
extern void (*ShowFileWait)(const QString& text);

// ---- The data log into the main window ----
// The elapsed process time, "hh:mm:ss".
extern QString (*ProcessTime)();

// ---- The start-up sequence into the owner of the objects and the windows ----
// Make the unit link, the quartz facade and the remote-control server through their owner;
// the start-up then works with them through the calls above (Unit(), QCM(), Remote()).
extern void (*CreateUnit)();
extern void (*CreateQCM)();
extern void (*CreateComm)();
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

inline UnitCalls& Unit() { return Call(UnitLinkCalls); }
inline QCMCalls& QCM() { return Call(QCMFacadeCalls); }
inline RemoteCalls& Remote() { return Call(RemoteServerCalls); }

}  // namespace Hooks
