#include "platform/Printers.h"

#include <QApplication>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QPrinterInfo>

namespace {

struct Seam {
    QString standInFile;
    QString standInName;
    bool noPrinter = false;
    PageSetupResponder pageSetup;
};

Seam& seam() {
    static Seam s;
    return s;
}

}  // namespace

int PrinterCount() {
    if (seam().noPrinter) return 0;
    if (!seam().standInFile.isEmpty()) return 1;
    return static_cast<int>(QPrinterInfo::availablePrinterNames().size());
}

QString DefaultPrinterName() {
    if (seam().noPrinter) return QString();
    if (!seam().standInFile.isEmpty()) return seam().standInName;
    return QPrinterInfo::defaultPrinterName();
}

bool SelectDefaultPrinter(QPrinter& printer) {
    if (seam().noPrinter) return false;
    if (!seam().standInFile.isEmpty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(seam().standInFile);
        return true;
    }
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) return false;
    printer.setPrinterName(info.printerName());
    return true;
}

bool ShowPageSetupDialog(QPrinter& printer) {
    if (seam().pageSetup) return seam().pageSetup(printer);
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return false;
    QPageSetupDialog dlg(&printer, QApplication::activeWindow());
    return dlg.exec() == QDialog::Accepted;
}

void SetPageSetupResponder(PageSetupResponder responder) { seam().pageSetup = std::move(responder); }

void SetStandInPrinter(const QString& pdfFile, const QString& name) {
    seam().standInFile = pdfFile;
    seam().standInName = name;
}

void SetNoPrinter(bool noPrinter) { seam().noPrinter = noPrinter; }
