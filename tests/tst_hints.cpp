// The hint strip under the field for the push-label the pointer rests on, and the F1 greeting at
// start-up with its question when the user types meanwhile. The tests drive the timers' ticks and
// place the pointer with QCursor::setPos, which the push-labels read.

#include "windowtest.h"

#include <messagesink.h>

#include <QAbstractButton>
#include <QFontMetrics>
#include <QLabel>
#include <QMessageBox>

namespace {

const QString kGreeting = QStringLiteral("Press\u00a0F1\u00a0for\u00a0help");

// The pointer comes to rest in the middle of the push-label.
void hover(MavoLabel3D *label)
{
    const QPoint pos = label->rect().center();
    QCursor::setPos(label->mapToGlobal(pos));
    QTest::mouseMove(label, pos);
}

void hintTicks(TestWindow &w, int n)
{
    for (int i = 0; i < n; ++i)
        w.hints->hintTick();
}

} // namespace

class TestHints : public WindowTest
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(useTemporaryFolders());
        setMessageSink([](const QString &, MessageIcon) {});
        useLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    // Most cases want no greeting over the field; the greeting cases switch it on again.
    void init() { QVERIFY(emptyStore()); }
    void cleanup() { QCursor::setPos(QPoint(5000, 5000)); }

    void hintCycle()
    {
        auto w = openWindow(true);
        QVERIFY(w);
        hover(w->lblM);
        hintTicks(*w, 6);
        QVERIFY(!w->lblToolTip->isVisible());
        hintTicks(*w, 1); // the seventh
        QVERIFY(w->lblToolTip->isVisible());
        QCOMPARE(w->lblToolTip->Caption(), QStringLiteral("puts result in memory  (Ctrl M)"));
        QCOMPARE(w->lblToolTip->geometry(), QRect(w->boxCalc->x(), w->boxCalc->y() + w->boxCalc->height(),
                                                  w->boxCalc->width(), w->lblToolTip->height()));

        hover(w->lblM); // the same button: the count goes on
        hintTicks(*w, 14);
        QVERIFY(w->lblToolTip->isVisible());
        hintTicks(*w, 1); // the 22nd
        QVERIFY(!w->lblToolTip->isVisible());
        QVERIFY(!w->TimerMyToolTip->isActive());

        // A later move starts again; leaving the button, even straight off the window, ends it.
        QTest::mouseMove(w->lblM, w->lblM->rect().center() + QPoint(1, 0));
        hintTicks(*w, 7);
        QVERIFY(w->lblToolTip->isVisible());
        QCursor::setPos(w->mapToGlobal(QPoint(w->width() + 50, 0)));
        hintTicks(*w, 1);
        QVERIFY(!w->lblToolTip->isVisible());
        QVERIFY(!w->TimerMyToolTip->isActive());
        QVERIFY(w->hints->hintControl().isEmpty());

        // With the real timers and the field's caret blinking, the hint comes after about two
        // seconds: the caret's repaints do not end it.
        w->activateWindow();
        QTRY_VERIFY(w->boxCalc->hasFocus());
        QTRY_VERIFY(!w->TimerSelWork->isActive());
        hover(w->lblMPlus);
        QTRY_VERIFY_WITH_TIMEOUT(w->lblToolTip->isVisible(), 5000);
    }

    // Over a selection the hint speaks of the sub result. A large field font: the window takes it
    // on, the hint strip must not.
    void hintTexts()
    {
        const QString text = QStringLiteral("adds sub result to contents of memory (Ctrl +)");
        QVERIFY(Settings::writeLong(Settings::FontSize, 20));
        auto w = openWindow(true);
        QVERIFY(w);
        QTest::keyClicks(w->boxCalc, QStringLiteral("10*2+3"));
        w->boxCalc->setSelStart(3);
        w->boxCalc->setSelLength(3); // "2+3"
        QTRY_VERIFY(!w->TimerSelWork->isActive()); // the panels show the sub result
        hover(w->lblMPlus);
        QCOMPARE(w->hints->hintControl(), QStringLiteral("lblMPlus"));
        hintTicks(*w, 7);
        QCOMPARE(w->lblToolTip->Caption(), text);
        QCOMPARE(w->font().pointSize(), 20);
        QVERIFY(w->lblToolTip->Font().pointSizeF() <= QApplication::font().pointSizeF());
        QVERIFY(QFontMetrics(w->lblToolTip->Font()).horizontalAdvance(text) < w->lblToolTip->width());
    }

    void noHintCutOffOrDisabled()
    {
        auto w = openWindow();
        QVERIFY(w);
        QCOMPARE(w->lblMoveSize->Caption(), QStringLiteral(">>"));
        hover(w->lblResult);
        QCOMPARE(w->hints->hintControl(), QStringLiteral("lblResult"));
        hintTicks(*w, 1);
        QVERIFY(!w->TimerMyToolTip->isActive());
        hintTicks(*w, 6);
        QVERIFY(!w->lblToolTip->isVisible());

        QTest::keyClick(w->boxCalc, Qt::Key_Space, Qt::ControlModifier); // the strip comes in
        w->lblMC->setEnabledFlag(false);
        hover(w->lblMC);
        emit w->lblMC->MouseMove(0, 0, 100, 100); // even a move reported regardless
        QVERIFY(w->hints->hintControl().isEmpty());
        QVERIFY(!w->TimerMyToolTip->isActive());
        w->lblMC->setEnabledFlag(true);
        emit w->lblMC->MouseMove(0, 0, 100, 100);
        QCOMPARE(w->hints->hintControl(), QStringLiteral("lblMC"));
    }

    // The greeting comes in after 20 ticks over the field and goes at the 151st; where it stands,
    // at any font size, is checked below.
    void greetingTimes()
    {
        QVERIFY(emptyStore(true)); // F1Label reads as its default, true
        auto w = openWindow(false, false); // not shown: the real timer cannot tick in between
        QVERIFY(w);
        QCOMPARE(w->lblF1Label->text(), kGreeting);
        for (int tick = 1; tick <= 150; ++tick) {
            w->hints->greetingTick();
            QCOMPARE(w->lblF1Label->isHidden(), tick <= 20);
        }
        QVERIFY(!w->frame1->isHidden());
        w->hints->greetingTick();
        QVERIFY(w->frame1->isHidden() && !w->TimerPressF1ForHelp->isActive());
    }

    // At any font size and row count the greeting, once it stands, is read whole: inside its
    // frame from top to bottom, and its text no wider than the frame left of its right edge.
    void greetingWhole_data()
    {
        QTest::addColumn<int>("fontSize");
        QTest::addColumn<int>("rows");
        for (const int size : {8, 11, 20, 33, 50})
            for (const int rows : {1, 3, 12})
                QTest::addRow("%d pt, %d rows", size, rows) << size << rows;
    }

    void greetingWhole()
    {
        QFETCH(int, fontSize);
        QFETCH(int, rows);
        QVERIFY(emptyStore(true));
        QVERIFY(Settings::writeLong(Settings::FontSize, fontSize));
        QVERIFY(Settings::writeLong(Settings::MinRows, rows));
        QVERIFY(Settings::writeLong(Settings::MaxRows, rows));
        auto w = openWindow(false, false);
        QVERIFY(w);
        QCOMPARE(w->boxCalc->font().pointSize(), fontSize);
        for (int tick = 1; tick <= 100; ++tick)
            w->hints->greetingTick();
        const QLabel *label = w->lblF1Label;
        const QRect frame = w->frame1->rect();
        const QRect place = label->geometry();
        QVERIFY2(place.top() >= 0 && place.bottom() <= frame.bottom(), qPrintable(QStringLiteral("%1 in %2").arg(
            QString::number(place.top()) + u'-' + QString::number(place.bottom()), QString::number(frame.height()))));
        const QFontMetrics metrics(label->font());
        QVERIFY(metrics.height() <= frame.height());
        QVERIFY(metrics.horizontalAdvance(label->text()) <= place.right() + 1); // from the frame's left edge
        QVERIFY(place.right() <= frame.right());
    }

    // Typed quickly at start-up, a tape reaches the sheet whole: the greeting goes at once, the
    // question waits for a pause and comes over the sheet with its text hidden, and keys that reach
    // the box in its first moments neither answer it nor get lost. No switches the greeting off.
    void typingDuringGreeting()
    {
        QVERIFY(emptyStore(true));
        auto w = openWindow();
        QVERIFY(w);
        const QColor textColour = w->boxCalc->palette().color(QPalette::Text);
        // Evaluating again without a change of the text (Ctrl+digit) is no typing.
        QTest::keyClick(w->boxCalc, Qt::Key_3, Qt::ControlModifier);
        w->hints->greetingTick();
        QVERIFY(!w->frame1->isHidden());

        // Runs inside the box's own event loop: Enter and more of the tape go to the young box,
        // then No is clicked.
        QPointer<QMessageBox> seen;
        bool stillOpenAfterEnter = false, textHidden = false, timerRunning = true;
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || box == seen)
                return;
            seen = box;
            QCOMPARE(box->text(), QStringLiteral("Shows hint in further: \n\n'") + kGreeting + QStringLiteral("'?\n"));
            const QPalette pal = w->boxCalc->palette();
            textHidden = pal.color(QPalette::Text) == pal.color(QPalette::Base);
            timerRunning = w->TimerPressF1ForHelp->isActive();
            QTest::keyClick(box, Qt::Key_Return);
            QTest::keyClicks(box, QStringLiteral("17.5"));
            stillOpenAfterEnter = box->isVisible();
            box->button(QMessageBox::No)->click();
        });
        poll.start();

        QTest::keyClicks(w->boxCalc, QStringLiteral("1250+"));
        QTest::keyClick(w->boxCalc, Qt::Key_Return);
        QTest::keyClicks(w->boxCalc, QStringLiteral("340+"));
        QTRY_VERIFY(w->frame1->isHidden()); // the greeting no longer covers the sheet
        QVERIFY(!seen);                     // but the question waits for a pause
        QTRY_VERIFY_WITH_TIMEOUT(seen.isNull() && !w->TimerPressF1ForHelp->isActive(), 5000);
        QVERIFY(stillOpenAfterEnter && textHidden);
        QVERIFY(!timerRunning); // stopped before asking: a box left open does not ask again
        QCOMPARE(w->boxCalc->palette().color(QPalette::Inactive, QPalette::Text), textColour);
        QCOMPARE(w->boxCalc->Text(), QStringLiteral("1250+\r\n340+\r\n17.5"));
        QCOMPARE(w->lblResult->Caption(), QStringLiteral("1,607.500"));
        QCOMPARE(Settings::readBool(Settings::F1Label), false);
        w.reset();
        auto next = openWindow(false, false);
        QVERIFY(next && !next->TimerPressF1ForHelp->isActive());
    }
};

QTEST_MAIN(TestHints)
#include "tst_hints.moc"
