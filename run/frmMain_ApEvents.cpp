// What the main window does when the application state changes its process, its step or
// its run phase: the run and layer clocks, the channel rows of the new step, and the
// process, layer and phase labels.
#include "app/VBConv.h"
#include "data/ProcessRec.h"
#include "platform/Clock.h"
#include "run/PhaseCode.h"
#include "run/RunObjects.h"
#include "run/frmMain.h"
#include "run/modPhases.h"

#include <QLabel>

void frmMain::ApEvent_ProcessChange(int16_t) {
    RunStartTime = 0.0f;
    UpdateForm();
    for (int16_t ch = 0; ch <= 7; ++ch)
        if (RunApp().ChanFilm(ch) > 0) UpdateChanProc(ch);
}

void frmMain::ApEvent_LayerChange(int16_t nLayer) {
    LayerStartTime = Timer();
    ShowChannels();
    // Before a process is selected there is no process to count the layers of.
    const int16_t process = RunApp().ProcNum();
    if (!gProcess.inRange(process)) return;
    lblLayer(0)->setText(QStringLiteral("Layer: ") + vb::CStr(static_cast<int>(nLayer)) + QStringLiteral(" of ") +
                         vb::CStr(static_cast<int>(gProcess(process).Number_Layers)));
}

// The run buttons and the Edit menu follow the phase with the run controls.
void frmMain::ApEvent_PhaseChange(int16_t nPhase) {
    if (nPhase >= PhaseCode::Ramp1 && nPhase <= PhaseCode::Soak2) lblPhase(0)->setText(QStringLiteral("Phase: PRECONDITION"));
    else if (nPhase >= 14 && nPhase <= PhaseCode::IdleRamp) lblPhase(0)->setText(QStringLiteral("Phase: POSTCONDITION"));
    else lblPhase(0)->setText(QStringLiteral("Phase: ") + modPhases::PhaseName(nPhase));

    cApp& app = RunApp();
    const QString run = gProcess.inRange(app.ProcNum())
                            ? QStringLiteral("Run: ") + vb::CStr(static_cast<int>(gProcess(app.ProcNum()).Run_Number))
                            : QString();
    switch (nPhase) {
    case PhaseCode::Startup: lblProcess(2)->setText(run); break;
    case PhaseCode::InitRun:
        lblProcess(2)->setText(run);
        RunStartTime = Timer();
        app.setStatusMsg(0);
        break;
    case PhaseCode::Stopped: app.setStatusMsg(0); break;
    case PhaseCode::Deposit:
        for (int ch = 0; ch <= 7; ++ch) {
            ChanErrorShown(ch) = false;
            ChanErrorSince(ch) = Timer();
        }
        break;
    case PhaseCode::StartLayer:
        LayerStartTime = Timer();
        app.setStatusMsg(0);
        for (int ch = 0; ch <= 7; ++ch) ChanErrorShown(ch) = false;
        break;
    default: break;
    }
}
