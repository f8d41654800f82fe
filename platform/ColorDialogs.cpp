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
    // The custom colours start black on every call; without flag 1 the dialog starts
    // from black too.
    for (int i = 0; i < QColorDialog::customCount(); ++i) QColorDialog::setCustomColor(i, Qt::black);
    QColor initial = (req.flags & 1) ? VbColor(req.color) : QColor(Qt::black);
    if (!initial.isValid()) initial = Qt::black;
    const QColor chosen = QColorDialog::getColor(initial, req.owner ? req.owner : QApplication::activeWindow());
    if (!chosen.isValid()) return answer;
    answer.confirmed = true;
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
