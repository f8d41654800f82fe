// The grid control driven like a user: mouse clicks on cells, keys in the editors, the
// focus moving away, with the handlers wired the way the editor and setup windows wire
// theirs (the commit cycle: Enter and LostFocus run the window's AfterEdit, then EndEdit).
#include "platform/TarselGrid.h"
#include "platform/Twips.h"
#include "platform/VbColor.h"
#include "support/ErrorNumber.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <gtest/gtest.h>
#include <functional>
#include <memory>

namespace {

// A window holding a film list, then one grid laid out like the layer set-point grid, and
// a text box that takes the focus when the user leaves the grid. The list comes first in
// the focus order, as the editor's lists do.
struct GridWindow {
    QWidget window;
    QComboBox* films;
    TarselGrid* grid;
    QLineEdit* other;

    GridWindow() {
        auto* layout = new QVBoxLayout(&window);
        films = new QComboBox(&window);
        films->setObjectName("cboFilms");
        films->addItems({"Alumina", "Silica", "Titania"});
        layout->addWidget(films);
        grid = new TarselGrid(&window);
        grid->setObjectName("grdLayer");
        other = new QLineEdit(&window);
        other->setObjectName("txtOther");
        layout->addWidget(grid);
        layout->addWidget(other);
        layout->addStretch(1);

        grid->setCols(2);
        grid->setColWidth(-1, 45);
        grid->setColWidth(0, 30);
        grid->setColWidth(1, 25);
        grid->setColAlignment(0, tgAlignRight);
        grid->setColBackColor(1, vbButtonFace);
        grid->setColStyle(1, tgColReadOnly);
        grid->setCellText(-1, -1, "LAYER");
        grid->setCellFontBold(-1, -1, true);
        grid->setCellText(-1, 0, "Value");
        grid->setCellText(-1, 1, "Units");
        grid->setRows(6);
        grid->setHeight(grid->RowHeight(0) * (grid->Rows() + 1) * TwipsPerPixelY());
        const char* captions[] = {"Setpoint", "Endpoint", "End SetPt", "Time SetPt", "Start Mode", "Start Prompt"};
        for (int r = 0; r < 6; ++r) {
            grid->setCellText(r, -1, captions[r]);
            grid->setCellEditor(r, 0, r == 4 ? tgEditList : tgEditText);
        }
        grid->setCellText(0, 0, "1.00");
        grid->setCellText(1, 0, "0.500");
        grid->setCellText(4, 0, "Auto");
        window.resize(400, 300);
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    void click(int row, int col) {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->cellRect(row, col).center());
    }
    QLineEdit* lineEditor() const { return qobject_cast<QLineEdit*>(grid->editor()); }
    QComboBox* listEditor() const { return qobject_cast<QComboBox*>(grid->editor()); }
};

// Runs a modal dialog the way a message box runs, and closes it from the event loop, so
// the test never waits on it.
void runModalBoxClosedByTimer() {
    QMessageBox box(QMessageBox::Information, "ORUN_411", "Valid Rate values are  0.0 to 999.9.",
                    QMessageBox::Ok, QApplication::activeWindow());
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, &box, [&box] {
        if (box.isVisible() && QApplication::activeWindow() == &box) box.accept();
    });
    closer.start(10);
    QTimer::singleShot(5000, &box, [&box] { box.reject(); });  // never hang the test
    box.exec();
}

}  // namespace

TEST(TarselGrid, ChoiceCellListIsFilledByBeforeEditAndOnlyTheUsersPickRaisesTextChange) {
    GridWindow w;
    TarselGrid& g = *w.grid;
    int storedMode = 2;
    QObject::connect(&g, &TarselGrid::BeforeEdit, &g, [&](int row, int col) {
        if (row != 4 || col != 0) return;
        g.ClearList();
        for (const char* item : {"Auto", "Manual", "Contstant"}) g.AddListItem(item);
        g.setListIndex(storedMode);
    });
    std::vector<std::pair<int, QString>> changes;  // ListIndex and cell text seen in TextChange
    QObject::connect(&g, &TarselGrid::TextChange, &g, [&](int row, int col) {
        changes.emplace_back(g.ListIndex(), g.CellText(row, col));
    });
    QSignalSpy clicks(&g, &TarselGrid::CellClick);
    QSignalSpy lost(&g, &TarselGrid::LostFocus);

    w.click(4, 0);
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks.at(0).at(0).toInt(), 4);
    ASSERT_TRUE(g.IsEditing());
    QComboBox* combo = w.listEditor();
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->currentIndex(), 2);
    EXPECT_EQ(g.ListCount(), 3);
    EXPECT_EQ(g.CellText(4, 0), "Contstant");  // the editor shows the selected item
    EXPECT_TRUE(changes.empty());

    // The list opened under the pointer (a popup: the grid keeps the focus). Pick "Manual".
    QAbstractItemView* view = combo->view();
    EXPECT_TRUE(QTest::qWaitFor([&] { return view->isVisible(); }));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(1, 0)).center());
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].first, 1);
    EXPECT_EQ(changes[0].second, "Manual");
    EXPECT_TRUE(g.IsEditing());
    EXPECT_EQ(lost.count(), 0);  // the popup took and gave back the focus

    // The program's writes raise nothing: cell texts, ListIndex, other cells.
    g.setListIndex(0);
    g.setCellText(4, 0, "Auto");
    g.setCellText(0, 0, "2.00");
    EXPECT_EQ(changes.size(), 1u);

    // A keyboard pick with the list closed is the user's too.
    QTest::keyClick(combo, Qt::Key_Down);
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[1].first, 1);

    // Typing in a text cell is a change; a write by the program into the open editor is not.
    w.click(5, 0);
    ASSERT_NE(w.lineEditor(), nullptr);
    QTest::keyClicks(w.lineEditor(), "Go");
    EXPECT_EQ(changes.size(), 4u);
    g.setCellText(5, 0, "Load wafers");
    EXPECT_EQ(changes.size(), 4u);
    EXPECT_EQ(w.lineEditor()->text(), "Load wafers");
}

TEST(TarselGrid, EnterGivesKeyPress13WhileEditingAndTheCellReadsAsTheEditorText) {
    GridWindow w;
    TarselGrid& g = *w.grid;
    // The editor cycle: Enter while editing runs the window's AfterEdit handler, then EndEdit.
    std::vector<QString> stored;
    auto afterEdit = [&](int row, int col) { stored.push_back(QString("%1,%2=%3").arg(row).arg(col).arg(g.CellText(row, col))); };
    QObject::connect(&g, &TarselGrid::AfterEdit, &g, afterEdit);
    bool editingAtEnter = false;
    QString textAtEnter;
    QObject::connect(
        &g, &TarselGrid::KeyPress, &g,
        [&](int& key) {
            if (key != 13 || !g.IsEditing()) return;
            editingAtEnter = true;
            textAtEnter = g.CellText(g.CurrentRow(), g.CurrentCol());
            afterEdit(g.CurrentRow(), g.CurrentCol());
            g.EndEdit();
        },
        Qt::DirectConnection);
    QSignalSpy afterSpy(&g, &TarselGrid::AfterEdit);

    w.click(0, 0);
    ASSERT_NE(w.lineEditor(), nullptr);
    w.lineEditor()->selectAll();
    QTest::keyClicks(w.lineEditor(), "12.5");
    EXPECT_EQ(g.CellText(0, 0), "12.5");
    QTest::keyClick(w.lineEditor(), Qt::Key_Return);
    EXPECT_TRUE(editingAtEnter);
    EXPECT_EQ(textAtEnter, "12.5");
    EXPECT_FALSE(g.IsEditing());
    EXPECT_EQ(afterSpy.count(), 0);  // EndEdit raised no AfterEdit of its own
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0], "0,0=12.5");
    EXPECT_EQ(g.CellText(0, 0), "12.5");
    EXPECT_EQ(g.CellProgramText(0, 0), "1.00");

    // Enter with no edit open passes through the handler and changes nothing.
    editingAtEnter = false;
    QTest::keyClick(g.viewport()->parentWidget(), Qt::Key_Return);
    EXPECT_FALSE(editingAtEnter);
    EXPECT_FALSE(g.IsEditing());
}

TEST(TarselGrid, KeyPressByReferenceConsumesOrReplacesTheKey) {
    GridWindow w;
    TarselGrid& g = *w.grid;
    QObject::connect(
        &g, &TarselGrid::KeyPress, &g,
        [](int& key) {
            if (key == 'x') key = 0;        // dropped
            else if (key == ',') key = '.';  // replaced
        },
        Qt::DirectConnection);
    QSignalSpy afterSpy(&g, &TarselGrid::AfterEdit);
    w.click(1, 0);
    ASSERT_NE(w.lineEditor(), nullptr);
    w.lineEditor()->selectAll();
    QTest::keyClicks(w.lineEditor(), "0x,25");
    EXPECT_EQ(g.CellText(1, 0), "0.25");
    // A grid whose handler leaves Enter alone commits by itself: one AfterEdit, the editor's
    // text still reading, then the editor closes.
    QString seen;
    QObject::connect(&g, &TarselGrid::AfterEdit, &g, [&](int r, int c) { seen = g.IsEditing() ? g.CellText(r, c) : "closed"; });
    QTest::keyClick(w.lineEditor(), Qt::Key_Return);
    EXPECT_EQ(afterSpy.count(), 1);
    EXPECT_EQ(seen, "0.25");
    EXPECT_FALSE(g.IsEditing());
    EXPECT_EQ(g.CellText(1, 0), "0.25");

    // Escape cancels: the cell keeps its text from before the edit, no AfterEdit.
    w.click(1, 0);
    QTest::keyClicks(w.lineEditor(), "99");
    QTest::keyClick(w.lineEditor(), Qt::Key_Escape);
    EXPECT_FALSE(g.IsEditing());
    EXPECT_EQ(g.CellText(1, 0), "0.25");
    EXPECT_EQ(afterSpy.count(), 1);
}

TEST(TarselGrid, EndEditAfterAfterEditRaisesNoSecondAfterEditOnEveryCommitPath) {
    GridWindow w;
    TarselGrid& g = *w.grid;
    std::vector<std::pair<int, int>> afterEdits;
    QObject::connect(&g, &TarselGrid::AfterEdit, &g, [&](int r, int c) {
        afterEdits.emplace_back(r, c);
        g.EndEdit();  // a handler that ends the edit itself
    });
    // LostFocus handler of the cycle: AfterEdit for the current cell, then EndEdit.
    int lostFocus = 0;
    QObject::connect(&g, &TarselGrid::LostFocus, &g, [&] {
        ++lostFocus;
        afterEdits.emplace_back(g.CurrentRow(), g.CurrentCol());
        g.EndEdit();
    });

    // Moving to another cell commits the open one once.
    w.click(0, 0);
    QTest::keyClicks(w.lineEditor(), "5");
    w.click(1, 0);
    ASSERT_EQ(afterEdits.size(), 1u);
    EXPECT_EQ(afterEdits[0], std::make_pair(0, 0));
    EXPECT_TRUE(g.IsEditing());  // the new cell's editor is open
    EXPECT_EQ(g.CurrentRow(), 1);

    // Leaving the grid: LostFocus with the edit still open, and no AfterEdit by the grid.
    QTest::mouseClick(w.other, Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.other->hasFocus(); }));
    EXPECT_EQ(lostFocus, 1);
    ASSERT_EQ(afterEdits.size(), 2u);
    EXPECT_EQ(afterEdits[1], std::make_pair(1, 0));
    EXPECT_FALSE(g.IsEditing());
    g.EndEdit();  // nothing open: nothing happens
    EXPECT_EQ(afterEdits.size(), 2u);
}

TEST(TarselGrid, AModalMessageBoxOrTheListPopupIsNoLostFocus) {
    GridWindow w;
    TarselGrid& g = *w.grid;
    QSignalSpy lost(&g, &TarselGrid::LostFocus);
    int boxes = 0;
    bool boxTookTheFocus = false;
    QObject::connect(&g, &TarselGrid::AfterEdit, &g, [&](int r, int c) {
        if (g.CellText(r, c) == "1000") {
            ++boxes;
            runModalBoxClosedByTimer();  // the refusal message
            boxTookTheFocus = !g.isAncestorOf(QApplication::focusWidget());
            g.setCellText(r, c, "1.0");
            g.RefreshCell(r, c);
        }
    });
    w.click(0, 0);
    w.lineEditor()->selectAll();
    QTest::keyClicks(w.lineEditor(), "1000");
    QTest::keyClick(w.lineEditor(), Qt::Key_Return);
    EXPECT_EQ(boxes, 1);
    EXPECT_TRUE(boxTookTheFocus);
    EXPECT_EQ(lost.count(), 0);
    EXPECT_EQ(g.CellText(0, 0), "1.0");
    EXPECT_FALSE(g.IsEditing());
    w.window.activateWindow();  // what the window manager does when the box is gone
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w.window));
    EXPECT_TRUE(g.isAncestorOf(QApplication::focusWidget()));  // the focus came back to the grid

    // A box from a click handler while an editor is open: no LostFocus either.
    QObject::connect(&g, &TarselGrid::CellClick, &g, [&](int r, int) {
        if (r == 5) runModalBoxClosedByTimer();
    });
    w.click(1, 0);
    ASSERT_TRUE(g.IsEditing());
    w.click(5, 0);
    EXPECT_EQ(lost.count(), 0);
    w.window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w.window));

    // The list popup of a choice cell is no LostFocus; a move to another control is one.
    g.ClearList();
    g.AddListItem("Auto");
    g.AddListItem("Manual");
    w.click(4, 0);
    ASSERT_NE(w.listEditor(), nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.listEditor()->view()->isVisible(); }));
    EXPECT_FALSE(g.isAncestorOf(QApplication::focusWidget()));
    w.listEditor()->hidePopup();
    EXPECT_EQ(lost.count(), 0);
    EXPECT_TRUE(g.IsEditing());
    w.other->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(lost.count(), 1);
    EXPECT_FALSE(g.IsEditing());  // no handler ended it: the grid committed and closed it
}

TEST(TarselGrid, AHandlerCanReopenTheCellFromAfterEdit) {
    GridWindow w;
    TarselGrid& g = *w.grid;
    int befores = 0;
    QObject::connect(&g, &TarselGrid::BeforeEdit, &g, [&](int, int) { ++befores; });
    QObject::connect(&g, &TarselGrid::AfterEdit, &g, [&](int r, int c) {
        if (g.CellText(r, c) != "11") return;
        g.setCellText(r, c, "10");
        g.StartEdit(r, c);  // refused: the user edits again
    });
    w.click(0, 0);
    EXPECT_EQ(befores, 1);
    w.lineEditor()->selectAll();
    QTest::keyClicks(w.lineEditor(), "11");
    QTest::keyClick(w.lineEditor(), Qt::Key_Return);
    EXPECT_EQ(befores, 2);
    ASSERT_TRUE(g.IsEditing());
    EXPECT_EQ(w.lineEditor()->text(), "10");
    EXPECT_EQ(g.CurrentRow(), 0);
}

TEST(TarselGrid, ClicksHoverAndButtonCells) {
    GridWindow w;
    TarselGrid& g = *w.grid;
    g.setCellEditor(5, 0, tgEditButton);
    g.setCellStyle(5, 0, tgCellButton);
    g.setCellText(5, 0, "Start");
    QSignalSpy clicks(&g, &TarselGrid::CellClick);
    QSignalSpy befores(&g, &TarselGrid::BeforeEdit);
    QSignalSpy over(&g, &TarselGrid::CellOver);

    w.click(-1, 0);  // heading
    w.click(2, -1);  // caption
    w.click(2, 1);   // read-only units column
    w.click(5, 0);   // button cell
    ASSERT_EQ(clicks.count(), 4);
    EXPECT_EQ(clicks.at(0).at(0).toInt(), -1);
    EXPECT_EQ(clicks.at(1).at(1).toInt(), -1);
    EXPECT_EQ(clicks.at(3).at(0).toInt(), 5);
    EXPECT_EQ(befores.count(), 0);
    EXPECT_FALSE(g.IsEditing());
    EXPECT_EQ(g.CurrentRow(), 5);  // data cells become current, headings never

    QTest::mouseMove(g.viewport(), g.cellRect(3, 0).center());
    QTest::mouseMove(g.viewport(), g.cellRect(3, 0).center() + QPoint(1, 0));
    QTest::mouseMove(g.viewport(), g.cellRect(-1, 1).center());
    ASSERT_EQ(over.count(), 2);  // once per cell entered
    EXPECT_EQ(over.at(0).at(0).toInt(), 3);
    EXPECT_EQ(over.at(1).at(0).toInt(), -1);
    EXPECT_EQ(over.at(1).at(1).toInt(), 1);
}

TEST(TarselGrid, RowHeightsHiddenRowsAndPercentWidthsLayOutAsAsked) {
    GridWindow w;
    TarselGrid& g = *w.grid;
    EXPECT_EQ(g.RowHeight(0), TarselGrid::DefaultRowHeight);
    // Height in twips from the row height in pixels, as the windows compute it.
    EXPECT_EQ(g.height(), 7 * TarselGrid::DefaultRowHeight);
    EXPECT_NEAR(g.Height(), 7 * 23 * TwipsPerPixelY(), 0.01);

    g.setRowHeight(0, 30);
    EXPECT_EQ(g.RowHeight(0), 30);
    EXPECT_EQ(g.cellRect(1, 0).top() - g.cellRect(0, 0).top(), 30);

    g.HideRow(2);
    EXPECT_FALSE(g.RowVisible(2));
    EXPECT_EQ(g.cellRect(3, 0).top() - g.cellRect(1, 0).top(), 23);
    EXPECT_EQ(g.sizeHint().height(), 23 + 30 + 23 * 4);
    g.ShowRow(2);
    EXPECT_TRUE(g.RowVisible(2));
    EXPECT_EQ(g.cellRect(3, 0).top() - g.cellRect(1, 0).top(), 46);

    // A hidden row's cell opens no editor.
    g.HideRow(1);
    g.StartEdit(1, 0);
    EXPECT_FALSE(g.IsEditing());

    // Widths are per cent of the grid's width, applied again on every resize.
    w.window.layout()->removeWidget(&g);
    g.setFixedWidth(400);
    EXPECT_TRUE(QTest::qWaitFor([&] { return g.viewport()->width() == 400; }));
    EXPECT_EQ(g.cellRect(0, 0).left(), 180);
    EXPECT_EQ(g.cellRect(0, 1).left(), 300);
    g.setFixedWidth(201);
    EXPECT_TRUE(QTest::qWaitFor([&] { return g.viewport()->width() == 201; }));
    EXPECT_EQ(g.cellRect(0, 0).left(), 90);    // 45 % of 201, rounded
    EXPECT_EQ(g.cellRect(0, 1).left(), 151);   // 75 % of 201, rounded
    EXPECT_EQ(g.cellRect(0, 1).right() + 1, 200);  // the last column ends at the edge (less its grid line)
    EXPECT_DOUBLE_EQ(g.ColWidth(0), 30);
}

TEST(TarselGrid, AddressingHeadingsCornerAndErrors) {
    GridWindow w;
    TarselGrid& g = *w.grid;
    EXPECT_EQ(g.CellText(-1, -1), "LAYER");
    EXPECT_TRUE(g.CellFontBold(-1, -1));
    EXPECT_EQ(g.CellText(-1, 0), "Value");
    EXPECT_EQ(g.CellText(4, -1), "Start Mode");
    // Growing and shrinking keep the texts of the cells that stay.
    g.setRows(9);
    EXPECT_EQ(g.CellText(-1, -1), "LAYER");
    EXPECT_EQ(g.CellText(0, 0), "1.00");
    EXPECT_EQ(g.CellText(8, 0), "");
    g.setRows(6);

    EXPECT_EQ(ErrorNumber([&] { g.CellText(6, 0); }), 381);
    EXPECT_EQ(ErrorNumber([&] { g.setCellText(0, 2, "x"); }), 381);
    EXPECT_EQ(ErrorNumber([&] { g.CellText(-2, 0); }), 381);

    // A grid without a caption column (the channel readings grid) has no column -1.
    TarselGrid chan;
    chan.setFixedCols(0);
    chan.setCols(7);
    chan.setRows(8);
    chan.setCellText(-1, 0, "Edit");
    chan.setCellText(0, 0, "Chan 1");
    EXPECT_EQ(ErrorNumber([&] { chan.CellText(0, -1); }), 381);
    EXPECT_EQ(chan.CellText(0, 0), "Chan 1");
    EXPECT_EQ(chan.CellBackColor(-1, 0), uint32_t(vbButtonFace));
    EXPECT_EQ(chan.CellBackColor(0, 0), uint32_t(vbWindowBackground));

    // The list: item data, the index of the item added last, ListIndex bounds.
    g.ClearList();
    g.AddListItem("Not Assigned");
    g.setListItemData(g.ListNewIndex(), 0);
    g.AddListItem("Channel 1 Shutter");
    g.setListItemData(g.ListNewIndex(), 20);
    EXPECT_EQ(g.ListNewIndex(), 1);
    EXPECT_EQ(g.ListItemData(1), 20);
    EXPECT_EQ(g.ListIndex(), -1);
    EXPECT_EQ(ErrorNumber([&] { g.setListIndex(2); }), 380);
    g.setListIndex(1);
    EXPECT_EQ(g.ListIndex(), 1);
}

TEST(TarselGrid, EachCellRemembersTheTextTheProgramLastWrote) {
    GridWindow w;
    TarselGrid& g = *w.grid;
    // Opened and closed without typing: the cell is not edited.
    w.click(1, 0);
    ASSERT_TRUE(g.IsEditing());
    g.EndEdit();
    EXPECT_EQ(g.CellText(1, 0), "0.500");
    EXPECT_FALSE(g.CellEdited(1, 0));

    // Typed over: edited, while the program's text is still known.
    w.click(1, 0);
    w.lineEditor()->selectAll();
    QTest::keyClicks(w.lineEditor(), "0.5004");
    g.EndEdit();
    EXPECT_TRUE(g.CellEdited(1, 0));
    EXPECT_EQ(g.CellProgramText(1, 0), "0.500");

    // The program writes the stored value back: the cell is unedited again.
    g.setCellText(1, 0, "0.500");
    EXPECT_FALSE(g.CellEdited(1, 0));
    EXPECT_EQ(g.CellProgramText(2, 0), "");  // never written
}

TEST(TarselGrid, ARowColourSetLaterCoversTheCellsOwnButNotTheCaption) {
    TarselGrid g;
    g.setCols(3);
    g.setRows(4);
    // Gas calibration switched off and on again: row colour, then the caption cell's.
    g.setRowForeColor(1, vbGrayText);
    g.setCellForeColor(1, -1, vbGrayText);
    g.setCellForeColor(1, 0, 0x0000FF);
    EXPECT_EQ(g.CellForeColor(1, 0), 0x0000FFu);
    g.setRowForeColor(1, 0);
    g.setCellForeColor(1, -1, 0);
    EXPECT_EQ(g.CellForeColor(1, 0), 0u);
    EXPECT_EQ(g.CellForeColor(1, 2), 0u);
    EXPECT_EQ(g.CellForeColor(1, -1), 0u);
    EXPECT_EQ(g.CellForeColor(2, -1), uint32_t(vbButtonText));  // other captions keep the default
    EXPECT_EQ(VbColor(vbButtonFace), QApplication::palette().color(QPalette::Button));
    EXPECT_EQ(VbColor(VbRGB(1, 2, 3)), QColor(1, 2, 3));
    EXPECT_FALSE(VbColor(0x80000040u).isValid());  // no such system colour: the caller's default
}

namespace {

// The editor window's commit cycle as the windows wire it: Enter while editing and
// LostFocus run the AfterEdit handler for the current cell, then EndEdit. The handler
// records what it would store (the text, or ListIndex on the choice row).
struct CommitCycle {
    TarselGrid& g;
    std::vector<QString> stored;
    std::function<void(int, int)> afterEdit;

    explicit CommitCycle(TarselGrid& grid) : g(grid) {
        afterEdit = [this](int row, int col) {
            stored.push_back(row == 4 ? QString("list %1").arg(g.ListIndex()) : g.CellText(row, col));
        };
        QObject::connect(
            &g, &TarselGrid::KeyPress, &g,
            [this](int& key) {
                if (key != 13 || !g.IsEditing()) return;
                afterEdit(g.CurrentRow(), g.CurrentCol());
                g.EndEdit();
            },
            Qt::DirectConnection);
        QObject::connect(&g, &TarselGrid::LostFocus, &g, [this] {
            afterEdit(g.CurrentRow(), g.CurrentCol());
            g.EndEdit();
        });
        QObject::connect(&g, &TarselGrid::BeforeEdit, &g, [this](int row, int) {
            if (row != 4) return;
            g.ClearList();
            for (const char* item : {"Auto", "Manual", "Contstant"}) g.AddListItem(item);
            g.setListIndex(0);
        });
    }
};

void pickFromOpenList(QComboBox* combo, int index) {
    QAbstractItemView* view = combo->view();
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->isVisible(); }));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(index, 0)).center());
}

}  // namespace

TEST(TarselGrid, EscapeTakesBackThePickAndKeepsWhatTheProgramWroteDuringTheEdit) {
    GridWindow w;
    TarselGrid& g = *w.grid;
    CommitCycle cycle(g);

    // A pick taken back with Escape: the list and the cell are back on the stored item, so
    // the commit when the user leaves the grid stores that, not the pick.
    w.click(4, 0);
    ASSERT_NE(w.listEditor(), nullptr);
    pickFromOpenList(w.listEditor(), 2);
    EXPECT_EQ(g.ListIndex(), 2);
    QTest::keyClick(w.listEditor(), Qt::Key_Escape);
    EXPECT_FALSE(g.IsEditing());
    EXPECT_EQ(g.CellText(4, 0), "Auto");
    EXPECT_EQ(g.ListIndex(), 0);
    QTest::mouseClick(w.other, Qt::LeftButton);
    ASSERT_EQ(cycle.stored.size(), 1u);
    EXPECT_EQ(cycle.stored[0], "list 0");

    // The program rewrites the open cell (the other editor reloads the grid); Escape then
    // returns to that text, not to the one from before the program's write.
    w.click(0, 0);
    ASSERT_NE(w.lineEditor(), nullptr);
    QTest::keyClicks(w.lineEditor(), "7");
    g.setCellText(0, 0, "2.00");
    QTest::keyClicks(w.lineEditor(), "5");
    QTest::keyClick(w.lineEditor(), Qt::Key_Escape);
    EXPECT_EQ(g.CellText(0, 0), "2.00");
    EXPECT_FALSE(g.CellEdited(0, 0));
}

TEST(TarselGrid, TheFocusStaysWithTheGridAfterARefusalBoxAndTabLeavesItWithACommit) {
    GridWindow w;
    TarselGrid& g = *w.grid;
    CommitCycle cycle(g);
    cycle.afterEdit = [&](int r, int c) {
        cycle.stored.push_back(g.CellText(r, c));
        if (g.CellText(r, c) != "1000") return;
        runModalBoxClosedByTimer();  // "Valid Rate values are ..."
        g.setCellText(r, c, "1.0");
        g.RefreshCell(r, c);
    };

    w.click(0, 0);
    w.lineEditor()->selectAll();
    QTest::keyClicks(w.lineEditor(), "1000");
    QTest::keyClick(w.lineEditor(), Qt::Key_Return);
    EXPECT_FALSE(g.IsEditing());
    w.window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w.window));
    QWidget* focus = QApplication::focusWidget();
    ASSERT_TRUE(focus && g.isAncestorOf(focus)) << (focus ? focus->objectName().toStdString() : "none");
    // The next arrow key moves in the grid and leaves the film alone.
    QTest::keyClick(focus, Qt::Key_Down);
    EXPECT_EQ(w.films->currentIndex(), 0);
    EXPECT_EQ(g.CurrentRow(), 1);

    // Tab while editing: LostFocus, the commit, and the focus on the next control, which
    // takes the keys typed next.
    QSignalSpy lost(&g, &TarselGrid::LostFocus);
    w.click(1, 0);
    w.lineEditor()->selectAll();
    QTest::keyClicks(w.lineEditor(), "0.75");
    QTest::keyClick(w.lineEditor(), Qt::Key_Tab);
    EXPECT_EQ(lost.count(), 1);
    EXPECT_EQ(cycle.stored.back(), "0.75");
    EXPECT_FALSE(g.IsEditing());
    EXPECT_TRUE(w.other->hasFocus());
    QTest::keyClicks(QApplication::focusWidget(), "ab");
    EXPECT_EQ(w.other->text(), "ab");

    // Shift+Tab from an editor goes back to the control before the grid.
    w.click(0, 0);
    QTest::keyClick(w.lineEditor(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(lost.count(), 2);
    EXPECT_TRUE(w.films->hasFocus());
}

TEST(TarselGrid, AHiddenRowKeepsItsHeightAndTheEditorFollowsItsCell) {
    GridWindow w;
    TarselGrid& g = *w.grid;
    g.setRowHeight(3, 30);
    g.HideRow(2);
    g.HideRow(3);
    EXPECT_EQ(g.RowHeight(2), TarselGrid::DefaultRowHeight);
    EXPECT_EQ(g.RowHeight(3), 30);
    g.setRowHeight(2, 25);  // set while hidden: kept, and used when shown
    EXPECT_EQ(g.RowHeight(2), 25);
    EXPECT_FALSE(g.RowVisible(2));
    g.ShowRow(2);
    EXPECT_EQ(g.cellRect(4, 0).top() - g.cellRect(2, 0).top(), 25);

    // Hiding a row above the open editor: the editor moves with its cell and the typing
    // lands in that cell.
    w.click(5, 0);
    ASSERT_NE(w.lineEditor(), nullptr);
    g.HideRow(1);
    EXPECT_EQ(w.lineEditor()->geometry(), g.cellRect(5, 0));
    QTest::keyClicks(w.lineEditor(), "x");
    EXPECT_EQ(g.CellText(5, 0), "x");
    g.ShowRow(1);
    EXPECT_EQ(w.lineEditor()->geometry(), g.cellRect(5, 0));

    // Hiding the edited row itself cancels the edit: the typing is gone with the row.
    g.HideRow(5);
    EXPECT_FALSE(g.IsEditing());
    EXPECT_FALSE(g.CellEdited(5, 0));
}

TEST(TarselGrid, OneTextChangePerKeyAndHoverOverTheOpenEditor) {
    GridWindow w;
    TarselGrid& g = *w.grid;
    QObject::connect(
        &g, &TarselGrid::KeyPress, &g, [](int& key) { if (key == ',') key = '.'; }, Qt::DirectConnection);
    QSignalSpy changes(&g, &TarselGrid::TextChange);
    QSignalSpy over(&g, &TarselGrid::CellOver);

    // A key typed on a current cell with no editor open, a replaced key, a plain key.
    w.click(1, 0);
    QTest::keyClick(w.lineEditor(), Qt::Key_Escape);
    ASSERT_FALSE(g.IsEditing());
    QTest::keyClicks(QApplication::focusWidget(), "3");
    ASSERT_TRUE(g.IsEditing());
    EXPECT_EQ(changes.count(), 1);
    QTest::keyClicks(w.lineEditor(), ",");
    EXPECT_EQ(changes.count(), 2);
    QTest::keyClicks(w.lineEditor(), "5");
    EXPECT_EQ(changes.count(), 3);
    EXPECT_TRUE(g.CellText(1, 0).endsWith("3.5"));

    // The pointer moves from another cell onto the open editor: CellOver for its cell.
    QTest::mouseMove(g.viewport(), g.cellRect(4, 0).center());
    ASSERT_GE(over.count(), 1);
    EXPECT_EQ(over.last().at(0).toInt(), 4);
    QTest::mouseMove(w.lineEditor(), w.lineEditor()->rect().center());
    EXPECT_EQ(over.last().at(0).toInt(), 1);
    EXPECT_EQ(over.last().at(1).toInt(), 0);
}
