#include "editors/TreeAction.h"

#include "app/Globals.h"
#include "app/cApp.h"
#include "app/cErrHandler.h"
#include "data/modDB.h"

TreeAction::TreeAction(ProcessUndo& undo)
    : undo_(undo),
      undoBefore_(undo),
      processes_(std::make_unique<BoundedArray<ProcessRec, 1, 25>>(gProcess)),
      layers_(std::make_unique<BoundedArray<LayerRec, 1, 250>>(gLayer)) {
    reported_ = QObject::connect(&gErr, &cErrHandler::BeforeHandlerCalled, [this](bool&) { failed_ = true; });
    // Without a database nothing is written; the rows' own routines report that.
    if (!modDB::gDB.IsOpen()) return;
    try {
        // Waited for while another program holds the file, before anything is changed.
        modDB::WaitForFile(modDB::gDB.Name(), modDB::FileUse::Write, QStringLiteral("The change of the process tree"),
                           [] { modDB::gDB.BeginTrans(); });
        open_ = true;
    } catch (const modDB::FileRefused& refusal) {
        failed_ = true;
        modDB::TellRefusal(refusal);
    } catch (const RuntimeError& e) {
        // Nothing can be written whole: the action changes nothing.
        failed_ = true;
        gErr.HandleError(e);
    }
}

TreeAction::~TreeAction() {
    QObject::disconnect(reported_);
    if (open_ || failed_) Undo();
}

bool TreeAction::Store() {
    QObject::disconnect(reported_);
    if (!failed_ && open_) {
        try {
            // Readers of another program keep the changes from the file for a while.
            modDB::WaitForFile(modDB::gDB.Name(), modDB::FileUse::Write, QStringLiteral("The change of the process tree"),
                               [] { modDB::gDB.CommitTrans(); });
            open_ = false;
            return true;
        } catch (const modDB::FileRefused& refusal) {
            modDB::TellRefusal(refusal);
        } catch (const RuntimeError& e) {
            gErr.HandleError(e);
        }
    }
    Undo();
    return false;
}

void TreeAction::Undo() {
    if (open_) {
        open_ = false;
        try {
            modDB::gDB.Rollback();
        } catch (const RuntimeError&) {
            // The engine dropped the transaction with the failure that ended it.
        }
    }
    failed_ = false;
    const bool mapsRead = undo_.MapsTouched() != undoBefore_.MapsTouched();
    gProcess = *processes_;
    gLayer = *layers_;
    undo_ = undoBefore_;
    // A paste of a process reads other processes' maps through the active one's.
    if (mapsRead && gApp) {
        modDB::IOLoad(gApp->ProcNum());
        modDB::GraphLoad(gApp->ProcNum());
    }
}
