// The display refresh of the main window, run once per reading: the process, layer and
// phase labels on every call, the channel rows at most once per MeterDamping seconds, and
// the sensor controls on every call.
#include "app/SettingsGlobals.h"
#include "app/VBConv.h"
#include "app/cErrHandler.h"
#include "app/modUtil.h"
#include "data/ProcessRec.h"
#include "platform/Clock.h"
#include "run/PhaseCode.h"
#include "run/RunObjects.h"
#include "run/frmMain.h"
#include "run/modCalculations.h"
#include "run/modPhases.h"

#include <QProgressBar>

#include <QLabel>

namespace {

// Phases without a running process: only the process name and run number are shown.
bool Idle(int16_t p) { return p == 0 || p == 1 || p == 2 || p == PhaseCode::Stopped || p == PhaseCode::StopLayer; }

float Since(float start, float now) { return start != 0.0f ? modUtil::TimeDiff(start, now) : 0.0f; }

}  // namespace

void frmMain::UpdateForm() {
    ORUN_PROC("frmMain_UpdateForm");
    try {
        cApp& app = RunApp();
        const int16_t p = app.Phase();
        const float now = Timer();
        // Before a process is selected there is no process to name.
        if (gProcess.inRange(app.ProcNum())) {
            const ProcessRec& process = gProcess(app.ProcNum());
            lblProcess(0)->setText(QStringLiteral("Process: ") + process.Process_Name.text());
            lblProcess(2)->setText(QStringLiteral("Run: ") + vb::CStr(static_cast<int>(process.Run_Number)));
        }
        if (!Idle(p)) {
            RunElapsed_ = Since(RunStartTime, now);
            lblProcess(1)->setText(QStringLiteral("Time: ") + ProcessTime());
            LayerElapsed_ = Since(LayerStartTime, now);
            lblLayer(1)->setText(QStringLiteral("Time: ") + LayerTime());
            lblPhase(1)->setText(QStringLiteral("Time: ") + vb::Format(modPhases::PhaseElapsed() / 86400.0, QStringLiteral("hh:mm:ss")) +
                                 QStringLiteral(" / ") +
                                 vb::Format(modPhases::PhaseRemaining() / 86400.0, QStringLiteral("hh:mm:ss")));
            lblPhase(2)->setText(QStringLiteral("Progress:"));
            prgPhase->setValue(static_cast<int>(modPhases::PhasePercent()));
        }

        if (modUtil::TimeDiff(static_cast<float>(gLastMeterTime), now) >= static_cast<float>(MeterDamping)) {
            if (ShowReadings == 0 || ShowReadings == 1) {
                for (int16_t ch = 0; ch <= 7; ++ch)
                    if (app.ChanFilm(ch) > 0) UpdateChanProc(ch);
            }
            gLastMeterTime = now;
        }
        ShowSensors();
    } catch (...) {
        gErr.HandleError();
    }
}
