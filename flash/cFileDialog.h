#pragma once
// The programmer's Open/Save file dialog object: its properties are set, Show asks, and
// on confirmation FileName and FileTitle hold the choice. The dialog itself goes through
// the file-dialog seam, so tests answer it.
#include <QString>
#include <cstdint>

namespace NorvikFlash {

class cFileDialog {
public:
    QString DefaultExt;
    QString DialogTitle;
    QString FileName;
    QString FileTitle;
    QString Filter;          // "description|pattern|..."
    int32_t FilterIndex = 0;
    int32_t Flags = 0;
    intptr_t hWndParent = 0;  // accepted for the callers' sake; the dialog parents itself
    QString InitialDir;
    // Size of the name buffers: a chosen path must fit in MaxFileSize - 1 characters, or
    // the dialog fails as it does when its buffer is too small.
    int32_t MaxFileSize = 260;

    // The Open dialog (true) or the Save dialog (false). True when the user confirmed a
    // file; otherwise every property stays as it was.
    bool Show(bool openDialog);
};

// A text cut at the first pair of null characters, with every null left in it made a
// blank; a text without such a pair comes back whole.
QString TrimNulls(const QString& text);

}  // namespace NorvikFlash
