#pragma once
// What a JetFile holds of libmdb: the open file. Only the reader's own sources include it.
#include "JetFile.h"

#include <mdbtools.h>

// The file is closed with its handle, also when the opening fails half-way (a catalog that
// cannot be read) and the JetFile is never made.
struct JetFile::Handle {
    MdbHandle* mdb = nullptr;
    Handle() = default;
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() {
        if (mdb) mdb_close(mdb);
    }
};
