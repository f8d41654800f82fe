#pragma once
// Helpers for text boxes.
#include <cstdint>

class QLineEdit;

namespace modTextBox {

// The key to keep, or 0 to drop it: backspace and the digits always pass; "-" and "."
// pass as well unless IntegerOnly. The decimal point is "." whatever the locale.
int16_t FilterKeyPressNumeric(int16_t KeyAscii, bool IntegerOnly);
// Selects the whole text of the box.
void SelectText(QLineEdit* box);

}  // namespace modTextBox
