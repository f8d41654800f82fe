#include "app/modFormUtil.h"

#include <QApplication>
#include <QWidget>

namespace modFormUtil {

QWidget* FormByCaption(const QString& Caption) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowTitle().compare(Caption, Qt::CaseInsensitive) == 0) return w;
    return nullptr;
}

bool IsFormLoadedByCaption(const QString& Caption) { return FormByCaption(Caption) != nullptr; }

}  // namespace modFormUtil
