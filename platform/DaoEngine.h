#pragma once
// Inside the database layer: the connection, the error list and the engine's errors.
// Only the platform/Dao*.cpp files include this header.
#include "platform/Dao.h"

#include <QHash>
#include <memory>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>

class QSqlError;

namespace dao::detail {

// The engine's errors by number, with their descriptions.
enum : int32_t {
    kObjectNotSet = 91,
    kNoCurrentRecord = 3021,
    kUpdateWithoutEdit = 3020,
    kDuplicateKey = 3022,
    kCouldNotFindFile = 3024,
    kDiskFull = 3026,
    kReadOnly = 3027,
    kCannotOpen = 3049,
    kTooFewParameters = 3061,
    kTableNotFound = 3078,
    kUnknownInsertField = 3127,
    kRecordDeleted = 3167,
    kDatabaseExists = 3204,
    kLocked = 3260,
    kItemNotFound = 3265,
    kPropertyNotFound = 3270,
    kRequiredValue = 3314,
    kNumericOverflow = 3349,
    kUnrecognizedFormat = 3343,
    kObjectInvalid = 3420,
    kConversionError = 3421,
    kEngineError = 3000,
};

// Empties the error list: an engine operation begins.
void ClearErrors();
// Makes the error the one the list holds.
void ListError(int32_t number, const QString& description);
// Lists the error and raises it as a RuntimeError.
[[noreturn]] void Raise(int32_t number, const QString& description);
// Raises the engine error that an SQLite failure stands for.
[[noreturn]] void RaiseSql(const QSqlError& error, const QString& file);

// Runs one statement (values bound in order); raises the engine error on failure.
QSqlQuery Run(const QSqlDatabase& db, const QString& file, const QString& sql, const QVariantList& values = {});

// Refuses a file that is no SQLite database (a Jet file by name, anything else as an
// unrecognised format); an empty file is a new SQLite database.
void CheckFileFormat(const QString& path);

// A copy of an Access (Jet) file in the SQLite form, in a folder of its own under the
// system's temporary folder, removed with the object.
class JetCopy {
public:
    explicit JetCopy(const QString& jetFile);
    ~JetCopy();
    JetCopy(const JetCopy&) = delete;
    JetCopy& operator=(const JetCopy&) = delete;
    QString path() const { return path_; }

private:
    QString folder_;
    QString path_;
};

// One column of a table as its design gives it.
struct ColumnInfo {
    QString name;
    QString declaredType;
};

struct Connection {
    Connection(const QString& path, bool mustExist);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void Close();
    QSqlDatabase& Db();  // raises error 3420 after Close
    // The columns of a table; empty when there is no such table.
    const std::vector<ColumnInfo>& Columns(const QString& table);
    void ForgetColumns() { columns_.clear(); }

    QString path;
    // A transaction opened by Database::BeginTrans is open; transactionDepth counts the
    // ones begun inside it (savepoints of it), 0 when none is open.
    bool inTransaction = false;
    int transactionDepth = 0;

private:
    QString connectionName_;
    QSqlDatabase db_;
    // What the connection reads in place of an Access (Jet) file.
    std::unique_ptr<JetCopy> jetCopy_;
    bool open_ = false;
    QHash<QString, std::vector<ColumnInfo>> columns_;
};

// Runs work inside one transaction: all of it is stored, or none of it; a program
// killed meanwhile leaves the file as it was. Inside a transaction the caller opened
// (Database::BeginTrans) the work is a savepoint of it, so a failure undoes this work
// alone and the caller's transaction goes on.
template <typename Work>
void InTransaction(Connection& c, Work&& work) {
    const bool nested = c.inTransaction;
    Run(c.Db(), c.path, nested ? QStringLiteral("SAVEPOINT orun_work") : QStringLiteral("BEGIN IMMEDIATE"));
    try {
        work();
        Run(c.Db(), c.path, nested ? QStringLiteral("RELEASE orun_work") : QStringLiteral("COMMIT"));
    } catch (...) {
        QSqlQuery undo(c.Db());
        if (nested) {
            undo.exec(QStringLiteral("ROLLBACK TO orun_work"));
            undo.exec(QStringLiteral("RELEASE orun_work"));
        } else {
            undo.exec(QStringLiteral("ROLLBACK"));
        }
        throw;
    }
}

// A value made fit for a column of the given declared type, as the engine stored it:
// whole-number columns round half to even (SMALLINT within 16 bits), number columns take
// numbers or texts that are numbers, text columns take the text of a number.
QVariant ValueForColumn(const QVariant& value, const QString& declaredType);

struct RecordsetData {
    std::shared_ptr<Connection> conn;
    QString table;  // empty: the recordset cannot be edited
    QStringList names;
    std::vector<QString> declaredTypes;  // per column, when the table is known
    std::vector<qint64> rowids;
    std::vector<QVariantList> rows;
    int current = 0;
    enum Mode { None, Editing, Adding } mode = None;
    QHash<int, QVariant> buffer;  // column -> value written since Edit/AddNew
    bool closed = false;

    int ColumnIndex(const QString& name) const;
    const QVariantList& CurrentRow() const;  // raises 3021 at EOF
};

}  // namespace dao::detail
