#pragma once
// The places inside a Jet file that libmdb goes to on the word of the file alone: the page
// of a table's design, the pages its design continues on, the rows holding the table's two
// page maps, the pages those maps name, and the rows of a long value's chain. The library
// follows each without looking (a map row that is not there hands it a null map, a chain
// row past its page has it copy past its buffers, a chain that comes back keeps it going
// round), so each is checked here before the library is handed it, and a damaged file is
// refused with the page and what is wrong there. Only libmdb's readers include this.
#include <QByteArray>
#include <QString>
#include <mdbtools.h>

// The bytes of the row at pgRow (its page in the upper three bytes, the row in the lowest)
// as libmdb finds them: on a page of rows of the file, one of the rows the page counts,
// not deleted, lying on the page after its table of rows, and at least least bytes long.
// what says who names the row, for the cause ("the map of pages of table Layers").
QByteArray CheckedRow(MdbHandle* mdb, guint32 pgRow, int least, const QString& what);

// The design of a table said to be on page, before mdb_read_table: a page of table
// designs whose counts of columns and indexes a table can have, whose pages of
// continuation are such pages, once each, and whose two page maps lie in rows that are
// there; the map of pages, when of a kind that names pages of its own, names pages of the
// file that are map pages. The cause: subject ("the design of table Layers"),
// "cannot be read: ", and what is wrong.
void CheckTableDesign(MdbHandle* mdb, unsigned long page, const QString& subject);

// Every page the map of pages of def names is one of its data pages, so that the library
// passes over none of them (and ends no table early on a page it cannot read). what names
// the table ("table Layers").
void CheckDataPages(MdbHandle* mdb, MdbTableDef* def, const QString& what);

// Every row the long value whose 12-byte head is given leads the library to (its own
// walk goes on to the end of the chain, whatever length the head states) is there, and
// the chain comes back to none it passed. A head of a kind the library does not know is
// refused: it would take the place it stopped at for the previous value.
void CheckLongValue(MdbHandle* mdb, const char* head, const QString& what);
