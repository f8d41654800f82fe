// The grids of the raw readings view that the quartz intake fills.
#include "platform/TarselGrid.h"
#include "run/frmMain.h"

void frmMain::CreateReadingGrids() {
    grdQCM = new TarselGrid(this);
    grdQCM->setObjectName(QStringLiteral("grdQCM"));
    grdQCM->setRows(4);
    grdQCM->setCols(5);
    grdQCM->hide();

    grdVesk = new TarselGrid(this);
    grdVesk->setObjectName(QStringLiteral("grdVesk"));
    grdVesk->setRows(4);
    grdVesk->setCols(1);
    grdVesk->hide();
}
