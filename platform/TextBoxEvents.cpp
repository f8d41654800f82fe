#include "platform/TextBoxEvents.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>

TextBoxEvents::TextBoxEvents(QLineEdit* box) : QObject(box), box_(box) { box->installEventFilter(this); }

TextBoxEvents* TextBoxEvents::Of(QLineEdit* box) {
    if (auto* existing = box->findChild<TextBoxEvents*>(QString(), Qt::FindDirectChildrenOnly)) return existing;
    return new TextBoxEvents(box);
}

bool TextBoxEvents::eventFilter(QObject* watched, QEvent* event) {
    if (watched != box_) return false;
    switch (event->type()) {
    case QEvent::FocusIn: {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (GotFocus && reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) GotFocus();
        return false;
    }
    case QEvent::FocusOut: {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (!LostFocus || reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason) return false;
        QWidget* now = QApplication::focusWidget();
        if (now && now->window() != box_->window()) return false;
        if (!box_->window()->isVisible()) return false;
        LostFocus();
        return false;
    }
    case QEvent::KeyPress: {
        if (!KeyPress) return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
        int16_t ascii = 0;
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) ascii = 13;
        else if (key->key() == Qt::Key_Backspace) ascii = 8;
        else if (key->text().size() == 1 && key->text().at(0).isPrint()) ascii = static_cast<int16_t>(key->text().at(0).unicode());
        else return false;
        KeyPress(ascii);
        return ascii == 0;
    }
    default:
        return false;
    }
}
