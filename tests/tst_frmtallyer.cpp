// The main window, driven in-process on the offscreen platform: the evaluation cycle, wrapping and
// the window height, the sub result, the rounding selector, the memory cells, the saved position
// and the separators at focus. Settings and the single-copy channel live in a temporary folder;
// every case starts from an empty store.

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
const QLocale kUs(QLocale::English, QLocale::UnitedStates);
const QLocale kGerman(QLocale::German, QLocale::Germany); // "," decimal, "." thousands

void useLocale(const QLocale &locale)
{
    setLocaleSource([locale] { return LocaleSnapshot{locale, true}; });
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

void typeText(CalcField *field, const QString &text) // replaces the whole sheet
{
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
}

void select(CalcField *field, int start, int length)
{
    field->setSelStart(start);
    field->setSelLength(length);
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

    void typedText_data();
    void typedText();
    void pastedText_data();
    void pastedText();
    void longRowsWrapAfterOperators();
    void heightFollowsRows();
    void subResult();
    void roundingSelector();

    void memoryOverflow();
    void memoryArithmeticAndRecall();
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
    useLocale(kUs);
}

void TestFrmTallyer::cleanup()
{
    resetProgramGlobals();
    QFile::remove(storePath());
    useLocale(kUs);
}

// ---- Evaluation cycle, wrapping, height ------------------------------------------------------

void TestFrmTallyer::typedText_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("result");

    QTest::newRow("return-continues-the-row") << kUs << "2+\r3" << "2+\r\n3" << "5.00";
    QTest::newRow("three-minus-become-one") << kUs << "5---2" << "5-2" << "3.00";
    QTest::newRow("four-minus-leave-two") << kUs << "5----2" << "5--2" << "7.00";
    QTest::newRow("comma-locale-turns-point") << kGerman << "1.5" << "1,5" << "1,50";
    QTest::newRow("point-locale-turns-comma") << kUs << "1,5" << "1.5" << "1.50";
    QTest::newRow("ten-to-fifteen-empty") << kUs << "10^15" << "10^15" << "";
    QTest::newRow("failure-empty") << kUs << "2*+3" << "2*+3" << "";
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
    QTest::addColumn<QString>("before"); // typed first; the paste goes in at its start
    QTest::addColumn<QString>("paste");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("caretAfter");
    QTest::addColumn<QString>("result");

    QTest::newRow("independent-rows") << "" << "2\n3" << "2\r\n3" << 4 << "";
    QTest::newRow("spaces-dropped-caret-after-same-digit") << "+5" << "1 000 + 2" << "1000+2+5" << 6 << "1,007.00";
    QTest::newRow("three-minus-pasted") << "" << "5---2" << "5-2" << 3 << "3.00";
    QTest::newRow("leading-rows-dropped-caret-back") << "+3" << "\n\n5" << "5+3" << 1 << "8.00";
    QTest::newRow("trailing-break-after-operator-stays") << "" << "7+\n" << "7+\r\n" << 4 << "";
    QTest::newRow("trailing-break-after-digit-goes") << "" << "7\n" << "7" << 1 << "7.00";
}

void TestFrmTallyer::pastedText()
{
    QFETCH(QString, before);
    QFETCH(QString, paste);
    QFETCH(QString, text);
    QFETCH(int, caretAfter);
    QFETCH(QString, result);

    auto w = openWindow();
    QVERIFY(w);
    QTest::keyClicks(w->boxCalc, before);
    w->boxCalc->setSelStart(0);
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
    const QString typed = QStringLiteral("12345+6789*2-").repeated(14) + u'1';
    QTest::keyClicks(w->boxCalc, typed);
    const QString text = w->boxCalc->Text();
    QCOMPARE(QString(text).remove(kCrLf), typed);
    QCOMPARE(w->boxCalc->SelStart(), text.size());
    const QStringList rows = text.split(kCrLf);
    QVERIFY2(rows.size() > 3, qPrintable(text));

    const int width = rowWidth(*w);
    for (qsizetype i = 0; i + 1 < rows.size(); ++i) {
        QVERIFY2(QStringLiteral("+-*/").contains(rows[i].back()), qPrintable(rows[i]));
        QVERIFY2(w->TextWidthPixels(rows[i]) <= width, qPrintable(rows[i]));
        // The cut is after the last operator that fits: the next operator would not.
        const qsizetype op = rows[i + 1].indexOf(QRegularExpression(QStringLiteral("[-+*/]")));
        if (op >= 0)
            QVERIFY2(w->TextWidthPixels(rows[i] + rows[i + 1].left(op + 1)) > width, qPrintable(rows[i]));
    }
    QVERIFY(w->TextWidthPixels(rows.back()) <= width);
    // One expression: 12345 + 14 * 6789*2 - 13 * 12345 - 1 = 41951.
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

void TestFrmTallyer::heightFollowsRows()
{
    auto w = openWindow();
    QVERIFY(w);
    QVERIFY(g_sngRowHeight > 0);
    auto fieldHeightFor = [&](int rows) { return (g_sngRowHeight * rows + 120) / w->twipsY(); };
    auto heightIs = [&](int rows) { return std::abs(w->boxCalc->height() - fieldHeightFor(rows)) <= 1.0; };

    QTest::keyClicks(w->boxCalc, QStringLiteral("1"));
    QCOMPARE(w->f_intRows, 1);
    QVERIFY(heightIs(1));
    const int windowOneRow = w->height();
    const int frameOneRow = w->frame2->y();

    // A digit run wider than a row has no operator to cut at: it stays whole on several rows.
    QString digits;
    while (w->TextWidthPixels(digits) <= rowWidth(*w) * 3 / 2)
        digits += QStringLiteral("1234567890");
    typeText(w->boxCalc, {});
    pasteText(w->boxCalc, digits + QStringLiteral("+2"));
    QCOMPARE(w->boxCalc->Text(), digits + QStringLiteral("+2"));
    QCOMPARE(w->boxCalc->SelStart(), digits.size() + 2);
    QCOMPARE(w->lblResult->Caption(), QString()); // far more than 15 digits
    QVERIFY2(w->f_intRows >= 2, qPrintable(QString::number(w->f_intRows)));
    QVERIFY(heightIs(w->f_intRows));

    // Twelve rows: the field stops growing at ten and scrolls; the window grows with it.
    typeText(w->boxCalc, {});
    pasteText(w->boxCalc, QStringLiteral("1+\n").repeated(11) + u'1');
    QCOMPARE(w->lblResult->Caption(), QStringLiteral("12.00"));
    QCOMPARE(w->f_intRows, 12);
    QVERIFY2(heightIs(10), qPrintable(QString::number(w->boxCalc->height())));
    const int grown = w->boxCalc->height() - static_cast<int>(std::lround(fieldHeightFor(1)));
    QVERIFY(std::abs(w->height() - windowOneRow - grown) <= 1);
    QVERIFY(std::abs(w->frame2->y() - frameOneRow - grown) <= 1);
    QVERIFY(w->geometry().bottom() < w->screen()->geometry().bottom());

    typeText(w->boxCalc, QStringLiteral("1"));
    QCOMPARE(w->f_intRows, 1);
    QVERIFY(heightIs(1));
    QCOMPARE(w->height(), windowOneRow);
    QCOMPARE(w->frame2->y(), frameOneRow);
}

// ---- Sub result and rounding -----------------------------------------------------------------

void TestFrmTallyer::subResult()
{
    auto w = openWindow();
    QVERIFY(w);
    QTest::keyClicks(w->boxCalc, QStringLiteral("10*2+3"));
    QCOMPARE(w->lblResult->Caption(), QStringLiteral("23.00"));

    select(w->boxCalc, 3, 3); // "2+3"
    QTRY_COMPARE(w->lblResult->Caption(), QStringLiteral("5.00"));
    QCOMPARE(w->lblResult->ForeColor(), kButtonShadow);
    QVERIFY(w->f_blnSelection);
    clickLabel(w->lblRound); // a new rounding shows the sub result, the selection stays
    QTRY_COMPARE(w->lblResult->Caption(), QStringLiteral("5.000"));
    QCOMPARE(w->lblResult->ForeColor(), kButtonShadow);
    QCOMPARE(w->boxCalc->SelText(), QStringLiteral("2+3"));

    select(w->boxCalc, 2, 2); // "*2+": no expression
    QTRY_COMPARE(w->lblResult->Caption(), QString());
    QCOMPARE(w->lblResult->ForeColor(), kButtonShadow);
    w->boxCalc->setSelStart(6);
    QTRY_COMPARE(w->lblResult->Caption(), QStringLiteral("23.000"));
    QCOMPARE(w->lblResult->ForeColor(), kButtonText);
    QVERIFY(!w->f_blnSelection);

    // Across a line break the selected rows are one expression; a line break alone is nothing.
    typeText(w->boxCalc, {});
    pasteText(w->boxCalc, QStringLiteral("1+5+\n3"));
    QCOMPARE(w->lblResult->Caption(), QStringLiteral("9.000"));
    select(w->boxCalc, 2, 5); // "5+" CR LF "3"
    QTRY_COMPARE(w->lblResult->Caption(), QStringLiteral("8.000"));
    QCOMPARE(w->lblResult->ForeColor(), kButtonShadow);
    select(w->boxCalc, 4, 2);
    QCOMPARE(w->boxCalc->SelText(), kCrLf);
    QTRY_COMPARE(w->lblResult->Caption(), QStringLiteral("9.000"));
    QCOMPARE(w->lblResult->ForeColor(), kButtonText);
    QVERIFY(!w->f_blnSelection);
}

void TestFrmTallyer::roundingSelector()
{
    QVERIFY(Settings::writeLong(Settings::RoundTo, 12)); // out of range: reads as 2
    auto w = openWindow();
    QVERIFY(w);
    QTest::keyClicks(w->boxCalc, QStringLiteral("2/3"));
    QCOMPARE(w->lblRound->Caption(), QStringLiteral("Fix 2"));
    QCOMPARE(w->lblResult->Caption(), QStringLiteral("0.67"));
    // Left steps up, right steps down, both wrap between 0 and 9.
    const struct { Qt::MouseButton button; int clicks; const char *caption; const char *result; } steps[] = {
        {Qt::LeftButton, 1, "Fix 3", "0.667"},
        {Qt::RightButton, 3, "Fix 0", "1"},
        {Qt::RightButton, 1, "Fix 9", "0.666666667"},
        {Qt::LeftButton, 1, "Fix 0", "1"},
    };
    for (const auto &step : steps) {
        for (int i = 0; i < step.clicks; ++i)
            clickLabel(w->lblRound, step.button);
        QCOMPARE(w->lblRound->Caption(), QString::fromLatin1(step.caption));
        QCOMPARE(w->lblResult->Caption(), QString::fromLatin1(step.result));
    }
}

// ---- Memory cells ----------------------------------------------------------------------------

void TestFrmTallyer::memoryOverflow()
{
    QVERIFY(Settings::writeLong(Settings::RoundTo, 0));
    auto w = openWindow();
    QVERIFY(w);
    QCOMPARE(w->lblRound->Caption(), QStringLiteral("Fix 0"));
    QTest::keyClicks(w->boxCalc, QStringLiteral("999999999999999"));
    clickLabel(w->lblM);
    QCOMPARE(w->lblMemory->Caption(), QStringLiteral("999,999,999,999,999"));
    typeText(w->boxCalc, QStringLiteral("1"));

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

void TestFrmTallyer::memoryArithmeticAndRecall()
{
    auto w = openWindow();
    QVERIFY(w);
    QTest::keyClicks(w->boxCalc, QStringLiteral("1234.5"));
    clickLabel(w->lblMPlus); // empty memory counts as 0
    typeText(w->boxCalc, QStringLiteral("1"));
    clickLabel(w->lblMPlus);
    QCOMPARE(w->lblMemory->Caption(), QStringLiteral("1,235.50"));
    QCOMPARE(cellCaption(*w, 1), QStringLiteral("M1\t1,235.50"));
    typeText(w->boxCalc, QStringLiteral("1235.5"));
    clickLabel(w->lblMMinus); // zero shows as an empty panel
    QCOMPARE(w->lblMemory->Caption(), QString());
    QCOMPARE(cellCaption(*w, 1), QStringLiteral("M1\t"));

    typeText(w->boxCalc, QStringLiteral("5"));
    clickLabel(w->lblMMinus);
    QCOMPARE(w->lblMemory->Caption(), QStringLiteral("- 5.00"));
    clickLabel(w->lblMPlus);
    QCOMPARE(w->lblMemory->Caption(), QString());
    QVERIFY(m_messages.isEmpty());
    clickLabel(w->lblM);
    clickLabel(w->lblMC);
    QCOMPARE(w->lblMemory->Caption(), QString());
    QCOMPARE(cellCaption(*w, 1), QStringLiteral("M1"));

    // MR puts the value in place of the selection.
    typeText(w->boxCalc, QStringLiteral("4"));
    clickLabel(w->lblM);
    typeText(w->boxCalc, QStringLiteral("3+12"));
    select(w->boxCalc, 2, 2);
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

    // An empty cell recalled removes the selection.
    clickLabel(w->lblMC);
    typeText(w->boxCalc, QStringLiteral("3+12"));
    select(w->boxCalc, 2, 2);
    clickLabel(w->lblMR);
    QCOMPARE(w->boxCalc->Text(), QStringLiteral("3+"));
    QCOMPARE(w->boxCalc->SelStart(), 2);
}

void TestFrmTallyer::memoryCellsAndClearAll()
{
    QVERIFY(Settings::writeText(Settings::MemoryString, QStringLiteral("M1|1.00|1.00||||||1,234.50||||")));
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
    const auto first = [&none](const char *m1) { return QStringList{m1} + none.mid(1); };
    QTest::newRow("three-fields-padded") << "M3|2.00|1.00" << "M3" << "2.00" << first("1.00");
    QTest::newRow("fourteen-fields-cut") << "M2|9.00|1|2|3|4|5|6|7|8|9|10|11|12" << "M2" << "9.00"
                                         << QStringList{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"};
    QTest::newRow("empty-panel-keeps-first-cell") << "M2||5.00|" << "M1" << "" << first("5.00");
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
        QCOMPARE(w->memoryItem(QStringLiteral("mnuM%1").arg(n))->isChecked(), QStringLiteral("M%1").arg(n) == current);
    }
}

void TestFrmTallyer::memoryStringSaved()
{
    QVERIFY(Settings::writeText(Settings::MemoryString, QStringLiteral("M1||||||||||||||||||extra|fields")));
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
    QCOMPARE(Settings::readText(Settings::MemoryString), QStringLiteral("M2|15.00||15.00||||||||"));
}

// ---- Window position and separators at focus -------------------------------------------------

void TestFrmTallyer::positionSavedAndRestored()
{
    QVERIFY(Settings::writeLong(Settings::FormLeft, 1500));
    QVERIFY(Settings::writeLong(Settings::FormTop, 1200));
    const QPoint moved(140, 90);
    {
        auto w = openWindow();
        QVERIFY(w);
        const double tx = w->twipsX();
        const double ty = w->twipsY();
        QCOMPARE(w->frameGeometry().topLeft(), QPoint(qRound(1500 / tx), qRound(1200 / ty)));
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
    for (const QPoint stored : {QPoint(10000000, -3000), QPoint(-3000, 10000000)}) { // twips
        QVERIFY(Settings::writeLong(Settings::FormLeft, stored.x()));
        QVERIFY(Settings::writeLong(Settings::FormTop, stored.y()));
        auto w = openWindow();
        QVERIFY(w);
        const QRect screen = w->screen()->availableGeometry();
        const QRect f = w->frameGeometry();
        const QString shown = QStringLiteral("%1,%2 %3,%4 in %5,%6").arg(f.left()).arg(f.top()).arg(f.right())
                                  .arg(f.bottom()).arg(screen.right()).arg(screen.bottom());
        if (stored.x() > 0)
            QVERIFY2(f.right() == screen.right() && f.top() == 0, qPrintable(shown));
        else
            QVERIFY2(f.left() == 0 && f.bottom() <= screen.bottom() && f.bottom() >= screen.bottom() - 1,
                     qPrintable(shown));
        w.reset();
        resetProgramGlobals();
    }
}

void TestFrmTallyer::separatorsFollowLocaleAtFocus()
{
    auto w = openWindow();
    QVERIFY(w);
    w->activateWindow();
    QTRY_VERIFY(w->boxCalc->hasFocus());
    QTest::keyClicks(w->boxCalc, QStringLiteral("1234.5"));
    clickLabel(w->lblM);
    w->memoryItem(QStringLiteral("mnuM2"))->trigger();
    typeText(w->boxCalc, QStringLiteral("-1234.5"));
    clickLabel(w->lblM);
    QCOMPARE(w->lblMemory->Caption(), QStringLiteral("- 1,234.50"));

    useLocale(kGerman);
    w->boxCalc->clearFocus();
    w->boxCalc->setFocus();
    QTRY_COMPARE(w->m_strFocusThousands, QStringLiteral("."));
    QCOMPARE(w->lblMemory->Caption(), QStringLiteral("- 1.234,50"));
    QCOMPARE(cellCaption(*w, 1), QStringLiteral("M1\t1.234,50"));
    QCOMPARE(cellCaption(*w, 2), QStringLiteral("M2\t- 1.234,50"));
    QCOMPARE(w->boxCalc->Text(), QStringLiteral("-1234,5"));
    QCOMPARE(w->lblResult->Caption(), QStringLiteral("- 1.234,50"));
}

QTEST_MAIN(TestFrmTallyer)
#include "tst_frmtallyer.moc"
