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

// Rows of the evaluate table: a value, a failure whatever its reason, or a failure for a reason
// (EvalFailure::None with a value); "." and the leading-zero flag set unless given.
constexpr int kAnyReason = -1;
void row(const char *name, const QString &expression, int reason, double result, const char *decimal, bool leadingZero)
{
    QTest::newRow(name) << expression << QString::fromLatin1(decimal) << leadingZero << reason << result;
}
void value(const char *name, const QString &expression, double result, const char *decimal = ".",
           bool leadingZero = true)
{
    row(name, expression, int(EvalFailure::None), result, decimal, leadingZero);
}
void failure(const char *name, const QString &expression, const char *decimal = ".", bool leadingZero = true)
{
    row(name, expression, kAnyReason, 0, decimal, leadingZero);
}
void reason(const char *name, const char *expression, EvalFailure why, double result = 0)
{
    row(name, QString::fromLatin1(expression), int(why), result, ".", true);
}

} // namespace

class TestEvaluator : public QObject
{
    Q_OBJECT

private slots:
    // Every value passes through its 15-significant-digit text: against the C library's own
    // "%.14e" and strtod, over running sums of amounts, their products with amounts, sums with
    // millionths, values a few ulps off a decimal, and over arbitrary doubles.
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
            } else if (i % 8 == 7) {
                // A few ulps off a decimal of hundredths of any size up to 10^13, where the fast
                // way's bound lies.
                const quint64 hundredths = random.generate64() % quint64(std::pow(10.0, 3 + random.bounded(13)));
                value = double(hundredths) / 100.0;
                for (int steps = int(random.bounded(13)) - 6; steps != 0; steps += steps > 0 ? -1 : 1)
                    value = std::nextafter(value, steps > 0 ? HUGE_VAL : -HUGE_VAL);
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
            // Bit for bit: QCOMPARE would compare doubles only to 12 digits.
            if (number && value != 0)
                QCOMPARE(QString::number(through, 'g', 17), QString::number(std::strtod(text, nullptr), 'g', 17));
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
        QTest::newRow("amounts-multiplied") << 1.1 * 1.1 << true << 1.21;
        QTest::newRow("fifteen-digits-of-hundredths") << 1234567890123.45 << true << 1234567890123.45;
        QTest::newRow("sixteen-digits-of-hundredths") << 12345678901234.56 << true << 12345678901234.6;
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
        QTest::addColumn<QString>("decimal");
        QTest::addColumn<bool>("leadingZero");
        QTest::addColumn<int>("reason"); // an EvalFailure, or kAnyReason
        QTest::addColumn<double>("value");

        // Blanks are trimmed from the ends only; "@" is the code marker and never input.
        value("blanks-around-trimmed", "  12  ", 12);
        failure("inner-space", "1 2");
        reason("empty", "", EvalFailure::Empty);
        failure("code-marker-in-input", "1@632");

        // Runs of minus signs: pairs cancel, a subtraction is a "-" behind a digit or ")".
        value("three-minus-between", "5---3", 2);
        value("two-then-unary-minus", "2--3", 5);     // the scan resumes behind the inserted code
        value("zero-then-unary-minus", "10--3", 13);  // "2" is coded first, so "@62-" stays unary

        // Precedence and associativity; truth values are -1 and 0.
        value("power-left-assoc", "2^3^2", 64);
        value("power-of-negative-exponent", "2^-2", 0.25);
        value("intdiv-before-mod", "10\\3MOD2", 1);
        value("mod-before-plus", "7+1MOD3", 8);
        value("compare-after-sum", "1+1=2", -1);
        value("compare-chain-left-to-right", "3>2>1", 0);
        value("not-different", "1<>1", 0);

        // Percent: the operand moves behind the "%" and the operator in front takes it.
        value("percent-added", "100+5%", 105);
        value("percent-of", "200*5%", 10);
        value("divided-by-percent", "200/5%", 4000);
        value("percent-of-group", "200*(1+2)%", 6);
        failure("percent-alone", "5%");
        failure("percent-then-digit", "5%3");
        failure("percent-by-zero", "5/0%");

        // Parentheses.
        failure("implicit-product-before", "2(3)");
        failure("empty-group", "()");

        // Integer division and MOD: operands rounded to 32 bits, halves to even.
        value("intdiv-truncates-toward-zero", "-7\\2", -3);
        value("intdiv-half-down-to-even", "2.5\\1", 2);
        value("mod-sign-of-left", "-7MOD3", -1);
        value("mod-half-to-even", "6.5MOD4", 2);
        failure("intdiv-rounds-out-of-range", "2147483647.5\\1");
        failure("intdiv-min-by-minus-one", "-2147483648\\-1");
        failure("mod-lower-case", "7mod3");
        reason("intdiv-by-zero-after-rounding", "5\\0.4", EvalFailure::DivisionByZero);
        failure("mod-by-zero", "5MOD0");

        // Arithmetic failures and malformed texts.
        reason("divide-by-zero", "1/0", EvalFailure::DivisionByZero);
        reason("zero-to-negative-power", "0^-1", EvalFailure::DivisionByZero);
        reason("root-of-negative", "(0-8)^0.5", EvalFailure::NoRealResult);
        failure("overflow", "10^308*10");
        reason("two-codes-in-a-row", "2*+3", EvalFailure::Invalid);

        // The 15-digit limits and the text round trip.
        value("plain-number-with-exponent", "1E+05", 100000);
        value("exponent-form-passed-on", "999999999999999+1-1", 999999999999999.0);
        value("sixteenth-digit-lost", "10^15+1", 1e15);
        value("fifteen-significant-digits", "123456789012345+0.67", 123456789012346.0);
        value("third-times-three", "(1/3)*3", 0.999999999999999);
        reason("three-digit-exponent", "10^100", EvalFailure::TooLarge);

        // The locale's separator and leading-zero flag.
        value("comma-operand", "1,5*2", 3, ",");
        failure("comma-locale-rejects-point", "1.5*2", ",");
        failure("point-locale-rejects-comma", "1,5*2");
        failure("leading-comma-zero-required", ",5+1", ",");
        value("leading-comma-zero-optional", ",5+1", 1.5, ",", false);

        // Very long texts: no recursion that could overflow the stack, nothing quadratic.
        constexpr int n = 100000;
        failure("unclosed-parens", QString(n, u'('));
        value("nested-groups", QString(n, u'(') + u'1' + QString(n, u')'), 1);
        value("nested-sums", QStringLiteral("1+(").repeated(n) + u'1' + QString(n, u')'), n + 1);
        value("long-sum", QStringLiteral("1+").repeated(n) + u'1', n + 1);
        value("odd-minus-run", QString(n + 1, u'-') + u'5', -5);
        value("long-percent-chain", u'1' + QStringLiteral("+0%").repeated(20000), 1);

        // Why an expression has no value: the first failure the evaluation meets.
        reason("unclosed", "(1+2", EvalFailure::UnbalancedParenthesis);
        reason("closed-never-opened", "1+2)", EvalFailure::UnbalancedParenthesis);
        reason("ends-in-operator", "12+", EvalFailure::Incomplete);
        reason("ends-in-separator", "2+1.", EvalFailure::Incomplete);
        reason("separator-inside-is-no-number", "1.+2", EvalFailure::Invalid);
        reason("sixteen-digit-operand", "1234567890123456+1", EvalFailure::TooLarge);
        reason("too-close-to-zero", "0.1^100", EvalFailure::TooSmall);

        // Amounts are read and summed on a short road where that gives exactly what reading the
        // text and writing the 15-digit text back give: the nearest double to the decimal written
        // here. Reading: up to 15 digits one division, past that the full reading.
        value("tenth", "0.1", 0.1);
        value("negative-hundredths", "-0.07", -0.07);
        value("sixteen-digit-amount", "1234567890123.456", 1234567890123.456);
        value("leading-zeros-count", "0.000000000000001", 1e-15);
        value("seventeen-fraction-digits", "0.12345678901234567", 0.12345678901234567);
        value("comma-separator", "1234,56", 1234.56, ",");
        // Writing back: a sum that lands next to a number of hundredths is rounded to it.
        value("sum-just-below-hundredths", "0.3+0.6", 0.9);
        value("product-just-above-hundredths", "0.07*3", 0.21);
        value("hundredths-of-ten-digits", "1234567890.12+0.01", 1234567890.13);

        // A long sum is folded as its operators come: an operator no lower in level than the one
        // before it applies that one at once. The order must stay level by level, leftmost first
        // (a higher operator waits for a lower one after it), and anything but a plain success
        // must be found where, and as, the whole evaluation finds it.
        value("product-inside-sum", "1+2*3-4", 3);
        value("integer-division-waits-for-product", "8\\3*2", 1);
        value("mod-waits-for-product", "20MOD3*2+1", 3);
        value("minus-waits-for-power", "-2^2+1", -3);
        value("minus-operand-of-product", "3*-2+1", -5);
        value("percent-after-sum", "100+50+10%-1", 164);
        value("inside-group", "2*(1+2*3-4)-1", 5);
        reason("lower-level-failure-to-the-right-first", "1/0+2^9999", EvalFailure::TooLarge);
        reason("division-by-zero-folded", "1+1/0+2", EvalFailure::DivisionByZero);
        reason("right-operand-no-number", "1+2.+3", EvalFailure::Invalid);
        reason("left-operand-no-number", "1.+2+3", EvalFailure::Invalid);
        reason("three-digit-exponent-folded", "10^99*10^99+1", EvalFailure::TooLarge);
        value("minus-joins-the-literal-before-it", "1.-(-5)+1", 2.5);
    }
    void evaluate()
    {
        QFETCH(QString, expression);
        QFETCH(QString, decimal);
        QFETCH(bool, leadingZero);
        QFETCH(int, reason);
        QFETCH(double, value);
        const LocaleValues locale = testLocale(decimal, QStringLiteral(" "), leadingZero);
        const bool ok = reason == int(EvalFailure::None);
        bool failed = false;
        EvalFailure failure = EvalFailure::Incomplete; // every call sets it
        QCOMPARE(exact(EvaluateExpression(expression, locale, failed, failure)), exact(value));
        QCOMPARE(failed, !ok);
        QVERIFY(reason == kAnyReason ? failure != EvalFailure::None : int(failure) == reason);
        // The sheet command's byte form gives the same.
        const EvalFailure why = failure;
        failed = false;
        failure = EvalFailure::Incomplete;
        QCOMPARE(exact(EvaluateAsciiExpression(expression.toStdString(), locale, failed, failure)), exact(value));
        QCOMPARE(failure, why);
        QCOMPARE(failed, !ok);
        // A call made with the flag already set evaluates nothing and leaves the flag set.
        failed = true;
        QCOMPARE(EvaluateExpression(expression, locale, failed), 0.0);
        QVERIFY(failed);
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
        row("power-before-plus", "2@633@112", 11, "11");
        row("unary-minus", "@203@633", 0, "0");
        fails("missing-operand", "2@32");
        fails("trailing-separator", "1.");
        fails("leading-separator-flag-set", ".5");
        row("leading-separator-flag-clear", ".5", 0.5, "0.5", ".", false);
        row("exponent", "2.5e-07", 2.5e-7, "2.5E-07");
        fails("exponent-one-digit", "1E+5");
        fails("sixteen-digits", "1000000000000000");
        row("fraction-digits-unlimited", "999999999999999.123456789", 999999999999999.123456789, "999999999999999");
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
