#include "app/RoutineError.h"

#include "platform/Dialogs.h"

void ShowRoutineError(const QString& routine, int number, const QString& description) {
    MsgBox(QStringLiteral("Error: ") + QString::number(number) + QStringLiteral(". ") + description,
           vbOKOnly, routine);
}
