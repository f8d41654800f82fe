// The cells of the recipe database that a load could not read, kept in mind until they
// are read again, changed in the program, or another file is opened.
#include "data/UnreadCells.h"
#include "data/modDB.h"
#include "platform/Dialogs.h"

#include <QDir>
#include <QHash>
#include <QSet>
#include <algorithm>
#include <exception>
#include <vector>

namespace modDB {

namespace {

// More than this many cells in one message are counted, not listed.
constexpr int kMostListed = 20;

struct Unread {
    RowKey row;
    QString column;
    QVariant stored;
    QVariant taken;
    QString meaning;
};

struct State {
    QHash<QString, Unread> cells;  // by Id
    QSet<QString> told;
    std::vector<QString> toTell;  // in the order they were found
    QHash<QString, QVariant> defaults;  // "file|table|column" -> the design's default
};

State& state() {
    static State s;
    return s;
}

QString RowId(const RowKey& row) { return row.table.toLower() + QLatin1Char('|') + QString::number(row.key); }
QString Id(const RowKey& row, const QString& column) { return RowId(row) + QLatin1Char('|') + column.toLower(); }

QString RecordText(const RowKey& row) {
    return row.keyColumn.isEmpty() ? QStringLiteral("its first record")
                                   : QStringLiteral("record %1 %2").arg(row.keyColumn).arg(row.key);
}

QString StoredText(const QVariant& stored) {
    if (stored.isNull()) return QStringLiteral("no value");
    if (stored.typeId() == QMetaType::QByteArray) {
        const qsizetype n = stored.toByteArray().size();
        return QStringLiteral("a binary value of %1 %2").arg(n).arg(n == 1 ? QStringLiteral("byte") : QStringLiteral("bytes"));
    }
    QString text = stored.toString();
    if (text.size() > 40) text = text.left(40) + QStringLiteral("...");
    return QLatin1Char('"') + text + QLatin1Char('"');
}

}  // namespace

bool IsConversionError(const RuntimeError& e) { return e.number == 13 || e.number == 6 || e.number == 94; }

QVariant DesignDefault(const QString& table, const QString& column) {
    const QString key = gDB.Name() + QLatin1Char('|') + table.toLower() + QLatin1Char('|') + column.toLower();
    const auto found = state().defaults.constFind(key);
    if (found != state().defaults.cend()) return *found;
    QVariant value;
    try {
        for (dao::Recordset rs = gDB.OpenRecordset(QStringLiteral("PRAGMA table_info(\"%1\")").arg(table)); !rs.Eof();
             rs.MoveNext()) {
            if (rs.Fields(QStringLiteral("name")).Value().toString().compare(column, Qt::CaseInsensitive) != 0) continue;
            const QVariant sql = rs.Fields(QStringLiteral("dflt_value")).Value();
            // The default is an expression of the design (a number, a quoted text).
            if (!sql.isNull())
                value = gDB.OpenRecordset(QStringLiteral("SELECT %1 AS v").arg(sql.toString())).Fields(QStringLiteral("v")).Value();
            break;
        }
    } catch (const RuntimeError&) {
        value = QVariant();
    }
    state().defaults.insert(key, value);
    return value;
}

void CellNotRead(const RowKey& row, const QString& column, const QVariant& stored, const QVariant& taken,
                 const QString& meaning) {
    const QString id = Id(row, column);
    state().cells.insert(id, {row, column, stored, taken, meaning});
    if (!state().told.contains(id)) {
        state().told.insert(id);
        state().toTell.push_back(id);
    }
}

void CellKept(const RowKey& row, const QString& column, const QVariant& taken) {
    state().cells.insert(Id(row, column), {row, column, QVariant(), taken, QString()});
}

bool StillUnread(const RowKey& row, const QString& column, const QVariant& value) {
    const auto found = state().cells.constFind(Id(row, column));
    return found != state().cells.cend() && found->taken == value;
}

bool LeaveUnread(const RowKey& row, const QString& column, const QVariant& value) {
    const auto found = state().cells.find(Id(row, column));
    if (found == state().cells.end()) return false;
    if (found->taken == value) return true;
    state().cells.erase(found);  // changed in the program: written, and read from now on
    return false;
}

bool IsUnread(const RowKey& row, const QString& column) { return state().cells.contains(Id(row, column)); }

void ForgetUnreadRow(const RowKey& row) {
    const QString prefix = RowId(row) + QLatin1Char('|');
    state().cells.removeIf([&](const auto& cell) { return cell.key().startsWith(prefix); });
}

void ForgetUnreadCells(const QStringList& tables) {
    for (const QString& table : tables) {
        const QString prefix = table.toLower() + QLatin1Char('|');
        state().cells.removeIf([&](const auto& cell) { return cell.key().startsWith(prefix); });
        state().told.removeIf([&](const QString& id) { return id.startsWith(prefix); });
    }
}

namespace {
int gLoadsOpen = 0;
}  // namespace

TellUnreadOnce::TellUnreadOnce() { ++gLoadsOpen; }

TellUnreadOnce::~TellUnreadOnce() {
    // A program on its way out (a critical error) tells nothing more.
    if (--gLoadsOpen > 0 || std::uncaught_exceptions() > 0) return;
    try {
        TellUnreadCells();
    } catch (...) {
        // A box that cannot be shown tells nothing; the cells stay in mind.
    }
}

void TellUnreadCells() {
    std::vector<QString> ids;
    ids.swap(state().toTell);
    // Named table by table as they were found, record by record in the order of their keys:
    // a load that hands its values over after reading them all finds a refused value after
    // the cells of later records that could not be read.
    QHash<QString, int> tableRank;
    for (const QString& id : ids) {
        const auto cell = state().cells.constFind(id);
        if (cell != state().cells.cend() && !tableRank.contains(cell->row.table))
            tableRank.insert(cell->row.table, static_cast<int>(tableRank.size()));
    }
    const auto place = [&](const QString& id) {
        const auto cell = state().cells.constFind(id);
        return cell == state().cells.cend() ? std::pair{-1, 0} : std::pair{tableRank.value(cell->row.table), cell->row.key};
    };
    std::stable_sort(ids.begin(), ids.end(), [&](const QString& a, const QString& b) { return place(a) < place(b); });
    QStringList lines;
    for (const QString& id : ids) {
        const auto cell = state().cells.constFind(id);
        if (cell == state().cells.cend()) continue;
        if (lines.size() == kMostListed) {
            lines << QStringLiteral("and %1 more.").arg(static_cast<qsizetype>(ids.size()) - kMostListed);
            break;
        }
        QString line = QStringLiteral("table %1, %2, column %3: %4")
                           .arg(cell->row.table, RecordText(cell->row), cell->column, StoredText(cell->stored));
        if (!cell->meaning.isEmpty()) line += QStringLiteral(" - ") + cell->meaning;
        lines << line;
    }
    if (lines.isEmpty()) return;
    MsgBox(QStringLiteral("Values in the recipe database %1 cannot be read. Each has taken its default, and the "
                          "file keeps what it holds there until the value is changed in the program:")
                   .arg(QDir::toNativeSeparators(gDB.Name())) +
               QStringLiteral("\r\n") + lines.join(QStringLiteral("\r\n")),
           vbExclamation);
}

struct UnreadCellsKept::Kept {
    State state;
};

UnreadCellsKept::UnreadCellsKept() : kept_(std::make_unique<Kept>(Kept{state()})) {}

UnreadCellsKept::~UnreadCellsKept() = default;

void UnreadCellsKept::PutBack() const { state() = kept_->state; }

}  // namespace modDB
