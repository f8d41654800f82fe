#pragma once
// Window routines shared by the program's windows.
#include <QString>

class QWidget;

namespace modFormUtil {

// The open window with that caption (ignoring case), or null when none is open.
QWidget* FormByCaption(const QString& Caption);
// True when an open window has that caption (ignoring case).
bool IsFormLoadedByCaption(const QString& Caption);

}  // namespace modFormUtil
