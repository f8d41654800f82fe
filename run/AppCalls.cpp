#include "run/AppCalls.h"

#include "app/Globals.h"
#include "app/Hooks.h"
#include "app/PhaseCode.h"
#include "app/cApp.h"
#include "app/frmTip.h"
#include "app/modFormUtil.h"
#include "editors/frmLayerFilm.h"
#include "platform/SSTab.h"
#include "qcm/cQCM.h"
#include "remote/cComm.h"
#include "run/frmMain.h"
#include "unit/ExitRule.h"
#include "unit/cORUN.h"

#include <QWidget>

namespace AppCalls {

namespace {

// Each call asks the object the program holds at that moment, never one kept from before.
class ProgramUnit final : public Hooks::UnitCalls {
public:
    void setEnabled(bool value) override { RunUnit().setEnabled(value); }
    bool CommInit(int lPort, int ePort, const QString& eAddr, Winsock* eCtrl) override {
        return RunUnit().CommInit(lPort, ePort, eAddr, eCtrl);
    }
    void SendGetVersion() override { RunUnit().SendGetVersion(); }
    int CommPort() const override { return RunUnit().CommPort(); }
    int ePort() const override { return RunUnit().ePort(); }
    QString EAddress() const override { return RunUnit().EAddress(); }
    int32_t Version() const override { return RunUnit().Version(); }
    void setCalHiBias(double value) override { RunUnit().setCalHiBias(value); }
    void setCalLoBias(double value) override { RunUnit().setCalLoBias(value); }
    void SensorParams(double LeakOffset, double LeakGain, double PowerGain) override {
        RunUnit().SensorParams(LeakOffset, LeakGain, PowerGain);
    }
    bool GasCalEnabled() const override { return RunUnit().GasCalEnabled(); }
    void setGasCalEnabled(bool value) override { RunUnit().setGasCalEnabled(value); }
    double GasCal(int s) const override { return RunUnit().GasCal(s); }
    void setGasCal(int s, double value) override { RunUnit().setGasCal(s, value); }
    int16_t RelayReg() const override { return RunUnit().RelayReg(); }
    void SendRelays() override { RunUnit().SendRelays(); }
    double Power(int o) const override { return RunUnit().Power(o); }
    double ChanFlux(int ch) const override { return RunUnit().ChanFlux(ch); }
    double I2_Total(int ch) const override { return RunUnit().I2_Total(ch); }
    double I3_Bkg(int ch) const override { return RunUnit().I3_Bkg(ch); }
    int32_t PMTVolts(int ch) const override { return RunUnit().PMTVolts(ch); }
    int16_t ORUNSensorOn(int s) const override { return RunUnit().ORUNSensorOn(s); }
};

class ProgramQCM final : public Hooks::QCMCalls {
public:
    int32_t QCMType() const override { return RunQCM().QCMType(); }
    void setQCMType(int32_t value) override { RunQCM().setQCMType(value); }
    QString MirelSN(int Chan) const override { return RunQCM().MirelSN(Chan); }
    void setMirelSN(int Chan, const QString& value) override { RunQCM().setMirelSN(Chan, value); }
    int32_t ZeroAll() override { return RunQCM().ZeroAll(); }
};

class ProgramRemote final : public Hooks::RemoteCalls {
public:
    void Init(MSComm* oMSComm, Winsock* oWinsock, const QString& sIniFile) override {
        RunComm().Init(oMSComm, oWinsock, sIniFile);
    }
    int16_t RS232Port() const override { return RunComm().RS232Port(); }
    void setRS232Enabled(bool value) override { RunComm().setRS232Enabled(value); }
};

ProgramUnit gUnitCalls;
ProgramQCM gQCMCalls;
ProgramRemote gRemoteCalls;

// The calls, once the object they reach is known to exist: error 91 where its accessor
// would raise it.
Hooks::UnitCalls& UnitLinkCalls() {
    RunUnit();
    return gUnitCalls;
}
Hooks::QCMCalls& QCMFacadeCalls() {
    RunQCM();
    return gQCMCalls;
}
Hooks::RemoteCalls& RemoteServerCalls() {
    RunComm();
    return gRemoteCalls;
}

bool UnitCalibrating() { return gORUN && gORUN->CalChan() >= 0; }

bool ExitAllowsRunStart() { return ExitRule::Allows(ExitRule::Act::RunStart); }
bool ExitAllowsManualControl() { return ExitRule::Allows(ExitRule::Act::ManualControl); }
bool ExitAllowsCalibration() { return ExitRule::Allows(ExitRule::Act::Calibration); }

// The link's own state while there is one; without it nothing reaches the unit, and after
// the shutdown released it nothing starts.
bool ProgramTerminating() {
    if (gORUN) return gORUN->Terminating();
    return gApp && gApp->Phase() == PhaseCode::Shutdown;
}

void ShowFileWait(const QString& text) {
    if (gApp) gApp->setFileWait(text);
}

void ShowMainFormTip(const QString& text, int32_t ms) { frmTip::ShowTip(gMainForm, text, ms); }

// The tab of the layer and film editor that shows the channel calibration.
constexpr int kCalibrationTab = 3;

void RefreshCalibrationTab() {
    QWidget* form = modFormUtil::LoadedFormByCaption(QStringLiteral("Edit Layer"));
    if (!form) form = modFormUtil::LoadedFormByCaption(QStringLiteral("Edit Film"));
    auto* editor = qobject_cast<frmLayerFilm*>(form);
    if (editor && editor->tabForm && editor->tabForm->Tab() == kCalibrationTab) editor->LoadGridORUN();
}

}  // namespace

void Register() {
    Hooks::UnitLinkCalls = &UnitLinkCalls;
    Hooks::QCMFacadeCalls = &QCMFacadeCalls;
    Hooks::RemoteServerCalls = &RemoteServerCalls;
    Hooks::UnitCalibrating = &UnitCalibrating;
    Hooks::ExitAllowsRunStart = &ExitAllowsRunStart;
    Hooks::ExitAllowsManualControl = &ExitAllowsManualControl;
    Hooks::ExitAllowsCalibration = &ExitAllowsCalibration;
    ExitRule::ProgramTerminating = &ProgramTerminating;
    Hooks::ShowFileWait = &ShowFileWait;
    Hooks::ShowMainFormTip = &ShowMainFormTip;
    Hooks::RefreshCalibrationTab = &RefreshCalibrationTab;
}

}  // namespace AppCalls
