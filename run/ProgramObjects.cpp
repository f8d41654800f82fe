#include "run/ProgramObjects.h"

#include "app/ExitRecord.h"
#include "app/Hooks.h"
#include "app/cApp.h"
#include "data/modDB.h"
#include "platform/Dialogs.h"
#include "qcm/cQCM.h"
#include "remote/cComm.h"
#include "run/AppCalls.h"
#include "run/frmMain.h"
#include "run/modIO.h"
#include "run/StartupCalls.h"
#include "run/modPhases.h"
#include "unit/cORUN.h"
#include "windows/frmGraph.h"

namespace ProgramObjects {

namespace {

template <typename T>
T& Create(T*& global) {
    if (!global) global = new T;
    return *global;
}

template <typename T>
void Release(T*& global) {
    T* object = global;
    global = nullptr;  // never reachable half-destroyed
    delete object;
}

void SetIOFunction(bool input, int16_t i, int16_t code) {
    if (input) modIO::SetInputFunction(i, code);
    else modIO::SetOutputFunction(i, code);
}

int16_t GetIOFunction(bool input, int16_t i) {
    return input ? modIO::GetInputFunction(i) : modIO::GetOutputFunction(i);
}

QString ProcessTime() { return RunMainForm().ProcessTime(); }

// The shutdown's release: the relay word and zero powers of the shutdown must reach the
// unit before its link goes, past a reply lost or garbled on the way, so the link gets a
// time that covers a whole reply time-out to pass them on.
void ShutdownLinks() {
    if (gORUN) gORUN->FinishShutdown(OrunTiming::ShutdownStopMs);
    const bool givenUp = gORUN && gORUN->StopGivenUp();
    ReleaseLinks();
    if (givenUp)
        ExitRecord::StopUnconfirmed(QStringLiteral("The unit did not confirm the shutdown's stop: its outputs may still "
                                                   "be driven. Check the plant."));
    // An operator leaving the plant must know; an end asked for by the system (nobody may
    // be there) leaves it to the error report and standard error.
    if (givenUp && !NobodyToAnswer())
        MsgBox(QStringLiteral("The unit did not confirm the stop. Its outputs may still be driven: check the plant."),
               vbExclamation);
}

}  // namespace

void RegisterCalls() {
    Hooks::InitPhase = &modPhases::InitPhase;
    Hooks::SetShutterRelays = &modPhases::SetShutterRelays;
    Hooks::ChannelPhaseNotify = &modPhases::ChannelPhaseNotify;
    Hooks::InitPhaseQCMCal = &modPhases::InitPhaseQCMCal;
    Hooks::StepStartRefusal = &modPhases::StepStartRefusal;
    Hooks::ExitRelayWord = &modPhases::ExitRelayWord;
    Hooks::ReleaseLinks = &ShutdownLinks;
    Hooks::SetIOFunction = &SetIOFunction;
    Hooks::GetIOFunction = &GetIOFunction;
    Hooks::ProcessTime = &ProcessTime;
    StartupCalls::Register();
    AppCalls::Register();
}

cApp& CreateApp() {
    RegisterCalls();
    if (gApp) return *gApp;
    cApp& app = Create(gApp);
    // The graph windows follow first, so a window is open (or gone) before the main
    // window checks (or clears) its menu entry.
    QObject::connect(&app, &cApp::ShowGraphChange, &app, &frmGraph::ApEvent_ShowGraphChange);
    QObject::connect(&app, &cApp::GraphRestart, &app, &frmGraph::ApEvent_GraphRestart);
    return app;
}

// Whoever makes an object has the calls into it registered, so the lower modules reach it
// however the object came to be made.
cORUN& CreateUnit() {
    RegisterCalls();
    return Create(gORUN);
}
cQCM& CreateQCM() {
    RegisterCalls();
    return Create(gQCM);
}
frmMain& CreateMainForm() {
    RegisterCalls();
    return Create(gMainForm);
}
cComm& CreateComm() {
    RegisterCalls();
    return Create(gComm);
}

void ReleaseLinks() {
    Release(gComm);
    Release(gORUN);
}

void ReleaseMainForm() { Release(gMainForm); }

void ReleaseAll() {
    ReleaseLinks();
    for (int i = 0; i <= 3; ++i) delete gGraphForm(i).data();
    ReleaseMainForm();
    Release(gQCM);
    modDB::gDB = dao::Database();  // the connection ends with its last holder
    Release(gApp);
}

}  // namespace ProgramObjects
