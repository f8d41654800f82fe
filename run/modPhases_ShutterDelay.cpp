// SHTR DLY: the shutters are open and each channel must bring its rate into the film's
// capture band and hold it there before the layer deposits.
#include "run/modPhases.h"
#include "run/modPhasesDetail.h"

#include "app/VBConv.h"
#include "app/cErrHandler.h"
#include "app/modUtil.h"
#include "data/FilmRec.h"
#include "data/ProcessRec.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "run/ChannelData.h"
#include "run/RunObjects.h"
#include "run/modCalculations.h"

#include <algorithm>
#include <cmath>

namespace modPhases {

namespace {

// Seconds a channel must stay within capture.
constexpr float kCaptureHold = 3.0f;

QString FailureText(const FilmRec& f, int16_t ch) {
    return QStringLiteral("Failed to reach ") + vb::Format(f.Shutter_Capture, QStringLiteral("0.0")) +
           QStringLiteral("% control within ") + vb::CStr(static_cast<int>(f.Shutter_Delay)) +
           QStringLiteral(" seconds\r\nshutter delay on channel ") + vb::CStr(ch + 1) +
           QStringLiteral(".\r\n\r\nLayer Stopped!");
}

}  // namespace

void InitPhaseShutterDelay() {
    ORUN_PROC("modPhases_InitPhaseShutterDelay");
    try {
        PhaseStartTime = Timer();
        for (int16_t ch = 0; ch <= 7; ++ch) {
            if (RunApp().ChanFilm(ch) < 1 || IsManualControl(RunApp().ChanPhase(ch))) continue;
            CaptureStart(ch) = Timer();
            RunApp().setChanPhase(ch, PhaseCode::ShutterDelay);
            modCalculations::ResetPID(ch);
        }
    } catch (...) {
        gErr.HandleError();
    }
}

void DoPhaseShutterDelay() {
    ORUN_PROC("modPhases_DoPhaseShutterDelay");
    try {
        cApp& app = RunApp();
        int32_t longest = 0;
        for (int16_t ch = 0; ch <= 7; ++ch) {
            const FilmRec* f = ChanFilmRec(ch);
            if (f && !IsManual(app.ChanPhase(ch))) longest = std::max(longest, f->Shutter_Delay);
        }
        PhaseDuration = static_cast<float>(longest);
        if (PhaseDuration == 0.0f) {
            app.setPhase(PhaseCode::Deposit);
            return;
        }
        bool allCaptured = true;
        for (int16_t ch = 0; ch <= 7; ++ch) {
            const FilmRec* f = ChanFilmRec(ch);
            if (!f) continue;
            const int16_t chanPhase = app.ChanPhase(ch);
            if (chanPhase == PhaseCode::ManPower || chanPhase == PhaseCode::HoldPower) continue;
            if (chanPhase == PhaseCode::ManRamp || chanPhase == PhaseCode::Constant) {
                ControlChannel(ch);
                continue;
            }
            if (app.ChanOutput(ch) < 0 || f->Shutter_Delay < 1) continue;
            const LayerRec* layer = ChanLayerRec(ch);
            const double rate = layer ? layer->Rate : 0.0;
            const float now = Timer();
            const float held = modUtil::TimeDiff(CaptureStart(ch), now);
            if (PhaseElapsed() >= f->Shutter_Delay && held < kCaptureHold) {
                app.setPhase(PhaseCode::Stopped);
                MsgBox(FailureText(*f, ch), vbCritical);
                return;
            }
            if (rate <= 0.0) {
                CaptureStart(ch) = now;
                allCaptured = false;
            } else if (std::fabs(rate - gChanUser(ch)) <= f->Shutter_Capture / 100.0 * rate) {
                if (held < kCaptureHold) allCaptured = false;
            } else {
                CaptureStart(ch) = now;
                allCaptured = false;
            }
            // The capture band is around the layer's rate; the control already follows
            // any rate ramp.
            ControlChannel(ch);
        }
        if (allCaptured) app.setPhase(PhaseCode::Deposit);
    } catch (...) {
        gErr.HandleError();
    }
}

}  // namespace modPhases
