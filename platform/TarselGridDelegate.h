#pragma once
// Internal to the grid control: the item roles that hold a cell's codes and the delegate
// that paints a button cell as a raised button.
#include <QStyledItemDelegate>

enum TarselGridRole : int {
    RoleProgramText = Qt::UserRole + 1,  // the text the program last wrote
    RoleAlign,                           // the cell's own alignment code, when set
    RoleBack,                            // the cell's own background (stored colour), when set
    RoleFore,                            // the cell's own text colour, when set
    RoleBold,
    RoleStrike,
    RoleEditor,                          // CellEditor code
    RoleStyle,                           // CellStyle code
    RoleButton,                          // painted as a button
    RoleFixed,                           // a heading or caption cell
};

class TarselGridDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
