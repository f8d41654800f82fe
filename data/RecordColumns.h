#pragma once
// Record fields and the columns that hold them, as tables: one list per record serves
// its load and its save, each column converted to its field's type.
#include "app/VBConv.h"
#include "platform/Dao.h"
#include "data/UnreadCells.h"
#include "platform/FixedString.h"

#include <QString>
#include <cstdint>
#include <type_traits>
#include <variant>

template <typename Rec>
using ColumnMember = std::variant<int16_t Rec::*, int32_t Rec::*, double Rec::*, QString Rec::*,
                                  FixedString<16> Rec::*, FixedString<8> Rec::*>;

template <typename Rec>
struct RecordColumn {
    const char* name;
    ColumnMember<Rec> member;
};

// Reads a column of the current row into its field. A plain text field takes a column
// without value (Null) as the empty text. A value that does not convert to its field (a
// text where a number belongs, a Null in any other field) is not read: the field takes the
// column's default alone (UnreadCells.h).
template <typename Rec>
void ReadColumn(const dao::Recordset& rs, const modDB::RowKey& row, const RecordColumn<Rec>& column, Rec& rec) {
    const QString name = QString::fromLatin1(column.name);
    std::visit(
        [&](auto member) {
            auto& field = rec.*member;
            using T = std::remove_reference_t<decltype(field)>;
            if constexpr (std::is_same_v<T, int16_t>) {
                field = modDB::ReadCell(rs, row, name, [](const QVariant& v) { return vb::CInt(v); }, field);
            } else if constexpr (std::is_same_v<T, int32_t>) {
                field = modDB::ReadCell(rs, row, name, [](const QVariant& v) { return vb::CLng(v); }, field);
            } else if constexpr (std::is_same_v<T, double>) {
                field = modDB::ReadCell(rs, row, name, [](const QVariant& v) { return vb::CDbl(v); }, field);
            } else if constexpr (std::is_same_v<T, QString>) {
                field = modDB::ReadCell(
                    rs, row, name, [](const QVariant& v) { return v.isNull() ? QString() : vb::CStr(v); }, field);
            } else {
                // Cut or padded to the field's width.
                field = modDB::ReadCell(rs, row, name, [](const QVariant& v) { return T(vb::CStr(v)); }, field);
            }
        },
        column.member);
}

// Writes a field into its column of the row being edited, typed as the field is; a cell
// that was not read is left as the file holds it while the field keeps what it took.
template <typename Rec>
void WriteColumn(dao::Recordset& rs, const modDB::RowKey& row, const RecordColumn<Rec>& column, const Rec& rec) {
    const QString name = QString::fromLatin1(column.name);
    std::visit(
        [&](auto member) {
            const QVariant value = modDB::Written(rec.*member);
            if (!modDB::LeaveUnread(row, name, value)) rs.Fields(name) = value;
        },
        column.member);
}
