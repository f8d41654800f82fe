#include "JetSystemObjects.h"

#include "JetAddresses.h"
#include "JetFile.h"
#include "JetPropertyBlock.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Far more objects than a recipe database has: a damaged page map that sends the reader
// round in circles ends here.
constexpr long kMostObjects = 1000000;
// The page the library reads the list of objects from.
constexpr unsigned long kListPage = 2;

const QString& ListName() {
    static const QString name = QStringLiteral("its catalog of tables");
    return name;
}

}  // namespace

SystemObjects::SystemObjects(MdbHandle* mdb, MdbCatalogEntry* entry) {
    CheckTableDesign(mdb, entry->table_pg, ListName());
    table_ = mdb_read_table(entry);
    if (!table_ || !mdb_read_columns(table_)) {
        if (table_) mdb_free_tabledef(table_);
        throw JetError{QStringLiteral("its list of objects cannot be read")};
    }
    try {
        CheckDataPages(mdb, table_, ListName());
        const auto bind = [&](const char* column, std::vector<char>& buffer, int* length) {
            buffer.assign(mdb->bind_size + 1, '\0');
            const int number = mdb_bind_column_by_name(table_, const_cast<gchar*>(column), buffer.data(), length);
            if (number < 1) throw JetError{QStringLiteral("its list of objects has no column %1").arg(column)};
            return number;
        };
        bind("Id", id, nullptr);
        bind("ParentId", parentId, nullptr);
        bind("Name", name, nullptr);
        bind("Type", type, nullptr);
        propertiesColumn_ = bind("LvProp", properties, &propertiesLength);
    } catch (...) {
        mdb_free_tabledef(table_);
        throw;
    }
    mdb_rewind_table(table_);
}

SystemObjects::~SystemObjects() { mdb_free_tabledef(table_); }

bool SystemObjects::Next() {
    propertiesLength = 0;
    if (!mdb_fetch_row(table_)) return false;
    if (++rows_ > kMostObjects) throw JetError{QStringLiteral("its list of objects has no end")};
    return true;
}

MdbColumn* SystemObjects::PropertiesColumn() const {
    return static_cast<MdbColumn*>(g_ptr_array_index(table_->columns, static_cast<guint>(propertiesColumn_ - 1)));
}

void CheckObjectList(MdbHandle* mdb) {
    // The entry the library makes for the list when it reads it.
    MdbCatalogEntry entry{};
    entry.mdb = mdb;
    entry.object_type = MDB_TABLE;
    entry.table_pg = kListPage;
    std::snprintf(entry.object_name, sizeof entry.object_name, "MSysObjects");
    SystemObjects objects(mdb, &entry);
    while (objects.Next()) {
        if (std::atoi(objects.type.data()) != MDB_TABLE) continue;
        const size_t nameLength = std::strlen(objects.name.data());
        if (nameLength > MDB_MAX_OBJ_NAME)
            throw JetError{QStringLiteral("its list of objects names a table with a name of %1 bytes").arg(nameLength)};
        if (objects.propertiesLength == 0) continue;
        const QString what = QStringLiteral("the properties of table %1").arg(QString::fromUtf8(objects.name.data()));
        // The library follows the head it copied, to the end of the chain; once every row
        // on the way is known to be there, its own reading of the whole block is safe.
        CheckLongValue(mdb, objects.properties.data(), what);
        size_t size = 0;
        void* block = mdb_ole_read_full(mdb, objects.PropertiesColumn(), &size);
        const QByteArray bytes(static_cast<const char*>(block), block ? static_cast<qsizetype>(size) : 0);
        std::free(block);
        if (!bytes.isEmpty() && !PropertyBlockFits(bytes, static_cast<int>(mdb->fmt->pg_size)))
            throw JetError{QStringLiteral("%1 cannot be read: a length in them runs past their end").arg(what)};
    }
}
