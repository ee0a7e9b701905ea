// The running subtotals of a tape: worked examples against their hand-computed values, and every
// row against the whole evaluation of its prefix (the definition the one-pass fold follows). The
// differential benchmark (bench_differential tapes) does the same on generated tapes.

#include "localescope.h"
#include <localevalues.h>
#include <numberformat.h>
#include <foldmachine.h>
#include <tapefold.h>

#include <QtTest>

namespace {

LocaleValues locale(const QString &decimal)
{
    return testLocale(decimal, decimal == QLatin1String(",") ? QStringLiteral(".") : QStringLiteral(","));
}

} // namespace

class TestTapeFold : public QObject
{
    Q_OBJECT

private slots:
    void subtotals_data()
    {
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<QString>("decimal");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QStringList>("subtotals"); // one per row, "" where the row has none
        QTest::addColumn<QString>("result");

        QTest::newRow("adding-machine-column") << "1250+\r\n340+\r\n17.5" << "." << 2
                                               << QStringList{"1,250.00", "1,590.00", "1,607.50"} << "1,607.50";
        // The "*" is left out of the first subtotal; the second row multiplies 3.5 only.
        QTest::newRow("precedence-across-rows") << "2+3.5*\r\n4" << "." << 2 << QStringList{"5.50", "16.00"} << "16.00";
        QTest::newRow("group-opened-above-closed-below") << "(2+\r\n3)*\r\n4" << "." << 2
                                                         << QStringList{"", "5.00", "20.00"} << "20.00";
        // 200 plus 10 % is 220; 5 % off that is 209.
        QTest::newRow("percent-rows") << "200+\r\n10%-\r\n5%" << "." << 2 << QStringList{"200.00", "220.00", "209.00"}
                                      << "209.00";
        QTest::newRow("comparison-row-is-true") << "1+\r\n1=2" << "." << 2 << QStringList{"1.00", "- 1.00"} << "- 1.00";
        QTest::newRow("minus-row-after-minus") << "10-\r\n-3" << "." << 2 << QStringList{"10.00", "13.00"} << "13.00";
        // Unary minus binds looser than "^": -(2^2) * 3.
        QTest::newRow("power-before-unary-minus") << "-2^2*\r\n3" << "." << 2 << QStringList{"- 4.00", "- 12.00"}
                                                  << "- 12.00";
        QTest::newRow("independent-rows-show-nothing") << "1+1\r\n3" << "." << 2 << QStringList{"2.00", ""} << "";
        QTest::newRow("division-by-zero-stays-empty") << "5/\r\n0+\r\n1" << "." << 2 << QStringList{"5.00", "", ""} << "";
        // The panel shows nothing for "7+"; the tape shows 7 beside the row.
        QTest::newRow("trailing-operator-not-in-result") << "7+" << "." << 2 << QStringList{"7.00"} << "";
        QTest::newRow("empty-row-after-operator") << "2+\r\n\r\n3" << "." << 2 << QStringList{"2.00", "", "5.00"} << "5.00";
        QTest::newRow("letters-evaluated-whole") << "7MOD3+\r\n1" << "." << 2 << QStringList{"1.00", "2.00"} << "2.00";
        // 1 + 1/3 goes through 15 digits before the 1 is taken off again.
        QTest::newRow("fifteen-digits-across-rows") << "1+1/3-\r\n1" << "." << 9
                                                    << QStringList{"1.333333333", "0.333333333"} << "0.333333333";
        QTest::newRow("comma-decimal") << "1234,5+\r\n1" << "," << 2 << QStringList{"1.234,50", "1.235,50"} << "1.235,50";
        QTest::newRow("halves-round-up-at-zero-decimals") << "0.5+\r\n1" << "." << 0 << QStringList{"1", "2"} << "2";
        QTest::newRow("empty-sheet-has-no-rows") << "" << "." << 2 << QStringList{} << "";
    }

    void subtotals()
    {
        QFETCH(QString, sheet);
        QFETCH(QString, decimal);
        QFETCH(int, decimals);
        QFETCH(QStringList, subtotals);
        QFETCH(QString, result);
        const LocaleValues loc = locale(decimal);

        const TapeFold fold = FoldTape(sheet, decimals, loc);
        QStringList texts;
        QStringList rows;
        for (const TapeRow &row : fold.rows) {
            texts << row.subtotalText;
            rows << row.text;
        }
        QCOMPARE(texts, subtotals);
        QCOMPARE(rows, sheet.isEmpty() ? QStringList() : sheet.split(QStringLiteral("\r\n")));
        QCOMPARE(fold.resultText, result);

        // Each row as the whole evaluation of its prefix gives it.
        qsizetype end = 0;
        for (const TapeRow &row : fold.rows) {
            end += row.text.size();
            const std::optional<double> whole = PrefixSubtotal(sheet.left(end), loc);
            QCOMPARE(row.subtotal.has_value(), whole.has_value());
            if (whole)
                QVERIFY(*row.subtotal == *whole); // to the last bit
            end += 2;
        }
    }

    // Every intermediate value goes through 15 significant digits, as in the result panel.
    void subtotalsKeepFifteenDigits()
    {
        const TapeFold fold = FoldTape(QStringLiteral("1/3*\r\n3"), 9, locale(QStringLiteral(".")));
        QCOMPARE(fold.rows.size(), 2);
        QCOMPARE(*fold.rows.at(0).subtotal, 0.333333333333333);
        QCOMPARE(*fold.rows.at(1).subtotal, 0.999999999999999);
        QCOMPARE(fold.rows.at(0).subtotalText, QStringLiteral("0.333333333"));
    }

    // A row read whole (a running sum's rows take a short way) leaves the fold as its characters
    // read one by one do: the same value or failure after every row of random tapes that mix sum
    // rows with rows that read their operators differently.
    void rowsReadWholeAsCharacters()
    {
        const QStringList pieces{"123.45+", "7-", "0.5+", ".5-", "12.-", "1234567890123456+", "99999999999999.9-",
                                 "5*", "(3+", "2)+", "10%+", "-4+", "--3+", "3>=", "2^", "1,5+", "8", "+", "1.2.3-"};
        QRandomGenerator random(29);
        for (const bool comma : {false, true}) {
            const LocaleValues loc = testLocale(comma ? QStringLiteral(",") : QStringLiteral("."), QStringLiteral(" "), !comma);
            for (int tape = 0; tape < 3000; ++tape) {
                FoldMachine rows(loc);
                FoldMachine characters(loc);
                QString text;
                for (int row = int(random.bounded(12)); row >= 0; --row) {
                    QString piece = pieces.at(int(random.bounded(pieces.size())));
                    if (comma)
                        piece.replace(u'.', u',');
                    rows.feed(QStringView(piece));
                    for (const QChar c : piece)
                        characters.feed(c.unicode());
                    text += piece;
                    double a = 0, b = 0;
                    EvalFailure whyA = EvalFailure::None, whyB = EvalFailure::None;
                    QCOMPARE(rows.outcome(a, whyA), characters.outcome(b, whyB));
                    QCOMPARE(whyA, whyB);
                    QVERIFY(a == b);
                    QCOMPARE(rows.collapse(text), characters.collapse(text));
                    QCOMPARE(rows.stopped(), characters.stopped());
                }
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestTapeFold)
#include "tst_tapefold.moc"
