#include "platform/ColorDialogs.h"

#include "platform/VbColor.h"

#include <QApplication>
#include <QColorDialog>

namespace {

ColorDialogResponder& responder() {
    static ColorDialogResponder r;
    return r;
}

ColorDialogAnswer RunQtDialog(const ColorDialogRequest& req) {
    ColorDialogAnswer answer;
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return answer;
    for (int i = 0; i < QColorDialog::customCount(); ++i) QColorDialog::setCustomColor(i, Qt::black);
    QColor initial = Qt::black;
    if (req.flags & cdlCCRGBInit) {
        const QColor given = VbColor(req.color);
        if (given.isValid()) initial = given;
    }
    QColorDialog dlg(initial, QApplication::activeWindow());
    if (dlg.exec() != QDialog::Accepted) return answer;
    answer.confirmed = true;
    const QColor chosen = dlg.selectedColor();
    answer.color = VbRGB(chosen.red(), chosen.green(), chosen.blue());
    return answer;
}

}  // namespace

void SetColorDialogResponder(ColorDialogResponder r) { responder() = std::move(r); }

bool ShowColorDialog(ColorDialogRequest& request) {
    const ColorDialogAnswer answer = responder() ? responder()(request) : RunQtDialog(request);
    if (!answer.confirmed) return false;
    request.color = answer.color;
    return true;
}
