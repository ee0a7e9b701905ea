// The shared text helpers and the cleaning of the calculation sheet that builds on them.

#include "localescope.h"
#include "sheettext.h"
#include "texthelpers.h"

#include <QRandomGenerator>
#include <QTest>

using Positions = QList<qsizetype>;

class TestTextHelpers : public QObject
{
    Q_OBJECT

private slots:
    void replaceAll_data();
    void replaceAll();
    void findPositions_data();
    void findPositions();
    void trimChars_data();
    void trimChars();
    void filterChars_data();
    void filterChars();
    void textBeforeAfter_data();
    void textBeforeAfter();
    void cleanSheet_data();
    void cleanSheet();
    void sheetExpression_data();
    void sheetExpression();
    void randomSheetsKeepTheirInvariants();
};

void TestTextHelpers::replaceAll_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("find");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<bool>("caseInsensitive");
    QTest::addColumn<QString>("result");

    QTest::newRow("three-minus-to-one") << "---" << "--" << "" << false << "-";
    QTest::newRow("four-minus-to-none") << "----" << "--" << "" << false << "";
    QTest::newRow("five-minus-to-one") << "-----" << "--" << "" << false << "-";
    QTest::newRow("coded-minus-run") << "5@62--3" << "--" << "" << false << "5@623";
    QTest::newRow("replacement-forms-new-occurrence") << "abbb" << "ab" << "a" << false << "a";
    QTest::newRow("nothing-rescanned-before-occurrence") << "aabb" << "ab" << "" << false << "ab";
    QTest::newRow("three-minus-to-minus-and-spaces") << "------" << "---" << "-  " << false << "-  -  ";
    QTest::newRow("replacement-contains-find") << "a-b-c" << "-" << "--" << false << "a--b--c";
    QTest::newRow("replacement-contains-find-at-ends") << "--" << "-" << "--" << false << "----";
    QTest::newRow("replacement-contains-find-other-case") << "aA" << "a" << "A" << true << "AA";
    QTest::newRow("case-insensitive") << "MOD mod Mod" << "mod" << "@50" << true << "@50 @50 @50";
    QTest::newRow("case-sensitive") << "MOD mod Mod" << "mod" << "@50" << false << "MOD @50 Mod";
    QTest::newRow("two-spaces-to-line-break") << "1    2 3" << "  " << "\r\n" << false << "1\r\n\r\n2 3";
    QTest::newRow("empty-find") << "abc" << "" << "x" << false << "abc";
    QTest::newRow("no-occurrence") << "abc" << "x" << "y" << false << "abc";
    QTest::newRow("empty-source") << "" << "a" << "b" << false << "";
}

void TestTextHelpers::replaceAll()
{
    QFETCH(QString, source);
    QFETCH(QString, find);
    QFETCH(QString, replacement);
    QFETCH(bool, caseInsensitive);
    QFETCH(QString, result);
    QCOMPARE(ReplaceAll(source, find, replacement,
                        caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive),
             result);
}

void TestTextHelpers::findPositions_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("find");
    QTest::addColumn<bool>("caseInsensitive");
    QTest::addColumn<Positions>("positions");

    QTest::newRow("one-based") << "1+2+3" << "+" << false << Positions{2, 4};
    QTest::newRow("continues-behind-occurrence") << "aaaaa" << "aa" << false << Positions{1, 3};
    QTest::newRow("none") << "abc" << "x" << false << Positions{};
    QTest::newRow("case-insensitive") << "ModMOD" << "mod" << true << Positions{1, 4};
    QTest::newRow("case-sensitive") << "ModMOD" << "mod" << false << Positions{};
}

void TestTextHelpers::findPositions()
{
    QFETCH(QString, text);
    QFETCH(QString, find);
    QFETCH(bool, caseInsensitive);
    QFETCH(Positions, positions);
    QCOMPARE(FindPositions(text, find, caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive),
             positions);
}

void TestTextHelpers::trimChars_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("set");
    QTest::addColumn<int>("sides");
    QTest::addColumn<bool>("caseInsensitive");
    QTest::addColumn<qsizetype>("caret");
    QTest::addColumn<QString>("result");
    QTest::addColumn<qsizetype>("caretAfter");

    QTest::newRow("both-caret-at-start") << "  ab  " << " " << 3 << false << qsizetype(0) << "ab" << qsizetype(0);
    QTest::newRow("both-caret-inside") << "  ab  " << " " << 3 << false << qsizetype(3) << "ab" << qsizetype(1);
    QTest::newRow("both-caret-at-end") << "  ab  " << " " << 3 << false << qsizetype(6) << "ab" << qsizetype(2);
    QTest::newRow("left-only") << "  ab  " << " " << 1 << false << qsizetype(6) << "ab  " << qsizetype(4);
    QTest::newRow("right-only") << "  ab  " << " " << 2 << false << qsizetype(6) << "  ab" << qsizetype(4);
    QTest::newRow("caret-stops-at-zero") << "aab" << "a" << 1 << false << qsizetype(1) << "b" << qsizetype(0);
    QTest::newRow("all-in-set-caret-zero") << "   " << " " << 3 << false << qsizetype(0) << "" << qsizetype(0);
    QTest::newRow("all-in-set-caret-inside") << " \t " << "\t " << 3 << false << qsizetype(2) << "" << qsizetype(0);
    QTest::newRow("tabs-and-spaces") << "\t x \t" << "\t " << 3 << false << qsizetype(1) << "x" << qsizetype(0);
    QTest::newRow("case-sensitive") << "XxaXx" << "x" << 3 << false << qsizetype(0) << "XxaX" << qsizetype(0);
    QTest::newRow("case-insensitive") << "XxaXx" << "x" << 3 << true << qsizetype(0) << "a" << qsizetype(0);
}

void TestTextHelpers::trimChars()
{
    QFETCH(QString, text);
    QFETCH(QString, set);
    QFETCH(int, sides);
    QFETCH(bool, caseInsensitive);
    QFETCH(qsizetype, caret);
    QFETCH(QString, result);
    QFETCH(qsizetype, caretAfter);
    QCOMPARE(TrimChars(text, set, sides, caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive, caret),
             result);
    QCOMPARE(caret, caretAfter);
}

void TestTextHelpers::filterChars_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("set");
    QTest::addColumn<bool>("keep");
    QTest::addColumn<bool>("caseInsensitive");
    QTest::addColumn<qsizetype>("caret");
    QTest::addColumn<QString>("result");
    QTest::addColumn<qsizetype>("caretAfter");

    QTest::newRow("drop-caret-after-digit") << "1 000 + 2" << " " << false << false << qsizetype(5) << "1000+2" << qsizetype(4);
    QTest::newRow("drop-caret-at-end") << "1 000 + 2" << " " << false << false << qsizetype(9) << "1000+2" << qsizetype(6);
    QTest::newRow("drop-caret-at-start") << " 1 " << " " << false << false << qsizetype(0) << "1" << qsizetype(0);
    QTest::newRow("drop-at-caret-counts") << "1 2" << " " << false << false << qsizetype(2) << "12" << qsizetype(1);
    QTest::newRow("drop-behind-caret-ignored") << "1 2" << " " << false << false << qsizetype(1) << "12" << qsizetype(1);
    QTest::newRow("keep-digits") << "a1b2c3" << "0123456789" << true << false << qsizetype(4) << "123" << qsizetype(2);
    QTest::newRow("keep-caret-before-dropped") << "a1b2c3" << "0123456789" << true << false << qsizetype(3) << "123" << qsizetype(1);
    QTest::newRow("drop-all") << "---" << "-" << false << false << qsizetype(2) << "" << qsizetype(0);
    QTest::newRow("keep-case-sensitive") << "ABc" << "abc" << true << false << qsizetype(3) << "c" << qsizetype(1);
    QTest::newRow("keep-case-insensitive") << "ABc" << "abc" << true << true << qsizetype(3) << "ABc" << qsizetype(3);
}

void TestTextHelpers::filterChars()
{
    QFETCH(QString, text);
    QFETCH(QString, set);
    QFETCH(bool, keep);
    QFETCH(bool, caseInsensitive);
    QFETCH(qsizetype, caret);
    QFETCH(QString, result);
    QFETCH(qsizetype, caretAfter);
    QCOMPARE(FilterChars(text, set, keep, caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive, caret),
             result);
    QCOMPARE(caret, caretAfter);
}

void TestTextHelpers::textBeforeAfter_data()
{
    QTest::addColumn<bool>("after");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<bool>("which"); // TextBefore: the last occurrence; TextAfter: the first
    QTest::addColumn<bool>("trim");
    QTest::addColumn<bool>("include");
    QTest::addColumn<bool>("whole");
    QTest::addColumn<QString>("result");

    QTest::newRow("before-first") << false << "a=b=c" << "=" << false << false << false << false << "a";
    QTest::newRow("before-last") << false << "a=b=c" << "=" << true << false << false << false << "a=b";
    QTest::newRow("before-first-included") << false << "a=b=c" << "=" << false << false << true << false << "a=";
    QTest::newRow("before-last-included") << false << "a<>b<>c" << "<>" << true << false << true << false << "a<>b<>";
    QTest::newRow("before-trimmed") << false << " \ta  = b" << "=" << false << true << false << false << "a";
    QTest::newRow("before-missing") << false << "abc" << "=" << false << false << false << false << "";
    QTest::newRow("before-missing-whole") << false << "abc" << "=" << false << false << false << true << "abc";
    QTest::newRow("before-empty-separator") << false << "abc" << "" << false << false << false << false << "";
    QTest::newRow("before-empty-separator-whole") << false << "abc" << "" << false << false << false << true << "abc";
    QTest::newRow("after-first") << true << "a=b=c" << "=" << true << false << false << false << "b=c";
    QTest::newRow("after-last") << true << "a=b=c" << "=" << false << false << false << false << "c";
    QTest::newRow("after-first-included") << true << "a<>b<>c" << "<>" << true << false << true << false << "<>b<>c";
    QTest::newRow("after-last-included") << true << "a=b=c" << "=" << false << false << true << false << "=c";
    QTest::newRow("after-trimmed") << true << "k = v \t" << "=" << true << true << false << false << "v";
    QTest::newRow("after-missing") << true << "abc" << "=" << true << false << false << false << "";
    QTest::newRow("after-missing-whole") << true << "abc" << "=" << true << false << false << true << "abc";
    QTest::newRow("after-empty-separator-whole") << true << "abc" << "" << false << false << false << true << "abc";
}

void TestTextHelpers::textBeforeAfter()
{
    QFETCH(bool, after);
    QFETCH(QString, text);
    QFETCH(QString, separator);
    QFETCH(bool, which);
    QFETCH(bool, trim);
    QFETCH(bool, include);
    QFETCH(bool, whole);
    QFETCH(QString, result);
    QCOMPARE(after ? TextAfter(text, separator, which, trim, include, whole)
                   : TextBefore(text, separator, which, trim, include, whole),
             result);
}

void TestTextHelpers::cleanSheet_data()
{
    QTest::addColumn<QString>("decimal");
    QTest::addColumn<bool>("separatorsOnly");
    QTest::addColumn<QString>("text");
    QTest::addColumn<qsizetype>("caret");
    QTest::addColumn<QString>("cleaned");
    QTest::addColumn<qsizetype>("caretAfter");

    auto row = [](const char *name, const char *decimal, const QString &text, qsizetype caret,
                  const QString &cleaned, qsizetype caretAfter, bool separatorsOnly = false) {
        QTest::newRow(name) << QString::fromLatin1(decimal) << separatorsOnly << text << caret << cleaned
                            << caretAfter;
    };
    row("comma-becomes-point", ".", "1,5+2", 3, "1.5+2", 3);
    row("point-becomes-comma", ",", "1.5+2", 3, "1,5+2", 3);
    row("three-minus-to-one", ".", "5---2", 5, "5-2", 3);
    row("caret-inside-minus-run", ".", "5---2", 4, "5-2", 2);
    row("four-minus-to-two", ".", "5----2", 6, "5--2", 4);
    row("five-minus-to-one", ".", "-----", 5, "-", 1);
    row("six-minus-to-two", ".", "------", 6, "--", 2);
    row("minus-run-joined-by-space", ".", "5- --2", 6, "5-2", 3);
    row("minus-run-joined-by-foreign-character", ".", "5--x-3", 6, "5-3", 3);
    row("minus-run-joined-by-lone-break", ".", "5-\n--3", 6, "5-3", 3);
    row("spaces-caret-after-same-digit", ".", "1 000 + 2", 5, "1000+2", 4);
    row("tabs-and-letters-dropped", ".", "1\t+ abc2", 8, "1+2", 3);
    row("foreign-characters-dropped", ".", QStringLiteral("12\u20ac+3\u00d72"), 7, "12+32", 5);
    row("whole-alphabet-kept", ".", "0123456789%+-()*/\\^<>=.", 23, "0123456789%+-()*/\\^<>=.", 23);
    row("leading-empty-rows", ".", "\r\n\r\n7+1", 5, "7+1", 1);
    row("caret-inside-leading-row", ".", "\r\n5", 1, "5", -1);
    row("trailing-break-after-operator", ".", "7+\r\n", 4, "7+\r\n", 4);
    row("trailing-break-after-number", ".", "7\r\n", 3, "7", 3);
    row("trailing-breaks-down-to-operator", ".", "7+\r\n\r\n", 6, "7+\r\n", 6);
    row("empty-row-inside-kept", ".", "1+\r\n\r\n2", 0, "1+\r\n\r\n2", 0);
    row("lone-cr-and-lf-dropped", ".", "1+\r2\n3", 6, "1+23", 4);
    row("lf-cr-is-no-break", ".", "2\n\r3", 4, "23", 2);
    row("cr-before-pair", ".", "2+\r\r\n3", 6, "2+\r\n3", 5);
    row("only-breaks", ".", "\r\n\r\n", 4, "", 0);
    row("restore-swaps-and-drops-spaces-only", ".", "1,5 abc\r", 8, "1.5abc\r", 7, true);
    row("restore-three-minus", ",", "5---2.5", 0, "5-2,5", 0, true);
}

void TestTextHelpers::cleanSheet()
{
    QFETCH(QString, decimal);
    QFETCH(bool, separatorsOnly);
    QFETCH(QString, text);
    QFETCH(qsizetype, caret);
    QFETCH(QString, cleaned);
    QFETCH(qsizetype, caretAfter);
    const LocaleScope locale(decimal, QStringLiteral(" "), true);
    QCOMPARE(CleanSheetText(text, caret, separatorsOnly), cleaned);
    QCOMPARE(caret, caretAfter);
}

void TestTextHelpers::sheetExpression_data()
{
    QTest::addColumn<QString>("sheet");
    QTest::addColumn<QString>("expression");

    QTest::newRow("continued-row") << "2+\r\n3" << "2+3";
    QTest::newRow("tape") << "1250+\r\n340+\r\n17.5" << "1250+340+17.5";
    QTest::newRow("all-four-operators") << "9-\r\n2*\r\n3/\r\n4+\r\n1" << "9-2*3/4+1";
    QTest::newRow("empty-continued-row") << "5-\r\n\r\n3" << "5-3";
    QTest::newRow("independent-rows") << "2\r\n3" << "2\r\n3";
    QTest::newRow("operator-on-next-row") << "2\r\n+3" << "2\r\n+3";
    QTest::newRow("power-does-not-continue") << "2^\r\n3" << "2^\r\n3";
}

void TestTextHelpers::sheetExpression()
{
    QFETCH(QString, sheet);
    QFETCH(QString, expression);
    QCOMPARE(SheetExpression(sheet), expression);
}

// Whatever is typed or pasted, a cleaned sheet holds only the sheet alphabet and CR LF pairs, no
// run of three minus signs, no leading line break and a trailing one only after an operator;
// cleaning it again changes nothing.
void TestTextHelpers::randomSheetsKeepTheirInvariants()
{
    static const QString input = QStringLiteral("0123456789%+-()*/\\^<>=.,---\r\n\r\n  \tx\u00a0");
    static const QString alphabet = QString::fromUtf16(kSheetAlphabet);
    QRandomGenerator rng(1999);
    for (const char *decimal : {".", ","}) {
        const LocaleScope locale(QString::fromLatin1(decimal), QStringLiteral(" "), true);
        const QChar foreign = QLatin1Char(*decimal == '.' ? ',' : '.');
        for (int i = 0; i < 5000; ++i) {
            QString text;
            const int length = rng.bounded(30);
            for (int k = 0; k < length; ++k)
                text += input.at(rng.bounded(input.size()));
            qsizetype caret = rng.bounded(length + 1);
            const QString sheet = CleanSheetText(text, caret);
            const QByteArray shown = QStringLiteral("%1 -> %2").arg(text, sheet).toUtf8().toPercentEncoding();

            QString rest = sheet;
            rest.remove(QStringLiteral("\r\n"));
            for (const QChar c : rest)
                QVERIFY2(alphabet.contains(c) && c != foreign, shown.constData());
            QVERIFY2(!sheet.contains(QStringLiteral("---")), shown.constData());
            QVERIFY2(!sheet.startsWith(QStringLiteral("\r\n")), shown.constData());
            if (sheet.endsWith(QStringLiteral("\r\n")))
                QVERIFY2(sheet.size() > 2 && IsContinuationOperator(sheet.at(sheet.size() - 3)), shown.constData());
            QVERIFY2(caret <= length, shown.constData());

            qsizetype again = 0;
            QVERIFY2(CleanSheetText(sheet, again) == sheet, shown.constData());
        }
    }
}

QTEST_GUILESS_MAIN(TestTextHelpers)
#include "tst_texthelpers.moc"
