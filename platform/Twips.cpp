#include "platform/Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace {

double dpi(bool vertical) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    double d = screen ? (vertical ? screen->logicalDotsPerInchY() : screen->logicalDotsPerInchX()) : 96.0;
    return d > 0 ? d : 96.0;
}

}  // namespace

double TwipsPerPixelX() { return 1440.0 / dpi(false); }
double TwipsPerPixelY() { return 1440.0 / dpi(true); }
int TwipsToPixelsX(double twips) { return int(std::lround(twips / TwipsPerPixelX())); }
int TwipsToPixelsY(double twips) { return int(std::lround(twips / TwipsPerPixelY())); }
double PixelsToTwipsX(int pixels) { return pixels * TwipsPerPixelX(); }
double PixelsToTwipsY(int pixels) { return pixels * TwipsPerPixelY(); }
