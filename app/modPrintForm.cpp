#include "app/modPrintForm.h"

#include "platform/Printers.h"
#include "platform/RuntimeError.h"

#include <QPainter>
#include <QPixmap>
#include <QPrinter>
#include <QWidget>

namespace modPrintForm {

namespace {

RuntimeError PrinterError() { return {482, QStringLiteral("Printer error")}; }

}  // namespace

void PrintForm(QWidget* Form, const std::function<void(QPrinter&)>& setUp) {
    if (!Form) throw RuntimeError::ObjectNotSet();
    QWidget* window = Form->window();
    window->raise();
    const QPixmap picture = window->grab();

    QPrinter printer(QPrinter::HighResolution);
    if (!SelectDefaultPrinter(printer)) throw PrinterError();
    if (setUp) setUp(printer);
    QPainter painter;
    if (!painter.begin(&printer)) throw PrinterError();
    // The picture keeps the size it has on the screen.
    const double scale = double(printer.resolution()) / window->logicalDpiX();
    painter.scale(scale, scale);
    painter.drawPixmap(0, 0, picture);
    if (!painter.end()) throw PrinterError();
}

}  // namespace modPrintForm
