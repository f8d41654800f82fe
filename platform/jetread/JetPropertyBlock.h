#pragma once
// A property block of a Jet file (the LvProp value of an object in its list of objects):
// whether libmdb can take it apart without reading past it or standing still.
#include <QByteArray>

// libmdb takes the lengths in a property block as they stand: a record, a name or a value
// longer than what holds it makes it read past the block, and a length of 0 holds it at
// one place for ever. True when every length fits within what holds it; pageSize is the
// file's (some values the library reads at their place on the page it holds).
bool PropertyBlockFits(const QByteArray& block, int pageSize);
