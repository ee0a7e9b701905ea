// The window explains itself: the hint strip under the field for the push-label the pointer rests
// on, and the "Press F1 for help" greeting that slides into the field at start-up.

#include "hints.h"

#include "calcfield.h"
#include "productinfo.h"
#include "loadtext.h"
#include "mavolabel3d.h"
#include "settings.h"
#include "twips.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QSet>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// The hint strip shows from this tick on (2.1 s at 300 ms a tick) and goes once this many have
// passed (6.6 s).
constexpr qint32 kHintFirstTick = 6;
constexpr qint32 kHintLastTick = 21;

// Typing during the greeting: the question waits for this long a pause in the typing.
constexpr qint64 kAskAfterPauseMs = 1500;

// The greeting ends 100 twips short of the field's right edge.
constexpr double kF1RightGapTwips = 100;

// Keys that reach the question box in its first moments were typed for the sheet, before the
// user could have read the question: they must neither answer it nor be lost. The filter holds
// them back while the box is young and hands them to the sheet once the box has gone.
class YoungBoxKeyCatcher : public QObject
{
public:
    explicit YoungBoxKeyCatcher(QWidget *target)
        : m_target(target)
    {
        m_age.start();
    }

    ~YoungBoxKeyCatcher() override
    {
        if (!m_target)
            return;
        for (const auto &key : m_caught) {
            QKeyEvent event(key.type, key.key, key.modifiers, key.text, key.autoRepeat);
            QCoreApplication::sendEvent(m_target, &event);
        }
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const QEvent::Type type = event->type();
        if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
            return QObject::eventFilter(watched, event);
        // A release whose press was held back is held back too, whatever the box's age.
        auto *key = static_cast<QKeyEvent *>(event);
        const bool young = m_age.elapsed() < kYoungBoxMs;
        const bool pressedWhileYoung = type == QEvent::KeyRelease && m_heldKeys.contains(key->key());
        if (!young && !pressedWhileYoung)
            return QObject::eventFilter(watched, event);
        if (type == QEvent::ShortcutOverride)
            return true;
        if (type == QEvent::KeyPress)
            m_heldKeys.insert(key->key());
        else
            m_heldKeys.remove(key->key());
        m_caught.push_back({type, key->key(), key->modifiers(), key->text(), key->isAutoRepeat()});
        return true;
    }

private:
    // How long the box ignores keys after it has appeared.
    static constexpr qint64 kYoungBoxMs = 700;

    struct CaughtKey
    {
        QEvent::Type type;
        int key;
        Qt::KeyboardModifiers modifiers;
        QString text;
        bool autoRepeat;
    };
    QPointer<QWidget> m_target;
    QElapsedTimer m_age;
    QList<CaughtKey> m_caught;
    QSet<int> m_heldKeys;
};

bool askWithMessageBox(QWidget *owner, const QString &text)
{
    QMessageBox box(QMessageBox::Question, QLatin1String(ProductInfo::kProductName), text,
                    QMessageBox::Yes | QMessageBox::No, owner);
    box.setDefaultButton(QMessageBox::Yes);
    // Closing the box without an answer leaves the setting as it is.
    box.setEscapeButton(QMessageBox::Yes);
    // The keys go back to where they were headed: the sheet of the asking window.
    QWidget *sheet = owner ? owner->findChild<QWidget *>(QStringLiteral("boxCalc")) : nullptr;
    YoungBoxKeyCatcher catcher(sheet ? sheet : owner);
    qApp->installEventFilter(&catcher);
    const int answer = box.exec();
    qApp->removeEventFilter(&catcher);
    return answer != QMessageBox::No;
}

// The hint strip's font: the desktop's ordinary font, not the window's, which takes on the
// field's font (up to 50 points). Every property is marked as the strip's own so the window's
// font does not reach it. A hint too long for the room in a wide desktop font is set smaller
// rather than cut off.
QFont hintFont(const QString &text, int room)
{
    QFont font = QApplication::font();
    font.setResolveMask(QFont::AllPropertiesResolved);
    while (font.pointSizeF() > 6 && QFontMetrics(font).horizontalAdvance(text) > room)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    return font;
}

} // namespace

Hints::Hints(const Controls &controls, std::function<bool()> stripShown, std::function<bool()> selection,
             QObject *parent)
    : QObject(parent)
    , m_window(controls.window)
    , m_field(controls.field)
    , m_strip(controls.strip)
    , m_greetingFrame(controls.greetingFrame)
    , m_greeting(controls.greeting)
    , m_note(new QLabel(controls.field->viewport()))
    , m_stripShown(std::move(stripShown))
    , m_selection(std::move(selection))
    , m_hintTimer(new QTimer(this))
    , m_greetingTimer(new QTimer(this))
{
    m_hintTimer->setObjectName(QStringLiteral("TimerMyToolTip"));
    m_hintTimer->setInterval(300);
    m_greetingTimer->setObjectName(QStringLiteral("TimerPressF1ForHelp"));
    m_greetingTimer->setInterval(40);
    connect(m_hintTimer, &QTimer::timeout, this, &Hints::hintTick);
    connect(m_greetingTimer, &QTimer::timeout, this, &Hints::greetingTick);

    // The note is part of the sheet's picture: drawn in its secondary text colour over its own
    // background, and transparent to the mouse, so the caret can still be placed under it.
    m_note->setObjectName(QStringLiteral("failureNote"));
    m_note->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_note->setAutoFillBackground(true);
    m_note->setForegroundRole(QPalette::PlaceholderText);
    m_note->setBackgroundRole(QPalette::Base);
    m_note->hide();
}

QString Hints::hintControl() const
{
    return m_control ? m_control->objectName() : QString();
}

void Hints::hide(bool forgetControl)
{
    m_hintTimer->stop();
    if (forgetControl)
        m_control = nullptr;
    m_strip->setVisible(false);
    m_note->hide();
}

void Hints::startGreeting()
{
    m_greetingTicks = 0;
    m_typed = false;
    m_greetingTimer->start();
}

bool Hints::greetingRunning() const
{
    return m_greetingTimer->isActive();
}

void Hints::noteTyped()
{
    m_typed = true;
    m_lastTyped.start();
}

void Hints::ShowHint(const MavoLabel3D *label, TextId hint, TextId hintSubResult)
{
    // Moves over the same button keep the count running.
    if (label == m_control)
        return;
    m_control = label;
    m_hint = hint;
    m_hintSubResult = hintSubResult;
    if (!label)
        return;
    m_hintTicks = 0;
    if (m_strip->isVisible())
        m_strip->setVisible(false);
    m_hintTimer->start();
}

void Hints::hintTick()
{
    auto endHint = [this] {
        m_hintTimer->stop();
        m_control = nullptr;
        if (m_strip->isVisible())
            m_strip->setVisible(false);
    };

    if (!m_control) {
        m_hintTimer->stop();
        return;
    }
    if (!m_control->MouseInRect()) {
        endHint();
        return;
    }
    // The compact window, with the memory buttons cut off, shows no hints.
    if (m_hintTicks >= kHintLastTick || !m_stripShown()) {
        endHint();
        return;
    }

    if (m_hintTicks >= kHintFirstTick && !m_strip->isVisible()) {
        if (const TextId id = m_selection() ? m_hintSubResult : m_hint; id != TextId::None)
            showStrip(Text(id));
    }
    ++m_hintTicks;
}

void Hints::showStrip(const QString &text)
{
    m_strip->setCaption(text);
    // Just below the field, as wide as it; the field's height follows its rows.
    m_strip->setGeometry(m_field->x(), m_field->y() + m_field->height(), m_field->width(), m_strip->height());
    const int margins =
        twipsDivPixels(qint64(m_strip->MarginLeft()) + m_strip->MarginRight(), twipsPerPixelX(m_window));
    const int room = m_strip->width() - margins - 4;
    m_strip->setFontObject(hintFont(m_strip->Caption(), room));
    m_strip->raise();
    m_strip->setVisible(true);
}

void Hints::showNote(const QString &text)
{
    if (greetingRunning())
        return;
    QWidget *area = m_field->viewport();
    m_note->setPalette(m_field->palette());
    m_note->setFont(hintFont(text, area->width() - 4));
    m_note->setText(text);
    m_note->adjustSize();
    // Right-aligned on the sheet's last line, inside it whatever the sheet's size.
    const int width = std::min(m_note->width(), area->width());
    const int height = std::min(m_note->height(), area->height());
    m_note->setGeometry(area->width() - width, area->height() - height, width, height);
    m_note->show();
}

QString Hints::noteText() const
{
    return m_note->isVisible() ? m_note->text() : QString();
}

void Hints::fitGreeting(int right)
{
    // Whatever the field's font and rows, "Press F1 for help" is read whole: the frame covers
    // the field's inside, and the text stands right-aligned against the right edge.
    const int frameHeight = m_greetingFrame->height();
    QFont font = m_greeting->font();
    const auto fits = [&](const QFont &f) {
        const QFontMetrics metrics(f);
        return metrics.height() <= frameHeight && metrics.horizontalAdvance(m_greeting->text()) + 2 <= right;
    };
    if (!fits(font)) {
        qreal size = font.pointSizeF();
        while (size > 1 && !fits(font)) {
            size = std::max<qreal>(1, size - 1);
            font.setPointSizeF(size);
        }
        m_greeting->setFont(font);
    }
    const int height = m_greeting->sizeHint().height();
    const int y = std::clamp(m_greeting->y(), 0, std::max(0, frameHeight - height));
    if (y != m_greeting->y())
        m_greeting->move(m_greeting->x(), y);
}

void Hints::greetingTick()
{
    // The user has started on the sheet: end the greeting and ask whether it shall come again,
    // but only once typing has paused, so that the question never takes keys meant for the sheet.
    if (m_typed) {
        if (m_lastTyped.isValid() && m_lastTyped.elapsed() < kAskAfterPauseMs) {
            m_greetingFrame->setVisible(false); // the typing must be seen at once
            return;
        }
        // The question is modal and this timer would go on firing under it; stop it first so the
        // question is asked only once.
        m_greetingTimer->stop();

        // The field's text is drawn in its background colour while the question is open.
        const QPalette remembered = m_field->palette();
        QPalette hidden = remembered;
        for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            hidden.setColor(group, QPalette::Text, remembered.color(group, QPalette::Base));
        m_field->setPalette(hidden);

        const QString quoted = QStringLiteral("\n\n'") + m_greeting->text() + QLatin1Char('\'');
        const QString text = Text(TextId::KeepShowingGreeting, {quoted}) + QLatin1Char('\n');
        if (!(m_asker ? m_asker : askWithMessageBox)(m_window, text))
            Settings::writeBool(Settings::F1Label, false); // a failing store tells the user itself

        m_greetingFrame->setVisible(false);
        m_field->setPalette(remembered);
        return;
    }

    // The whole greeting has run: phases 0 ... 6 together.
    const qint32 total = m_phases[7];
    if (m_greetingTicks > total) {
        m_greetingFrame->setVisible(false);
        m_greetingTimer->stop();
        return;
    }

    // S: the full width of the greeting in twips, a little short of the field's width.
    const qint32 c = ++m_greetingTicks;
    const double slide = m_phases[1];
    const double tppX = twipsPerPixelX(m_window);
    const double s = (slide - 0.5) / slide * m_field->width() * tppX;

    // The last phase only stands.
    if (c > total - m_phases[6])
        return;

    // Find the phase of tick c; k counts the ticks inside it.
    int phase = 0;
    qint32 start = 0;
    while (phase < 5 && c > start + m_phases[phase]) {
        start += m_phases[phase];
        ++phase;
    }
    m_phases[8] = start;
    const qint32 k = c - start;
    const double spring = m_phases[3];
    const double dip = slide + 80;

    double w = 0; // twips
    switch (phase) {
    case 0: // waits
        break;
    case 1: // slides in
        w = s * k / slide;
        break;
    case 2: { // springs back
        const double p = static_cast<double>(std::lround(std::pow(k, 1.6)));
        w = s * (slide + p - k) / (slide + p);
        break;
    }
    case 3: { // and out again, to S at its last tick
        const double p = static_cast<double>(std::lround(std::pow(spring - k, 1.6)));
        w = s * (slide + p - spring + k) / (slide + p);
        break;
    }
    case 4: // a small dip
        w = s * (dip - k) / dip;
        break;
    default: // and back to S
        w = s * (dip - m_phases[5] + k) / dip;
        break;
    }

    // Right-aligned 100 twips from the field's right edge, growing to the left. The right edge
    // is converted to pixels once, so it stays put while the width changes. m_greeting lives in
    // m_greetingFrame, which starts 5 pixels into the field.
    const int right = static_cast<int>(std::lround(m_field->x() + m_field->width() - kF1RightGapTwips / tppX));
    const int width = static_cast<int>(std::lround(w / tppX));
    fitGreeting(right - m_greetingFrame->x());
    m_greeting->setGeometry(right - width - m_greetingFrame->x(), m_greeting->y(), width,
                            m_greeting->sizeHint().height());

    // The greeting appears once its waiting phase is over.
    if (c > m_phases[0])
        m_greeting->setVisible(true);
}
