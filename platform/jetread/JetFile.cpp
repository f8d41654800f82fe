#include "JetHandle.h"

#include "JetAddresses.h"
#include "JetSystemObjects.h"
#include "JetValues.h"

#include <QFile>
#include <mdbtools.h>

namespace {

// More rows than any recipe database holds by far: a damaged page map that sends the
// reader round in circles ends here instead of filling the disk.
constexpr long kMostRows = 1000000;

QString NameOf(const char* name) { return QString::fromUtf8(name); }

// A table's design read into table; the libmdb table is freed by the caller.
MdbTableDef* ReadDesign(MdbHandle* mdb, const QString& name, JetTable& table) {
    MdbCatalogEntry* entry = mdb_get_catalogentry_by_name(mdb, name.toUtf8().constData());
    if (entry) CheckTableDesign(mdb, entry->table_pg, QStringLiteral("the design of table %1").arg(name));
    MdbTableDef* def = entry ? mdb_read_table(entry) : nullptr;
    if (!def) throw JetError{QStringLiteral("the design of table %1 cannot be read").arg(name)};
    if (!mdb_read_columns(def) || def->num_cols != def->columns->len || def->num_cols == 0) {
        mdb_free_tabledef(def);
        throw JetError{QStringLiteral("the columns of table %1 cannot be read").arg(name)};
    }
    table.name = name;
    table.columns.clear();
    for (guint i = 0; i < def->columns->len; ++i) {
        const auto* col = static_cast<MdbColumn*>(g_ptr_array_index(def->columns, i));
        table.columns.push_back({NameOf(col->name), col->col_type, SqlTypeOf(col->col_type)});
    }
    return def;
}

}  // namespace

JetFile::JetFile(const QString& path) : h_(std::make_unique<Handle>()) {
    // Opened for reading only: the file is never written.
    h_->mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
    if (!h_->mdb) throw JetError{QStringLiteral("its header is damaged or of a version the reader does not know")};
    // The library keeps its own bind size, for which its catalog's buffers are made; the
    // tables' values are read from their own bytes (JetValue). Only the tables are listed:
    // the library takes apart the property block of every object it lists, following the
    // block's own lengths, and the one other block the reader needs (the database's own
    // properties) is checked before it is taken apart. The listing follows the addresses in
    // the list of objects, and takes apart the property blocks of the tables: all of them
    // are checked first.
    CheckObjectList(h_->mdb);
    if (!mdb_read_catalog(h_->mdb, MDB_TABLE)) throw JetError{QStringLiteral("its catalog of tables cannot be read")};
}

JetFile::~JetFile() = default;

std::vector<QString> JetFile::UserTables() const {
    std::vector<QString> names;
    GPtrArray* catalog = h_->mdb->catalog;
    for (guint i = 0; catalog && i < catalog->len; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(catalog, i));
        if (entry->object_type == MDB_TABLE && mdb_is_user_table(entry)) names.push_back(NameOf(entry->object_name));
    }
    return names;
}

void JetFile::ReadTable(const QString& name, const std::function<void(const JetTable&)>& design,
                        const std::function<void(const QVariantList&)>& row) const {
    MdbHandle* mdb = h_->mdb;
    JetTable table;
    MdbTableDef* def = ReadDesign(mdb, name, table);
    const guint n = def->columns->len;
    std::vector<MdbField> fields(n);
    try {
        design(table);
        // No column is bound: the library then makes no text of any value, and each value
        // is taken from its own bytes below.
        CheckDataPages(mdb, def, QStringLiteral("table %1").arg(name));
        mdb_rewind_table(def);
        long rows = 0;
        while (mdb_fetch_row(def)) {
            if (++rows > kMostRows) throw JetError{QStringLiteral("table %1 has no end").arg(name)};
            // The row just fetched is on the page libmdb holds; cracking it again gives each
            // value's own bytes and its null bit, which the texts libmdb makes of numbers
            // (rounded) and of Null (empty, like an empty text) do not.
            int start = 0;
            size_t size = 0;
            if (mdb_find_row(mdb, static_cast<int>(def->cur_row) - 1, &start, &size) != 0 ||
                mdb_crack_row(def, start & 0x1fff, size, fields.data()) < 0) {
                throw JetError{QStringLiteral("a row of table %1 is damaged").arg(name)};
            }
            QVariantList values(static_cast<qsizetype>(n));
            for (guint i = 0; i < n; ++i) {
                const MdbField& field = fields[i];
                if (field.colnum < 0 || static_cast<guint>(field.colnum) >= n)
                    throw JetError{QStringLiteral("a row of table %1 is damaged").arg(name)};
                auto* col = static_cast<MdbColumn*>(g_ptr_array_index(def->columns, static_cast<guint>(field.colnum)));
                values[field.colnum] = JetValue(mdb, col, field);
            }
            row(values);
        }
        // The table's definition states how many rows it holds: a row the library passed
        // over (on a damaged page, or one it could not take apart) is a loss to be told.
        if (rows < static_cast<long>(def->num_rows))
            throw JetError{QStringLiteral("table %1 states %2 rows, but only %3 of them can be read: a page holding its "
                                          "rows is damaged")
                               .arg(name)
                               .arg(def->num_rows)
                               .arg(rows)};
    } catch (...) {
        mdb_free_tabledef(def);
        throw;
    }
    mdb_free_tabledef(def);
}
