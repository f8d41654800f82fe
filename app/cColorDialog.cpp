#include "app/cColorDialog.h"

#include "app/RoutineError.h"
#include "platform/ColorDialogs.h"

bool cColorDialog::Show() {
    bool confirmed = false;
    RunReportingErrors(QStringLiteral("Show"), [&] {
        ColorDialogRequest request;
        request.color = Color;
        request.flags = Flags;
        request.owner = hWndParent;
        confirmed = ShowColorDialog(request);
        if (confirmed) Color = request.color;
    });
    return confirmed;
}
