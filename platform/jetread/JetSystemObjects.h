#pragma once
// MSysObjects, a Jet file's list of its objects (tables, queries, the containers and
// documents of its properties), read row by row through libmdb; and the check of it that
// the library's own listing of the file's tables needs. Only libmdb's readers include this.
// The standard headers go first: the library's header takes in glib's in a C block.
#include <vector>

#include <mdbtools.h>

class SystemObjects {
public:
    // The list whose design the catalog entry gives, its design and its pages checked.
    SystemObjects(MdbHandle* mdb, MdbCatalogEntry* entry);
    ~SystemObjects();
    SystemObjects(const SystemObjects&) = delete;
    SystemObjects& operator=(const SystemObjects&) = delete;

    // The next object; false after the last. The texts below are the object's.
    bool Next();
    // The column of the property blocks, whose value's place (and, bound, its head) the
    // last Next() left in it.
    MdbColumn* PropertiesColumn() const;

    std::vector<char> id, parentId, name, type, properties;
    // 0 when the object has no property block (Null).
    int propertiesLength = 0;

private:
    MdbTableDef* table_ = nullptr;
    int propertiesColumn_ = 0;
    long rows_ = 0;
};

// What libmdb's listing of the tables (mdb_read_catalog) follows and takes apart, checked
// before it runs: the design of the list on page 2 with its pages, and for each table in
// it, its name (copied into a name of fixed size) and the property block it reads whole,
// chain and lengths.
void CheckObjectList(MdbHandle* mdb);
