// Copies of single rows of the recipe tables, kept so that a change can be taken back
// exactly, column for column, whatever the record in memory holds (a free layer record
// keeps only its film number and links in memory). The copies live in temporary tables
// of the open database, which go with its connection.
#include "data/modDB.h"

namespace modDB {

namespace {

QString Where(const QString& table, int16_t key) {
    const QString column = table == QLatin1String("Layers") ? QStringLiteral("Layer_Number") : QStringLiteral("Process_Number");
    return QStringLiteral(" WHERE ") + column + QStringLiteral(" = ") + QString::number(key);
}

QString Kept(const QString& table) { return QStringLiteral("temp.Kept") + table; }

}  // namespace

void KeepRow(const QString& table, int16_t key) {
    WithFile(FileUse::Write, QStringLiteral("A copy of row %1 of table %2").arg(key).arg(table), [&] {
        gDB.Execute(QStringLiteral("CREATE TEMP TABLE IF NOT EXISTS Kept") + table + QStringLiteral(" AS SELECT * FROM main.") +
                    table + QStringLiteral(" WHERE 0"));
        gDB.Execute(QStringLiteral("DELETE FROM ") + Kept(table) + Where(table, key));
        gDB.Execute(QStringLiteral("INSERT INTO ") + Kept(table) + QStringLiteral(" SELECT * FROM main.") + table +
                    Where(table, key));
    });
}

void PutRowBack(const QString& table, int16_t key) {
    WithFile(FileUse::Write, QStringLiteral("Row %1 of table %2 as it was").arg(key).arg(table), [&] {
        gDB.Execute(QStringLiteral("DELETE FROM main.") + table + Where(table, key));
        gDB.Execute(QStringLiteral("INSERT INTO main.") + table + QStringLiteral(" SELECT * FROM ") + Kept(table) +
                    Where(table, key));
        gDB.Execute(QStringLiteral("DELETE FROM ") + Kept(table) + Where(table, key));
    });
}

}  // namespace modDB
