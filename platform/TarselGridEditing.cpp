// The grid's edit cycle: opening and closing the cell editors, the keys, the mouse and
// the focus. Each open, close and reopen of an editor advances editGen_, so code that
// raised an event can tell whether the handler changed the edit meanwhile (ended it, or
// reopened a cell) and then leaves the edit as the handler left it.
#include "platform/TarselGrid.h"

#include "platform/Dialogs.h"
#include "platform/TarselGridDelegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTableWidget>
#include <QToolTip>

namespace {

// The character code of a key as the original's KeyPress saw it; -1 for keys that are
// not characters (arrows, function keys).
int asciiOf(const QKeyEvent* ev) {
    switch (ev->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Tab: return 9;
    default: break;
    }
    const QString t = ev->text();
    if (t.size() == 1 && t.at(0).unicode() >= 1 && t.at(0).unicode() < 256) return t.at(0).unicode();
    return -1;
}

}  // namespace

bool TarselGrid::isEditable(int row, int col) const {
    if (row < 0 || col < 0 || row >= rows_ || col >= cols_) return false;
    if (table_->isRowHidden(modelRow(row))) return false;
    if (colAttr_[size_t(modelCol(col))].style == tgColReadOnly) return false;
    const int ed = CellEditor(row, col);
    return ed == tgEditText || ed == tgEditList;
}

bool TarselGrid::editOpenFor(int row, int col) const {
    return (editing_ || opening_) && row == editRow_ && col == editCol_;
}

void TarselGrid::setCurrentCell(int row, int col) {
    checkCell(row, col);
    if (row < 0 || col < 0) return;  // heading cells are never current
    if (editing_ && !editOpenFor(row, col)) closeEditor(true);
    curRow_ = row;
    curCol_ = col;
    table_->setCurrentCell(modelRow(row), modelCol(col), QItemSelectionModel::NoUpdate);
}

// BeforeEdit runs before the editor exists: the handler fills the list, sets ListIndex or
// the caret, and the editor opens on what it left.
bool TarselGrid::startEdit(int row, int col, bool byMouse) {
    if (!isEditable(row, col)) return false;
    if (editing_) {
        if (editOpenFor(row, col)) return true;
        closeEditor(true);
    }
    curRow_ = row;
    curCol_ = col;
    table_->setCurrentCell(modelRow(row), modelCol(col), QItemSelectionModel::NoUpdate);
    editRow_ = row;
    editCol_ = col;
    editText_ = table_->item(modelRow(row), modelCol(col))->text();
    editOriginal_ = editText_;
    selStart_ = -1;
    selLength_ = 0;
    opening_ = true;
    const int gen = ++editGen_;
    emit BeforeEdit(row, col);
    if (gen != editGen_ || !opening_) return editing_;  // the handler ended or moved the edit
    opening_ = false;
    if (!isEditable(row, col)) return false;
    editing_ = true;
    listIndexOriginal_ = listIndex_;
    openEditor(byMouse);
    return true;
}

void TarselGrid::openEditor(bool byMouse) {
    QWidget* w = nullptr;
    if (CellEditor(editRow_, editCol_) == tgEditList) {
        listEditor_ = new QComboBox(table_->viewport());
        listEditor_->setFrame(false);
        syncListEditor();
        // activated is raised for the user's pick only
        connect(listEditor_, &QComboBox::activated, this, [this](int index) {
            if (editing_) pickListItem(index);
        });
        // Typing into the list that dropped down goes into the cell as well.
        listEditor_->view()->installEventFilter(this);
        w = listEditor_;
    } else {
        lineEditor_ = new QLineEdit(table_->viewport());
        lineEditor_->setFrame(false);
        lineEditor_->setText(editText_);
        lineEditor_->setAlignment(Qt::Alignment(table_->item(modelRow(editRow_), modelCol(editCol_))->textAlignment()));
        const int start = selStart_ >= 0 ? std::min<int>(selStart_, editText_.size()) : 0;
        const int length = selStart_ >= 0 ? std::min<int>(selLength_, editText_.size() - start) : editText_.size();
        lineEditor_->setSelection(start, length);
        if (length == 0) lineEditor_->setCursorPosition(start);
        connect(lineEditor_, &QLineEdit::textEdited, this, [this](const QString& text) {
            // textEdited is raised for the user's typing only, never for setText
            if (!editing_) return;
            editText_ = text;
            emit TextChange(editRow_, editCol_);
        });
        w = lineEditor_;
    }
    w->setMouseTracking(true);  // CellOver while the pointer is over the editor
    w->installEventFilter(this);
    placeEditor();
    w->show();
    w->setFocus(Qt::OtherFocusReason);
    // A list opened by a click drops down when the button is released: opened at the
    // press, the release would land in the list and pick an item.
    popupOnRelease_ = byMouse && listEditor_;
}

void TarselGrid::placeEditor() {
    QWidget* w = editor();
    if (!w || !editing_) return;
    w->setGeometry(table_->visualRect(table_->model()->index(modelRow(editRow_), modelCol(editCol_))));
}

void TarselGrid::syncListEditor() {
    if (!listEditor_) return;
    {
        const QSignalBlocker block(listEditor_);
        listEditor_->clear();
        for (const ListEntry& e : list_) listEditor_->addItem(e.text);
    }
    showListTyped();
}

// A pick replaces whatever was typed.
void TarselGrid::pickListItem(int index) {
    listTyped_.clear();
    const bool changed = index >= 0 && index < int(list_.size()) && index != listIndex_;
    if (changed) {
        listIndex_ = index;
        editText_ = list_[size_t(index)].text;
    }
    showListTyped();
    if (changed) emit TextChange(editRow_, editCol_);
}

// The editor shows the item picked, or, while there is one, the typed text in its place
// (the item stays picked until the text is taken).
void TarselGrid::showListTyped() {
    if (!listEditor_) return;
    const QSignalBlocker block(listEditor_);
    listEditor_->setPlaceholderText(listTyped_);
    listEditor_->setCurrentIndex(listTyped_.isEmpty() ? listIndex_ : -1);
}

// True when nothing was typed or the text is an item (now picked); false when the text
// was refused and the edit cancelled.
bool TarselGrid::takeListTyped() {
    if (!listEditor_ || !editing_ || listTyped_.isEmpty()) return true;
    const QString typed = listTyped_.trimmed();
    listTyped_.clear();
    for (int i = 0; i < int(list_.size()); ++i) {
        if (list_[size_t(i)].text.trimmed().compare(typed, Qt::CaseInsensitive) == 0) {
            pickListItem(i);
            return true;
        }
    }
    const QString name = listNames_ == ListNameFromRowCaption ? CellText(editRow_, -1) : CellText(-1, editCol_);
    closeEditor(false);
    MsgBox(ListRefusal(name), vbOKOnly);
    return false;
}

QString TarselGrid::ListRefusal(const QString& name) const {
    QStringList items;
    bool numbers = true;
    for (const ListEntry& e : list_) {
        items << e.text.trimmed();
        bool isNumber = false;
        items.back().toDouble(&isNumber);
        numbers = numbers && isNumber;
    }
    QString values = QStringLiteral("the items of its list");
    if (items.size() > 3 && numbers) {
        values = items.front() + QStringLiteral(" to ") + items.back();
    } else if (items.size() == 1) {
        values = items.front();
    } else if (items.size() >= 2 && items.size() <= 9) {
        values = QStringList(items.begin(), items.end() - 1).join(QStringLiteral(", ")) + QStringLiteral(" or ") +
                 items.back();
    }
    return QStringLiteral("Valid ") + name.trimmed() + QStringLiteral(" values are ") + values + '.';
}

void TarselGrid::storeEditedText() {
    if (editRow_ < 0 || editRow_ >= rows_ || editCol_ < 0 || editCol_ >= cols_) return;
    table_->item(modelRow(editRow_), modelCol(editCol_))->setText(editText_);
}

// Closes the editor; the cell keeps the editor's text, or, when cancelled, its text (and
// the list its index) from when the editor opened or the program last wrote them. Never
// raises AfterEdit.
void TarselGrid::closeEditor(bool keepText) {
    if (!editing_ && !opening_) return;
    ++editGen_;
    const bool wasEditing = editing_;
    editing_ = false;
    opening_ = false;
    listTyped_.clear();
    if (!wasEditing) return;
    if (!keepText) {
        editText_ = editOriginal_;
        if (listEditor_) listIndex_ = listIndexOriginal_;
    }
    storeEditedText();
    QWidget* w = editor();
    lineEditor_ = nullptr;
    listEditor_ = nullptr;
    if (w) {
        // Move the focus back to the table first, so closing the editor does not send it
        // out of the grid (which would be a LostFocus). While a message box holds the focus
        // the editor is still the window's focus widget: the table takes that place, so the
        // focus comes back to the grid, not to the window's first control.
        QWidget* windowFocus = window()->focusWidget();
        if (w->hasFocus() || w->isAncestorOf(QApplication::focusWidget()) || windowFocus == w ||
            w->isAncestorOf(windowFocus))
            table_->setFocus(Qt::OtherFocusReason);
        w->removeEventFilter(this);
        if (auto* list = qobject_cast<QComboBox*>(w)) list->view()->removeEventFilter(this);
        w->hide();
        w->deleteLater();
    }
}

void TarselGrid::EndEdit() { closeEditor(true); }

void TarselGrid::StartEdit(int row, int col) {
    checkCell(row, col);
    if (editing_ || opening_) closeEditor(true);
    startEdit(row, col, false);
}

// The grid's own commit: AfterEdit while the editor's text still reads, then the editor
// closes unless the handler ended the edit or reopened a cell itself.
void TarselGrid::commitEdit() {
    if (!editing_ || !takeListTyped()) return;
    const int gen = editGen_;
    emit AfterEdit(editRow_, editCol_);
    if (editing_ && gen == editGen_) closeEditor(true);
}

void TarselGrid::RefreshCell(int row, int col) {
    checkCell(row, col);
    if (editing_ && editOpenFor(row, col)) {
        if (lineEditor_) {
            lineEditor_->setText(editText_);
            lineEditor_->setCursorPosition(editText_.size());
        }
        syncListEditor();
    }
    table_->viewport()->update(cellRect(row, col));
}

int TarselGrid::EditSelStart() const {
    if (lineEditor_) return lineEditor_->hasSelectedText() ? lineEditor_->selectionStart() : lineEditor_->cursorPosition();
    return std::max(0, selStart_);
}

void TarselGrid::setEditSelStart(int position) {
    if (position < 0) position = 0;
    selStart_ = position;
    selLength_ = 0;
    if (lineEditor_) lineEditor_->setCursorPosition(std::min<int>(position, lineEditor_->text().size()));
}

int TarselGrid::EditSelLength() const {
    if (lineEditor_) return lineEditor_->selectedText().size();
    return selLength_;
}

void TarselGrid::setEditSelLength(int length) {
    if (length < 0) length = 0;
    selLength_ = length;
    if (selStart_ < 0) selStart_ = 0;
    if (lineEditor_) {
        const int start = std::min<int>(selStart_, lineEditor_->text().size());
        lineEditor_->setSelection(start, std::min<int>(length, lineEditor_->text().size() - start));
    }
}

// Moves the current cell over the visible data cells (arrow keys).
void TarselGrid::moveCurrent(int dRow, int dCol) {
    if (rows_ == 0 || cols_ == 0) return;
    int r = curRow_ < 0 ? 0 : curRow_;
    int c = curCol_ < 0 ? 0 : std::clamp(curCol_ + dCol, 0, cols_ - 1);
    if (dRow != 0) {
        for (int next = r + dRow; next >= 0 && next < rows_; next += dRow)
            if (!table_->isRowHidden(modelRow(next))) {
                r = next;
                break;
            }
    }
    setCurrentCell(r, c);
}

bool TarselGrid::tableKeyPress(QKeyEvent* ev) {
    switch (ev->key()) {
    case Qt::Key_Up: moveCurrent(-1, 0); return true;
    case Qt::Key_Down: moveCurrent(1, 0); return true;
    case Qt::Key_Left: moveCurrent(0, -1); return true;
    case Qt::Key_Right: moveCurrent(0, 1); return true;
    case Qt::Key_F2: startEdit(curRow_, curCol_, false); return true;
    default: break;
    }
    const int ascii = asciiOf(ev);
    if (ascii < 0 || ascii == 9) return false;  // Tab moves the focus on
    int key = ascii;
    emit KeyPress(key);
    if (key >= 32 && !editing_ && isEditable(curRow_, curCol_) &&
        CellEditor(curRow_, curCol_) == tgEditText && startEdit(curRow_, curCol_, false) && lineEditor_) {
        // Typing on a text cell opens its editor and the character goes in at the caret
        // (the editor's textEdited raises the TextChange).
        lineEditor_->insert(QString(QChar(key)));
    }
    return true;
}

bool TarselGrid::editorKeyPress(QKeyEvent* ev) {
    if ((ev->key() == Qt::Key_Tab || ev->key() == Qt::Key_Backtab) &&
        !(ev->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        // Tab leaves the grid for the next control (Shift+Tab the one before): a focus-out
        // like any other, so LostFocus and the commit follow.
        focusNeighbour(ev->key() == Qt::Key_Tab && !(ev->modifiers() & Qt::ShiftModifier));
        return true;
    }
    if (lineEditor_ && (ev->key() == Qt::Key_Up || ev->key() == Qt::Key_Down)) {
        const int d = ev->key() == Qt::Key_Up ? -1 : 1;
        commitEdit();
        if (!editing_) moveCurrent(d, 0);
        return true;
    }
    if (listEditor_ && !listTyped_.isEmpty()) {
        switch (ev->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_F4:
            // Stepping through the list (or opening it) starts from the item picked.
            listTyped_.clear();
            showListTyped();
            return false;
        default: break;
        }
    }
    const int ascii = asciiOf(ev);
    if (ascii < 0 || ascii == 9) return false;
    // Enter takes the typed text first: the handler's commit then sees the item it named.
    if (ascii == 13 && !takeListTyped()) return true;
    int key = ascii;
    emit KeyPress(key);
    if (key == 0 || !editing_) return true;  // consumed, or the handler ended the edit
    if (key == 13) {
        commitEdit();
        return true;
    }
    if (key == 27) {
        closeEditor(false);
        return true;
    }
    if (listEditor_) {
        // Typing never searches the list: the text waits for the commit.
        if (ev->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) return false;
        if (key == 32 && listTyped_.isEmpty()) return false;  // the space still drops the list down
        if (key == 8) listTyped_.chop(1);
        else if (key >= 32 && key != 127) listTyped_ += QChar(key);
        else return true;
        showListTyped();
        return true;
    }
    if (key != ascii && lineEditor_) {
        // The handler replaced the character (the editor's textEdited raises the TextChange).
        if (key >= 32) lineEditor_->insert(QString(QChar(key)));
        return true;
    }
    return false;
}

bool TarselGrid::mousePress(QMouseEvent* ev) {
    if (ev->button() != Qt::LeftButton) return true;
    int row = 0, col = 0;
    if (!cellAt(ev->position().toPoint(), row, col)) return true;
    if (row < 0 || col < 0) {
        emit CellClick(row, col);
        return true;
    }
    if (editing_ && !editOpenFor(row, col)) {
        commitEdit();
        if (editing_) return true;  // the handler kept an edit open
    }
    if (!editing_) {
        setCurrentCell(row, col);
        table_->setFocus(Qt::MouseFocusReason);
    }
    const int gen = editGen_;
    emit CellClick(row, col);
    if (!editing_ && gen == editGen_ && curRow_ == row && curCol_ == col) startEdit(row, col, true);
    return true;
}

// Gives the focus to the control after the grid in the window's focus order (before it
// when next is false), skipping the grid's own parts. False when there is none.
bool TarselGrid::focusNeighbour(bool next) {
    QWidget* top = window();
    QWidget* w = this;
    for (;;) {
        w = next ? w->nextInFocusChain() : w->previousInFocusChain();
        if (!w || w == this) return false;
        if (isAncestorOf(w) || w->window() != top || w->focusProxy()) continue;
        if ((w->focusPolicy() & Qt::TabFocus) != Qt::TabFocus) continue;
        if (!w->isEnabled() || !w->isVisibleTo(top)) continue;
        w->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
        return true;
    }
}

// The pointer over a cell, in viewport coordinates: CellOver once per cell entered.
void TarselGrid::pointerOver(const QPoint& pos) {
    int row = 0, col = 0;
    if (cellAt(pos, row, col) && (row != overRow_ || col != overCol_)) {
        overRow_ = row;
        overCol_ = col;
        emit CellOver(row, col);
    }
}

// Focus leaving the grid for another control of its window is a LostFocus. A modal dialog,
// a popup (the editor's own list included) or another window takes the focus by window
// activation or into a window of its own: that is not a LostFocus, and the focus comes
// back to the grid when the window is active again.
void TarselGrid::focusLeaving(QFocusEvent* ev) {
    if (destroying_) return;
    if (ev->reason() == Qt::PopupFocusReason || ev->reason() == Qt::ActiveWindowFocusReason) return;
    QWidget* now = QApplication::focusWidget();
    if (now && (now == this || isAncestorOf(now))) return;
    if (now && now->window() != window()) return;
    if (!window()->isVisible()) return;
    // A typed list text is taken or refused before the handler commits the cell.
    takeListTyped();
    const int gen = editGen_;
    emit LostFocus();
    if (editing_ && gen == editGen_) commitEdit();
}

// A character typed while the list is dropped down closes it and goes into the cell: the
// list's own search would pick the first item that begins with it.
bool TarselGrid::listViewKeyPress(QKeyEvent* ev) {
    if (ev->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) return false;
    const int ascii = asciiOf(ev);
    if (ascii < 32 || ascii == 127) return false;
    listEditor_->hidePopup();
    listTyped_ += QChar(ascii);
    showListTyped();
    return true;
}

bool TarselGrid::eventFilter(QObject* watched, QEvent* event) {
    QWidget* vp = table_->viewport();
    if (listEditor_ && editing_ && watched == listEditor_->view())
        return event->type() == QEvent::KeyPress && listViewKeyPress(static_cast<QKeyEvent*>(event));
    const bool isEditor = watched != table_ && watched != vp;
    switch (event->type()) {
    case QEvent::FocusOut:
        if (watched == table_ || isEditor) focusLeaving(static_cast<QFocusEvent*>(event));
        return false;
    case QEvent::KeyPress:
        if (watched == table_) return tableKeyPress(static_cast<QKeyEvent*>(event));
        if (isEditor) return editorKeyPress(static_cast<QKeyEvent*>(event));
        return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (watched == vp) return event->type() == QEvent::MouseButtonPress ? mousePress(static_cast<QMouseEvent*>(event)) : true;
        return false;
    case QEvent::MouseButtonRelease:
        if (watched != vp) return false;
        if (popupOnRelease_ && listEditor_ && editing_) listEditor_->showPopup();
        popupOnRelease_ = false;
        return true;
    case QEvent::MouseMove:
        if (watched == vp) {
            pointerOver(static_cast<QMouseEvent*>(event)->position().toPoint());
            return true;
        }
        if (isEditor) {
            auto* ew = static_cast<QWidget*>(watched);
            pointerOver(ew->mapTo(vp, static_cast<QMouseEvent*>(event)->position().toPoint()));
        }
        return false;
    case QEvent::Leave:
        if (watched == vp) overRow_ = overCol_ = -2;
        return false;
    case QEvent::ToolTip:
        if (watched == vp || isEditor) {
            auto* he = static_cast<QHelpEvent*>(event);
            if (toolTip_.isEmpty()) QToolTip::hideText();
            else QToolTip::showText(he->globalPos(), toolTip_, vp);
            return true;
        }
        return false;
    case QEvent::Resize:
        if (watched == vp) applyWidths();
        return false;
    default:
        return false;
    }
}
