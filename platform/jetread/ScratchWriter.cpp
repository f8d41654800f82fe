#include "ScratchWriter.h"

#include <QFile>
#include <QSqlError>
#include <QStringList>

namespace {

QString Quoted(const QString& name) { return '"' + QString(name).replace('"', QStringLiteral("\"\"")) + '"'; }

}  // namespace

ScratchWriter::ScratchWriter(const QString& path) : connection_(QStringLiteral("orun-jetread")) {
    if (QFile::exists(path)) throw JetError{QStringLiteral("the file to write, %1, exists already").arg(path)};
    db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    db_.setDatabaseName(path);
    if (!db_.open()) throw JetError{QStringLiteral("%1 cannot be written: %2").arg(path, db_.lastError().text())};
    // A scratch file: the station deletes it whenever the reader does not end well, so it
    // needs no journal of its own.
    Run(QStringLiteral("PRAGMA journal_mode = OFF"));
    Run(QStringLiteral("PRAGMA synchronous = OFF"));
    Run(QStringLiteral("BEGIN"));
}

ScratchWriter::~ScratchWriter() {
    insert_.reset();
    db_.close();
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(connection_);
}

void ScratchWriter::Fail(const QSqlQuery& q) const {
    throw JetError{QStringLiteral("the copy cannot be written: %1").arg(q.lastError().text())};
}

void ScratchWriter::Run(const QString& sql) {
    QSqlQuery q(db_);
    if (!q.exec(sql)) Fail(q);
}

void ScratchWriter::BeginTable(const JetTable& table) {
    QStringList columns, marks;
    for (const JetColumn& c : table.columns) {
        columns << Quoted(c.name) + ' ' + c.sqlType;
        marks << QStringLiteral("?");
    }
    Run(QStringLiteral("CREATE TABLE %1 (%2)").arg(Quoted(table.name), columns.join(QStringLiteral(", "))));
    insert_.emplace(db_);
    if (!insert_->prepare(QStringLiteral("INSERT INTO %1 VALUES (%2)").arg(Quoted(table.name), marks.join(','))))
        Fail(*insert_);
}

void ScratchWriter::Row(const QVariantList& values) {
    for (qsizetype i = 0; i < values.size(); ++i) insert_->bindValue(static_cast<int>(i), values[i]);
    if (!insert_->exec()) Fail(*insert_);
}

void ScratchWriter::Properties(const std::vector<std::pair<QString, QString>>& properties) {
    Run(QStringLiteral("CREATE TABLE %1 (Name TEXT PRIMARY KEY COLLATE NOCASE, Value TEXT)").arg(PropertiesTable()));
    QSqlQuery q(db_);
    if (!q.prepare(QStringLiteral("INSERT OR REPLACE INTO %1 (Name, Value) VALUES (?, ?)").arg(PropertiesTable())))
        Fail(q);
    for (const auto& [name, value] : properties) {
        q.bindValue(0, name);
        q.bindValue(1, value);
        if (!q.exec()) Fail(q);
    }
}

void ScratchWriter::Finish() {
    insert_.reset();
    Run(QStringLiteral("COMMIT"));
    db_.close();
}
