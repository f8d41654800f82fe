#include "app/modFormUtil.h"

#include <QWidget>

namespace modFormUtil {

void FormOnTop(QWidget* form, bool OnTop) {
    if (!form || form->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == OnTop) return;
    // Changing a window's flags hides it; show it again where it was.
    const bool shown = form->isVisible();
    const QRect where = form->geometry();
    form->setWindowFlag(Qt::WindowStaysOnTopHint, OnTop);
    if (shown) {
        form->setGeometry(where);
        form->show();
    }
}

}  // namespace modFormUtil
