// The user-defined properties of a Jet database: the property block (LvProp) of the
// document "UserDefined" in the container "Databases", both rows of the system table
// MSysObjects.
#include "JetHandle.h"
#include "JetLongValues.h"
#include "JetPropertyBlock.h"
#include "JetSystemObjects.h"

#include <mdbtools.h>
#include <optional>

std::vector<std::pair<QString, QString>> JetFile::UserDefinedProperties() const {
    MdbHandle* mdb = h_->mdb;
    std::vector<std::pair<QString, QString>> out;
    // Found in the list of tables read at the opening: reading it by name would list every
    // object again, and take apart every object's property block on the way.
    MdbCatalogEntry* entry = mdb_get_catalogentry_by_name(mdb, "MSysObjects");
    if (!entry) throw JetError{QStringLiteral("its list of objects cannot be read")};
    SystemObjects objects(mdb, entry);
    // The container comes before its documents in the list; a document is known by its
    // name and its container's id.
    std::optional<QByteArray> databases;
    while (objects.Next()) {
        const QByteArray name(objects.name.data());
        if (!databases && name == "Databases") databases = QByteArray(objects.id.data());
        if (!databases || name != "UserDefined" || QByteArray(objects.parentId.data()) != *databases) continue;
        MdbColumn* col = objects.PropertiesColumn();
        QByteArray block;
        try {
            block = LongValueBytes(mdb, col, col->cur_value_start, col->cur_value_len);
        } catch (const JetError& e) {
            throw JetError{QStringLiteral("its database properties cannot be read: %1").arg(e.cause)};
        }
        if (block.isEmpty()) {
            // A document without properties; one whose block is there but cannot be read
            // would pass for a file without a version, whose layers an upgrade remaps.
            if (col->cur_value_len > 0) throw JetError{QStringLiteral("its database properties cannot be read")};
            return out;
        }
        if (!PropertyBlockFits(block, static_cast<int>(mdb->fmt->pg_size)))
            throw JetError{QStringLiteral("its database properties cannot be read")};
        GPtrArray* sets = mdb_kkd_to_props(mdb, block.data(), static_cast<size_t>(block.size()));
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
