#include "JetAddresses.h"

#include "JetFile.h"

#include <unordered_set>

namespace {

// The kinds of page the checks tell apart, by their first byte.
constexpr unsigned char kDesignPage = 0x02;
constexpr unsigned char kMapPage = 0x05;
// A row's place on its page, and its flag of a deleted row.
constexpr int kPlaceBits = 0x1fff;
constexpr int kDeleted = 0x4000;
// More than any table can have: beyond them a count is damage, and the library would read
// its design on through page after page.
constexpr int kMostColumns = 255;
constexpr guint32 kMostIndexes = 255;
// A long value's head: its kinds in the top bits of its first word, and where it goes on.
constexpr guint32 kInRow = 0x80000000u;
constexpr guint32 kOnePage = 0x40000000u;
constexpr guint32 kChainFlags = 0xf0000000u;
constexpr int kChainLink = 4;  // each row of a chain starts with the address of the next

guint32 Word(const QByteArray& bytes, int at) {
    return static_cast<guint32>(mdb_get_int32(const_cast<char*>(bytes.constData()), at));
}
int Half(const QByteArray& bytes, int at) { return mdb_get_int16(const_cast<char*>(bytes.constData()), at); }

// The page as libmdb reads it (deciphered where the file is enciphered); empty when the
// file holds no whole page of that number. Read into the library's spare page buffer,
// which it uses only within one call of its own.
QByteArray Page(MdbHandle* mdb, unsigned long page) {
    if (page == 0 || mdb_read_alt_pg(mdb, page) != mdb->fmt->pg_size) return QByteArray();
    return QByteArray(reinterpret_cast<const char*>(mdb->alt_pg_buf), static_cast<qsizetype>(mdb->fmt->pg_size));
}

QString PastTheEnd(unsigned long page) {
    return page == 0 ? QStringLiteral("page 0, the file's header")
                     : QStringLiteral("page %1, past the end of the file").arg(page);
}

}  // namespace

QByteArray CheckedRow(MdbHandle* mdb, guint32 pgRow, int least, const QString& what) {
    const unsigned long page = pgRow >> 8;
    const int row = static_cast<int>(pgRow & 0xff);
    const QByteArray bytes = Page(mdb, page);
    if (bytes.isEmpty()) throw JetError{QStringLiteral("%1 names a row of %2").arg(what, PastTheEnd(page))};
    const QString named = QStringLiteral("%1 names row %2 of page %3").arg(what).arg(row).arg(page);
    if (static_cast<unsigned char>(bytes[0]) != MDB_PAGE_DATA)
        throw JetError{QStringLiteral("%1, which is no page of rows").arg(named)};
    const int size = static_cast<int>(bytes.size());
    const int counted = mdb->fmt->row_count_offset;
    const int rows = Half(bytes, counted);
    const int tableEnd = counted + 2 + 2 * rows;  // the row table: a count, then each row's place
    if (row >= rows) throw JetError{QStringLiteral("%1, which has no such row (it holds %2)").arg(named).arg(rows)};
    if (tableEnd > size)
        throw JetError{QStringLiteral("%1, whose count of rows (%2) does not fit it").arg(named).arg(rows)};
    // Rows lie from the page's end down: a row ends where the one before it starts.
    const int place = Half(bytes, counted + 2 + 2 * row);
    const int start = place & kPlaceBits;
    const int end = row == 0 ? size : Half(bytes, counted + 2 * row) & kPlaceBits;
    if (place & kDeleted) throw JetError{QStringLiteral("%1, which is deleted").arg(named)};
    if (start < tableEnd || end > size || start > end)
        throw JetError{
            QStringLiteral("%1, whose bytes (%2 to %3) lie outside its page").arg(named).arg(start).arg(end)};
    if (end - start < least)
        throw JetError{
            QStringLiteral("%1, which is %2 bytes long, too short for what it holds").arg(named).arg(end - start)};
    return bytes.mid(start, end - start);
}

void CheckTableDesign(MdbHandle* mdb, unsigned long page, const QString& subject) {
    const MdbFormatConstants* fmt = mdb->fmt;
    const auto refuse = [&](const QString& what) {
        return JetError{QStringLiteral("%1 cannot be read: %2").arg(subject, what)};
    };
    const QByteArray bytes = Page(mdb, page);
    if (bytes.isEmpty()) throw refuse(QStringLiteral("its design should be on %1").arg(PastTheEnd(page)));
    if (static_cast<unsigned char>(bytes[0]) != kDesignPage)
        throw refuse(QStringLiteral("its design should be on page %1, which holds no table design").arg(page));
    const QString design = QStringLiteral("its design (page %1)").arg(page);
    const int columns = Half(bytes, fmt->tab_num_cols_offset);
    const guint32 indexes = Word(bytes, fmt->tab_num_ridxs_offset);
    if (columns < 1 || columns > kMostColumns)
        throw refuse(QStringLiteral("%1 states %2 columns").arg(design).arg(columns));
    if (indexes > kMostIndexes) throw refuse(QStringLiteral("%1 states %2 indexes").arg(design).arg(indexes));

    // The design goes on over pages of its own when it is long.
    std::unordered_set<guint32> passed{static_cast<guint32>(page)};
    for (guint32 next = Word(bytes, 4); next != 0;) {
        const QByteArray more = Page(mdb, next);
        if (more.isEmpty()) throw refuse(QStringLiteral("%1 goes on to %2").arg(design, PastTheEnd(next)));
        if (static_cast<unsigned char>(more[0]) != kDesignPage)
            throw refuse(QStringLiteral("%1 goes on to page %2, which holds no table design").arg(design).arg(next));
        if (!passed.insert(next).second)
            throw refuse(QStringLiteral("%1 goes on to page %2, which it passed already").arg(design).arg(next));
        next = Word(more, 4);
    }

    const QString in = QStringLiteral("(in its design on page %1)").arg(page);
    const auto checkedRow = [&](int at, const QString& what) {
        try {
            return CheckedRow(mdb, Word(bytes, at), 1, QStringLiteral("%1 %2").arg(what, in));
        } catch (const JetError& e) {
            throw refuse(e.cause);
        }
    };
    checkedRow(fmt->tab_free_map_offset, QStringLiteral("its map of free space"));
    const QByteArray map = checkedRow(fmt->tab_usage_map_offset, QStringLiteral("its map of pages"));
    // A map of the second kind names the pages that hold its bits; the first kind holds
    // them itself, and the library walks a map of a kind it does not know by reading every
    // page of the file (the count of the table's rows tells what that misses).
    if (map[0] != 1) return;
    for (int at = 1; at + 4 <= map.size(); at += 4) {
        const guint32 mapPage = Word(map, at);
        if (mapPage == 0) continue;
        const QByteArray bits = Page(mdb, mapPage);
        if (bits.isEmpty())
            throw refuse(QStringLiteral("its map of pages %1 goes on to %2").arg(in, PastTheEnd(mapPage)));
        if (static_cast<unsigned char>(bits[0]) != kMapPage)
            throw refuse(
                QStringLiteral("its map of pages %1 goes on to page %2, which is no map page").arg(in).arg(mapPage));
    }
}

void CheckDataPages(MdbHandle* mdb, MdbTableDef* def, const QString& what) {
    const bool knownKind = def->map_sz > 0 && (def->usage_map[0] == 0 || def->usage_map[0] == 1);
    // The pages come in rising order, so the walk ends.
    for (guint32 page = 0;;) {
        const gint32 next = mdb_map_find_next(mdb, def->usage_map, static_cast<unsigned>(def->map_sz), page);
        if (next == 0 || (next < 0 && !knownKind)) return;
        // A map of a known kind whose pages run past what a page number holds.
        if (next < 0 || static_cast<guint32>(next) <= page)
            throw JetError{QStringLiteral("the map of pages of %1 names pages past the end of the file").arg(what)};
        page = static_cast<guint32>(next);
        if (mdb_read_pg(mdb, page) != mdb->fmt->pg_size)
            throw JetError{QStringLiteral("the map of pages of %1 names %2").arg(what, PastTheEnd(page))};
        if (mdb->pg_buf[0] != MDB_PAGE_DATA ||
            static_cast<unsigned long>(mdb_get_int32(mdb->pg_buf, 4)) != def->entry->table_pg)
            throw JetError{QStringLiteral("page %1, which holds rows of %2, is damaged").arg(page).arg(what)};
    }
}

void CheckLongValue(MdbHandle* mdb, const char* head, const QString& what) {
    const auto word = static_cast<guint32>(mdb_get_int32(const_cast<char*>(head), 0));
    const auto first = static_cast<guint32>(mdb_get_int32(const_cast<char*>(head), 4));
    if (word & kInRow) return;
    if (word & kOnePage) {
        CheckedRow(mdb, first, 0, what);
        return;
    }
    if (word & kChainFlags) throw JetError{QStringLiteral("%1 is of a kind the reader does not know").arg(what)};
    std::unordered_set<guint32> passed;
    for (guint32 at = first; at != 0;) {
        if (!passed.insert(at).second)
            throw JetError{QStringLiteral("%1 comes back to row %2 of page %3").arg(what).arg(at & 0xff).arg(at >> 8)};
        at = Word(CheckedRow(mdb, at, kChainLink, what), 0);
    }
}
