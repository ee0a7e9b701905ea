// The calculation field's text rules: the leading zero, the Ctrl runs, the number under a double
// click and the panel values re-written for changed separators.

#include "textrules.h"

#include <QTest>

class TestTextRules : public QObject
{
    Q_OBJECT

private slots:
    void leadingZeros_data();
    void leadingZeros();
    void runJump_data();
    void runJump();
    void runToDelete_data();
    void runToDelete();
    void numberAtClick_data();
    void numberAtClick();
    void convertSeparators_data();
    void convertSeparators();
};

void TestTextRules::leadingZeros_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("caret");
    QTest::addColumn<QString>("point");
    QTest::addColumn<QString>("result");
    QTest::addColumn<int>("caretAfter");

    QTest::newRow("start-of-text") << ".5" << 2 << "." << "0.5" << 3;
    QTest::newRow("caret-before-point-stays") << "1+.5" << 2 << "." << "1+0.5" << 2;
    QTest::newRow("caret-after-point-moves") << "1+.5" << 3 << "." << "1+0.5" << 4;
    QTest::newRow("continuation-row") << "2+\r\n.5" << 6 << "." << "2+\r\n0.5" << 7;
    QTest::newRow("every-starter") << ".1-.2*.3/.4*(.5" << 15 << "." << "0.1-0.2*0.3/0.4*(0.5" << 20;
    QTest::newRow("bracket-caret-at-start") << "(.5)" << 0 << "." << "(0.5)" << 0;
    QTest::newRow("caret-between-two-completions") << "-.5-.5" << 4 << "." << "-0.5-0.5" << 5;
    QTest::newRow("point-after-digit-left-alone") << "2.5" << 3 << "." << "2.5" << 3;
    QTest::newRow("power-is-no-starter") << "2^.5" << 4 << "." << "2^.5" << 4;
    QTest::newRow("comma-point") << ",5" << 2 << "," << "0,5" << 3;
    QTest::newRow("other-separator-ignored") << ".5" << 2 << "," << ".5" << 2;
    QTest::newRow("no-separator-no-change") << ".5" << 2 << "" << ".5" << 2;
}

void TestTextRules::leadingZeros()
{
    QFETCH(QString, text);
    QFETCH(int, caret);
    QFETCH(QString, point);
    qsizetype c = caret;
    QTEST(CompleteLeadingZeros(text, c, point), "result");
    QTEST(int(c), "caretAfter");
}

void TestTextRules::runJump_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selLength");
    QTest::addColumn<bool>("forward");
    QTest::addColumn<int>("target");

    const QString n = QStringLiteral("12.5+30");
    QTest::newRow("right-to-end-of-number") << n << 1 << 0 << true << 4;
    QTest::newRow("right-over-operator") << n << 4 << 0 << true << 5;
    QTest::newRow("right-at-end-stays") << n << 7 << 0 << true << 7;
    QTest::newRow("left-to-start-of-number") << n << 4 << 0 << false << 0;
    QTest::newRow("left-over-operator") << n << 5 << 0 << false << 4;
    QTest::newRow("left-at-start-stays") << n << 0 << 0 << false << 0;
    QTest::newRow("right-from-selection-end") << "1+23+4" << 0 << 2 << true << 4;
    QTest::newRow("left-from-selection-start") << "1+23+4" << 3 << 2 << false << 2;
    QTest::newRow("comma-inside-number") << "1,234+5" << 0 << 0 << true << 5;
    QTest::newRow("line-break-with-operator") << "1+\r\n2" << 1 << 0 << true << 4;
}

void TestTextRules::runJump()
{
    QFETCH(QString, text);
    QFETCH(int, selStart);
    QFETCH(int, selLength);
    QFETCH(bool, forward);
    QTEST(int(RunJumpTarget(text, selStart, selLength, forward)), "target");
}

void TestTextRules::runToDelete_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("caret");
    QTest::addColumn<bool>("forward");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");

    const QString n = QStringLiteral("12.5+30");
    QTest::newRow("delete-rest-of-number") << n << 2 << true << 2 << 2;
    QTest::newRow("backspace-number-before") << n << 4 << false << 0 << 4;
    QTest::newRow("backspace-operator") << n << 5 << false << 4 << 1;
    QTest::newRow("delete-at-end-nothing") << n << 7 << true << 7 << 0;
    QTest::newRow("backspace-at-start-nothing") << n << 0 << false << 0 << 0;
}

void TestTextRules::runToDelete()
{
    QFETCH(QString, text);
    QFETCH(int, caret);
    QFETCH(bool, forward);
    const TextSpan span = RunToDelete(text, caret, forward);
    QTEST(int(span.start), "start");
    QTEST(int(span.length), "length");
}

void TestTextRules::numberAtClick_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("click");
    QTest::addColumn<QString>("point");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");

    const QString n = QStringLiteral("12+1234.56*3");
    QTest::newRow("on-the-point") << n << 7 << "." << 3 << 7;
    QTest::newRow("at-number-start") << n << 3 << "." << 3 << 7;
    QTest::newRow("at-number-end") << n << 10 << "." << 3 << 7;
    QTest::newRow("last-number") << n << 12 << "." << 11 << 1;
    QTest::newRow("between-operators-nothing") << "1+*2" << 2 << "." << 2 << 0;
    QTest::newRow("comma-ends-number-with-point") << "1,5" << 0 << "." << 0 << 1;
    QTest::newRow("comma-as-point") << "1,5" << 0 << "," << 0 << 3;
    QTest::newRow("click-beyond-text") << "12" << 9 << "." << 0 << 2;
}

void TestTextRules::numberAtClick()
{
    QFETCH(QString, text);
    QFETCH(int, click);
    QFETCH(QString, point);
    const TextSpan span = NumberAtClick(text, click, point);
    QTEST(int(span.start), "start");
    QTEST(int(span.length), "length");
}

void TestTextRules::convertSeparators_data()
{
    QTest::addColumn<bool>("grouping");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("oldSeparator");
    QTest::addColumn<QString>("newSeparator");
    QTest::addColumn<QString>("result");

    QTest::newRow("grouping-every-separator") << true << "1,234,567.89" << "," << "." << "1.234.567.89";
    QTest::newRow("grouping-sign-space-kept") << true << "- 1 234,5" << " " << "." << "- 1.234,5";
    QTest::newRow("grouping-space-without-sign") << true << "1 234 567" << " " << "," << "1,234,567";
    QTest::newRow("grouping-removed") << true << "12,345" << "," << "" << "12345";
    QTest::newRow("grouping-empty-old-unchanged") << true << "1234" << "" << "," << "1234";
    QTest::newRow("decimal-last-occurrence-only") << false << "1,234,567,89" << "," << "." << "1,234,567.89";
    QTest::newRow("decimal-negative") << false << "- 12.5" << "." << "," << "- 12,5";
    QTest::newRow("decimal-absent") << false << "125" << "." << "," << "125";
    QTest::newRow("decimal-empty-old-unchanged") << false << "1.5" << "" << "," << "1.5";
}

void TestTextRules::convertSeparators()
{
    QFETCH(bool, grouping);
    QFETCH(QString, text);
    QFETCH(QString, oldSeparator);
    QFETCH(QString, newSeparator);
    QTEST(grouping ? ConvertGrouping(text, oldSeparator, newSeparator)
                   : ConvertDecimal(text, oldSeparator, newSeparator),
          "result");
}

QTEST_APPLESS_MAIN(TestTextRules)
#include "tst_textrules.moc"
