#pragma once

#include <QRect>
#include <QtGlobal>

#include <limits>

// Where the main window stands and the sizes that give its height for a number of rows, all in
// twips: the screen's work area, the strip of memory buttons, the rest of the window beside the
// field, the strip and the caption bar, one row of the field, and the window's last recorded
// position. The history window takes the main window's.
//
// The window is kept wholly on the work area of its screen: its left edge at least the area's
// left (and its right edge inside, as far as its width permits), its top inside likewise, giving
// up rows of the field when it is taller than the area, but never its last row. An empty area (no
// output connected, a screen being reconfigured) is never taken: the window keeps its place and
// height until a real one comes back.
struct Placement
{
    qint32 screenLeft = 0;
    qint32 screenTop = 0;
    qint32 screenWidth = 0;
    qint32 screenHeight = 0;
    float stripHeight = 0;
    float frameSpare = 0;
    float rowHeight = 0;
    float formLeft = 0;
    float formTop = 0;

    // Whether a work area is known: one of some size.
    bool hasScreen() const { return screenWidth > 0 && screenHeight > 0; }

    // Takes the work area of the window's screen (in pixels, at the screen's twips per pixel) as
    // twips. An empty area is not taken and the last one stays; false then.
    bool setScreenArea(const QRect &area, double twipsPerPixelX, double twipsPerPixelY);

    // For a number of rows (within the options' limits): how much the field grows from its
    // present height, and the window's outer height, given the caption bar (with the frame's
    // lower border) and the field's top; the strip of memory buttons adds its height when shown.
    struct Height
    {
        double fieldGrowth;
        double window;
    };
    Height heightFor(qint32 rows, bool strip, double caption, double fieldTop, double fieldHeight) const;

    // A left edge that keeps a window of that width on the work area: its right edge inside as
    // far as the width permits, its left edge never left of the area. Without a work area, only
    // never left of 0.
    float clampedLeft(float left, double windowWidth) const;

    // A window of the given height at top, showing `rows` rows, whose field grows by fieldGrowth:
    // one that would leave the work area at the bottom moves up; one taller than the area goes to
    // its top and gives up rows until it fits, keeping at least one (a caller that does not pass
    // the rows gives up as many as it takes). Without a work area only a top above 0 comes down.
    struct Fit
    {
        float top;
        double height;
        double fieldGrowth;
    };
    Fit fitOnScreen(float top, double height, double fieldGrowth,
                    qint32 rows = std::numeric_limits<qint32>::max()) const;

    // The window's outer rectangle (pixels) moved wholly onto a work area, for when the screen
    // changes or shrinks under a window that stays: the size is kept, the left and top edges win
    // when it is larger than the area (its height is then for fitOnScreen to mend, by rows).
    // With an empty area the rectangle only comes out of negative coordinates.
    static QRect placedOnArea(const QRect &frame, const QRect &area);
};
