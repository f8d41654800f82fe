#pragma once
// What a JetFile holds of libmdb: the open file. Only the reader's own sources include it.
#include "JetFile.h"

#include <mdbtools.h>

struct JetFile::Handle {
    MdbHandle* mdb = nullptr;
};
