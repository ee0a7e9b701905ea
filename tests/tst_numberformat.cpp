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

} // namespace

class TestNumberFormat : public QObject
{
    Q_OBJECT

private slots:
    void formatResult_data();
    void formatResult();
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
    row("third-decimal-half", 0.125, 2, "0.13");
    row("decimal-meant-not-binary", 1.005, 2, "1.01");
    row("negative-detached-sign", -1234.5, 2, "- 1,234.50");
    row("sign-of-unrounded-value", -0.001, 2, "- 0.00");
    row("zero-three-decimals", 0.0, 3, "0.000");
    row("carry-into-new-group", 999.995, 2, "1,000.00");
    row("nine-decimals-rounded-up", 5e-10, 9, "0.000000001");
    row("largest-shown", 999999999999999.0, 0, "999,999,999,999,999");
    row("display-limit", 1e15, 2, "");
    row("negative-display-limit", -1e15, 2, "");
    row("infinity", std::numeric_limits<double>::infinity(), 2, "");
    QTest::newRow("comma-and-no-break-space") << 1234567.891 << 2 << "," << kNbsp
                                              << "1" + kNbsp + "234" + kNbsp + "567,89";
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

// A change of the regional settings takes effect at the next LoadLocaleSettings, for the
// evaluator and the formatter alike; the identifier is 1049 for Russian only, and the help file
// name is the program's name and the language's.
void TestNumberFormat::switchingTheSourceChangesTheNextCall()
{
    QLocale current = QLocale::c();
    bool leadingZero = true;
    const LocaleValues savedValues = localeValues();
    const LocaleSource savedSource = setLocaleSource([&] { return LocaleSnapshot{current, leadingZero}; });
    const auto restore = qScopeGuard([&] {
        setLocaleSource(savedSource);
        localeValues() = savedValues;
    });
    const QString program = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    bool failed = false;

    LoadLocaleSettings();
    QCOMPARE(localeValues().lcid, 1033);
    QCOMPARE(localeValues().helpFileName, program + "En.html");
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

    current = QLocale(QLocale::Russian, QLocale::Russia); // "," and a no-break space
    leadingZero = false;
    localeValues() = LocaleValues{}; // every value must come from the call, none stay behind
    LoadLocaleSettings();
    QCOMPARE(localeValues().lcid, 1049);
    QCOMPARE(localeValues().helpFileName, program + "Ru.html");
    QCOMPARE(EvaluateExpression(QStringLiteral(",5+1"), failed), 1.5);
    QVERIFY(!failed);
    QCOMPARE(FormatResult(1234567.891, 2), "1" + kNbsp + "234" + kNbsp + "567,89");

    current = QLocale(QLocale::Ukrainian, QLocale::Ukraine);
    LoadLocaleSettings();
    QCOMPARE(localeValues().lcid, 1033);
    QCOMPARE(localeValues().helpFileName, program + "En.html");
}

QTEST_GUILESS_MAIN(TestNumberFormat)
#include "tst_numberformat.moc"
