// The main window's hints: the hint strip under the field for the push-label the pointer rests
// on, and the F1 greeting at start-up with its question when the user types meanwhile. Timer
// ticks are driven by calling the handlers; the pointer is placed with QCursor::setPos, which the
// push-labels read.

#include <calcfield.h>
#include <frmtallyer.h>
#include <globals.h>
#include <hints.h>
#include <localevalues.h>
#include <mavolabel3d.h>
#include <messagesink.h>
#include <settings.h>

#include <QFrame>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const QString kGreeting = QStringLiteral("Press\u00a0F1\u00a0for\u00a0help");

// The pointer comes to rest in the middle of the push-label.
void hover(MavoLabel3D *label)
{
    const QPoint pos = label->rect().center();
    QCursor::setPos(label->mapToGlobal(pos));
    QTest::mouseMove(label, pos);
}

// Runs the hint timer's handler n times.
void hintTicks(frmTallyer &w, int n)
{
    for (int i = 0; i < n; ++i)
        w.TimerMyToolTip_Timer();
}

} // namespace

class TestHints : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void hintShownFromSeventhTick();
    void hintTexts_data();
    void hintTexts();
    void hintFollowsPointerWithRunningTimers();
    void leavingTheButtonEndsTheHint();
    void noHintWithStripCutOff();
    void noHintOnDisabledMemoryButton();

    void greetingStartsOnlyWhenWanted();
    void greetingWidths();
    void typingDuringGreetingAsks_data();
    void typingDuringGreetingAsks();
    void reEvaluationIsNoTyping();

private:
    // A loaded main window; shown with the memory strip unfolded unless told otherwise.
    std::unique_ptr<frmTallyer> openWindow(bool blnShow = true, bool blnStrip = true);
    QString storePath() const { return QDir(m_config.path()).filePath(QStringLiteral("Mavo/Tallyer.json")); }

    QTemporaryDir m_config;
    QTemporaryDir m_runtime;
};

std::unique_ptr<frmTallyer> TestHints::openWindow(bool blnShow, bool blnStrip)
{
    auto w = std::make_unique<frmTallyer>();
    if (!w->Form_Load())
        return nullptr;
    if (!blnShow)
        return w;
    w->show();
    if (!QTest::qWaitForWindowExposed(w.get()))
        return nullptr;
    if (blnStrip) {
        w->lblMoveSize->setCaption(QStringLiteral("<<"));
        w->ResizeToRows(true, static_cast<qint16>(w->fieldLineCount()), false);
    }
    return w;
}

void TestHints::initTestCase()
{
    QVERIFY(m_config.isValid());
    QVERIFY(m_runtime.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
    setMessageSink([](const QString &, MessageIcon) {});
    setLocaleSource([] { return LocaleSnapshot{QLocale(QLocale::English, QLocale::UnitedStates), true}; });
}

void TestHints::init()
{
    QFile::remove(storePath());
    // Most cases want no greeting over the field; the greeting cases switch it on again.
    QVERIFY(Settings::writeBool(Settings::F1Label, false));
}

void TestHints::cleanup()
{
    setF1QuestionAsker({});
    resetProgramGlobals();
    QFile::remove(storePath());
    QCursor::setPos(QPoint(5000, 5000));
}

// ---- Hint strip --------------------------------------------------------------------------------

void TestHints::hintShownFromSeventhTick()
{
    auto w = openWindow();
    QVERIFY(w);
    hover(w->lblM);
    QCOMPARE(w->f_strHintControl, QStringLiteral("lblM"));
    QVERIFY(w->TimerMyToolTip->isActive());

    hintTicks(*w, 6);
    QVERIFY(!w->lblToolTip->isVisible());
    hintTicks(*w, 1); // the seventh
    QVERIFY(w->lblToolTip->isVisible());
    QCOMPARE(w->lblToolTip->Caption(), QStringLiteral("puts result in memory  (Ctrl M)"));
    // Right under the field, as wide as it.
    QCOMPARE(w->lblToolTip->y(), w->boxCalc->y() + w->boxCalc->height());
    QCOMPARE(w->lblToolTip->x(), w->boxCalc->x());
    QCOMPARE(w->lblToolTip->width(), w->boxCalc->width());

    // Moves over the same button do not start the count again.
    hover(w->lblM);
    hintTicks(*w, 14); // up to the 21st
    QVERIFY(w->lblToolTip->isVisible());
    hintTicks(*w, 1); // the 22nd
    QVERIFY(!w->lblToolTip->isVisible());
    QVERIFY(!w->TimerMyToolTip->isActive());
    QVERIFY(w->f_strHintControl.isEmpty());

    // A later move over the same button starts a new cycle.
    QTest::mouseMove(w->lblM, w->lblM->rect().center() + QPoint(1, 0));
    QCOMPARE(w->f_strHintControl, QStringLiteral("lblM"));
    hintTicks(*w, 7);
    QVERIFY(w->lblToolTip->isVisible());
}

void TestHints::hintTexts_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<bool>("selection");
    QTest::addColumn<QString>("text");

    QTest::newRow("mplus-result") << "lblMPlus" << false << "adds result to contents of memory  (Ctrl +)";
    QTest::newRow("mplus-sub-result") << "lblMPlus" << true << "adds sub result to contents of memory (Ctrl +)";
    QTest::newRow("mminus-sub-result") << "lblMMinus" << true
                                       << "subtracts sub result from contents of memory  (Ctrl -)";
    QTest::newRow("mr-same-text") << "lblMR" << true << "inserts contents of memory into a field (Ctrl R)";
    QTest::newRow("result-sub-result") << "lblResult" << true
                                       << "sub result;  to copy in digit / in words  (Ctrl Shift F1/F2)";
    QTest::newRow("round") << "lblRound" << false << "approximation of result  (Ctrl 0... 9)";
    QTest::newRow("round-sub-result") << "lblRound" << true << "approximation of sub result  (Ctrl 0... 9)";
    QTest::newRow("memory-menu") << "lblMemMenu" << false << "choice of memory cell  (Ctrl Shift M)";
    QTest::newRow("strip-toggle") << "lblMoveSize" << false
                                  << "hides buttons of operation with memory  (Ctrl Space)";
    QTest::newRow("options") << "lblOptions" << true << "parameters  (Ctrl /)";
}

void TestHints::hintTexts()
{
    QFETCH(QString, control);
    QFETCH(bool, selection);
    QFETCH(QString, text);

    // A large field font: the window takes it on, the hint strip must not.
    QVERIFY(Settings::writeLong(Settings::FontSize, 20));
    auto w = openWindow();
    QVERIFY(w);
    QTest::keyClicks(w->boxCalc, QStringLiteral("10*2+3"));
    if (selection) {
        w->boxCalc->setSelStart(3);
        w->boxCalc->setSelLength(3); // "2+3"
    }
    // The sub result's timer, as a repaint of the field would run it.
    w->TimerSelWork_Timer();
    QCOMPARE(w->f_blnSelection, selection);
    QCOMPARE(w->lblResult->Caption(), selection ? QStringLiteral("5.00") : QStringLiteral("23.00"));

    auto *label = w->findChild<MavoLabel3D *>(control);
    QVERIFY(label);
    hover(label);
    QCOMPARE(w->f_strHintControl, control);
    hintTicks(*w, 7);
    QVERIFY(w->lblToolTip->isVisible());
    QCOMPARE(w->lblToolTip->Caption(), text);
    QCOMPARE(w->font().pointSize(), 20);
    QVERIFY(w->lblToolTip->Font().pointSizeF() <= QApplication::font().pointSizeF());
    QVERIFY(QFontMetrics(w->lblToolTip->Font()).horizontalAdvance(text) < w->lblToolTip->width());
}

void TestHints::hintFollowsPointerWithRunningTimers()
{
    // With the real timers and the field holding the focus (its caret blinking), resting on a
    // button brings the hint up after about two seconds.
    auto w = openWindow();
    QVERIFY(w);
    w->activateWindow();
    QTRY_VERIFY(w->isActiveWindow());
    QTRY_VERIFY(w->boxCalc->hasFocus());
    // Let the repaints of showing and activation run their sub-result pass first.
    QCoreApplication::processEvents();
    QTRY_VERIFY(!w->TimerSelWork->isActive());
    hover(w->lblMPlus);
    QTRY_VERIFY_WITH_TIMEOUT(w->lblToolTip->isVisible(), 5000);
    QCOMPARE(w->lblToolTip->Caption(), QStringLiteral("adds result to contents of memory  (Ctrl +)"));
}

void TestHints::leavingTheButtonEndsTheHint()
{
    auto w = openWindow();
    QVERIFY(w);
    hover(w->lblOptions);
    hintTicks(*w, 7);
    QVERIFY(w->lblToolTip->isVisible());

    // The pointer leaves without a move over another button (straight off the window).
    QCursor::setPos(w->mapToGlobal(QPoint(w->width() + 50, 0)));
    QVERIFY(!w->lblOptions->MouseInRect());
    hintTicks(*w, 1);
    QVERIFY(!w->lblToolTip->isVisible());
    QVERIFY(w->f_strHintControl.isEmpty());
    QVERIFY(!w->TimerMyToolTip->isActive());

    // Leaving before the hint shows: it never comes.
    hover(w->lblOptions);
    hintTicks(*w, 3);
    QCursor::setPos(w->mapToGlobal(QPoint(w->width() + 50, 0)));
    hintTicks(*w, 4);
    QVERIFY(!w->lblToolTip->isVisible());
    QVERIFY(!w->TimerMyToolTip->isActive());
}

void TestHints::noHintWithStripCutOff()
{
    auto w = openWindow(true, false);
    QVERIFY(w);
    QCOMPARE(w->lblMoveSize->Caption(), QStringLiteral(">>"));
    QVERIFY(!w->StripShown());
    hover(w->lblResult);
    QCOMPARE(w->f_strHintControl, QStringLiteral("lblResult"));
    hintTicks(*w, 1);
    QVERIFY(!w->TimerMyToolTip->isActive());
    QVERIFY(w->f_strHintControl.isEmpty());
    hintTicks(*w, 6);
    QVERIFY(!w->lblToolTip->isVisible());
}

void TestHints::noHintOnDisabledMemoryButton()
{
    auto w = openWindow();
    QVERIFY(w);
    w->lblMC->setEnabledFlag(false);
    hover(w->lblMC);
    // Even a move the control reports on its own starts no hint while it is disabled.
    emit w->lblMC->MouseMove(0, 0, 100, 100);
    QVERIFY(w->f_strHintControl.isEmpty());
    QVERIFY(!w->TimerMyToolTip->isActive());
    hintTicks(*w, 7);
    QVERIFY(!w->lblToolTip->isVisible());

    w->lblMC->setEnabledFlag(true);
    emit w->lblMC->MouseMove(0, 0, 100, 100);
    QCOMPARE(w->f_strHintControl, QStringLiteral("lblMC"));
    hintTicks(*w, 7);
    QCOMPARE(w->lblToolTip->Caption(), QStringLiteral("clears memory cell  (Ctrl N)"));
}

// ---- F1 greeting ---------------------------------------------------------------------------

void TestHints::greetingStartsOnlyWhenWanted()
{
    {
        auto w = openWindow(false);
        QVERIFY(w);
        QVERIFY(!w->TimerPressF1ForHelp->isActive());
        QVERIFY(w->frame1->isHidden());
    }
    resetProgramGlobals();
    QFile::remove(storePath()); // F1Label reads as its default, true

    auto w = openWindow(false);
    QVERIFY(w);
    QVERIFY(w->TimerPressF1ForHelp->isActive());
    QCOMPARE(w->TimerPressF1ForHelp->interval(), 40);
    QVERIFY(!w->frame1->isHidden());
    QVERIFY(w->lblF1Label->isHidden());
    QCOMPARE(w->lblF1Label->text(), kGreeting);
    // The frame lies over the field, in its background colour.
    const QRect field = w->boxCalc->geometry();
    QCOMPARE(w->frame1->geometry(), QRect(field.x() + 5, field.y() + 2, field.width() - 7, field.height() - 4));
    QCOMPARE(w->frame1->palette().color(QPalette::Window), w->boxCalc->palette().color(QPalette::Base));

    // The history window, another instance of the same form, has no greeting.
    g_blnHistoryWindow = true;
    frmTallyer history;
    QVERIFY(history.Form_Load());
    QVERIFY(!history.TimerPressF1ForHelp->isActive());
    QVERIFY(history.frame1->isHidden());
}

void TestHints::greetingWidths()
{
    QFile::remove(storePath());
    // Not shown, so the running 40 ms timer cannot tick between the calls below.
    auto w = openWindow(false);
    QVERIFY(w);
    const double tpp = w->twipsX();
    if (!qFuzzyCompare(tpp, 15.0))
        QSKIP("the figures are worked out for 15 twips per pixel");
    QCOMPARE(w->boxCalc->width(), 330); // 4950 twips

    // S = (45 - 0.5) / 45 * 4950 = 4895 twips. Widths in twips at chosen ticks, by hand:
    // sliding in S * (c - 20) / 45; springing back with p = round(k^1.6):
    // 66: k 1, p 1: S * 45 / 46; 73: k 8, p 28: S * 65 / 73;
    // 74: k 1, p = round(7^1.6) = 22: S * (45 + 22 - 8 + 1) / 67 = S * 60 / 67;
    // 82: S * 124 / 125; 85: S * 121 / 125; 89 and after: S.
    const double s = 4895;
    const QMap<int, double> widths = {
        {1, 0},
        {20, 0},
        {21, s / 45},
        {29, 979},
        {65, 4895},
        {66, s * 45 / 46},
        {73, s * 65 / 73},
        {74, s * 60 / 67},
        {81, s},
        {82, s * 124 / 125},
        {85, s * 121 / 125},
        {89, s},
        {120, s},
        {150, s},
    };
    // The greeting's right edge: 100 twips short of the field's right edge.
    const int right = qRound(w->boxCalc->x() + w->boxCalc->width() - 100 / tpp);

    for (int tick = 1; tick <= 150; ++tick) {
        w->TimerPressF1ForHelp_Timer();
        QCOMPARE(w->f_lngF1Ticks, tick);
        QCOMPARE(w->lblF1Label->isHidden(), tick <= 20);
        if (!widths.contains(tick))
            continue;
        const int expected = qRound(widths.value(tick) / tpp);
        QVERIFY2(w->lblF1Label->width() == expected,
                 qPrintable(QStringLiteral("tick %1: width %2, expected %3")
                                .arg(tick).arg(w->lblF1Label->width()).arg(expected)));
        const QRect inWindow(w->lblF1Label->mapTo(w.get(), QPoint(0, 0)), w->lblF1Label->size());
        QCOMPARE(inWindow.x() + inWindow.width(), right);
    }
    QVERIFY(!w->frame1->isHidden());
    QVERIFY(w->TimerPressF1ForHelp->isActive());
    w->TimerPressF1ForHelp_Timer(); // the 151st
    QVERIFY(w->frame1->isHidden());
    QVERIFY(!w->TimerPressF1ForHelp->isActive());
}

void TestHints::typingDuringGreetingAsks_data()
{
    QTest::addColumn<bool>("answer");
    QTest::newRow("yes-keeps-it") << true;
    QTest::newRow("no-switches-it-off") << false;
}

void TestHints::typingDuringGreetingAsks()
{
    QFETCH(bool, answer);
    QFile::remove(storePath());

    struct Asked
    {
        int count = 0;
        QString text;
        bool textHidden = false;
        bool timerRunning = true;
    } asked;
    frmTallyer *window = nullptr;
    setF1QuestionAsker([&](QWidget *owner, const QString &text) {
        ++asked.count;
        asked.text = text;
        const QPalette pal = window->boxCalc->palette();
        asked.textHidden = pal.color(QPalette::Text) == pal.color(QPalette::Base);
        asked.timerRunning = window->TimerPressF1ForHelp->isActive();
        return owner == window && answer;
    });

    auto w = openWindow();
    QVERIFY(w);
    window = w.get();
    const QColor textColour = w->boxCalc->palette().color(QPalette::Text);
    QVERIFY(textColour != w->boxCalc->palette().color(QPalette::Base));
    QVERIFY(w->TimerPressF1ForHelp->isActive());

    QTest::keyClick(w->boxCalc, Qt::Key_5);
    QCOMPARE(w->boxCalc->Text(), QStringLiteral("5"));
    QVERIFY(w->f_blnTyped);
    QTRY_COMPARE(asked.count, 1);
    QCOMPARE(asked.text, QStringLiteral("Shows hint in further: \n\n'") + kGreeting + QStringLiteral("'?\n"));
    QVERIFY(asked.textHidden);
    // Stopped before asking, so a box left open does not ask again.
    QVERIFY(!asked.timerRunning);

    QVERIFY(w->frame1->isHidden());
    QVERIFY(!w->TimerPressF1ForHelp->isActive());
    QCOMPARE(w->boxCalc->palette().color(QPalette::Text), textColour);
    QCOMPARE(w->boxCalc->palette().color(QPalette::Inactive, QPalette::Text), textColour);
    QCOMPARE(Settings::readBool(Settings::F1Label), answer);

    // The next start shows the greeting only after Yes.
    w.reset();
    resetProgramGlobals();
    auto next = openWindow(false);
    QVERIFY(next);
    QCOMPARE(next->TimerPressF1ForHelp->isActive(), answer);
}

void TestHints::reEvaluationIsNoTyping()
{
    QFile::remove(storePath());
    auto w = openWindow(false);
    QVERIFY(w);
    QVERIFY(w->TimerPressF1ForHelp->isActive());
    // The rounding selector evaluates the sheet again without changing its text.
    w->lblRound_MouseUp(1, 0, 10, 10);
    QCOMPARE(w->lblRound->Caption(), QStringLiteral("Fix 3"));
    QVERIFY(!w->f_blnTyped);
    w->TimerPressF1ForHelp_Timer();
    QVERIFY(w->TimerPressF1ForHelp->isActive());
    QVERIFY(!w->frame1->isHidden());
}

QTEST_MAIN(TestHints)
#include "tst_hints.moc"
