// Selecting the active process.
#include "app/cApp.h"

#include "app/cErrHandler.h"
#include "data/ProcessRec.h"
#include "data/modDB.h"

// So far the selection covers the process's own data: the layer map, the relay/input
// maps and the graph settings. A default layer for an empty process, the STOPPED entry
// outside the start-up and the ProcessChange event join it with the run control.
void cApp::setProcNum(int16_t nProcess) {
    ORUN_PROC("Ap_ProcNum");
    try {
        ProcNum_ = nProcess;
        LayerMap_.clear();
        (void)gProcess(nProcess);  // a number outside 1..25 is an error
        if (BuildProcess(nProcess) != 0) return;
        modDB::IOLoad(ProcNum_);
        modDB::GraphLoad(ProcNum_);
        setProcLayer(1);
    } catch (...) {
        gErr.HandleError();
    }
}
