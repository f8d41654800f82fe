// The automatic calibration of an emission channel against a quartz monitor during
// DEPOSIT: started when the channel enters QCM CAL., followed on each deposit tick, and
// its factor stored in the film when it is done.
#include "run/modPhases.h"
#include "run/modPhasesDetail.h"

#include "app/Globals.h"
#include "app/Hooks.h"
#include "app/cApp.h"
#include "app/cErrHandler.h"
#include "data/FilmRec.h"
#include "platform/Clock.h"
#include "qcm/cQCMCal.h"

namespace modPhases {

BoundedArray<std::unique_ptr<cQCMCal>, 0, 7> QCMCalObj;

namespace {

constexpr int16_t kCalibrating = 2;
constexpr int16_t kDone = 3;
constexpr int32_t kTipMs = 5000;

}  // namespace

void InitPhaseQCMCal(int16_t ch) {
    ORUN_PROC("modPhases_InitPhaseQCMCal");
    try {
        const int16_t film = RunApp().ChanFilm(ch);
        if (film < 1) return;
        const FilmRec& f = gFilm(film);
        if (f.QCM_NUMBER < 0.0 || f.QCM_SAMPLE < 1) return;
        if (!QCMCalObj(ch)) QCMCalObj(ch) = std::make_unique<cQCMCal>();
        QCMCalObj(ch)->StartCal(ch, film);
    } catch (...) {
        gErr.HandleError();
    }
}

void DoPhaseQCMCal(int16_t ch) {
    ORUN_PROC("modPhases_DoPhaseQCMCal");
    try {
        cApp& app = RunApp();
        std::unique_ptr<cQCMCal>& cal = QCMCalObj(ch);
        // A channel sent into QCM CAL. whose film cannot calibrate has nothing to follow:
        // it goes back to the run as after a failed calibration, and tries again after
        // the film's interval.
        if (!cal) {
            app.setChanPhase(ch, app.Phase());
            QCMCalLast(ch) = Timer();
            return;
        }
        const int16_t phase = cal->Phase();
        if (phase >= 1 && phase <= kCalibrating) return;
        if (phase == kDone) {
            const int16_t film = app.ChanFilm(ch);
            if (film >= 1) gFilm(film).QCM_CALFACTOR = cal->QCMCalFactor();
            QCMCalLast(ch) = Timer();
            app.setChanPhase(ch, app.Phase());
            Hooks::Call(Hooks::RefreshCalibrationTab);
            cal.reset();
            return;
        }
        app.setChanPhase(ch, app.Phase());
        QCMCalLast(ch) = Timer();
        const QString message = cal->ErrorMsg();
        cal.reset();
        Hooks::Call(Hooks::ShowMainFormTip, QStringLiteral("QCMCal Error: ") + message, kTipMs);
    } catch (...) {
        gErr.HandleError();
    }
}

void ReleaseQCMCals() {
    for (auto& cal : QCMCalObj) cal.reset();
}

void ClearQCMCalUse() { QCMCalUse.fill(0); }

}  // namespace modPhases
