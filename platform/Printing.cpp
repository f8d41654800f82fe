#include "platform/Printing.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QPrintDialog>
#include <QPrinter>

namespace {

PrinterResponder& responder() {
    static PrinterResponder r;
    return r;
}

}  // namespace

bool ChoosePrinter(QPrinter& printer, QWidget* parent) {
    if (responder()) return responder()(printer);
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return false;
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

void SetPrinterResponder(PrinterResponder r) { responder() = std::move(r); }

bool PrintPicture(QPrinter& printer, const QPixmap& picture) {
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    // The picture's pixels at the screen's resolution, shrunk when the page is smaller.
    const QRect page = painter.viewport();
    const double toPrinter = printer.resolution() / double(std::max(1, picture.logicalDpiX()));
    const QSizeF natural = QSizeF(picture.size()) / picture.devicePixelRatio() * toPrinter;
    QSizeF size = natural;
    if (size.width() > page.width() || size.height() > page.height())
        size = natural.scaled(QSizeF(page.size()), Qt::KeepAspectRatio);
    painter.drawPixmap(QRectF(QPointF(0, 0), size), picture, QRectF(picture.rect()));
    return painter.end();
}
