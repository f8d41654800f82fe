#include "JetValues.h"

#include "JetFile.h"
#include "JetLongValues.h"

#include <QByteArray>
#include <cstdint>
#include <cstring>

namespace {

// The bytes of a fixed-size field, which must lie whole on the page.
const unsigned char* FixedBytes(MdbHandle* mdb, const MdbField& field, int size, const MdbColumn* col) {
    const long page = static_cast<long>(mdb->fmt->pg_size);
    if (field.siz != size || field.start < 0 || field.start + size > page)
        throw JetError{QStringLiteral("a value of column %1 does not fit its type").arg(QString::fromUtf8(col->name))};
    return static_cast<const unsigned char*>(field.value);
}

template <typename T>
T Little(const unsigned char* p) {
    T v;
    std::memcpy(&v, p, sizeof v);  // Jet files are little-endian, as this machine
    return v;
}

}  // namespace

QString SqlTypeOf(int jetType) {
    switch (jetType) {
    case MDB_INT: return QStringLiteral("SMALLINT");
    case MDB_BOOL:
    case MDB_BYTE:
    case MDB_LONGINT: return QStringLiteral("INTEGER");
    case MDB_FLOAT:
    case MDB_DOUBLE:
    case MDB_MONEY:
    case MDB_NUMERIC:
    case MDB_DATETIME: return QStringLiteral("REAL");
    case MDB_BINARY:
    case MDB_OLE: return QStringLiteral("BLOB");
    default: return QStringLiteral("TEXT");
    }
}

QVariant JetValue(MdbHandle* mdb, MdbColumn* col, const MdbField& field) {
    // A Yes/No column keeps its value in the null bit: set is Yes, which the original's
    // engine reads as -1.
    if (col->col_type == MDB_BOOL) return field.is_null ? 0 : -1;
    if (field.is_null) return QVariant();
    switch (col->col_type) {
    case MDB_BYTE: return static_cast<int>(*FixedBytes(mdb, field, 1, col));
    case MDB_INT: return static_cast<int>(Little<int16_t>(FixedBytes(mdb, field, 2, col)));
    case MDB_LONGINT: return static_cast<int>(Little<int32_t>(FixedBytes(mdb, field, 4, col)));
    case MDB_FLOAT: return static_cast<double>(Little<float>(FixedBytes(mdb, field, 4, col)));
    case MDB_DOUBLE:
    case MDB_DATETIME: return Little<double>(FixedBytes(mdb, field, 8, col));
    case MDB_MONEY: return static_cast<double>(Little<int64_t>(FixedBytes(mdb, field, 8, col))) / 10000.0;
    case MDB_NUMERIC: {
        FixedBytes(mdb, field, 17, col);
        char* text = mdb_numeric_to_string(mdb, field.start, col->col_scale, col->col_prec);
        const QVariant v = text ? QVariant(QString::fromUtf8(text).toDouble()) : QVariant();
        g_free(text);
        return v;
    }
    case MDB_REPID: {
        FixedBytes(mdb, field, 16, col);
        char* text = mdb_uuid_to_string(mdb->pg_buf, field.start);
        const QVariant v = text ? QVariant(QString::fromUtf8(text)) : QVariant();
        g_free(text);
        return v;
    }
    case MDB_TEXT: {
        const long page = static_cast<long>(mdb->fmt->pg_size);
        if (field.siz < 0 || field.start < 0 || field.start + field.siz > page)
            throw JetError{QStringLiteral("a text of column %1 lies outside its page").arg(QString::fromUtf8(col->name))};
        // An empty text is not Null.
        return JetText(mdb, reinterpret_cast<const char*>(mdb->pg_buf) + field.start, field.siz);
    }
    case MDB_MEMO: {
        const QByteArray bytes = LongValueBytes(mdb, col, field.start, field.siz);
        return JetText(mdb, bytes.constData(), bytes.size());
    }
    case MDB_OLE: return LongValueBytes(mdb, col, field.start, field.siz);
    case MDB_BINARY: {
        const long page = static_cast<long>(mdb->fmt->pg_size);
        if (field.siz < 0 || field.start < 0 || field.start + field.siz > page)
            throw JetError{QStringLiteral("a value of column %1 lies outside its page").arg(QString::fromUtf8(col->name))};
        return QByteArray(static_cast<const char*>(field.value), field.siz);
    }
    default: return QVariant();  // a kind no recipe column has (attachments, multi-values)
    }
}
