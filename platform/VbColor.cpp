#include "platform/VbColor.h"

#include <QGuiApplication>
#include <QPalette>

namespace {

QColor systemColor(uint32_t index) {
    const QPalette pal = QGuiApplication::palette();
    switch (index) {
    case 0: return pal.color(QPalette::Button);                               // scroll bars
    case 1: return pal.color(QPalette::Dark);                                 // desktop
    case 2: return pal.color(QPalette::Highlight);                            // active title bar
    case 3: return pal.color(QPalette::Mid);                                  // inactive title bar
    case 4: return pal.color(QPalette::Window);                               // menu bar
    case 5: return pal.color(QPalette::Base);                                 // window background
    case 6: return pal.color(QPalette::Shadow);                               // window frame
    case 7: return pal.color(QPalette::WindowText);                           // menu text
    case 8: return pal.color(QPalette::Text);                                 // window text
    case 9: return pal.color(QPalette::HighlightedText);                      // title bar text
    case 10: case 11: return pal.color(QPalette::Window);                     // borders
    case 12: return pal.color(QPalette::Dark);                                // application workspace
    case 13: return pal.color(QPalette::Highlight);
    case 14: return pal.color(QPalette::HighlightedText);
    case 15: return pal.color(QPalette::Button);                              // button face
    case 16: return pal.color(QPalette::Dark);                                // button shadow
    case 17: return pal.color(QPalette::Disabled, QPalette::Text);            // grey text
    case 18: return pal.color(QPalette::ButtonText);
    case 19: return pal.color(QPalette::Disabled, QPalette::WindowText);      // inactive caption text
    case 20: return pal.color(QPalette::Light);                               // 3D highlight
    case 21: return pal.color(QPalette::Shadow);                              // 3D dark shadow
    case 22: return pal.color(QPalette::Midlight);                            // 3D light
    case 23: return pal.color(QPalette::ToolTipText);
    case 24: return pal.color(QPalette::ToolTipBase);
    default: return QColor();
    }
}

}  // namespace

QColor VbColor(uint32_t value) {
    if (value & 0x80000000u) return systemColor(value & 0x00FFFFFFu);
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

uint32_t VbRGB(int red, int green, int blue) {
    return uint32_t(red & 0xFF) | (uint32_t(green & 0xFF) << 8) | (uint32_t(blue & 0xFF) << 16);
}
