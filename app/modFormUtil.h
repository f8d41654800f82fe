#pragma once
// Window routines shared by the program's windows.
class QWidget;

namespace modFormUtil {

// Keeps the window above all other windows (OnTop True) or lets it go back among them,
// without moving or sizing it. A window that was shown stays shown.
void FormOnTop(QWidget* form, bool OnTop);

}  // namespace modFormUtil
