// The main window from the keyboard: the character filter, the key table, the buttons a key
// holds down, undo and redo, the expression history and its window, the leading zero, and
// copying the panels in digits and in words. Real widgets, offscreen, driven with key events.

#include <calcfield.h>
#include <frmtallyer.h>
#include <globals.h>
#include <localevalues.h>
#include <mavolabel3d.h>
#include <messagesink.h>
#include <settings.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

void useLocale(const QLocale &locale)
{
    setLocaleSource([locale] { return LocaleSnapshot{locale, true}; });
}

QLocale englishUs()
{
    return QLocale(QLocale::English, QLocale::UnitedStates);
}

void setField(frmTallyer &w, const QString &text, qsizetype caret)
{
    w.boxCalc->setText(text);
    w.boxCalc->setSelStart(caret);
}

void select(frmTallyer &w, qsizetype start, qsizetype length)
{
    w.boxCalc->setSelStart(start);
    w.boxCalc->setSelLength(length);
}

// A centre point of the character at a sheet position, in viewport coordinates.
QPoint charPoint(CalcField *field, qsizetype sheetPos)
{
    QTextCursor c = field->textCursor();
    c.setPosition(field->toDocumentPosition(sheetPos));
    const QRect r = field->cursorRect(c);
    return QPoint(r.left() + 3, r.center().y());
}

int historyCount()
{
    const int n = g_udtHistory.Last - g_udtHistory.First;
    return n < 0 ? n + kHistorySlots : n;
}

} // namespace

class TestKeyboard : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void characterFilter_data();
    void characterFilter();
    void enterOnlyAfterOperator();
    void ctrlArrowsJumpRuns();
    void arrowsCollapseSelection();
    void ctrlDeleteTakesRun();
    void clipboardKeys();
    void ctrlDigitRecomputesOnRelease();
    void heldKeyKeepsButtonDown();
    void doubleClickSelectsNumber();
    void escapeMinimisesAndBlocksKeys();

    void undoAndRedo();
    void undoKeepsHundredStates();
    void historyRecordsOnSpace();
    void historyWindow();

    void leadingZero_data();
    void leadingZero();
    void deletedZeroStaysAway();

    void copyPanels();
    void stripToggleHeight();
    void optionsButton();

private:
    std::unique_ptr<frmTallyer> openWindow();
    QString storePath() const { return QDir(m_config.path()).filePath(QStringLiteral("Mavo/Tallyer.json")); }

    QTemporaryDir m_config;
    QTemporaryDir m_runtime;
    QStringList m_messages;
};

std::unique_ptr<frmTallyer> TestKeyboard::openWindow()
{
    auto w = std::make_unique<frmTallyer>();
    if (!w->Form_Load())
        return nullptr;
    w->show();
    if (!QTest::qWaitForWindowExposed(w.get()))
        return nullptr;
    w->activateWindow();
    w->boxCalc->setFocus();
    g_strInWordsFile = QStringLiteral(TALLYER_PROGRAM_DIR "/InWordsDollars eng.txt");
    return w;
}

void TestKeyboard::initTestCase()
{
    QVERIFY(m_config.isValid());
    QVERIFY(m_runtime.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
    setMessageSink([this](const QString &text, MessageIcon) { m_messages.append(text); });
}

void TestKeyboard::init()
{
    QFile::remove(storePath());
    // Typing during the start-up greeting would ask a modal question; these cases run without it.
    QVERIFY(Settings::writeBool(Settings::F1Label, false));
    m_messages.clear();
    useLocale(englishUs());
    g_udtHistory = udtTextHistory();
    QGuiApplication::clipboard()->clear();
}

void TestKeyboard::cleanup()
{
    resetProgramGlobals();
    setOptionsDialogOpener(nullptr);
    g_udtHistory = udtTextHistory();
}

void TestKeyboard::characterFilter_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("text");
    QTest::newRow("letters-dropped") << "2a+xZ3" << "2+3";
    QTest::newRow("space-selects-all-then-dropped") << "12 5" << "5";
    QTest::newRow("asterisk-enters") << "4*5" << "4*5";
    QTest::newRow("whole-alphabet") << "1(2)%+-3/4\\5^6=7<8>9" << "1(2)%+-3/4\\5^6=7<8>9";
    QTest::newRow("tab-dropped") << "1\t2" << "12";
}

void TestKeyboard::characterFilter()
{
    QFETCH(QString, keys);
    QFETCH(QString, text);
    auto w = openWindow();
    QVERIFY(w);
    QTest::keyClicks(w->boxCalc, keys);
    QCOMPARE(w->boxCalc->Text(), text);
}

void TestKeyboard::enterOnlyAfterOperator()
{
    auto w = openWindow();
    QVERIFY(w);
    QTest::keyClicks(w->boxCalc, QStringLiteral("5"));
    QTest::keyClick(w->boxCalc, Qt::Key_Return);
    QCOMPARE(w->boxCalc->Text(), QStringLiteral("5"));
    QTest::keyClicks(w->boxCalc, QStringLiteral("+"));
    QTest::keyClick(w->boxCalc, Qt::Key_Return, Qt::ShiftModifier);
    QCOMPARE(w->boxCalc->Text(), QStringLiteral("5+"));
    QTest::keyClick(w->boxCalc, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(w->boxCalc->Text(), QStringLiteral("5+\r\n"));
}

void TestKeyboard::ctrlArrowsJumpRuns()
{
    auto w = openWindow();
    QVERIFY(w);
    setField(*w, QStringLiteral("12.5+30"), 4);
    QTest::keyClick(w->boxCalc, Qt::Key_Left, Qt::ControlModifier);
    QCOMPARE(w->boxCalc->SelStart(), 0);
    w->boxCalc->setSelStart(5);
    QTest::keyClick(w->boxCalc, Qt::Key_Right, Qt::ControlModifier);
    QCOMPARE(w->boxCalc->SelStart(), 7);
    // From inside the number the jump ends at the operator.
    w->boxCalc->setSelStart(1);
    QTest::keyClick(w->boxCalc, Qt::Key_Right, Qt::ControlModifier);
    QCOMPARE(w->boxCalc->SelStart(), 4);
    QCOMPARE(w->boxCalc->SelLength(), 0);
}

void TestKeyboard::arrowsCollapseSelection()
{
    auto w = openWindow();
    QVERIFY(w);
    setField(*w, QStringLiteral("10*2+3"), 0);
    select(*w, 3, 3);
    QTest::keyClick(w->boxCalc, Qt::Key_Left);
    QCOMPARE(w->boxCalc->SelStart(), 3);
    QCOMPARE(w->boxCalc->SelLength(), 0);
    select(*w, 3, 3);
    QTest::keyClick(w->boxCalc, Qt::Key_Right);
    QCOMPARE(w->boxCalc->SelStart(), 6);
    QCOMPARE(w->boxCalc->SelLength(), 0);
    // Without a selection the arrow moves the caret as usual.
    QTest::keyClick(w->boxCalc, Qt::Key_Left);
    QCOMPARE(w->boxCalc->SelStart(), 5);
}

void TestKeyboard::ctrlDeleteTakesRun()
{
    auto w = openWindow();
    QVERIFY(w);
    setField(*w, QStringLiteral("12.5+30"), 2);
    QTest::keyClick(w->boxCalc, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(w->boxCalc->Text(), QStringLiteral("12+30"));
    setField(*w, QStringLiteral("12.5+30"), 4);
    QTest::keyClick(w->boxCalc, Qt::Key_Backspace, Qt::ControlModifier);
    QCOMPARE(w->boxCalc->Text(), QStringLiteral("+30"));
    // With a selection, only the selection goes.
    setField(*w, QStringLiteral("12.5+30"), 0);
    select(*w, 1, 2);
    QTest::keyClick(w->boxCalc, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(w->boxCalc->Text(), QStringLiteral("15+30"));
    QVERIFY(w->boxCalc->updatesEnabled());
}

void TestKeyboard::clipboardKeys()
{
    auto w = openWindow();
    QVERIFY(w);
    setField(*w, QStringLiteral("7+8"), 3);
    QTest::keyClick(w->boxCalc, Qt::Key_V, Qt::ControlModifier); // empty clipboard
    QCOMPARE(w->boxCalc->Text(), QStringLiteral("7+8"));

    QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
    QTest::keyClick(w->boxCalc, Qt::Key_C, Qt::ControlModifier); // nothing selected
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));

    select(*w, 0, 2);
    QTest::keyClick(w->boxCalc, Qt::Key_Insert, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("7+"));
    // Cut and paste pass their control characters through the filter.
    QTest::keyClick(w->boxCalc, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(w->boxCalc->Text(), QStringLiteral("8"));
    QTest::keyClick(w->boxCalc, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(w->boxCalc, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(w->boxCalc->Text(), QStringLiteral("87+"));
    QVERIFY(w->boxCalc->updatesEnabled());
    QTest::keyClick(w->boxCalc, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(w->boxCalc->SelLength(), 3);
}

void TestKeyboard::ctrlDigitRecomputesOnRelease()
{
    auto w = openWindow();
    QVERIFY(w);
    QTest::keyClicks(w->boxCalc, QStringLiteral("1/3"));
    QCOMPARE(w->lblResult->Caption(), QStringLiteral("0.33"));
    QTest::keyPress(w->boxCalc, Qt::Key_7, Qt::ControlModifier);
    QCOMPARE(w->lblRound->Caption(), QStringLiteral("Fix 7"));
    QVERIFY(w->lblRound->IsDown());
    QCOMPARE(w->lblResult->Caption(), QStringLiteral("0.33"));
    QTest::keyRelease(w->boxCalc, Qt::Key_7, Qt::ControlModifier);
    QCOMPARE(w->lblRound->Caption(), QStringLiteral("Fix 7"));
    QCOMPARE(w->lblResult->Caption(), QStringLiteral("0.3333333"));
    QVERIFY(!w->lblRound->IsDown());
    QCOMPARE(w->boxCalc->Text(), QStringLiteral("1/3"));
}

void TestKeyboard::heldKeyKeepsButtonDown()
{
    auto w = openWindow();
    QVERIFY(w);
    QVERIFY(!w->StripShown());
    QTest::keyClicks(w->boxCalc, QStringLiteral("6*7"));
    QTest::keyPress(w->boxCalc, Qt::Key_M, Qt::ControlModifier);
    QVERIFY(w->lblM->IsDown());
    QCOMPARE(w->lblMemory->Caption(), QString());
    QVERIFY(w->lblResultLabel->isVisible());
    QCOMPARE(w->lblResultLabel->text(), QStringLiteral("M"));
    // The key repeats while held: still one press.
    QTest::keyPress(w->boxCalc, Qt::Key_M, Qt::ControlModifier, -1);
    QTest::keyRelease(w->boxCalc, Qt::Key_Control, Qt::NoModifier);
    QCOMPARE(w->lblMemory->Caption(), QStringLiteral("42.00"));
    QVERIFY(!w->lblM->IsDown());
    QVERIFY(!w->lblResultLabel->isVisible());

    // With the strip in the window the indicator stays hidden.
    w->lblMoveSize_MouseUp();
    QVERIFY(w->StripShown());
    QTest::keyPress(w->boxCalc, Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier);
    QVERIFY(w->lblMPlus->IsDown());
    QVERIFY(!w->lblResultLabel->isVisible());
    QTest::keyRelease(w->boxCalc, Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier);
    QCOMPARE(w->lblMemory->Caption(), QStringLiteral("84.00"));
    // The main keyboard's "=" key is the plus key too; its "-" subtracts.
    QTest::keyClick(w->boxCalc, Qt::Key_Equal, Qt::ControlModifier);
    QCOMPARE(w->lblMemory->Caption(), QStringLiteral("126.00"));
    QTest::keyClick(w->boxCalc, Qt::Key_Minus, Qt::ControlModifier);
    QCOMPARE(w->lblMemory->Caption(), QStringLiteral("84.00"));
}

void TestKeyboard::doubleClickSelectsNumber()
{
    auto w = openWindow();
    QVERIFY(w);
    setField(*w, QStringLiteral("12+1234.56*3"), 0);
    QWidget *vp = w->boxCalc->viewport();
    const QPoint inside = charPoint(w->boxCalc, 7); // on the "."
    QTest::mouseClick(vp, Qt::LeftButton, {}, inside);
    QTest::mouseDClick(vp, Qt::LeftButton, {}, inside);
    QCOMPARE(w->boxCalc->SelText(), QStringLiteral("1234.56"));
}

void TestKeyboard::escapeMinimisesAndBlocksKeys()
{
    auto w = openWindow();
    QVERIFY(w);
    QTest::keyClicks(w->boxCalc, QStringLiteral("9"));
    QTest::keyClick(w->boxCalc, Qt::Key_Escape);
    QTRY_VERIFY(w->windowState().testFlag(Qt::WindowMinimized));
    QTest::keyClicks(w->boxCalc, QStringLiteral("5"));
    QCOMPARE(w->boxCalc->Text(), QStringLiteral("9"));
}

void TestKeyboard::undoAndRedo()
{
    auto w = openWindow();
    QVERIFY(w);
    QTest::keyClicks(w->boxCalc, QStringLiteral("1+2"));
    const auto undo = [&w] { QTest::keyClick(w->boxCalc, Qt::Key_Backspace, Qt::AltModifier); };
    const auto redo = [&w] {
        QTest::keyClick(w->boxCalc, Qt::Key_Backspace, Qt::AltModifier | Qt::ShiftModifier);
    };
    QStringList seen;
    for (int i = 0; i < 4; ++i) {
        undo();
        seen << w->boxCalc->Text();
    }
    QCOMPARE(seen, QStringList({"1+", "1", "", ""}));
    seen.clear();
    for (int i = 0; i < 4; ++i) {
        redo();
        seen << w->boxCalc->Text();
    }
    QCOMPARE(seen, QStringList({"1", "1+", "1+2", "1+2"}));
    QCOMPARE(w->lblResult->Caption(), QStringLiteral("3.00"));
    QCOMPARE(w->boxCalc->SelStart(), 3);

    // A restored state brings back its rounding digit; typing after an undo cuts off the redo.
    QTest::keyClick(w->boxCalc, Qt::Key_4, Qt::ControlModifier);
    QTest::keyClicks(w->boxCalc, QStringLiteral("0"));
    QCOMPARE(w->lblRound->Caption(), QStringLiteral("Fix 4"));
    QTest::keyClick(w->boxCalc, Qt::Key_2, Qt::ControlModifier);
    QTest::keyClicks(w->boxCalc, QStringLiteral("5"));
    undo();
    QCOMPARE(w->boxCalc->Text(), QStringLiteral("1+20"));
    QCOMPARE(w->lblRound->Caption(), QStringLiteral("Fix 2"));
    undo();
    QCOMPARE(w->boxCalc->Text(), QStringLiteral("1+2"));
    QCOMPARE(w->lblRound->Caption(), QStringLiteral("Fix 4"));
    QTest::keyClicks(w->boxCalc, QStringLiteral("9"));
    redo();
    QCOMPARE(w->boxCalc->Text(), QStringLiteral("1+29"));
}

void TestKeyboard::undoKeepsHundredStates()
{
    auto w = openWindow();
    QVERIFY(w);
    // 101 changes: the states with 0 ... 100 digits, one more than the ring holds.
    for (int i = 0; i < 101; ++i)
        QTest::keyClick(w->boxCalc, Qt::Key_1);
    int steps = 0;
    QString previous = w->boxCalc->Text();
    for (int i = 0; i < 150; ++i) {
        QTest::keyClick(w->boxCalc, Qt::Key_Backspace, Qt::AltModifier);
        if (w->boxCalc->Text() == previous)
            break;
        previous = w->boxCalc->Text();
        ++steps;
    }
    // The present state was recorded before the first step, pushing out one more: the oldest
    // state left has two digits, 99 steps back.
    QCOMPARE(QString(previous).remove(QStringLiteral("\r\n")), QStringLiteral("11"));
    QCOMPARE(steps, 99);
}

void TestKeyboard::historyRecordsOnSpace()
{
    auto w = openWindow();
    QVERIFY(w);
    QTest::keyClick(w->boxCalc, Qt::Key_Space);
    QCOMPARE(historyCount(), 0);
    QTest::keyClicks(w->boxCalc, QStringLiteral("2+2"));
    QTest::keyClick(w->boxCalc, Qt::Key_Space);
    QTest::keyClick(w->boxCalc, Qt::Key_Space);
    QCOMPARE(historyCount(), 1);
    QCOMPARE(w->boxCalc->Text(), QStringLiteral("2+2")); // the space itself is dropped
    QCOMPARE(w->boxCalc->SelLength(), 3);

    for (int i = 1; i <= 51; ++i) {
        w->boxCalc->setText(QString::number(i));
        QTest::keyClick(w->boxCalc, Qt::Key_Space);
    }
    QCOMPARE(historyCount(), 50);
    QCOMPARE(g_udtHistory.Text[g_udtHistory.First], QStringLiteral("2"));
}

void TestKeyboard::historyWindow()
{
    auto w = openWindow();
    QVERIFY(w);
    g_strProductName = QStringLiteral("Mavo Tallyer");
    QTest::keyClick(w->boxCalc, Qt::Key_PageUp, Qt::ControlModifier);
    QVERIFY(!w->m_frmHistory);

    QTest::keyClick(w->boxCalc, Qt::Key_4, Qt::ControlModifier);
    QTest::keyClicks(w->boxCalc, QStringLiteral("1/3 "));
    QTest::keyClick(w->boxCalc, Qt::Key_2, Qt::ControlModifier);
    w->boxCalc->setText(QStringLiteral("5*5"));
    QTest::keyClick(w->boxCalc, Qt::Key_Space);
    w->boxCalc->setText(QStringLiteral("7"));

    QTest::keyClick(w->boxCalc, Qt::Key_PageUp, Qt::ControlModifier);
    QPointer<frmTallyer> h = w->m_frmHistory;
    QVERIFY(h);
    QVERIFY(g_blnHistoryWindow);
    QCOMPARE(h->windowTitle(), QStringLiteral("History - Mavo Tallyer"));
    QVERIFY(h->boxCalc->isReadOnly());
    QCOMPARE(h->boxCalc->SelText(), QStringLiteral("5*5"));
    QCOMPARE(h->lblResult->Caption(), QStringLiteral("25.00"));

    QTest::keyClick(h->boxCalc, Qt::Key_PageUp, Qt::ControlModifier);
    QCOMPARE(h->boxCalc->Text(), QStringLiteral("1/3"));
    QCOMPARE(h->lblRound->Caption(), QStringLiteral("Fix 4"));
    QCOMPARE(h->lblResult->Caption(), QStringLiteral("0.3333"));
    QTest::keyClick(h->boxCalc, Qt::Key_PageUp, Qt::ControlModifier); // the oldest: stays
    QCOMPARE(h->boxCalc->Text(), QStringLiteral("1/3"));
    QTest::keyClick(h->boxCalc, Qt::Key_PageDown, Qt::ControlModifier);
    QCOMPARE(h->boxCalc->Text(), QStringLiteral("5*5"));
    QTest::keyClick(h->boxCalc, Qt::Key_PageUp, Qt::ControlModifier);

    // Typing, memory keys and Enter without a selection do nothing here.
    h->boxCalc->setSelStart(1);
    QTest::keyClicks(h->boxCalc, QStringLiteral("9"));
    QTest::keyClick(h->boxCalc, Qt::Key_M, Qt::ControlModifier);
    QTest::keyClick(h->boxCalc, Qt::Key_Return);
    QVERIFY(h);
    QCOMPARE(h->boxCalc->Text(), QStringLiteral("1/3"));
    QCOMPARE(w->lblMemory->Caption(), QString());

    h->SetCaret(3);
    QTest::keyClick(h->boxCalc, Qt::Key_Return);
    QTRY_VERIFY(!h);
    QVERIFY(!g_blnHistoryWindow);
    QCOMPARE(w->boxCalc->Text(), QStringLiteral("1/3"));
    QCOMPARE(w->boxCalc->SelLength(), 3);
    QCOMPARE(w->lblRound->Caption(), QStringLiteral("Fix 4"));
    QCOMPARE(w->lblResult->Caption(), QStringLiteral("0.3333"));

    // Esc closes the history window instead of minimising anything.
    QTest::keyClick(w->boxCalc, Qt::Key_PageUp, Qt::ControlModifier);
    h = w->m_frmHistory;
    QVERIFY(h);
    QTest::keyClick(h->boxCalc, Qt::Key_Escape);
    QTRY_VERIFY(!h);
    QVERIFY(!g_blnHistoryWindow);
    QVERIFY(!w->windowState().testFlag(Qt::WindowMinimized));
}

void TestKeyboard::leadingZero_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("caret");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("expectedCaret");
    const QLocale de(QLocale::German, QLocale::Germany);
    QTest::newRow("bare-point") << englishUs() << "." << 1 << "0." << 2;
    QTest::newRow("after-times") << englishUs() << "2*.5" << 4 << "2*0.5" << 5;
    QTest::newRow("in-parentheses") << englishUs() << "(.5)" << 0 << "(0.5)" << 0;
    QTest::newRow("caret-before-point-stays") << englishUs() << "1+.5" << 2 << "1+0.5" << 2;
    QTest::newRow("continuation-row") << englishUs() << "2+\r\n.5" << 6 << "2+\r\n0.5" << 7;
    QTest::newRow("several") << englishUs() << ".1-.2/.3" << 8 << "0.1-0.2/0.3" << 11;
    QTest::newRow("plain-number-untouched") << englishUs() << "2.5" << 3 << "2.5" << 3;
    QTest::newRow("comma-locale") << de << ",5" << 2 << "0,5" << 3;
}

void TestKeyboard::leadingZero()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QFETCH(int, caret);
    QFETCH(QString, expected);
    QFETCH(int, expectedCaret);
    useLocale(locale);
    auto w = openWindow();
    QVERIFY(w);
    setField(*w, text, caret);
    w->TimerPointRefresh_Timer();
    QCOMPARE(w->boxCalc->Text(), expected);
    QCOMPARE(w->boxCalc->SelStart(), expectedCaret);
    QVERIFY(!w->TimerPointRefresh->isActive());
}

void TestKeyboard::deletedZeroStaysAway()
{
    auto w = openWindow();
    QVERIFY(w);
    QTest::keyClicks(w->boxCalc, QStringLiteral("."));
    QVERIFY(w->TimerPointRefresh->isActive()); // armed by the key
    QTRY_COMPARE(w->boxCalc->Text(), QStringLiteral("0."));
    QTest::keyClicks(w->boxCalc, QStringLiteral("5"));
    QCOMPARE(w->boxCalc->Text(), QStringLiteral("0.5"));
    QCOMPARE(w->lblResult->Caption(), QStringLiteral("0.50"));
    w->boxCalc->setSelStart(1);
    QTest::keyClick(w->boxCalc, Qt::Key_Backspace);
    QCOMPARE(w->boxCalc->Text(), QStringLiteral(".5"));
    QVERIFY(!w->TimerPointRefresh->isActive());
}

void TestKeyboard::copyPanels()
{
    auto w = openWindow();
    QVERIFY(w);
    QClipboard *clipboard = QGuiApplication::clipboard();
    QTest::keyClicks(w->boxCalc, QStringLiteral("1234.56"));
    QCOMPARE(w->lblResult->Caption(), QStringLiteral("1,234.56"));
    QTest::keyClick(w->boxCalc, Qt::Key_F1, Qt::ControlModifier);
    QCOMPARE(clipboard->text(), QStringLiteral("1234.56"));
    QTest::keyClick(w->boxCalc, Qt::Key_F2, Qt::ControlModifier);
    QCOMPARE(clipboard->text(), QStringLiteral("One thousand two hundred thirty four dollars 56 cents"));

    // The memory panel, with the mouse: left in digits, right in words.
    w->lblMemory->setCaption(QStringLiteral("- 0.50"));
    const QPoint centre = w->lblMemory->rect().center();
    QCursor::setPos(w->lblMemory->mapToGlobal(centre));
    QTest::mousePress(w->lblMemory, Qt::LeftButton, {}, centre);
    QTest::mouseRelease(w->lblMemory, Qt::LeftButton, {}, centre);
    QCOMPARE(clipboard->text(), QStringLiteral("-0.5"));
    w->lblMemory->setCaption(QStringLiteral("5.00"));
    QTest::keyClick(w->boxCalc, Qt::Key_F1, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(clipboard->text(), QStringLiteral("5"));
    QTest::mousePress(w->lblMemory, Qt::RightButton, {}, centre);
    QTest::mouseRelease(w->lblMemory, Qt::RightButton, {}, centre);
    QCOMPARE(clipboard->text(), QStringLiteral("Five dollars 00 cents"));

    // "Error" has no words: the clipboard ends up empty, without a message.
    w->lblMemory->setCaption(QStringLiteral("Error"));
    QTest::keyClick(w->boxCalc, Qt::Key_F2, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(clipboard->text(), QString());
    QVERIFY(m_messages.isEmpty());

    // Beyond the words' limit: the message, and nothing copied.
    w->boxCalc->setText(QStringLiteral("10^13"));
    clipboard->setText(QStringLiteral("old"));
    QTest::keyClick(w->boxCalc, Qt::Key_F2, Qt::ControlModifier);
    QCOMPARE(clipboard->text(), QString());
    QCOMPARE(m_messages.size(), 1);
}

void TestKeyboard::stripToggleHeight()
{
    auto w = openWindow();
    QVERIFY(w);
    const int before = w->height();
    const int strip = qRound(g_sngStripHeight / w->twipsY());
    QTest::keyClick(w->boxCalc, Qt::Key_Space, Qt::ControlModifier);
    QCOMPARE(w->lblMoveSize->Caption(), QStringLiteral("<<"));
    QCOMPARE(w->height(), before + strip);
    QVERIFY(w->StripShown());
    QTest::keyClick(w->boxCalc, Qt::Key_Space, Qt::ControlModifier);
    QCOMPARE(w->lblMoveSize->Caption(), QStringLiteral(">>"));
    QCOMPARE(w->height(), before);
}

void TestKeyboard::optionsButton()
{
    auto w = openWindow();
    QVERIFY(w);
    QTest::keyClicks(w->boxCalc, QStringLiteral("1/8"));
    int opened = 0;
    bool accept = false;
    frmTallyer *window = w.get();
    setOptionsDialogOpener([&](QWidget *owner) {
        ++opened;
        QCOMPARE(owner, window);
        QCOMPARE(window->lblOptions->property("Tag").toString(), QStringLiteral("Show"));
        window->lblOptions_MouseUp(); // a second request while open is ignored
        if (accept) {
            g_lngRoundTo = 3;
            g_blnSettingsChanged = true;
        }
    });

    // Cancel: nothing changes.
    QTest::keyClick(w->boxCalc, Qt::Key_Slash, Qt::ControlModifier);
    QCOMPARE(opened, 1);
    QCOMPARE(w->lblOptions->property("Tag").toString(), QString());
    QCOMPARE(w->lblResult->Caption(), QStringLiteral("0.13"));

    // OK: the load runs again and the sheet is evaluated with the new digit.
    accept = true;
    QTest::keyClick(w->boxCalc, Qt::Key_Slash, Qt::KeypadModifier | Qt::ControlModifier);
    QCOMPARE(opened, 2);
    QCOMPARE(w->lblRound->Caption(), QStringLiteral("Fix 3"));
    QCOMPARE(w->lblResult->Caption(), QStringLiteral("0.125"));
    QVERIFY(!w->lblOptions->IsDown());
}

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
