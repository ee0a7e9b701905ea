// The display text of a value, and the locale values that the evaluator and the formatter follow.

#include "evaluator.h"
#include "localescope.h"
#include "numberformat.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTest>

#include <limits>

namespace {

const QString kNbsp = QStringLiteral("\u00a0");

// Installs a locale source for one test; the previous source and values come back at the end.
auto useLocale(const QLocale &locale, bool leadingZero = true)
{
    const LocaleValues savedValues = localeValues();
    LocaleSource savedSource = setLocaleSource([locale, leadingZero] {
        return LocaleSnapshot{locale, leadingZero};
    });
    return qScopeGuard([savedValues, savedSource] {
        setLocaleSource(savedSource);
        localeValues() = savedValues;
    });
}

} // namespace

class TestNumberFormat : public QObject
{
    Q_OBJECT

private slots:
    void formatResult_data();
    void formatResult();
    void localeIdentifier_data();
    void localeIdentifier();
    void localeSeparatorsReachEvaluatorAndFormatter();
    void switchingTheSourceChangesTheNextCall();
};

void TestNumberFormat::formatResult_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("decimal");
    QTest::addColumn<QString>("thousands");
    QTest::addColumn<QString>("text");

    auto row = [](const char *name, double value, int decimals, const QString &text) {
        QTest::newRow(name) << value << decimals << "." << "," << text;
    };
    row("grouped-two-decimals", 1234.5, 2, "1,234.50");
    row("half-rounds-up", 1234.5, 0, "1,235");
    row("half-away-from-zero-not-even", 2.5, 0, "3");
    row("negative-half-away-from-zero", -2.5, 0, "- 3");
    row("third-decimal-half", 0.125, 2, "0.13");
    row("decimal-meant-not-binary", 1.005, 2, "1.01");
    row("negative-detached-sign", -1234.5, 2, "- 1,234.50");
    row("sign-of-unrounded-value", -0.001, 2, "- 0.00");
    row("negative-zero-has-no-sign", -0.0, 2, "0.00");
    row("zero-three-decimals", 0.0, 3, "0.000");
    row("integer-digit-kept", 0.5, 2, "0.50");
    row("rounds-to-integer", 0.5, 0, "1");
    row("carry-into-new-group", 999.995, 2, "1,000.00");
    row("no-separator-in-front", 123456.0, 1, "123,456.0");
    row("three-groups", 1234567.0, 0, "1,234,567");
    row("nine-decimals-padded", 1.2345678, 9, "1.234567800");
    row("nine-decimals-rounded-up", 5e-10, 9, "0.000000001");
    row("tiny-value", 1e-20, 2, "0.00");
    row("largest-shown", 999999999999999.0, 0, "999,999,999,999,999");
    row("display-limit", 1e15, 2, "");
    row("negative-display-limit", -1e15, 2, "");
    row("beyond-display-limit", 1e300, 0, "");
    row("infinity", std::numeric_limits<double>::infinity(), 2, "");
    QTest::newRow("comma-and-no-break-space") << 1234567.891 << 2 << "," << kNbsp
                                              << "1" + kNbsp + "234" + kNbsp + "567,89";
    QTest::newRow("negative-comma-and-no-break-space") << -1234.0 << 0 << "," << kNbsp << "- 1" + kNbsp + "234";
}

void TestNumberFormat::formatResult()
{
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(QString, decimal);
    QFETCH(QString, thousands);
    QFETCH(QString, text);
    const LocaleScope locale(decimal, thousands, true);
    QCOMPARE(FormatResult(value, decimals), text);
}

void TestNumberFormat::localeIdentifier_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<int>("lcid");
    QTest::addColumn<QString>("helpSuffix");

    QTest::newRow("russian") << QLocale(QLocale::Russian, QLocale::Russia) << 1049 << "Ru.html";
    QTest::newRow("russian-elsewhere") << QLocale(QLocale::Russian, QLocale::Ukraine) << 1049 << "Ru.html";
    QTest::newRow("english") << QLocale(QLocale::English, QLocale::UnitedStates) << 1033 << "En.html";
    QTest::newRow("ukrainian") << QLocale(QLocale::Ukrainian, QLocale::Ukraine) << 1033 << "En.html";
    QTest::newRow("german") << QLocale(QLocale::German, QLocale::Germany) << 1033 << "En.html";
    QTest::newRow("posix") << QLocale::c() << 1033 << "En.html";
}

void TestNumberFormat::localeIdentifier()
{
    QFETCH(QLocale, locale);
    QFETCH(int, lcid);
    QFETCH(QString, helpSuffix);
    const auto restore = useLocale(locale);

    LoadLocaleSettings();
    QCOMPARE(localeValues().lcid, lcid);
    // The program's own file name without folder and extension comes first.
    const QString program = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    QCOMPARE(localeValues().helpFileName, program + helpSuffix);
}

void TestNumberFormat::localeSeparatorsReachEvaluatorAndFormatter()
{
    const auto restore = useLocale(QLocale(QLocale::Russian, QLocale::Russia), false);
    localeValues() = LocaleValues{}; // every value must come from the call, none stay behind

    LoadLocaleSettings();
    QCOMPARE(localeValues().decimalSeparator, QStringLiteral(","));
    QCOMPARE(localeValues().thousandsSeparator, kNbsp);
    QCOMPARE(localeValues().leadingZero, false);

    bool failed = false;
    QCOMPARE(EvaluateExpression(QStringLiteral("1,5*2"), failed), 3.0);
    QCOMPARE(EvaluateExpression(QStringLiteral(",5+1"), failed), 1.5);
    QVERIFY(!failed);
    QCOMPARE(FormatResult(1234567.891, 2), "1" + kNbsp + "234" + kNbsp + "567,89");
}

// A change of the regional settings takes effect at the next LoadLocaleSettings.
void TestNumberFormat::switchingTheSourceChangesTheNextCall()
{
    QLocale current = QLocale::c();
    const LocaleValues savedValues = localeValues();
    const LocaleSource savedSource = setLocaleSource([&current] { return LocaleSnapshot{current, true}; });
    const auto restore = qScopeGuard([&] {
        setLocaleSource(savedSource);
        localeValues() = savedValues;
    });

    LoadLocaleSettings();
    bool failed = false;
    QCOMPARE(EvaluateExpression(QStringLiteral("1.5*2"), failed), 3.0);
    QVERIFY(!failed);
    QCOMPARE(FormatResult(1234.5, 2), QStringLiteral("1,234.50"));

    current = QLocale(QLocale::German, QLocale::Germany);
    QCOMPARE(FormatResult(1234.5, 2), QStringLiteral("1,234.50")); // nothing changes before the call
    LoadLocaleSettings();
    EvaluateExpression(QStringLiteral("1.5*2"), failed);
    QVERIFY(failed);
    failed = false;
    QCOMPARE(EvaluateExpression(QStringLiteral("1,5*2"), failed), 3.0);
    QVERIFY(!failed);
    QCOMPARE(FormatResult(1234.5, 2), QStringLiteral("1.234,50"));
    QCOMPARE(localeValues().lcid, 1033);

    current = QLocale(QLocale::Russian, QLocale::Russia);
    LoadLocaleSettings();
    QCOMPARE(localeValues().lcid, 1049);
    QVERIFY(localeValues().helpFileName.endsWith(QLatin1String("Ru.html")));
}

QTEST_GUILESS_MAIN(TestNumberFormat)
#include "tst_numberformat.moc"
