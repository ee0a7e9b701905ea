#pragma once

#include <QtGlobal>

// Where the main window stands and the sizes that give its height for a number of rows, all in
// twips: the screen's work area, the strip of memory buttons, the rest of the window beside the
// field, the strip and the caption bar, one row of the field, and the window's last recorded
// position. The history window takes the main window's.
struct Placement
{
    qint32 screenWidth = 0;
    qint32 screenHeight = 0;
    float stripHeight = 0;
    float frameSpare = 0;
    float rowHeight = 0;
    float formLeft = 0;
    float formTop = 0;

    // For a number of rows (within the options' limits): how much the field grows from its
    // present height, and the window's outer height, given the caption bar (with the frame's
    // lower border) and the field's top; the strip of memory buttons adds its height when shown.
    struct Height
    {
        double fieldGrowth;
        double window;
    };
    Height heightFor(qint32 rows, bool strip, double caption, double fieldTop, double fieldHeight) const;

    // A left edge that keeps a window of that width on the screen.
    float clampedLeft(float left, double windowWidth) const;

    // A window of the given height at top, whose field grows by fieldGrowth: one that would leave
    // the screen at the bottom moves up; one taller than the screen goes to the top and gives up
    // rows until it fits.
    struct Fit
    {
        float top;
        double height;
        double fieldGrowth;
    };
    Fit fitOnScreen(float top, double height, double fieldGrowth) const;
};
