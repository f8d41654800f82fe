// Selecting the active process.
#include "app/cApp.h"
#include "app/PhaseCode.h"

#include "app/VBConv.h"
#include "app/cErrHandler.h"
#include "app/modUtil.h"
#include "data/ProcessRec.h"
#include "data/modDB.h"
#include "platform/Dialogs.h"

#include <optional>

namespace {

// A process without layers cannot be run or edited: it gets one layer of film 1.
void AddDefaultLayer(int16_t nProcess) {
    const int16_t L = modDB::GetFreeLayer();
    if (!gLayer.inRange(L)) {
        MsgBox(QStringLiteral("Fatal Error, can't open or build process."));
        modUtil::EndProgram(1);
    }
    ProcessRec& process = gProcess(nProcess);
    process.First_Layer = L;
    process.Number_Layers = 1;
    process.Number_Act_Layers = 1;
    // The record keeps the channel and output it had.
    LayerRec& layer = gLayer(L);
    layer.Layer_Number = L;
    layer.Film_Number = 1;
    layer.Next_Layer = -1;
    layer.CoDep_Layer = -1;
    // Both rows in one transaction: the file never holds the process naming a free record.
    std::optional<dao::Transaction> both;
    if (modDB::gDB.IsOpen()) both.emplace(modDB::gDB);
    modDB::ProcessSave(nProcess);
    modDB::LayerSave(L);
    if (both) both->Commit();
    MsgBox(vb::Trim(process.Process_Name) + QStringLiteral(" was empty. A default layer has been added."));
}

}  // namespace

void cApp::setProcNum(int16_t nProcess) {
    ORUN_PROC("Ap_ProcNum");
    try {
        // A number that names no process is refused before anything is stored, so the
        // process that was active stays active and selected.
        if (!gProcess.inRange(nProcess)) throw RuntimeError::SubscriptOutOfRange();
        ProcNum_ = nProcess;
        LayerMap_.clear();
        if (gProcess(nProcess).Number_Layers == 0) AddDefaultLayer(nProcess);
        if (BuildProcess(nProcess) != 0) return;

        modDB::IOLoad(ProcNum_);
        emit IOMapsChange(ProcNum_);
        modDB::GraphLoad(ProcNum_);
        emit GraphSettingsChange(ProcNum_);
        setProcLayer(1);
        if (Phase_ != PhaseCode::Startup) setPhase(PhaseCode::Stopped);
        emit ProcessChange(nProcess);
    } catch (const modUtil::CriticalExit&) {
        throw;  // the program is ending
    } catch (...) {
        gErr.HandleError();
    }
}
