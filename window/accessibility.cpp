// What the main window tells assistive tools (screen readers): the names and descriptions of the
// sheet and of every push-label, the words for what each button's actions do, and the result,
// announced when the user pauses.

#include "accessibility.h"
#include "eventwatcher.h"
#include "frmtallyer.h"
#include "hints.h"

#include "calcfield.h"
#include "loadtext.h"
#include "mavolabel3d.h"

#include <QAccessibleWidget>
#include <QEvent>
#include <QTimer>

namespace {

using Text = MavoLabel3D::AccessibleText;

// What each push-label is called and, where it matters, what its two buttons do (text ids; 0 for
// none). The name of the cell button, the rounding selector and the strip button follows their
// caption and is made in spokenName below.
struct LabelTexts
{
    const char *control;
    int name;
    int press;
    int alternate;
};

constexpr LabelTexts kLabelTexts[] = {
    {"lblResult", 1432, 1445, 1446},
    {"lblMemory", 1433, 1445, 1446},
    {"lblOptions", 1205, 0, 0},
    {"lblM", 1440, 0, 0},
    {"lblMC", 1441, 0, 0},
    {"lblMR", 1442, 0, 0},
    {"lblMPlus", 1443, 0, 0},
    {"lblMMinus", 1444, 0, 0},
    {"lblRound", 0, 1447, 1448},
};

const LabelTexts *labelTexts(const QString &control)
{
    for (const LabelTexts &texts : kLabelTexts) {
        if (control == QLatin1String(texts.control))
            return &texts;
    }
    return nullptr;
}

// "Rounding: 2 decimals", with the word in the number its language wants: one form for 1, one
// for 2 to 4 (Russian "знака"; English says "decimals" as for the others) and one for the rest.
QString roundingName(int digits)
{
    const int id = digits == 1 ? 1436 : (digits >= 2 && digits <= 4 ? 1437 : 1435);
    return LoadText(id, {QStringLiteral("|1"), QString::number(digits)});
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
    if (className == QLatin1String("ResultAnnouncer") && object && object->isWidgetType())
        return new ResultAnnouncerAccessible(static_cast<ResultAnnouncer *>(object));
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

QString frmTallyer::spokenName(MavoLabel3D *label) const
{
    if (label == lblMemMenu) // "M7": cell 7
        return LoadText(1434, {QStringLiteral("|1"), label->Caption().mid(1)});
    if (label == lblRound)
        return roundingName(roundDigit());
    if (label == lblMoveSize)
        return LoadText(label->Caption() == QLatin1String("<<") ? 1439 : 1438);
    const LabelTexts *texts = labelTexts(label->objectName());
    return texts && texts->name ? LoadText(texts->name) : QString();
}

void frmTallyer::setupAccessibility()
{
    // Texts are looked up when a tool asks, so they follow the language, the captions and the
    // selection as they are at that moment.
    const QList<MavoLabel3D *> labels = {lblResult, lblMemory, lblMemMenu, lblRound, lblOptions, lblMoveSize,
                                          lblM, lblMC, lblMR, lblMPlus, lblMMinus};
    for (MavoLabel3D *label : labels) {
        label->setAccessibleTextSource([this, label](Text kind) {
            const LabelTexts *texts = labelTexts(label->objectName());
            int id = 0;
            switch (kind) {
            case Text::Name: return spokenName(label);
            case Text::Description: id = HintTextId(label->objectName(), f_blnSelection); break;
            case Text::PressAction: id = texts ? texts->press : 0; break;
            case Text::AlternateAction: id = texts ? texts->alternate : 0; break;
            }
            return id ? LoadText(id) : QString();
        });
    }

    // The sheet's name is read again whenever it gets the focus, as the language is.
    auto nameSheet = [this] {
        boxCalc->setAccessibleName(LoadText(1430));
        boxCalc->setAccessibleDescription(LoadText(1431));
    };
    nameSheet();
    new EventWatcher(boxCalc, QEvent::FocusIn, nameSheet);

    auto *announcer = new ResultAnnouncer(this, [this] {
        const QString caption = lblResult->Caption();
        const QString value = caption.isEmpty() ? LoadText(1449) : caption;
        return f_blnSelection ? LoadText(1450, {QStringLiteral("|1"), value}) : value;
    });
    // The panel is written at every pass of the sub result, which a blinking caret sets off: only
    // a new text counts as a change.
    connect(lblResult, &MavoLabel3D::PropertyChanged, announcer,
            [this, announcer, shown = lblResult->Caption()](const QString &property) mutable {
                if (property != QLatin1String("Caption") || lblResult->Caption() == shown)
                    return;
                shown = lblResult->Caption();
                announcer->resultChanged();
            });
    connect(boxCalc, &QPlainTextEdit::textChanged, announcer, &ResultAnnouncer::stillBusy);
}
