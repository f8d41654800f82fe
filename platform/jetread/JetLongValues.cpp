#include "JetLongValues.h"

#include "JetAddresses.h"
#include "JetFile.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>
#include <vector>

namespace {

// The head's first word: the value's length, with its kind in the two top bits.
constexpr guint32 kInRow = 0x80000000u;
constexpr guint32 kOnePage = 0x40000000u;
constexpr guint32 kLengthBits = 0x3fffffffu;
// Each row of a chain starts with the address of the next.
constexpr int kChainLink = 4;

QString ValueOf(const MdbColumn* col) {
    return QStringLiteral("the memo or object in column %1").arg(QString::fromUtf8(col->name));
}

JetError Damaged(const MdbColumn* col) { return JetError{QStringLiteral("%1 is damaged").arg(ValueOf(col))}; }

// libmdb copies each piece of a long value into the column's bound buffer; the buffer is
// lent to it for one value and the column's own binding given back afterwards.
class LentBuffer {
public:
    LentBuffer(MdbColumn* col, size_t size) : col_(col), saved_(col->bind_ptr), buffer_(size) {
        col_->bind_ptr = buffer_.data();
    }
    ~LentBuffer() { col_->bind_ptr = saved_; }
    LentBuffer(const LentBuffer&) = delete;
    LentBuffer& operator=(const LentBuffer&) = delete;
    const char* data() const { return buffer_.data(); }
    size_t size() const { return buffer_.size(); }

private:
    MdbColumn* col_;
    void* saved_;
    std::vector<char> buffer_;
};

}  // namespace

QByteArray LongValueBytes(MdbHandle* mdb, MdbColumn* col, int start, int size) {
    if (size < MDB_MEMO_OVERHEAD) return QByteArray();
    const int page = static_cast<int>(mdb->fmt->pg_size);
    if (start < 0 || start > page - size)
        throw JetError{QStringLiteral("a value of column %1 lies outside its page").arg(QString::fromUtf8(col->name))};
    char head[MDB_MEMO_OVERHEAD];
    std::memcpy(head, mdb->pg_buf + start, sizeof head);
    const auto word = static_cast<guint32>(mdb_get_int32(head, 0));
    const qsizetype length = (word & kInRow) ? size - MDB_MEMO_OVERHEAD : static_cast<qsizetype>(word & kLengthBits);

    // No piece is longer than a page: the value in the row, or one row of a long-value page.
    LentBuffer piece(col, static_cast<size_t>(page));
    col->cur_value_start = start;
    col->cur_value_len = size;
    col->cur_blob_pg_row = 0;  // the library sets it for a chain; never one of a value before
    QByteArray bytes;
    const auto take = [&](size_t n) { bytes.append(piece.data(), static_cast<qsizetype>(std::min(n, piece.size()))); };
    // Each row of a chain names the next; a damaged one may name a row already read.
    // Every row the library is sent to is checked to be there first.
    const auto first = static_cast<guint32>(mdb_get_int32(head, 4));
    const bool chain = (word & (kInRow | kOnePage)) == 0;
    if (!(word & kInRow)) CheckedRow(mdb, first, chain ? kChainLink : 0, ValueOf(col));
    std::unordered_set<guint32> passed{first};
    take(mdb_ole_read(mdb, col, head, piece.size()));
    if (chain) {
        while (bytes.size() < length && col->cur_blob_pg_row != 0) {
            if (!passed.insert(col->cur_blob_pg_row).second) throw Damaged(col);
            CheckedRow(mdb, col->cur_blob_pg_row, kChainLink, ValueOf(col));
            const size_t n = mdb_ole_read_next(mdb, col, head);
            if (n == 0) break;
            take(n);
        }
    }
    if (bytes.size() < length) throw Damaged(col);
    bytes.truncate(length);
    return bytes;
}

QString JetText(MdbHandle* mdb, const char* bytes, qsizetype size) {
    if (size <= 0) return QStringLiteral("");
    // A byte or a UTF-16 unit of the file is at most three bytes of UTF-8: the text never
    // meets the end of its buffer.
    std::vector<char> text(static_cast<size_t>(size) * 3 + 1, '\0');
    const int n = mdb_unicode2ascii(mdb, bytes, static_cast<size_t>(size), text.data(), text.size());
    const size_t made = std::min(static_cast<size_t>(std::max(n, 0)), text.size() - 1);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(qstrnlen(text.data(), made)));
}
