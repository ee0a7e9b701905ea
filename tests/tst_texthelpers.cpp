// The shared text helpers and the cleaning of the calculation sheet that builds on them.

#include "localescope.h"
#include "tapereading.h"
#include "sheetrows.h"
#include "sheettext.h"
#include "texthelpers.h"
#include "wrap.h"

#include <QRandomGenerator>
#include <QTest>

#include <optional>

class TestTextHelpers : public QObject
{
    Q_OBJECT

private slots:
    // A clean text edited anywhere, cleaned by looking only at the rows the edit touched, comes
    // out as the whole cleaning gives it (text and caret), for both decimal separators.
    void cleaningAfterAnEdit()
    {
        QRandomGenerator random(24);
        static const QString pieces[] = {"1", "+", "\r\n", "-", "--", ".", ",", "x", " ", "\n", "\r", "(5%)", "2-\r\n", ""};
        for (const QString &sep : {QStringLiteral("."), QStringLiteral(",")}) {
            const LocaleValues locale = testLocale(sep);
            qsizetype caret = 0;
            QString clean = CleanSheetText(QStringLiteral("12+\r\n3-\r\n4"), caret, locale);
            for (int i = 0; i < 3000; ++i) {
                SheetRows rows(clean);
                const qsizetype at = random.bounded(int(clean.size()) + 1);
                const qsizetype cut = std::min<qsizetype>(clean.size() - at, random.bounded(4));
                const QString &piece = pieces[random.bounded(14)];
                rows.replace(at, at + cut, piece);
                const QString edited = rows.text();
                qsizetype wholeCaret = at + piece.size();
                const QString whole = CleanSheetText(edited, wholeCaret, locale);
                const auto [from, to] = RowsToClean(rows, at, at + piece.size());
                qsizetype editCaret = at + piece.size() - from;
                const QString cleaned = CleanSheetRows(edited.mid(from, to - from), editCaret, locale, from == 0,
                                                       to == edited.size());
                QCOMPARE(edited.left(from) + cleaned + edited.mid(to), whole);
                QCOMPARE(from + editCaret, wholeCaret);
                clean = whole.isEmpty() ? QStringLiteral("7+\r\n8") : whole;
            }
        }
    }

    // The ends two texts share, found a block of characters at a time: a difference anywhere in a
    // block, at its edges or inside it, stops the shared start and end there.
    void commonEnds()
    {
        const QString base(3000, u'a');
        for (const qsizetype at : {0, 511, 800, 1023, 1024, 2500, 2999}) {
            QString other = base;
            other[at] = u'b';
            const CommonEnds ends = CommonTextEnds(base, other);
            QCOMPARE(std::pair(ends.head, ends.tail), std::pair(at, 2999 - at));
        }
        const CommonEnds longer = CommonTextEnds(base, base + u'x');
        QCOMPARE(longer.head, 3000);
        QCOMPARE(longer.tail, 0);
    }

    // ReplaceAll scans on after each replacement, never into what it put in.
    void replaceAll_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("find");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<bool>("caseInsensitive");
        QTest::addColumn<QString>("result");

        QTest::newRow("three-minus-to-one") << "---" << "--" << "" << false << "-";
        QTest::newRow("replacement-forms-new-occurrence") << "abbb" << "ab" << "a" << false << "a";
        QTest::newRow("nothing-rescanned-before-occurrence") << "aabb" << "ab" << "" << false << "ab";
        QTest::newRow("two-spaces-to-line-break") << "1    2 3" << "  " << "\r\n" << false << "1\r\n\r\n2 3";
        QTest::newRow("replacement-contains-find") << "a-b-" << "-" << "--" << false << "a--b--";
        QTest::newRow("case-insensitive") << "MOD mod Mod" << "mod" << "@50" << true << "@50 @50 @50";
        QTest::newRow("empty-find") << "abc" << "" << "x" << false << "abc";
    }
    void replaceAll()
    {
        QFETCH(QString, source);
        QFETCH(QString, find);
        QFETCH(QString, replacement);
        QFETCH(bool, caseInsensitive);
        QTEST(ReplaceAll(source, find, replacement, caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive), "result");
    }

    void cleanSheet_data()
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
        row("three-minus-to-one", ".", "5---2", 5, "5-2", 3);
        row("four-minus-to-two", ".", "5----2", 6, "5--2", 4);
        row("minus-run-joined-by-space", ".", "5- --2", 6, "5-2", 3);
        row("spaces-caret-after-same-digit", ".", "1 000 + 2", 5, "1000+2", 4);
        row("foreign-characters-dropped", ".", QStringLiteral("1\t2\u20ac+a3"), 7, "12+3", 4);
        row("whole-alphabet-kept", ".", "0123456789%+-()*/\\^<>=.", 23, "0123456789%+-()*/\\^<>=.", 23);
        row("leading-empty-rows", ".", "\r\n\r\n7+1", 5, "7+1", 1);
        row("caret-inside-leading-row", ".", "\r\n5", 1, "5", -1);
        row("trailing-break-after-operator", ".", "7+\r\n", 4, "7+\r\n", 4);
        row("trailing-break-after-number", ".", "7\r\n", 3, "7", 3);
        row("empty-row-inside-kept", ".", "1+\r\n\r\n2", 0, "1+\r\n\r\n2", 0);
        row("lone-cr-and-lf-dropped", ".", "1+\r2\n3", 6, "1+23", 4);
        row("cr-before-pair", ".", "2+\r\r\n3", 6, "2+\r\n3", 5);
        row("restore-swaps-and-drops-spaces-only", ".", "1,5 ab\r", 7, "1.5ab\r", 6, true);
    }
    void cleanSheet()
    {
        QFETCH(QString, decimal);
        QFETCH(bool, separatorsOnly);
        QFETCH(QString, text);
        QFETCH(qsizetype, caret);
        QTEST(CleanSheetText(text, caret, testLocale(decimal), separatorsOnly), "cleaned");
        QTEST(caret, "caretAfter");
    }

    // A paste as the sheet keeps it: its figures as read, then the cleaning every change gets.
    // English groups with "," and writes "."; Russian groups with a no-break space and writes ",".
    void pastedText_data()
    {
        QTest::addColumn<QString>("decimal");
        QTest::addColumn<QString>("group");
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("sheet");
        auto en = [](const char *name, const QString &pasted, const char *sheet) {
            QTest::newRow(name) << "." << "," << pasted << QString::fromLatin1(sheet);
        };
        auto ru = [](const char *name, const QString &pasted, const char *sheet) {
            QTest::newRow(name) << "," << QStringLiteral("\u00a0") << pasted << QString::fromLatin1(sheet);
        };
        en("times-and-divide-signs", QStringLiteral("2\u00d73\u00f74"), "2*3/4");
        en("minus-sign-en-dash-middle-dot", QStringLiteral("10\u22123\u20132\u00b75"), "10-3-2*5");
        en("words-and-currency-dropped", "Total: $1,234.50 + 10", "1234.50+10");
        en("one-group-is-grouped", "1,234", "1234");
        en("short-group-is-decimal-comma", "1,5+1,50", "1.5+1.50");
        en("first-group-of-four-is-no-grouping", "1234,567", "1234.567");
        en("zero-first-group-is-no-grouping", "0,123", "0.123");
        en("broken-grouping-keeps-its-commas", "1,234,5", "1.234.5");
        en("comma-after-decimals-is-no-grouping", "1,234.5,6", "1.234.5.6");
        ru("no-break-space-grouped", QStringLiteral("1\u00a0607,50+2"), "1607,50+2");
        ru("narrow-no-break-space-grouped", QStringLiteral("12\u202f345\u00d72"), "12345*2");
        ru("english-grouping-not-read", "1,607.50", "1,607,50");
    }
    void pastedText()
    {
        QFETCH(QString, decimal);
        QFETCH(QString, group);
        QFETCH(QString, pasted);
        const LocaleValues locale = testLocale(decimal, group);
        qsizetype caret = 0;
        QTEST(CleanSheetText(ReadTapeText(pasted, locale).sheet, caret, locale), "sheet");
    }

    // A sheet joins the rows an operator continues; selected whole rows, with their operators
    // and line breaks, give their value.
    void expressions_data()
    {
        QTest::addColumn<bool>("selection");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expression");
        QTest::newRow("sheet-every-operator-joins") << false << "9-\r\n2*\r\n3/\r\n4" << "9-2*3/4";
        QTest::newRow("sheet-empty-row-joined-too") << false << "5-\r\n\r\n3" << "5-3";
        QTest::newRow("sheet-operator-after-break-not-joined") << false << "2\r\n+3" << "2\r\n+3";
        QTest::newRow("sheet-power-does-not-join") << false << "2^\r\n3" << "2^\r\n3";
        QTest::newRow("row-with-operator-and-break") << true << "340+\r\n" << "340";
        QTest::newRow("every-operator-at-both-ends") << true << "*/\\^<>=%+7^<>=\\/*-+" << "7";
        QTest::newRow("leading-minus-is-a-sign") << true << "-5+3" << "-5+3";
        QTest::newRow("trailing-percent-kept") << true << "200*5%" << "200*5%";
        QTest::newRow("operators-and-breaks-only") << true << "+\r\n-\r\n" << "";
    }
    void expressions()
    {
        QFETCH(bool, selection);
        QFETCH(QString, text);
        QTEST(selection ? SelectionExpression(text) : SheetExpression(text), "expression");
    }

    // Worked by hand with every character 10 pixels wide ("*" 30): a row is cut after the last
    // operator among the characters that fit; a leading run without one stays whole.
    void wrapRows_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("broken"); // WrapLine on one row, already cut once
        QTest::addColumn<QString>("expected");

        QTest::newRow("fits-unchanged") << "12+34" << 50 << false << "12+34";
        QTest::newRow("cut-after-operator") << "12+34" << 45 << false << "12+\r\n34";
        QTest::newRow("prefix-exactly-full") << "1234+5" << 50 << false << "1234+\r\n5";
        QTest::newRow("digit-run-stays-whole") << "123456" << 45 << false << "123456";
        QTest::newRow("after-a-cut-runs-cut-at-width") << "1+23456789" << 45 << false << "1+\r\n2345\r\n6789";
        QTest::newRow("already-broken-row") << "123456" << 45 << true << "1234\r\n56";
        QTest::newRow("wide-operator") << "12*3+4" << 65 << false << "12*\r\n3+4";
        QTest::newRow("rows-wrapped-one-by-one") << "12+34\r\n5" << 45 << false << "12+\r\n34\r\n5";
        QTest::newRow("long-row") << QStringLiteral("1+").repeated(1000) + u'1' << 45 << false
                                  << QStringLiteral("1+1+\r\n").repeated(500) + u'1';
    }
    void wrapRows()
    {
        QFETCH(QString, text);
        QFETCH(int, width);
        QFETCH(bool, broken);
        const TextWidthFunction pixels = [](const QString &t) {
            return int(t.size() * 10 + t.count(u'*') * 20);
        };
        const QString breakChars = QString::fromUtf16(kContinuationOperators);
        const QString crLf = QStringLiteral("\r\n");
        const QString wrapped = broken ? WrapLine(text, breakChars, crLf, width, true, pixels)
                                       : WrapText(text, breakChars, crLf, width, pixels);
        QTEST(wrapped, "expected");
    }
};

QTEST_GUILESS_MAIN(TestTextHelpers)
#include "tst_texthelpers.moc"
