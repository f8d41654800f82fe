#include "app/cErrHandler.h"
#include "data/modDB.h"
#include "platform/Dialogs.h"
#include "platform/ProgramFolder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QThread>

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
    ShowEngineErrors();
    gErr.HandleError();
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

namespace {
// How long a load waits for a file that another program holds.
constexpr qint64 kLockWaitMs = 10000;
qint64 gLockWaitMs = kLockWaitMs;
}  // namespace

void SetLockWaitMs(int ms) { gLockWaitMs = ms > 0 ? ms : kLockWaitMs; }

void WaitForFile(const QString& file, const std::function<void()>& attempt) {
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        try {
            // Each try itself waits the engine's busy time for the lock.
            attempt();
            return;
        } catch (const RuntimeError& e) {
            if (e.number != kLockedError) throw;
        }
        if (waited.elapsed() >= gLockWaitMs) break;
        QThread::msleep(50);
    }
    throw RuntimeError(kLockedError, QStringLiteral("The recipe database %1 is locked by another program (waited %2 s). Nothing "
                                               "was read from it or written to it. Close the program that holds it, "
                                               "then try again.")
                                    .arg(QDir::toNativeSeparators(ResolvePath(file)))
                                    .arg(QString::number(waited.elapsed() / 1000.0, 'f', 1)));
}

void HoldWholeFile(const dao::Database& db, std::optional<dao::Transaction>& hold) {
    WaitForFile(db.Name(), [&] { hold.emplace(db); });
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
