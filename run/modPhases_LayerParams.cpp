// The settings of a channel's film and layer pushed out when a layer starts or the run
// stops: the channel's filters, the unit's PMT voltage and output scaling, and the
// quartz monitors' material.
#include "run/modPhases.h"
#include "run/modPhasesDetail.h"

#include "app/ChannelData.h"
#include "app/Globals.h"
#include "app/VBConv.h"
#include "app/cApp.h"
#include "app/cErrHandler.h"
#include "data/FilmRec.h"
#include "data/ProcessRec.h"
#include "platform/Dialogs.h"
#include "qcm/cQCM.h"
#include "unit/cORUN.h"

namespace modPhases {

namespace {

// Marks a monitor whose automatic calibration is disabled for the layer.
constexpr int16_t kCalibrationDisabled = 99;

const QString kDisabledLines = QStringLiteral(
    "Automatic QCM calibration will be disabled.\r\n"
    "Press OK to continue, Cancel to stop layer.");

// An emission channel that calibrates against quartz monitor q: counts the channels on
// the monitor and warns, during a run, when the calibration cannot be done. False when
// the operator chose to stop the layer.
bool CountCalibration(int16_t ch, const FilmRec& f) {
    const double q = f.QCM_NUMBER;
    int16_t& use = QCMCalUse(vb::CInt(q));
    const bool running = RunApp().Phase() != PhaseCode::Stopped;
    int answer = vbOK;
    if (f.QCM_INTERVAL > 0 && f.QCM_SAMPLE >= 0 && f.QCM_INTERVAL > f.QCM_SAMPLE) {
        ++use;
        if (use == 1) {
            RunQCM().Material(vb::CInt(q), f.QCM_DENSITY, f.QCM_ZFACTOR, f.QCM_TOOLING);
        } else if (running) {
            answer = MsgBox(QStringLiteral("QCM sensor ") + vb::CStr(q + 1) +
                                QStringLiteral(" cannot calibrate multiple ORUN channels.\r\n") + kDisabledLines,
                            vbOKCancel + vbExclamation);
        }
    } else {
        use = kCalibrationDisabled;
        if (running)
            answer = MsgBox(QStringLiteral("Channel ") + vb::CStr(ch + 1) +
                                QStringLiteral(" QCM calibration Interval or Sample parameters not setup.\r\n") +
                                kDisabledLines,
                            vbOKCancel + vbExclamation);
    }
    return answer != vbCancel;
}

}  // namespace

void SendLayerParams(int16_t ch) {
    ORUN_PROC("modPhases_SendLayerParams");
    try {
        const FilmRec* f = ChanFilmRec(ch);
        if (!f) return;
        gChanRateFilter(ch).setSize(f->Filter);
        gChanUserFilter(ch).setSize(f->Filter);
        gChanPowerFilter(ch).setSize(f->Filter);
        gChanExponent(ch) = f->Exponent;
        if (const LayerRec* layer = ChanLayerRec(ch)) gChanRatioFilter(ch).setSize(vb::CLng(layer->RatioFilter));

        if (InputType::IsQuartz(f->Input_Type)) {
            const int32_t m = InputType::QuartzMonitor(f->Input_Type);
            RunQCM().Material(m, f->QCM_DENSITY, f->QCM_ZFACTOR, f->QCM_TOOLING);
            RunQCM().Zero(m);
        } else if (InputType::IsEmission(f->Input_Type)) {
            RunUnit().setPMTVolts(ch, vb::CLng(f->Sensor_PMT));
            if (f->QCM_NUMBER >= 0.0 && !CountCalibration(ch, *f)) {
                RunApp().setPhase(PhaseCode::StopLayer);
                return;
            }
        }

        const int16_t out = RunApp().ChanOutput(ch);
        if (out >= 0) {
            RunUnit().setFullScale(out, f->FULL_SCALE);
            RunUnit().setMaxPower(out, f->Max_Power);
            // A power another step's film left on the output keeps within this film's
            // maximum from now on, not only from the next power this step sets.
            if (RunUnit().Power(out) > f->Max_Power) RunUnit().setPower(out, f->Max_Power);
        }
    } catch (...) {
        gErr.HandleError();
    }
}

}  // namespace modPhases
