#include "run/frmMain.h"

frmMain* gMainForm = nullptr;

frmMain::frmMain(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmMain"));
    CreateReadingGrids();
}

frmMain::~frmMain() {
    if (gMainForm == this) gMainForm = nullptr;
}
