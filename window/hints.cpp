// The window explains itself: the hint strip under the field for the push-label the pointer rests
// on, and the "Press F1 for help" greeting that slides into the field at start-up.

#include "frmtallyer.h"
#include "hints.h"

#include "calcfield.h"
#include "eventwatcher.h"
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

#include <cmath>
#include <utility>

namespace {

// The hint of each push-label; the second text while the panels show a sub result.
struct HintText
{
    const char *control;
    int id;
    int idSelection;
};

constexpr HintText kHintTexts[] = {
    {"lblM", 1010, 1020},
    {"lblMC", 1030, 1030},
    {"lblMMinus", 1040, 1045},
    {"lblMoveSize", 1050, 1050},
    {"lblMPlus", 1060, 1065},
    {"lblMR", 1070, 1070},
    {"lblOptions", 1080, 1080},
    {"lblResult", 1090, 1110},
    {"lblMemory", 1100, 1100},
    {"lblMemMenu", 1105, 1105},
    {"lblRound", 1120, 1130},
};

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

bool askWithMessageBox(QWidget *owner, const QString &strText)
{
    QMessageBox box(QMessageBox::Question, QLatin1String(ProductInfo::kProductName), strText,
                    QMessageBox::Yes | QMessageBox::No, owner);
    box.setDefaultButton(QMessageBox::Yes);
    // Closing the box without an answer leaves the setting as it is.
    box.setEscapeButton(QMessageBox::Yes);
    // The keys go back to where they were headed: the sheet of the asking window.
    auto *window = qobject_cast<frmTallyer *>(owner);
    YoungBoxKeyCatcher catcher(window ? static_cast<QWidget *>(window->boxCalc) : owner);
    qApp->installEventFilter(&catcher);
    const int answer = box.exec();
    qApp->removeEventFilter(&catcher);
    return answer != QMessageBox::No;
}

// The hint strip's font: the desktop's ordinary font, not the window's, which takes on the
// field's font (up to 50 points). Every property is marked as the strip's own so the window's
// font does not reach it. A hint too long for the room in a wide desktop font is set smaller
// rather than cut off.
QFont hintFont(const QString &strText, int intRoom)
{
    QFont font = QApplication::font();
    font.setResolveMask(QFont::AllPropertiesResolved);
    while (font.pointSizeF() > 6 && QFontMetrics(font).horizontalAdvance(strText) > intRoom)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    return font;
}

F1QuestionAsker &f1QuestionAsker()
{
    static F1QuestionAsker asker = askWithMessageBox;
    return asker;
}

} // namespace

int HintTextId(const QString &strControl, bool blnSelection)
{
    for (const HintText &hint : kHintTexts) {
        if (strControl == QLatin1String(hint.control))
            return blnSelection ? hint.idSelection : hint.id;
    }
    return 0;
}

F1QuestionAsker setF1QuestionAsker(F1QuestionAsker asker)
{
    F1QuestionAsker previous = std::exchange(f1QuestionAsker(), std::move(asker));
    if (!f1QuestionAsker())
        f1QuestionAsker() = askWithMessageBox;
    return previous;
}

void frmTallyer::connectHints()
{
    auto onMove = [this](MavoLabel3D *label, auto handler) {
        connect(label, &MavoLabel3D::MouseMove, this,
                [handler](qint16, qint16, float, float) { handler(); });
    };

    for (MavoLabel3D *label : {lblM, lblResult, lblMemory, lblOptions}) {
        const QString name = label->objectName();
        onMove(label, [this, name] { ShowHint(name); });
    }
    // A memory operation that cannot be used has nothing to explain.
    for (MavoLabel3D *label : {lblMC, lblMR, lblMPlus, lblMMinus}) {
        const QString name = label->objectName();
        onMove(label, [this, label, name] {
            if (label->Enabled())
                ShowHint(name);
        });
    }
    onMove(lblMoveSize, [this] {
        lblMoveSize->setMousePointer(0);
        ShowHint(lblMoveSize->objectName());
    });
    // The memory panel next to the cell button gives up its hover look at once, without raising
    // events of its own.
    onMove(lblMemMenu, [this] {
        ShowHint(lblMemMenu->objectName());
        if (lblMemory->IsUp()) {
            lblMemory->setMouseEventsSkip(true);
            lblMemory->GoNormal();
            lblMemory->setMouseEventsSkip(false);
        }
    });
    // lblRound's pointer moves are handled in rounding.cpp.

    // Between the buttons the frame shows the ordinary pointer.
    frame2->setMouseTracking(true);
    new EventWatcher(frame2, QEvent::MouseMove, [this] { frame2->unsetCursor(); });

    connect(TimerMyToolTip, &QTimer::timeout, this, [this] { TimerMyToolTip_Timer(); });
    connect(TimerPressF1ForHelp, &QTimer::timeout, this, [this] { TimerPressF1ForHelp_Timer(); });
}

void frmTallyer::ShowHint(const QString &strControl)
{
    // Moves over the same button keep the count running.
    if (strControl == f_strHintControl)
        return;
    f_strHintControl = strControl;
    if (strControl.isEmpty())
        return;
    f_lngHintTicks = 0;
    if (lblToolTip->isVisible())
        lblToolTip->setVisible(false);
    TimerMyToolTip->start();
}

void frmTallyer::TimerMyToolTip_Timer()
{
    auto endHint = [this] {
        TimerMyToolTip->stop();
        f_strHintControl.clear();
        if (lblToolTip->isVisible())
            lblToolTip->setVisible(false);
    };

    if (f_strHintControl.isEmpty()) {
        TimerMyToolTip->stop();
        return;
    }
    const auto *control = findChild<MavoLabel3D *>(f_strHintControl);
    if (!control || !control->MouseInRect()) {
        endHint();
        return;
    }
    // The compact window, with the memory buttons cut off, shows no hints.
    if (f_lngHintTicks >= kHintLastTick || !StripShown()) {
        endHint();
        return;
    }

    if (f_lngHintTicks >= kHintFirstTick && !lblToolTip->isVisible()) {
        if (const int id = HintTextId(f_strHintControl, f_blnSelection))
            lblToolTip->setCaption(LoadText(id));
        // Just below the field, as wide as it; the field's height follows its rows.
        lblToolTip->setGeometry(boxCalc->x(), boxCalc->y() + boxCalc->height(), boxCalc->width(),
                                lblToolTip->height());
        const int margins =
            twipsDivPixels(qint64(lblToolTip->MarginLeft()) + lblToolTip->MarginRight(), twipsX());
        const int room = lblToolTip->width() - margins - 4;
        lblToolTip->setFontObject(hintFont(lblToolTip->Caption(), room));
        lblToolTip->raise();
        lblToolTip->setVisible(true);
    }
    ++f_lngHintTicks;
}

void frmTallyer::TimerPressF1ForHelp_Timer()
{
    // 1. The user has started on the sheet: end the greeting and ask whether it shall come again,
    // but only once typing has paused, so that the question never takes keys meant for the sheet.
    if (f_blnTyped) {
        if (f_tmrLastTyped.isValid() && f_tmrLastTyped.elapsed() < kAskAfterPauseMs) {
            frame1->setVisible(false); // the typing must be seen at once
            return;
        }
        // The question is modal and this timer would go on firing under it; stop it first so the
        // question is asked only once.
        TimerPressF1ForHelp->stop();

        // The field's text is drawn in its background colour while the question is open.
        const QPalette remembered = boxCalc->palette();
        QPalette hidden = remembered;
        for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            hidden.setColor(group, QPalette::Text, remembered.color(group, QPalette::Base));
        boxCalc->setPalette(hidden);

        const QString quoted = QStringLiteral("\n\n'") + lblF1Label->text() + QLatin1Char('\'');
        const QString text = LoadText(1006, {QStringLiteral("|1"), quoted}) + QLatin1Char('\n');
        if (!f1QuestionAsker()(this, text))
            Settings::writeBool(Settings::F1Label, false); // a failing store tells the user itself

        frame1->setVisible(false);
        boxCalc->setPalette(remembered);
        return;
    }

    // 2. The whole greeting has run: phases 0 ... 6 together.
    const qint32 total = f_lngF1Phases[7];
    if (f_lngF1Ticks > total) {
        frame1->setVisible(false);
        TimerPressF1ForHelp->stop();
        return;
    }

    // 3. S: the full width of the greeting in twips, a little short of the field's width.
    const qint32 c = ++f_lngF1Ticks;
    const double slide = f_lngF1Phases[1];
    const double tppX = twipsX();
    const double s = (slide - 0.5) / slide * boxCalc->width() * tppX;

    // 4. The last phase only stands.
    if (c > total - f_lngF1Phases[6])
        return;

    // 5. Find the phase of tick c; k counts the ticks inside it.
    int phase = 0;
    qint32 start = 0;
    while (phase < 5 && c > start + f_lngF1Phases[phase]) {
        start += f_lngF1Phases[phase];
        ++phase;
    }
    f_lngF1Phases[8] = start;
    const qint32 k = c - start;
    const double spring = f_lngF1Phases[3];
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
        w = s * (dip - f_lngF1Phases[5] + k) / dip;
        break;
    }

    // 6. Right-aligned 100 twips from the field's right edge, growing to the left. The right edge
    // is converted to pixels once, so it stays put while the width changes. lblF1Label lives in
    // frame1, which starts 5 pixels into the field.
    const int right = static_cast<int>(std::lround(boxCalc->x() + boxCalc->width() - kF1RightGapTwips / tppX));
    const int width = static_cast<int>(std::lround(w / tppX));
    lblF1Label->setGeometry(right - width - frame1->x(), lblF1Label->y(), width,
                            lblF1Label->sizeHint().height());

    // The greeting appears once its waiting phase is over.
    if (c > f_lngF1Phases[0])
        lblF1Label->setVisible(true);
}
