#pragma once
// The reader's whole work on one file: every user table of the Access (Jet) file at source,
// and its user-defined properties, copied into a new SQLite file at target. The Access file
// is only read. A file that cannot be read raises JetError with the cause; the target may
// then be left part-written (the program's caller takes it only after a whole copy).
//
// The program orun_jetread runs this in a process of its own for the station; the fuzz
// target calls it in its own process, so that the fuzzer sees the parsing's coverage and a
// sanitizer its memory errors.
#include "JetFile.h"

#include <QString>

void ConvertJetToSqlite(const QString& source, const QString& target);
