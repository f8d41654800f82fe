#pragma once
// Record fields and the columns that hold them, as tables: one list per record serves
// its load and its save, each column converted to its field's type.
#include "app/VBConv.h"
#include "platform/Dao.h"
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
// without value (Null) as the empty text; every other field stops at it (error 94).
template <typename Rec>
void ReadColumn(const dao::Recordset& rs, const RecordColumn<Rec>& column, Rec& rec) {
    const dao::Field f = rs.Fields(QString::fromLatin1(column.name));
    std::visit(
        [&](auto member) {
            auto& field = rec.*member;
            using T = std::remove_reference_t<decltype(field)>;
            if constexpr (std::is_same_v<T, int16_t>) {
                field = vb::CInt(f.Value());
            } else if constexpr (std::is_same_v<T, int32_t>) {
                field = vb::CLng(f.Value());
            } else if constexpr (std::is_same_v<T, double>) {
                field = vb::CDbl(f.Value());
            } else if constexpr (std::is_same_v<T, QString>) {
                field = f.IsNull() ? QString() : vb::CStr(f.Value());
            } else {
                field = vb::CStr(f.Value());  // cut or padded to the field's width
            }
        },
        column.member);
}

// Writes a field into its column of the row being edited, typed as the field is.
template <typename Rec>
void WriteColumn(dao::Recordset& rs, const RecordColumn<Rec>& column, const Rec& rec) {
    dao::Field f = rs.Fields(QString::fromLatin1(column.name));
    std::visit(
        [&](auto member) {
            const auto& field = rec.*member;
            using T = std::remove_cv_t<std::remove_reference_t<decltype(field)>>;
            if constexpr (std::is_integral_v<T>) {
                f = QVariant(static_cast<int>(field));
            } else if constexpr (std::is_same_v<T, double>) {
                f = QVariant(field);
            } else {
                f = QVariant(QString(field));  // fixed-width texts with their trailing blanks
            }
        },
        column.member);
}
