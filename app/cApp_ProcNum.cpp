// Selecting the active process.
#include "app/cApp.h"
#include "app/PhaseCode.h"
#include "app/RunConditions.h"

#include "app/VBConv.h"
#include "app/SettingsGlobals.h"
#include "app/cErrHandler.h"
#include "app/modUtil.h"
#include "data/ProcessRec.h"
#include "data/modDB.h"
#include "platform/Dialogs.h"


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
    // Both rows as one save: the file never holds the process naming a free record. A
    // file that does not take them is told once; the layer stays in the program, to be
    // saved with the process later.
    try {
        const modDB::OneSave once;
        modDB::WithFile(modDB::FileUse::Write,
                        QStringLiteral("The default layer of ") + vb::Trim(process.Process_Name), [&] {
                            modDB::ProcessSave(nProcess);
                            modDB::LayerSave(L);
                        });
    } catch (const modDB::FileRefused& refusal) {
        modDB::TellRefusal(refusal);
    } catch (...) {
        gErr.HandleError(modDB::NotSaved(cErrHandler::CurrentError(), DBFile));
    }
    MsgBox(vb::Trim(process.Process_Name) + QStringLiteral(" was empty. A default layer has been added."));
}

// The relay/input map and the graph settings of the process, read as one piece of work:
// they become the active ones only when both were read, and another program keeping the
// file, or the run moving on while the read waited for it, leaves the maps and settings
// as they were (FileRefused).
void ReadProcessSettings(int16_t nProcess) {
    const RunConditions checked;
    const QString what = QStringLiteral("The relay and input map and the graph settings of ") +
                         vb::Trim(gProcess(nProcess).Process_Name);
    const modDB::LoadUndo undo;
    modDB::WithFile(
        modDB::FileUse::Read, what,
        [&] {
            try {
                modDB::IOLoad(nProcess);
                modDB::GraphLoad(nProcess);
            } catch (...) {
                undo.PutBack();
                throw;
            }
        },
        [&] { return checked.Changed(); });
    // A box the read showed let events run too.
    const QString changed = checked.Changed();
    if (changed.isEmpty()) return;
    undo.PutBack();
    throw modDB::FileRefused(QStringLiteral("While the program read it, %1: ").arg(changed) + what +
                             QStringLiteral(" was left undone, and nothing was changed."));
}

}  // namespace

void cApp::setProcNum(int16_t nProcess) {
    try {
        SelectProcess(nProcess);
    } catch (const modDB::FileRefused& refusal) {
        modDB::TellRefusal(refusal);
    }
}

void cApp::SelectProcess(int16_t nProcess, bool settingsRead) {
    ORUN_PROC("Ap_ProcNum");
    try {
        // A number that names no process is refused before anything is stored, so the
        // process that was active stays active and selected; so is a process whose maps
        // and settings cannot be read, which would run on the maps of another.
        if (!gProcess.inRange(nProcess)) throw RuntimeError::SubscriptOutOfRange();
        if (!settingsRead) ReadProcessSettings(nProcess);
        ProcNum_ = nProcess;
        LayerMap_.clear();
        if (gProcess(nProcess).Number_Layers == 0) AddDefaultLayer(nProcess);
        if (BuildProcess(nProcess) != 0) return;

        emit IOMapsChange(ProcNum_);
        emit GraphSettingsChange(ProcNum_);
        setProcLayer(1);
        if (Phase_ != PhaseCode::Startup) setPhase(PhaseCode::Stopped);
        emit ProcessChange(nProcess);
    } catch (const modUtil::CriticalExit&) {
        throw;  // the program is ending
    } catch (const modDB::FileRefused&) {
        throw;  // told by the caller; nothing has changed
    } catch (...) {
        gErr.HandleError();
    }
}
