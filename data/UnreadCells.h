#pragma once
// Cells of the recipe database that a load could not read: a text where a number belongs
// (a hand-edited or damaged file), a Null, a number beyond its field, a number that is not
// finite, raw bytes (an Access Binary value) where a number belongs, and a value outside
// what the program accepts for the setting. Such a cell takes its
// default alone and every other cell and record is read; the operator is told once, naming
// the file, the table, the record and the column; and no save writes over what the file
// holds there until the value in the program is changed.
#include "platform/Dao.h"
#include "platform/RuntimeError.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <cmath>
#include <memory>
#include <type_traits>

namespace modDB {

// A row of a table: its key column and key; without a key column, the table's first row.
struct RowKey {
    QString table;
    QString keyColumn;
    int key = 0;
};

// A field's value as the saves write it into its column.
template <typename T>
QVariant Written(const T& value) {
    if constexpr (std::is_integral_v<T>) return QVariant(static_cast<int>(value));
    else if constexpr (std::is_floating_point_v<T>) return QVariant(static_cast<double>(value));
    else return QVariant(QString(value));  // fixed-width texts with their trailing blanks
}

inline QVariant Written(const QVariant& value) { return value; }

// A value that does not convert to its field: type mismatch, overflow, Null.
bool IsConversionError(const RuntimeError& e);
// The default the table's design gives column in the open database, as the engine gives
// the value (not yet fitted to a field); a null QVariant when it gives none or it cannot
// be read.
QVariant DesignDefault(const QString& table, const QString& column);
// Keeps in mind that the cell was not read: it held stored, and the field took taken (as
// the save would write it). meaning, when given, tells the operator what that does (a
// channel without a valid reading); it ends the cell's line of the message.
void CellNotRead(const RowKey& row, const QString& column, const QVariant& stored, const QVariant& taken,
                 const QString& meaning = QString());
// Keeps the cell as the file holds it, without a word, while the field holds taken: a sound
// value that the program could not take because another value of its set was refused.
void CellKept(const RowKey& row, const QString& column, const QVariant& taken);
// Whether the cell was not read and value is still what it took (nothing is changed).
bool StillUnread(const RowKey& row, const QString& column, const QVariant& value);
// Whether a save must leave the cell as the file holds it: it was not read and the field
// still holds what it took. A changed field is written, and the cell counts as read then.
bool LeaveUnread(const RowKey& row, const QString& column, const QVariant& value);
// Whether the latest load of the row could not read the cell.
bool IsUnread(const RowKey& row, const QString& column);
// Forgets the cells of the row (it is read again), or of the tables (another file).
void ForgetUnreadRow(const RowKey& row);
void ForgetUnreadCells(const QStringList& tables);
// Tells, in one message, the cells found since the last time; nothing when there are none.
void TellUnreadCells();
// What is known of the cells not read, kept to be put back when a load is undone.
class UnreadCellsKept {
public:
    UnreadCellsKept();
    ~UnreadCellsKept();
    UnreadCellsKept(const UnreadCellsKept&) = delete;
    UnreadCellsKept& operator=(const UnreadCellsKept&) = delete;
    void PutBack() const;

private:
    struct Kept;
    std::unique_ptr<Kept> kept_;
};
// A load for the length of a scope: the cells found in it, loads inside it included, are
// told once when the outermost one ends.
class TellUnreadOnce {
public:
    TellUnreadOnce();
    ~TellUnreadOnce();
    TellUnreadOnce(const TellUnreadOnce&) = delete;
    TellUnreadOnce& operator=(const TellUnreadOnce&) = delete;
};

// A value the language converts that the program still cannot use: a number that is not
// finite (it could never be written back, nor drive anything), and raw bytes where a
// number belongs (the conversion would read them as 0).
template <typename T>
bool Unusable(const QVariant& stored, const T& value) {
    const bool bytes = stored.typeId() == QMetaType::QByteArray;
    if constexpr (std::is_floating_point_v<T>) {
        return bytes || !std::isfinite(value);
    } else if constexpr (std::is_arithmetic_v<T>) {
        return bytes;
    } else if constexpr (std::is_same_v<T, QVariant>) {
        if (value.typeId() == QMetaType::QString) return false;
        return bytes || (value.typeId() == QMetaType::Double && !std::isfinite(value.toDouble()));
    } else {
        return false;
    }
}

// The value of column in the current row of rs through convert (a conversion of the
// language, raising its error for a value that does not convert). A value that does not
// convert, or that cannot be used (Unusable), gives the column's design default through
// convert, or present when there is none or it does not convert either, and the cell is
// kept in mind as not read.
template <typename Convert, typename T>
T ReadCell(const dao::Recordset& rs, const RowKey& row, const QString& column, Convert convert, T present) {
    const QVariant stored = rs.Fields(column).Value();
    try {
        T value = convert(stored);
        if (!Unusable(stored, value)) return value;
    } catch (const RuntimeError& e) {
        if (!IsConversionError(e)) throw;
    }
    T taken = present;
    try {
        const QVariant design = DesignDefault(row.table, column);
        if (!design.isNull()) taken = convert(design);
    } catch (const RuntimeError&) {
        // A default that does not fit the field either: the field keeps what it held.
    }
    CellNotRead(row, column, stored, Written(taken));
    return taken;
}

}  // namespace modDB
