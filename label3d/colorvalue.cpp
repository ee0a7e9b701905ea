#include "colorvalue.h"

#include <QGuiApplication>

#include <algorithm>
#include <cmath>

std::optional<SystemColorRole> systemColorRole(int index)
{
    using P = QPalette;
    switch (index) {
    case 0: return SystemColorRole{P::Active, P::Button};
    case 1: return SystemColorRole{P::Active, P::Dark};
    case 2: return SystemColorRole{P::Active, P::Highlight};
    case 3: return SystemColorRole{P::Inactive, P::Mid};
    case 4: return SystemColorRole{P::Active, P::Window};
    case 5: return SystemColorRole{P::Active, P::Base};
    case 6: return SystemColorRole{P::Active, P::WindowText};
    case 7: return SystemColorRole{P::Active, P::WindowText};
    case 8: return SystemColorRole{P::Active, P::Text};
    case 9: return SystemColorRole{P::Active, P::HighlightedText};
    case 10: return SystemColorRole{P::Active, P::Button};
    case 11: return SystemColorRole{P::Active, P::Button};
    case 12: return SystemColorRole{P::Active, P::Mid};
    case 13: return SystemColorRole{P::Active, P::Highlight};
    case 14: return SystemColorRole{P::Active, P::HighlightedText};
    case 15: return SystemColorRole{P::Active, P::Button};
    case 16: return SystemColorRole{P::Active, P::Dark};
    case 17: return SystemColorRole{P::Disabled, P::Text};
    case 18: return SystemColorRole{P::Active, P::ButtonText};
    case 19: return SystemColorRole{P::Disabled, P::WindowText};
    case 20: return SystemColorRole{P::Active, P::Light};
    case 21: return SystemColorRole{P::Active, P::Shadow};
    case 22: return SystemColorRole{P::Active, P::Midlight};
    case 23: return SystemColorRole{P::Active, P::ToolTipText};
    case 24: return SystemColorRole{P::Active, P::ToolTipBase};
    case 26: return SystemColorRole{P::Active, P::Link};
    case 27: return SystemColorRole{P::Active, P::Highlight};
    case 28: return SystemColorRole{P::Inactive, P::Mid};
    case 29: return SystemColorRole{P::Active, P::Highlight};
    case 30: return SystemColorRole{P::Active, P::Window};
    default: return std::nullopt;
    }
}

qint32 translateColorValue(quint32 colorValue, const QPalette &palette)
{
    if ((colorValue & 0xFF000000u) == 0)
        return static_cast<qint32>(colorValue);
    // A reference carries nothing but the index: 0x80000112 is no colour, not button text.
    if ((colorValue & 0xFFFFFF00u) != kSystemColorFlag)
        return -1;
    const auto entry = systemColorRole(static_cast<int>(colorValue & 0xFFu));
    if (!entry)
        return -1;
    return static_cast<qint32>(rgbValueFromColor(palette.color(entry->group, entry->role)));
}

qint32 translateColorValue(quint32 colorValue)
{
    return translateColorValue(colorValue, QGuiApplication::palette());
}

QColor colorFromRgbValue(qint32 rgbValue)
{
    const auto v = static_cast<quint32>(rgbValue);
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

quint32 rgbValueFromColor(const QColor &color)
{
    const QColor rgb = color.toRgb();
    return quint32(rgb.red()) | (quint32(rgb.green()) << 8) | (quint32(rgb.blue()) << 16);
}

QColor resolveColorValue(quint32 colorValue)
{
    return colorFromRgbValue(translateColorValue(colorValue));
}

namespace {

double relativeLuminance(const QColor &color)
{
    const QColor rgb = color.toRgb();
    auto linear = [](int channel) {
        const double c = channel / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(rgb.red()) + 0.7152 * linear(rgb.green()) + 0.0722 * linear(rgb.blue());
}

} // namespace

double contrastRatio(const QColor &a, const QColor &b)
{
    const double la = relativeLuminance(a);
    const double lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

namespace {

// Black or white, whichever stands out more from background.
QColor blackOrWhiteOn(const QColor &background)
{
    const QColor black(Qt::black), white(Qt::white);
    return contrastRatio(black, background) >= contrastRatio(white, background) ? black : white;
}

} // namespace

QColor readableOn(const QColor &foreground, const QColor &background, const QColor &towards,
                  double minRatio)
{
    const QColor from = foreground.toRgb();
    const QColor to = towards.toRgb();
    for (int step = 0; step <= 20; ++step) {
        const double t = step / 20.0;
        const QColor mixed(qRound(from.red() + (to.red() - from.red()) * t),
                           qRound(from.green() + (to.green() - from.green()) * t),
                           qRound(from.blue() + (to.blue() - from.blue()) * t));
        if (contrastRatio(mixed, background) >= minRatio)
            return mixed;
    }
    return blackOrWhiteOn(background);
}

DrawnColors readableColors(quint32 textValue, quint32 backValue, const QPalette &palette)
{
    const auto isRgb = [](quint32 value) { return (value & 0xFF000000u) == 0; };
    DrawnColors drawn{colorFromRgbValue(translateColorValue(textValue, palette)),
                      colorFromRgbValue(translateColorValue(backValue, palette))};
    if ((isRgb(textValue) && isRgb(backValue))
        || contrastRatio(drawn.text, drawn.back) >= kMinimumReadableContrast)
        return drawn;
    if (isRgb(textValue))
        drawn.back = blackOrWhiteOn(drawn.text);
    else
        drawn.text = blackOrWhiteOn(drawn.back);
    return drawn;
}

DrawnColors readableColors(quint32 textValue, quint32 backValue)
{
    return readableColors(textValue, backValue, QGuiApplication::palette());
}
