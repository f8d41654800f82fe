#pragma once
// The page set-up dialog object. Show starts from the default printer's settings (not from
// these properties), and on confirmation stores the printer's settings and the margins
// into the properties. One global instance, gPageSetup, made by the start routine.
//
// Codes follow the original's printer settings: Orientation 1 portrait, 2 landscape;
// PaperSize the paper's Windows code (9 = A4, 1 = Letter); PaperLength and PaperWidth in
// tenths of a millimetre; Duplex 1 simplex, 2 long edge, 3 short edge; PrintQuality and
// YResolution in dots per inch. Margins are in thousandths of an inch with flag 4, in
// hundredths of a millimetre with flag 8, else in the unit of the locale's measurement
// system.
#include <QString>
#include <cstdint>

// Option flags of the page set-up dialog, as the original passed them.
enum PageSetupFlags : int32_t {
    cdlPSDMinMargins = 0x1,
    cdlPSDMargins = 0x2,              // start from the Margin properties
    cdlPSDInThousandthsOfInches = 0x4,
    cdlPSDInHundredthsOfMillimeters = 0x8,
    cdlPSDReturnDefault = 0x400,      // the default printer's set-up, without a dialog
};

class cPageSetupDialog {
public:
    bool Collate = false;
    bool Color = false;
    int16_t Copies = 0;  // never changed by Show
    QString DeviceName() const { return DeviceName_; }
    int32_t Duplex = 0;
    int32_t Flags = 0;   // passed ANDed with &H5FFF
    int32_t hWndParent = 0;
    int32_t MarginBottom = 0, MarginLeft = 0, MarginRight = 0, MarginTop = 0;
    int32_t MarginMinBottom = 0, MarginMinLeft = 0, MarginMinRight = 0, MarginMinTop = 0;
    int32_t Orientation = 0;
    int32_t PaperSize = 0;
    int32_t PaperLength = 0, PaperWidth = 0;
    int32_t PrintQuality = 0;
    int32_t PrintScale = 0;
    int32_t TTOption = 0;
    int32_t YResolution = 0;

    // True when the user confirmed, or, with flag &H400, when a default printer exists.
    // Nothing changes otherwise. A run-time error is reported ("Show") and gives false.
    bool Show();

private:
    QString DeviceName_;
};

// The page set-up of the default printer, made by the start routine.
extern cPageSetupDialog* gPageSetup;
