#pragma once
// The colour dialog: one seam beside the file dialogs. The program asks through
// ShowColorDialog; the real answer comes from a QColorDialog, a test installs a responder
// that records the request and answers it.
#include <cstdint>
#include <functional>

// Option flags of the colour dialog, as the original passed them.
enum ColorDialogFlags : int32_t {
    cdlCCRGBInit = 0x1,          // start from the given colour
    cdlCCFullOpen = 0x2,         // show the custom-colour part at once
    cdlCCPreventFullOpen = 0x4,
};

struct ColorDialogRequest {
    uint32_t color = 0;  // a stored colour, &H00BBGGRR (or a system colour)
    int32_t flags = 0;
};

struct ColorDialogAnswer {
    bool confirmed = false;
    uint32_t color = 0;  // the chosen colour, &H00BBGGRR
};

using ColorDialogResponder = std::function<ColorDialogAnswer(const ColorDialogRequest&)>;

// Runs the dialog; the 16 custom colours start black on every call. When the user
// confirmed, the request's color takes the choice and the result is true; otherwise the
// request is left as it was.
bool ShowColorDialog(ColorDialogRequest& request);

// Installs a responder in place of the real dialog; an empty one restores it.
void SetColorDialogResponder(ColorDialogResponder responder);
