// Relay and input maps of a process and its row in table IO. The maps themselves belong
// to the run control, which registers the calls that set and read them.
#include "app/Hooks.h"
#include "app/VBConv.h"
#include "app/cErrHandler.h"
#include "data/UnreadCells.h"
#include "data/modDB.h"

namespace modDB {

namespace {

QString InColumn(int i) { return QStringLiteral("In") + QString::number(i); }
QString OutColumn(int i) { return QStringLiteral("Out") + QString::number(i); }

RowKey RowOf(int16_t nProcess) { return {QStringLiteral("IO"), QStringLiteral("Process_Number"), nProcess}; }

QString What(int16_t nProcess) { return QStringLiteral("The relay and input map of process %1").arg(nProcess); }

// A function code of the map from its column; one that cannot be read takes the
// column's default.
int16_t ReadFunction(const dao::Recordset& rs, int16_t nProcess, const QString& column, bool input, int16_t i) {
    return ReadCell(rs, RowOf(nProcess), column, [](const QVariant& v) { return vb::CInt(v); },
                    static_cast<int16_t>(Hooks::Call(Hooks::GetIOFunction, input, i)));
}

// A function code into its column, unless the cell was not read and keeps what it took.
void WriteFunction(dao::Recordset& rs, int16_t nProcess, const QString& column, bool input, int16_t i) {
    const QVariant value = Written(static_cast<int>(Hooks::Call(Hooks::GetIOFunction, input, i)));
    if (!LeaveUnread(RowOf(nProcess), column, value)) rs.Fields(column) = value;
}

}  // namespace

bool IOMapsHeld() { return Hooks::GetIOFunction && Hooks::SetIOFunction; }

IOMaps HeldIOMaps() {
    IOMaps maps;
    for (int16_t i = 0; i <= 11; ++i) {
        maps.inputs[static_cast<size_t>(i)] = static_cast<int16_t>(Hooks::Call(Hooks::GetIOFunction, true, i));
        maps.outputs[static_cast<size_t>(i)] = static_cast<int16_t>(Hooks::Call(Hooks::GetIOFunction, false, i));
    }
    return maps;
}

void SetHeldIOMaps(const IOMaps& maps) {
    for (int16_t i = 0; i <= 11; ++i) Hooks::Call(Hooks::SetIOFunction, true, i, maps.inputs[static_cast<size_t>(i)]);
    for (int16_t i = 0; i <= 11; ++i) Hooks::Call(Hooks::SetIOFunction, false, i, maps.outputs[static_cast<size_t>(i)]);
}

void IOLoad(int16_t nProcess) {
    ORUN_PROC("modDB_IOLoad");
    const TellUnreadOnce tell;
    // Read into a copy, which becomes the maps only once the row has been read: a process
    // chosen while another program holds the file changes no map until it is read, and
    // none when it stays held. The codes read before an error stand.
    IOMaps maps;
    const RowWorkResult read = RowWork(FileUse::Read, What(nProcess), [&] {
        maps = HeldIOMaps();
        const dao::Recordset rs = OpenRowAdding(
            QStringLiteral("SELECT * FROM IO WHERE Process_Number =") + QString::number(nProcess),
            {{QStringLiteral("Process_Number"), nProcess}});
        ForgetUnreadRow(RowOf(nProcess));
        for (int16_t i = 0; i <= 11; ++i)
            maps.inputs[static_cast<size_t>(i)] = ReadFunction(rs, nProcess, InColumn(i), true, i);
        for (int16_t i = 0; i <= 11; ++i)
            maps.outputs[static_cast<size_t>(i)] = ReadFunction(rs, nProcess, OutColumn(i), false, i);
    });
    if (read == RowWorkResult::Undone) return;
    SetHeldIOMaps(maps);
}

void IOSave(int16_t nProcess) {
    ORUN_PROC("modDB_IOSave");
    RowWork(FileUse::Write, What(nProcess), [&] {
        dao::Recordset rs = gDB.OpenRecordset(QStringLiteral("SELECT * FROM IO WHERE Process_Number = ") +
                                              QString::number(nProcess));
        if (rs.RecordCount() == 0) return;  // only the load adds rows
        rs.Edit();
        for (int16_t i = 0; i <= 11; ++i) WriteFunction(rs, nProcess, InColumn(i), true, i);
        for (int16_t i = 0; i <= 11; ++i) WriteFunction(rs, nProcess, OutColumn(i), false, i);
        rs.Update();
    });
}

}  // namespace modDB
