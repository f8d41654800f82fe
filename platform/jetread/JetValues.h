#pragma once
// One value of a Jet row, taken from the bytes libmdb found for it, as the SQLite copy
// stores it: whole numbers as integers, Single and Double as doubles (a Single widened
// exactly, never through a text), texts as UTF-8. Only libmdb's readers include this.
#include <QString>
#include <QVariant>
#include <mdbtools.h>

// The SQLite type a column of this Jet type is declared with.
QString SqlTypeOf(int jetType);
// The value of field (cracked from the current row on the page in mdb->pg_buf) of column
// col, memo texts and OLE objects whole from their own pages. A null QVariant for Null.
// Throws JetError when the field's bytes do not fit its type or the page.
QVariant JetValue(MdbHandle* mdb, MdbColumn* col, const MdbField& field);
