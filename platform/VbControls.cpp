#include "platform/VbControls.h"

#include "platform/VbColor.h"

#include <QAbstractButton>
#include <QPalette>
#include <QVariant>
#include <QWidget>

namespace {
const char* const kFore = "orunForeColor";
const char* const kBack = "orunBackColor";
}  // namespace

void SetForeColor(QWidget* control, uint32_t color) {
    if (!control) return;
    control->setProperty(kFore, QVariant::fromValue<uint>(color));
    const QColor c = VbColor(color);
    if (!c.isValid()) return;
    QPalette palette = control->palette();
    palette.setColor(QPalette::WindowText, c);
    palette.setColor(QPalette::ButtonText, c);
    palette.setColor(QPalette::Text, c);
    control->setPalette(palette);
}

void SetBackColor(QWidget* control, uint32_t color) {
    if (!control) return;
    control->setProperty(kBack, QVariant::fromValue<uint>(color));
    const QColor c = VbColor(color);
    if (!c.isValid()) return;
    QPalette palette = control->palette();
    palette.setColor(QPalette::Window, c);
    palette.setColor(QPalette::Button, c);
    palette.setColor(QPalette::Base, c);
    control->setPalette(palette);
    control->setAutoFillBackground(true);
}

uint32_t ForeColor(const QWidget* control) { return control ? control->property(kFore).toUInt() : 0; }
uint32_t BackColor(const QWidget* control) { return control ? control->property(kBack).toUInt() : 0; }

void PressButton(QAbstractButton* button) {
    if (!button) return;
    if (button->isCheckable()) {
        button->setChecked(!button->isChecked());
        emit button->clicked(button->isChecked());
    } else {
        emit button->clicked(false);
    }
}
