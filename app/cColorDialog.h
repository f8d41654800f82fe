#pragma once
// The colour dialog object: Color is set, Show asks, and on confirmation Color holds the
// choice. The dialog itself goes through the colour-dialog seam, so tests answer it.
#include <cstdint>

class QWidget;

class cColorDialog {
public:
    // The colour to start from; after a confirmed Show the chosen colour (&H00BBGGRR).
    uint32_t Color = 0;
    // 1: start from Color; 2: show the full dialog. Both at creation.
    int32_t Flags = 3;
    // The window the dialog belongs to.
    QWidget* hWndParent = nullptr;

    // True when the user confirmed a colour; otherwise Color stays as it was. An error is
    // reported under the name "Show" and gives False.
    bool Show();
};
