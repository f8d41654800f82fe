// The rows of an Access (Jet) recipe database fitted to this program's table design before
// the upgrade copies them: what the site's file holds beyond the design stays in its
// backup, and what it leaves empty takes the design's default.
#include "data/modDB.h"

#include <QHash>
#include <QStringList>

namespace modDB {

namespace {

QString Quoted(const QString& name) { return '"' + QString(name).replace('"', QStringLiteral("\"\"")) + '"'; }

struct ColumnDesign {
    QString name;
    QVariant defaultValue;  // the SQL text of the default; null when the column has none
};

std::vector<ColumnDesign> DesignOf(const dao::Database& db, const QString& table) {
    std::vector<ColumnDesign> columns;
    dao::Recordset rs = db.OpenRecordset(QStringLiteral("PRAGMA table_info(%1)").arg(Quoted(table)));
    for (; !rs.Eof(); rs.MoveNext())
        columns.push_back({rs.Fields(QStringLiteral("name")).Value().toString(), rs.Fields(QStringLiteral("dflt_value")).Value()});
    return columns;
}

}  // namespace

void FitJetRows(const dao::Database& source, const dao::Database& target, const QStringList& tables) {
    dao::Transaction all(source);
    for (const QString& table : tables) {
        QHash<QString, QVariant> defaults;
        for (const ColumnDesign& c : DesignOf(target, table)) defaults.insert(c.name.toLower(), c.defaultValue);
        QStringList fills;
        for (const ColumnDesign& c : DesignOf(source, table)) {
            const auto known = defaults.constFind(c.name.toLower());
            if (known == defaults.cend()) {
                source.Execute(QStringLiteral("ALTER TABLE %1 DROP COLUMN %2").arg(Quoted(table), Quoted(c.name)));
            } else if (!known->isNull()) {
                fills << QStringLiteral("%1 = coalesce(%1, %2)").arg(Quoted(c.name), known->toString());
            }
        }
        if (!fills.isEmpty()) source.Execute(QStringLiteral("UPDATE %1 SET %2").arg(Quoted(table), fills.join(QStringLiteral(", "))));
    }
    all.Commit();
}

}  // namespace modDB
