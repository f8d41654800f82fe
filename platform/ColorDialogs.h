#pragma once
// The colour dialog: one seam beside the file dialogs. The program asks through
// ShowColorDialog with the colour to start from; the real answer comes from a
// QColorDialog, a test installs a responder that records each request and answers it, so
// no test ever waits on a modal dialog.
#include <QString>
#include <cstdint>
#include <functional>

class QWidget;

struct ColorDialogRequest {
    uint32_t color = 0;         // the colour to start from (&H00BBGGRR or a system colour)
    int32_t flags = 0;          // the original's dialog flags (1: start from color)
    QWidget* owner = nullptr;   // the window the dialog belongs to
};

struct ColorDialogAnswer {
    bool confirmed = false;
    uint32_t color = 0;  // the chosen colour, &H00BBGGRR
};

using ColorDialogResponder = std::function<ColorDialogAnswer(const ColorDialogRequest&)>;

// Runs the dialog. When the user confirmed a colour, the request's color takes it and the
// result is true; otherwise the request is left as it was.
bool ShowColorDialog(ColorDialogRequest& request);

// Installs a responder in place of the real dialog; an empty one restores it.
void SetColorDialogResponder(ColorDialogResponder responder);
