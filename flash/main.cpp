// NorvikFlash: programs firmware and start-up logos into the maker's instruments over a
// serial port, and reads an instrument's firmware version and serial number.
#include "flash/FlashGlobals.h"
#include "flash/frmMain.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    NorvikFlash::SetProgramInfo();
    QCoreApplication::setApplicationName(QStringLiteral("NorvikFlash"));
    NorvikFlash::frmMain window;
    window.show();
    return app.exec();
}
