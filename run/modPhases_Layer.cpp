// Starting and stopping layers and the run: START LAYER with its prompts, STOP LAYER,
// STOPPED, and INDEX with its time-out.
#include "run/modPhases.h"
#include "run/modPhasesDetail.h"

#include "app/Globals.h"
#include "app/RunConditions.h"
#include "app/VBConv.h"
#include "app/cApp.h"
#include "app/cErrHandler.h"
#include "data/FilmRec.h"
#include "data/ProcessRec.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "unit/cORUN.h"

#include <QStringList>

namespace modPhases {

namespace {
constexpr int16_t kManualStart = 1;
constexpr int16_t kConstantStart = 2;
// Seconds INDEX waits before it gives up.
constexpr double kIndexTimeout = 20.0;
}  // namespace

// A detector without a calibration that makes its reading depend on it gives the step no
// reading to run on: the step does not start (the run's start, a layer's start, the next
// step of a run), and no source of it is driven, its warm-up ramps and soaks included.
QString StepStartRefusal() {
    QStringList channels;
    for (int16_t ch = 0; ch <= 7; ++ch) {
        const FilmRec* film = ChanFilmRec(ch);
        if (film && InputType::IsEmission(film->Input_Type) && CalibrationMissing(ch)) channels << vb::CStr(ch + 1);
    }
    if (channels.isEmpty()) return QString();
    const QString named = channels.size() == 1 ? QStringLiteral("Channel ") + channels[0] + QStringLiteral(" is")
                                               : QStringLiteral("Channels ") + channels.join(QStringLiteral(", ")) +
                                                     QStringLiteral(" are");
    return named + QStringLiteral(" not calibrated: the detector's calibration could not be read, or is not one a "
                                  "measurement of the detector can give.") +
           QStringLiteral("\r\nCalibrate the channel (Edit > System..., Channel tab, Calibrate: Start), then start "
                          "the layer again.\r\n\r\nLayer Stopped!");
}

void InitPhaseStartLayer() {
    ORUN_PROC("modPhases_InitPhaseStartLayer");
    try {
        cApp& app = RunApp();
        // A layer in manual start asks its prompt first; Cancel keeps the layer stopped and
        // leaves the channels as they are. The box lets events run: a stop, the exit or
        // another step meanwhile ends the start where it is, as they left the run.
        const RunConditions asked;
        for (int16_t ch = 0; ch <= 7; ++ch) {
            const LayerRec* layer = ChanLayerRec(ch);
            if (app.ChanFilm(ch) < 1 || !layer) continue;
            if (layer->StartMode != kManualStart || layer->Prompt.isEmpty()) continue;
            if (MsgBox(layer->Prompt, vbOKCancel, QStringLiteral("Start Layer ") + vb::CStr(app.ProcLayer())) ==
                vbCancel) {
                if (asked.Changed().isEmpty()) app.setPhase(PhaseCode::StopLayer);
                return;
            }
            if (!asked.Changed().isEmpty()) return;
        }
        // A channel in CONSTANT runs on through the layer's start (a restart after STOP, the
        // next layer of the step): its loop goes on, and is not held back to 0 until its
        // detector reads again.
        bool runsOn[8] = {};
        for (int16_t ch = 0; ch <= 7; ++ch) runsOn[ch] = app.ChanPhase(ch) == PhaseCode::Constant;
        for (int16_t ch = 0; ch <= 7; ++ch) {
            const int16_t chanPhase = app.ChanPhase(ch);
            const LayerRec* layer = ChanLayerRec(ch);
            if (app.ChanFilm(ch) < 1)
                app.setChanPhase(ch, PhaseCode::StopLayer);
            else if (chanPhase == PhaseCode::ManPower || chanPhase == PhaseCode::ManRamp)
                continue;  // the operator's hand stays on it
            else if (layer && layer->StartMode == kConstantStart)
                app.setChanPhase(ch, PhaseCode::Constant);
            else
                app.setChanPhase(ch, PhaseCode::Ramp1);
        }
        ClearQCMCalUse();
        bool detectorOff = false;
        for (int16_t ch = 0; ch <= 7; ++ch) {
            if (runsOn[ch] && app.ChanPhase(ch) == PhaseCode::Constant) LoopRunsOn(ch);
            else NoteLayerStart(ch);
            const FilmRec* film = ChanFilmRec(ch);
            if (!film) continue;
            // Its boxes let events run, as the prompts do.
            SendLayerParams(ch);
            if (!asked.Changed().isEmpty()) return;
            detectorOff = detectorOff || (InputType::IsEmission(film->Input_Type) && !RunUnit().ChanActive(ch));
        }
        // A detector held inactive did not get its PMT volts. The unit is asked for its
        // channels again: one that is on gets its volts from the reply, so a state the link
        // missed does not keep the channel from the layer.
        if (detectorOff) RunUnit().SendReadChannels();
    } catch (...) {
        gErr.HandleError();
    }
}

void DoPhaseStartLayer() {
    ORUN_PROC("modPhases_DoPhaseStartLayer");
    try {
        RunApp().setPhase(PhaseCode::Ramp1);
    } catch (...) {
        gErr.HandleError();
    }
}

void InitPhaseStopLayer() {
    ORUN_PROC("modPhases_InitPhaseStopLayer");
    try {
        cApp& app = RunApp();
        for (int16_t ch = 0; ch <= 7; ++ch) {
            if (app.ChanFilm(ch) < 1) {
                app.setChanPhase(ch, PhaseCode::StopLayer);
            } else if (app.ChanPhase(ch) != PhaseCode::Constant) {
                // Manual power stops too; only a CONSTANT channel keeps running.
                app.setChanPhase(ch, PhaseCode::StopLayer);
                SetChanPower(ch, 0.0);
            }
        }
    } catch (...) {
        gErr.HandleError();
    }
    SendStopPowers();
}

void DoPhaseStopLayer() {
    ORUN_PROC("modPhases_DoPhaseStopLayer");
    try {
        // Channels that the operator holds in MAN POWER meanwhile keep their power.
        for (int16_t ch = 0; ch <= 7; ++ch)
            if (RunApp().ChanFilm(ch) >= 1 && RunApp().ChanPhase(ch) == PhaseCode::Constant) ControlChannel(ch);
    } catch (...) {
        gErr.HandleError();
    }
}

void InitPhaseStop() {
    ORUN_PROC("modPhases_InitPhaseStop");
    try {
        ClearQCMCalUse();
        for (int16_t ch = 0; ch <= 7; ++ch) {
            RunApp().setChanPhase(ch, PhaseCode::Stopped);
            SendLayerParams(ch);
        }
    } catch (...) {
        gErr.HandleError();
    }
    // Whatever became of the layer parameters, every output stops.
    StopAllOutputs();
}

void StopAllOutputs() {
    try {
        for (int o = 0; o <= 7; ++o) RunUnit().setPower(o, 0.0);
    } catch (...) {
        gErr.HandleError();
    }
    SendStopPowers();
}

// STOPPED and STOP LAYER are mostly entered outside a control tick (a button, an input, a
// remote request, a process change), and no tick runs while they last: the zero powers
// are sent here, or the unit would go on driving the sources the window shows stopped.
void SendStopPowers() {
    try {
        RunUnit().SendPower();
    } catch (...) {
        gErr.HandleError();
    }
}

void InitPhaseFilter() {
    ORUN_PROC("modPhases_InitPhaseFilter");
    try {
        PhaseStartTime = Timer();
    } catch (...) {
        gErr.HandleError();
    }
}

void DoPhaseIndex() {
    ORUN_PROC("modPhases_DoPhaseIndex");
    try {
        if (PhaseElapsed() > kIndexTimeout) {
            RunApp().setPhase(PhaseCode::Stopped);
            MsgBox(QStringLiteral("Indexer Timeout"), vbCritical);
        }
    } catch (...) {
        gErr.HandleError();
    }
}

}  // namespace modPhases
