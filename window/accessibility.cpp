// What the main window tells assistive tools (screen readers): the names and descriptions of the
// sheet and of every push-label, the words for what each button's actions do, and the result,
// announced when the user pauses.

#include "accessibility.h"
#include "eventwatcher.h"
#include "calcsession.h"
#include "hints.h"
#include "textid.h"

#include "calcfield.h"
#include "loadtext.h"
#include "mavolabel3d.h"

#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace {

using AccessibleText = MavoLabel3D::AccessibleText;

// "Rounding: 2 decimals", with the word in the number its language wants: one form for 1, one
// for 2 to 4 (Russian "знака"; English says "decimals" as for the others) and one for the rest.
QString roundingName(int digits)
{
    const TextId id = digits == 1 ? TextId::RoundingOneDecimal
        : (digits >= 2 && digits <= 4 ? TextId::RoundingFewDecimals : TextId::RoundingManyDecimals);
    return Text(id, {QString::number(digits)});
}

QString textOrNothing(TextId id)
{
    return id == TextId::None ? QString() : Text(id);
}

class ResultAnnouncerAccessible : public QAccessibleWidget
{
public:
    explicit ResultAnnouncerAccessible(ResultAnnouncer *announcer)
        : QAccessibleWidget(announcer, QAccessible::Notification)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name ? announcer()->text() : QString();
    }

    // Showing from the first announcement on: the object is never drawn, so the widget itself
    // stays hidden.
    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.invisible = !announcer()->isLive();
        s.readOnly = true;
        return s;
    }

    QStringList actionNames() const override { return {}; }

private:
    ResultAnnouncer *announcer() const { return static_cast<ResultAnnouncer *>(widget()); }
};

QAccessibleInterface *announcerFactory(const QString &className, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    if (className == QLatin1String("ResultAnnouncer"))
        return new ResultAnnouncerAccessible(static_cast<ResultAnnouncer *>(object));
    // The calculator's windows are plain widgets, which assistive tools would take for a filler
    // pane: as frames they are the active window a screen reader follows the focus in.
    if (className == QLatin1String("frmTallyer") || className == QLatin1String("HistoryWindow"))
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Window);
    return nullptr;
}

void sendEvent(QObject *object, QAccessible::Event type)
{
    QAccessibleEvent event(object, type);
    QAccessible::updateAccessibility(&event);
}

} // namespace

ResultAnnouncer::ResultAnnouncer(QWidget *parent, std::function<QString()> words)
    : QWidget(parent)
    , m_words(std::move(words))
{
    static const bool installed = [] {
        QAccessible::installFactory(announcerFactory);
        return true;
    }();
    Q_UNUSED(installed);

    setObjectName(QStringLiteral("resultAnnouncer"));
    setAttribute(Qt::WA_DontShowOnScreen);
    hide();
    m_pause = new QTimer(this);
    m_pause->setSingleShot(true);
    m_pause->setInterval(kPauseMs);
    connect(m_pause, &QTimer::timeout, this, [this] {
        const QString words = m_words();
        if (words != m_text)
            announce(words);
    });
}

void ResultAnnouncer::resultChanged()
{
    m_pause->start();
}

void ResultAnnouncer::stillBusy()
{
    if (m_pause->isActive())
        m_pause->start();
}

void ResultAnnouncer::announce(const QString &words)
{
    // Screen readers speak a notification when it comes up, so it goes down first.
    if (m_live) {
        m_live = false;
        sendEvent(this, QAccessible::ObjectHide);
    }
    m_text = words;
    sendEvent(this, QAccessible::NameChanged);
    m_live = true;
    sendEvent(this, QAccessible::ObjectShow);
    emit announced(words);
}

TabStops::TabStops(QWidget *window, CalcField *sheet, const std::array<MavoLabel3D *, kPushLabelCount> &labels)
    : QObject(window)
    , m_window(window)
    , m_sheet(sheet)
    , m_labels(labels)
{
    for (MavoLabel3D *label : m_labels)
        label->installEventFilter(this);
    window->installEventFilter(this);
    sheet->installEventFilter(this);
    refresh();
}

void TabStops::refresh()
{
    QList<QWidget *> stops;
    const QRect inside = m_window->rect();
    for (MavoLabel3D *label : m_labels) {
        const QRect place(label->mapTo(m_window, QPoint(0, 0)), label->size());
        const bool reachable = label->isVisibleTo(m_window) && inside.contains(place);
        if (!reachable && label->hasFocus())
            m_sheet->setFocus(Qt::TabFocusReason);
        label->setFocusPolicy(reachable ? Qt::TabFocus : Qt::NoFocus);
        if (reachable)
            stops << label;
    }
    std::sort(stops.begin(), stops.end(), [this](const QWidget *a, const QWidget *b) {
        const QPoint pa = a->mapTo(m_window, QPoint(0, 0));
        const QPoint pb = b->mapTo(m_window, QPoint(0, 0));
        return std::pair(pa.y(), pa.x()) < std::pair(pb.y(), pb.x());
    });
    m_stops = {m_sheet};
    m_stops += stops;
}

bool TabStops::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window) {
        if (event->type() == QEvent::Resize || event->type() == QEvent::Show || event->type() == QEvent::LayoutRequest)
            refresh();
        return false;
    }
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    // Tab and Shift+Tab walk the stops themselves, the sheet's as well as the labels', so that the
    // way through the window does not depend on the order the widgets were made in.
    const bool plain = (key->modifiers() & ~Qt::ShiftModifier) == 0;
    const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
    // The window may have been laid out anew since the last resize reached this filter (the
    // panels move after the window's own resize event): take the stops as they stand now.
    if (tab && plain && event->type() == QEvent::KeyPress)
        refresh();
    if (tab && plain && m_stops.size() > 1) {
        if (event->type() == QEvent::KeyPress) {
            const bool back = key->key() == Qt::Key_Backtab || key->modifiers() & Qt::ShiftModifier;
            const qsizetype at = std::max<qsizetype>(0, m_stops.indexOf(static_cast<QWidget *>(watched)));
            const qsizetype n = m_stops.size();
            m_stops.at((at + (back ? n - 1 : 1)) % n)->setFocus(back ? Qt::BacktabFocusReason : Qt::TabFocusReason);
        }
        return true;
    }
    if (watched == m_sheet)
        return false;
    const bool own = (key->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier)) == 0
        && (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab || key->key() == Qt::Key_Space
            || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter);
    if (own)
        return false;
    // Typing on a focused button: the sheet takes the key and the focus.
    if (event->type() == QEvent::KeyPress)
        m_sheet->setFocus(Qt::OtherFocusReason);
    QCoreApplication::sendEvent(m_sheet, event);
    return true;
}

QString WindowAccessibility::spokenName(PushLabel id) const
{
    switch (id) {
    case PushLabel::MemMenu: // "M7": cell 7
        return Text(TextId::MemoryCellName, {QString::number(m_session->memory().current())});
    case PushLabel::Round:
        return roundingName(m_session->roundDigit());
    case PushLabel::MoveSize:
        return Text(m_session->StripShown() ? TextId::HideMemoryButtons : TextId::ShowMemoryButtons);
    default:
        return textOrNothing(pushLabelEntry(id).spokenName);
    }
}

WindowAccessibility::WindowAccessibility(QWidget *window, CalcField *sheet,
                                         const std::array<MavoLabel3D *, kPushLabelCount> &labels,
                                         const CalcSession *session, Hints *hints)
    : QObject(window)
    , m_session(session)
{
    // Texts are looked up when a tool asks, so they follow the language, the captions and the
    // selection as they are at that moment.
    for (const PushLabelEntry &entry : kPushLabels) {
        const PushLabel id = entry.id;
        labels[static_cast<int>(id)]->setAccessibleTextSource([this, id](AccessibleText kind) {
            const PushLabelEntry &e = pushLabelEntry(id);
            switch (kind) {
            case AccessibleText::Name: return spokenName(id);
            case AccessibleText::Description:
                return textOrNothing(m_session->hasSelection() ? e.hintSubResult : e.hint);
            case AccessibleText::PressAction: return textOrNothing(e.pressAction);
            case AccessibleText::AlternateAction: return textOrNothing(e.alternateAction);
            }
            return QString();
        });
    }

    auto *stops = new TabStops(window, sheet, labels);
    // After the window has laid the strip out or cut it off.
    connect(m_session, &CalcSession::stripShownChanged, stops, &TabStops::refresh, Qt::QueuedConnection);

    // The sheet's name is read again whenever it gets the focus, as the language is.
    auto nameSheet = [sheet] {
        sheet->setAccessibleName(Text(TextId::SheetName));
        sheet->setAccessibleDescription(Text(TextId::SheetDescription));
    };
    nameSheet();
    new EventWatcher(sheet, QEvent::FocusIn, nameSheet);

    auto *announcer = new ResultAnnouncer(window, [this] {
        const QString panel = m_session->panelText();
        const TextId failure = m_session->panelFailure();
        const QString value = !panel.isEmpty() ? panel : Text(failure == TextId::None ? TextId::NoResult : failure);
        return m_session->hasSelection() ? Text(TextId::SubResultValue, {value}) : value;
    });
    // The panel is redrawn at every pass of the sub result, which a blinking caret sets off: only
    // a new text counts as a change.
    connect(m_session, &CalcSession::panelChanged, announcer,
            [announcer, shown = QString()](const QString &text, bool) mutable {
                if (text == shown)
                    return;
                shown = text;
                announcer->resultChanged();
            });
    connect(sheet, &SheetView::textChanged, announcer, &ResultAnnouncer::stillBusy);
    // What a memory button or a copy did is said at once: the press is the user's pause.
    connect(m_session, &CalcSession::confirmed, announcer, &ResultAnnouncer::announce);
    // Why the panel is blank, once typing has paused: under the field as well as spoken.
    connect(announcer, &ResultAnnouncer::announced, hints, [this, hints] {
        if (m_session->panelText().isEmpty() && m_session->panelFailure() != TextId::None)
            hints->showNote(Text(m_session->panelFailure()));
    });
}
