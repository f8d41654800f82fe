#include "windows/frmSystem.h"

frmSystem* gSystemForm = nullptr;

frmSystem::frmSystem(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmSystem"));
    gSystemForm = this;
}

frmSystem::~frmSystem() {
    if (gSystemForm == this) gSystemForm = nullptr;
}

// The grids are not built yet, so there is nothing to refill.
void frmSystem::InitGridRelay() {}
void frmSystem::InitGridInput() {}
