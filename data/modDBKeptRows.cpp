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
    dao::Transaction work(gDB);
    gDB.Execute(QStringLiteral("CREATE TEMP TABLE IF NOT EXISTS Kept") + table + QStringLiteral(" AS SELECT * FROM main.") +
                table + QStringLiteral(" WHERE 0"));
    gDB.Execute(QStringLiteral("DELETE FROM ") + Kept(table) + Where(table, key));
    gDB.Execute(QStringLiteral("INSERT INTO ") + Kept(table) + QStringLiteral(" SELECT * FROM main.") + table +
                Where(table, key));
    work.Commit();
}

void PutRowBack(const QString& table, int16_t key) {
    dao::Transaction work(gDB);
    gDB.Execute(QStringLiteral("DELETE FROM main.") + table + Where(table, key));
    gDB.Execute(QStringLiteral("INSERT INTO main.") + table + QStringLiteral(" SELECT * FROM ") + Kept(table) +
                Where(table, key));
    gDB.Execute(QStringLiteral("DELETE FROM ") + Kept(table) + Where(table, key));
    work.Commit();
}

}  // namespace modDB
