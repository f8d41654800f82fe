// The main window's part of the application state's setters and events: the graph menu's
// captions and check marks, the status label, the START press that a manual ramp asks for,
// and, as the process, its step or the run phase change, the run and layer clocks, the
// channel rows of the new step and the process, layer and phase labels.
#include "app/Globals.h"
#include "app/PhaseCode.h"
#include "app/SettingsGlobals.h"
#include "app/SystemFlags.h"
#include "app/VBConv.h"
#include "app/cApp.h"
#include "app/cErrHandler.h"
#include "app/modBitOps.h"
#include "app/modFormUtil.h"
#include "data/GraphRec.h"
#include "data/ProcessRec.h"
#include "platform/Clock.h"
#include "platform/VbColor.h"
#include "platform/VbControls.h"
#include "run/frmMain.h"
#include "run/modPhases.h"
#include "unit/cORUN.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>

namespace {
constexpr uint32_t kRed = 0xFF;
}  // namespace

void frmMain::BindAppEvents() {
    if (!gApp) return;
    connect(gApp, &cApp::GraphSettingsChange, this, &frmMain::ApEvent_GraphSettingsChange);
    connect(gApp, &cApp::ShowGraphChange, this, &frmMain::ApEvent_ShowGraphChange);
    connect(gApp, &cApp::StatusMsgChange, this, &frmMain::ApEvent_StatusMsgChange);
    connect(gApp, &cApp::RunStartRequest, this, &frmMain::ApEvent_RunStartRequest);
    connect(gApp, &cApp::FileWaitChange, this, &frmMain::ApEvent_FileWaitChange);
}

void frmMain::ApEvent_FileWaitChange(const QString& text) {
    if (!text.isEmpty()) {
        statusBeforeWait_ = lblStatus->text();
        ApEvent_StatusMsgChange(StatusMsgCode::Unchanged);
        return;
    }
    lblStatus->setText(statusBeforeWait_);
    QPalette palette = lblStatus->palette();
    palette.setColor(QPalette::WindowText, QColor(Qt::black));
    lblStatus->setPalette(palette);
    ApEvent_StatusMsgChange(RunApp().StatusMsg());
}

// "&1. " and the graph's trimmed caption; the "&" makes the digit the access key.
void frmMain::ApEvent_GraphSettingsChange(int16_t) {
    for (int16_t i = 0; i <= 3; ++i)
        mnuViewGraph(i)->setText(QLatin1Char('&') + vb::CStr(i + 1) + QStringLiteral(". ") + vb::Trim(gGraph(i).Caption));
}

void frmMain::ApEvent_ShowGraphChange(int16_t Index, bool State) { mnuViewGraph(Index)->setChecked(State); }

void frmMain::ApEvent_StatusMsgChange(int16_t nMsgNum) {
    const auto show = [this](const QString& text, const QColor& colour) {
        lblStatus->setText(text);
        QPalette palette = lblStatus->palette();
        palette.setColor(QPalette::WindowText, colour);
        lblStatus->setPalette(palette);
    };
    // Once the exit is confirmed the status line says what the program still waits for.
    if (stopping_) {
        if (nMsgNum == StatusMsgCode::CommError && Simulate == 0)
            show(QStringLiteral("STOPPING UNIT - COMM ERROR"), QColor(Qt::red));
        else
            show(QStringLiteral("STOPPING UNIT"), QColor(Qt::black));
        return;
    }
    // A wait for the recipe database shows over any message, which comes back once it ends.
    if (!RunApp().FileWait().isEmpty()) {
        show(RunApp().FileWait(), QColor(0xB0, 0x50, 0x00));
        return;
    }
    const QString step = vb::CStr(static_cast<int>(RunApp().ProcLayer()));
    switch (nMsgNum) {
    case StatusMsgCode::None:
        // With nothing else to say, the status line says that the link is slow while it is.
        if (gORUN && gORUN->SlowLink() && Simulate == 0) {
            RunApp().setStatusMsg(StatusMsgCode::SlowLink);
            return;
        }
        show(QString(), QColor(Qt::black));
        break;
    case StatusMsgCode::CommError:
        // While simulating there is no unit to miss.
        if (Simulate == 0) show(QStringLiteral("COMM ERROR"), QColor(Qt::red));
        break;
    case StatusMsgCode::EndLayerTotal:
        show(QStringLiteral("End Deposit Layer ") + step + QStringLiteral(" - Total"), QColor(Qt::black));
        break;
    case StatusMsgCode::EndLayerTime:
        show(QStringLiteral("End Deposit Layer ") + step + QStringLiteral(" - Time"), QColor(Qt::black));
        break;
    case StatusMsgCode::StopLayerUser:
        show(QStringLiteral("Stop Layer ") + step + QStringLiteral(" - User"), QColor(Qt::black));
        break;
    case StatusMsgCode::SlowLink:
        if (Simulate == 0) show(QStringLiteral("SLOW LINK"), QColor(Qt::red));
        break;
    default: break;  // Unchanged and any other number leave the label as it is
    }
}

void frmMain::ApEvent_RunStartRequest() { PressWithoutInterlock(cmdFunc(0)); }

void frmMain::ApEvent_ProcessChange(int16_t) {
    RunStartTime = 0.0f;
    UpdateForm();
    for (int16_t ch = 0; ch <= 7; ++ch)
        if (RunApp().ChanFilm(ch) > 0) UpdateChanProc(ch);
}

void frmMain::ApEvent_LayerChange(int16_t nLayer) {
    LayerStartTime = Timer();
    // The layer and phase times shown were the layer's left behind: they go (NEXT or
    // RESET while stopped, a next layer that waits for its manual start), and a layer that
    // runs shows its own from the next refresh.
    ClearLayerTimes();
    ShowChannels();
    ShowLayerLabel(nLayer);
    ShowRowsAtOnce();
}

// Before a process is selected there is no process to name.
void frmMain::ShowProcessLabels() {
    const int16_t process = RunApp().ProcNum();
    if (!gProcess.inRange(process)) return;
    lblProcess(0)->setText(QStringLiteral("Process: ") + gProcess(process).Process_Name.text());
    lblProcess(2)->setText(QStringLiteral("Run: ") + vb::CStr(static_cast<int>(gProcess(process).Run_Number)));
}

// Before a process is selected there is no process to count the layers of.
void frmMain::ShowLayerLabel(int16_t nLayer) {
    const int16_t process = RunApp().ProcNum();
    if (!gProcess.inRange(process)) return;
    lblLayer(0)->setText(QStringLiteral("Layer: ") + vb::CStr(static_cast<int>(nLayer)) + QStringLiteral(" of ") +
                         vb::CStr(static_cast<int>(gProcess(process).Number_Layers)));
}

// At the shutdown there is nothing more to show.
void frmMain::RefreshRunDisplay() {
    if (!gApp || gApp->Phase() == PhaseCode::Shutdown) return;
    ORUN_PROC("frmMain_RefreshRunDisplay");
    try {
        ShowProcessLabels();
        ShowLayerLabel(RunApp().ProcLayer());
        ShowChannels();
    } catch (...) {
        gErr.HandleError();
    }
}

// The run buttons and the Edit menu's editors follow the phase: a running process locks
// the editors (and closes the open ones) until it stops.
void frmMain::ApEvent_PhaseChange(int16_t nPhase) {
    if (nPhase != PhaseCode::Shutdown) {
        const bool hidden = modBitOps::BitTestInteger(SystemFlags, SystemFlag::RunButtons);
        const bool stopped = nPhase == PhaseCode::Stopped || nPhase == PhaseCode::StopLayer;
        cmdFunc(0)->setText(stopped ? QStringLiteral("START") : QStringLiteral("STOP"));
        SetBackColor(cmdFunc(0), stopped ? vbButtonFace : kRed);
        cmdFunc(1)->setVisible(stopped && !hidden);
        cmdFunc(2)->setVisible(nPhase == PhaseCode::StopLayer && !hidden);
        mnuSetupProcess->setEnabled(stopped);
        mnuSetupFilm->setEnabled(stopped);
        if (!stopped) {
            if (QWidget* tree = modFormUtil::LoadedForm(QStringLiteral("frmProcess"))) modFormUtil::Unload(tree);
            if (QWidget* film = modFormUtil::LoadedFormByCaption(QStringLiteral("Edit Film"))) modFormUtil::Unload(film);
        }
    }

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
        RunPausedAt = 0.0f;
        app.setStatusMsg(StatusMsgCode::None);
        break;
    case PhaseCode::Stopped:
        RunPausedAt = 0.0f;
        app.setStatusMsg(StatusMsgCode::None);
        // The run is over: the rows show the channels' films and phases as they now stand,
        // and nothing is timed.
        RefreshRunDisplay();
        ClearRunTimes();
        break;
    case PhaseCode::Deposit:
        for (int ch = 0; ch <= 7; ++ch) {
            ChanErrorShown(ch) = false;
            ChanErrorSince(ch) = Timer();
        }
        break;
    case PhaseCode::StopLayer:
        PauseRunTime();
        // The stop took the channels out of manual power: their boxes follow at once.
        FollowRowsShown();
        break;
    case PhaseCode::StartLayer:
        ResumeRunTime();
        LayerStartTime = Timer();
        app.setStatusMsg(StatusMsgCode::None);
        for (int ch = 0; ch <= 7; ++ch) ChanErrorShown(ch) = false;
        break;
    default: break;
    }
    // The rows show the channels' new phases now: the next refresh may be a damping
    // period away.
    if (nPhase != PhaseCode::Stopped) ShowRowsAtOnce();
}
