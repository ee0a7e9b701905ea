// The display text of a value, and the locale values read from the platform for the evaluator and
// the formatter.

#include "localescope.h"
#include "numberformat.h"

#include <QTest>

#include <limits>

namespace {

const QString kNbsp = QStringLiteral("\u00a0");

} // namespace

class TestNumberFormat : public QObject
{
    Q_OBJECT

private slots:
    void formatResult_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QString>("decimal");
        QTest::addColumn<QString>("thousands");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("readBack"); // by ParseDisplayNumber, the grouping taken out

        auto row = [](const char *name, double value, int decimals, const QString &text, double readBack) {
            QTest::newRow(name) << value << decimals << "." << "," << text << readBack;
        };
        row("grouped-two-decimals", 1234.5, 2, "1,234.50", 1234.5);
        row("half-rounds-up", 1234.5, 0, "1,235", 1235);
        row("third-decimal-half", 0.125, 2, "0.13", 0.13);
        row("decimal-meant-not-binary", 1.005, 2, "1.01", 1.01);
        row("negative-detached-sign", -1234.5, 2, "- 1,234.50", -1234.5);
        row("sign-of-unrounded-value", -0.001, 2, "- 0.00", 0);
        row("carry-into-new-group", 999.995, 2, "1,000.00", 1000);
        row("nine-decimals-rounded-up", 5e-10, 9, "0.000000001", 1e-9);
        row("largest-shown", 999999999999999.0, 0, "999,999,999,999,999", 999999999999999.0);
        row("display-limit", 1e15, 2, "", 0);
        row("infinity", std::numeric_limits<double>::infinity(), 2, "", 0);
        QTest::newRow("comma-and-no-break-space") << 1234567.891 << 2 << "," << kNbsp
                                                  << "1" + kNbsp + "234" + kNbsp + "567,89" << 1234567.89;
        QTest::newRow("no-separator-known-yet") << 1234.5 << 1 << "" << "" << "1234.5" << 1234.5;
    }
    void formatResult()
    {
        QFETCH(double, value);
        QFETCH(int, decimals);
        QFETCH(QString, decimal);
        QFETCH(QString, thousands);
        QFETCH(QString, text);
        const LocaleValues locale = testLocale(decimal, thousands);
        QCOMPARE(FormatResult(value, decimals, locale), text);
        bool ok = false;
        QTEST(ParseDisplayNumber(QString(text).remove(thousands), locale, ok), "readBack");
        QCOMPARE(ok, !text.isEmpty()); // the empty text of a value too large reads as no number
    }

    // Every call reads the platform anew (each row installs another locale). The identifier is
    // 1049 for Russian only, and the help file name is the program's name and the language's.
    void readLocaleValues_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("leadingZero");
        QTest::addColumn<int>("lcid");
        QTest::addColumn<QString>("decimal");
        QTest::addColumn<QString>("thousands");

        QTest::newRow("c") << "C" << true << 1033 << "." << ",";
        QTest::newRow("german") << "de_DE" << true << 1033 << "," << ".";
        QTest::newRow("russian-no-leading-zero") << "ru_RU" << false << 1049 << "," << kNbsp;
        QTest::newRow("ukrainian-is-english") << "uk_UA" << true << 1033 << "," << kNbsp;
    }
    void readLocaleValues()
    {
        QFETCH(QString, name);
        QFETCH(bool, leadingZero);
        QFETCH(int, lcid);
        const auto source = useLocaleSource(QLocale(name), leadingZero);
        const LocaleValues values = ReadLocaleValues();
        QCOMPARE(values.lcid, lcid);
        QCOMPARE(ReadLocaleLcid(), lcid);
        QCOMPARE(values.helpFileName, lcid == 1049 ? "tst_numberformatRu.html" : "tst_numberformatEn.html");
        QTEST(values.decimalSeparator, "decimal");
        QTEST(values.thousandsSeparator, "thousands");
        QCOMPARE(values.leadingZero, leadingZero);
    }
};

QTEST_GUILESS_MAIN(TestNumberFormat)
#include "tst_numberformat.moc"
