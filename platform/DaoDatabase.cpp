#include "platform/DaoEngine.h"

#include "platform/ProgramFolder.h"

#include <QFile>
#include <QRegularExpression>
#include <QSqlError>

namespace dao {

using namespace detail;

namespace {

const QString kPropertiesTable = QStringLiteral("DatabaseProperties");

QString Quoted(const QString& name) { return '"' + QString(name).remove('"') + '"'; }

// "INSERT INTO A SELECT * FROM B IN 'file'": the rows of B in another file appended to A.
void InsertFromFile(Connection& c, const QString& target, const QString& source, const QString& fileName) {
    const QString file = ResolvePath(fileName);
    CheckFileFormat(file);
    const QString alias = QStringLiteral("orun_source");
    Run(c.Db(), c.path, QStringLiteral("ATTACH DATABASE ? AS ") + alias, {file});
    try {
        std::vector<QString> sourceColumns;
        QSqlQuery q = Run(c.Db(), c.path, QStringLiteral("PRAGMA %1.table_info(%2)").arg(alias, Quoted(source)));
        while (q.next()) sourceColumns.push_back(q.value(1).toString());
        q.finish();
        if (sourceColumns.empty()) {
            Raise(kTableNotFound,
                  QStringLiteral("The database engine cannot find the input table or query '%1'.").arg(source));
        }
        const auto& targetColumns = c.Columns(target);
        if (targetColumns.empty()) {
            Raise(kTableNotFound,
                  QStringLiteral("The database engine cannot find the input table or query '%1'.").arg(target));
        }
        // The columns are matched by name; a column the target lacks fails the statement.
        QStringList names;
        for (const QString& col : sourceColumns) {
            const bool known = std::any_of(targetColumns.begin(), targetColumns.end(), [&](const ColumnInfo& t) {
                return t.name.compare(col, Qt::CaseInsensitive) == 0;
            });
            if (!known) {
                Raise(kUnknownInsertField,
                      QStringLiteral("The INSERT INTO statement contains the following unknown field name: '%1'.")
                          .arg(col));
            }
            names << Quoted(col);
        }
        const QString list = names.join(',');
        InTransaction(c, [&] {
            Run(c.Db(), c.path,
                QStringLiteral("INSERT OR IGNORE INTO main.%1 (%2) SELECT %2 FROM %3.%4")
                    .arg(Quoted(target), list, alias, Quoted(source)));
        });
    } catch (...) {
        QSqlQuery(c.Db()).exec(QStringLiteral("DETACH DATABASE ") + alias);
        throw;
    }
    Run(c.Db(), c.path, QStringLiteral("DETACH DATABASE ") + alias);
}

}  // namespace

Database OpenDatabase(const QString& name) {
    ClearErrors();
    return Database(std::make_shared<Connection>(ResolvePath(name), true));
}

Database CreateDatabase(const QString& name) {
    ClearErrors();
    const QString path = ResolvePath(name);
    if (QFile::exists(path)) Raise(kDatabaseExists, QStringLiteral("Database '%1' already exists.").arg(path));
    return Database(std::make_shared<Connection>(path, false));
}

Connection& Database::conn() const {
    if (!c_) throw RuntimeError::ObjectNotSet();
    return *c_;
}

bool Database::IsOpen() const { return c_ != nullptr; }

QString Database::Name() const { return conn().path; }

void Database::Close() {
    conn().Close();
    c_.reset();
}

void Database::Execute(const QString& query) const {
    ClearErrors();
    Connection& c = conn();
    static const QRegularExpression insertIn(
        QStringLiteral(R"(^\s*INSERT\s+INTO\s+\[?(\w+)\]?\s+SELECT\s+\*\s+FROM\s+\[?(\w+)\]?\s+IN\s+'([^']*)'\s*;?\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    const auto m = insertIn.match(query);
    if (m.hasMatch()) {
        InsertFromFile(c, m.captured(1), m.captured(2), m.captured(3));
        return;
    }
    InTransaction(c, [&] { Run(c.Db(), c.path, query); });
    c.ForgetColumns();
}

// A transaction begun inside an open one is a savepoint of it, as the engine's
// transactions nest: its commit hands its writes to the outer one, which stores them or
// drops them with its own; its rollback drops its writes alone.
namespace {
QString Savepoint(int depth) { return QStringLiteral("orun_trans%1").arg(depth); }
}  // namespace

void Database::BeginTrans(bool forRead) const {
    ClearErrors();
    Connection& c = conn();
    if (c.transactionDepth == 0)
        Run(c.Db(), c.path, forRead ? QStringLiteral("BEGIN DEFERRED") : QStringLiteral("BEGIN IMMEDIATE"));
    else
        Run(c.Db(), c.path, QStringLiteral("SAVEPOINT ") + Savepoint(c.transactionDepth));
    ++c.transactionDepth;
    c.inTransaction = true;
}

bool Database::TransactionOpen() const { return conn().transactionDepth > 0; }

void Database::CommitTrans() const {
    ClearErrors();
    Connection& c = conn();
    if (c.transactionDepth > 1) {
        Run(c.Db(), c.path, QStringLiteral("RELEASE ") + Savepoint(c.transactionDepth - 1));
        --c.transactionDepth;
        return;
    }
    Run(c.Db(), c.path, QStringLiteral("COMMIT"));
    c.transactionDepth = 0;
    c.inTransaction = false;
}

void Database::Rollback() const {
    ClearErrors();
    Connection& c = conn();
    if (c.transactionDepth > 1) {
        --c.transactionDepth;
        Run(c.Db(), c.path, QStringLiteral("ROLLBACK TO ") + Savepoint(c.transactionDepth));
        Run(c.Db(), c.path, QStringLiteral("RELEASE ") + Savepoint(c.transactionDepth));
        return;
    }
    c.transactionDepth = 0;
    c.inTransaction = false;
    Run(c.Db(), c.path, QStringLiteral("ROLLBACK"));
}

QString Database::UserDefinedProperty(const QString& name) const {
    ClearErrors();
    Connection& c = conn();
    if (!c.Columns(kPropertiesTable).empty()) {
        QSqlQuery q = Run(c.Db(), c.path,
                          QStringLiteral("SELECT Value FROM %1 WHERE Name = ? COLLATE NOCASE").arg(kPropertiesTable),
                          {name});
        if (q.next()) return q.value(0).toString();
    }
    Raise(kPropertyNotFound, QStringLiteral("Property not found."));
}

void Database::SetUserDefinedProperty(const QString& name, const QString& value) const {
    ClearErrors();
    Connection& c = conn();
    InTransaction(c, [&] {
        Run(c.Db(), c.path,
            QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (Name TEXT PRIMARY KEY COLLATE NOCASE, Value TEXT)")
                .arg(kPropertiesTable));
        Run(c.Db(), c.path, QStringLiteral("INSERT OR REPLACE INTO %1 (Name, Value) VALUES (?, ?)").arg(kPropertiesTable),
            {name, value});
    });
    c.ForgetColumns();
}

}  // namespace dao
