#pragma once
// What the programmer's windows share: the screen choices of the logo picker, the
// settings section both windows keep them in, and the program's own description.
#include <QString>
#include <cstdint>

namespace NorvikFlash {

// The logo picker's choices, loaded by the main window at start and kept for the runs:
// palette index of the screen background, that colour (&H00BBGGRR), and the logo's place
// (Y * 320 + X, X the column of its left edge, Y the row of its bottom edge).
extern int32_t ColorNum;
extern int32_t RGBColor;
extern int32_t Location;

// The settings of both windows live in the main window's section, under the program's
// title.
QString GetFlashSetting(const QString& key, const QString& defaultValue);
void SaveFlashSetting(const QString& key, const QString& value);

// Describes the running program as NorvikFlash (title, product, version); called once
// at start, before the window is made.
void SetProgramInfo();

// The maker's serial-number tool, at its fixed place beside the programmer.
QString NorvikSNPath();

}  // namespace NorvikFlash
