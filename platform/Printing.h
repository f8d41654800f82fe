#pragma once
// Printing a picture of a window: one seam for choosing the printer. The program asks
// through ChoosePrinter; the real answer comes from the print dialog, a test installs a
// responder that sets the printer up (a PDF file) and answers, so no test ever waits on
// a modal dialog.
#include <functional>

class QPixmap;
class QPrinter;
class QWidget;

// Sets the printer up and returns true to print, false to cancel.
using PrinterResponder = std::function<bool(QPrinter&)>;

// Lets the user choose and set up the printer; false when cancelled.
bool ChoosePrinter(QPrinter& printer, QWidget* parent);

// Installs a responder in place of the print dialog; an empty one restores it.
void SetPrinterResponder(PrinterResponder responder);

// Prints the picture on one page at the top left of the printable area, in its natural
// size or scaled down to fit the page. False when the printer cannot be started.
bool PrintPicture(QPrinter& printer, const QPixmap& picture);
