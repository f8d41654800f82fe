#include "app/F1Key.h"

#include <QKeyEvent>

bool SwallowF1(QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride) return false;
    if (static_cast<QKeyEvent*>(event)->key() != Qt::Key_F1) return false;
    event->accept();
    return true;
}
