// DEPOSIT: every channel follows its rate set point until the first channel is predicted
// to reach its end thickness; the time set point relay and the calibration against a
// quartz monitor run beside it.
#include "run/modPhases.h"
#include "run/modPhasesDetail.h"

#include "app/cErrHandler.h"
#include "app/modUtil.h"
#include "data/FilmRec.h"
#include "data/ProcessRec.h"
#include "app/VBConv.h"
#include "platform/Clock.h"
#include "run/ChannelData.h"
#include "run/RunObjects.h"
#include "run/frmMain.h"
#include "run/modCalculations.h"
#include "run/modIO.h"

namespace modPhases {

namespace {

// The relay output function "Time Setpoint".
constexpr int16_t kTimeSetpointFunction = 11;
// Predicted seconds for a channel that deposits nothing.
constexpr float kNoRate = 1000000.0f;
// Seconds a calibration needs beyond its sample time before the layer ends.
constexpr int32_t kCalibrationMargin = 6;

// Seconds until the channel reaches its end thickness; t is the prediction of the
// channel before, which a manual channel without an end thickness keeps.
float PredictEnd(int16_t ch, const LayerRec& layer, float t) {
    if (layer.Thick <= 0.0) return IsManualControl(RunApp().ChanPhase(ch)) ? t : 0.0f;
    // Thicknesses are in thousands of the rate's length unit.
    if (gChanUser(ch) > 0.0)
        return static_cast<float>((layer.Thick - gChanTotal(ch) - gChanTotalCarry(ch)) * 1000.0 / gChanUser(ch));
    return kNoRate;
}

// The time set point: its relay goes on once the phase has run that long.
void CheckTimeSetPoint(int16_t ch) {
    const int16_t relay = modIO::FindOutputFunction(kTimeSetpointFunction);
    if (relay < 0 || DepositTimeMark(ch) <= 0.0 || RunUnit().Relay(relay)) return;
    if (PhaseElapsed() >= DepositTimeMark(ch)) {
        RunUnit().setRelay(relay, true);
        RunUnit().SendRelays();
    }
}

// Starts or follows the channel's calibration against its quartz monitor; m is the
// shortest predicted time to the end of the layer.
void CalibrationSchedule(int16_t ch, const FilmRec& f, float m) {
    if (f.QCM_NUMBER < 0.0) return;
    if (QCMCalUse(vb::CInt(f.QCM_NUMBER)) != 1) return;
    if (RunApp().ChanPhase(ch) == PhaseCode::Deposit) {
        if (modUtil::TimeDiff(QCMCalLast(ch), Timer()) > f.QCM_INTERVAL && m > f.QCM_SAMPLE + kCalibrationMargin)
            RunApp().setChanPhase(ch, PhaseCode::QcmCal);
    } else {
        DoPhaseQCMCal(ch);
    }
}

}  // namespace

void InitPhaseDeposit() {
    ORUN_PROC("modPhases_InitPhaseDeposit");
    try {
        // The layer rate ramps begin again with the deposit; a ramp begun during the
        // shutter delay does not run on against the new phase clock.
        QCMCalLast.fill(0.0f);
        RateRampStage.fill(0);
        RateRampActive.fill(false);
        PhaseStartTime = Timer();
        for (int16_t ch = 0; ch <= 7; ++ch) {
            const LayerRec* layer = ChanLayerRec(ch);
            if (RunApp().ChanFilm(ch) < 1 || !layer || IsManualControl(RunApp().ChanPhase(ch))) continue;
            RunApp().setChanPhase(ch, PhaseCode::Deposit);
            modCalculations::ResetPID(ch);
            DepositTimeMark(ch) = layer->TimeSetPt;
        }
        // The control-error test of the main window counts from the start of the deposit.
        if (gMainForm) gMainForm->ChanErrorSince.fill(Timer());
    } catch (...) {
        gErr.HandleError();
    }
}

void DoPhaseDeposit() {
    ORUN_PROC("modPhases_DoPhaseDeposit");
    try {
        cApp& app = RunApp();
        float t = 0.0f;
        float m = 0.0f;  // 0: no prediction yet
        for (int16_t ch = 0; ch <= 7; ++ch) {
            const LayerRec* layer = ChanLayerRec(ch);
            if (app.ChanFilm(ch) < 1 || !layer) continue;
            t = PredictEnd(ch, *layer, t);
            if (m == 0.0f || t < m) {
                m = t;
                if (m <= 0.0f) app.setStatusMsg(3);  // "End Deposit Layer n - Total"
            }
            CheckTimeSetPoint(ch);
        }
        PhaseDuration = static_cast<float>(m + PhaseElapsed());
        if (PhaseRemaining() == 0.0) {
            app.setPhase(PhaseCode::IdleRamp);
            return;
        }
        for (int16_t ch = 0; ch <= 7; ++ch) {
            const FilmRec* f = ChanFilmRec(ch);
            if (!f) continue;
            const int16_t chanPhase = app.ChanPhase(ch);
            if (chanPhase == PhaseCode::ManPower || chanPhase == PhaseCode::HoldPower) continue;
            ControlChannel(ch);
            if (chanPhase == PhaseCode::ManRamp || chanPhase == PhaseCode::Constant) continue;
            CalibrationSchedule(ch, *f, m);
        }
    } catch (...) {
        gErr.HandleError();
    }
}

void ResetDepositTimers() {
    if (RunApp().Phase() != PhaseCode::Deposit) return;
    for (int16_t ch = 0; ch <= 7; ++ch) {
        const LayerRec* layer = ChanLayerRec(ch);
        if (RunApp().ChanFilm(ch) >= 1 && layer) DepositTimeMark(ch) = PhaseElapsed() + layer->TimeSetPt;
    }
}

}  // namespace modPhases
