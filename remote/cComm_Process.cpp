// "@QP", "@UP", "@QS" and "@US": the state of the active process and the run, and the
// operator's run, emission, data-log and zero buttons pressed on a client's behalf.
//
// Emission sensors are 0..3 as the unit numbers them; the two the operator knows as
// emission 1 and 2 are sensors 0 and 2. "Stopped" is STOPPED or STOP LAYER.
#include "remote/cComm.h"
#include "remote/ClientPresses.h"
#include "remote/PanelLocksLifted.h"

#include "app/Globals.h"
#include "app/PhaseCode.h"
#include "app/SettingsGlobals.h"
#include "app/VBConv.h"
#include "app/cApp.h"
#include "data/ChainWalk.h"
#include "data/ProcessRec.h"
#include "data/modDB.h"
#include "run/frmMain.h"
#include "run/modIO.h"
#include "run/modPhases.h"
#include "unit/ExitRule.h"
#include "unit/cORUN.h"

namespace {

bool Stopped(int16_t phase) { return phase == PhaseCode::Stopped || phase == PhaseCode::StopLayer; }

// Manual mode (41-49) and manual power (51-59) of one channel or of all of them.
bool ManualPowerParam(int16_t n) { return (n >= 41 && n <= 49) || (n >= 51 && n <= 59); }

QString OnOff(bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); }

// Whether a relay output with the function code is switched on in the unit.
bool RelayWithFunctionOn(int16_t code) {
    const int16_t relays = RunUnit().RelayReg();
    for (int16_t i = 0; i <= 11; ++i)
        if (modIO::GetOutputFunction(i) == code && (relays & (1 << i)) != 0) return true;
    return false;
}

// Whole seconds as "hh:mm:ss".
QString HoursMinutesSeconds(double seconds) {
    const int s = static_cast<int>(vb::Int(seconds));
    return QString::asprintf("%02d:%02d:%02d", s / 3600, s / 60 % 60, s % 60);
}

}  // namespace

QString cComm::MsgQP(const QString& sMsg) {
    QString sValue = QStringLiteral("06");
    const int16_t n = ParamNumber(sMsg);
    cApp& app = RunApp();
    switch (n) {
    case 1: sValue = vb::Trim(gProcess(app.ProcNum()).Process_Name); break;
    case 2: sValue = RunMainForm().ProcessTime(); break;
    case 3: sValue = vb::CStr(app.ProcLayer()); break;
    case 4: sValue = RunMainForm().LayerTime(); break;
    case 5: sValue = vb::CStr(app.Phase()); break;
    case 6: sValue = HoursMinutesSeconds(modPhases::PhaseElapsed()); break;
    case 7: sValue = vb::CStr(gProcess(app.ProcNum()).Run_Number); break;
    case 8: {
        QStringList names;
        for (int p = 1; p <= 25; ++p) names << vb::Trim(gProcess(p).Process_Name);
        sValue = names.join(u',');
        break;
    }
    case 9: sValue = vb::CStr(gProcess(app.ProcNum()).Number_Layers); break;
    case 11: case 12: case 13: case 14: case 15: case 16: case 17: case 18:  // source shutters
        sValue = OnOff(RelayWithFunctionOn(static_cast<int16_t>(30 + n - 11)));
        break;
    case 21: case 22: case 23: case 24: case 25: case 26: case 27: case 28:  // channel shutters
        sValue = OnOff(RelayWithFunctionOn(static_cast<int16_t>(20 + n - 21)));
        break;
    case 30: sValue = OnOff(RunUnit().EmissionOn(0) > 0); break;
    case 32: sValue = OnOff(RunUnit().EmissionOn(2) > 0); break;
    case 34: sValue = OnOff(LogMode); break;
    case 36: sValue = LogFile; break;
    case 37: sValue = vb::CStr(LogInterval); break;
    case 38: sValue = vb::CStr(LogType); break;
    case 41: case 42: case 43: case 44: case 45: case 46: case 47: case 48:
        sValue = OnOff(app.ChanPhase(static_cast<int16_t>(n - 41)) != PhaseCode::ManPower);
        break;
    case 71: sValue = vb::Format(RunUnit().EmissionSetPt(0), QStringLiteral("0.0")); break;
    case 72: sValue = vb::Format(RunUnit().EmissionSetPt(2), QStringLiteral("0.0")); break;
    case 73: sValue = vb::Format(RunUnit().MaxLeakage(0), QStringLiteral("0.0")); break;
    case 74: sValue = vb::Format(RunUnit().MaxLeakage(2), QStringLiteral("0.0")); break;
    default: return Nak(NakCode::PRM);
    }
    return Ack(sValue);
}

QString cComm::MsgUP(const QString& sMsg) {
    const PanelLocksLifted lifted;
    const int16_t n = ParamNumber(sMsg);
    const QString text = Field(sMsg, 3);
    cApp& app = RunApp();
    // Once the exit is confirmed a channel is put under manual control no more (05).
    if (ManualPowerParam(n) && !ExitRule::Allows(ExitRule::Act::ManualControl)) return Nak(NakCode::REQ);
    if (n >= 1 && n <= 9) return UpRun(app, n, text);
    if (n >= 30 && n <= 38) return UpSensorsAndLog(n, text);
    if (n >= 41 && n <= 69) return UpChannels(n, text);
    switch (n) {
    case 71: RunUnit().setEmissionSetPt(0, vb::Val(text)); break;
    case 72: RunUnit().setEmissionSetPt(2, vb::Val(text)); break;
    case 73: RunUnit().setMaxLeakage(0, vb::Val(text)); break;
    case 74: RunUnit().setMaxLeakage(2, vb::Val(text)); break;
    default: return Nak(NakCode::PRM);
    }
    return Ack();
}

// 1..9: the active process, the run's buttons, its run number and step.
QString cComm::UpRun(cApp& app, int16_t n, const QString& text) {
    switch (n) {
    case 1: return UpSelectProcess(app, text);
    // A press that leaves the run as it was (the detector calibration holds the button,
    // the process editor is open, a phase the button ignores) is refused.
    case 2: case 4: return UpStart(app);  // start; a process whose chain is damaged never runs
    case 3: case 5:  // stop; a run start waiting for its record is cancelled
        if (Stopped(app.Phase()) && app.CancelWaitingStart()) break;
        if (Stopped(app.Phase())) return Nak(NakCode::REQ);
        if (!ClientPresses::PressRunButton(0) || !Stopped(app.Phase())) return Nak(NakCode::REQ);
        break;
    case 6:  // back to the first layer
        if (app.Phase() != PhaseCode::StopLayer) return Nak(NakCode::REQ);
        if (!ClientPresses::PressRunButton(2) || app.Phase() != PhaseCode::Stopped) return Nak(NakCode::REQ);
        break;
    case 7: {  // the run number: the records hold 1..9999
        const int16_t run = vb::CInt(text);
        if (run < 1 || run > 9999 || !Stopped(app.Phase())) return Nak(NakCode::PRM);
        gProcess(app.ProcNum()).Run_Number = run;
        break;
    }
    case 8:  // next layer
        if (!Stopped(app.Phase()) || !ClientPresses::PressRunButton(1)) return Nak(NakCode::REQ);
        break;
    case 9: {
        const int16_t layer = vb::CInt(text);
        if (layer < 1 || layer > gProcess(app.ProcNum()).Number_Layers) return Nak(NakCode::PRM);
        if (!Stopped(app.Phase())) return Nak(NakCode::REQ);
        app.setProcLayer(layer);
        break;
    }
    default: return Nak(NakCode::PRM);
    }
    return Ack();
}

QString cComm::UpSelectProcess(cApp& app, const QString& text) {
    if (!Stopped(app.Phase())) return Nak(NakCode::REQ);
    const QString wanted = vb::UCase(vb::Trim(text));
    int16_t found = 0;
    for (int16_t p = 1; p <= 25 && !found; ++p)
        if (vb::UCase(vb::Trim(gProcess(p).Process_Name)) == wanted) found = p;
    if (!found) return Nak(NakCode::PRM);
    // A process whose maps and settings cannot be read (another program keeps the
    // file) is not selected: the one active stays, with its own maps.
    try {
        app.SelectProcess(found);
    } catch (const modDB::FileRefused&) {
        return Nak(NakCode::REQ);
    }
    return Ack();
}

QString cComm::UpStart(cApp& app) {
    if (!Stopped(app.Phase()) || !modDB::ChainDamage(app.ProcNum()).isEmpty()) return Nak(NakCode::REQ);
    // Done only when this press started the run (or the layer): a run another start
    // began while this one waited and was refused is not this one's.
    const bool run = app.Phase() == PhaseCode::Stopped;
    const int before = run ? app.RunStarts() : app.LayerStarts();
    if (!ClientPresses::PressRunButton(0) || Stopped(app.Phase()) ||
        (run ? app.RunStarts() : app.LayerStarts()) == before)
        return Nak(NakCode::REQ);
    return Ack();
}

// 30..38: the emission sensors off, the data log and its settings.
QString cComm::UpSensorsAndLog(int16_t n, const QString& text) {
    switch (n) {
    case 30: if (RunUnit().EmissionOn(0) > 0) ClientPresses::SwitchSensorOff(0); break;
    case 31: if (RunUnit().EmissionOn(0) != 0) ClientPresses::SwitchSensorOff(0); break;
    case 32: if (RunUnit().EmissionOn(2) > 0) ClientPresses::SwitchSensorOff(2); break;
    case 33: if (RunUnit().EmissionOn(2) != 0) ClientPresses::SwitchSensorOff(2); break;
    case 34: case 35:  // logging off, on
        if (!ClientPresses::SwitchDataLog(n == 35)) return Nak(NakCode::REQ);
        break;
    case 36: LogFile = text; break;  // used as sent: stations name their own log files
    case 37: LogInterval = vb::CLng(text); break;
    case 38: LogType = vb::CInt(text); break;
    default: return Nak(NakCode::PRM);
    }
    return Ack();
}

// 41..69: manual mode, manual power and the zero of one channel or of all of them.
QString cComm::UpChannels(int16_t n, const QString& text) {
    switch (n) {
    case 41: case 42: case 43: case 44: case 45: case 46: case 47: case 48:
        if (SetManualMode(static_cast<int16_t>(n - 41), text) < 0) return Nak(NakCode::PRM);
        break;
    case 49:
        for (int16_t c = 0; c <= 7; ++c) SetManualMode(c, text);
        break;
    case 51: case 52: case 53: case 54: case 55: case 56: case 57: case 58:
        if (SetManualPower(static_cast<int16_t>(n - 51), text) < 0) return Nak(NakCode::PRM);
        break;
    case 59:
        for (int16_t c = 0; c <= 7; ++c) SetManualPower(c, text);
        break;
    case 61: case 62: case 63: case 64: case 65: case 66: case 67: case 68:
        if (!ClientPresses::ZeroChannel(static_cast<int16_t>(n - 61))) return Nak(NakCode::PRM);
        break;
    case 69:
        for (int16_t c = 0; c <= 7; ++c) ClientPresses::ZeroChannel(c);
        break;
    default: return Nak(NakCode::PRM);
    }
    return Ack();
}

QString cComm::MsgQS(const QString& sMsg) {
    QString sValue = QStringLiteral("06");
    const int16_t n = ParamNumber(sMsg);
    switch (n) {
    case 1: sValue = vb::CStr(RunUnit().EmissionOn(0)); break;
    case 3: sValue = vb::CStr(RunUnit().EmissionOn(2)); break;
    case 5: sValue = vb::CStr(RunUnit().EmissionOn(1)); break;
    case 7: sValue = vb::CStr(RunUnit().EmissionOn(3)); break;
    case 11: case 12: case 13: case 14: sValue = vb::Format(RunUnit().EmissionSetPt(n - 11), QStringLiteral("0.0")); break;
    case 21: case 22: case 23: case 24: sValue = vb::Format(RunUnit().MaxLeakage(n - 21), QStringLiteral("0.0")); break;
    case 31: case 32: sValue = vb::Format(RunUnit().GasCal(n - 31), QStringLiteral("0.00000")); break;
    default: return Nak(NakCode::PRM);
    }
    return Ack(sValue);
}

// Odd numbers switch a sensor off, even ones on; a sensor already in the state asked for
// is left as it is. A sensor that cannot be switched on is refused.
QString cComm::MsgUS(const QString& sMsg) {
    const PanelLocksLifted lifted;
    const int16_t n = ParamNumber(sMsg);
    const QString text = Field(sMsg, 3);
    switch (n) {
    case 1: case 2: case 3: case 4: case 5: case 6: case 7: case 8: {
        static const int16_t kSensor[] = {0, 0, 2, 2, 1, 1, 3, 3};
        const int16_t s = kSensor[n - 1];
        const int32_t state = RunUnit().EmissionOn(s);
        if (n % 2 == 1) {
            if (state > 0) ClientPresses::SwitchSensorOff(s);
        } else if (state == 0 && (!ExitRule::Allows(ExitRule::Act::Emission) || !ClientPresses::SwitchSensorOn(s))) {
            return Nak(NakCode::REQ);
        }
        break;
    }
    case 11: case 12: case 13: case 14: RunUnit().setEmissionSetPt(n - 11, vb::Val(text)); break;
    case 21: case 22: case 23: case 24: RunUnit().setMaxLeakage(n - 21, vb::Val(text)); break;
    case 31: case 32: RunUnit().setGasCal(n - 31, vb::Val(text)); break;
    default: return Nak(NakCode::PRM);
    }
    return Ack();
}
