#pragma once
// Printing a window as the screen shows it: the window is brought to the top, captured,
// and drawn at its natural size at the top left of one page of the default printer.
#include <functional>

class QPrinter;
class QWidget;

namespace modPrintForm {

// Prints the window (its top-level window when given a control) on the default printer,
// which setUp may first change (another printer, copies, orientation...). Without a
// printer, or when the printer cannot start the page, raises RuntimeError 482 ("Printer
// error"), which the calling procedure reports.
void PrintForm(QWidget* Form, const std::function<void(QPrinter&)>& setUp = {});

}  // namespace modPrintForm
