#include "run/StartupCalls.h"

#include "app/Globals.h"
#include "app/Hooks.h"
#include "editors/frmProcess.h"
#include "platform/VbControls.h"
#include "run/ProgramObjects.h"
#include "run/frmMain.h"
#include "windows/frmSystem.h"

#include <QRadioButton>

namespace StartupCalls {

namespace {

// A shown window comes to the front with the focus, as a window shown by the program does.
void Present(QWidget* form) {
    form->show();
    form->raise();
    form->activateWindow();
}

void ShowForm(const QString& name) {
    if (name == QLatin1String("frmMain")) {
        Present(&ProgramObjects::CreateMainForm());  // its load handling runs when first shown
    } else if (name == QLatin1String("frmProcess")) {
        ProcessEditor();
    } else if (name == QLatin1String("frmSystem")) {
        Present(SystemForm());
    }
}

Hooks::Endpoints MainFormEndpoints() {
    frmMain& form = RunMainForm();
    return {form.tcpControllerClient, form.tcpProgramServer, form.msCommSftw};
}

// Choosing the option as the program does (also while it is disabled) opens the layer
// editor on that channel's layer.
void SelectEditChannel(int16_t ch) { PressButton(RunMainForm().optChEdit(ch)); }

void FocusMainForm() { Present(&RunMainForm()); }

void CreateUnit() { ProgramObjects::CreateUnit(); }
void CreateQCM() { ProgramObjects::CreateQCM(); }
void CreateComm() { ProgramObjects::CreateComm(); }

}  // namespace

void Register() {
    Hooks::CreateUnit = &CreateUnit;
    Hooks::CreateQCM = &CreateQCM;
    Hooks::CreateComm = &CreateComm;
    Hooks::ShowForm = &ShowForm;
    Hooks::MainFormEndpoints = &MainFormEndpoints;
    Hooks::SelectEditChannel = &SelectEditChannel;
    Hooks::FocusMainForm = &FocusMainForm;
}

}  // namespace StartupCalls
