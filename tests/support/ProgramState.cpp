#include "support/ProgramState.h"

#include "app/ChannelData.h"
#include "app/ExitRecord.h"
#include "app/SettingsGlobals.h"
#include "app/cQueue.h"
#include "app/cRdgBuff.h"
#include "data/FilmRec.h"
#include "data/GraphRec.h"
#include "data/ProcessRec.h"
#include "data/UnreadCells.h"
#include "data/modDB.h"
#include "run/ProgramObjects.h"
#include "run/frmMain.h"
#include "run/modCalculations.h"
#include "run/modIO.h"
#include "app/SystemFlags.h"
#include "editors/frmLayerFilm.h"
#include "qcm/cQCMCal.h"
#include "run/modPhases.h"
#include "run/modPhasesDetail.h"
#include "unit/frmShowComm.h"
#include "platform/Dialogs.h"
#include "unit/frmTest.h"
#include "windows/frmGraphsSetup.h"
#include "windows/frmSystem.h"

#include <QApplication>

#include <type_traits>

namespace {

template <typename Array>
void Clear(Array& a) {
    a.fill(typename std::remove_reference_t<decltype(*a.begin())>{});
}

template <typename... Arrays>
void ClearAll(Arrays&... arrays) {
    (Clear(arrays), ...);
}

void ResetSettings() {
    SetupFile.clear();
    DBFile.clear();
    Debug = 0;
    Simulate = 0;
    CtrlKey = false;
    // A station's biases when its configuration names none.
    CalHiBias = 2000;
    CalLoBias = 100;
    LogType = 0;
    LogInterval = 0.0;
    LogFile.clear();
    LogMode = false;
    LogDelimit.clear();
    LogChans = 0;
    LogChanData = 0;
    LogSensors = 0;
    LogSensorData = 0;
    Colors.fill(0);
    MeterDamping = 0.0;
    ShowReadings = 0;
    SensorDecimals.clear();
    DELTA.fill(0);
    SensorFilter = 0;
}

}  // namespace

void ResetProgramState() {
    // The windows and the calibration objects that hold on to the program objects go
    // first.
    delete gLayerEditor.data();
    delete gFilmEditor.data();
    delete gSystemForm;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<frmShowComm*>(w) || qobject_cast<frmTest*>(w)) delete w;
    delete gGraphsSetup.data();
    for (auto& cal : modPhases::QCMCalObj) cal.reset();
    ProgramObjects::ReleaseAll();
    ProgramObjects::RegisterCalls();
    ClearAll(gProcess, gLayer, gFilm, gGraph);
    ClearAll(gChanReading, gChanRateFilter, gChanUser, gChanUserFilter, gChanPower, gChanPowerFilter, gChanDev,
             gChanRatio, gChanRatioFilter, gChanTotal, gChanTotalCarry, gChanExponent);
    ClearAll(gSensorEmissionFilter, gSensorLeakageFilter, gSensorPowerFilter, gSensorFilamentFilter,
             gSensorBiasFilter);
    ClearAll(gPIDErr0, gPIDErr1, gPIDErr2, gPIDHold, OutputFunction, InputFunction);
    gLastMeterTime = 0.0;
    gLastLogTime = 0.0;
    modPhases::PhaseBusy = false;
    modPhases::PhaseStartTime = 0.0f;
    modPhases::PhaseDuration = 0.0f;
    ClearAll(modPhases::RampStartPower, modPhases::CaptureStart, modPhases::DepositTimeMark,
             modPhases::RateRampStage, modPhases::RateRampActive, modPhases::RateRampStartRate,
             modPhases::RateRampStartTime, modPhases::QCMCalLast, modPhases::QCMCalUse);
    modPhases::ForgetReadings();
    SystemFlags = 0;
    SetNobodyToAnswer(false);
    ExitRecord::Clear();
    ResetSettings();
    gRdgBuff = cRdgBuff();
    gQueue = cQueue();
    modDB::ForgetUnreadCells(modDB::CopiedTables() + QStringList{"Sensors"});
}

FreshProgramState::FreshProgramState() { ResetProgramState(); }
FreshProgramState::~FreshProgramState() { ResetProgramState(); }

cApp& FreshApp() {
    ResetProgramState();
    return ProgramObjects::CreateApp();
}
