// The user-defined properties of a Jet database: the property block (LvProp) of the
// document "UserDefined" in the container "Databases", both rows of the system table
// MSysObjects.
#include "JetHandle.h"
#include "JetLongValues.h"

#include <QtEndian>
#include <cstring>
#include <mdbtools.h>
#include <optional>

namespace {

// The bytes libmdb reads for a value of the given type, and whether it reads them from the
// page it holds (at the value's place in the block) instead of from the block.
struct ValueReach {
    int size;
    bool fromPage;
};
ValueReach ReachOf(int type) {
    switch (type) {
    case MDB_BOOL:
    case MDB_BYTE: return {1, false};
    case MDB_INT: return {2, false};
    case MDB_LONGINT:
    case MDB_COMPLEX:
    case MDB_FLOAT: return {4, false};
    case MDB_DOUBLE:
    case MDB_DATETIME: return {8, false};
    case MDB_MONEY: return {8, true};
    case MDB_REPID: return {16, true};
    case MDB_NUMERIC: return {17, true};
    default: return {0, false};  // texts and bytes: as many as the value has
    }
}

// libmdb takes the lengths in a property block as they stand: a record, a name or a value
// longer than what holds it makes it read past the block, and a length of 0 holds it at
// one place for ever. A block is read only when every length fits within what holds it.
// The block: its kind ("KKD" or "MR2"), then records of a 32-bit length and a 16-bit
// type; a record of names holds 16-bit lengths each with its text, a record of values a
// 32-bit length, a 16-bit length with the set's name, then entries of a 16-bit length, a
// type byte at 3 and a 16-bit value size at 6 before the value at 8.
bool FitsWithin(const QByteArray& block, int pageSize) {
    const auto* b = reinterpret_cast<const unsigned char*>(block.constData());
    const qsizetype size = block.size();
    const auto u16 = [&](qsizetype at) { return static_cast<qsizetype>(qFromLittleEndian<quint16>(b + at)); };
    if (size < 4 || (std::memcmp(b, "KKD", 4) != 0 && std::memcmp(b, "MR2", 4) != 0)) return false;
    for (qsizetype pos = 4; pos < size;) {
        if (size - pos < 6) return false;
        const auto length = static_cast<qsizetype>(qFromLittleEndian<quint32>(b + pos));
        const qsizetype type = u16(pos + 4);
        if (length < 6 || length > size - pos) return false;
        const qsizetype body = pos + 6, end = pos + length;
        if (type == 0x80) {
            for (qsizetype at = body; at < end; at += 2 + u16(at))
                if (end - at < 2 || u16(at) > end - at - 2) return false;
        } else if (type <= 2) {
            if (end - body < 6 || u16(body + 4) > end - body - 6) return false;
            for (qsizetype at = body + 6 + u16(body + 4); at < end; at += u16(at)) {
                if (end - at < 8) return false;
                const qsizetype entry = u16(at), valueSize = u16(at + 6);
                const ValueReach reach = ReachOf(static_cast<signed char>(b[at + 3]));
                if (entry < 8 || entry > end - at || valueSize > entry - 8 || valueSize < reach.size) return false;
                if (reach.fromPage && (at - body) + 8 + reach.size > pageSize) return false;
            }
        }
        pos = end;
    }
    return true;
}

struct SystemObjects {
    explicit SystemObjects(MdbHandle* mdb) {
        // Found in the list of tables read at the opening: reading it by name would list
        // every object again, and take apart every object's property block on the way.
        MdbCatalogEntry* entry = mdb_get_catalogentry_by_name(mdb, "MSysObjects");
        table = entry ? mdb_read_table(entry) : nullptr;
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
        QByteArray block;
        try {
            block = LongValueBytes(mdb, col, col->cur_value_start, col->cur_value_len);
        } catch (const JetError&) {
            throw JetError{QStringLiteral("its database properties cannot be read")};
        }
        if (block.isEmpty()) {
            // A document without properties; one whose block is there but cannot be read
            // would pass for a file without a version, whose layers an upgrade remaps.
            if (col->cur_value_len > 0) throw JetError{QStringLiteral("its database properties cannot be read")};
            return out;
        }
        if (!FitsWithin(block, static_cast<int>(mdb->fmt->pg_size)))
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
