#pragma once
// The start-up screen of an instrument: the 216-colour palette its background is chosen
// from, the logo's place on the 320-pixel-wide screen, and the patch that carries both
// choices inside the first block of a logo bitmap.
#include <QByteArray>
#include <QImage>
#include <cstdint>

namespace NorvikFlash {

constexpr int kPaletteRows = 12;
constexpr int kPaletteColumns = 18;
constexpr int kPaletteColors = kPaletteRows * kPaletteColumns;
// The palette picture, in pixels.
constexpr int kPaletteWidth = 345;
constexpr int kPaletteHeight = 158;
// Screen columns per row of the logo position (Location = Y * 320 + X).
constexpr int kScreenColumns = 320;
// A bitmap shorter than this has no field for the screen choices.
constexpr int kMinLogoFileSize = 46;

// The colour value (&H00BBGGRR) of a palette index 0..215: 0 white, 215 black.
uint32_t PaletteColor(int index);
// The palette index under (x, y) of a palette picture of the given size, all in one
// unit: row = y div (height / 12), column = x div (width / 18), each value rounded to a
// whole number first; a point on the picture's last pixels stays in the last cell.
int PaletteIndexAt(double x, double y, double width, double height);
// The palette picture, each pixel coloured as PaletteIndexAt places it.
QImage PaletteImage();

// The logo's size in bitmap pixels from the file's header (width at bytes 18-19, height
// at bytes 22-23, low byte first); missing bytes count as 0.
void LogoSize(const QByteArray& header, int& width, int& height);
// Writes the colour index into byte 38 and the location into bytes 42 to 45 (low byte
// first) of the first block of a logo; a block shorter than 46 bytes is left alone.
void PatchLogoBlock(QByteArray& block, int32_t colorNum, int32_t location);

}  // namespace NorvikFlash
