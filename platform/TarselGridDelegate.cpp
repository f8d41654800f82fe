#include "platform/TarselGridDelegate.h"

#include <QPainter>
#include <qdrawutil.h>

void TarselGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    if (!index.data(RoleButton).toBool()) {
        QStyleOptionViewItem opt(option);
        opt.state &= ~QStyle::State_Selected;  // the grid shows its current cell by the focus frame only
        if (index.data(RoleFixed).toBool()) opt.state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver);
        QStyledItemDelegate::paint(painter, opt, index);
        return;
    }
    // A button cell: a raised panel in the cell's own colours, the text centred.
    const QVariant back = index.data(Qt::BackgroundRole);
    const QBrush fill = back.canConvert<QBrush>() ? back.value<QBrush>() : option.palette.button();
    qDrawWinButton(painter, option.rect, option.palette, false, &fill);
    const QVariant fore = index.data(Qt::ForegroundRole);
    painter->save();
    painter->setPen(fore.canConvert<QBrush>() ? fore.value<QBrush>().color() : option.palette.buttonText().color());
    const QVariant font = index.data(Qt::FontRole);
    if (font.canConvert<QFont>()) painter->setFont(font.value<QFont>());
    painter->drawText(option.rect, Qt::AlignCenter, index.data(Qt::DisplayRole).toString());
    painter->restore();
}
