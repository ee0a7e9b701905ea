#include "placement.h"

#include "settings.h"

#include <algorithm>
#include <cmath>

bool Placement::setScreenArea(const QRect &area, double twipsPerPixelX, double twipsPerPixelY)
{
    if (area.width() <= 0 || area.height() <= 0 || twipsPerPixelX <= 0 || twipsPerPixelY <= 0)
        return false;
    screenLeft = static_cast<qint32>(std::lround(area.x() * twipsPerPixelX));
    screenTop = static_cast<qint32>(std::lround(area.y() * twipsPerPixelY));
    screenWidth = static_cast<qint32>(std::lround(area.width() * twipsPerPixelX));
    screenHeight = static_cast<qint32>(std::lround(area.height() * twipsPerPixelY));
    return true;
}

Placement::Height Placement::heightFor(qint32 rows, bool strip, double caption, double fieldTop,
                                       double fieldHeight) const
{
    // One row is rowHeight; the field has 120 twips of margins round its rows.
    const double growth = rowHeight * rows + 120 - fieldHeight;
    return {growth, caption + fieldTop + fieldHeight + growth + frameSpare + (strip ? stripHeight : 0)};
}

float Placement::clampedLeft(float left, double windowWidth) const
{
    if (!hasScreen())
        return std::max(left, 0.0f);
    // The right edge first, so that the left one wins for a window wider than the area.
    const double right = double(screenLeft) + screenWidth - windowWidth;
    if (left > right)
        left = static_cast<float>(right);
    return std::max(left, static_cast<float>(screenLeft));
}

Placement::Fit Placement::fitOnScreen(float top, double height, double fieldGrowth, qint32 rows) const
{
    if (!hasScreen())
        return {std::max(top, 0.0f), height, fieldGrowth};
    top = std::max(top, static_cast<float>(screenTop));
    const double bottom = double(screenTop) + screenHeight;
    if (top + height <= bottom)
        return {top, height, fieldGrowth};
    if (height <= screenHeight)
        return {static_cast<float>(bottom - height), height, fieldGrowth};
    top = static_cast<float>(screenTop);
    for (qint32 shown = rows; height > screenHeight && rowHeight > 0 && shown > 1; --shown) {
        fieldGrowth -= rowHeight;
        height -= rowHeight;
    }
    return {top, height, fieldGrowth};
}

QRect Placement::placedOnArea(const QRect &frame, const QRect &area)
{
    QRect placed = frame;
    if (area.width() <= 0 || area.height() <= 0) {
        placed.moveTo(std::max(frame.x(), 0), std::max(frame.y(), 0));
        return placed;
    }
    // The right and bottom edges first, so that the left and top ones win.
    int x = std::min(frame.x(), area.x() + area.width() - frame.width());
    int y = std::min(frame.y(), area.y() + area.height() - frame.height());
    placed.moveTo(std::max(x, area.x()), std::max(y, area.y()));
    return placed;
}
