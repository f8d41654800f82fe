#include "run/frmMain.h"

frmMain::frmMain(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmMain"));
    CreateAppControls();
    CreateReadingGrids();
    BindAppEvents();
}

frmMain::~frmMain() = default;
