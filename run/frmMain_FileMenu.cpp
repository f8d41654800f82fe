// The File menu's database commands.
#include "app/cApp.h"
#include "app/cErrHandler.h"
#include "app/modUtil.h"
#include "data/modDB.h"
#include "run/RunObjects.h"
#include "run/frmMain.h"

void frmMain::mnuFileOpen_Click() {
    ORUN_PROC("frmMain_mnuFileOpen_Click");
    try {
        const QString file = modUtil::GetDBFile(false);
        if (!file.isEmpty()) modDB::DBLoad(file);
        RunApp().setProcNum(1);
    } catch (const modUtil::CriticalExit&) {
        throw;  // the program ends
    } catch (...) {
        gErr.HandleError();
    }
}

void frmMain::mnuFileSaveAS_Click() {
    ORUN_PROC("frmMain_mnuFileSaveAS_Click");
    try {
        const QString file = modUtil::GetDBFile(true);
        if (!file.isEmpty()) modDB::DBSave(file);
    } catch (const modUtil::CriticalExit&) {
        throw;  // the program ends
    } catch (...) {
        gErr.HandleError();
    }
}
