#include "platform/LabelCell.h"

#include <QEvent>
#include <QLabel>

LabelCell::LabelCell(QWidget* parent) : QWidget(parent), label_(new QLabel(this)) {
    // An opaque label is repainted on its own: a clock's new second then paints the label
    // alone, not the window and the panel behind it as well. It fills with the background
    // it shares with them, so it looks the same.
    label_->setAutoFillBackground(true);
    setSizePolicy(label_->sizePolicy());
    Remember();
}

QSize LabelCell::sizeHint() const { return label_->sizeHint(); }

QSize LabelCell::minimumSizeHint() const { return label_->minimumSizeHint(); }

void LabelCell::Remember() {
    hint_ = label_->sizeHint();
    minimumHint_ = label_->minimumSizeHint();
}

bool LabelCell::event(QEvent* e) {
    switch (e->type()) {
    case QEvent::LayoutRequest:
        // The label was given a text (or a font, or a frame): the window is laid out
        // again only when it wants another size. The request is the label's, not one
        // for the cell's own layout (it has none).
        if (label_->sizeHint() != hint_ || label_->minimumSizeHint() != minimumHint_) {
            Remember();
            updateGeometry();
        }
        return true;
    case QEvent::Show:
        // While hidden the label's requests do not come here at all.
        if (label_->sizeHint() != hint_ || label_->minimumSizeHint() != minimumHint_) {
            Remember();
            updateGeometry();
        }
        break;
    default: break;
    }
    return QWidget::event(e);
}

void LabelCell::resizeEvent(QResizeEvent* e) {
    label_->setGeometry(rect());
    QWidget::resizeEvent(e);
}
