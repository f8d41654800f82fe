#pragma once
// The recipe database engine: a small layer in the shape of the original's data access
// objects over an SQLite file (Qt SQL, QSQLITE). It offers exactly what the recipe
// database routines call:
//
//   dao::Database db = dao::OpenDatabase("ORUN.MDB");   // file must exist
//   dao::Recordset rs = db.OpenRecordset("SELECT * FROM Layers WHERE Layer_Number =7");
//   if (rs.RecordCount() == 0) { rs = db.OpenRecordset("Layers"); rs.AddNew();
//       rs.Fields("Layer_Number") = 7; rs.Update(); }           // other columns: defaults
//   QVariant film = rs.Fields("Film_Number").Value();           // a null QVariant: Null
//   rs.Edit(); rs.Fields("Rate") = 2.5; rs.Update();            // one transaction
//   db.Execute(" INSERT INTO Films SELECT * FROM Films IN 'Work.mdb'");
//   db.UserDefinedProperty("ORUN_VER");                         // error 3270 when absent
//
// Every failure raises RuntimeError with the engine's number and description; failures
// of the engine itself (not the conversions of a value read) are also listed in
// dao::Errors(), which an error path shows one box per entry. The list is emptied when an
// engine operation begins, so it always describes the latest failed operation.
//
// Files: a name is resolved like every path in settings (ResolvePath). Each Update and
// Execute is one SQLite transaction, so a program killed mid-way leaves every row either as
// it was or as written; BeginTrans/CommitTrans group many of them into one (one write to
// the disk instead of one per row).
//
// An Access (Jet 3 or Jet 4) file, recognised by its header, is only ever read: the reader
// program orun_jetread (Debian's mdbtools library, in a process of its own) copies its
// tables and user-defined properties into an SQLite file, and the database object reads
// that copy. Every write to such a database fails with error 3027, and the file itself is
// never opened for writing.
//
// The user-defined database properties live in the table "DatabaseProperties"
// (Name, Value), which the layer creates when the first property is set.
#include "platform/RuntimeError.h"

#include <QString>
#include <QVariant>
#include <cstdint>
#include <memory>
#include <vector>

namespace dao {

struct Error {
    int32_t Number = 0;
    QString Description;
};

// The engine's error list (the errors of the latest failed engine operation).
const std::vector<Error>& Errors();

namespace detail {
struct Connection;
struct RecordsetData;
}  // namespace detail

class Recordset;

// One open database file. A default-constructed Database is "Nothing": using it raises
// error 91. Copies share the one connection, which ends with the last copy or Close.
class Database {
public:
    Database() = default;
    bool IsOpen() const;
    QString Name() const;  // the file's path

    // A query text ("SELECT * FROM T WHERE ...") or a table name. Recordsets of
    // "SELECT * FROM <table> ..." and of a table name can be edited and added to.
    Recordset OpenRecordset(const QString& source) const;
    // An action query. "INSERT INTO A SELECT * FROM B IN 'file'" copies the rows of table
    // B of another database file into A, matching the columns by name; rows whose key
    // A already holds are skipped.
    void Execute(const QString& query) const;
    void Close();

    // Groups the writes that follow into one transaction: CommitTrans stores them
    // together, Rollback (or closing the database first) drops them. Each Update and
    // Execute inside it stays all-or-nothing on its own: one that fails undoes only
    // itself. An INSERT ... IN 'file' cannot run inside it. Transactions nest: one begun
    // inside another is part of it; its CommitTrans leaves its writes to the outer one,
    // its Rollback drops them alone.
    // A read transaction (forRead) takes no lock until its first read, and then the
    // readers' lock only: it reads while another program holds the file's write lock (yet
    // not while that one writes its changes into the file), and it is one consistent view
    // of the file. A write in it takes the write lock then. A plain one takes the write
    // lock at once.
    void BeginTrans(bool forRead = false) const;
    // A transaction begun by BeginTrans is open.
    bool TransactionOpen() const;
    void CommitTrans() const;
    void Rollback() const;

    // The user-defined property (text) of the database; error 3270 when it is absent.
    QString UserDefinedProperty(const QString& name) const;
    void SetUserDefinedProperty(const QString& name, const QString& value) const;

private:
    friend Database OpenDatabase(const QString&);
    friend Database CreateDatabase(const QString&);
    explicit Database(std::shared_ptr<detail::Connection> c) : c_(std::move(c)) {}
    detail::Connection& conn() const;
    std::shared_ptr<detail::Connection> c_;
};

// A transaction of a database for the length of a scope: dropped unless committed.
class Transaction {
public:
    enum Kind { Write, Read };
    explicit Transaction(const Database& db, Kind kind = Write) : db_(db) { db_.BeginTrans(kind == Read); }
    ~Transaction() {
        if (committed_) return;
        try {
            db_.Rollback();
        } catch (...) {
            // A closed database has dropped it already.
        }
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void Commit() {
        db_.CommitTrans();
        committed_ = true;
    }

private:
    Database db_;
    bool committed_ = false;
};

// Opens an existing database file, shared, read/write.
Database OpenDatabase(const QString& name);
// Creates a new, empty database file; error 3204 when the file exists.
Database CreateDatabase(const QString& name);
// Raises the refusal of an Access (Jet) file (3343, naming it) when the file at name is
// one; any other file, or none, passes. For a routine about to replace a file.
void RefuseJetFile(const QString& name);

// The failure to read an Access (Jet) file (3049): the file's path and the cause in the
// operator's words ("its reader crashed on it or reached its limit of work").
struct JetReadError : RuntimeError {
    JetReadError(const QString& file, const QString& why);
    QString cause;
};
// Copies the tables and user-defined properties of the Access (Jet) file at jetFile into a
// new SQLite database at target (both names resolved like every path), through the reader
// program in a process of its own: a crash, a hang past its time limit or a file the
// reader refuses raises JetReadError and leaves no target behind; a target that existed is
// replaced only by a whole copy. The Access file is never written.
void ConvertJetFile(const QString& jetFile, const QString& target);
// Removes the copies of Access files (folders "orun-jet-<process id>-...") that programs
// which are no longer running left in the temporary folder when they were killed, and
// those of earlier builds ("orun-jet-" and six characters) untouched for an hour.
void RemoveKilledJetCopies();
// The reader program: orun_jetread beside the executable, else in the build's bin folder
// next to the executable's (tests and benchmarks run from folders of their own).
QString JetReaderProgram();
// Another reader program and time limit (tests of a reader that crashes or hangs); an
// empty program returns to the one that ships and its limit. Where the environment sets
// ORUN_JETREAD_FAULTS_FATAL (the test runs), the reader that ships, or one whose faults are
// not expected, ending by a crash or a sanitizer's report ends the program at once: a
// fault to mend, never a file that "cannot be read".
void SetJetReader(const QString& program, int timeLimitMs, bool faultsExpected = true);
// What the first bytes of the file at name (a native path) say it is; Unreadable when it
// cannot be opened for reading.
enum class FileHeader { Unreadable, Empty, Jet, SQLite, Other };
FileHeader HeaderOf(const QString& name);

// One column of the current row (or of the row being edited or added).
class Field {
public:
    QVariant Value() const;
    // Only between Edit/AddNew and Update; the value is converted to the column's type.
    void setValue(const QVariant& value);
    Field& operator=(const QVariant& value) {
        setValue(value);
        return *this;
    }
    // The value is converted to a program type by the caller (the language's conversions
    // of a Variant, with their errors for Null and for text that is no number).
    bool IsNull() const { return Value().isNull(); }

private:
    friend class Recordset;
    Field(std::shared_ptr<detail::RecordsetData> d, int column) : d_(std::move(d)), column_(column) {}
    std::shared_ptr<detail::RecordsetData> d_;
    int column_;
};

// The rows a query found, read when it is opened. Move-only; Close or destruction
// releases it.
class Recordset {
public:
    Recordset();
    ~Recordset();
    Recordset(Recordset&&) noexcept;
    Recordset& operator=(Recordset&&) noexcept;
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    int RecordCount() const;  // 0 exactly when there is no row
    bool Eof() const;
    void MoveFirst();
    void MoveNext();

    void AddNew();
    void Edit();
    // Stores the row being added or edited in one transaction. After AddNew the new row
    // joins the end of the recordset; the current row stays.
    void Update();

    Field Fields(const QString& name) const;
    void Close();

private:
    friend class Database;
    std::shared_ptr<detail::RecordsetData> d_;
};

}  // namespace dao
