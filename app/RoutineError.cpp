#include "app/RoutineError.h"

#include "app/VBConv.h"
#include "platform/Dialogs.h"

void ShowRoutineError(const QString& routine, int number, const QString& description) {
    MsgBox(QStringLiteral("Error: ") + vb::CStr(number) + QStringLiteral(". ") + description, vbOKOnly,
           routine);
}
