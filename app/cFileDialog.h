#pragma once
// The Open / Save As file dialog object of the main program: its properties are set, Show
// asks, and on confirmation FileName and FileTitle hold the choice. The dialog goes through
// the file-dialog seam, so tests answer it.
#include <QString>
#include <cstdint>

class cFileDialog {
public:
    QString DefaultExt;   // added to a name typed without an extension
    QString DialogTitle;
    QString FileName;     // the initial name; after a confirmed Show the chosen full path
    QString FileTitle;    // after a confirmed Show the chosen name without its folder
    QString Filter;       // "description|pattern|description|pattern..."
    int16_t FilterIndex = 0;  // 1-based; 0 = the first
    int32_t Flags = 0;        // FileDialogFlags, passed as given
    int32_t hWndParent = 0;   // kept for the callers; the dialog takes the active window
    QString InitialDir;
    int16_t MaxFileSize = 0;  // kept only: the names always have 260 characters of room

    // The Open dialog (OpenDialog true) or the Save As dialog. True when the user confirmed
    // a file; otherwise FileName and FileTitle stay as they were. A run-time error is
    // reported in a box titled "Show" and gives false.
    bool Show(bool OpenDialog);
};
