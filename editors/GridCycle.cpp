#include "editors/GridCycle.h"

#include "app/cErrHandler.h"
#include "app/modTextBox.h"
#include "platform/Dialogs.h"
#include "platform/TarselGrid.h"
#include "platform/Twips.h"
#include "platform/VbColor.h"

#include <cmath>

const QString kTimeMessage = QStringLiteral("Valid Time values are hh:mm:ss from 00:00:00 to 23:59:59");

QString SecondsText(double seconds) { return vb::Format(seconds / 86400.0, QStringLiteral("hh:mm:ss")); }

GridRow NumberRow(const QString& caption, const QString& units, const QString& hint, std::function<double()> get,
                  std::function<void(double)> set, const QString& showFormat, double low, double high,
                  const QString& message) {
    GridRow r;
    r.kind = GridRow::Number;
    r.caption = caption;
    r.units = units;
    r.hint = hint;
    r.get = std::move(get);
    r.set = std::move(set);
    r.show = [get = r.get, showFormat]() -> std::optional<QString> {
        return showFormat.isEmpty() ? vb::CStr(get()) : vb::Format(get(), showFormat);
    };
    r.accepts = [low, high](double v) { return v >= low && v <= high; };
    r.message = [message] { return message; };
    return r;
}

GridRow TimeRow(const QString& caption, const QString& units, const QString& hint, std::function<double()> get,
                std::function<void(double)> set) {
    GridRow r;
    r.kind = GridRow::Time;
    r.caption = caption;
    r.units = units;
    r.hint = hint;
    r.get = std::move(get);
    r.set = std::move(set);
    r.show = [get = r.get]() -> std::optional<QString> { return SecondsText(get()); };
    return r;
}

GridRow ChoiceRow(const QString& caption, const QString& hint, const QStringList& items, int offset,
                  std::function<double()> get, std::function<void(double)> set,
                  std::function<std::optional<QString>()> show) {
    GridRow r;
    r.kind = GridRow::Choice;
    r.caption = caption;
    r.hint = hint;
    r.editor = 5;
    r.items = items;
    r.offset = offset;
    r.get = std::move(get);
    r.set = std::move(set);
    r.show = std::move(show);
    return r;
}

GridRow TextRow(const QString& caption, const QString& hint, std::function<QString()> get,
                std::function<void(const QString&)> set) {
    GridRow r;
    r.kind = GridRow::Text;
    r.caption = caption;
    r.hint = hint;
    r.getText = std::move(get);
    r.setText = std::move(set);
    r.show = [get = r.getText]() -> std::optional<QString> { return get(); };
    return r;
}

// ---------------------------------------------------------------- the cycle

GridCycle::GridCycle(TarselGrid* grid, Names names, QObject* parent)
    : QObject(parent), grid_(grid), names_(std::move(names)) {
    connect(grid_, &TarselGrid::CellOver, this, &GridCycle::CellOver);
    connect(grid_, &TarselGrid::BeforeEdit, this, &GridCycle::BeforeEdit);
    connect(grid_, &TarselGrid::KeyPress, this, &GridCycle::KeyPress, Qt::DirectConnection);
    connect(grid_, &TarselGrid::LostFocus, this, &GridCycle::LostFocus);
    connect(grid_, &TarselGrid::AfterEdit, this, &GridCycle::AfterEdit);
}

void GridCycle::Setup(const QString& corner, double captionWidth, double valueWidth, double unitsWidth) {
    TarselGrid& g = *grid_;
    const bool units = unitsWidth >= 0;
    // Each row is one quantity: a refused list text names the row.
    g.setListNames(TarselGrid::ListNameFromRowCaption);
    g.setFixedRows(1);
    g.setFixedCols(1);
    g.setCols(units ? 2 : 1);
    g.setColWidth(-1, captionWidth);
    g.setColWidth(0, valueWidth);
    g.setColAlignment(0, tgAlignRight);
    if (units) {
        g.setColWidth(1, unitsWidth);
        g.setColAlignment(1, tgAlignRight);
        g.setColBackColor(1, vbButtonFace);
        g.setColStyle(1, tgColReadOnly);
    }
    for (int c = 0; c < g.Cols(); ++c) {
        g.setCellAlignment(-1, c, tgAlignCenter);
        g.setCellFontBold(-1, c, true);
    }
    g.setCellFontBold(-1, -1, true);
    g.setCellText(-1, -1, corner);
    g.setCellText(-1, 0, QStringLiteral("Value"));
    if (units) g.setCellText(-1, 1, QStringLiteral("Units"));
    g.setRows(int(rows.size()));
    const int rowHeight = g.Rows() > 0 ? g.RowHeight(0) : g.RowHeight(-1);
    g.setHeight(rowHeight * (g.Rows() + 1) * TwipsPerPixelY());
    for (int i = 0; i < int(rows.size()); ++i) {
        const GridRow& r = rows[size_t(i)];
        g.setCellText(i, -1, r.caption);
        if (r.alignment >= 0) g.setCellAlignment(i, 0, r.alignment);
        g.setCellEditor(i, 0, r.editor);
        if (units) g.setCellText(i, 1, r.units);
    }
}

// The list position of a choice row's stored code; -1 (no item) for a code the list
// does not hold.
int GridCycle::codeOf(const GridRow& r) const {
    const double code = r.get() - r.offset;
    if (!std::isfinite(code) || code < -1 || code > r.items.size()) return -1;
    const int index = vb::CLng(code);
    return index < r.items.size() ? index : -1;
}

void GridCycle::Load() {
    std::optional<ProcTrace> trace;
    if (!names_.load.isEmpty()) trace.emplace(gErr, names_.load);
    try {
        if (loading) loading();
        for (int i = 0; i < int(rows.size()); ++i) {
            const GridRow& r = rows[size_t(i)];
            if (r.show)
                if (const auto text = r.show()) grid_->setCellText(i, 0, *text);
            if (r.showUnits && grid_->Cols() > 1)
                if (const auto text = r.showUnits()) grid_->setCellText(i, 1, *text);
        }
        // An open list follows the record of its row.
        const int cur = grid_->CurrentRow();
        if (hasRow(cur) && rows[size_t(cur)].kind == GridRow::Choice && listRow_ == cur) {
            const int code = codeOf(rows[size_t(cur)]);
            if (code < grid_->ListCount()) grid_->setListIndex(code);
        }
    } catch (...) {
        gErr.HandleError();
    }
}

void GridCycle::CellOver(int Row, int /*Col*/) { grid_->setToolTipText(hasRow(Row) ? rows[size_t(Row)].hint : QString()); }

void GridCycle::BeforeEdit(int Row, int Col) {
    if (Row < 0 || Col != 0) return;
    std::optional<ProcTrace> trace;
    if (!names_.beforeEdit.isEmpty()) trace.emplace(gErr, names_.beforeEdit);
    if (!hasRow(Row)) return;
    try {
        const GridRow& r = rows[size_t(Row)];
        if (r.kind == GridRow::Choice) {
            grid_->ClearList();
            for (const QString& item : r.items) grid_->AddListItem(item);
            listRow_ = Row;
            grid_->setListIndex(codeOf(r));
        } else {
            // The shown text is selected with the caret at its end: what is typed replaces
            // it, while End or Backspace still edit it.
            grid_->setEditSelStart(0);
            grid_->setEditSelLength(int(grid_->CellText(Row, 0).size()));
        }
    } catch (...) {
        gErr.HandleError();
    }
}

void GridCycle::KeyPress(int& KeyAscii) {
    if (KeyAscii != 13 || !grid_->IsEditing()) return;
    AfterEdit(grid_->CurrentRow(), grid_->CurrentCol());
    grid_->EndEdit();
}

void GridCycle::LostFocus() {
    AfterEdit(grid_->CurrentRow(), grid_->CurrentCol());
    grid_->EndEdit();
}

void GridCycle::Refuse(int Row, const QString& message, const QString& reshow) {
    MsgBox(message, vbOKOnly);
    grid_->setCellText(Row, 0, reshow);
    grid_->RefreshCell(Row, 0);
}

QString GridCycle::RefusalOf(const GridRow& r) const {
    const QString message = r.message ? r.message() : QString();
    return message.isEmpty() ? QStringLiteral("Valid ") + r.caption + QStringLiteral(" values are numbers.") : message;
}

QString GridCycle::ReshowOf(const GridRow& r) const {
    return r.reshow ? r.reshow() : vb::Format(r.get(), QStringLiteral("0.0"));
}

std::optional<double> GridCycle::TypedNumber(int Row) {
    const std::optional<double> v = modTextBox::TypedNumber(grid_->CellText(Row, 0));
    if (!v) {
        const GridRow& r = rows[size_t(Row)];
        Refuse(Row, RefusalOf(r), ReshowOf(r));
    }
    return v;
}

bool GridCycle::CommitNumber(int Row) {
    const GridRow& r = rows[size_t(Row)];
    const std::optional<double> v = TypedNumber(Row);
    if (!v) return false;
    if (*v == 0 && !r.zeroText.isEmpty()) grid_->setCellText(Row, 0, r.zeroText);
    if (!r.accepts || r.accepts(*v)) {
        r.set(*v);
        return true;
    }
    Refuse(Row, RefusalOf(r), ReshowOf(r));
    return false;
}

// Every error on the way (a text that is no time of day, a number of seconds that is no
// number or below 0, seconds beyond the field's range) is trapped: the field keeps its
// value and the time message follows.
bool GridCycle::CommitTime(int Row) {
    const GridRow& r = rows[size_t(Row)];
    try {
        const QString text = grid_->CellText(Row, 0);
        double seconds = 0;
        if (text.contains(QLatin1Char(':'))) {
            seconds = vb::TimeValue(text) * 86400.0;
        } else {
            const std::optional<double> typed = modTextBox::TypedNumber(text);
            if (!typed || *typed < 0) {
                Refuse(Row, kTimeMessage, SecondsText(r.get()));
                return false;
            }
            seconds = *typed;
        }
        r.set(seconds);
        grid_->setCellText(Row, 0, SecondsText(r.get()));
        return true;
    } catch (...) {
        Refuse(Row, kTimeMessage, SecondsText(r.get()));
        return false;
    }
}

void GridCycle::AfterEdit(int Row, int Col) {
    if (Row < 0 || Col != 0) return;
    std::optional<ProcTrace> trace;
    if (!names_.afterEdit.isEmpty()) trace.emplace(gErr, names_.afterEdit);
    if (!hasRow(Row)) return;
    try {
        const GridRow& r = rows[size_t(Row)];
        if (r.kind == GridRow::Button) return;
        // Nothing to commit: a choice row whose list another row filled (or with no item
        // chosen), or a cell that still shows what the program wrote.
        if (r.kind == GridRow::Choice ? listRow_ != Row || grid_->ListIndex() < 0 : !grid_->CellEdited(Row, 0))
            return;
        if (r.commit) {
            r.commit(Row);
        } else {
            bool stored = true;
            switch (r.kind) {
            case GridRow::Number: stored = CommitNumber(Row); break;
            case GridRow::Time: stored = CommitTime(Row); break;
            case GridRow::Choice: r.set(grid_->ListIndex() + r.offset); break;
            case GridRow::Text: r.setText(grid_->CellText(Row, 0)); break;
            case GridRow::Button: break;
            }
            if (stored && r.stored) r.stored();
        }
        // The cell now shows what the record holds: a later commit of it has nothing new.
        grid_->setCellText(Row, 0, grid_->CellText(Row, 0));
        if (committed) committed();
    } catch (...) {
        gErr.HandleError();
    }
}
