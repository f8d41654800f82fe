#pragma once
// What the original's controls offered and Qt's widgets keep elsewhere: a text colour and a
// background colour held as stored colour values (platform/VbColor.h), readable back as
// they were set, and pressing a button from code (setting its Value), which runs its click
// handlers whether or not the button is visible or enabled.
#include <QColor>
#include <cstdint>

class QAbstractButton;
class QWidget;

// Sets the text colour of a label, button, box or frame; the stored value reads back
// through ForeColor.
void SetForeColor(QWidget* control, uint32_t color);
// Sets the background colour; a label or frame then paints its background.
void SetBackColor(QWidget* control, uint32_t color);
// The colour values last set through the calls above; 0 when none was set.
uint32_t ForeColor(const QWidget* control);
uint32_t BackColor(const QWidget* control);

// Runs the button's click handlers, as a click does, also while the button is hidden or
// disabled (a disabled button ignores a click of the mouse, not a press from code). A
// check box changes its state first.
void PressButton(QAbstractButton* button);
