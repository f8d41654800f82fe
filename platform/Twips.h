#pragma once
// Window geometry in the original's unit, the twip (1/1440 inch). Positions and heights
// that the windows compute in twips are turned into pixels of the primary screen here.

// Twips per screen pixel (Screen.TwipsPerPixelX/Y): 1440 / the screen's logical DPI.
double TwipsPerPixelX();
double TwipsPerPixelY();

// Pixels for a length in twips, rounded to the nearest pixel, and back.
int TwipsToPixelsX(double twips);
int TwipsToPixelsY(double twips);
double PixelsToTwipsX(int pixels);
double PixelsToTwipsY(int pixels);
