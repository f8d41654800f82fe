// The graph windows' flags and the status message. The windows themselves follow the
// events: the graph windows open and close, the main window checks its menu entries and
// sets its status label.
#include "app/cApp.h"
#include "app/PhaseCode.h"

#include "app/cErrHandler.h"

void cApp::setShowGraph(int16_t Index, bool State) {
    ORUN_PROC("cApp_ShowGraph");
    try {
        if (State) {
            // The window opens before the flag is set: a window that fails to open leaves
            // the graph not shown.
            const bool wasShown = GraphShown_(Index);
            emit ShowGraphChange(Index, true);
            if (!wasShown) GraphShown_(Index) = true;
        } else {
            GraphShown_(Index) = false;
            emit ShowGraphChange(Index, false);
        }
    } catch (...) {
        gErr.HandleError();
    }
}

void cApp::setStatusMsg(int16_t nMsgNum) {
    if (Phase_ == PhaseCode::Shutdown) return;
    StatusMsg_ = nMsgNum;
    emit StatusMsgChange(nMsgNum);
}

void cApp::setFileWait(const QString& text) {
    if (FileWait_ == text) return;
    FileWait_ = text;
    emit FileWaitChange(text);
}
