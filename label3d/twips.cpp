#include "twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>
#include <limits>

namespace {

constexpr double kFallbackDpi = 96.0;

const QScreen *screenOf(const QWidget *widget)
{
    if (widget) {
        if (const QScreen *screen = widget->screen())
            return screen;
    }
    return QGuiApplication::primaryScreen();
}

double twipsPerPixel(double dpi)
{
    if (!(dpi > 0.0) || !std::isfinite(dpi))
        dpi = kFallbackDpi;
    return kTwipsPerInch / dpi;
}

int saturate(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (value <= double(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

int roundHalfAway(double value)
{
    return saturate(std::round(value));
}

} // namespace

double twipsPerPixelX(const QWidget *widget)
{
    const QScreen *screen = screenOf(widget);
    return twipsPerPixel(screen ? screen->logicalDotsPerInchX() : kFallbackDpi);
}

double twipsPerPixelY(const QWidget *widget)
{
    const QScreen *screen = screenOf(widget);
    return twipsPerPixel(screen ? screen->logicalDotsPerInchY() : kFallbackDpi);
}

int twipsDivPixels(qint64 twips, double twipsPerPixel)
{
    const qint64 divisor = std::max<qint64>(1, roundHalfAway(twipsPerPixel));
    return saturate(double(twips / divisor)); // C++ division truncates toward zero
}

int twipsToPixelsRounded(double twips, double twipsPerPixel)
{
    return roundHalfAway(twips / (twipsPerPixel > 0.0 ? twipsPerPixel : 15.0));
}

int pixelsToTwipsRounded(double pixels, double twipsPerPixel)
{
    return roundHalfAway(pixels * (twipsPerPixel > 0.0 ? twipsPerPixel : 15.0));
}
