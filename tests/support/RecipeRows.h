#pragma once
// The rows of recipe database files compared table by table, column by column, each file
// read through a connection of its own.
#include <QString>
#include <QStringList>

// What differs between the file at actual and the file at expected, over every table and
// column of actual: a table or column expected lacks, a row count, and each value that is
// not the same value of the same type (rows taken in the order of all their columns).
// Empty when they hold the same. At most a few lines per table. The tables named in skip
// are left out. With nullIsDefault a Null, in either file, counts as the default value
// that actual's table design gives its column.
QStringList RowDifferences(const QString& actual, const QString& expected, const QStringList& skip = {},
                           bool nullIsDefault = false);

// "ok" when SQLite's integrity check passes on the file, else what it says (or the error
// that opening the file gave).
QString IntegrityOf(const QString& path);
