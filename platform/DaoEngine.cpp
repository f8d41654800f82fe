#include "platform/DaoEngine.h"

#include "platform/ProgramFolder.h"
#include "platform/RuntimeError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QSqlRecord>
#include <atomic>
#include <unordered_set>

namespace dao {

namespace {
std::vector<Error>& errorList() {
    static std::vector<Error> list;
    return list;
}
}  // namespace

const std::vector<Error>& Errors() { return errorList(); }

namespace detail {

void ClearErrors() { errorList().clear(); }

void ListError(int32_t number, const QString& description) { errorList().assign(1, Error{number, description}); }

void Raise(int32_t number, const QString& description) {
    ListError(number, description);
    throw RuntimeError(number, description);
}

void RaiseSql(const QSqlError& error, const QString& file) {
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    const int code = error.nativeErrorCode().toInt() & 0xFF;
    switch (code) {
    case 5:  // busy
    case 6:  // locked
        Raise(kLocked, QStringLiteral("Could not update; currently locked by another session on this machine."));
    case 8: Raise(kReadOnly, QStringLiteral("Cannot update. Database or object is read-only."));
    case 11: Raise(kCannotOpen, QStringLiteral("Cannot open database '%1'. The file may be corrupt.").arg(file));
    case 14: Raise(kCannotOpen, QStringLiteral("Cannot open database '%1'.").arg(file));
    case 13: Raise(kDiskFull, QStringLiteral("Not enough space on disk."));
    case 26: Raise(kUnrecognizedFormat, QStringLiteral("Unrecognized database format '%1'.").arg(file));
    case 19:
        if (text.contains(QLatin1String("UNIQUE")) || text.contains(QLatin1String("PRIMARY KEY"))) {
            Raise(kDuplicateKey, QStringLiteral("The changes you requested to the table were not successful because "
                                                "they would create duplicate values in the index or primary key."));
        }
        Raise(kRequiredValue, QStringLiteral("You must enter a value: ") + text);
    default: break;
    }
    if (text.startsWith(QLatin1String("no such table: "))) {
        Raise(kTableNotFound, QStringLiteral("The database engine cannot find the input table or query '%1'.")
                                  .arg(text.mid(15)));
    }
    if (text.startsWith(QLatin1String("no such column: "))) {
        Raise(kTooFewParameters, QStringLiteral("Too few parameters. Unknown field '%1'.").arg(text.mid(16)));
    }
    Raise(kEngineError, QStringLiteral("Database engine error: ") + text);
}

QSqlQuery Run(const QSqlDatabase& db, const QString& file, const QString& sql, const QVariantList& values) {
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(sql)) RaiseSql(q.lastError(), file);
    for (const QVariant& v : values) q.addBindValue(v);
    if (!q.exec()) RaiseSql(q.lastError(), file);
    return q;
}

namespace {

FileHeader KindOf(const QByteArray& head) {
    if (head.isEmpty()) return FileHeader::Empty;
    const QByteArray jetName = head.mid(4, 15);
    if (jetName == "Standard Jet DB" || jetName == "Standard ACE DB") return FileHeader::Jet;
    return head.startsWith(QByteArray("SQLite format 3\0", 16)) ? FileHeader::SQLite : FileHeader::Other;
}

// Where an Access (Jet) file would be written, or read as an SQLite file, it is refused by
// name.
void RefuseJetHeader(const QString& path, const QByteArray& head) {
    if (KindOf(head) == FileHeader::Jet) {
        Raise(kUnrecognizedFormat,
              QStringLiteral("The file '%1' is an Access (Jet) database, which this program reads but never "
                             "writes; the file is left unchanged.")
                  .arg(path));
    }
}

}  // namespace

void CheckFileFormat(const QString& path) {
    QFile f(path);
    if (!f.exists()) Raise(kCouldNotFindFile, QStringLiteral("Could not find file '%1'.").arg(path));
    if (!f.open(QIODevice::ReadOnly)) {
        Raise(kCannotOpen, QStringLiteral("Cannot open database '%1': %2.").arg(path, f.errorString()));
    }
    const QByteArray head = f.read(100);
    RefuseJetHeader(path, head);
    if (KindOf(head) == FileHeader::Other) {
        Raise(kUnrecognizedFormat, QStringLiteral("Unrecognized database format '%1'.").arg(path));
    }
}

namespace {

// Every open connection. Qt SQL's own list of connections, and its driver, are gone once
// the application object and the static data of the Qt libraries are destroyed; a
// database still held by a global (the open recipe database) would then be closed into
// freed memory at exit. So every connection still open is closed when the application
// object goes, while Qt SQL is whole; the objects that held them find them closed.
std::unordered_set<Connection*>& openConnections() {
    static std::unordered_set<Connection*> set;
    return set;
}
bool gCloseAtExitRegistered = false;

void CloseAllAtExit() {
    gCloseAtExitRegistered = false;  // each application object runs its routines once
    const std::unordered_set<Connection*> open = openConnections();
    for (Connection* c : open) c->Close();
}

void TrackOpen(Connection* c) {
    openConnections().insert(c);
    if (!gCloseAtExitRegistered && QCoreApplication::instance()) {
        qAddPostRoutine(CloseAllAtExit);
        gCloseAtExitRegistered = true;
    }
}

}  // namespace

Connection::Connection(const QString& p, bool mustExist) : path(p) {
    static std::atomic<int> serial{0};
    // The engine never waits for a file another program holds: a lock refuses the
    // statement at once, and the data layer's one wait tries again while the program's
    // events run (a busy wait here would stop the poll on the window's thread).
    QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=0");
    if (mustExist && HeaderOf(path) == FileHeader::Jet) {
        // An Access file is read through its copy, which the engine itself keeps from
        // being written.
        jetCopy_ = std::make_unique<JetCopy>(path);
        options += QStringLiteral(";QSQLITE_OPEN_READONLY");
    } else if (mustExist) {
        CheckFileFormat(path);
    }
    connectionName_ = QStringLiteral("orun-dao-%1").arg(++serial);
    db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName_);
    db_.setDatabaseName(jetCopy_ ? jetCopy_->path() : path);
    db_.setConnectOptions(options);
    if (!db_.open()) {
        const QSqlError e = db_.lastError();
        Close();
        RaiseSql(e, path);
    }
    open_ = true;
    TrackOpen(this);
    try {
        // Reading the schema makes SQLite check the header and roll back the journal a
        // killed writer left behind.
        Run(db_, path, QStringLiteral("SELECT count(*) FROM sqlite_master"));
    } catch (...) {
        Close();
        throw;
    }
}

Connection::~Connection() { Close(); }

void Connection::Close() {
    openConnections().erase(this);
    if (connectionName_.isEmpty()) return;
    db_.close();
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(connectionName_);
    connectionName_.clear();
    open_ = false;
    inTransaction = false;
    jetCopy_.reset();
    transactionDepth = 0;
}

QSqlDatabase& Connection::Db() {
    if (!open_) Raise(kObjectInvalid, QStringLiteral("Object invalid or no longer set."));
    return db_;
}

const std::vector<ColumnInfo>& Connection::Columns(const QString& table) {
    const QString key = table.toLower();
    auto it = columns_.find(key);
    if (it != columns_.end()) return *it;
    std::vector<ColumnInfo> cols;
    QSqlQuery q = Run(Db(), path, QStringLiteral("PRAGMA table_info(\"%1\")").arg(QString(table).remove('"')));
    while (q.next()) cols.push_back({q.value(1).toString(), q.value(2).toString().toUpper()});
    return *columns_.insert(key, std::move(cols));
}

}  // namespace detail

FileHeader HeaderOf(const QString& name) {
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? detail::KindOf(f.read(100)) : FileHeader::Unreadable;
}

void RefuseJetFile(const QString& name) {
    detail::ClearErrors();
    const QString path = ResolvePath(name);
    QFile f(path);
    if (f.open(QIODevice::ReadOnly)) detail::RefuseJetHeader(path, f.read(100));
}

}  // namespace dao
