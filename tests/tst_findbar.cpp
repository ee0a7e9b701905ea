// The find bar in the main window, from the keyboard: Ctrl+F, typing, F3 and Shift+F3, Enter,
// Escape, and the sheet's keys after it. The search itself is tested with the engine.

#include "windowtest.h"

#include "accessibility.h"

#include <QLineEdit>

namespace {

// "250" stands in both rows: at 5 and at 14.
const QString kSheet = QStringLiteral("100+1250.00+\r\n250*2");

} // namespace

class TestFindBar : public WindowTest
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(useTemporaryFolders()); }

    // The bar opened with Ctrl+F over a sheet and "250" typed into it.
    void init()
    {
        QVERIFY(emptyStore());
        useLocale(QLocale(QLocale::English, QLocale::UnitedStates));
        w = openWindow();
        QVERIFY(w);
        w->activateWindow();
        w->boxCalc->setText(kSheet);
        w->boxCalc->setSelStart(0);
        w->boxCalc->setFocus();
        m_height = w->height();
        QTest::keyClick(w->boxCalc, Qt::Key_F, Qt::ControlModifier);
        m_bar = w->findChild<QWidget *>(QStringLiteral("findBar"));
        m_text = w->findChild<QLineEdit *>(QStringLiteral("findText"));
        QVERIFY(m_bar && m_text);
        QTRY_VERIFY(m_text->hasFocus());
        QTest::keyClicks(m_text, QStringLiteral("250"));
    }
    void cleanup() { w.reset(); }

    void typingSelectsFirstHit()
    {
        QCOMPARE(w->boxCalc->SelStart(), 5);
        QCOMPARE(w->boxCalc->SelLength(), 3);
        QCOMPARE(status(), QStringLiteral("1 of 2"));
        // The bar stands above the sheet, the panels below it, and the window took its height.
        QVERIFY(m_bar->geometry().bottom() < w->boxCalc->y());
        QVERIFY(w->boxCalc->geometry().bottom() < w->frame2->y());
        QCOMPARE(w->height(), m_height + w->boxCalc->y() - m_bar->y());
        QTest::keyClick(m_text, Qt::Key_7);
        QCOMPARE(status(), QStringLiteral("Not found"));
        QCOMPARE(w->boxCalc->SelLength(), 0);
    }

    // Keys pressed in the bar (or, with the bar closed, in the sheet) from the first hit.
    void steps_data()
    {
        QTest::addColumn<bool>("fromSheet");
        QTest::addColumn<QKeyCombination>("key");
        QTest::addColumn<int>("times");
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("status");

        QTest::newRow("f3-next") << false << QKeyCombination(Qt::Key_F3) << 1 << 14 << "2 of 2";
        QTest::newRow("f3-wraps") << false << QKeyCombination(Qt::Key_F3) << 2 << 5 << "1 of 2, from the start";
        QTest::newRow("shift-f3-wraps") << false << (Qt::ShiftModifier | Qt::Key_F3) << 1 << 14 << "2 of 2, from the end";
        QTest::newRow("enter-next") << false << QKeyCombination(Qt::Key_Return) << 1 << 14 << "2 of 2";
        QTest::newRow("shift-enter-back") << false << (Qt::ShiftModifier | Qt::Key_Return) << 2 << 5 << "1 of 2";
        QTest::newRow("sheet-f3") << true << QKeyCombination(Qt::Key_F3) << 1 << 14 << "2 of 2";
        QTest::newRow("sheet-shift-f3") << true << (Qt::ShiftModifier | Qt::Key_F3) << 1 << 14 << "2 of 2, from the end";
    }

    void steps()
    {
        QFETCH(bool, fromSheet);
        QFETCH(QKeyCombination, key);
        QFETCH(int, times);
        if (fromSheet)
            QTest::keyClick(m_text, Qt::Key_Escape);
        QWidget *target = fromSheet ? static_cast<QWidget *>(w->boxCalc) : m_text;
        for (int n = 0; n < times; ++n)
            QTest::keyClick(target, key.key(), key.keyboardModifiers());
        QTEST(int(w->boxCalc->SelStart()), "start");
        QCOMPARE(w->boxCalc->SelLength(), 3);
        QTEST(status(), "status");
        QCOMPARE(m_bar->isVisible(), !fromSheet);
        // Screen readers hear the step's result at once.
        QCOMPARE(w->findChild<ResultAnnouncer *>(QStringLiteral("findAnnouncer"))->text(), status());
    }

    // A note on the first row with "250" twice: its hits come between the rows' figures, the
    // caret at the row's end. A hit in a note is written "n" row "@" offset.
    void notesSearched()
    {
        w->boxCalc->document()->setNote(0, QStringLiteral("250 paid, 250 due"));
        const auto shown = [&] {
            const SheetView::NoteHit hit = w->boxCalc->noteHit();
            const QString at = hit.row < 0 ? QString::number(w->boxCalc->SelStart())
                                           : QStringLiteral("n%1@%2 %3").arg(hit.row).arg(hit.start).arg(w->boxCalc->SelStart());
            return at + QStringLiteral(" +%1 ").arg(hit.row < 0 ? w->boxCalc->SelLength() : hit.length) + status();
        };
        const std::pair<QKeyCombination, QString> steps[] = {
            {Qt::Key_F3, "n0@0 12 +3 2 of 4"}, {Qt::Key_F3, "n0@10 12 +3 3 of 4"}, {Qt::Key_F3, "14 +3 4 of 4"},
            {Qt::ShiftModifier | Qt::Key_F3, "n0@10 12 +3 3 of 4"}, {Qt::ShiftModifier | Qt::Key_F3, "n0@0 12 +3 2 of 4"},
            {Qt::ShiftModifier | Qt::Key_F3, "5 +3 1 of 4"},
        };
        for (const auto &[key, expected] : steps) {
            QTest::keyClick(m_text, key.key(), key.keyboardModifiers());
            QCOMPARE(shown(), expected);
        }
    }

    void escapeLeavesHitSelected()
    {
        QTest::keyClick(m_text, Qt::Key_F3);
        QTest::keyClick(m_text, Qt::Key_Escape);
        QVERIFY(m_bar->isHidden());
        QTRY_VERIFY(w->boxCalc->hasFocus());
        QCOMPARE(w->boxCalc->SelText(), QStringLiteral("250"));
        QCOMPARE(w->height(), m_height);
        // The sheet's own keys: the selection collapses to its end, a digit goes in there.
        QTest::keyClick(w->boxCalc, Qt::Key_Right);
        QTest::keyClick(w->boxCalc, Qt::Key_9);
        QCOMPARE(w->boxCalc->Text(), QStringLiteral("100+1250.00+\r\n2509*2"));
    }

private:
    QString status() const { return w->findChild<QLabel *>(QStringLiteral("findStatus"))->text(); }

    std::unique_ptr<TestWindow> w;
    QWidget *m_bar = nullptr;
    QLineEdit *m_text = nullptr;
    int m_height = 0;
};

QTEST_MAIN(TestFindBar)
#include "tst_findbar.moc"
