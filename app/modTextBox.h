#pragma once
// Helpers for text boxes.
#include <QString>
#include <cstdint>
#include <optional>

class QLineEdit;

namespace modTextBox {

// The key to keep, or 0 to drop it: backspace and the digits always pass; "-" and "."
// pass as well unless IntegerOnly. The decimal point is "." whatever the locale.
int16_t FilterKeyPressNumeric(int16_t KeyAscii, bool IntegerOnly);
// Selects the whole text of the box.
void SelectText(QLineEdit* box);
// The number an operator typed: the whole text must be one number (blanks around it
// allowed), so "7x", "3.004.5", "" and a number beyond the Double range give nothing;
// a value is never made up from the text's leading digits.
std::optional<double> TypedNumber(const QString& text);

}  // namespace modTextBox
