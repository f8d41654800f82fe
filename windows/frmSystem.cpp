#include "windows/frmSystem.h"

#include "app/cApp.h"

frmSystem* gSystemForm = nullptr;

frmSystem::frmSystem(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmSystem"));
    gSystemForm = this;
    if (gApp) connect(gApp, &cApp::IOMapsChange, this, &frmSystem::ApEvent_IOMapsChange);
}

void frmSystem::ApEvent_IOMapsChange(int16_t) {
    InitGridRelay();
    InitGridInput();
}

frmSystem::~frmSystem() {
    if (gSystemForm == this) gSystemForm = nullptr;
}

// The grids are not built yet, so there is nothing to refill.
void frmSystem::InitGridRelay() {}
void frmSystem::InitGridInput() {}
