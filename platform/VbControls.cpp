#include "platform/VbControls.h"

#include "platform/VbColor.h"

#include <QAbstractButton>
#include <QHash>
#include <QPalette>
#include <QWidget>

namespace {

// The colour values set on each control. The displays set the same colours on every
// refresh: kept here, a colour that is already set costs one look-up instead of a search
// for a property by its name and a new palette. An entry goes with its control.
struct Colours {
    uint32_t fore = 0, back = 0;
    bool hasFore = false, hasBack = false;
};

QHash<const QWidget*, Colours>& Table() {
    // Never destroyed: controls may go after the program's statics.
    static auto* table = new QHash<const QWidget*, Colours>;
    return *table;
}

Colours& Entry(QWidget* control) {
    QHash<const QWidget*, Colours>& table = Table();
    auto it = table.find(control);
    if (it == table.end()) {
        it = table.insert(control, Colours{});
        QObject::connect(control, &QObject::destroyed, [control] { Table().remove(control); });
    }
    return *it;
}

}  // namespace

void SetForeColor(QWidget* control, uint32_t color) {
    if (!control) return;
    Colours& c = Entry(control);
    if (c.hasFore && c.fore == color) return;
    c.fore = color;
    c.hasFore = true;
    const QColor q = VbColor(color);
    if (!q.isValid()) return;
    QPalette palette = control->palette();
    palette.setColor(QPalette::WindowText, q);
    palette.setColor(QPalette::ButtonText, q);
    palette.setColor(QPalette::Text, q);
    control->setPalette(palette);
}

void SetBackColor(QWidget* control, uint32_t color) {
    if (!control) return;
    Colours& c = Entry(control);
    if (c.hasBack && c.back == color) return;
    c.back = color;
    c.hasBack = true;
    const QColor q = VbColor(color);
    if (!q.isValid()) return;
    QPalette palette = control->palette();
    palette.setColor(QPalette::Window, q);
    palette.setColor(QPalette::Button, q);
    palette.setColor(QPalette::Base, q);
    control->setPalette(palette);
    control->setAutoFillBackground(true);
}

uint32_t ForeColor(const QWidget* control) {
    const auto it = control ? Table().constFind(control) : Table().constEnd();
    return it != Table().constEnd() ? it->fore : 0;
}

uint32_t BackColor(const QWidget* control) {
    const auto it = control ? Table().constFind(control) : Table().constEnd();
    return it != Table().constEnd() ? it->back : 0;
}

void PressButton(QAbstractButton* button) {
    if (!button) return;
    if (button->isCheckable()) {
        button->setChecked(!button->isChecked());
        emit button->clicked(button->isChecked());
    } else {
        emit button->clicked(false);
    }
}
