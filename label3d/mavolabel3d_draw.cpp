// How the push-label draws itself: the fill, the 3D edge of the current state, the caption label's
// place inside the margins, and the fitting of a margin round the caption.
#include "mavolabel3d.h"

#include "colorvalue.h"
#include "twips.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include <algorithm>
#include <limits>

namespace {

// Border kinds and sides of a 3D edge, as bit values: an edge style combines one outer and one
// inner border kind.
constexpr int kRaisedOuter = 1;
constexpr int kSunkenOuter = 2;
constexpr int kRaisedInner = 4;
constexpr int kSunkenInner = 8;
constexpr int kOuterMask = kRaisedOuter | kSunkenOuter;
constexpr int kInnerMask = kRaisedInner | kSunkenInner;

constexpr int kSideLeft = 1;
constexpr int kSideTop = 2;
constexpr int kSideRight = 4;
constexpr int kSideBottom = 8;
constexpr int kSidesAll = 15;

// System colour indices of the 3D elements; colorvalue.h maps them onto the palette's Midlight,
// Shadow, Light and Dark.
constexpr int kColor3DLight = 22;
constexpr int kColor3DDarkShadow = 21;
constexpr int kColorButtonHighlight = 20;
constexpr int kColorButtonShadow = 16;

struct RingColors
{
    int topLeft;
    int bottomRight;
};

// A raised border is light on the top and left and dark on the bottom and right, a sunken one
// the reverse; the outer ring uses the stronger pair for raised and the softer pair for sunken.
RingColors ringColors(int border)
{
    switch (border) {
    case kRaisedOuter: return {kColor3DLight, kColor3DDarkShadow};
    case kSunkenOuter: return {kColorButtonShadow, kColorButtonHighlight};
    case kRaisedInner: return {kColorButtonHighlight, kColorButtonShadow};
    default: return {kColor3DDarkShadow, kColor3DLight}; // sunken inner
    }
}

QColor systemColor(int index)
{
    return resolveColorValue(kSystemColorFlag | quint32(index));
}

// One ring of pixels on the chosen sides of rect. The top-left colour goes first and the
// bottom-right one over it, so the top-right and bottom-left corner pixels take the bottom-right
// colour.
void drawRing(QPainter &painter, const QRect &rect, RingColors colors, int sides)
{
    if (rect.width() <= 0 || rect.height() <= 0)
        return;
    const QColor topLeft = systemColor(colors.topLeft);
    const QColor bottomRight = systemColor(colors.bottomRight);
    if (sides & kSideTop)
        painter.fillRect(QRect(rect.left(), rect.top(), rect.width(), 1), topLeft);
    if (sides & kSideLeft)
        painter.fillRect(QRect(rect.left(), rect.top(), 1, rect.height()), topLeft);
    if (sides & kSideBottom)
        painter.fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), bottomRight);
    if (sides & kSideRight)
        painter.fillRect(QRect(rect.right(), rect.top(), 1, rect.height()), bottomRight);
}

// The outer border takes the outermost ring and the inner border the ring inside it; a border
// kind with an inner border only draws it in the outermost ring.
void drawEdge(QPainter &painter, const QRect &rect, int kind, int sides)
{
    const int outer = kind & kOuterMask;
    const int inner = kind & kInnerMask;
    if (outer) {
        drawRing(painter, rect, ringColors(outer), sides);
        if (inner)
            drawRing(painter, rect.adjusted(1, 1, -1, -1), ringColors(inner), sides);
    } else if (inner) {
        drawRing(painter, rect, ringColors(inner), sides);
    }
}

void drawEffect(QPainter &painter, const QRect &rect, int effect)
{
    switch (effect) {
    case 1: // flat: a one-pixel shadow ring
        drawEdge(painter, rect, kSunkenOuter, kSideLeft | kSideTop);
        drawEdge(painter, rect, kRaisedInner, kSideRight | kSideBottom);
        break;
    case 2: drawEdge(painter, rect, kRaisedOuter | kRaisedInner, kSidesAll); break;
    case 3: drawEdge(painter, rect, kSunkenOuter | kSunkenInner, kSidesAll); break;
    case 4: drawEdge(painter, rect, kSunkenOuter | kRaisedInner, kSidesAll); break;
    case 5: drawEdge(painter, rect, kRaisedInner, kSidesAll); break;
    case 6: drawEdge(painter, rect, kSunkenOuter, kSidesAll); break;
    default: break; // 0 and unknown codes: no edge
    }
}

// How far FitMargins lets the caption reach into the edge, in pixels: with no edge (code 0) two
// pixels, with the one-pixel edges one. The two-pixel edges (and unknown codes) allow nothing.
int edgeAllowance(int effect)
{
    switch (effect) {
    case 0: return 2;
    case 1:
    case 5:
    case 6: return 1;
    default: return 0;
    }
}

bool fitsInt(qint64 value)
{
    return value >= std::numeric_limits<int>::min() && value <= std::numeric_limits<int>::max();
}

} // namespace

qint32 MavoLabel3D::TranslateColor(quint32 colorValue) const
{
    return translateColorValue(colorValue);
}

MavoLabel3D::DrawnState MavoLabel3D::currentState() const
{
    DrawnState state;
    state.alignment = captionAlignmentCode();
    state.backColor = m_backColor;
    state.caption = Caption();
    state.captionShift = m_captionShiftOnDown;
    state.foreColor = m_foreColor;
    state.height = height();
    state.marginTop = m_marginTop;
    state.marginLeft = m_marginLeft;
    state.marginRight = m_marginRight;
    state.marginBottom = m_marginBottom;
    state.effect = m_currentEffect;
    state.width = width();
    return state;
}

void MavoLabel3D::Redraw(bool Force)
{
    const DrawnState now = currentState();
    if (!Force && LastDrawn && *LastDrawn == now)
        return;
    LastDrawn = now;
    Drawing = true;
    placeCaption(now);
    // Qt draws only inside paint events. Outside one, paint now, so that the new state shows at
    // once as it did with direct drawing; the caption label, a child, is painted over the fresh
    // fill in the same pass. The paint event this sends finds Drawing set and only paints.
    if (!m_inPaintEvent)
        repaint();
    Drawing = false;
}

void MavoLabel3D::placeCaption(const DrawnState &state)
{
    const double tx = twipsPerPixelX(this);
    const double ty = twipsPerPixelY(this);

    // While down the caption moves one pixel right and/or down, where the margin on that side
    // has at least two pixels to give.
    int dx = 0;
    int dy = 0;
    if (state.captionShift != 0 && state.effect == m_specialEffectOnDown) {
        if ((state.captionShift & 1) && twipsDivPixels(state.marginRight, tx) >= 2)
            dx = 1;
        if ((state.captionShift & 2) && twipsDivPixels(state.marginBottom, ty) >= 2)
            dy = 1;
    }

    // The sums of the margins are divided, not each margin, and the shift does not shrink the
    // label. 64-bit sums: margins are arbitrary stored values.
    const qint64 left = qint64(twipsDivPixels(state.marginLeft, tx)) + dx;
    const qint64 top = qint64(twipsDivPixels(state.marginTop, ty)) + dy;
    const qint64 width = qint64(state.width)
        - twipsDivPixels(qint64(state.marginLeft) + state.marginRight, tx);
    const qint64 height = qint64(state.height)
        - twipsDivPixels(qint64(state.marginTop) + state.marginBottom, ty);

    // A place the label cannot take (no room left between the margins) keeps the old one;
    // drawing goes on.
    if (width < 0 || height < 0 || !fitsInt(left) || !fitsInt(top) || !fitsInt(width)
        || !fitsInt(height))
        return;
    lbl0->setGeometry(int(left), int(top), int(width), int(height));
}

void MavoLabel3D::paintSurface(QPainter &painter) const
{
    const int effect = LastDrawn ? LastDrawn->effect : m_currentEffect;
    const quint32 backColor = LastDrawn ? LastDrawn->backColor : m_backColor;
    painter.fillRect(rect(), colorFromRgbValue(TranslateColor(backColor)));
    drawEffect(painter, rect(), effect);
}

void MavoLabel3D::paintEvent(QPaintEvent *)
{
    // A paint notification from outside always redraws; the one Redraw itself provokes only paints.
    m_inPaintEvent = true;
    if (!Drawing)
        Redraw(true);
    QPainter painter(this);
    paintSurface(painter);
    if (hasFocus()) {
        // The style's focus frame, inside the 3D edges.
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect().adjusted(3, 3, -3, -3);
        option.backgroundColor = palette().color(QPalette::Button);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
    m_inPaintEvent = false;
}

void MavoLabel3D::resizeEvent(QResizeEvent *event)
{
    if (!Drawing)
        Redraw(true);
    QWidget::resizeEvent(event);
}

QSize MavoLabel3D::captionTextExtent() const
{
    // Measured in the surface's font: the widest line, and one line height per line.
    const QFontMetrics metrics(QWidget::font());
    QString caption = Caption();
    caption.remove(QLatin1Char('\r'));
    const QStringList lines = caption.split(QLatin1Char('\n'));
    int widest = 0;
    for (const QString &line : lines)
        widest = std::max(widest, metrics.horizontalAdvance(line));
    return QSize(widest, int(lines.size()) * metrics.height());
}

void MavoLabel3D::FitMargins(Side side)
{
    // Keeps the caption's text extent between the two margins of one axis: first the opposite
    // margin gives way, then the margin just set; the caption may still not fit after that.
    // Works in whole pixels, so both margins of the axis come back as whole pixels in twips.
    const bool horizontal = side == Side::Left || side == Side::Right;
    const double tpp = horizontal ? twipsPerPixelX(this) : twipsPerPixelY(this);
    const QSize text = captionTextExtent();
    const qint64 room = horizontal ? qint64(width()) - text.width()
                                   : qint64(height()) - text.height();

    qint64 a = twipsToPixelsRounded(horizontal ? m_marginLeft : m_marginTop, tpp);
    qint64 b = twipsToPixelsRounded(horizontal ? m_marginRight : m_marginBottom, tpp);
    // A line's height includes room above the letters, so the top margin may go two pixels
    // further than the others.
    qint64 minA = horizontal ? 0 : -2;
    qint64 minB = 0;
    const bool swapped = side == Side::Right || side == Side::Bottom;
    if (swapped) {
        std::swap(a, b);
        std::swap(minA, minB);
    }
    const int allowance = edgeAllowance(m_currentEffect);
    minA -= allowance;
    minB -= allowance;

    a = std::max(a, minA);
    if (a > room - b) {
        b = std::max(room - a, minB);
        if (a > room - b)
            a = std::max(room - b, minA);
    }

    if (swapped)
        std::swap(a, b);
    const int first = pixelsToTwipsRounded(double(a), tpp);
    const int second = pixelsToTwipsRounded(double(b), tpp);
    if (horizontal) {
        m_marginLeft = first;
        m_marginRight = second;
    } else {
        m_marginTop = first;
        m_marginBottom = second;
    }
}
