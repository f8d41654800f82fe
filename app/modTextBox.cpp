#include "app/modTextBox.h"

#include "app/RoutineError.h"
#include "app/VBConv.h"

#include <QLineEdit>

namespace modTextBox {

int16_t FilterKeyPressNumeric(int16_t KeyAscii, bool IntegerOnly) {
    if (KeyAscii == 8) return KeyAscii;
    if (KeyAscii >= '0' && KeyAscii <= '9') return KeyAscii;
    if (!IntegerOnly && (KeyAscii == '-' || KeyAscii == '.')) return KeyAscii;
    return 0;
}

void SelectText(QLineEdit* box) {
    RunReportingErrors(QStringLiteral("SelectText"), [&] {
        if (!box) throw RuntimeError::ObjectNotSet();
        box->setSelection(0, static_cast<int>(box->text().size()));
    });
}

std::optional<double> TypedNumber(const QString& text) {
    if (!vb::IsNumeric(text)) return std::nullopt;
    return vb::CDbl(text);
}

}  // namespace modTextBox
