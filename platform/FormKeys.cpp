#include "platform/FormKeys.h"

#include <QKeySequence>
#include <QShortcut>
#include <QWidget>

namespace FormKeys {

void TakeHelpKey(QWidget* form, const KeyDown& keyDown) {
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), form);
    QObject::connect(help, &QShortcut::activated, form, [keyDown] { keyDown(Qt::Key_F1, 0); });
}

void TakeViewKey(QWidget* form, const KeyDown& keyDown) {
    for (const Qt::KeyboardModifiers extra :
         {Qt::KeyboardModifiers(), Qt::KeyboardModifiers(Qt::ShiftModifier), Qt::KeyboardModifiers(Qt::AltModifier),
          Qt::KeyboardModifiers(Qt::ShiftModifier | Qt::AltModifier)}) {
        auto* view = new QShortcut(QKeySequence(QKeyCombination(Qt::ControlModifier | extra, Qt::Key_R)), form);
        QObject::connect(view, &QShortcut::activated, form, [keyDown, extra] {
            keyDown(Qt::Key_R, 2 | (extra & Qt::ShiftModifier ? 1 : 0) | (extra & Qt::AltModifier ? 4 : 0));
        });
    }
}

}  // namespace FormKeys
