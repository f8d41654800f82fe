// The grid's shape, cell texts, formats and its drop-down list; the editing lives in
// TarselGridEditing.cpp. The heading row and caption column are ordinary cells of the
// table (model row 0 / column 0 when present), so they take texts, colours and fonts like
// every other cell; the table's own headers are hidden.
#include "platform/TarselGrid.h"

#include "platform/RuntimeError.h"
#include "platform/TarselGridDelegate.h"
#include "platform/Twips.h"
#include "platform/VbColor.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cmath>

namespace {

RuntimeError badIndex() { return {381, QStringLiteral("Invalid property array index")}; }
RuntimeError badValue() { return {380, QStringLiteral("Invalid property value")}; }

uint32_t variantColor(const QVariant& v) { return v.value<uint32_t>(); }

}  // namespace

TarselGrid::TarselGrid(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    table_ = new QTableWidget(this);
    layout->addWidget(table_);

    table_->horizontalHeader()->hide();
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setMinimumSectionSize(1);
    table_->verticalHeader()->setDefaultSectionSize(DefaultRowHeight);
    table_->horizontalHeader()->setMinimumSectionSize(1);
    table_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table_->setFrameShape(QFrame::NoFrame);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    table_->setTabKeyNavigation(false);
    table_->setAutoScroll(false);
    table_->setWordWrap(false);
    table_->setFocusPolicy(Qt::StrongFocus);
    table_->setItemDelegate(new TarselGridDelegate(table_));
    table_->viewport()->setMouseTracking(true);
    table_->viewport()->installEventFilter(this);
    table_->installEventFilter(this);
    setFocusProxy(table_);

    rebuildShape();
}

TarselGrid::~TarselGrid() {
    destroying_ = true;
    table_->removeEventFilter(this);
    table_->viewport()->removeEventFilter(this);
    if (QWidget* w = editor()) w->removeEventFilter(this);
}

// ---------------------------------------------------------------- addressing

void TarselGrid::checkRow(int row) const {
    if (row < -fixedRows_ || row >= rows_) throw badIndex();
}

void TarselGrid::checkCol(int col) const {
    if (col < -fixedCols_ || col >= cols_) throw badIndex();
}

void TarselGrid::checkCell(int row, int col) const {
    checkRow(row);
    checkCol(col);
}

QTableWidgetItem* TarselGrid::item(int row, int col) const {
    checkCell(row, col);
    return table_->item(modelRow(row), modelCol(col));
}

// ---------------------------------------------------------------- shape

void TarselGrid::rebuildShape() {
    const int mRows = fixedRows_ + rows_;
    const int mCols = fixedCols_ + cols_;
    table_->setRowCount(mRows);
    table_->setColumnCount(mCols);
    rowAttr_.resize(size_t(mRows));
    colAttr_.resize(size_t(mCols));
    if (curRow_ >= rows_ || curCol_ >= cols_) curRow_ = curCol_ = -1;  // the current cell is gone
    for (int r = 0; r < mRows; ++r)
        for (int c = 0; c < mCols; ++c)
            if (!table_->item(r, c)) {
                auto* it = new QTableWidgetItem;
                it->setFlags(Qt::ItemIsEnabled);
                table_->setItem(r, c, it);
                applyFormat(r, c);
            }
    applyWidths();
    updateGeometry();
}

void TarselGrid::setRows(int rows) {
    if (rows < 0) throw badValue();
    if (editing_ && editRow_ >= rows) closeEditor(true);
    rows_ = rows;
    rebuildShape();
}

void TarselGrid::setCols(int cols) {
    if (cols < 0) throw badValue();
    if (editing_ && editCol_ >= cols) closeEditor(true);
    cols_ = cols;
    rebuildShape();
}

void TarselGrid::setFixedRows(int n) {
    if (n < 0 || n > 1) throw badValue();
    if (n == fixedRows_) return;
    EndEdit();
    if (n == 0) {
        table_->removeRow(0);
        rowAttr_.erase(rowAttr_.begin());
    } else {
        table_->insertRow(0);
        rowAttr_.insert(rowAttr_.begin(), RowAttr{});
    }
    fixedRows_ = n;
    rebuildShape();
    for (int c = 0; c < table_->columnCount(); ++c) applyFormat(0, c);
}

void TarselGrid::setFixedCols(int n) {
    if (n < 0 || n > 1) throw badValue();
    if (n == fixedCols_) return;
    EndEdit();
    if (n == 0) {
        table_->removeColumn(0);
        colAttr_.erase(colAttr_.begin());
    } else {
        table_->insertColumn(0);
        colAttr_.insert(colAttr_.begin(), ColAttr{});
    }
    fixedCols_ = n;
    rebuildShape();
    for (int r = 0; r < table_->rowCount(); ++r) applyFormat(r, 0);
}

// The table reads 0 for a hidden row; the grid keeps the row's own height for it, since
// windows size a grid from the height of a row they hid.
int TarselGrid::RowHeight(int row) const {
    checkRow(row);
    const int mr = modelRow(row);
    if (table_->isRowHidden(mr)) {
        const int h = rowAttr_[size_t(mr)].hiddenHeight;
        return h >= 0 ? h : table_->verticalHeader()->defaultSectionSize();
    }
    return table_->rowHeight(mr);
}

void TarselGrid::setRowHeight(int row, int pixels) {
    checkRow(row);
    if (pixels < 0) throw badValue();
    const int mr = modelRow(row);
    if (table_->isRowHidden(mr)) rowAttr_[size_t(mr)].hiddenHeight = pixels;
    table_->setRowHeight(mr, pixels);
    placeEditor();
    updateGeometry();
}

void TarselGrid::ShowRow(int row) {
    checkRow(row);
    const int mr = modelRow(row);
    if (table_->isRowHidden(mr)) {
        table_->setRowHidden(mr, false);
        const int h = rowAttr_[size_t(mr)].hiddenHeight;
        if (h >= 0) table_->setRowHeight(mr, h);
        rowAttr_[size_t(mr)].hiddenHeight = -1;
    }
    placeEditor();
    updateGeometry();
}

// An edit open in the row is cancelled: what was typed into a row the user can no longer
// see must not reach its record at some later commit.
void TarselGrid::HideRow(int row) {
    checkRow(row);
    const int mr = modelRow(row);
    if (editing_ && editRow_ == row) closeEditor(false);
    if (!table_->isRowHidden(mr)) {
        rowAttr_[size_t(mr)].hiddenHeight = table_->rowHeight(mr);
        table_->setRowHidden(mr, true);
    }
    placeEditor();
    updateGeometry();
}

bool TarselGrid::RowVisible(int row) const {
    checkRow(row);
    return !table_->isRowHidden(modelRow(row));
}

// Column edges are placed at the rounded running sum of the percentages, so the widths
// add up to the grid's width without a drifting remainder.
void TarselGrid::applyWidths() {
    const int total = table_->viewport()->width();
    const int n = table_->columnCount();
    if (n == 0) return;
    double explicitSum = 0;
    int unset = 0;
    for (const ColAttr& a : colAttr_) {
        if (a.width >= 0) explicitSum += a.width;
        else ++unset;
    }
    const double share = unset ? std::max(0.0, 100.0 - explicitSum) / unset : 0;
    double cum = 0;
    int prevEdge = 0;
    for (int c = 0; c < n; ++c) {
        cum += colAttr_[size_t(c)].width >= 0 ? colAttr_[size_t(c)].width : share;
        const int edge = int(std::lround(cum * total / 100.0));
        table_->setColumnWidth(c, std::max(0, edge - prevEdge));
        prevEdge = std::max(prevEdge, edge);
    }
    placeEditor();
}

double TarselGrid::ColWidth(int col) const {
    checkCol(col);
    const double w = colAttr_[size_t(modelCol(col))].width;
    if (w >= 0) return w;
    const int total = table_->viewport()->width();
    return total > 0 ? 100.0 * table_->columnWidth(modelCol(col)) / total : 0;
}

void TarselGrid::setColWidth(int col, double percent) {
    checkCol(col);
    if (percent < 0) throw badValue();
    colAttr_[size_t(modelCol(col))].width = percent;
    applyWidths();
}

int TarselGrid::ColAlignment(int col) const {
    checkCol(col);
    return std::max(0, colAttr_[size_t(modelCol(col))].alignment);
}

void TarselGrid::setColAlignment(int col, int alignment) {
    checkCol(col);
    if (alignment < 0 || alignment > 2) throw badValue();
    const int mc = modelCol(col);
    colAttr_[size_t(mc)].alignment = alignment;
    for (int r = 0; r < table_->rowCount(); ++r) table_->item(r, mc)->setData(RoleAlign, QVariant());
    applyColFormat(mc);
}

uint32_t TarselGrid::ColBackColor(int col) const {
    checkCol(col);
    const ColAttr& a = colAttr_[size_t(modelCol(col))];
    return a.hasBack ? a.back : uint32_t(vbWindowBackground);
}

void TarselGrid::setColBackColor(int col, uint32_t color) {
    checkCol(col);
    const int mc = modelCol(col);
    colAttr_[size_t(mc)].back = color;
    colAttr_[size_t(mc)].hasBack = true;
    for (int r = fixedRows_; r < table_->rowCount(); ++r) table_->item(r, mc)->setData(RoleBack, QVariant());
    applyColFormat(mc);
}

int TarselGrid::ColStyle(int col) const {
    checkCol(col);
    return colAttr_[size_t(modelCol(col))].style;
}

void TarselGrid::setColStyle(int col, int style) {
    checkCol(col);
    const int mc = modelCol(col);
    colAttr_[size_t(mc)].style = style;
    if (style == tgColReadOnly && editing_ && editCol_ == col) closeEditor(true);
}

// ---------------------------------------------------------------- cells

QString TarselGrid::CellText(int row, int col) const {
    QTableWidgetItem* it = item(row, col);
    if (editing_ && editOpenFor(row, col)) return editText_;
    return it->text();
}

void TarselGrid::setCellText(int row, int col, const QString& text) {
    QTableWidgetItem* it = item(row, col);
    it->setText(text);
    it->setData(RoleProgramText, text);
    if (editOpenFor(row, col)) {
        editText_ = text;
        editOriginal_ = text;  // a cancel returns to what the program wrote last
        if (lineEditor_) lineEditor_->setText(text);  // setText raises no textEdited
    }
}

QString TarselGrid::CellProgramText(int row, int col) const {
    return item(row, col)->data(RoleProgramText).toString();
}

int TarselGrid::CellAlignment(int row, int col) const {
    const QVariant v = item(row, col)->data(RoleAlign);
    return v.isValid() ? v.toInt() : ColAlignment(col);
}

void TarselGrid::setCellAlignment(int row, int col, int alignment) {
    if (alignment < 0 || alignment > 2) throw badValue();
    item(row, col)->setData(RoleAlign, alignment);
    applyFormat(modelRow(row), modelCol(col));
}

bool TarselGrid::CellFontBold(int row, int col) const { return item(row, col)->data(RoleBold).toBool(); }

void TarselGrid::setCellFontBold(int row, int col, bool bold) {
    item(row, col)->setData(RoleBold, bold);
    applyFormat(modelRow(row), modelCol(col));
}

bool TarselGrid::CellStrikeThrough(int row, int col) const { return item(row, col)->data(RoleStrike).toBool(); }

void TarselGrid::setCellStrikeThrough(int row, int col, bool on) {
    item(row, col)->setData(RoleStrike, on);
    applyFormat(modelRow(row), modelCol(col));
}

int TarselGrid::CellEditor(int row, int col) const { return item(row, col)->data(RoleEditor).toInt(); }

void TarselGrid::setCellEditor(int row, int col, int editor) {
    item(row, col)->setData(RoleEditor, editor);
    if (editing_ && editOpenFor(row, col) && !isEditable(row, col)) closeEditor(true);
    applyFormat(modelRow(row), modelCol(col));
}

int TarselGrid::CellStyle(int row, int col) const { return item(row, col)->data(RoleStyle).toInt(); }

void TarselGrid::setCellStyle(int row, int col, int style) {
    item(row, col)->setData(RoleStyle, style);
    applyFormat(modelRow(row), modelCol(col));
}

uint32_t TarselGrid::CellBackColor(int row, int col) const {
    const QVariant v = item(row, col)->data(RoleBack);
    if (v.isValid()) return variantColor(v);
    const int mr = modelRow(row), mc = modelCol(col);
    if (isFixed(mr, mc)) return vbButtonFace;
    return ColBackColor(col);
}

void TarselGrid::setCellBackColor(int row, int col, uint32_t color) {
    item(row, col)->setData(RoleBack, QVariant::fromValue(color));
    applyFormat(modelRow(row), modelCol(col));
}

uint32_t TarselGrid::CellForeColor(int row, int col) const {
    const QVariant v = item(row, col)->data(RoleFore);
    if (v.isValid()) return variantColor(v);
    const int mr = modelRow(row), mc = modelCol(col);
    if (isFixed(mr, mc)) return vbButtonText;
    const RowAttr& a = rowAttr_[size_t(mr)];
    return a.hasFore ? a.fore : uint32_t(vbWindowText);
}

void TarselGrid::setCellForeColor(int row, int col, uint32_t color) {
    item(row, col)->setData(RoleFore, QVariant::fromValue(color));
    applyFormat(modelRow(row), modelCol(col));
}

void TarselGrid::setRowForeColor(int row, uint32_t color) {
    checkRow(row);
    const int mr = modelRow(row);
    rowAttr_[size_t(mr)].fore = color;
    rowAttr_[size_t(mr)].hasFore = true;
    for (int mc = fixedCols_; mc < table_->columnCount(); ++mc) table_->item(mr, mc)->setData(RoleFore, QVariant());
    applyRowFormat(mr);
}

bool TarselGrid::RowHighlight(int row) const {
    checkRow(row);
    return rowAttr_[size_t(modelRow(row))].highlight;
}

void TarselGrid::setRowHighlight(int row, bool on) {
    checkRow(row);
    rowAttr_[size_t(modelRow(row))].highlight = on;
    applyRowFormat(modelRow(row));
}

void TarselGrid::applyRowFormat(int mr) {
    for (int mc = 0; mc < table_->columnCount(); ++mc) applyFormat(mr, mc);
}

void TarselGrid::applyColFormat(int mc) {
    for (int mr = 0; mr < table_->rowCount(); ++mr) applyFormat(mr, mc);
}

// Turns the stored codes of one cell into what the table paints.
void TarselGrid::applyFormat(int mr, int mc) {
    QTableWidgetItem* it = table_->item(mr, mc);
    if (!it) return;
    const int row = mr - fixedRows_, col = mc - fixedCols_;
    const bool fixed = isFixed(mr, mc);
    const bool highlight = !fixed && rowAttr_[size_t(mr)].highlight;

    QColor back = VbColor(CellBackColor(row, col));
    QColor fore = VbColor(CellForeColor(row, col));
    if (highlight) {
        back = VbColor(vbHighlight);
        fore = VbColor(vbHighlightText);
    }
    it->setBackground(back.isValid() ? QBrush(back) : QBrush());
    it->setForeground(fore.isValid() ? QBrush(fore) : QBrush());

    Qt::Alignment h = Qt::AlignLeft;
    switch (CellAlignment(row, col)) {
    case tgAlignCenter: h = Qt::AlignHCenter; break;
    case tgAlignRight: h = Qt::AlignRight; break;
    default: break;
    }
    it->setTextAlignment(h | Qt::AlignVCenter);

    QFont f = table_->font();
    f.setBold(it->data(RoleBold).toBool());
    f.setStrikeOut(it->data(RoleStrike).toBool());
    it->setFont(f);
    it->setData(RoleFixed, fixed);
    it->setData(RoleButton, !fixed && (it->data(RoleEditor).toInt() == tgEditButton ||
                                       it->data(RoleStyle).toInt() == tgCellButton));
}

// ---------------------------------------------------------------- the list

void TarselGrid::ClearList() {
    list_.clear();
    listIndex_ = -1;
    listNewIndex_ = -1;
    syncListEditor();
}

void TarselGrid::AddListItem(const QString& text) {
    list_.push_back({text, 0});
    listNewIndex_ = int(list_.size()) - 1;
    syncListEditor();
}

void TarselGrid::setListIndex(int index) {
    if (index < -1 || index >= int(list_.size())) throw badValue();
    listIndex_ = index;
    if (editOpenFor(editRow_, editCol_) && CellEditor(editRow_, editCol_) == tgEditList) {
        editText_ = index >= 0 ? list_[size_t(index)].text : QString();
        listIndexOriginal_ = index;
    }
    syncListEditor();
}

QString TarselGrid::ListItem(int index) const {
    if (index < 0 || index >= int(list_.size())) throw badValue();
    return list_[size_t(index)].text;
}

int TarselGrid::ListItemData(int index) const {
    if (index < 0 || index >= int(list_.size())) throw badValue();
    return list_[size_t(index)].data;
}

void TarselGrid::setListItemData(int index, int data) {
    if (index < 0 || index >= int(list_.size())) throw badValue();
    list_[size_t(index)].data = data;
}

// ---------------------------------------------------------------- the control

void TarselGrid::setToolTipText(const QString& text) { toolTip_ = text; }

double TarselGrid::Height() const { return PixelsToTwipsY(height()); }

void TarselGrid::setHeight(double twips) { setFixedHeight(std::max(0, TwipsToPixelsY(twips))); }

double TarselGrid::Top() const { return PixelsToTwipsY(y()); }

void TarselGrid::setTop(double twips) { move(x(), TwipsToPixelsY(twips)); }

QWidget* TarselGrid::viewport() const { return table_->viewport(); }

QRect TarselGrid::cellRect(int row, int col) const {
    checkCell(row, col);
    return table_->visualRect(table_->model()->index(modelRow(row), modelCol(col)));
}

QWidget* TarselGrid::editor() const {
    if (lineEditor_) return lineEditor_;
    if (listEditor_) return listEditor_;
    return nullptr;
}

QSize TarselGrid::sizeHint() const {
    int h = 0;
    for (int r = 0; r < table_->rowCount(); ++r)
        if (!table_->isRowHidden(r)) h += table_->rowHeight(r);
    return {300, h};
}

bool TarselGrid::cellAt(const QPoint& pos, int& row, int& col) const {
    const int mr = table_->rowAt(pos.y());
    const int mc = table_->columnAt(pos.x());
    if (mr < 0 || mc < 0) return false;
    row = mr - fixedRows_;
    col = mc - fixedCols_;
    return true;
}
