#pragma once
// The long values of a Jet row (memo texts and OLE objects): a 12-byte head in the row
// that states the value's length and says where its bytes lie (in the row itself, in one
// row of a long-value page, or in a chain of such rows), and the texts of Jet files turned
// into UTF-8. Each buffer is as large as its value, whatever its length; only libmdb's
// readers include this.
#include <QByteArray>
#include <QString>
#include <mdbtools.h>

// The bytes of the long value of column col whose head lies at start (size bytes with the
// head) on the page in mdb->pg_buf: exactly the length the head states. A head shorter
// than 12 bytes is an empty value. Throws JetError when the value lies outside its page,
// or its chain of rows ends before the stated length or comes back to a row it passed.
QByteArray LongValueBytes(MdbHandle* mdb, MdbColumn* col, int start, int size);

// A text of the file (Jet 4: UTF-16, compressed or not; Jet 3: the file's code page) as
// UTF-8, up to its first NUL, whole.
QString JetText(MdbHandle* mdb, const char* bytes, qsizetype size);
