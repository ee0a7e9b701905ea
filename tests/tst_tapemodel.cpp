// The tape model: edits at row boundaries of tapes long enough to span several kept states, each
// result against a value worked out by hand and against the whole sheet evaluated as the result
// panel does it. bench_differential --edits does the same on generated edits.

#include "localescope.h"
#include <calcsession.h>
#include <evaluator.h>
#include <foldmachine.h>
#include <sheettext.h>
#include <tapemodel.h>
#include <texthelpers.h>

#include <QtTest>

namespace {

LocaleValues locale(const QString &decimal)
{
    return testLocale(decimal, decimal == QLatin1String(",") ? QStringLiteral(".") : QStringLiteral(","));
}

// n rows of "1+": a column that adds n and reaches past a few kept states.
QStringList ones(int n)
{
    return QStringList(n, QStringLiteral("1+"));
}

QString sheetOf(const QStringList &rows)
{
    return rows.join(QStringLiteral("\r\n"));
}

// The model against the whole evaluation of its own text, and against the expectation.
void compare(const TapeModel &model, const QString &panel, EvalFailure failure)
{
    EvalFailure wholeFailure = EvalFailure::None;
    const QString expression = SheetExpression(model.text());
    const QString wholePanel = ExpressionResultText(expression, 2, model.locale(), wholeFailure);
    bool failed = false;
    const double wholeValue = EvaluateExpression(expression, model.locale(), failed);
    EvalFailure modelFailure = EvalFailure::None;
    QCOMPARE(model.resultText(2, modelFailure), wholePanel);
    QCOMPARE(modelFailure, wholeFailure);
    QCOMPARE(model.value().has_value(), !failed);
    if (!failed)
        QCOMPARE(*model.value(), wholeValue);
    QCOMPARE(model.resultText(2), panel);
    QCOMPARE(model.failure(), failure);
}

} // namespace

class TestTapeModel : public QObject
{
    Q_OBJECT

private slots:
    void edits_data()
    {
        QTest::addColumn<QStringList>("rows");       // the tape before the edit
        QTest::addColumn<int>("first");              // the edit: rows first .. first + removed - 1
        QTest::addColumn<int>("removed");
        QTest::addColumn<QStringList>("replacement"); // replaced by these
        QTest::addColumn<QString>("panel");           // the panel after it, two decimals
        QTest::addColumn<EvalFailure>("failure");
        const auto edit = [](const char *name, const QStringList &rows, int first, int removed, const QStringList &replacement,
                             const char *panel, EvalFailure failure = EvalFailure::None) {
            QTest::newRow(name) << rows << first << removed << replacement << QString::fromLatin1(panel) << failure;
        };

        // Operators at the end of the changed row: the row break joins or stands.
        edit("operator-put-at-row-end-joins", ones(70) + QStringList{"5", "6"}, 70, 1, {"5*"}, "100.00");
        edit("operator-taken-from-row-end-parts-rows", ones(70) + QStringList{"5*", "6"},
            70, 1, {"5"}, "", EvalFailure::IndependentRows);
        // 70 + 2 + 3 * 4 = 84 becomes 70 + 2 + 3 - 4 = 71.
        edit("operator-changed-at-row-end", ones(70) + QStringList{"2+", "3*", "4"}, 71, 1, {"3-"}, "71.00");
        edit("row-below-ending-operator-removed", ones(40) + QStringList{"2*", "3"},
            41, 1, {}, "", EvalFailure::Incomplete);
        // A row break that is no continuation, made and mended above the kept states below it.
        edit("break-made-in-first-row", ones(100) + QStringList{"1"}, 0, 1, {"1"}, "", EvalFailure::IndependentRows);
        // 7 - 1 + 99 + 1 = 106: the first "1+" row is subtracted.
        edit("break-mended-in-first-row", QStringList{"7"} + ones(100) + QStringList{"1"}, 0, 1, {"7-"}, "106.00");
        edit("empty-row-inserted-after-operator", ones(50) + QStringList{"1"}, 35, 0, {""}, "51.00");
        edit("empty-row-inserted-after-number", ones(50) + QStringList{"1"}, 51, 0, {""}, "", EvalFailure::IndependentRows);
        // Edits between kept states (one every 256 rows), the state after them read again: 600 + 4 + 1
        // and 600 + 2 + 1.
        edit("edit-between-kept-states", ones(600) + QStringList{"1"}, 300, 1, {"5+"}, "605.00");
        edit("edit-just-before-kept-state", ones(600) + QStringList{"1"}, 511, 1, {"3+"}, "603.00");
        // A run of sum rows read in one step, left for a product: 2 + 1 + 1 + 2 - 3 + 4 * 5 = 23.
        edit("sum-rows-then-product", ones(3) + QStringList{"2-", "3+", "4*", "5"}, 0, 1, {"2+"}, "23.00");
        // Enter in the middle of a row, behind its operator; two rows joined into one.
        edit("row-split-behind-operator", ones(40) + QStringList{"2+3*4"}, 40, 1, {"2+3*", "4"}, "54.00");
        edit("rows-joined", ones(40) + QStringList{"2*", "3+", "4"}, 40, 2, {"2*3+"}, "50.00");
        // A group opened on one row and closed rows below: (2 + 40 + 3) * 4 = 180.
        edit("group-opened-above-edited", QStringList{"(2+"} + ones(40) + QStringList{"3)*", "4"}, 0, 1, {"(5+"}, "192.00");
        edit("group-closed-below-edited", QStringList{"(2+"} + ones(40) + QStringList{"3)*", "4"}, 41, 1, {"3)-"}, "41.00");
        edit("group-close-removed", QStringList{"(2+"} + ones(40) + QStringList{"3)*", "4"},
            41, 1, {"3*"}, "", EvalFailure::UnbalancedParenthesis);
        edit("group-opened-in-middle", ones(40) + QStringList{"2*", "3+", "4"},
            40, 1, {"(2*"}, "", EvalFailure::UnbalancedParenthesis);
        // Percent rows: 40 + 200 = 240, plus 10 % is 264, 5 % off that is 250.8.
        edit("percent-row-edited", ones(40) + QStringList{"200+", "20%-", "5%"}, 41, 1, {"10%-"}, "250.80");
        edit("percent-of-unfinished-number", ones(40) + QStringList{"200+", "20%-", "5%"},
            42, 1, {"5.%"}, "", EvalFailure::Incomplete);
        // Comparisons bind loosest: 40 + 1 = 41 against the last row.
        edit("comparison-becomes-true", ones(40) + QStringList{"1=40"}, 40, 1, {"1=41"}, "- 1.00");
        edit("comparison-becomes-false", ones(40) + QStringList{"1=41"}, 40, 1, {"1<41"}, "0.00");
        // Minus runs across a row break: 40 - (-3) = 43.
        edit("minus-row-after-minus", ones(39) + QStringList{"1-", "3"}, 40, 1, {"-3"}, "43.00");
        // Failures the evaluator reports at the end of the tape.
        edit("typed-separator-waits-for-digits", ones(40) + QStringList{"12"}, 40, 1, {"12."}, "", EvalFailure::Incomplete);
        edit("division-by-zero-typed", ones(40) + QStringList{"12/"}, 40, 1, {"12/0"}, "", EvalFailure::DivisionByZero);
        edit("division-by-zero-above-fails-whole", ones(40) + QStringList{"12/", "0+", "1"},
            42, 1, {"2"}, "", EvalFailure::DivisionByZero);
        edit("too-large-to-show", ones(40) + QStringList{"5"}, 40, 1, {"999999999999999"}, "", EvalFailure::TooLarge);
        edit("everything-removed", ones(40) + QStringList{"5"}, 0, 41, {}, "", EvalFailure::Empty);
        edit("letters-evaluated-whole", ones(40) + QStringList{"5"}, 40, 1, {"7MOD4"}, "43.00");
    }

    void edits()
    {
        QFETCH(QStringList, rows);
        QFETCH(int, first);
        QFETCH(int, removed);
        QFETCH(QStringList, replacement);
        QFETCH(QString, panel);
        QFETCH(EvalFailure, failure);

        TapeModel model(locale(QStringLiteral(".")));
        model.setText(sheetOf(rows));
        model.resultText(2); // the states kept before the edit
        model.replaceRows(first, removed, replacement);
        compare(model, panel, failure);

        // The same text set whole gives the same.
        TapeModel fresh(locale(QStringLiteral(".")));
        fresh.setText(model.text());
        compare(fresh, panel, failure);
    }

    void rowsFollowTheEdits_data()
    {
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("removed");
        QTest::addColumn<QStringList>("replacement");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("rowCount");

        QTest::newRow("trailing-break-is-an-empty-row") << "1+\r\n" << 1 << 1 << QStringList{"2"} << "1+\r\n2" << 2;
        QTest::newRow("empty-sheet-is-one-row") << "" << 0 << 1 << QStringList{"5"} << "5" << 1;
        QTest::newRow("row-with-break-is-split") << "1+\r\n2" << 1 << 1 << QStringList{"2+\r\n3"} << "1+\r\n2+\r\n3" << 3;
        QTest::newRow("rows-appended") << "1+" << 1 << 0 << QStringList{"2+", "3"} << "1+\r\n2+\r\n3" << 3;
        QTest::newRow("all-removed-leaves-one-row") << "1+\r\n2" << 0 << 2 << QStringList{} << "" << 1;
        QTest::newRow("last-rows-removed") << "1+\r\n2+\r\n3" << 1 << 2 << QStringList{} << "1+" << 1;
        QTest::newRow("first-rows-removed") << "1+\r\n2+\r\n3" << 0 << 2 << QStringList{} << "3" << 1;
        QTest::newRow("rows-put-before-first") << "3" << 0 << 0 << QStringList{"1+", "2+"} << "1+\r\n2+\r\n3" << 3;
        QTest::newRow("empty-row-appended") << "1+" << 1 << 0 << QStringList{""} << "1+\r\n" << 2;
        // Only CR LF parts rows: a lone LF or CR stays inside its row.
        QTest::newRow("lone-line-feed-in-row") << "1\n2+\r\n3" << 1 << 1 << QStringList{"4"} << "1\n2+\r\n4" << 2;
        QTest::newRow("lone-return-ends-row") << "1+\r\n2" << 0 << 1 << QStringList{"5\r"} << "5\r\r\n2" << 2;
    }

    void rowsFollowTheEdits()
    {
        QFETCH(QString, sheet);
        QFETCH(int, first);
        QFETCH(int, removed);
        QFETCH(QStringList, replacement);
        QFETCH(QString, text);
        QFETCH(int, rowCount);

        TapeModel model(locale(QStringLiteral(".")));
        model.setText(sheet);
        model.replaceRows(first, removed, replacement);
        QCOMPARE(model.text(), text);
        QCOMPARE(model.rowCount(), rowCount);
        QCOMPARE(model.rows(), text.split(QStringLiteral("\r\n")));
    }

    // Rows read whole by the fold (a number and the operator after it) beside rows that look like
    // them but are not plain: each against its value worked out by hand and the whole evaluation.
    void plainLookingRows_data()
    {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("decimal");
        QTest::addColumn<QString>("panel");
        QTest::addColumn<EvalFailure>("failure");
        const auto sum = [](const char *name, const QStringList &rows, const QString &decimal, const char *panel,
                            EvalFailure failure = EvalFailure::None) {
            QTest::newRow(name) << rows << decimal << QString::fromLatin1(panel) << failure;
        };

        const QString point = QStringLiteral(".");
        const QString comma = QStringLiteral(",");
        // 40 + 12.5 + 0.25 + 7.
        sum("amounts-added", ones(40) + QStringList{"12.5+", "0.25+", "7"}, point, "59.75");
        sum("amounts-added-comma", ones(40) + QStringList{"12,5+", "0,25+", "7"}, comma, "59,75");
        // Tighter operators wait for their right operand: 40 + 2 + 3 * 4 + 5, 40 + 9 / 4 + 1,
        // 40 + 2^3 + 1, 40 + 7 \ 2 + 1 (in one row: only - + * / carry on to the next), 40 + 3 - 4 + 1.
        sum("product-inside-sum", ones(40) + QStringList{"2+", "3*", "4+", "5"}, point, "59.00");
        sum("quotient-inside-sum", ones(40) + QStringList{"9/", "4+", "1"}, point, "43.25");
        sum("power-inside-sum", ones(40) + QStringList{"2^3+", "1"}, point, "49.00");
        sum("integer-quotient-inside-sum", ones(40) + QStringList{"7\\2+", "1"}, point, "44.00");
        sum("subtraction-row", ones(40) + QStringList{"3-", "4+", "1"}, point, "40.00");
        // A minus ending a row before a number: 40 + 12.5 - 2.25 - 0.5 + 1; 40 + 10 - 2 * 3 + 1;
        // 40 + 10 - (-2) + 1; a division by zero met when the minus settles it.
        sum("subtraction-rows-in-turn", ones(40) + QStringList{"12.5-", "2.25-", "0.5+", "1"}, point, "50.75");
        sum("subtraction-before-product", ones(40) + QStringList{"10-", "2*", "3+", "1"}, point, "45.00");
        sum("two-minus-signs", ones(40) + QStringList{"10-", "-2+", "1"}, point, "53.00");
        sum("division-by-zero-before-minus", ones(40) + QStringList{"1/0-", "5+", "1"},
            point, "", EvalFailure::DivisionByZero);
        // 40 + 5 * (-3) + 1: the minus before 3 is unary.
        sum("unary-minus-before-row", ones(40) + QStringList{"5*-", "3+", "1"}, point, "26.00");
        // 240 plus 10 % is 264, and 5 more.
        sum("percent-then-operator", ones(40) + QStringList{"200+", "10%+", "5"}, point, "269.00");
        // (40 + 2) > (1 + 1) is true (-1); 40 + (2 + 3) * 4.
        sum("comparison-in-row", ones(40) + QStringList{"2>1+", "1"}, point, "- 1.00");
        sum("group-in-row", ones(40) + QStringList{"(2+3)*", "4"}, point, "60.00");
        // 15 digits are read as written; 16 in front of the separator are too many.
        sum("fifteen-digits-with-decimals", ones(40) + QStringList{"1234567890.12345+", "1"}, point, "1,234,567,931.12");
        sum("sixteen-digits-with-decimals", ones(40) + QStringList{"1234567890.123456+", "1"}, point, "1,234,567,931.12");
        sum("sixteen-digits-whole", ones(40) + QStringList{"1234567890123456+", "1"}, point, "", EvalFailure::TooLarge);
        sum("seventy-digits", ones(40) + QStringList{QString(70, u'1') + "+", "1"}, point, "", EvalFailure::TooLarge);
        // Numbers that are no numbers.
        sum("two-separators", ones(40) + QStringList{"1.2.3+", "1"}, point, "", EvalFailure::Invalid);
        sum("separator-before-operator", ones(40) + QStringList{"5.+", "1"}, point, "", EvalFailure::Invalid);
        sum("leading-separator-refused", ones(40) + QStringList{".5+", "1"}, point, "", EvalFailure::Invalid);
        sum("point-where-comma-is-separator", ones(40) + QStringList{"1.5+", "1"}, comma, "", EvalFailure::Invalid);
        sum("exponent-inside-sum", ones(40) + QStringList{"1E+05+", "1"}, point, "", EvalFailure::Invalid);
    }

    void plainLookingRows()
    {
        QFETCH(QStringList, rows);
        QFETCH(QString, decimal);
        QFETCH(QString, panel);
        QFETCH(EvalFailure, failure);

        TapeModel model(locale(decimal));
        model.setText(sheetOf(rows));
        compare(model, panel, failure);
        // Read again from the first row after an edit there that changes nothing of the value.
        model.setRow(0, QStringLiteral("0+1+"));
        compare(model, panel, failure);
    }

    // Two edits before the result is read: the states kept below the first are not read from.
    void editsAboveAndBelowBeforeReading()
    {
        TapeModel model(locale(QStringLiteral(".")));
        model.setText(sheetOf(ones(600) + QStringList{"1"}));
        compare(model, QStringLiteral("601.00"), EvalFailure::None);
        model.setRow(5, QStringLiteral("3+"));
        model.setRow(300, QStringLiteral("2+"));
        compare(model, QStringLiteral("604.00"), EvalFailure::None);
    }

    void localeChangeReadsAgain()
    {
        // "1,5" is one and a half where "," is the separator and no number where "." is.
        TapeModel model(locale(QStringLiteral(",")));
        model.setText(sheetOf(ones(40) + QStringList{"1,5"}));
        compare(model, QStringLiteral("41,50"), EvalFailure::None);
        model.setLocale(locale(QStringLiteral(".")));
        compare(model, QString(), EvalFailure::Invalid);
        model.setLocale(locale(QStringLiteral(",")));
        model.setRow(40, QStringLiteral("2,25"));
        compare(model, QStringLiteral("42,25"), EvalFailure::None);
    }

    // The model told only the new text finds the rows that changed: its rows are the new text's, its
    // result the whole evaluation's, whatever the edit (at either end, across row breaks, everything).
    void followsTheText_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("panel");
        // Past two kept states (one every 256 rows).
        const QString tape = sheetOf(ones(600)) + QStringLiteral("\r\n1");
        QString typedAtEnd = tape;
        typedAtEnd.append(u'5');
        QString firstRow = tape;
        firstRow.replace(0, 1, QStringLiteral("21"));
        QString joined = tape;
        joined.remove(2, 2); // "1+1+" on the first row
        QString split = tape;
        split.insert(1, QStringLiteral("+\r\n2"));
        QTest::newRow("typed-at-end") << tape << typedAtEnd << "615.00";
        QTest::newRow("first-row") << tape << firstRow << "621.00";
        QTest::newRow("rows-joined") << tape << joined << "601.00";
        QTest::newRow("row-split") << tape << split << "603.00";
        QTest::newRow("middle-row-removed") << tape << QString(tape).remove(1200, 4) << "600.00";
        QTest::newRow("break-made-independent") << tape << QString(tape).remove(197, 1) << "";
        QTest::newRow("all-replaced") << tape << QStringLiteral("7*6") << "42.00";
        QTest::newRow("from-nothing") << QString() << QStringLiteral("2+\r\n3") << "5.00";
        QTest::newRow("to-nothing") << tape << QString() << "";
        QTest::newRow("trailing-break") << QStringLiteral("2+\r\n3") << QStringLiteral("2+\r\n3+\r\n") << "";
    }

    void followsTheText()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        // The model reads rows held elsewhere, told of each edit as the sheet's document tells it.
        SheetRows rows(before);
        TapeModel model(locale(QStringLiteral(".")));
        model.follow(&rows);
        model.resultText(2); // folded once before the edit
        const CommonEnds ends = CommonTextEnds(QStringView(before), QStringView(after));
        const qsizetype tail = std::min(ends.tail, after.size() - ends.head);
        model.rowsChanged(rows.replace(ends.head, before.size() - tail, QStringView(after).mid(ends.head, after.size() - tail - ends.head)));
        QCOMPARE(model.rows(), after.split(QStringLiteral("\r\n")));
        QTEST(model.resultText(2), "panel");
        TapeModel fresh(locale(QStringLiteral(".")));
        fresh.setText(after);
        QCOMPARE(model.resultText(2), fresh.resultText(2));
        compare(model, fresh.resultText(2), fresh.failure());
    }

    // Tens of thousands of open parentheses read to the same result, without a state per parenthesis.
    void deepParenthesesBounded()
    {
        const QString deep = QString(70000, u'(') + QStringLiteral("2") + QString(70000, u')');
        TapeModel model(locale(QStringLiteral(".")));
        model.setText(deep + QStringLiteral("*3+\r\n1"));
        compare(model, QStringLiteral("7.00"), EvalFailure::None);
        model.setText(QString(70000, u'('));
        compare(model, QString(), EvalFailure::UnbalancedParenthesis);
        FoldMachine machine(model.locale());
        machine.feed(QStringView(deep).left(60000));
        QVERIFY(!machine.stopped());
        machine.feed(QStringView(deep).mid(60000));
        QVERIFY(machine.unfoldable());
    }
};

QTEST_GUILESS_MAIN(TestTapeModel)
#include "tst_tapemodel.moc"
