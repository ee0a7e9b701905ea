#include "placement.h"

#include "settings.h"

Placement::Height Placement::heightFor(qint32 rows, bool strip, double caption, double fieldTop,
                                       double fieldHeight) const
{
    // One row is rowHeight; the field has 120 twips of margins round its rows.
    const double growth = rowHeight * rows + 120 - fieldHeight;
    return {growth, caption + fieldTop + fieldHeight + growth + frameSpare + (strip ? stripHeight : 0)};
}

float Placement::clampedLeft(float left, double windowWidth) const
{
    if (left < 0)
        left = 0;
    if (left > screenWidth - windowWidth)
        left = static_cast<float>(screenWidth - windowWidth);
    return left;
}

Placement::Fit Placement::fitOnScreen(float top, double height, double fieldGrowth) const
{
    if (top < 0)
        top = 0;
    if (top + height > screenHeight) {
        if (height < screenHeight) {
            top = static_cast<float>(screenHeight - height);
        } else {
            top = 0;
            do {
                fieldGrowth -= rowHeight;
                height -= rowHeight;
            } while (height > screenHeight && rowHeight > 0);
        }
    }
    return {top, height, fieldGrowth};
}
