// The expression evaluator: the language (precedence, percent, integer operators, comparisons),
// its failures, the 15-digit text round trip, and texts that must fail cleanly however odd.

#include "evaluator.h"
#include "localescope.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTest>

#include <cmath>
#include <functional>

namespace {

// Qt Test compares doubles fuzzily, which would take 0.999999999999999 for 1; compare exactly.
QString exact(double d)
{
    return QString::number(d, 'g', 17);
}

void value(const char *name, const QString &expression, double result)
{
    QTest::newRow(name) << expression << true << result;
}

void failure(const char *name, const QString &expression)
{
    QTest::newRow(name) << expression << false << 0.0;
}

} // namespace

class TestEvaluator : public QObject
{
    Q_OBJECT

private slots:
    void evaluate_data();
    void evaluate();
    void separators_data();
    void separators();
    void isPlainNumber_data();
    void isPlainNumber();
    void evaluateFlat_data();
    void evaluateFlat();
    void valueToText_data();
    void valueToText();
    void failureFlagIsNeverCleared();
    void randomExpressionsMatchArithmetic();
    void randomTextsFailOrGiveFiniteValues();
    void hugeTextsFinish_data();
    void hugeTextsFinish();
};

void TestEvaluator::evaluate_data()
{
    QTest::addColumn<QString>("expression");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("value");

    // Blanks are trimmed from the ends only; "@" is the code marker and never input.
    value("blanks-around-trimmed", "  12  ", 12);
    failure("inner-space", "1 2");
    failure("spaces-around-operator", "7 MOD 3");
    failure("empty", "");
    failure("only-blanks", "   ");
    failure("code-marker-in-input", "1@632");

    // Runs of minus signs: pairs cancel, a subtraction is a "-" behind a digit or ")".
    value("double-minus", "--5", 5);
    value("triple-minus", "---5", -5);
    value("minus-minus-between", "5--3", 8);
    value("three-minus-between", "5---3", 2);
    value("four-minus-between", "5----3", 8);
    value("two-then-unary-minus", "2--3", 5);     // the scan resumes behind the inserted code
    value("zero-then-unary-minus", "10--3", 13);  // "2" is coded first, so "@62-" stays unary
    value("paren-then-unary-minus", "(1)--3", 4);
    value("minus-group", "-(2+3)*2", -10);
    value("minus-of-negative-group", "2-(0-3)", 5);

    // Precedence and associativity.
    value("power-left-assoc", "2^3^2", 64);
    value("divide-times-left-to-right", "8/2*4", 16);
    value("subtract-left-to-right", "10-2-3", 5);
    value("minus-binds-after-power", "-2^2", -4);
    value("power-of-negative-exponent", "2^-2", 0.25);
    value("negated-negative-power", "-2^-2", -0.25);
    value("unary-minus-before-times", "2*-3", -6);
    value("negative-times-negative", "-2*-3", 6);
    value("times-before-plus", "1+2*3", 7);
    value("power-before-times", "2+3*4^2", 50);
    value("group-first", "(2+3)*4", 20);
    value("group-as-exponent", "2^(1+1)", 4);
    value("intdiv-looser-than-times", "100\\7*2", 7);
    value("intdiv-before-mod", "10\\3MOD2", 1);
    value("mod-before-plus", "7+1MOD3", 8);
    value("compare-after-sum", "1+1=2", -1);
    value("compare-after-difference", "1-2<0", -1);
    value("compare-chain-left-to-right", "3>2>1", 0);
    value("truth-value-compared", "3=3=-1", -1);

    // Comparisons: two-character spellings are coded before "<", ">" and "=".
    value("less", "1<2", -1);
    value("not-less", "2<1", 0);
    value("greater", "2>1", -1);
    value("not-different", "1<>1", 0);
    value("different", "1<>2", -1);
    value("greater-or-equal", "3>=3", -1);
    value("less-or-equal", "4<=3", 0);

    // Percent: the operand moves behind the "%" and the operator in front takes it.
    value("percent-added", "100+5%", 105);
    value("percent-subtracted", "100-5%", 95);
    value("percent-of", "200*5%", 10);
    value("divided-by-percent", "200/5%", 4000);
    value("percent-of-group", "200*(1+2)%", 6);
    value("percent-of-nested-group", "100+((2+3))%", 105);
    value("percent-decimal-operand", "50+10.5%", 55.25);
    value("percent-inside-group", "(100+5%)*2", 210);
    value("percent-then-plus", "100*5%+1", 6);
    value("percent-chain", "100-5%-5%", 90.25);
    failure("percent-alone", "5%");
    failure("percent-then-digit", "5%3");
    failure("percent-then-separator", "100+5%.5");
    failure("percent-after-power", "2^5%");
    failure("percent-of-lone-group", "(5)%");
    failure("percent-first", "%5");
    failure("percent-twice", "100+5%%");
    failure("percent-after-unary-minus", "-5%");
    failure("percent-by-zero", "5/0%");

    // Parentheses.
    value("double-parens", "((2))", 2);
    value("deep-parens", "(((((1)))))", 1);
    value("two-groups", "((1+2)*(3+4))", 21);
    failure("implicit-product-before", "2(3)");
    failure("implicit-product-after", "(2)3");
    failure("adjacent-groups", "(2)(3)");
    failure("separator-after-group", "(2).5");
    failure("empty-group", "()");
    failure("crossed", ")(");
    failure("crossed-later", "(1))+((2)");
    failure("unclosed", "2*(3");
    failure("unopened", "2)");

    // Integer division and MOD: operands rounded to 32 bits, halves to even.
    value("intdiv", "7\\2", 3);
    value("intdiv-truncates-toward-zero", "-7\\2", -3);
    value("intdiv-half-down-to-even", "2.5\\1", 2);
    value("intdiv-half-up-to-even", "3.5\\1", 4);
    value("intdiv-negative-half-to-even", "-2.5\\1", -2);
    value("mod", "7MOD3", 1);
    value("mod-sign-of-left", "-7MOD3", -1);
    value("mod-negative-right", "7MOD-3", 1);
    value("mod-half-to-even", "6.5MOD4", 2);
    value("intdiv-int32-max", "2147483647\\1", 2147483647);
    value("intdiv-int32-min", "-2147483648\\1", -2147483648.0);
    value("intdiv-rounds-into-range", "-2147483648.5\\1", -2147483648.0);
    failure("intdiv-rounds-out-of-range", "2147483647.5\\1");
    failure("intdiv-left-over-range", "2147483648\\1");
    failure("intdiv-right-over-range", "1\\2147483648");
    failure("intdiv-min-by-minus-one", "-2147483648\\-1");
    failure("mod-min-by-minus-one", "-2147483648MOD-1");
    failure("mod-lower-case", "7mod3");
    failure("intdiv-by-zero", "5\\0");
    failure("intdiv-by-zero-after-rounding", "5\\0.4");
    failure("mod-by-zero", "5MOD0");

    // Arithmetic failures and malformed texts.
    failure("divide-by-zero", "1/0");
    failure("zero-by-zero", "0/0");
    failure("zero-to-negative-power", "0^-1");
    failure("root-of-negative", "(0-8)^0.5");
    failure("overflow", "10^308*10");
    failure("two-codes-in-a-row", "2*+3");
    failure("leading-plus", "+5");
    failure("trailing-operator", "5-");
    failure("function-name", "ABS(2)");
    failure("exponent-letter-in-expression", "1E+05*2");
    failure("two-separators", "1.5.2+1");
    failure("foreign-separator", "1,5+1");

    // The 15-digit limits and the text round trip.
    value("plain-number-with-exponent", "1E+05", 100000);
    value("fifteen-digits", "999999999999999", 999999999999999.0);
    value("fifteen-digits-and-fraction", "999999999999999.5", 999999999999999.5);
    value("fifteen-digits-plus-one", "999999999999999+1", 1e15);
    value("exponent-form-passed-on", "999999999999999+1-1", 999999999999999.0);
    value("sixteenth-digit-lost", "10^15+1", 1e15);
    value("fifteen-significant-digits", "123456789012345+0.67", 123456789012346.0);
    value("third-times-three-grouped", "(1/3)*3", 0.999999999999999);
    value("third-times-three", "1/3*3", 0.999999999999999);
    value("two-thirds-rounded", "2/3", 0.666666666666667);
    value("tenths-sum-compared", "0.1+0.2=0.3", -1);
    value("small-value-passed-on", "1/100000*100000", 1);
    value("two-digit-exponent", "10^99", 1e99);
    failure("sixteen-digits", "9999999999999999+1");
    failure("sixteen-digits-alone", "1234567890123456");
    failure("three-digit-exponent", "10^100");
    failure("three-digit-negative-exponent", "0.1^100");
}

void TestEvaluator::evaluate()
{
    QFETCH(QString, expression);
    QFETCH(bool, ok);
    QFETCH(double, value);
    const LocaleScope locale(".", ",", true);

    bool failed = false;
    const double result = EvaluateExpression(expression, failed);
    QCOMPARE(failed, !ok);
    QCOMPARE(exact(result), exact(value));
}

void TestEvaluator::separators_data()
{
    QTest::addColumn<QString>("decimal");
    QTest::addColumn<bool>("leadingZero");
    QTest::addColumn<QString>("expression");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("value");

    QTest::newRow("comma-operand") << "," << true << "1,5*2" << true << 3.0;
    QTest::newRow("comma-locale-rejects-point") << "," << true << "1.5*2" << false << 0.0;
    QTest::newRow("comma-intermediate-values") << "," << true << "1/4*2" << true << 0.5;
    QTest::newRow("comma-percent-operand") << "," << true << "100+5,5%" << true << 105.5;
    QTest::newRow("comma-after-percent") << "," << true << "100+5%,5" << false << 0.0;
    QTest::newRow("comma-after-group") << "," << true << "(2),5" << false << 0.0;
    QTest::newRow("leading-comma-zero-required") << "," << true << ",5+1" << false << 0.0;
    QTest::newRow("leading-comma-zero-optional") << "," << false << ",5+1" << true << 1.5;
    QTest::newRow("negative-leading-comma") << "," << false << "-,5" << true << -0.5;
    QTest::newRow("negative-leading-comma-rejected") << "," << true << "-,5" << false << 0.0;
    QTest::newRow("leading-point-zero-optional") << "." << false << ".5*2" << true << 1.0;
    QTest::newRow("trailing-comma") << "," << false << "5,+1" << false << 0.0;
}

void TestEvaluator::separators()
{
    QFETCH(QString, decimal);
    QFETCH(bool, leadingZero);
    QFETCH(QString, expression);
    QFETCH(bool, ok);
    QFETCH(double, value);
    const LocaleScope locale(decimal, QStringLiteral(" "), leadingZero);

    bool failed = false;
    const double result = EvaluateExpression(expression, failed);
    QCOMPARE(failed, !ok);
    QCOMPARE(exact(result), exact(value));
}

void TestEvaluator::isPlainNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("leadingZero");
    QTest::addColumn<bool>("number");

    QTest::newRow("digits") << "123" << true << true;
    QTest::newRow("negative") << "-123" << true << true;
    QTest::newRow("fraction") << "1.5" << true << true;
    QTest::newRow("empty") << "" << true << false;
    QTest::newRow("minus-alone") << "-" << true << false;
    QTest::newRow("double-minus") << "--5" << true << false;
    QTest::newRow("plus-sign") << "+5" << true << false;
    QTest::newRow("trailing-separator") << "1." << true << false;
    QTest::newRow("two-separators") << "1.2.3" << true << false;
    QTest::newRow("foreign-separator") << "1,5" << true << false;
    QTest::newRow("letter") << "1a" << true << false;
    QTest::newRow("blank") << " 1" << true << false;
    QTest::newRow("leading-separator-flag-set") << ".5" << true << false;
    QTest::newRow("leading-separator-flag-clear") << ".5" << false << true;
    QTest::newRow("negative-leading-separator") << "-.5" << false << true;
    QTest::newRow("exponent") << "1E+05" << true << true;
    QTest::newRow("exponent-lower-case") << "2.5e-07" << true << true;
    QTest::newRow("exponent-one-digit") << "1E+5" << true << false;
    QTest::newRow("exponent-three-digits") << "1E+100" << true << false;
    QTest::newRow("exponent-without-sign") << "1E05" << true << false;
    QTest::newRow("exponent-without-mantissa") << "E+05" << true << false;
    QTest::newRow("separator-before-exponent") << "1.E+05" << true << false;
    QTest::newRow("fifteen-digits") << "999999999999999" << true << true;
    QTest::newRow("sixteen-digits") << "1000000000000000" << true << false;
    QTest::newRow("sixteen-digits-then-fraction") << "1000000000000000.5" << true << false;
    QTest::newRow("fifteen-digits-long-fraction") << "999999999999999.123456789" << true << true;
    QTest::newRow("sign-not-counted") << "-999999999999999" << true << true;
}

void TestEvaluator::isPlainNumber()
{
    QFETCH(QString, text);
    QFETCH(bool, leadingZero);
    QFETCH(bool, number);
    const LocaleScope locale(".", ",", leadingZero);
    QCOMPARE(IsPlainNumber(text), number);
}

void TestEvaluator::evaluateFlat_data()
{
    QTest::addColumn<QString>("flat");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("value");

    value("single-number", "5", 5);
    value("one-product", "2@323", 6);
    value("tightest-level-first", "1@632@323", 7);
    value("power-left-to-right", "2@113@112", 64);
    value("unary-minus", "@205", -5);
    value("unary-minus-right-of-product", "2@32@203", -6);
    value("exponent-operand", "1E+15@631", 1e15);
    failure("empty", "");
    failure("empty-operand", "2@32@633");
    failure("missing-left-operand", "@323");
    failure("level-without-rule", "1@002");
    failure("sentinel-inside", "1@902");
    failure("three-digit-exponent-operand", "1E+100@631");
    failure("malformed-operand", "1.2.3@631");
}

void TestEvaluator::evaluateFlat()
{
    QFETCH(QString, flat);
    QFETCH(bool, ok);
    QFETCH(double, value);
    const LocaleScope locale(".", ",", true);

    bool failed = false;
    const double result = EvaluateFlat(flat, QStringLiteral("@90"), failed);
    QCOMPARE(failed, !ok);
    QCOMPARE(exact(result), exact(value));
}

void TestEvaluator::valueToText_data()
{
    QTest::addColumn<double>("number");
    QTest::addColumn<QString>("decimal");
    QTest::addColumn<QString>("text");

    // Plain for decimal exponents -4 to 14, the exponent form outside.
    QTest::newRow("zero") << 0.0 << "." << "0";
    QTest::newRow("negative-fraction") << -2.5 << "." << "-2.5";
    QTest::newRow("smallest-plain") << 0.0001 << "." << "0.0001";
    QTest::newRow("largest-exponent-small") << 0.00001 << "." << "1E-05";
    QTest::newRow("small-with-fraction") << 1.5e-6 << "." << "1.5E-06";
    QTest::newRow("largest-plain") << 999999999999999.0 << "." << "999999999999999";
    QTest::newRow("fifteen-digit-power") << 1e14 << "." << "100000000000000";
    QTest::newRow("display-limit") << 1e15 << "." << "1E+15";
    QTest::newRow("sixteen-digits-rounded") << 1234567890123456.0 << "." << "1.23456789012346E+15";
    QTest::newRow("rounds-up-to-next-exponent") << 999999999999999.9 << "." << "1E+15";
    QTest::newRow("fifteen-significant") << 2.0 / 3.0 << "." << "0.666666666666667";
    QTest::newRow("three-digit-exponent") << 1e100 << "." << "1E+100";
    QTest::newRow("three-digit-negative-exponent") << 1e-100 << "." << "1E-100";
    QTest::newRow("comma-fraction") << 1.5 << "," << "1,5";
    QTest::newRow("comma-exponent") << -1.5e-6 << "," << "-1,5E-06";
}

void TestEvaluator::valueToText()
{
    QFETCH(double, number);
    QFETCH(QString, decimal);
    QFETCH(QString, text);
    const LocaleScope locale(decimal, QStringLiteral(" "), true);
    QCOMPARE(ValueToText(number), text);
}

void TestEvaluator::failureFlagIsNeverCleared()
{
    const LocaleScope locale(".", ",", true);
    bool failed = true;
    QCOMPARE(EvaluateExpression(QStringLiteral("1+1"), failed), 0.0);
    QVERIFY(failed);
    QCOMPARE(EvaluateFlat(QStringLiteral("2@323"), QStringLiteral("@90"), failed), 0.0);
    QVERIFY(failed);

    failed = false;
    QCOMPARE(EvaluateExpression(QStringLiteral("1+1"), failed), 2.0);
    QVERIFY(!failed);
}

// Random sums, differences and products of small integers, with groups and negative numbers,
// against ordinary integer arithmetic. Every value stays far below 10^15, so no digit is lost.
void TestEvaluator::randomExpressionsMatchArithmetic()
{
    const LocaleScope locale(".", ",", true);
    QRandomGenerator rng(20240601);

    struct Term {
        QString text;
        qint64 value;
        int level; // 0 a number or group, 3 a product, 6 a sum or difference
    };
    std::function<Term(int)> build = [&](int depth) -> Term {
        if (depth == 0 || rng.bounded(4) == 0) {
            const qint64 n = rng.bounded(21);
            if (rng.bounded(3) == 0)
                return {QStringLiteral("-%1").arg(n), -n, 2};
            return {QString::number(n), n, 0};
        }
        Term l = build(depth - 1);
        Term r = build(depth - 1);
        const int op = rng.bounded(3);
        const int level = op == 2 ? 3 : 6;
        // A side needs parentheses when it binds looser, the right side also when it binds
        // equally; a negative number never does. Others get them at random.
        auto wrap = [&](Term &t, bool right) {
            const bool needed = t.level > level || (right && t.level == level);
            if (needed || (t.level != 0 && rng.bounded(3) == 0))
                t.text = u'(' + t.text + u')';
        };
        wrap(l, false);
        wrap(r, true);
        const QString sign = op == 0 ? QStringLiteral("+") : op == 1 ? QStringLiteral("-") : QStringLiteral("*");
        const qint64 v = op == 0 ? l.value + r.value : op == 1 ? l.value - r.value : l.value * r.value;
        return {l.text + sign + r.text, v, level};
    };

    for (int i = 0; i < 3000; ++i) {
        const Term t = build(3);
        bool failed = false;
        const double result = EvaluateExpression(t.text, failed);
        QVERIFY2(!failed, qPrintable(t.text));
        QVERIFY2(result == static_cast<double>(t.value),
                 qPrintable(t.text + " gave " + exact(result) + ", expected " + QString::number(t.value)));
    }
}

// Whatever the text, the evaluator either fails (and returns 0) or returns a finite value.
void TestEvaluator::randomTextsFailOrGiveFiniteValues()
{
    static const QString alphabet = QStringLiteral("0123456789%+-()*/\\^<>=.,0123456789+-()MODE @\t");
    QRandomGenerator rng(7041);
    QElapsedTimer timer;
    timer.start();
    int values = 0;
    for (const bool commaLocale : {false, true}) {
        const LocaleScope locale(commaLocale ? QStringLiteral(",") : QStringLiteral("."),
                                 QStringLiteral(" "), !commaLocale);
        for (int i = 0; i < 20000; ++i) {
            QString text;
            const int length = rng.bounded(1, 40);
            for (int k = 0; k < length; ++k)
                text += alphabet.at(rng.bounded(alphabet.size()));
            bool failed = false;
            const double result = EvaluateExpression(text, failed);
            if (failed)
                QVERIFY2(result == 0.0, qPrintable(text));
            else
                QVERIFY2(std::isfinite(result), qPrintable(text));
            values += failed ? 0 : 1;
        }
    }
    QVERIFY(values > 0); // the alphabet does produce valid expressions, so both paths ran
    QVERIFY2(timer.elapsed() < 60000, "40,000 short texts took over a minute");
}

void TestEvaluator::hugeTextsFinish_data()
{
    QTest::addColumn<QString>("expression");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("value");

    constexpr int n = 100000;
    failure("unclosed-parens", QString(n, u'('));
    failure("unopened-parens", QString(n, u')'));
    failure("empty-nested-groups", QString(n, u'(') + QString(n, u')'));
    value("nested-groups", QString(n, u'(') + u'1' + QString(n, u')'), 1);
    value("nested-sums", QStringLiteral("1+(").repeated(n) + u'1' + QString(n, u')'), n + 1);
    value("long-sum", QStringLiteral("1+").repeated(n) + u'1', n + 1);
    value("even-minus-run", QString(n, u'-') + u'5', 5);
    value("odd-minus-run", QString(n + 1, u'-') + u'5', -5);
    value("percent-chain", u'1' + QStringLiteral("+0%").repeated(20000), 1);
    failure("operators-only", QStringLiteral("+-*/").repeated(n / 4));
}

// Very long texts are handled without deep recursion and in reasonable time.
void TestEvaluator::hugeTextsFinish()
{
    QFETCH(QString, expression);
    QFETCH(bool, ok);
    QFETCH(double, value);
    const LocaleScope locale(".", ",", true);

    QElapsedTimer timer;
    timer.start();
    bool failed = false;
    const double result = EvaluateExpression(expression, failed);
    QCOMPARE(failed, !ok);
    QCOMPARE(exact(result), exact(value));
    QVERIFY2(timer.elapsed() < 30000, "a 100,000-character text took over 30 s");
}

QTEST_GUILESS_MAIN(TestEvaluator)
#include "tst_evaluator.moc"
