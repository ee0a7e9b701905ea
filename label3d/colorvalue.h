#pragma once

#include <QColor>
#include <QPalette>
#include <QtGlobal>

#include <optional>

// Colour values as the program stores them: a 32-bit value that is either an RGB colour with red
// in the low byte (0x00BBGGRR) or, with the high bit set, a reference to a system colour whose
// index sits in the low byte (0x800000nn). A reference is resolved only when something is drawn,
// through the application palette, so a dark desktop palette is followed without storing anything
// new. Settings that hold the value as a signed 32-bit number (0x80000012 reads -2147483630) are
// the same bits: cast them to quint32.

constexpr quint32 kSystemColorFlag = 0x80000000u;

// The references the program uses by name.
constexpr quint32 kSysColorWindow = 0x80000005u;            // text field background
constexpr quint32 kSysColorButtonFace = 0x8000000Fu;        // form and button face
constexpr quint32 kSysColorButtonText = 0x80000012u;        // button text
constexpr quint32 kSysColorInfoBackground = 0x80000018u;    // tooltip background

// The palette entry that stands in for a system colour index:
//   0 scroll bar            Active Button          16 button shadow     Active Dark
//   1 desktop               Active Dark            17 grey text         Disabled Text
//   2 active caption        Active Highlight       18 button text       Active ButtonText
//   3 inactive caption      Inactive Mid           19 inactive caption text  Disabled WindowText
//   4 menu                  Active Window          20 button highlight  Active Light
//   5 window                Active Base            21 3D dark shadow    Active Shadow
//   6 window frame          Active WindowText      22 3D light          Active Midlight
//   7 menu text             Active WindowText      23 tooltip text      Active ToolTipText
//   8 window text           Active Text            24 tooltip background Active ToolTipBase
//   9 caption text          Active HighlightedText 26 hot-tracking      Active Link
//  10 active border         Active Button          27 active caption gradient   Active Highlight
//  11 inactive border       Active Button          28 inactive caption gradient Inactive Mid
//  12 application workspace Active Mid             29 menu highlight    Active Highlight
//  13 highlight             Active Highlight       30 menu bar          Active Window
//  14 highlighted text      Active HighlightedText
//  15 button face           Active Button
// Index 25 and everything above 30 name no colour.
struct SystemColorRole
{
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};
std::optional<SystemColorRole> systemColorRole(int index);

// The RGB value (red in the low byte) that colorValue stands for now, or -1 when it is neither an
// RGB value (high byte 0) nor a reference to a known system colour.
qint32 translateColorValue(quint32 colorValue, const QPalette &palette);
qint32 translateColorValue(quint32 colorValue); // through the application palette

// The colour to paint with for a translated value. -1 (a failed translation) paints white, the
// colour its low three bytes spell.
QColor colorFromRgbValue(qint32 rgbValue);

// The RGB value of a colour, red in the low byte (alpha is dropped).
quint32 rgbValueFromColor(const QColor &color);

// translateColorValue then colorFromRgbValue.
QColor resolveColorValue(quint32 colorValue);

// The contrast ratio of two colours (1 to 21), from their relative luminance as the web's
// accessibility guidelines define it.
double contrastRatio(const QColor &a, const QColor &b);

// foreground itself when it stands out from background by at least minRatio; otherwise the
// first mix of foreground towards `towards` (in steps of a twentieth) that does; when not even
// `towards` does (a dark theme's light button text on a light tooltip background), black or
// white, whichever stands out more. A grey text stays grey but never fades into a panel of
// nearly its own shade.
QColor readableOn(const QColor &foreground, const QColor &background, const QColor &towards,
                  double minRatio);

// The least contrast of a text on its background (the web's accessibility guidelines' level for
// body text): the calculation field's pair is drawn at least this readable unless the user chose
// both colours.
constexpr double kMinimumReadableContrast = 4.5;

// The colours a text and its background are drawn with.
struct DrawnColors
{
    QColor text;
    QColor back;
};

// The colours to draw the pair of colour values textValue on backValue with, through palette:
//  - two RGB values are the user's own choice and are drawn as chosen, readable or not;
//  - otherwise the pair as resolved, when it reads at kMinimumReadableContrast at least;
//  - otherwise the colour that came from the palette becomes black or white, whichever reads
//    better on the other one; when both came from the palette, the text does. The palette pairs
//    its colours by role (tooltip text on tooltip base); the field's default pairs button text
//    with tooltip base, and a dark theme that keeps a light tooltip base gives near-white text
//    on light yellow (1.1:1).
// A value that is neither RGB nor a known system colour counts as a palette colour.
DrawnColors readableColors(quint32 textValue, quint32 backValue, const QPalette &palette);
DrawnColors readableColors(quint32 textValue, quint32 backValue); // the application palette
