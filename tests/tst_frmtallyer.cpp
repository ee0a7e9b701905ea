// The main window, driven in-process on the offscreen platform: the evaluation cycle of the
// calculation field, wrapping and the window height, the sub result, the rounding selector, the
// memory cells, the saved position and the separator adaptation at focus. Settings and the
// single-copy channel live in a temporary folder; every case starts from an empty store.

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
#include <QMenu>
#include <QScreen>
#include <QStyle>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <memory>

namespace {

constexpr quint32 kButtonText = 0x80000012u;
constexpr quint32 kButtonShadow = 0x80000010u;
const QString kCrLf = QStringLiteral("\r\n");

void useLocale(const QLocale &locale)
{
    setLocaleSource([locale] { return LocaleSnapshot{locale, true}; });
}

QLocale englishUs()
{
    return QLocale(QLocale::English, QLocale::UnitedStates);
}

QLocale german()
{
    return QLocale(QLocale::German, QLocale::Germany); // "," decimal, "." thousands
}

// A press and a release over the push-label, with the pointer kept on it.
void clickLabel(MavoLabel3D *label, Qt::MouseButton button = Qt::LeftButton)
{
    const QPoint pos = label->rect().center();
    QCursor::setPos(label->mapToGlobal(pos));
    QTest::mousePress(label, button, {}, pos);
    QTest::mouseRelease(label, button, {}, pos);
}

void pasteText(CalcField *field, const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
    field->paste();
}

void clearField(CalcField *field)
{
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
}

void typeText(CalcField *field, const QString &text)
{
    clearField(field);
    QTest::keyClicks(field, text);
}

QString cellCaption(frmTallyer &w, int n)
{
    QAction *item = w.memoryItem(QStringLiteral("mnuM%1").arg(n));
    return item ? item->text() : QStringLiteral("<missing>");
}

// The usable width of a row: the field's width less a vertical scroll bar and 6 pixels.
int rowWidth(frmTallyer &w)
{
    return w.boxCalc->width() - w.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, w.boxCalc) - 6;
}

} // namespace

class TestFrmTallyer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void typedRowsContinue();
    void typedText_data();
    void typedText();
    void pastedText_data();
    void pastedText();
    void longRowsWrapAfterOperators();
    void longDigitRowIsNotCut();
    void heightFollowsRows();

    void subResult();
    void subResultFollowsRounding();

    void roundingSelectorClicks();
    void keyboardReleaseDoesNotStep();
    void storedRoundTo_data();
    void storedRoundTo();

    void memoryOverflow();
    void memoryAddSubtractToZero();
    void memoryRecallReplacesSelection();
    void memoryCellsAndClearAll();
    void memoryStringRestore_data();
    void memoryStringRestore();
    void memoryStringSaved();

    void positionSavedAndRestored();
    void positionClampedToScreen();

    void separatorsFollowLocaleAtFocus();

private:
    std::unique_ptr<frmTallyer> openWindow();
    QString storePath() const { return QDir(m_config.path()).filePath(QStringLiteral("Mavo/Tallyer.json")); }

    QTemporaryDir m_config;
    QTemporaryDir m_runtime;
    QList<QPair<QString, MessageIcon>> m_messages;
};

std::unique_ptr<frmTallyer> TestFrmTallyer::openWindow()
{
    auto w = std::make_unique<frmTallyer>();
    if (!w->Form_Load())
        return nullptr;
    w->show();
    if (!QTest::qWaitForWindowExposed(w.get()))
        return nullptr;
    // The memory buttons sit in the strip below the panels, which starts folded away; unfold it
    // the way the strip toggle does, so they can be clicked.
    w->lblMoveSize->setCaption(QStringLiteral("<<"));
    w->ResizeToRows(true, static_cast<qint16>(w->fieldLineCount()), false);
    return w;
}

void TestFrmTallyer::initTestCase()
{
    QVERIFY(m_config.isValid());
    QVERIFY(m_runtime.isValid());
    // Set before the shared settings store is first used: it keeps the path it finds then.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
    QVERIFY(Settings::writeLong(Settings::RoundTo, 4));
    QVERIFY2(QFile::exists(storePath()), qPrintable(storePath()));
    setMessageSink([this](const QString &text, MessageIcon icon) { m_messages.append({text, icon}); });
}

void TestFrmTallyer::init()
{
    QFile::remove(storePath());
    // Typing during the start-up greeting would ask a modal question; these cases run without it.
    QVERIFY(Settings::writeBool(Settings::F1Label, false));
    m_messages.clear();
    useLocale(englishUs());
}

void TestFrmTallyer::cleanup()
{
    resetProgramGlobals();
    QFile::remove(storePath());
    useLocale(englishUs());
}

// ---- Evaluation cycle ----------------------------------------------------------------------

void TestFrmTallyer::typedRowsContinue()
{
    auto w = openWindow();
    QVERIFY(w);
    QCOMPARE(w->lblRound->Caption(), QStringLiteral("Fix 2"));
    QTest::keyClicks(w->boxCalc, QStringLiteral("2+"));
    QCOMPARE(w->lblResult->Caption(), QString());
    QTest::keyClick(w->boxCalc, Qt::Key_Return);
    QTest::keyClicks(w->boxCalc, QStringLiteral("3"));
    QCOMPARE(w->boxCalc->Text(), QStringLiteral("2+\r\n3"));
    QCOMPARE(w->lblResult->Caption(), QStringLiteral("5.00"));
    QCOMPARE(w->boxCalc->SelStart(), 5);
}

void TestFrmTallyer::typedText_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("result");

    QTest::newRow("plus") << englishUs() << "2+3" << "2+3" << "5.00";
    QTest::newRow("three-minus-become-one") << englishUs() << "5---2" << "5-2" << "3.00";
    QTest::newRow("four-minus-leave-two") << englishUs() << "5----2" << "5--2" << "7.00";
    QTest::newRow("comma-locale-turns-point") << german() << "1.5" << "1,5" << "1,50";
    QTest::newRow("point-locale-turns-comma") << englishUs() << "1,5" << "1.5" << "1.50";
    QTest::newRow("largest-shown") << englishUs() << "999999999999999" << "999999999999999"
                                   << "999,999,999,999,999.00";
    QTest::newRow("ten-to-fifteen-empty") << englishUs() << "10^15" << "10^15" << "";
    QTest::newRow("failure-empty") << englishUs() << "2*+3" << "2*+3" << "";
}

void TestFrmTallyer::typedText()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, keys);
    QFETCH(QString, text);
    QFETCH(QString, result);

    useLocale(locale);
    auto w = openWindow();
    QVERIFY(w);
    QTest::keyClicks(w->boxCalc, keys);
    QCOMPARE(w->boxCalc->Text(), text);
    QCOMPARE(w->boxCalc->SelStart(), text.size());
    QCOMPARE(w->lblResult->Caption(), result);
}

void TestFrmTallyer::pastedText_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("caret");
    QTest::addColumn<QString>("paste");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("caretAfter");
    QTest::addColumn<QString>("result");

    QTest::newRow("independent-rows") << "" << 0 << "2\n3" << "2\r\n3" << 4 << "";
    QTest::newRow("spaces-dropped-caret-after-same-digit")
        << "+5" << 0 << "1 000 + 2" << "1000+2+5" << 6 << "1,007.00";
    QTest::newRow("three-minus-pasted") << "" << 0 << "5---2" << "5-2" << 3 << "3.00";
    QTest::newRow("leading-rows-dropped-caret-back")
        << "+3" << 0 << "\n\n5" << "5+3" << 1 << "8.00";
    QTest::newRow("trailing-break-after-operator-stays") << "" << 0 << "7+\n" << "7+\r\n" << 4 << "";
    QTest::newRow("trailing-break-after-digit-goes") << "" << 0 << "7\n" << "7" << 1 << "7.00";
}

void TestFrmTallyer::pastedText()
{
    QFETCH(QString, before);
    QFETCH(int, caret);
    QFETCH(QString, paste);
    QFETCH(QString, text);
    QFETCH(int, caretAfter);
    QFETCH(QString, result);

    auto w = openWindow();
    QVERIFY(w);
    QTest::keyClicks(w->boxCalc, before);
    w->boxCalc->setSelStart(caret);
    pasteText(w->boxCalc, paste);
    QCOMPARE(w->boxCalc->Text(), text);
    QCOMPARE(w->boxCalc->SelStart(), caretAfter);
    QCOMPARE(w->lblResult->Caption(), result);
}

void TestFrmTallyer::longRowsWrapAfterOperators()
{
    auto w = openWindow();
    QVERIFY(w);
    // Typed key by key: every cycle wraps, and the caret has to follow to the end each time.
    QString typed;
    for (int i = 0; i < 14; ++i)
        typed += QStringLiteral("12345+6789*2-");
    typed += QStringLiteral("1");
    QTest::keyClicks(w->boxCalc, typed);

    const QString text = w->boxCalc->Text();
    QCOMPARE(QString(text).remove(kCrLf), typed);
    QCOMPARE(w->boxCalc->SelStart(), text.size());
    const QStringList rows = text.split(kCrLf);
    QVERIFY2(rows.size() > 3, qPrintable(text));

    const int width = rowWidth(*w);
    for (qsizetype i = 0; i + 1 < rows.size(); ++i) {
        const QString &row = rows[i];
        QVERIFY2(QStringLiteral("+-*/").contains(row.back()), qPrintable(row));
        QVERIFY2(w->TextWidthPixels(row) <= width, qPrintable(row));
        // The cut is after the last operator that fits: the next operator would not.
        const QString &next = rows[i + 1];
        const qsizetype op = next.indexOf(QRegularExpression(QStringLiteral("[-+*/]")));
        if (op >= 0)
            QVERIFY2(w->TextWidthPixels(row + next.left(op + 1)) > width, qPrintable(row));
    }
    QVERIFY(w->TextWidthPixels(rows.back()) <= width);
    // The rows are one expression: 12345 + 6789*2 - 12345 + 6789*2 - ... - 1.
    const double value = 12345.0 + 14 * 6789 * 2 - 13 * 12345.0 - 1;
    QCOMPARE(value, 41951.0);
    QCOMPARE(w->lblResult->Caption(), QStringLiteral("41,951.00"));

    // A digit typed into the first row pushes the rows on; the caret stays right after it.
    w->boxCalc->setSelStart(3);
    QTest::keyClicks(w->boxCalc, QStringLiteral("9999"));
    const QString after = w->boxCalc->Text();
    QCOMPARE(QString(after).remove(kCrLf), QStringLiteral("1239999") + typed.mid(3));
    QCOMPARE(after.left(w->boxCalc->SelStart()).remove(kCrLf), QStringLiteral("1239999"));
    for (const QString &row : after.split(kCrLf))
        QVERIFY2(w->TextWidthPixels(row) <= width, qPrintable(row));
}

void TestFrmTallyer::longDigitRowIsNotCut()
{
    auto w = openWindow();
    QVERIFY(w);
    const int width = rowWidth(*w);
    QString digits;
    while (w->TextWidthPixels(digits) <= width + width / 2)
        digits += QStringLiteral("1234567890");
    const QString row = digits + QStringLiteral("+2");
    pasteText(w->boxCalc, row);
    QCOMPARE(w->boxCalc->Text(), row);
    QCOMPARE(w->boxCalc->SelStart(), row.size());
    QCOMPARE(w->lblResult->Caption(), QString()); // far more than 15 digits
    // The field shows the row on more than one row of its own, and the window grows with it.
    QVERIFY2(w->f_intRows >= 2, qPrintable(QString::number(w->f_intRows)));
    const double fieldHeight = (g_sngRowHeight * w->f_intRows + 120) / w->twipsY();
    QVERIFY2(std::abs(w->boxCalc->height() - fieldHeight) <= 1.0,
             qPrintable(QStringLiteral("%1 %2").arg(w->boxCalc->height()).arg(fieldHeight)));
}

void TestFrmTallyer::heightFollowsRows()
{
    auto w = openWindow();
    QVERIFY(w);
    QVERIFY(g_sngRowHeight > 0);
    const double tpp = w->twipsY();
    auto fieldHeightFor = [&](int rows) { return (g_sngRowHeight * rows + 120) / tpp; };

    QTest::keyClicks(w->boxCalc, QStringLiteral("1"));
    QCOMPARE(w->f_intRows, 1);
    QVERIFY(std::abs(w->boxCalc->height() - fieldHeightFor(1)) <= 1.0);
    const int windowOneRow = w->height();
    const int frameOneRow = w->frame2->y();

    QString twelve;
    for (int i = 0; i < 11; ++i)
        twelve += QStringLiteral("1+\n");
    twelve += QStringLiteral("1");
    clearField(w->boxCalc);
    pasteText(w->boxCalc, twelve);
    QCOMPARE(w->lblResult->Caption(), QStringLiteral("12.00"));
    QCOMPARE(w->f_intRows, 12);
    // Ten rows at most: the field stops growing and scrolls.
    QVERIFY2(std::abs(w->boxCalc->height() - fieldHeightFor(10)) <= 1.0,
             qPrintable(QString::number(w->boxCalc->height())));
    const int grown = w->boxCalc->height() - static_cast<int>(std::lround(fieldHeightFor(1)));
    QVERIFY(std::abs(w->height() - windowOneRow - grown) <= 1);
    QVERIFY(std::abs(w->frame2->y() - frameOneRow - grown) <= 1);
    QVERIFY(w->geometry().bottom() < w->screen()->geometry().bottom());

    clearField(w->boxCalc);
    QTest::keyClicks(w->boxCalc, QStringLiteral("1"));
    QCOMPARE(w->f_intRows, 1);
    QVERIFY(std::abs(w->boxCalc->height() - fieldHeightFor(1)) <= 1.0);
    QCOMPARE(w->height(), windowOneRow);
    QCOMPARE(w->frame2->y(), frameOneRow);
}

// ---- Sub result ------------------------------------------------------------------------------

void TestFrmTallyer::subResult()
{
    auto w = openWindow();
    QVERIFY(w);
    QTest::keyClicks(w->boxCalc, QStringLiteral("10*2+3"));
    QCOMPARE(w->lblResult->Caption(), QStringLiteral("23.00"));

    w->boxCalc->setSelStart(3);
    w->boxCalc->setSelLength(3); // "2+3"
    QTRY_COMPARE(w->lblResult->Caption(), QStringLiteral("5.00"));
    QCOMPARE(w->lblResult->ForeColor(), kButtonShadow);
    QVERIFY(w->f_blnSelection);

    w->boxCalc->setSelStart(2);
    w->boxCalc->setSelLength(2); // "*2+": no expression
    QTRY_COMPARE(w->lblResult->Caption(), QString());
    QCOMPARE(w->lblResult->ForeColor(), kButtonShadow);

    w->boxCalc->setSelStart(6);
    QTRY_COMPARE(w->lblResult->Caption(), QStringLiteral("23.00"));
    QCOMPARE(w->lblResult->ForeColor(), kButtonText);
    QVERIFY(!w->f_blnSelection);

    // Across a line break the selected rows are one expression; a line break alone is nothing.
    clearField(w->boxCalc);
    pasteText(w->boxCalc, QStringLiteral("1+5+\n3"));
    QCOMPARE(w->lblResult->Caption(), QStringLiteral("9.00"));
    w->boxCalc->setSelStart(2);
    w->boxCalc->setSelLength(5); // "5+" CR LF "3"
    QTRY_COMPARE(w->lblResult->Caption(), QStringLiteral("8.00"));
    QCOMPARE(w->lblResult->ForeColor(), kButtonShadow);
    w->boxCalc->setSelStart(4);
    w->boxCalc->setSelLength(2); // CR LF only
    QCOMPARE(w->boxCalc->SelText(), kCrLf);
    QTRY_COMPARE(w->lblResult->Caption(), QStringLiteral("9.00"));
    QCOMPARE(w->lblResult->ForeColor(), kButtonText);
    QVERIFY(!w->f_blnSelection);
}

void TestFrmTallyer::subResultFollowsRounding()
{
    auto w = openWindow();
    QVERIFY(w);
    QTest::keyClicks(w->boxCalc, QStringLiteral("10*2+3"));
    w->boxCalc->setSelStart(3);
    w->boxCalc->setSelLength(3);
    QTRY_COMPARE(w->lblResult->Caption(), QStringLiteral("5.00"));
    clickLabel(w->lblRound);
    QCOMPARE(w->lblRound->Caption(), QStringLiteral("Fix 3"));
    QTRY_COMPARE(w->lblResult->Caption(), QStringLiteral("5.000"));
    QCOMPARE(w->lblResult->ForeColor(), kButtonShadow);
    QCOMPARE(w->boxCalc->SelText(), QStringLiteral("2+3"));
}

// ---- Rounding selector -----------------------------------------------------------------------

void TestFrmTallyer::roundingSelectorClicks()
{
    auto w = openWindow();
    QVERIFY(w);
    QTest::keyClicks(w->boxCalc, QStringLiteral("2/3"));
    QCOMPARE(w->lblResult->Caption(), QStringLiteral("0.67"));

    clickLabel(w->lblRound);
    QCOMPARE(w->lblRound->Caption(), QStringLiteral("Fix 3"));
    QCOMPARE(w->lblResult->Caption(), QStringLiteral("0.667"));

    clickLabel(w->lblRound, Qt::RightButton);
    clickLabel(w->lblRound, Qt::RightButton);
    clickLabel(w->lblRound, Qt::RightButton);
    QCOMPARE(w->lblRound->Caption(), QStringLiteral("Fix 0"));
    QCOMPARE(w->lblResult->Caption(), QStringLiteral("1"));

    clickLabel(w->lblRound, Qt::RightButton);
    QCOMPARE(w->lblRound->Caption(), QStringLiteral("Fix 9"));
    QCOMPARE(w->lblResult->Caption(), QStringLiteral("0.666666667"));

    clickLabel(w->lblRound);
    QCOMPARE(w->lblRound->Caption(), QStringLiteral("Fix 0"));
    QCOMPARE(w->lblResult->Caption(), QStringLiteral("1"));
}

void TestFrmTallyer::keyboardReleaseDoesNotStep()
{
    auto w = openWindow();
    QVERIFY(w);
    QTest::keyClicks(w->boxCalc, QStringLiteral("2/3"));
    // Ctrl+5 sets the digit on key down; the key-up release must only recompute.
    w->setRoundDigit(QStringLiteral("5"));
    w->lblRound_MouseUp(1, 0, -1, 0);
    QCOMPARE(w->lblRound->Caption(), QStringLiteral("Fix 5"));
    QCOMPARE(w->lblResult->Caption(), QStringLiteral("0.66667"));
}

void TestFrmTallyer::storedRoundTo_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("caption");
    QTest::newRow("seven") << 7 << "Fix 7";
    QTest::newRow("twelve-reads-two") << 12 << "Fix 2";
    QTest::newRow("negative-reads-two") << -1 << "Fix 2";
}

void TestFrmTallyer::storedRoundTo()
{
    QFETCH(int, stored);
    QFETCH(QString, caption);
    QVERIFY(Settings::writeLong(Settings::RoundTo, stored));
    auto w = openWindow();
    QVERIFY(w);
    QCOMPARE(w->lblRound->Caption(), caption);
    QCOMPARE(w->lblRound->property("Tag").toString(), caption.mid(4));
}

// ---- Memory cells ----------------------------------------------------------------------------

void TestFrmTallyer::memoryOverflow()
{
    auto w = openWindow();
    QVERIFY(w);
    clickLabel(w->lblRound, Qt::RightButton);
    clickLabel(w->lblRound, Qt::RightButton);
    QCOMPARE(w->lblRound->Caption(), QStringLiteral("Fix 0"));

    QTest::keyClicks(w->boxCalc, QStringLiteral("999999999999999"));
    clickLabel(w->lblM);
    QCOMPARE(w->lblMemory->Caption(), QStringLiteral("999,999,999,999,999"));
    typeText(w->boxCalc, QStringLiteral("1"));
    QCOMPARE(w->lblResult->Caption(), QStringLiteral("1"));

    clickLabel(w->lblMPlus);
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages[0].first.startsWith(QStringLiteral("Overflow of memory")), qPrintable(m_messages[0].first));
    QVERIFY(m_messages[0].first.contains(QStringLiteral("Press 'MC' or 'M'")));
    QCOMPARE(m_messages[0].second, MessageIcon::Information);
    QCOMPARE(w->lblMemory->Caption(), QStringLiteral("Error"));
    QCOMPARE(cellCaption(*w, 1), QStringLiteral("M1\tError"));

    // "Error" does not convert: M- reports again; M replaces it.
    clickLabel(w->lblMMinus);
    QCOMPARE(m_messages.size(), 2);
    QCOMPARE(w->lblMemory->Caption(), QStringLiteral("Error"));
    clickLabel(w->lblM);
    QCOMPARE(w->lblMemory->Caption(), QStringLiteral("1"));
    QCOMPARE(cellCaption(*w, 1), QStringLiteral("M1\t1"));
}

void TestFrmTallyer::memoryAddSubtractToZero()
{
    auto w = openWindow();
    QVERIFY(w);
    QTest::keyClicks(w->boxCalc, QStringLiteral("1234.5"));
    clickLabel(w->lblMPlus); // empty memory counts as 0
    QCOMPARE(w->lblMemory->Caption(), QStringLiteral("1,234.50"));
    typeText(w->boxCalc, QStringLiteral("1"));
    clickLabel(w->lblMPlus);
    QCOMPARE(w->lblMemory->Caption(), QStringLiteral("1,235.50"));
    QCOMPARE(cellCaption(*w, 1), QStringLiteral("M1\t1,235.50"));
    typeText(w->boxCalc, QStringLiteral("1235.5"));
    clickLabel(w->lblMMinus);
    QCOMPARE(w->lblMemory->Caption(), QString());
    QCOMPARE(cellCaption(*w, 1), QStringLiteral("M1\t"));
    QVERIFY(m_messages.isEmpty());

    typeText(w->boxCalc, QStringLiteral("5"));
    clickLabel(w->lblMMinus);
    QCOMPARE(w->lblMemory->Caption(), QStringLiteral("- 5.00"));
    clickLabel(w->lblMPlus);
    QCOMPARE(w->lblMemory->Caption(), QString());
    QCOMPARE(cellCaption(*w, 1), QStringLiteral("M1\t"));

    clickLabel(w->lblM);
    clickLabel(w->lblMC);
    QCOMPARE(w->lblMemory->Caption(), QString());
    QCOMPARE(cellCaption(*w, 1), QStringLiteral("M1"));
}

void TestFrmTallyer::memoryRecallReplacesSelection()
{
    auto w = openWindow();
    QVERIFY(w);
    QTest::keyClicks(w->boxCalc, QStringLiteral("4"));
    clickLabel(w->lblM);
    QCOMPARE(w->lblMemory->Caption(), QStringLiteral("4.00"));

    typeText(w->boxCalc, QStringLiteral("3+12"));
    w->boxCalc->setSelStart(2);
    w->boxCalc->setSelLength(2);
    clickLabel(w->lblMR);
    QCOMPARE(w->boxCalc->Text(), QStringLiteral("3+4"));
    QCOMPARE(w->boxCalc->SelStart(), 3);
    QCOMPARE(w->boxCalc->SelLength(), 0);
    QCOMPARE(w->lblResult->Caption(), QStringLiteral("7.00"));

    // A grouped negative value goes in as plain digits, at the caret.
    typeText(w->boxCalc, QStringLiteral("-1234.5"));
    clickLabel(w->lblM);
    QCOMPARE(w->lblMemory->Caption(), QStringLiteral("- 1,234.50"));
    typeText(w->boxCalc, QStringLiteral("2*"));
    clickLabel(w->lblMR);
    QCOMPARE(w->boxCalc->Text(), QStringLiteral("2*-1234.5"));
    QCOMPARE(w->boxCalc->SelStart(), 9);
    QCOMPARE(w->lblResult->Caption(), QStringLiteral("- 2,469.00"));

    clickLabel(w->lblMC);
    typeText(w->boxCalc, QStringLiteral("3+12"));
    w->boxCalc->setSelStart(2);
    w->boxCalc->setSelLength(2);
    clickLabel(w->lblMR);
    QCOMPARE(w->boxCalc->Text(), QStringLiteral("3+"));
    QCOMPARE(w->boxCalc->SelStart(), 2);
}

void TestFrmTallyer::memoryCellsAndClearAll()
{
    QVERIFY(Settings::writeText(Settings::MemoryString,
                                QStringLiteral("M1|1.00|1.00||||||1,234.50||||")));
    auto w = openWindow();
    QVERIFY(w);
    QAction *m7 = w->memoryItem(QStringLiteral("mnuM7"));
    QVERIFY(m7);
    m7->trigger();
    QCOMPARE(w->lblMemMenu->Caption(), QStringLiteral("M7"));
    QCOMPARE(w->lblMemory->Caption(), QStringLiteral("1,234.50"));
    for (int n = 1; n <= 10; ++n)
        QCOMPARE(w->memoryItem(QStringLiteral("mnuM%1").arg(n))->isChecked(), n == 7);

    // M writes into the current cell only.
    QTest::keyClicks(w->boxCalc, QStringLiteral("8"));
    clickLabel(w->lblM);
    QCOMPARE(cellCaption(*w, 7), QStringLiteral("M7\t8.00"));
    QCOMPARE(cellCaption(*w, 1), QStringLiteral("M1\t1.00"));

    w->mnuClear->trigger();
    QCOMPARE(w->mnuClear->text(), QStringLiteral("Clears all"));
    for (int n = 1; n <= 10; ++n)
        QCOMPARE(cellCaption(*w, n), QStringLiteral("M%1").arg(n));
    QCOMPARE(w->lblMemory->Caption(), QString());
    QCOMPARE(w->lblMemMenu->Caption(), QStringLiteral("M7"));
    QVERIFY(m7->isChecked());
    QCOMPARE(w->mnuMenu->property("Tag").toString(), QStringLiteral("mnuM7"));
}

void TestFrmTallyer::memoryStringRestore_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("panel");
    QTest::addColumn<QStringList>("values"); // M1 ... M10

    const QStringList none(10, QString());
    QStringList three = none;
    three[0] = QStringLiteral("1.00");
    QTest::newRow("three-fields-padded") << "M3|2.00|1.00" << "M3" << "2.00" << three;

    QStringList fourteen;
    for (int n = 1; n <= 10; ++n)
        fourteen << QString::number(n);
    QTest::newRow("fourteen-fields-cut") << "M2|9.00|1|2|3|4|5|6|7|8|9|10|11|12" << "M2" << "9.00"
                                         << fourteen;
    QStringList first = none;
    first[0] = QStringLiteral("5.00");
    QTest::newRow("empty-panel-keeps-first-cell") << "M2||5.00|" << "M1" << "" << first;
    QTest::newRow("empty") << "" << "M1" << "" << none;
}

void TestFrmTallyer::memoryStringRestore()
{
    QFETCH(QString, stored);
    QFETCH(QString, current);
    QFETCH(QString, panel);
    QFETCH(QStringList, values);

    QVERIFY(Settings::writeText(Settings::MemoryString, stored));
    auto w = openWindow();
    QVERIFY(w);
    QCOMPARE(w->lblMemMenu->Caption(), current);
    QCOMPARE(w->lblMemory->Caption(), panel);
    QCOMPARE(w->mnuMenu->property("Tag").toString(), QStringLiteral("mnu") + current);
    for (int n = 1; n <= 10; ++n) {
        QCOMPARE(cellCaption(*w, n), QStringLiteral("M%1\t").arg(n) + values[n - 1]);
        QCOMPARE(w->memoryItem(QStringLiteral("mnuM%1").arg(n))->isChecked(),
                 QStringLiteral("M%1").arg(n) == current);
    }
}

void TestFrmTallyer::memoryStringSaved()
{
    QVERIFY(Settings::writeText(Settings::MemoryString,
                                QStringLiteral("M1||||||||||||||||||extra|fields")));
    {
        auto w = openWindow();
        QVERIFY(w);
        w->memoryItem(QStringLiteral("mnuM2"))->trigger();
        QTest::keyClicks(w->boxCalc, QStringLiteral("15"));
        clickLabel(w->lblM);
        w->memoryItem(QStringLiteral("mnuM4"))->trigger();
        clickLabel(w->lblMC); // bare name: no tab, empty field
        w->memoryItem(QStringLiteral("mnuM2"))->trigger();
        w->close();
    }
    const QString saved = Settings::readText(Settings::MemoryString);
    QCOMPARE(saved.split(u'|').size(), 12);
    QCOMPARE(saved, QStringLiteral("M2|15.00||15.00||||||||"));
}

// ---- Window position -------------------------------------------------------------------------

void TestFrmTallyer::positionSavedAndRestored()
{
    QVERIFY(Settings::writeLong(Settings::FormLeft, 1500));
    QVERIFY(Settings::writeLong(Settings::FormTop, 1200));
    QPoint moved;
    {
        auto w = openWindow();
        QVERIFY(w);
        const double tx = w->twipsX();
        const double ty = w->twipsY();
        QCOMPARE(w->frameGeometry().topLeft(),
                 QPoint(static_cast<int>(std::lround(1500 / tx)), static_cast<int>(std::lround(1200 / ty))));
        moved = QPoint(140, 90);
        w->move(moved);
        QTRY_COMPARE(w->frameGeometry().topLeft(), moved);
        QTRY_COMPARE(qRound(g_sngFormLeft), qRound(140 * tx));
        QTRY_COMPARE(qRound(g_sngFormTop), qRound(90 * ty));
        w->close();
        QCOMPARE(Settings::readLong(Settings::FormLeft), qRound(140 * tx));
        QCOMPARE(Settings::readLong(Settings::FormTop), qRound(90 * ty));
        QVERIFY(!Settings::readText(Settings::FullName).isEmpty());
    }
    resetProgramGlobals();
    auto again = openWindow();
    QVERIFY(again);
    QCOMPARE(again->frameGeometry().topLeft(), moved);
}

void TestFrmTallyer::positionClampedToScreen()
{
    QVERIFY(Settings::writeLong(Settings::FormLeft, 10000000));
    QVERIFY(Settings::writeLong(Settings::FormTop, -3000));
    {
        auto w = openWindow();
        QVERIFY(w);
        const QRect screen = w->screen()->availableGeometry();
        QCOMPARE(w->frameGeometry().right(), screen.right());
        QCOMPARE(w->frameGeometry().top(), 0);
    }
    cleanup();
    QVERIFY(Settings::writeLong(Settings::FormLeft, -3000));
    QVERIFY(Settings::writeLong(Settings::FormTop, 10000000));
    auto w = openWindow();
    QVERIFY(w);
    const QRect screen = w->screen()->availableGeometry();
    QCOMPARE(w->frameGeometry().left(), 0);
    QVERIFY2(w->frameGeometry().bottom() <= screen.bottom()
                 && w->frameGeometry().bottom() >= screen.bottom() - 1,
             qPrintable(QStringLiteral("%1 %2").arg(w->frameGeometry().bottom()).arg(screen.bottom())));
}

// ---- Separators at focus ---------------------------------------------------------------------

void TestFrmTallyer::separatorsFollowLocaleAtFocus()
{
    auto w = openWindow();
    QVERIFY(w);
    w->activateWindow();
    QTRY_VERIFY(w->boxCalc->hasFocus());
    QCOMPARE(w->m_strFocusThousands, QStringLiteral(","));

    QTest::keyClicks(w->boxCalc, QStringLiteral("1234.5"));
    clickLabel(w->lblM);
    w->memoryItem(QStringLiteral("mnuM2"))->trigger();
    typeText(w->boxCalc, QStringLiteral("-1234.5"));
    clickLabel(w->lblM);
    QCOMPARE(w->lblMemory->Caption(), QStringLiteral("- 1,234.50"));

    useLocale(german());
    w->boxCalc->clearFocus();
    w->boxCalc->setFocus();
    QTRY_VERIFY(w->boxCalc->hasFocus());
    QTRY_COMPARE(w->m_strFocusThousands, QStringLiteral("."));

    QCOMPARE(w->lblMemory->Caption(), QStringLiteral("- 1.234,50"));
    QCOMPARE(cellCaption(*w, 1), QStringLiteral("M1\t1.234,50"));
    QCOMPARE(cellCaption(*w, 2), QStringLiteral("M2\t- 1.234,50"));
    QCOMPARE(w->boxCalc->Text(), QStringLiteral("-1234,5"));
    QCOMPARE(w->lblResult->Caption(), QStringLiteral("- 1.234,50"));

}

QTEST_MAIN(TestFrmTallyer)
#include "tst_frmtallyer.moc"
