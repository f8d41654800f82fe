#include "flash/StartupLogo.h"

#include "app/VBConv.h"
#include "platform/VbColor.h"

#include <algorithm>

namespace NorvikFlash {

uint32_t PaletteColor(int index) {
    index = std::clamp(index, 0, kPaletteColors - 1);
    return VbRGB(255 - 51 * (index / 36), 255 - 51 * ((index / 6) % 6), 255 - 51 * (index % 6));
}

int PaletteIndexAt(double x, double y, double width, double height) {
    const double cellH = vb::Round(height / kPaletteRows);
    const double cellW = vb::Round(width / kPaletteColumns);
    if (cellH <= 0 || cellW <= 0) return 0;
    const int row = std::clamp(static_cast<int>(vb::Round(y) / cellH), 0, kPaletteRows - 1);
    const int column = std::clamp(static_cast<int>(vb::Round(x) / cellW), 0, kPaletteColumns - 1);
    return row * kPaletteColumns + column;
}

QImage PaletteImage() {
    QImage image(kPaletteWidth, kPaletteHeight, QImage::Format_RGB32);
    for (int y = 0; y < kPaletteHeight; ++y)
        for (int x = 0; x < kPaletteWidth; ++x)
            image.setPixelColor(x, y, VbColor(PaletteColor(PaletteIndexAt(x, y, kPaletteWidth, kPaletteHeight))));
    return image;
}

void LogoSize(const QByteArray& header, int& width, int& height) {
    const auto byte = [&](int i) { return i < header.size() ? static_cast<uint8_t>(header[i]) : 0; };
    width = byte(18) + 256 * byte(19);
    height = byte(22) + 256 * byte(23);
}

void PatchLogoBlock(QByteArray& block, int32_t colorNum, int32_t location) {
    if (block.size() < kMinLogoFileSize) return;
    block[38] = static_cast<char>(colorNum & 0xFF);
    const auto bits = static_cast<uint32_t>(location);
    for (int i = 0; i < 4; ++i) block[42 + i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
}

}  // namespace NorvikFlash
