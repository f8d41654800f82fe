#pragma once
// The grid control of the main window, the recipe editors and the setup window, with the
// members and events the windows use.
//
// Addressing: data rows 0..Rows-1 and data columns 0..Cols-1; row -1 is the heading row
// and column -1 the caption column (each present unless FixedRows/FixedCols is 0), so the
// corner cell is (-1, -1). An address outside the grid throws RuntimeError 381.
//
// Editing: a click on a data cell makes it current and raises CellClick; when the cell has
// a text or list editor the grid then raises BeforeEdit and opens the editor. While the
// editor is open, CellText of that cell reads the editor's text (also inside AfterEdit).
// Enter raises KeyPress(13) with IsEditing still True; a key the handler leaves at 13 makes
// the grid commit: AfterEdit, then the editor closes. EndEdit closes the editor and never
// raises AfterEdit. Escape cancels: the cell and ListIndex go back to what they were when
// the editor opened, or to what the program wrote into them during the edit. Moving to
// another cell commits the open one first. Focus leaving the grid (a click elsewhere, Tab
// or Shift+Tab from the editor) raises LostFocus, and the grid commits an edit the handler
// left open; a focus change caused by a modal dialog or a popup (the list of the editor, a
// message box) is not a LostFocus, and the focus comes back to the grid after it, also when
// the handler closed the editor meanwhile. TextChange is raised once for each change the
// user types or picks, never for a text or a list index the program sets. CellOver follows
// the pointer over the open editor too.
//
// A list cell takes a pick of the mouse or the arrow keys as it is. Typing into it never
// searches the list: the typed text shows in the cell and is taken at the commit (Enter,
// another cell, focus leaving) only when it equals one of the items (blanks and letter
// case aside), as a pick of that item; any other text is refused with the message
// "Valid <name> values are <the items>." and the edit is cancelled as Escape cancels it,
// so nothing is picked and the cell shows what it showed before. The name is the column's
// heading, or the row's caption where ListNames says so.
//
// A hidden row keeps its height: RowHeight reads it, and ShowRow brings the row back with
// it. The open editor stays over its cell when rows above it are hidden or shown; hiding
// the edited row itself cancels the edit, as Escape does.
//
// Colours are stored values as the original keeps them (&H00BBGGRR or a system colour,
// platform/VbColor.h). Column widths are per cent of the grid's width and are applied
// again whenever the grid is resized. Row heights are pixels; Height and Top are twips.
#include <QPointer>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <vector>

class QComboBox;
class QLineEdit;
class QTableWidget;
class QTableWidgetItem;

// Cell editor codes (CellEditor).
enum TarselEditor : int { tgEditNone = 0, tgEditButton = 2, tgEditText = 3, tgEditList = 5 };
// Column style code (ColStyle): shaded and never edited.
enum TarselColStyle : int { tgColNormal = 0, tgColReadOnly = 2 };
// Cell style code (CellStyle) of a raised, button-like cell.
enum TarselCellStyle : int { tgCellNormal = 0, tgCellButton = 3 };
// Alignment codes (ColAlignment, CellAlignment).
enum TarselAlign : int { tgAlignLeft = 0, tgAlignCenter = 1, tgAlignRight = 2 };

class TarselGrid : public QWidget {
    Q_OBJECT
public:
    static constexpr int DefaultRowHeight = 23;  // pixels

    explicit TarselGrid(QWidget* parent = nullptr);
    ~TarselGrid() override;

    // ---- Shape ----
    int Rows() const { return rows_; }
    void setRows(int rows);
    int Cols() const { return cols_; }
    void setCols(int cols);
    int FixedRows() const { return fixedRows_; }  // 0 or 1: the heading row -1
    void setFixedRows(int n);
    int FixedCols() const { return fixedCols_; }  // 0 or 1: the caption column -1
    void setFixedCols(int n);

    int RowHeight(int row) const;  // pixels
    void setRowHeight(int row, int pixels);
    void ShowRow(int row);
    void HideRow(int row);
    bool RowVisible(int row) const;

    double ColWidth(int col) const;  // per cent of the grid's width
    void setColWidth(int col, double percent);
    int ColAlignment(int col) const;
    void setColAlignment(int col, int alignment);
    uint32_t ColBackColor(int col) const;
    void setColBackColor(int col, uint32_t color);
    int ColStyle(int col) const;
    void setColStyle(int col, int style);

    // ---- Cells ----
    QString CellText(int row, int col) const;
    void setCellText(int row, int col, const QString& text);
    // The text the program last wrote into the cell (empty when it never wrote one), so a
    // caller can tell a cell the user edited from one that still shows what it wrote.
    QString CellProgramText(int row, int col) const;
    bool CellEdited(int row, int col) const { return CellText(row, col) != CellProgramText(row, col); }

    int CellAlignment(int row, int col) const;
    void setCellAlignment(int row, int col, int alignment);
    bool CellFontBold(int row, int col) const;
    void setCellFontBold(int row, int col, bool bold);
    bool CellStrikeThrough(int row, int col) const;
    void setCellStrikeThrough(int row, int col, bool on);
    int CellEditor(int row, int col) const;
    void setCellEditor(int row, int col, int editor);
    int CellStyle(int row, int col) const;
    void setCellStyle(int row, int col, int style);
    // Colours in effect: the cell's own, else its row's (text) or column's (background),
    // else the grid's default. Setting a row or column colour replaces the cells' own.
    uint32_t CellBackColor(int row, int col) const;
    void setCellBackColor(int row, int col, uint32_t color);
    uint32_t CellForeColor(int row, int col) const;
    void setCellForeColor(int row, int col, uint32_t color);
    void setRowForeColor(int row, uint32_t color);  // the row's data cells
    bool RowHighlight(int row) const;
    void setRowHighlight(int row, bool on);

    // ---- Edit state ----
    int CurrentRow() const { return curRow_; }  // -1 before the first cell is chosen
    int CurrentCol() const { return curCol_; }
    void setCurrentCell(int row, int col);
    bool IsEditing() const { return editing_; }
    void EndEdit();
    // Opens the editor of a cell (again), raising BeforeEdit; an open editor is closed first
    // without AfterEdit. Does nothing for a cell without an editor.
    void StartEdit(int row, int col);
    // Shows the cell's current text again; an open editor of that cell takes it.
    void RefreshCell(int row, int col);
    int EditSelStart() const;
    void setEditSelStart(int position);  // before the editor opens (BeforeEdit) it applies on opening
    int EditSelLength() const;
    void setEditSelLength(int length);

    // ---- The editor's drop-down list (one per grid, kept between edits) ----
    void ClearList();
    void AddListItem(const QString& text);
    int ListCount() const { return int(list_.size()); }
    int ListIndex() const { return listIndex_; }
    void setListIndex(int index);  // -1..ListCount-1, else RuntimeError 380
    int ListNewIndex() const { return listNewIndex_; }  // index of the item added last
    QString ListItem(int index) const;
    int ListItemData(int index) const;
    void setListItemData(int index, int data);
    // Where the refusal of a typed list text takes the cell's name from.
    enum ListNameSource { ListNameFromHeading, ListNameFromRowCaption };
    void setListNames(ListNameSource source) { listNames_ = source; }

    // ---- The control ----
    QString ToolTipText() const { return toolTip_; }
    void setToolTipText(const QString& text);
    double Height() const;  // twips
    void setHeight(double twips);
    double Top() const;  // twips, in the parent
    void setTop(double twips);
    bool Visible() const { return !isHidden(); }

    // For the window's layout and for tests: the cell's rectangle in viewport() coordinates
    // and the widget that takes the mouse; the open editor (nullptr when none).
    QWidget* viewport() const;
    QRect cellRect(int row, int col) const;
    QWidget* editor() const;
    QSize sizeHint() const override;

signals:
    void CellOver(int Row, int Col);
    void CellClick(int Row, int Col);
    void BeforeEdit(int Row, int Col);
    void AfterEdit(int Row, int Col);
    void TextChange(int Row, int Col);
    void KeyPress(int& KeyAscii);  // connect directly: the handler may change or clear the key
    void LostFocus();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct ColAttr {
        double width = -1;  // per cent; < 0 = an equal share
        int alignment = -1;
        uint32_t back = 0;
        bool hasBack = false;
        int style = 0;
    };
    struct RowAttr {
        uint32_t fore = 0;
        bool hasFore = false;
        bool highlight = false;
        int hiddenHeight = -1;  // pixels, while the row is hidden
    };
    struct ListEntry {
        QString text;
        int data = 0;
    };

    // grid geometry (TarselGrid.cpp)
    int modelRow(int row) const { return row + fixedRows_; }
    int modelCol(int col) const { return col + fixedCols_; }
    void checkCell(int row, int col) const;
    void checkRow(int row) const;
    void checkCol(int col) const;
    bool isFixed(int mr, int mc) const { return mr < fixedRows_ || mc < fixedCols_; }
    QTableWidgetItem* item(int row, int col) const;
    void rebuildShape();
    void applyWidths();
    void applyFormat(int mr, int mc);
    void applyRowFormat(int mr);
    void applyColFormat(int mc);
    bool cellAt(const QPoint& viewportPos, int& row, int& col) const;

    // editing (TarselGridEditing.cpp)
    bool isEditable(int row, int col) const;
    bool editOpenFor(int row, int col) const;
    bool startEdit(int row, int col, bool byMouse);
    void openEditor(bool byMouse);
    void closeEditor(bool keepText);
    void commitEdit();
    void placeEditor();
    void syncListEditor();
    void pickListItem(int index);
    void showListTyped();
    bool takeListTyped();
    // The refusal of a text that is none of the list's items, for a cell of that name.
    QString ListRefusal(const QString& name) const;
    void storeEditedText();
    void moveCurrent(int dRow, int dCol);
    bool tableKeyPress(QKeyEvent* ev);
    bool editorKeyPress(QKeyEvent* ev);
    bool listViewKeyPress(QKeyEvent* ev);
    bool mousePress(QMouseEvent* ev);
    void pointerOver(const QPoint& viewportPos);
    bool focusNeighbour(bool next);
    void focusLeaving(QFocusEvent* ev);

    QTableWidget* table_ = nullptr;
    int rows_ = 0, cols_ = 0, fixedRows_ = 1, fixedCols_ = 1;
    std::vector<ColAttr> colAttr_;  // by model column
    std::vector<RowAttr> rowAttr_;  // by model row
    std::vector<ListEntry> list_;
    int listIndex_ = -1, listNewIndex_ = -1;
    QString listTyped_;  // typed into the open list, not yet taken
    ListNameSource listNames_ = ListNameFromHeading;
    QString toolTip_;

    int curRow_ = -1, curCol_ = -1;
    bool editing_ = false, opening_ = false, destroying_ = false, popupOnRelease_ = false;
    int editRow_ = -1, editCol_ = -1, editGen_ = 0;
    QString editText_, editOriginal_;
    int listIndexOriginal_ = -1;
    int selStart_ = -1, selLength_ = 0;
    QPointer<QLineEdit> lineEditor_;
    QPointer<QComboBox> listEditor_;
    int overRow_ = -2, overCol_ = -2;
};
