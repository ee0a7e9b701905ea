// The expression evaluator: the language (precedence, percent, integer operators, comparisons),
// its failures, the 15-digit text round trip, and texts that must fail cleanly however odd. That
// generated texts give exactly what the reference implementation gives is checked by
// bench_differential (make bench).

#include "evaluator.h"
#include "evaluatoroperators.h"
#include "localescope.h"

#include <QRandomGenerator>
#include <QTest>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

Q_DECLARE_METATYPE(EvalFailure)

namespace {

// Qt Test compares doubles fuzzily, which would take 0.999999999999999 for 1; compare exactly.
QString exact(double d)
{
    return QString::number(d, 'g', 17);
}

// Rows of the evaluate table; "." and the leading-zero flag set unless given.
void value(const char *name, const QString &expression, double result, const char *decimal = ".",
           bool leadingZero = true)
{
    QTest::newRow(name) << expression << true << result << QString::fromLatin1(decimal) << leadingZero;
}

void failure(const char *name, const QString &expression, const char *decimal = ".", bool leadingZero = true)
{
    QTest::newRow(name) << expression << false << 0.0 << QString::fromLatin1(decimal) << leadingZero;
}

} // namespace

class TestEvaluator : public QObject
{
    Q_OBJECT

private slots:
    // Every value passes through its 15-significant-digit text: against the C library's own
    // "%.14e" and strtod, over running sums of amounts, their products with amounts, sums with
    // millionths, and over arbitrary doubles.
    void valuesThroughText()
    {
        QRandomGenerator random(15);
        double sum = 0;
        for (int i = 0; i < 200000; ++i) {
            double value = 0;
            if (i % 4 == 0) {
                sum += random.bounded(1000000) / 100.0 * (random.bounded(4) == 0 ? -1 : 1);
                value = sum;
            } else if (i % 4 == 1) {
                value = sum * (random.bounded(10000) / 100.0); // an amount times a factor
            } else if (i % 4 == 2) {
                value = sum + random.bounded(1000000) / 1e6; // and some millionths
            } else {
                const quint64 bits = random.generate64();
                std::memcpy(&value, &bits, sizeof value);
                if (!std::isfinite(value))
                    continue;
            }
            char text[64];
            std::snprintf(text, sizeof text, "%.14e", value);
            const bool threeDigitExponent = std::strlen(text) > (value < 0 ? 21u : 20u);
            double through = 0;
            const bool number = valueThroughText(value, through);
            QCOMPARE(number, value == 0 || !threeDigitExponent);
            if (number && value != 0)
                QCOMPARE(through, std::strtod(text, nullptr));
        }
    }

    // Values near a short decimal, which take the fast way, beside those that do not: the
    // value after its trip through the 15-digit text, worked out by hand.
    void valueNearDecimals_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("number");
        QTest::addColumn<double>("through");

        QTest::newRow("tenths-summed") << 0.1 + 0.2 << true << 0.3;
        QTest::newRow("negative-tenths-summed") << -0.1 - 0.2 << true << -0.3;
        QTest::newRow("amounts-multiplied") << 1.1 * 1.1 << true << 1.21;
        QTest::newRow("millionths-summed") << 0.1 + 0.000002 << true << 0.100002;
        QTest::newRow("fifteen-digits-of-hundredths") << 1234567890123.45 << true << 1234567890123.45;
        QTest::newRow("sixteen-digits-of-hundredths") << 12345678901234.56 << true << 12345678901234.6;
        QTest::newRow("seven-places") << 0.1234567 << true << 0.1234567;
        QTest::newRow("fourteen-places-near-one") << 1.00000000000001 << true << 1.00000000000001;
        QTest::newRow("sixteen-places-near-one") << 1.0000000000000002 << true << 1.0;
        QTest::newRow("third") << 1.0 / 3 << true << 0.333333333333333;
        QTest::newRow("negative-zero") << -0.0 << true << 0.0;
        QTest::newRow("too-small-for-two-exponent-digits") << 1e-300 << false << 0.0;
        QTest::newRow("too-large-for-two-exponent-digits") << 1e300 << false << 0.0;
    }

    void valueNearDecimals()
    {
        QFETCH(double, value);
        QFETCH(bool, number);
        QFETCH(double, through);
        double result = 0;
        QCOMPARE(valueThroughText(value, result), number);
        if (number) {
            QCOMPARE(exact(result), exact(through));
            QCOMPARE(std::signbit(result), std::signbit(through));
        }
    }

    void evaluate_data()
    {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("decimal");
        QTest::addColumn<bool>("leadingZero");

        // Blanks are trimmed from the ends only; "@" is the code marker and never input.
        value("blanks-around-trimmed", "  12  ", 12);
        failure("inner-space", "1 2");
        failure("empty", "");
        failure("code-marker-in-input", "1@632");

        // Runs of minus signs: pairs cancel, a subtraction is a "-" behind a digit or ")".
        value("three-minus-between", "5---3", 2);
        value("two-then-unary-minus", "2--3", 5);     // the scan resumes behind the inserted code
        value("zero-then-unary-minus", "10--3", 13);  // "2" is coded first, so "@62-" stays unary
        value("minus-group", "-(2+3)*2", -10);

        // Precedence and associativity; truth values are -1 and 0.
        value("power-left-assoc", "2^3^2", 64);
        value("divide-times-left-to-right", "8/2*4", 16);
        value("minus-binds-after-power", "-2^2", -4);
        value("power-of-negative-exponent", "2^-2", 0.25);
        value("unary-minus-before-times", "2*-3", -6);
        value("power-before-times-before-plus", "2+3*4^2", 50);
        value("intdiv-looser-than-times", "100\\7*2", 7);
        value("intdiv-before-mod", "10\\3MOD2", 1);
        value("mod-before-plus", "7+1MOD3", 8);
        value("compare-after-sum", "1+1=2", -1);
        value("compare-chain-left-to-right", "3>2>1", 0);
        value("not-different", "1<>1", 0);
        value("greater-or-equal", "3>=3", -1);

        // Percent: the operand moves behind the "%" and the operator in front takes it.
        value("percent-added", "100+5%", 105);
        value("percent-subtracted", "100-5%", 95);
        value("percent-of", "200*5%", 10);
        value("divided-by-percent", "200/5%", 4000);
        value("percent-of-group", "200*(1+2)%", 6);
        value("percent-chain", "100-5%-5%", 90.25);
        failure("percent-alone", "5%");
        failure("percent-then-digit", "5%3");
        failure("percent-then-separator", "100+5%.5");
        failure("percent-after-power", "2^5%");
        failure("percent-of-lone-group", "(5)%");
        failure("percent-by-zero", "5/0%");

        // Parentheses.
        value("two-groups", "((1+2)*(3+4))", 21);
        failure("implicit-product-before", "2(3)");
        failure("separator-after-group", "(2).5");
        failure("empty-group", "()");
        failure("crossed", ")(");

        // Integer division and MOD: operands rounded to 32 bits, halves to even.
        value("intdiv-truncates-toward-zero", "-7\\2", -3);
        value("intdiv-half-down-to-even", "2.5\\1", 2);
        value("mod-sign-of-left", "-7MOD3", -1);
        value("mod-half-to-even", "6.5MOD4", 2);
        value("intdiv-rounds-into-range", "-2147483648.5\\1", -2147483648.0);
        failure("intdiv-rounds-out-of-range", "2147483647.5\\1");
        failure("intdiv-right-over-range", "1\\2147483648");
        failure("intdiv-min-by-minus-one", "-2147483648\\-1");
        failure("mod-lower-case", "7mod3");
        failure("intdiv-by-zero-after-rounding", "5\\0.4");
        failure("mod-by-zero", "5MOD0");

        // Arithmetic failures and malformed texts.
        failure("divide-by-zero", "1/0");
        failure("zero-to-negative-power", "0^-1");
        failure("root-of-negative", "(0-8)^0.5");
        failure("overflow", "10^308*10");
        failure("two-codes-in-a-row", "2*+3");
        failure("leading-plus", "+5");
        failure("function-name", "ABS(2)");
        failure("exponent-letter-in-expression", "1E+05*2");

        // The 15-digit limits and the text round trip.
        value("plain-number-with-exponent", "1E+05", 100000);
        value("fifteen-digits-plus-one", "999999999999999+1", 1e15);
        value("exponent-form-passed-on", "999999999999999+1-1", 999999999999999.0);
        value("sixteenth-digit-lost", "10^15+1", 1e15);
        value("fifteen-significant-digits", "123456789012345+0.67", 123456789012346.0);
        value("third-times-three", "(1/3)*3", 0.999999999999999);
        value("tenths-sum-compared", "0.1+0.2=0.3", -1);
        value("two-digit-exponent", "10^99", 1e99);
        failure("sixteen-digits", "9999999999999999+1");
        failure("three-digit-exponent", "10^100");

        // The locale's separator and leading-zero flag.
        value("comma-operand", "1,5*2", 3, ",");
        failure("comma-locale-rejects-point", "1.5*2", ",");
        failure("point-locale-rejects-comma", "1,5*2");
        value("comma-percent-operand", "100+5,5%", 105.5, ",");
        failure("leading-comma-zero-required", ",5+1", ",");
        value("leading-comma-zero-optional", ",5+1", 1.5, ",", false);
        value("negative-leading-comma", "-,5", -0.5, ",", false);
        value("leading-point-zero-optional", ".5*2", 1, ".", false);

        // Very long texts: no recursion that could overflow the stack, nothing quadratic.
        constexpr int n = 100000;
        failure("unclosed-parens", QString(n, u'('));
        value("nested-groups", QString(n, u'(') + u'1' + QString(n, u')'), 1);
        value("nested-sums", QStringLiteral("1+(").repeated(n) + u'1' + QString(n, u')'), n + 1);
        value("long-sum", QStringLiteral("1+").repeated(n) + u'1', n + 1);
        value("odd-minus-run", QString(n + 1, u'-') + u'5', -5);
        value("percent-chain", u'1' + QStringLiteral("+0%").repeated(20000), 1);
    }
    void evaluate()
    {
        QFETCH(QString, expression);
        QFETCH(bool, ok);
        QFETCH(double, value);
        QFETCH(QString, decimal);
        QFETCH(bool, leadingZero);
        const LocaleValues locale = testLocale(decimal, QStringLiteral(" "), leadingZero);

        bool failed = false;
        const double result = EvaluateExpression(expression, locale, failed);
        QCOMPARE(failed, !ok);
        QCOMPARE(exact(result), exact(value));

        // A call made with the flag already set evaluates nothing and leaves the flag set.
        failed = true;
        QCOMPARE(EvaluateExpression(expression, locale, failed), 0.0);
        QVERIFY(failed);
    }

    // Why an expression has no value: the first failure the evaluation meets.
    void failureReason_data()
    {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<EvalFailure>("reason");
        const auto row = [](const char *name, const char *expression, EvalFailure reason) {
            QTest::newRow(name) << QString::fromLatin1(expression) << reason;
        };
        row("value-has-none", "2+3", EvalFailure::None);
        row("empty", "", EvalFailure::Empty);
        row("divide-by-zero", "10/0", EvalFailure::DivisionByZero);
        row("integer-divide-by-rounded-zero", "7\\0.4", EvalFailure::DivisionByZero);
        row("zero-to-negative-power", "0^-1", EvalFailure::DivisionByZero);
        row("unclosed", "(1+2", EvalFailure::UnbalancedParenthesis);
        row("closed-never-opened", "1+2)", EvalFailure::UnbalancedParenthesis);
        row("ends-in-operator", "12+", EvalFailure::Incomplete);
        row("ends-in-separator", "2+1.", EvalFailure::Incomplete);
        row("separator-inside-is-no-number", "1.+2", EvalFailure::Invalid);
        row("two-operators", "2*+3", EvalFailure::Invalid);
        row("value-with-three-digit-exponent", "10^100", EvalFailure::TooLarge);
        row("sixteen-digit-operand", "1234567890123456+1", EvalFailure::TooLarge);
        row("root-of-negative", "(-8)^0.5", EvalFailure::NoRealResult);
        row("too-close-to-zero", "0.1^100", EvalFailure::TooSmall);
    }
    void failureReason()
    {
        QFETCH(QString, expression);
        QFETCH(EvalFailure, reason);
        const LocaleValues locale = testLocale(QStringLiteral("."));
        bool failed = false;
        EvalFailure failure = EvalFailure::Incomplete; // every call sets it
        EvaluateExpression(expression, locale, failed, failure);
        QCOMPARE(failure, reason);
        QCOMPARE(failed, reason != EvalFailure::None);
    }

    // Amounts are read and summed on a short road where that gives exactly what reading the text
    // and writing the 15-digit text back give: the nearest double to the decimal written here.
    void amounts_data()
    {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QString>("decimal");
        QTest::addColumn<double>("value");
        const auto row = [](const char *name, const char *expression, double value, const char *decimal = ".") {
            QTest::newRow(name) << QString::fromLatin1(expression) << QString::fromLatin1(decimal) << value;
        };
        // Reading: up to 15 digits one division, past that the full reading.
        row("tenth", "0.1", 0.1);
        row("negative-hundredths", "-0.07", -0.07);
        row("fifteen-digits", "123456789012.345", 123456789012.345);
        row("sixteen-digits", "1234567890123.456", 1234567890123.456);
        row("leading-zeros-count", "0.000000000000001", 1e-15);
        row("seventeen-fraction-digits", "0.12345678901234567", 0.12345678901234567);
        row("comma-separator", "1234,56", 1234.56, ",");
        row("whole-with-separator-last-digit", "7.0", 7);
        // Writing back: a sum that lands next to a number of hundredths is rounded to it.
        row("tenths-sum", "0.1+0.2", 0.3);
        row("sum-just-below-hundredths", "0.3+0.6", 0.9);
        row("product-just-above-hundredths", "0.07*3", 0.21);
        row("hundredths-of-ten-digits", "1234567890.12+0.01", 1234567890.13);
        row("thousandths", "0.125+0.001", 0.126);
        row("comma-sum", "0,1+0,2", 0.3, ",");
    }
    void amounts()
    {
        QFETCH(QString, expression);
        QFETCH(QString, decimal);
        QFETCH(double, value);
        const LocaleValues locale = testLocale(decimal, QStringLiteral(" "), false);
        bool failed = false;
        QCOMPARE(exact(EvaluateExpression(expression, locale, failed)), exact(value));
        QVERIFY(!failed);
        EvalFailure failure = EvalFailure::Incomplete;
        QCOMPARE(exact(EvaluateAsciiExpression(expression.toStdString(), locale, failed, failure)), exact(value));
    }

    // A long sum is folded as its operators come: an operator no lower in level than the one
    // before it applies that one at once. The order must stay level by level, leftmost first, and
    // anything but a plain success must be found where, and as, the whole evaluation finds it.
    void foldedAsRead_data()
    {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<EvalFailure>("reason");
        QTest::addColumn<double>("value");
        const auto row = [](const char *name, const char *expression, EvalFailure reason, double value) {
            QTest::newRow(name) << QString::fromLatin1(expression) << reason << value;
        };
        // Order: a higher operator waits for a lower one after it; equal ones go left to right.
        row("sum-of-amounts", "0.10+0.20+0.30-0.05", EvalFailure::None, 0.55);
        row("product-inside-sum", "1+2*3-4", EvalFailure::None, 3);
        row("subtractions-left-to-right", "10-2-3", EvalFailure::None, 5);
        row("powers-left-to-right", "2^3^2", EvalFailure::None, 64);
        row("integer-division-waits-for-product", "8\\3*2", EvalFailure::None, 1);
        row("mod-waits-for-product", "20MOD3*2+1", EvalFailure::None, 3);
        row("minus-waits-for-power", "-2^2+1", EvalFailure::None, -3);
        row("minus-operand-of-product", "3*-2+1", EvalFailure::None, -5);
        row("percent-after-sum", "100+50+10%-1", EvalFailure::None, 164);
        row("comparison-last", "1+1=2*1", EvalFailure::None, -1);
        row("inside-group", "2*(1+2*3-4)-1", EvalFailure::None, 5);
        // Not a plain success: the whole evaluation decides.
        row("lower-level-failure-to-the-right-first", "1/0+2^9999", EvalFailure::TooLarge, 0);
        row("division-by-zero-folded", "1+1/0+2", EvalFailure::DivisionByZero, 0);
        row("right-operand-no-number", "1+2.+3", EvalFailure::Invalid, 0);
        row("left-operand-no-number", "1.+2+3", EvalFailure::Invalid, 0);
        row("value-with-three-digit-exponent", "10^99*10^99+1", EvalFailure::TooLarge, 0);
        row("minus-joins-the-literal-before-it", "1.-(-5)+1", EvalFailure::None, 2.5);
    }
    void foldedAsRead()
    {
        QFETCH(QString, expression);
        QFETCH(EvalFailure, reason);
        QFETCH(double, value);
        const LocaleValues locale = testLocale(QStringLiteral("."));
        bool failed = false;
        EvalFailure failure = EvalFailure::Incomplete;
        QCOMPARE(exact(EvaluateExpression(expression, locale, failed, failure)), exact(value));
        QCOMPARE(failure, reason);
        QCOMPARE(failed, reason != EvalFailure::None);
        // The sheet command's byte form gives the same.
        failed = false;
        failure = EvalFailure::Incomplete;
        QCOMPARE(exact(EvaluateAsciiExpression(expression.toStdString(), locale, failed, failure)), exact(value));
        QCOMPARE(failure, reason);
    }

    // The coded form without parentheses: "@" level index stands for an operator ("@32" is "*",
    // "@62" and "@63" are "-" and "+", "@11" is "^", "@20" the unary minus). A text without codes is
    // a number exactly when IsPlainNumber takes it. text is the value as ValueToText writes it back:
    // plain for decimal exponents -4 to 14, the exponent form outside.
    void evaluateFlat_data()
    {
        QTest::addColumn<QString>("flat");
        QTest::addColumn<QString>("decimal");
        QTest::addColumn<bool>("leadingZero");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");

        const auto row = [](const char *name, const char *flat, double value, const char *text,
                            const char *decimal = ".", bool leadingZero = true) {
            QTest::newRow(name) << flat << decimal << leadingZero << true << value << text;
        };
        const auto fails = [](const char *name, const char *flat, bool leadingZero = true) {
            QTest::newRow(name) << flat << "." << leadingZero << false << 0.0 << "0";
        };
        row("times", "2@323", 6, "6");
        row("minus-left-to-right", "8@622@622", 4, "4");
        row("power-before-plus", "2@633@112", 11, "11");
        row("unary-minus", "@203@633", 0, "0");
        row("comma-operands", "1,5@322", 3, "3", ",");
        fails("missing-operand", "2@32");
        row("negative", "-1.5", -1.5, "-1.5");
        fails("trailing-separator", "1.");
        fails("leading-separator-flag-set", ".5");
        row("leading-separator-flag-clear", ".5", 0.5, "0.5", ".", false);
        row("exponent", "2.5e-07", 2.5e-7, "2.5E-07");
        fails("exponent-one-digit", "1E+5");
        fails("sixteen-digits", "1000000000000000");
        row("fraction-digits-unlimited", "999999999999999.123456789", 999999999999999.123456789, "999999999999999");
        row("smallest-plain", "0.0001", 0.0001, "0.0001");
        row("largest-exponent-small", "0.00001", 0.00001, "1E-05");
        row("display-limit", "1E+15", 1e15, "1E+15");
        row("rounds-up-to-next-exponent", "999999999999999.9", 999999999999999.9, "1E+15");
        row("comma-negative-exponent", "-1,5E-06", -1.5e-6, "-1,5E-06", ",");
    }
    void evaluateFlat()
    {
        QFETCH(QString, flat);
        QFETCH(QString, decimal);
        QFETCH(bool, leadingZero);
        QFETCH(bool, ok);
        QFETCH(double, value);
        const LocaleValues locale = testLocale(decimal, QStringLiteral(" "), leadingZero);
        if (!flat.contains(u'@'))
            QCOMPARE(IsPlainNumber(flat, locale), ok);
        bool failed = false;
        QCOMPARE(exact(EvaluateFlat(flat, QStringLiteral("@90"), locale, failed)), exact(value));
        QCOMPARE(failed, !ok);
        QTEST(ValueToText(value, locale), "text");
        failed = true;
        QCOMPARE(EvaluateFlat(flat, QStringLiteral("@90"), locale, failed), 0.0);
        QVERIFY(failed);
    }
};

QTEST_GUILESS_MAIN(TestEvaluator)
#include "tst_evaluator.moc"
