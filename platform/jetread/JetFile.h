#pragma once
// An Access (Jet 3 or Jet 4) database file read through libmdb, never written: its user
// tables with their columns and rows, and the user-defined properties of the database
// (container "Databases", document "UserDefined"). Every failure, a damaged page included,
// is a JetError with the cause in the operator's words.
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

struct JetError {
    QString cause;
};

// A column as the file's table design gives it; sqlType is the type the SQLite copy
// declares (SMALLINT, INTEGER, REAL, TEXT or BLOB).
struct JetColumn {
    QString name;
    int type = 0;
    QString sqlType;
};

struct JetTable {
    QString name;
    std::vector<JetColumn> columns;
};

class JetFile {
public:
    explicit JetFile(const QString& path);
    ~JetFile();
    JetFile(const JetFile&) = delete;
    JetFile& operator=(const JetFile&) = delete;

    // The tables the file's users made, in the order of its catalog.
    std::vector<QString> UserTables() const;
    // Hands the table's design to design, then every row to row, its values in the order
    // of the design's columns (a null QVariant for Null).
    void ReadTable(const QString& name, const std::function<void(const JetTable&)>& design,
                   const std::function<void(const QVariantList&)>& row) const;
    // The user-defined properties of the database, name and text; none when it has none.
    std::vector<std::pair<QString, QString>> UserDefinedProperties() const;

    struct Handle;

private:
    std::unique_ptr<Handle> h_;
};
