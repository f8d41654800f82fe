#pragma once
// The events a text box of the original raised, for a QLineEdit:
// - GotFocus when the box takes the focus;
// - LostFocus when the focus moves on to another control of the same window; a message
//   box, a popup or another window taking the focus is not a LostFocus (the focus comes
//   back to the box afterwards);
// - KeyPress with the character code of each typed key (13 Enter, 8 Backspace); the
//   handler may replace it, or set it to 0 to drop the key.
#include <functional>

class QLineEdit;

struct TextBoxHandlers {
    std::function<void()> GotFocus;
    std::function<void()> LostFocus;
    std::function<void(int& KeyAscii)> KeyPress;
};

// Binds the handlers to the box for its whole life.
void BindTextBox(QLineEdit* box, TextBoxHandlers handlers);
