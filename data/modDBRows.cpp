#include "app/cErrHandler.h"
#include "data/modDB.h"
#include "platform/Dialogs.h"
#include "platform/ProgramFolder.h"

#include <QDir>

namespace modDB {

dao::Database gDB;

void ShowEngineErrors() {
    // A copy: a box pumps messages, and an engine call meanwhile would empty the list.
    const std::vector<dao::Error> errors = dao::Errors();
    for (const dao::Error& e : errors) {
        MsgBox(QStringLiteral("Error number: ") + QString::number(e.Number) + QLatin1Char('\r') + e.Description);
    }
}

namespace {
int gSavesOpen = 0;
}  // namespace

OneSave::OneSave() { ++gSavesOpen; }

OneSave::~OneSave() { --gSavesOpen; }

bool OneSave::Active() { return gSavesOpen > 0; }

RuntimeError NotSaved(const RuntimeError& cause, const QString& file) {
    QString text = cause.description.trimmed();
    if (!text.isEmpty() && !text.endsWith(QLatin1Char('.'))) text += QLatin1Char('.');
    return RuntimeError(cause.number, text + QStringLiteral(" Nothing was saved to ") + file +
                                          QStringLiteral("; the records as edited stay in the program and can be "
                                                         "saved again."),
                        cause.line);
}

void DBErrorPath() {
    // Inside a save told once, the failure ends the save and is told by whoever opened it.
    if (OneSave::Active()) throw;
    const RuntimeError error = cErrHandler::CurrentError();
    // A lock inside an attempt: the whole attempt waits and is tried again.
    if (InFileAttempt() && error.number == kLockedError) throw;
    try {
        throw;
    } catch (const FileRefused& refusal) {
        TellRefusal(refusal);
        return;
    } catch (...) {
    }
    ShowEngineErrors();
    gErr.HandleError();
}

RowWorkResult RowWork(FileUse use, const QString& what, const std::function<void()>& body) {
    RowWorkResult result = RowWorkResult::Undone;
    try {
        WithFile(use, what, [&] {
            result = RowWorkResult::Failed;
            try {
                body();
                result = RowWorkResult::Whole;
            } catch (...) {
                DBErrorPath();
            }
        });
        return result;
    } catch (...) {
        DBErrorPath();
        return RowWorkResult::Undone;
    }
}

dao::Recordset OpenRowAdding(const QString& query, const std::vector<std::pair<QString, QVariant>>& columns) {
    dao::Recordset rs = gDB.OpenRecordset(query);
    if (rs.RecordCount() != 0) return rs;
    // Added through the empty recordset of the query: opening the whole table for it
    // would read every row of it.
    rs.AddNew();
    for (const auto& [name, value] : columns) rs.Fields(name) = value;
    rs.Update();
    return gDB.OpenRecordset(query);
}

bool HasRows(const char* table, const char* key, int first, int last) {
    try {
        const dao::Recordset rs =
            gDB.OpenRecordset(QStringLiteral("SELECT count(DISTINCT %2) AS n FROM %1 WHERE %2 BETWEEN %3 AND %4")
                                  .arg(QLatin1String(table), QLatin1String(key))
                                  .arg(first)
                                  .arg(last));
        return rs.Fields(QStringLiteral("n")).Value().toInt() == last - first + 1;
    } catch (const RuntimeError&) {
        return false;  // the table's own routines report it, row by row
    }
}

}  // namespace modDB
