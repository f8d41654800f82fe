#include "app/Hooks.h"

namespace Hooks {

void (*InitPhase)(int16_t) = nullptr;
void (*SetShutterRelays)(int16_t, bool) = nullptr;
void (*ChannelPhaseNotify)(int16_t, bool) = nullptr;
void (*InitPhaseQCMCal)(int16_t) = nullptr;
QString (*StepStartRefusal)() = nullptr;
bool (*ExitAllowsRunStart)() = nullptr;
bool (*ExitAllowsManualControl)() = nullptr;
bool (*ExitAllowsCalibration)() = nullptr;
UnitCalls& (*UnitLinkCalls)() = nullptr;
QCMCalls& (*QCMFacadeCalls)() = nullptr;
RemoteCalls& (*RemoteServerCalls)() = nullptr;
bool (*UnitCalibrating)() = nullptr;
int16_t (*ExitRelayWord)(int16_t) = nullptr;
void (*ReleaseLinks)() = nullptr;
void (*SetIOFunction)(bool, int16_t, int16_t) = nullptr;
int16_t (*GetIOFunction)(bool, int16_t) = nullptr;
void (*ShowMainFormTip)(const QString&, int32_t) = nullptr;
void (*RefreshCalibrationTab)() = nullptr;
void (*ShowFileWait)(const QString&) = nullptr;
QString (*ProcessTime)() = nullptr;
void (*CreateUnit)() = nullptr;
void (*CreateQCM)() = nullptr;
void (*CreateComm)() = nullptr;
void (*ShowForm)(const QString&) = nullptr;
Endpoints (*MainFormEndpoints)() = nullptr;
void (*SelectEditChannel)(int16_t) = nullptr;
void (*FocusMainForm)() = nullptr;

}  // namespace Hooks
