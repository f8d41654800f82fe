#include "app/cPageSetupDialog.h"

#include "app/RoutineError.h"
#include "platform/Printers.h"

#include <QLocale>
#include <QMarginsF>
#include <QPageLayout>
#include <QPrinter>
#include <cmath>

cPageSetupDialog* gPageSetup = nullptr;

namespace {

constexpr int32_t kPassedFlags = 0x5FFF;  // no hook or template flags
constexpr int kDeviceNameRoom = 32;

// Millimetres per margin unit of the flags (or of the locale).
double MillimetresPerUnit(int32_t flags) {
    if (flags & cdlPSDInThousandthsOfInches) return 25.4 / 1000.0;
    if (flags & cdlPSDInHundredthsOfMillimeters) return 0.01;
    return QLocale::system().measurementSystem() == QLocale::MetricSystem ? 0.01 : 25.4 / 1000.0;
}

int32_t InUnits(double millimetres, double perUnit) {
    return static_cast<int32_t>(std::lround(millimetres / perUnit));
}

int32_t DuplexCode(QPrinter::DuplexMode mode) {
    switch (mode) {
    case QPrinter::DuplexLongSide: return 2;
    case QPrinter::DuplexShortSide: return 3;
    default: return 1;
    }
}

}  // namespace

bool cPageSetupDialog::Show() {
    return ResultReportingErrors(QStringLiteral("Show"), false, [&] {
        const int32_t flags = Flags & kPassedFlags;
        const double perUnit = MillimetresPerUnit(flags);
        QPrinter printer(QPrinter::HighResolution);
        if (!SelectDefaultPrinter(printer)) return false;

        if (!(flags & cdlPSDReturnDefault)) {
            if (flags & cdlPSDMargins)
                printer.setPageMargins(QMarginsF(MarginLeft * perUnit, MarginTop * perUnit, MarginRight * perUnit,
                                                 MarginBottom * perUnit),
                                       QPageLayout::Millimeter);
            if (!ShowPageSetupDialog(printer)) return false;
            const QMarginsF m = printer.pageLayout().margins(QPageLayout::Millimeter);
            MarginLeft = InUnits(m.left(), perUnit);
            MarginTop = InUnits(m.top(), perUnit);
            MarginRight = InUnits(m.right(), perUnit);
            MarginBottom = InUnits(m.bottom(), perUnit);
        }

        const QPageLayout layout = printer.pageLayout();
        const QSizeF paper = layout.pageSize().size(QPageSize::Millimeter);
        Collate = printer.collateCopies();
        Color = printer.colorMode() == QPrinter::Color;
        DeviceName_ = DefaultPrinterName().left(kDeviceNameRoom);
        Duplex = DuplexCode(printer.duplex());
        Orientation = layout.orientation() == QPageLayout::Landscape ? 2 : 1;
        PaperSize = layout.pageSize().windowsId();
        PaperLength = static_cast<int32_t>(std::lround(paper.height() * 10));
        PaperWidth = static_cast<int32_t>(std::lround(paper.width() * 10));
        PrintQuality = printer.resolution();
        PrintScale = 100;
        TTOption = 0;  // no TrueType handling on this platform
        YResolution = printer.resolution();
        return true;
    });
}
