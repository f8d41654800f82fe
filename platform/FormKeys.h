#pragma once
// Keys a window takes before any of its controls, handed to its KeyDown handler with the
// key code and the Shift word (1 Shift, 2 Ctrl, 4 Alt), as a window previewing its keys
// sees them.
#include <functional>

class QWidget;

namespace FormKeys {

using KeyDown = std::function<void(int KeyCode, int Shift)>;

// F1, the window's help.
void TakeHelpKey(QWidget* form, const KeyDown& keyDown);
// Ctrl+R, with or without Shift and Alt: the main window's next view.
void TakeViewKey(QWidget* form, const KeyDown& keyDown);

}  // namespace FormKeys
