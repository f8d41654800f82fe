#include "support/RecipeRows.h"

#include "platform/Dao.h"

#include <QVariant>
#include <vector>

namespace {

QString Quoted(const QString& name) { return '"' + QString(name).replace('"', QStringLiteral("\"\"")) + '"'; }

QStringList TablesOf(const dao::Database& db) {
    QStringList tables;
    dao::Recordset rs = db.OpenRecordset(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"));
    for (; !rs.Eof(); rs.MoveNext()) tables << rs.Fields(QStringLiteral("name")).Value().toString();
    return tables;
}

QStringList ColumnsOf(const dao::Database& db, const QString& table) {
    QStringList columns;
    dao::Recordset rs = db.OpenRecordset(QStringLiteral("PRAGMA table_info(%1)").arg(Quoted(table)));
    for (; !rs.Eof(); rs.MoveNext()) columns << rs.Fields(QStringLiteral("name")).Value().toString();
    return columns;
}

// Each column's value as selected: the column itself, or with a default in place of Null.
QStringList Selected(const dao::Database& design, const QString& table, const QStringList& columns, bool nullIsDefault) {
    QStringList selected;
    for (const QString& c : columns) selected << Quoted(c);
    if (!nullIsDefault) return selected;
    dao::Recordset rs = design.OpenRecordset(QStringLiteral("PRAGMA table_info(%1)").arg(Quoted(table)));
    for (; !rs.Eof(); rs.MoveNext()) {
        const qsizetype at = columns.indexOf(rs.Fields(QStringLiteral("name")).Value().toString());
        const QVariant byDefault = rs.Fields(QStringLiteral("dflt_value")).Value();
        if (at >= 0 && !byDefault.isNull())
            selected[at] = QStringLiteral("coalesce(%1, %2) AS %1").arg(Quoted(columns[at]), byDefault.toString());
    }
    return selected;
}

std::vector<QVariantList> RowsOf(const dao::Database& db, const QString& table, const QStringList& columns,
                                 const QStringList& selected) {
    QStringList order;
    for (qsizetype i = 1; i <= columns.size(); ++i) order << QString::number(i);
    dao::Recordset rs = db.OpenRecordset(
        QStringLiteral("SELECT %1 FROM %2 ORDER BY %3").arg(selected.join(','), Quoted(table), order.join(',')));
    std::vector<QVariantList> rows;
    for (; !rs.Eof(); rs.MoveNext()) {
        QVariantList row;
        for (const QString& c : columns) row << rs.Fields(c).Value();
        rows.push_back(row);
    }
    return rows;
}

bool Same(const QVariant& a, const QVariant& b) {
    if (a.isNull() || b.isNull()) return a.isNull() && b.isNull();
    return a.typeId() == b.typeId() && a == b;
}

QString Shown(const QVariant& v) {
    return v.isNull() ? QStringLiteral("Null") : QStringLiteral("%1 (%2)").arg(v.toString(), QLatin1String(v.typeName()));
}

}  // namespace

QStringList RowDifferences(const QString& actual, const QString& expected, const QStringList& skip,
                           bool nullIsDefault) {
    QStringList out;
    const dao::Database a = dao::OpenDatabase(actual);
    const dao::Database e = dao::OpenDatabase(expected);
    const QStringList expectedTables = TablesOf(e);
    for (const QString& table : TablesOf(a)) {
        if (skip.contains(table, Qt::CaseInsensitive)) continue;
        if (!expectedTables.contains(table, Qt::CaseInsensitive)) {
            out << table + QStringLiteral(": no such table expected");
            continue;
        }
        const QStringList columns = ColumnsOf(a, table);
        const QStringList expectedColumns = ColumnsOf(e, table);
        QStringList missing;
        for (const QString& c : columns)
            if (!expectedColumns.contains(c, Qt::CaseInsensitive)) missing << c;
        if (!missing.isEmpty()) {
            out << table + QStringLiteral(": columns not expected: ") + missing.join(QStringLiteral(", "));
            continue;
        }
        const std::vector<QVariantList> got = RowsOf(a, table, columns, Selected(a, table, columns, nullIsDefault));
        const std::vector<QVariantList> want = RowsOf(e, table, columns, Selected(a, table, columns, nullIsDefault));
        if (got.size() != want.size()) {
            out << QStringLiteral("%1: %2 rows, expected %3").arg(table).arg(got.size()).arg(want.size());
            continue;
        }
        int shown = 0;
        for (size_t r = 0; r < got.size() && shown < 3; ++r) {
            for (qsizetype c = 0; c < columns.size() && shown < 3; ++c) {
                if (Same(got[r][c], want[r][c])) continue;
                out << QStringLiteral("%1 row %2 (%3): %4 is %5, expected %6")
                           .arg(table)
                           .arg(r + 1)
                           .arg(Shown(got[r][0]), columns[c], Shown(got[r][c]), Shown(want[r][c]));
                ++shown;
            }
        }
    }
    return out;
}

QString IntegrityOf(const QString& path) {
    try {
        const dao::Database db = dao::OpenDatabase(path);
        dao::Recordset rs = db.OpenRecordset(QStringLiteral("PRAGMA integrity_check"));
        return rs.Eof() ? QStringLiteral("no answer") : rs.Fields(QStringLiteral("integrity_check")).Value().toString();
    } catch (const RuntimeError& e) {
        return e.description;
    }
}
