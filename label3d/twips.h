#pragma once

#include <QtGlobal>

class QWidget;

// Lengths on the window are kept in twips (1/1440 inch), the unit of every stored position and
// margin; drawing works in pixels. The factor between them is the screen's logical DPI:
// twips per pixel = 1440 / DPI, 15 on an ordinary 96-DPI screen, 12 at 120 DPI.

constexpr int kTwipsPerInch = 1440;

// Twips per pixel of the screen the widget is on (the primary screen for nullptr or a widget not
// yet on a screen). A screen that reports no usable DPI counts as 96 DPI.
double twipsPerPixelX(const QWidget *widget = nullptr);
double twipsPerPixelY(const QWidget *widget = nullptr);

// Whole-number division of a twips length by the twips per pixel rounded to a whole number (at
// least 1), truncating toward zero: 44 twips are 2 pixels at 15, -44 twips are -2. Used where a
// margin becomes a pixel offset. Results beyond the int range saturate.
int twipsDivPixels(qint64 twips, double twipsPerPixel);

// Rounded conversions (half away from zero), for lengths that are measured in one unit and stored
// in the other. Results beyond the int range saturate.
int twipsToPixelsRounded(double twips, double twipsPerPixel);
int pixelsToTwipsRounded(double pixels, double twipsPerPixel);
