#pragma once
// Every list cell of a window's grids typed into as an operator types: the cell is clicked,
// its list drops down, the text goes into the list and then the cell, and a key ends it.
// A typed item (in other letter case, with blanks around it) is taken and stored; any
// other text is refused with one message and nothing is stored. What is stored is read
// back by opening the cell again: its list opens on the item of the stored value.
#include "platform/TarselGrid.h"
#include "support/DialogRecorder.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <map>

namespace ListCells {

inline void Click(TarselGrid* g, int row, int col) {
    QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, g->cellRect(row, col).center());
}

// The list of the cell, opened by a click; nullptr (and a failure) when none opens.
inline QComboBox* Open(TarselGrid* g, int row, int col) {
    Click(g, row, col);
    auto* list = qobject_cast<QComboBox*>(g->editor());
    EXPECT_NE(list, nullptr) << "no list in " << row << "," << col;
    if (list) {
        EXPECT_TRUE(QTest::qWaitFor([&] { return list->view()->isVisible(); }));
    }
    return list;
}

// Types into the list dropped down (then into the cell it gives way to) and ends with the
// key: Enter commits, Tab leaves the grid.
inline void Type(TarselGrid* g, int row, int col, const QString& text, Qt::Key end) {
    QComboBox* list = Open(g, row, col);
    if (!list) return;
    const auto target = [&]() -> QWidget* { return list->view()->isVisible() ? static_cast<QWidget*>(list->view()) : list; };
    for (const QChar c : text) QTest::keyClick(target(), c.toLatin1());
    QTest::keyClick(target(), end);
    g->window()->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(g->window()));
}

// The item the cell's list opens on: the stored value. The list is closed again.
inline QString Stored(TarselGrid* g, int row, int col) {
    QComboBox* list = Open(g, row, col);
    if (!list) return QStringLiteral("<no list>");
    const QString item = list->currentIndex() >= 0 ? list->itemText(list->currentIndex()) : QStringLiteral("<none>");
    QTest::keyClick(list->view(), Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !list->view()->isVisible(); }));
    g->EndEdit();
    return item;
}

// Goes over every visible list cell of the grids (show brings a grid into view); returns
// the refusal message of each cell by the cell's name ("grid object name row,col").
inline std::map<QString, QString> Check(const QList<TarselGrid*>& grids, DialogRecorder& boxes,
                                        const std::function<void(TarselGrid*)>& show) {
    std::map<QString, QString> messages;
    for (TarselGrid* g : grids) {
        show(g);
        for (int row = 0; row < g->Rows(); ++row) {
            for (int col = 0; col < g->Cols(); ++col) {
                if (g->CellEditor(row, col) != tgEditList || !g->RowVisible(row)) continue;
                const QString cell = QStringLiteral("%1 %2,%3").arg(g->objectName()).arg(row).arg(col);
                SCOPED_TRACE(cell.toStdString());
                QComboBox* list = Open(g, row, col);
                if (!list) continue;
                QStringList items;
                for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
                QTest::keyClick(list->view(), Qt::Key_Escape);
                g->EndEdit();
                const QString original = Stored(g, row, col);
                const QString shown = g->CellText(row, col);

                // Texts that are no item, refused on Enter and on leaving the grid: the
                // search of a list took the first item beginning with them.
                QStringList refused{QStringLiteral("1.2.3"), items.back() + QStringLiteral("x")};
                if (!items.contains(items.back().left(1))) refused << items.back().left(1);
                for (int i = 0; i < refused.size(); ++i) {
                    boxes.clear();
                    Type(g, row, col, refused[i], i == 1 ? Qt::Key_Tab : Qt::Key_Return);
                    EXPECT_EQ(boxes.count(), 1) << refused[i].toStdString();
                    if (boxes.count() > 0) messages[cell] = boxes.last().prompt;
                    EXPECT_EQ(Stored(g, row, col), original) << refused[i].toStdString();
                    EXPECT_EQ(g->CellText(row, col), shown) << refused[i].toStdString();
                }

                // An item typed in other letter case with blanks around it is taken; then
                // the stored item typed back.
                const QString other = items[(items.indexOf(original) + 1) % items.size()];
                boxes.clear();
                Type(g, row, col, QStringLiteral(" ") + other.toLower() + QStringLiteral(" "), Qt::Key_Return);
                EXPECT_EQ(Stored(g, row, col), other);
                if (original != QStringLiteral("<none>")) {
                    Type(g, row, col, original, Qt::Key_Return);
                    EXPECT_EQ(Stored(g, row, col), original);
                }
                EXPECT_EQ(boxes.count(), 0) << boxes.prompts().join('|').toStdString();
            }
        }
    }
    return messages;
}

}  // namespace ListCells
