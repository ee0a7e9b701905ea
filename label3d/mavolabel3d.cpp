// The push-label's data, properties and design-time storage. Drawing and caption placement are in
// mavolabel3d_draw.cpp, the mouse logic in mavolabel3d_mouse.cpp.
#include "mavolabel3d.h"

#include "colorvalue.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QPixmap>
#include <QTimer>

#include <limits>

namespace {

constexpr int kTrackingIntervalMs = 100;

// Caption label alignment codes, as stored under "TextAlign".
constexpr int kAlignCodeLeft = 0;
constexpr int kAlignCodeRight = 1;
constexpr int kAlignCodeCentre = 2;

// Creation and storage defaults.
constexpr int kDefaultMarginTop = 30;
constexpr int kDefaultMarginLeft = 45;
constexpr int kDefaultMarginRight = 45;
constexpr int kDefaultMarginBottom = 30;
constexpr int kDefaultEffect = 1;
// Text drawn in a system colour stands out from its face by at least this ratio.
constexpr double kMinimumTextContrast = 3.0;

// A colour value from a stored or declared value: anything that reads as a whole number in the
// 32-bit range, signed (as settings hold it) or unsigned.
std::optional<quint32> colorValueFrom(const QVariant &value)
{
    if (!value.isValid() || value.typeId() == QMetaType::Bool)
        return std::nullopt;
    bool ok = false;
    const qlonglong n = value.toLongLong(&ok);
    if (!ok || n < std::numeric_limits<qint32>::min() || n > std::numeric_limits<quint32>::max())
        return std::nullopt;
    return static_cast<quint32>(n);
}

std::optional<int> optionalInt(const QVariant &value)
{
    if (!value.isValid() || value.typeId() == QMetaType::Bool)
        return std::nullopt;
    bool ok = false;
    const qlonglong n = value.toLongLong(&ok);
    if (!ok || n < std::numeric_limits<int>::min() || n > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(n);
}

std::optional<bool> boolFrom(const QVariant &value)
{
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString().trimmed();
        if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
            return true;
        if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
            return false;
    }
    // Stored truth values are numbers: -1 true, 0 false.
    if (const auto n = optionalInt(value))
        return *n != 0;
    return std::nullopt;
}

std::optional<QFont> fontFrom(const QVariant &value)
{
    if (value.typeId() == QMetaType::QFont)
        return value.value<QFont>();
    if (value.typeId() == QMetaType::QString) {
        QFont font;
        if (font.fromString(value.toString()))
            return font;
    }
    return std::nullopt;
}

std::optional<QCursor> cursorFrom(const QVariant &value)
{
    if (value.typeId() == QMetaType::QCursor)
        return value.value<QCursor>();
    if (value.typeId() == QMetaType::QPixmap) {
        const QPixmap pixmap = value.value<QPixmap>();
        if (!pixmap.isNull())
            return QCursor(pixmap);
    }
    return std::nullopt;
}

std::optional<Qt::CursorShape> pointerShape(int code)
{
    switch (code) {
    case 1: return Qt::ArrowCursor;
    case 2: return Qt::CrossCursor;
    case 3: return Qt::IBeamCursor;
    case 4: return Qt::ArrowCursor; // the "icon" pointer has no counterpart
    case 5: return Qt::SizeAllCursor;
    case 6: return Qt::SizeBDiagCursor;
    case 7: return Qt::SizeVerCursor;
    case 8: return Qt::SizeFDiagCursor;
    case 9: return Qt::SizeHorCursor;
    case 10: return Qt::UpArrowCursor;
    case 11: return Qt::WaitCursor;
    case 12: return Qt::ForbiddenCursor;
    case 13: return Qt::BusyCursor;
    case 14: return Qt::WhatsThisCursor;
    case 15: return Qt::SizeAllCursor;
    default: return std::nullopt;
    }
}

} // namespace

MavoLabel3D::MavoLabel3D(QWidget *parent)
    : QWidget(parent)
{
    installAccessibility();
    // Every paint fills the whole surface, so Qt need not clear it first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);

    lbl0 = new QLabel(this);
    lbl0->setObjectName(QStringLiteral("lbl0"));
    lbl0->setTextFormat(Qt::PlainText);
    lbl0->setMouseTracking(true);
    lbl0->installEventFilter(this);

    tmrMouseMove = new QTimer(this);
    tmrMouseMove->setObjectName(QStringLiteral("tmrMouseMove"));
    tmrMouseMove->setInterval(kTrackingIntervalMs);
    connect(tmrMouseMove, &QTimer::timeout, this, &MavoLabel3D::handleMouseMoveTimer);

    // The colours a new caption label starts with equal the storage defaults, so a new control
    // stores nothing but its caption.
    m_backColor = ambientBackColor();
    m_foreColor = kSysColorButtonText;
    applyForeColor();

    lbl0->setText(QStringLiteral("MavoLabel3D"));
    m_marginTop = kDefaultMarginTop;
    m_marginLeft = kDefaultMarginLeft;
    m_marginRight = kDefaultMarginRight;
    m_marginBottom = kDefaultMarginBottom;
    m_captionShiftOnDown = 0;
    m_forMouseButton = 0;
    m_specialEffectOnDown = kDefaultEffect;
    m_specialEffectOnNormal = kDefaultEffect;
    m_specialEffectOnUp = kDefaultEffect;
    m_currentEffect = kDefaultEffect;
    setCaptionAlignmentCode(kAlignCodeLeft);
    Redraw(false);
}

MavoLabel3D::~MavoLabel3D()
{
    // The caption label outlives this part of the object while QWidget deletes its children.
    lbl0->removeEventFilter(this);
}

WId MavoLabel3D::hWnd() const
{
    return effectiveWinId();
}

void MavoLabel3D::setSpecialEffectOnNormal(int code)
{
    m_specialEffectOnNormal = code;
    emit PropertyChanged(QStringLiteral("SpecialEffectOnNormal"));
    setCurrentEffect(code);
}

void MavoLabel3D::setSpecialEffectOnDown(int code)
{
    m_specialEffectOnDown = code;
    emit PropertyChanged(QStringLiteral("SpecialEffectOnDown"));
}

void MavoLabel3D::setSpecialEffectOnUp(int code)
{
    m_specialEffectOnUp = code;
    emit PropertyChanged(QStringLiteral("SpecialEffectOnUp"));
}

int MavoLabel3D::TextAlign() const
{
    switch (captionAlignmentCode()) {
    case kAlignCodeRight: return 3;
    case kAlignCodeCentre: return 2;
    default: return 1;
    }
}

void MavoLabel3D::setTextAlign(int align)
{
    switch (align) {
    case 1: setCaptionAlignmentCode(kAlignCodeLeft); break;
    case 2: setCaptionAlignmentCode(kAlignCodeCentre); break;
    case 3: setCaptionAlignmentCode(kAlignCodeRight); break;
    default: break;
    }
    emit PropertyChanged(QStringLiteral("TextAlign"));
    Redraw(false);
}

void MavoLabel3D::setBackColor(quint32 colorValue)
{
    m_backColor = colorValue;
    applyForeColor();
    emit PropertyChanged(QStringLiteral("BackColor"));
    Redraw(false);
}

QString MavoLabel3D::Caption() const
{
    return lbl0->text();
}

void MavoLabel3D::setCaption(const QString &caption)
{
    const QString before = lbl0->text();
    const QString nameBefore = QAccessible::isActive() ? accessibleText(AccessibleText::Name) : QString();
    lbl0->setText(caption);
    emit PropertyChanged(QStringLiteral("Caption"));
    Redraw(false);
    if (caption != before)
        notifyCaptionChanged(before, nameBefore);
}

bool MavoLabel3D::Enabled() const
{
    return lbl0->isEnabled();
}

void MavoLabel3D::setEnabledFlag(bool enabled)
{
    const bool changed = enabled != lbl0->isEnabled();
    lbl0->setEnabled(enabled);
    emit PropertyChanged(QStringLiteral("Enabled"));
    Redraw(false);
    if (changed)
        notifyEnabledChanged();
}

QFont MavoLabel3D::Font() const
{
    return lbl0->font();
}

void MavoLabel3D::setFontObject(const QFont &font)
{
    lbl0->setFont(font);
    QWidget::setFont(font);
    emit PropertyChanged(QStringLiteral("Font"));
    Redraw(false);
}

void MavoLabel3D::setForeColor(quint32 colorValue)
{
    m_foreColor = colorValue;
    applyForeColor();
    emit PropertyChanged(QStringLiteral("ForeColor"));
    Redraw(false);
}

QCursor MavoLabel3D::MouseIcon() const
{
    return m_mouseIcon.value_or(QCursor(Qt::ArrowCursor));
}

void MavoLabel3D::setMouseIcon(const QCursor &cursor)
{
    m_mouseIcon = cursor;
    applyPointer();
    emit PropertyChanged(QStringLiteral("MouseIcon"));
}

void MavoLabel3D::resetMouseIcon()
{
    m_mouseIcon.reset();
    applyPointer();
    emit PropertyChanged(QStringLiteral("MouseIcon"));
}

void MavoLabel3D::setMousePointer(int code)
{
    if (code < std::numeric_limits<qint16>::min() || code > std::numeric_limits<qint16>::max())
        return;
    m_mousePointer = code;
    applyPointer();
    emit PropertyChanged(QStringLiteral("MousePointer"));
}

void MavoLabel3D::setCaptionShiftOnDown(int bits)
{
    m_captionShiftOnDown = bits;
    emit PropertyChanged(QStringLiteral("CaptionShiftOnDown"));
    Redraw(false);
}

void MavoLabel3D::setForMouseButton(int which)
{
    m_forMouseButton = which;
    emit PropertyChanged(QStringLiteral("ForMouseButton"));
    Redraw(false);
}

void MavoLabel3D::setMarginTop(int twips)
{
    m_marginTop = twips;
    FitMargins(Side::Top);
    emit PropertyChanged(QStringLiteral("MarginTop"));
    Redraw(false);
}

void MavoLabel3D::setMarginLeft(int twips)
{
    m_marginLeft = twips;
    FitMargins(Side::Left);
    emit PropertyChanged(QStringLiteral("MarginLeft"));
    Redraw(false);
}

void MavoLabel3D::setMarginRight(int twips)
{
    m_marginRight = twips;
    FitMargins(Side::Right);
    emit PropertyChanged(QStringLiteral("MarginRight"));
    Redraw(false);
}

void MavoLabel3D::setMarginBottom(int twips)
{
    m_marginBottom = twips;
    FitMargins(Side::Bottom);
    emit PropertyChanged(QStringLiteral("MarginBottom"));
    Redraw(false);
}

void MavoLabel3D::setMouseEventsSkip(bool skip)
{
    MouseEventsSkip = skip;
    tmrMouseMove->stop();
    GoNormal();
}

void MavoLabel3D::GoNormal()
{
    setCurrentEffect(m_specialEffectOnNormal);
}

void MavoLabel3D::GoDown()
{
    setCurrentEffect(m_specialEffectOnDown);
}

void MavoLabel3D::GoUp()
{
    setCurrentEffect(m_specialEffectOnUp);
}

void MavoLabel3D::Refresh()
{
    Redraw(true);
}

void MavoLabel3D::setCurrentEffect(int code)
{
    m_currentEffect = code;
    Redraw(false);
}

quint32 MavoLabel3D::ambientBackColor() const
{
    if (const QWidget *container = parentWidget()) {
        if (const auto value = colorValueFrom(container->property("BackColor")))
            return *value;
    }
    return kSysColorButtonFace;
}

quint32 MavoLabel3D::ambientForeColor() const
{
    if (const QWidget *container = parentWidget()) {
        if (const auto value = colorValueFrom(container->property("ForeColor")))
            return *value;
    }
    return kSysColorButtonText;
}

QFont MavoLabel3D::ambientFont() const
{
    if (const QWidget *container = parentWidget())
        return container->font();
    return QApplication::font(this);
}

void MavoLabel3D::ReadProperties(const QVariantMap &PropBag)
{
    // An absent name reads as its default; a value that cannot be read is skipped and the
    // property keeps what it had.
    auto stored = [&PropBag](const char *name) { return PropBag.value(QLatin1String(name)); };
    auto absent = [&PropBag](const char *name) { return !PropBag.contains(QLatin1String(name)); };

    if (absent("BackColor"))
        m_backColor = ambientBackColor();
    else if (const auto v = colorValueFrom(stored("BackColor")))
        m_backColor = *v;

    if (absent("Caption"))
        lbl0->setText(QString());
    else if (stored("Caption").canConvert<QString>())
        lbl0->setText(stored("Caption").toString());

    if (absent("CaptionShiftOnDown"))
        m_captionShiftOnDown = 0;
    else if (const auto v = optionalInt(stored("CaptionShiftOnDown")))
        m_captionShiftOnDown = *v;

    if (absent("ForMouseButton"))
        m_forMouseButton = 0;
    else if (const auto v = optionalInt(stored("ForMouseButton")))
        m_forMouseButton = *v;

    if (absent("Enabled"))
        lbl0->setEnabled(true);
    else if (const auto v = boolFrom(stored("Enabled")))
        lbl0->setEnabled(*v);

    // The container's font is followed rather than copied: an empty font inherits every
    // attribute, and keeps inheriting when the container's font changes.
    if (absent("Font")) {
        lbl0->setFont(QFont());
        QWidget::setFont(QFont());
    } else if (const auto v = fontFrom(stored("Font"))) {
        lbl0->setFont(*v);
        QWidget::setFont(*v);
    }

    if (absent("ForeColor"))
        m_foreColor = ambientForeColor();
    else if (const auto v = colorValueFrom(stored("ForeColor")))
        m_foreColor = *v;
    applyForeColor();

    // Margins are taken as stored: the stored layout was fitted when it was designed.
    const struct { const char *name; int *field; int fallback; } margins[] = {
        {"MarginBottom", &m_marginBottom, kDefaultMarginBottom},
        {"MarginLeft", &m_marginLeft, kDefaultMarginLeft},
        {"MarginRight", &m_marginRight, kDefaultMarginRight},
        {"MarginTop", &m_marginTop, kDefaultMarginTop},
    };
    for (const auto &margin : margins) {
        if (absent(margin.name))
            *margin.field = margin.fallback;
        else if (const auto v = optionalInt(stored(margin.name)))
            *margin.field = *v;
    }

    if (absent("MouseIcon"))
        resetMouseIcon();
    else if (const auto v = cursorFrom(stored("MouseIcon")))
        setMouseIcon(*v);

    if (absent("MousePointer"))
        setMousePointer(0);
    else if (const auto v = optionalInt(stored("MousePointer")))
        setMousePointer(*v);

    const struct { const char *name; int *field; } effects[] = {
        {"SpecialEffectOnDown", &m_specialEffectOnDown},
        {"SpecialEffectOnNormal", &m_specialEffectOnNormal},
        {"SpecialEffectOnUp", &m_specialEffectOnUp},
    };
    for (const auto &effect : effects) {
        if (absent(effect.name))
            *effect.field = kDefaultEffect;
        else if (const auto v = optionalInt(stored(effect.name)))
            *effect.field = *v;
    }

    // The caption label's own code goes in as it is; a code the label has not got is skipped.
    if (absent("TextAlign")) {
        setCaptionAlignmentCode(kAlignCodeLeft);
    } else if (const auto v = optionalInt(stored("TextAlign"))) {
        if (*v == kAlignCodeLeft || *v == kAlignCodeRight || *v == kAlignCodeCentre)
            setCaptionAlignmentCode(*v);
    }

    m_currentEffect = m_specialEffectOnNormal;
    Redraw(false);
}

void MavoLabel3D::WriteProperties(QVariantMap &PropBag) const
{
    auto put = [&PropBag](const char *name, const QVariant &value, bool isDefault) {
        if (isDefault)
            PropBag.remove(QLatin1String(name));
        else
            PropBag.insert(QLatin1String(name), value);
    };
    const QString caption = Caption();
    const QFont font = Font();
    const int alignCode = captionAlignmentCode();

    put("BackColor", QVariant::fromValue(m_backColor), m_backColor == ambientBackColor());
    put("Caption", caption, caption.isEmpty());
    put("CaptionShiftOnDown", m_captionShiftOnDown, m_captionShiftOnDown == 0);
    put("ForMouseButton", m_forMouseButton, m_forMouseButton == 0);
    put("Enabled", Enabled(), Enabled());
    put("Font", font, font == ambientFont());
    put("ForeColor", QVariant::fromValue(m_foreColor), m_foreColor == kSysColorButtonText);
    put("MarginBottom", m_marginBottom, m_marginBottom == kDefaultMarginBottom);
    put("MarginLeft", m_marginLeft, m_marginLeft == kDefaultMarginLeft);
    put("MarginRight", m_marginRight, m_marginRight == kDefaultMarginRight);
    put("MarginTop", m_marginTop, m_marginTop == kDefaultMarginTop);
    put("MouseIcon", m_mouseIcon ? QVariant::fromValue(*m_mouseIcon) : QVariant(), !m_mouseIcon);
    put("MousePointer", m_mousePointer, m_mousePointer == 0);
    put("SpecialEffectOnDown", m_specialEffectOnDown, m_specialEffectOnDown == kDefaultEffect);
    put("SpecialEffectOnNormal", m_specialEffectOnNormal, m_specialEffectOnNormal == kDefaultEffect);
    put("SpecialEffectOnUp", m_specialEffectOnUp, m_specialEffectOnUp == kDefaultEffect);
    put("TextAlign", alignCode, alignCode == kAlignCodeLeft);
}

int MavoLabel3D::captionAlignmentCode() const
{
    const Qt::Alignment horizontal = lbl0->alignment() & Qt::AlignHorizontal_Mask;
    if (horizontal & Qt::AlignRight)
        return kAlignCodeRight;
    if (horizontal & Qt::AlignHCenter)
        return kAlignCodeCentre;
    return kAlignCodeLeft;
}

void MavoLabel3D::setCaptionAlignmentCode(int code)
{
    // The caption sits at the top of its label.
    Qt::Alignment horizontal = Qt::AlignLeft;
    if (code == kAlignCodeRight)
        horizontal = Qt::AlignRight;
    else if (code == kAlignCodeCentre)
        horizontal = Qt::AlignHCenter;
    lbl0->setAlignment(horizontal | Qt::AlignTop);
}

void MavoLabel3D::applyForeColor()
{
    // Only the enabled groups: a disabled caption keeps the palette's greyed text.
    QColor color = colorFromRgbValue(TranslateColor(m_foreColor));
    // A system colour used as text (the grey of a sub result is the button shadow) is the
    // desktop palette's choice, made for edges rather than for text: on a dark palette it is
    // nearly the shade of the face. It is lifted towards the button text until it reads at 3:1.
    // An RGB colour the user chose is drawn as chosen.
    if ((m_foreColor & kSystemColorFlag) != 0) {
        const QColor back = colorFromRgbValue(TranslateColor(m_backColor));
        const QColor text = colorFromRgbValue(TranslateColor(kSysColorButtonText));
        color = readableOn(color, back, text, kMinimumTextContrast);
    }
    QPalette palette = lbl0->palette();
    palette.setColor(QPalette::Active, QPalette::WindowText, color);
    palette.setColor(QPalette::Inactive, QPalette::WindowText, color);
    lbl0->setPalette(palette);
}

void MavoLabel3D::applyPointer()
{
    std::optional<QCursor> cursor;
    if (m_mousePointer == kMousePointerCustom)
        cursor = m_mouseIcon;
    else if (const auto shape = pointerShape(m_mousePointer))
        cursor = QCursor(*shape);

    if (cursor) {
        setCursor(*cursor);
        lbl0->setCursor(*cursor);
    } else {
        unsetCursor();
        lbl0->unsetCursor();
    }
}

void MavoLabel3D::changeEvent(QEvent *event)
{
    // Colour references are resolved through the application palette: follow its changes.
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange) {
        applyForeColor();
        update();
    }
    QWidget::changeEvent(event);
}
