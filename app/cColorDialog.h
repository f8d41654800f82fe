#pragma once
// The colour dialog object: Color is the colour the dialog starts from and, after a
// confirmed Show, the chosen one. The dialog goes through the colour-dialog seam.
#include <cstdint>

class cColorDialog {
public:
    uint32_t Color = 0;  // &H00BBGGRR
    int32_t Flags = 3;   // start from Color, custom colours shown
    int32_t hWndParent = 0;

    // True when the user confirmed a colour; otherwise Color stays. The 16 custom colours
    // start black on every call. A run-time error is reported ("Show") and gives false.
    bool Show();
};
