#include "platform/DaoEngine.h"

#include <QRegularExpression>
#include <QSqlRecord>

namespace dao {

using namespace detail;

namespace {

const QString kRowid = QStringLiteral("orun_rowid_");

[[noreturn]] void NoCurrentRecord() { Raise(kNoCurrentRecord, QStringLiteral("No current record.")); }

RecordsetData& Live(const std::shared_ptr<RecordsetData>& d) {
    if (!d || d->closed) Raise(kObjectInvalid, QStringLiteral("Object invalid or no longer set."));
    return *d;
}

// Reads the rows of a query whose first column is the row id (editable recordsets) or
// not (read-only ones).
void ReadRows(RecordsetData& d, QSqlQuery& q, bool withRowid) {
    const QSqlRecord rec = q.record();
    const int first = withRowid ? 1 : 0;
    for (int i = first; i < rec.count(); ++i) d.names << rec.fieldName(i);
    while (q.next()) {
        QVariantList row;
        row.reserve(rec.count() - first);
        for (int i = first; i < rec.count(); ++i) row << q.value(i);
        d.rowids.push_back(withRowid ? q.value(0).toLongLong() : -1);
        d.rows.push_back(std::move(row));
    }
}

// Reads one row again after it was stored, so the recordset shows what the file holds.
QVariantList ReadRow(RecordsetData& d, qint64 rowid) {
    Connection& c = *d.conn;
    QSqlQuery q = Run(c.Db(), c.path, QStringLiteral("SELECT * FROM \"%1\" WHERE _rowid_ = ?").arg(d.table), {rowid});
    if (!q.next()) Raise(kRecordDeleted, QStringLiteral("Record is deleted."));
    QVariantList row;
    const QSqlRecord rec = q.record();
    // The columns come in the table's order, which is also the recordset's ("SELECT *").
    for (int i = 0; i < rec.count(); ++i) row << q.value(i);
    return row;
}

}  // namespace

int RecordsetData::ColumnIndex(const QString& name) const {
    for (int i = 0; i < names.size(); ++i) {
        if (names[i].compare(name, Qt::CaseInsensitive) == 0) return i;
    }
    Raise(kItemNotFound, QStringLiteral("Item not found in this collection: '%1'.").arg(name));
}

const QVariantList& RecordsetData::CurrentRow() const {
    if (current < 0 || current >= static_cast<int>(rows.size())) NoCurrentRecord();
    return rows[static_cast<size_t>(current)];
}

Recordset Database::OpenRecordset(const QString& source) const {
    ClearErrors();
    Connection& c = conn();
    static const QRegularExpression tableName(QStringLiteral(R"(^\s*\[?(\w+)\]?\s*$)"));
    static const QRegularExpression selectAll(QStringLiteral(R"(^\s*SELECT\s+\*\s+FROM\s+\[?(\w+)\]?(\s.*)?$)"),
                                              QRegularExpression::CaseInsensitiveOption |
                                                  QRegularExpression::DotMatchesEverythingOption);
    auto d = std::make_shared<RecordsetData>();
    d->conn = c_;
    QString sql = source;
    if (const auto m = tableName.match(source); m.hasMatch()) {
        d->table = m.captured(1);
        sql = QStringLiteral("SELECT _rowid_ AS %1, * FROM \"%2\"").arg(kRowid, d->table);
    } else if (const auto s = selectAll.match(source); s.hasMatch()) {
        d->table = s.captured(1);
        sql = QStringLiteral("SELECT _rowid_ AS %1, * FROM \"%2\"%3").arg(kRowid, d->table, s.captured(2));
    }
    QSqlQuery q = Run(c.Db(), c.path, sql);
    ReadRows(*d, q, !d->table.isEmpty());
    if (!d->table.isEmpty()) {
        const auto& columns = c.Columns(d->table);
        for (const QString& n : d->names) {
            auto it = std::find_if(columns.begin(), columns.end(),
                                   [&](const ColumnInfo& col) { return col.name.compare(n, Qt::CaseInsensitive) == 0; });
            d->declaredTypes.push_back(it == columns.end() ? QString() : it->declaredType);
        }
    }
    Recordset rs;
    rs.d_ = std::move(d);
    return rs;
}

Recordset::Recordset() = default;
Recordset::~Recordset() = default;
Recordset::Recordset(Recordset&&) noexcept = default;
Recordset& Recordset::operator=(Recordset&&) noexcept = default;

int Recordset::RecordCount() const { return static_cast<int>(Live(d_).rows.size()); }

bool Recordset::Eof() const {
    const RecordsetData& d = Live(d_);
    return d.current >= static_cast<int>(d.rows.size());
}

void Recordset::MoveFirst() {
    RecordsetData& d = Live(d_);
    if (d.rows.empty()) NoCurrentRecord();
    d.current = 0;
    d.mode = RecordsetData::None;
}

void Recordset::MoveNext() {
    RecordsetData& d = Live(d_);
    if (Eof()) NoCurrentRecord();
    ++d.current;
    d.mode = RecordsetData::None;
}

void Recordset::AddNew() {
    ClearErrors();
    RecordsetData& d = Live(d_);
    if (d.table.isEmpty()) Raise(kReadOnly, QStringLiteral("Cannot update. Database or object is read-only."));
    d.mode = RecordsetData::Adding;
    d.buffer.clear();
}

void Recordset::Edit() {
    ClearErrors();
    RecordsetData& d = Live(d_);
    if (d.table.isEmpty()) Raise(kReadOnly, QStringLiteral("Cannot update. Database or object is read-only."));
    d.CurrentRow();
    d.mode = RecordsetData::Editing;
    d.buffer.clear();
}

void Recordset::Update() {
    ClearErrors();
    RecordsetData& d = Live(d_);
    if (d.mode == RecordsetData::None) {
        Raise(kUpdateWithoutEdit, QStringLiteral("Update or CancelUpdate without AddNew or Edit."));
    }
    Connection& c = *d.conn;
    QStringList columns;
    QVariantList values;
    for (auto it = d.buffer.cbegin(); it != d.buffer.cend(); ++it) {
        columns << '"' + d.names[it.key()] + '"';
        values << it.value();
    }
    // One row is one transaction: a program killed while storing it leaves the row as it
    // was, never half written.
    qint64 rowid = -1;
    QVariantList row;
    InTransaction(c, [&] {
        if (d.mode == RecordsetData::Adding) {
            const QString sql = columns.isEmpty()
                                    ? QStringLiteral("INSERT INTO \"%1\" DEFAULT VALUES").arg(d.table)
                                    : QStringLiteral("INSERT INTO \"%1\" (%2) VALUES (%3)")
                                          .arg(d.table, columns.join(','), QStringList(columns.size(), "?").join(','));
            rowid = Run(c.Db(), c.path, sql, values).lastInsertId().toLongLong();
        } else {
            rowid = d.rowids[static_cast<size_t>(d.current)];
            if (!columns.isEmpty()) {
                QStringList sets;
                for (const QString& col : columns) sets << col + QStringLiteral(" = ?");
                values << rowid;
                const QString sql = QStringLiteral("UPDATE \"%1\" SET %2 WHERE _rowid_ = ?").arg(d.table, sets.join(','));
                if (Run(c.Db(), c.path, sql, values).numRowsAffected() == 0) {
                    Raise(kRecordDeleted, QStringLiteral("Record is deleted."));
                }
            }
        }
        row = ReadRow(d, rowid);
    });
    if (d.mode == RecordsetData::Adding) {
        d.rowids.push_back(rowid);
        d.rows.push_back(std::move(row));
    } else {
        d.rows[static_cast<size_t>(d.current)] = std::move(row);
    }
    d.mode = RecordsetData::None;
    d.buffer.clear();
}

Field Recordset::Fields(const QString& name) const {
    RecordsetData& d = Live(d_);
    return Field(d_, d.ColumnIndex(name));
}

void Recordset::Close() {
    if (d_) d_->closed = true;
    d_.reset();
}

QVariant Field::Value() const {
    RecordsetData& d = Live(d_);
    if (d.mode != RecordsetData::None) {
        const auto it = d.buffer.constFind(column_);
        if (it != d.buffer.cend()) return *it;
        if (d.mode == RecordsetData::Adding) return {};
    }
    return d.CurrentRow()[column_];
}

void Field::setValue(const QVariant& value) {
    RecordsetData& d = Live(d_);
    if (d.mode == RecordsetData::None) {
        Raise(kUpdateWithoutEdit, QStringLiteral("Update or CancelUpdate without AddNew or Edit."));
    }
    const QString type = column_ < static_cast<int>(d.declaredTypes.size()) ? d.declaredTypes[column_] : QString();
    d.buffer.insert(column_, ValueForColumn(value, type));
}

}  // namespace dao
