#pragma once
// demo-extra-jet4.mdb with the column a site added, OperatorNotes.Note, made a memo column
// that holds given bytes the ways Access keeps a memo: in the row, in one row of a
// long-value page, or in a chain of such rows over pages added at the end of the file; and
// such a chain damaged: its last row missing, the one before it ending the chain, naming
// the first row again, naming a row the first page does not hold or a page past the end
// of the file; and a memo on one long-value page that lies past the end of the file.
#include <QByteArray>
#include <QtEndian>
#include <cstdint>

enum class MemoKept {
    InRow,
    OnePage,
    Chain,
    ChainEndsEarly,
    ChainLoops,
    ChainToAMissingRow,
    ChainPastTheEnd,
    OnePagePastTheEnd
};

namespace jetmemo {

constexpr int kPage = 4096;
// Where demo-extra-jet4.mdb keeps the column and the table's one row.
constexpr int kNoteTypeAt = 79 * kPage + 0x64;     // the type byte of Note's column entry
constexpr int kNoteCellAt = 82 * kPage + 0xfd1 + 6;  // Note's bytes in the row
constexpr int kNoteCellSize = 34;                    // "coating chamber B" in UTF-16
constexpr char kText = 0x0a, kMemo = 0x0c;
// A long-value page: its head, then one row at the end of the page.
constexpr int kPageHead = 16;
// A row of a chain starts with the next row's address (page << 8 | row; 0 for none).
constexpr int kChainPiece = kPage - kPageHead - 4;
// A page far past the end of the file.
constexpr uint32_t kPastTheEnd = 0xffff;

inline void Put32(QByteArray& b, int at, uint32_t v) { qToLittleEndian(v, b.data() + at); }

// A long-value page holding row as its one row.
inline QByteArray LongValuePage(const QByteArray& row) {
    QByteArray page(kPage, '\0');
    page[0] = 1;  // a data page...
    page[1] = 1;
    page.replace(4, 4, "LVAL");  // ...of long values
    qToLittleEndian<uint16_t>(static_cast<uint16_t>(kPage - kPageHead - row.size()), page.data() + 2);
    qToLittleEndian<uint16_t>(1, page.data() + 12);  // rows on the page
    qToLittleEndian<uint16_t>(static_cast<uint16_t>(kPage - row.size()), page.data() + 14);
    page.replace(kPage - row.size(), row.size(), row);
    return page;
}

}  // namespace jetmemo

// The file, or an empty array when demo-extra-jet4.mdb is not as this expects. In the row
// the bytes must fill the cell: 22 bytes.
inline QByteArray WithMemo(const QByteArray& demoExtra, const QByteArray& bytes, MemoKept kept) {
    using namespace jetmemo;
    QByteArray b = demoExtra;
    const QString note = QStringLiteral("coating chamber B");
    if (b.size() % kPage != 0 || b.size() < 84 * kPage || b[kNoteTypeAt] != kText ||
        b.mid(kNoteCellAt, kNoteCellSize) != QByteArray(reinterpret_cast<const char*>(note.utf16()), kNoteCellSize))
        return QByteArray();
    b[kNoteTypeAt] = kMemo;
    QByteArray head(12, '\0');
    const int firstPage = static_cast<int>(b.size() / kPage);
    const auto length = static_cast<uint32_t>(bytes.size());
    switch (kept) {
    case MemoKept::InRow:
        if (bytes.size() != kNoteCellSize - 12) return QByteArray();
        Put32(head, 0, 0x80000000u | length);
        head += bytes;
        break;
    case MemoKept::OnePage:
        Put32(head, 0, 0x40000000u | length);
        Put32(head, 4, static_cast<uint32_t>(firstPage) << 8);
        b += LongValuePage(bytes);
        break;
    case MemoKept::OnePagePastTheEnd:
        Put32(head, 0, 0x40000000u | length);
        Put32(head, 4, kPastTheEnd << 8);
        break;
    case MemoKept::Chain:
    case MemoKept::ChainEndsEarly:
    case MemoKept::ChainLoops:
    case MemoKept::ChainToAMissingRow:
    case MemoKept::ChainPastTheEnd: {
        Put32(head, 0, length);
        Put32(head, 4, static_cast<uint32_t>(firstPage) << 8);
        const int pieces = static_cast<int>((bytes.size() + kChainPiece - 1) / kChainPiece);
        // Damaged, the chain lacks its last row: it ends there, goes back to its first, or
        // goes to row 1 of its first page (which holds one) or past the end of the file.
        const int rows = kept == MemoKept::Chain ? pieces : pieces - 1;
        for (int i = 0; i < rows; ++i) {
            QByteArray row(4, '\0');
            if (i + 1 < rows) Put32(row, 0, static_cast<uint32_t>(firstPage + i + 1) << 8);
            else if (kept == MemoKept::ChainLoops) Put32(row, 0, static_cast<uint32_t>(firstPage) << 8);
            else if (kept == MemoKept::ChainToAMissingRow) Put32(row, 0, static_cast<uint32_t>(firstPage) << 8 | 1);
            else if (kept == MemoKept::ChainPastTheEnd) Put32(row, 0, kPastTheEnd << 8);
            row += bytes.mid(static_cast<qsizetype>(i) * kChainPiece, kChainPiece);
            b += LongValuePage(row);
        }
        break;
    }
    }
    b.replace(kNoteCellAt, kNoteCellSize, head.leftJustified(kNoteCellSize, '\0'));
    return b;
}
