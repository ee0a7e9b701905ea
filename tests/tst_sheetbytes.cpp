// A sheet file's expression made straight from its bytes: line ends of every kind, the cleaning
// steps that reach across dropped characters, and UTF-8 that is dropped without being decoded;
// then the same on generated files against the cleaning of the decoded text.

#include "evaluator.h"
#include "localescope.h"
#include "sheetbytes.h"
#include "sheettext.h"

#include <QRandomGenerator>
#include <QtTest>

Q_DECLARE_METATYPE(EvalFailure)

namespace {

LocaleValues localeWith(QChar decimal)
{
    return testLocale(QString(decimal), decimal == u',' ? QStringLiteral(".") : QStringLiteral(","));
}

// The sheet as the field would see the file: decoded, each LF without its CR given one, cleaned
// and joined.
QString expressionOfDecodedText(const QByteArray &bytes, QChar decimal)
{
    const QString raw = QString::fromUtf8(bytes);
    QString text;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw.at(i) == u'\n' && (i == 0 || raw.at(i - 1) != u'\r'))
            text += u'\r';
        text += raw.at(i);
    }
    qsizetype caret = 0;
    return SheetExpression(CleanSheetText(text, caret, localeWith(decimal)));
}

} // namespace

class TestSheetBytes : public QObject
{
    Q_OBJECT

private slots:
    void expression_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QChar>("decimal");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("independent");
        const auto row = [](const char *name, const QByteArray &bytes, const char *expected,
                            bool independent = false, QChar decimal = u'.') {
            QTest::newRow(name) << bytes << decimal << QString::fromLatin1(expected) << independent;
        };

        // Line ends: LF and CR LF end a row, a CR alone is dropped like any foreign character.
        row("mixed-line-ends", "1+\r\n2*\n3-\r\r\n4", "1+2*3-4");
        row("lone-cr-joins-its-neighbours", "12\r5", "125");
        row("rows-without-operator-stay-apart", "12\n5\n", "12\r\n5", true);
        row("empty-rows-between-independent-rows-stay", "12\n\n5", "12\r\n\r\n5", true);
        row("row-end-before-last-minus-signs", "5\n--", "5\r\n--", true);
        row("leading-and-trailing-empty-rows-go", "\n\r\n7+\n\n", "7+");
        row("empty-file", "", "");

        // The decimal separator of the locale.
        row("comma-becomes-point", "1,5+2.5", "1.5+2.5");
        row("point-becomes-comma", "1,5+2.5", "1,5+2,5", false, u',');

        // Runs of minus signs: three or more end as one (odd) or two (even), counted across dropped
        // characters but not across a row end.
        row("three-minus-become-one", "5---2", "5-2"); // the rest of the run rules: the random files below
        row("run-joined-across-lone-cr", "5--\r--2", "5--2");
        row("run-split-by-row-end", "5--\n-3", "5---3");

        // UTF-8: every non-ASCII character goes, and a broken sequence never takes an ASCII byte.
        row("broken-sequences-keep-following-digits", "\xe2\x82" "5+\xc3" "1", "5+1");
        row("run-joined-across-non-ascii", "5-\xc3\xa9--2", "5-2");
    }

    void expression()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QChar, decimal);
        QFETCH(QString, expected);
        QFETCH(bool, independent);
        bool independentRows = !independent;
        QCOMPARE(QString::fromStdString(SheetFileExpression(bytes, decimal, independentRows)), expected);
        QCOMPARE(independentRows, independent);
    }

    // Files of bytes drawn from those that matter to the cleaning (line ends, minus signs, blanks,
    // separators, operators, letters, pieces of UTF-8) against the cleaning of the decoded text.
    void agreesWithDecodedCleaning_data()
    {
        QTest::addColumn<QChar>("decimal");
        QTest::addColumn<quint32>("seed");
        QTest::newRow("point") << QChar(u'.') << 24u;
        QTest::newRow("comma") << QChar(u',') << 2024u;
    }

    void agreesWithDecodedCleaning()
    {
        QFETCH(QChar, decimal);
        QFETCH(quint32, seed);
        static const char kBytes[] = "0123456789--- \r\n\n.,+*/()%^\\<>=x\t\xc2\xa0\xe2\x82\xac\xc3\xa9\xff\x80";
        QRandomGenerator random(seed);
        for (int n = 0; n < 20000; ++n) {
            QByteArray bytes;
            const int length = random.bounded(1, 40);
            for (int i = 0; i < length; ++i)
                bytes += kBytes[random.bounded(int(sizeof kBytes - 1))];
            const QString expected = expressionOfDecodedText(bytes, decimal);
            bool independentRows = false;
            const QString actual = QString::fromStdString(SheetFileExpression(bytes, decimal, independentRows));
            if (actual != expected || independentRows != expected.contains(QLatin1String("\r\n")))
                QFAIL(qPrintable(QStringLiteral("file %1: %2 instead of %3")
                                     .arg(QString::fromLatin1(bytes.toPercentEncoding()),
                                          QString::fromLatin1(actual.toUtf8().toPercentEncoding()),
                                          QString::fromLatin1(expected.toUtf8().toPercentEncoding()))));
        }
    }

    // The evaluator's byte form: blanks only around the text, no byte outside ASCII (that it otherwise
    // gives what the text form gives: tst_evaluator).
    void asciiEvaluation_data()
    {
        QTest::addColumn<QByteArray>("expression");
        QTest::addColumn<double>("value");
        QTest::addColumn<EvalFailure>("failure");
        QTest::newRow("blanks-around-allowed") << QByteArray("  2+3 ") << 5.0 << EvalFailure::None;
        QTest::newRow("blanks-only-are-empty") << QByteArray("   ") << 0.0 << EvalFailure::Empty;
        QTest::newRow("nothing-is-empty") << QByteArray() << 0.0 << EvalFailure::Empty;
        QTest::newRow("code-character-refused") << QByteArray("2@3") << 0.0 << EvalFailure::Invalid;
        QTest::newRow("non-ascii-refused") << QByteArray("5\xc3\xa9") << 0.0 << EvalFailure::Invalid;
        QTest::newRow("plain-number-with-blank-after") << QByteArray("1250.5 ") << 1250.5 << EvalFailure::None;
    }

    void asciiEvaluation()
    {
        QFETCH(QByteArray, expression);
        QFETCH(double, value);
        QFETCH(EvalFailure, failure);
        bool failed = false;
        EvalFailure why = EvalFailure::IndependentRows;
        QCOMPARE(EvaluateAsciiExpression(expression.toStdString(), localeWith(u'.'), failed, why), value);
        QCOMPARE(why, failure);
        QCOMPARE(failed, failure != EvalFailure::None);
    }
};

QTEST_GUILESS_MAIN(TestSheetBytes)
#include "tst_sheetbytes.moc"
