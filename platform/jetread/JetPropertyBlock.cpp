#include "JetPropertyBlock.h"

#include <QtEndian>
#include <cstring>
#include <mdbtools.h>

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

}  // namespace

// The block: its kind ("KKD" or "MR2"), then records of a 32-bit length and a 16-bit
// type; a record of names holds 16-bit lengths each with its text, a record of values a
// 32-bit length, a 16-bit length with the set's name, then entries of a 16-bit length, a
// type byte at 3 and a 16-bit value size at 6 before the value at 8.
bool PropertyBlockFits(const QByteArray& block, int pageSize) {
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

