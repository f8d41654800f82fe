// Relay and input maps of a process and its row in table IO. The maps themselves belong
// to the run control, which registers the calls that set and read them.
#include "app/Hooks.h"
#include "app/VBConv.h"
#include "app/cErrHandler.h"
#include "data/modDB.h"

namespace modDB {

namespace {

QString InColumn(int i) { return QStringLiteral("In") + QString::number(i); }
QString OutColumn(int i) { return QStringLiteral("Out") + QString::number(i); }

}  // namespace

void IOLoad(int16_t nProcess) {
    ORUN_PROC("modDB_IOLoad");
    try {
        const dao::Recordset rs = OpenRowAdding(
            QStringLiteral("SELECT * FROM IO WHERE Process_Number =") + QString::number(nProcess),
            {{QStringLiteral("Process_Number"), nProcess}});
        for (int16_t i = 0; i <= 11; ++i)
            Hooks::Call(Hooks::SetIOFunction, true, i, vb::CInt(rs.Fields(InColumn(i)).Value()));
        for (int16_t i = 0; i <= 11; ++i)
            Hooks::Call(Hooks::SetIOFunction, false, i, vb::CInt(rs.Fields(OutColumn(i)).Value()));
    } catch (...) {
        DBErrorPath();
    }
}

void IOSave(int16_t nProcess) {
    ORUN_PROC("modDB_IOSave");
    try {
        dao::Recordset rs = gDB.OpenRecordset(QStringLiteral("SELECT * FROM IO WHERE Process_Number = ") +
                                              QString::number(nProcess));
        if (rs.RecordCount() == 0) return;  // only the load adds rows
        rs.Edit();
        for (int16_t i = 0; i <= 11; ++i) rs.Fields(InColumn(i)) = Hooks::Call(Hooks::GetIOFunction, true, i);
        for (int16_t i = 0; i <= 11; ++i) rs.Fields(OutColumn(i)) = Hooks::Call(Hooks::GetIOFunction, false, i);
        rs.Update();
    } catch (...) {
        DBErrorPath();
    }
}

}  // namespace modDB
