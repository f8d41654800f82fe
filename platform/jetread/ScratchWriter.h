#pragma once
// The SQLite copy of a Jet database: one table per Jet table with the same columns, in
// the same order, and the table DatabaseProperties (Name, Value) holding the user-defined
// properties, where the station's database layer keeps them. Written in one transaction
// into a new file; the station takes the file only once the reader has ended well.
#include "JetFile.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <optional>

class ScratchWriter {
public:
    // Creates the file at path, which must not exist yet.
    explicit ScratchWriter(const QString& path);
    ~ScratchWriter();
    ScratchWriter(const ScratchWriter&) = delete;
    ScratchWriter& operator=(const ScratchWriter&) = delete;

    void BeginTable(const JetTable& table);
    void Row(const QVariantList& values);
    void Properties(const std::vector<std::pair<QString, QString>>& properties);
    // Stores everything written and closes the file.
    void Finish();

    // The name under which the user-defined properties are kept.
    static QString PropertiesTable() { return QStringLiteral("DatabaseProperties"); }

private:
    void Run(const QString& sql);
    [[noreturn]] void Fail(const QSqlQuery& q) const;

    QString connection_;
    QSqlDatabase db_;
    std::optional<QSqlQuery> insert_;
};
