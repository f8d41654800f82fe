#include "app/cApp.h"

#include "app/cErrHandler.h"
#include "platform/ProgramFolder.h"

cApp::cApp(QObject* parent) : QObject(parent) {}

cApp::~cApp() = default;

void cApp::setProcLayer(int16_t nLayer) {
    ORUN_PROC("Ap_ProcLayer");
    try {
        ProcLayer_ = nLayer;
        emit LayerChange(nLayer);
    } catch (...) {
        gErr.HandleError();
    }
}

QString cApp::Path() const {
    QString folder = ProgramFolder();
    if (!folder.endsWith(QLatin1Char('\\'))) folder += QLatin1Char('\\');
    return folder;
}
