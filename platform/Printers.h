#pragma once
// The printers: one seam. The program asks how many printers there are, prints on the
// default printer and shows the page set-up dialog through these calls. A test stands in
// a PDF file for the default printer and answers the page set-up dialog, so nothing is
// ever printed on a real printer or waits on a modal dialog.
#include <QString>
#include <functional>

class QPrinter;

// The printers the program can print on (a stand-in counts as one).
int PrinterCount();
// The default printer's name; empty when there is none.
QString DefaultPrinterName();
// Points printer at the default printer with that printer's own settings. False when
// there is no printer.
bool SelectDefaultPrinter(QPrinter& printer);

// Shows the page set-up dialog on printer, which starts with the default printer's
// settings; true when the user confirmed (printer then holds the choice).
bool ShowPageSetupDialog(QPrinter& printer);
using PageSetupResponder = std::function<bool(QPrinter&)>;
// Installs a responder in place of the real dialog; an empty one restores it.
void SetPageSetupResponder(PageSetupResponder responder);

// Tests: a default printer that writes each document to pdfFile (named name); an empty
// file name returns to the system's printers. With noPrinter the program sees no printer
// at all.
void SetStandInPrinter(const QString& pdfFile, const QString& name = QStringLiteral("PDF Printer"));
void SetNoPrinter(bool noPrinter);
