// Process records and their rows in table Processes.
#include "app/cErrHandler.h"
#include "data/ProcessRec.h"
#include "data/RecordColumns.h"
#include "data/modDB.h"

#include <array>

namespace modDB {

namespace {

// Read and written in this order.
const std::array<RecordColumn<ProcessRec>, 5> kProcessColumns{{
    {"Process_Name", &ProcessRec::Process_Name},
    {"Run_Number", &ProcessRec::Run_Number},
    {"Number_Layers", &ProcessRec::Number_Layers},
    {"First_Layer", &ProcessRec::First_Layer},
    {"Number_Act_Layers", &ProcessRec::Number_Act_Layers},
}};

RowKey RowOf(int16_t nProcess) { return {QStringLiteral("Processes"), QStringLiteral("Process_Number"), nProcess}; }

QString What(int16_t nProcess) { return QStringLiteral("Process record %1").arg(nProcess); }

}  // namespace

void ProcessLoad(int16_t nProcess) {
    ORUN_PROC("modDB_ProcessLoad");
    const TellUnreadOnce tell;
    // The record is filled as a copy and stored whole: a load stopped by an error leaves
    // the record as it was (after DBInit, its defaults).
    ProcessRec p;
    const RowWorkResult read = RowWork(FileUse::Read, What(nProcess), [&] {
        p = gProcess(nProcess);
        // A new row is named without a blank ("Process7").
        const dao::Recordset rs = OpenRowAdding(
            QStringLiteral("SELECT * FROM Processes WHERE Process_Number =") + QString::number(nProcess),
            {{QStringLiteral("Process_Number"), nProcess},
             {QStringLiteral("Process_Name"), "Process" + QString::number(nProcess)}});
        ForgetUnreadRow(RowOf(nProcess));
        for (const auto& column : kProcessColumns) ReadColumn(rs, RowOf(nProcess), column, p);
    });
    if (read == RowWorkResult::Whole) gProcess(nProcess) = p;
}

void ProcessSave(int16_t nProcess) {
    ORUN_PROC("modDB_ProcessSave");
    RowWork(FileUse::Write, What(nProcess), [&] {
        dao::Recordset rs =
            gDB.OpenRecordset(QStringLiteral("SELECT * FROM Processes WHERE Process_Number = ") + QString::number(nProcess));
        if (rs.RecordCount() == 0) return;  // only the load adds rows
        const ProcessRec& p = gProcess(nProcess);
        rs.Edit();
        for (const auto& column : kProcessColumns) WriteColumn(rs, RowOf(nProcess), column, p);
        rs.Update();
    });
}

}  // namespace modDB
