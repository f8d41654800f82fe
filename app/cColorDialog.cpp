#include "app/cColorDialog.h"

#include "app/RoutineError.h"
#include "platform/ColorDialogs.h"

bool cColorDialog::Show() {
    return ResultReportingErrors(QStringLiteral("Show"), false, [&] {
        ColorDialogRequest request;
        request.color = Color;
        request.flags = Flags;
        if (!ShowColorDialog(request)) return false;
        Color = request.color;
        return true;
    });
}
