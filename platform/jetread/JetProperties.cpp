// The user-defined properties of a Jet database: the property block (LvProp) of the
// document "UserDefined" in the container "Databases", both rows of the system table
// MSysObjects.
#include "JetHandle.h"

#include <mdbtools.h>
#include <optional>

namespace {

struct SystemObjects {
    explicit SystemObjects(MdbHandle* mdb) {
        table = mdb_read_table_by_name(mdb, const_cast<gchar*>("MSysObjects"), MDB_ANY);
        if (!table || !mdb_read_columns(table)) throw JetError{QStringLiteral("its list of objects cannot be read")};
        const auto bind = [&](const char* column, std::vector<char>& buffer, int* length) {
            buffer.assign(mdb->bind_size + 1, '\0');
            const int number = mdb_bind_column_by_name(table, const_cast<gchar*>(column), buffer.data(), length);
            if (number < 1) throw JetError{QStringLiteral("its list of objects has no column %1").arg(column)};
            return number;
        };
        bind("Id", id, nullptr);
        bind("ParentId", parentId, nullptr);
        bind("Name", name, nullptr);
        propertiesColumn = bind("LvProp", properties, &propertiesLength);
        mdb_rewind_table(table);
    }
    ~SystemObjects() {
        if (table) mdb_free_tabledef(table);
    }
    SystemObjects(const SystemObjects&) = delete;
    SystemObjects& operator=(const SystemObjects&) = delete;

    MdbTableDef* table = nullptr;
    std::vector<char> id, parentId, name, properties;
    int propertiesLength = 0;
    int propertiesColumn = 0;
};

}  // namespace

std::vector<std::pair<QString, QString>> JetFile::UserDefinedProperties() const {
    MdbHandle* mdb = h_->mdb;
    std::vector<std::pair<QString, QString>> out;
    SystemObjects objects(mdb);
    // The container comes before its documents in the list; a document is known by its
    // name and its container's id.
    std::optional<QByteArray> databases;
    long rows = 0;
    while (mdb_fetch_row(objects.table)) {
        if (++rows > 1000000) throw JetError{QStringLiteral("its list of objects has no end")};
        const QByteArray name(objects.name.data());
        if (!databases && name == "Databases") databases = QByteArray(objects.id.data());
        if (!databases || name != "UserDefined" || QByteArray(objects.parentId.data()) != *databases) continue;
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(objects.table->columns,
                                                              static_cast<guint>(objects.propertiesColumn - 1)));
        size_t size = 0;
        void* block = mdb_ole_read_full(mdb, col, &size);
        if (!block || size == 0) {
            g_free(block);
            // A document without properties; one whose block is there but cannot be read
            // would pass for a file without a version, whose layers an upgrade remaps.
            if (col->cur_value_len > 0) throw JetError{QStringLiteral("its database properties cannot be read")};
            return out;
        }
        GPtrArray* sets = mdb_kkd_to_props(mdb, block, size);
        g_free(block);
        if (!sets) throw JetError{QStringLiteral("its database properties cannot be read")};
        // The first set is the document's own; the others belong to columns.
        if (sets->len > 0) {
            auto* props = static_cast<MdbProperties*>(g_ptr_array_index(sets, 0));
            GHashTableIter it;
            gpointer key = nullptr, value = nullptr;
            g_hash_table_iter_init(&it, props->hash);
            while (g_hash_table_iter_next(&it, &key, &value)) {
                out.emplace_back(QString::fromUtf8(static_cast<const char*>(key)),
                                 QString::fromUtf8(value ? static_cast<const char*>(value) : ""));
            }
        }
        for (guint i = 0; i < sets->len; ++i) mdb_free_props(static_cast<MdbProperties*>(g_ptr_array_index(sets, i)));
        g_ptr_array_free(sets, TRUE);
        return out;
    }
    return out;
}
