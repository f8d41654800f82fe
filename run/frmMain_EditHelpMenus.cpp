// The Edit menu's editors and setup window, and the Help menu. The editors and the setup
// window are single windows: asking again restores and shows the open one.
#include "app/cErrHandler.h"
#include "app/frmAbout.h"
#include "app/modFormUtil.h"
#include "editors/frmLayerFilm.h"
#include "editors/frmProcess.h"
#include "platform/AppInfo.h"
#include "platform/Dialogs.h"
#include "platform/HtmlHelp.h"
#include "run/PhaseCode.h"
#include "run/RunObjects.h"
#include "run/frmMain.h"
#include "windows/frmSystem.h"

namespace {

constexpr int kHelpContext = 10;

void ShowRestored(QWidget* form) {
    if (form->isMinimized()) form->showNormal();
    form->show();
    form->raise();
}

}  // namespace

void frmMain::mnuSetupProcess_Click() {
    ORUN_PROC("frmMain_mnuSetupProcess_Click");
    try {
        cApp& app = RunApp();
        for (int16_t ch = 0; ch <= 7; ++ch) {
            const int16_t phase = app.ChanPhase(ch);
            if (phase != PhaseCode::ManPower && phase != PhaseCode::ManRamp) continue;
            MsgBox(QStringLiteral("Cannot edit the process while Manual Power is being set."), vbOKOnly | vbExclamation);
            return;
        }
        ProcessEditor();
    } catch (...) {
        gErr.HandleError();
    }
}

void frmMain::mnuSetupFilm_Click() {
    ORUN_PROC("frmMain_mnuSetupFilm_Click");
    try {
        const bool open = modFormUtil::IsFormLoadedByCaption(QStringLiteral("Edit Film"));
        frmLayerFilm* editor = FilmEditor();
        // A new editor shows the film its own list has selected.
        if (!open) editor->ShowFilm(0);
        ShowRestored(editor);
    } catch (...) {
        gErr.HandleError();
    }
}

void frmMain::mnuSetupSystem_Click() {
    ORUN_PROC("frmMain_mnuSetupSystem_Click");
    try {
        ShowRestored(SystemForm());
    } catch (...) {
        gErr.HandleError();
    }
}

void frmMain::mnuHelpHelp_Click() { HtmlHelp(App().HelpFile, HH_HELP_CONTEXT, kHelpContext); }

void frmMain::mnuHelpAbout_Click() {
    ORUN_PROC("frmMain_mnuHelpAbout_Click");
    try {
        auto* about = new frmAbout(this);
        about->show();
    } catch (...) {
        gErr.HandleError();
    }
}
