#include <amountinwords.h>
#include <messagesink.h>

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <limits>

// Amounts in words: the currency value, the 12-digit limit, the group names and their forms, the
// Replace pairs, the failures and their messages, and the words files that ship with the program.
class TestAmountInWords : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void currencyFromDouble_data();
    void currencyFromDouble();
    void currencyFromText_data();
    void currencyFromText();

    void exampleFile_data();
    void exampleFile();
    void forms_data();
    void forms();
    void formWithSpaceCarriesNumeral_data();
    void formWithSpaceCarriesNumeral();
    void replacePairs_data();
    void replacePairs();

    void failures_data();
    void failures();
    void flagIsNeverCleared();
    void mostNegativeAmountIsOverLimit();
    void fileIsReadAtEveryCall();

    void shippedRussianFile_data();
    void shippedRussianFile();
    void shippedEnglishFiles_data();
    void shippedEnglishFiles();

private:
    struct Shown
    {
        QString text;
        MessageIcon icon;
    };
    QList<Shown> m_shown;
    MessageSink m_previousSink;
    QTemporaryDir m_dir;
};

namespace {

// The example file: dollars and cents, "thousand" four times, no replacements.
QMap<QString, QString> exampleEntries()
{
    return {
        {"Level0", "cent,cents,cents,cents"},
        {"Level1", "dollar,dollars,dollars,dollars"},
        {"Level2", "thousand,thousand,thousand,thousand"},
        {"Level3", "million,million,million,million"},
        {"Level4", "billion,billion,billion,billion"},
        {"Words1", "one,two,three,four,five,six,seven,eight,nine"},
        {"Words10", "ten,twenty,thirty,forty,fifty,sixty,seventy,eighty,ninety"},
        {"Words100", "one hundred,two hundred,three hundred,four hundred,five hundred,six hundred,"
                     "seven hundred,eight hundred,nine hundred"},
        {"Words11", "eleven,twelve,thirteen,fourteen,fifteen,sixteen,seventeen,eighteen,nineteen"},
        {"Zero", "zero"},
        {"Replace", ""},
    };
}

QByteArray fileBytes(const QMap<QString, QString> &entries)
{
    QByteArray bytes = "; written by the test\r\n";
    for (auto it = entries.begin(); it != entries.end(); ++it)
        bytes += "[" + it.key().toUtf8() + "]=" + it.value().toUtf8() + "\r\n";
    return bytes;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

Currency amount(const char *text)
{
    const std::optional<Currency> value = Currency::fromText(QString::fromLatin1(text));
    if (!value)
        qFatal("bad amount in the test table: %s", text);
    return *value;
}

QString programFile(const char *name)
{
    return QStringLiteral(TALLYER_PROGRAM_DIR "/") + QString::fromUtf8(name);
}

} // namespace

void TestAmountInWords::init()
{
    QVERIFY(m_dir.isValid());
    m_shown.clear();
    m_previousSink = setMessageSink([this](const QString &text, MessageIcon icon) {
        m_shown.append({text, icon});
    });
}

void TestAmountInWords::cleanup()
{
    setMessageSink(m_previousSink);
}

void TestAmountInWords::currencyFromDouble_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<qint64>("scaled");

    QTest::newRow("whole-and-cents") << 1234.56 << true << qint64(12345600);
    QTest::newRow("negative") << -5.0 << true << qint64(-50000);
    QTest::newRow("zero") << 0.0 << true << qint64(0);
    QTest::newRow("negative-zero") << -0.0 << true << qint64(0);
    // 1/32 and 3/32 are exact halves of a ten-thousandth: away from zero, not to even.
    QTest::newRow("exact-half-up") << 0.03125 << true << qint64(313);
    QTest::newRow("exact-half-up-from-even") << 0.09375 << true << qint64(938);
    QTest::newRow("exact-half-negative") << -0.03125 << true << qint64(-313);
    QTest::newRow("below-half") << 0.015625 << true << qint64(156);
    QTest::newRow("largest-representable") << 922337203685477.5 << true << qint64(9223372036854775000);
    QTest::newRow("past-the-range") << 922337203685477.625 << false << qint64(0);
    QTest::newRow("past-the-range-negative") << -922337203685478.0 << false << qint64(0);
    QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << false << qint64(0);
    QTest::newRow("nan") << std::nan("") << false << qint64(0);
}

void TestAmountInWords::currencyFromDouble()
{
    QFETCH(double, value);
    QFETCH(bool, valid);
    QFETCH(qint64, scaled);
    const std::optional<Currency> c = Currency::fromDouble(value);
    QCOMPARE(c.has_value(), valid);
    if (valid)
        QCOMPARE(c->scaled(), scaled);
}

void TestAmountInWords::currencyFromText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("decimal");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<qint64>("scaled");

    QTest::newRow("plain") << "1234.56" << "." << true << qint64(12345600);
    QTest::newRow("negative") << "-5" << "." << true << qint64(-50000);
    QTest::newRow("panel-negative-with-space") << "- 5,5" << "," << true << qint64(-55000);
    QTest::newRow("comma-separator") << "1,5" << "," << true << qint64(15000);
    QTest::newRow("no-whole-digits") << ".5" << "." << true << qint64(5000);
    QTest::newRow("no-decimal-digits") << "5." << "." << true << qint64(50000);
    QTest::newRow("leading-zeros") << "00000000000000000012" << "." << true << qint64(120000);
    QTest::newRow("fifth-decimal-half-up") << "0.00005" << "." << true << qint64(1);
    QTest::newRow("fifth-decimal-below-half") << "0.0000499999" << "." << true << qint64(0);
    QTest::newRow("fifth-decimal-half-negative") << "-0.00015" << "." << true << qint64(-2);
    QTest::newRow("limit-bound-exact") << "999999999999.995" << "." << true << qint64(9999999999999950);
    QTest::newRow("largest") << "922337203685477.5807" << "." << true
                             << std::numeric_limits<qint64>::max();
    QTest::newRow("one-past-largest") << "922337203685477.5808" << "." << false << qint64(0);
    QTest::newRow("sixteen-digits") << "1000000000000000" << "." << false << qint64(0);
    QTest::newRow("empty") << "" << "." << false << qint64(0);
    QTest::newRow("minus-only") << "-" << "." << false << qint64(0);
    QTest::newRow("separator-only") << "." << "." << false << qint64(0);
    QTest::newRow("two-separators") << "1.2.3" << "." << false << qint64(0);
    QTest::newRow("foreign-separator") << "1.5" << "," << false << qint64(0);
    QTest::newRow("exponent") << "1e5" << "." << false << qint64(0);
    QTest::newRow("space-before") << " 5" << "." << false << qint64(0);
}

void TestAmountInWords::currencyFromText()
{
    QFETCH(QString, text);
    QFETCH(QString, decimal);
    QFETCH(bool, valid);
    QFETCH(qint64, scaled);
    const std::optional<Currency> c = Currency::fromText(text, decimal.at(0));
    QCOMPARE(c.has_value(), valid);
    if (valid)
        QCOMPARE(c->scaled(), scaled);
}

void TestAmountInWords::exampleFile_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("worked-example") << "1234.56" << "One thousand two hundred thirty four dollars 56 cents";
    QTest::newRow("zero-with-cents") << "0.05" << "Zero dollars 05 cents";
    QTest::newRow("zero") << "0" << "Zero dollars 00 cents";
    QTest::newRow("eleven") << "11" << "Eleven dollars 00 cents";
    QTest::newRow("ten") << "10" << "Ten dollars 00 cents";
    QTest::newRow("twenty-one-takes-form-1") << "21" << "Twenty one dollar 00 cents";
    QTest::newRow("million-empty-thousands-left-out") << "1000000" << "One million dollars 00 cents";
    QTest::newRow("units-empty-keep-unit-name") << "1000" << "One thousand dollars 00 cents";
    QTest::newRow("billions-only") << "2000000000" << "Two billion dollars 00 cents";
    QTest::newRow("every-group")
        << "101011001012.02" << "One hundred one billion eleven million one thousand twelve dollars 02 cents";
    QTest::newRow("negative-sign-dropped") << "-5" << "Five dollars 00 cents";
    QTest::newRow("half-cent-rounds-up") << "0.005" << "Zero dollars 01 cent";
    QTest::newRow("below-half-cent") << "0.0049" << "Zero dollars 00 cents";
    QTest::newRow("negative-half-cent-away-from-zero") << "-0.005" << "Zero dollars 01 cent";
    QTest::newRow("rounding-carries-into-units") << "1.995" << "Two dollars 00 cents";
    QTest::newRow("limit-converted")
        << "999999999999.99"
        << "Nine hundred ninety nine billion nine hundred ninety nine million nine hundred ninety "
           "nine thousand nine hundred ninety nine dollars 99 cents";
    QTest::newRow("just-below-limit-rounds-down") << "999999999999.9949"
        << "Nine hundred ninety nine billion nine hundred ninety nine million nine hundred ninety "
           "nine thousand nine hundred ninety nine dollars 99 cents";
}

void TestAmountInWords::exampleFile()
{
    QFETCH(QString, value);
    QFETCH(QString, expected);
    const QString path = m_dir.filePath("InWordsExample.txt");
    QVERIFY(writeFile(path, fileBytes(exampleEntries())));

    bool failed = false;
    const QString words = AmountInWords(amount(value.toLatin1().constData()), path, failed,
                                        "limit", "file");
    QCOMPARE(words, expected);
    QVERIFY(!failed);
    QVERIFY(m_shown.isEmpty());
}

// Every name in a distinct form, so the chosen form shows in the text.
void TestAmountInWords::forms_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("1") << "1" << "One u1 00 c4";
    QTest::newRow("2") << "2" << "Two u2 00 c4";
    QTest::newRow("3") << "3" << "Three u3 00 c4";
    QTest::newRow("4") << "4" << "Four u3 00 c4";
    QTest::newRow("5") << "5" << "Five u4 00 c4";
    QTest::newRow("11") << "11" << "Eleven u4 00 c4";
    QTest::newRow("12") << "12" << "Twelve u4 00 c4";
    QTest::newRow("14") << "14" << "Fourteen u4 00 c4";
    QTest::newRow("21") << "21" << "Twenty one u1 00 c4";
    QTest::newRow("34") << "34" << "Thirty four u3 00 c4";
    QTest::newRow("111") << "111" << "One hundred eleven u4 00 c4";
    QTest::newRow("zero-units") << "0" << "Zero u4 00 c4";
    QTest::newRow("cents-01") << "0.01" << "Zero u4 01 c1";
    QTest::newRow("cents-02") << "0.02" << "Zero u4 02 c2";
    QTest::newRow("cents-24") << "0.24" << "Zero u4 24 c3";
    QTest::newRow("cents-12") << "0.12" << "Zero u4 12 c4";
    QTest::newRow("thousands-form-by-own-digits") << "3001" << "Three t3 one u1 00 c4";
    QTest::newRow("thousands-teen") << "12002" << "Twelve t4 two u2 00 c4";
    QTest::newRow("millions-form-2") << "2000000" << "Two m2 u4 00 c4";
    QTest::newRow("billions-form-1") << "21000000000" << "Twenty one b1 u4 00 c4";
}

void TestAmountInWords::forms()
{
    QFETCH(QString, value);
    QFETCH(QString, expected);
    auto entries = exampleEntries();
    entries["Level0"] = "c1,c2,c3,c4";
    entries["Level1"] = "u1,u2,u3,u4";
    entries["Level2"] = "t1,t2,t3,t4";
    entries["Level3"] = "m1,m2,m3,m4";
    entries["Level4"] = "b1,b2,b3,b4";
    const QString path = m_dir.filePath("InWordsForms.txt");
    QVERIFY(writeFile(path, fileBytes(entries)));

    bool failed = false;
    QCOMPARE(AmountInWords(amount(value.toLatin1().constData()), path, failed, "limit", "file"), expected);
    QVERIFY(!failed);
}

void TestAmountInWords::formWithSpaceCarriesNumeral_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("one-thousand") << "1000" << "A thousand dollars 00 cents";
    QTest::newRow("two-thousand") << "2000" << "Two thousand dollars 00 cents";
    QTest::newRow("plain-form-keeps-numeral") << "3000" << "Three thousand dollars 00 cents";
    QTest::newRow("tens-word-stays") << "21000" << "Twenty a thousand dollars 00 cents";
    QTest::newRow("teens-unaffected") << "11000" << "Eleven thousand dollars 00 cents";
    QTest::newRow("hundreds-word-stays") << "101" << "One hundred one buck 00 cents";
    QTest::newRow("unit-name-carries-numeral") << "1" << "One buck 00 cents";
    QTest::newRow("both-groups") << "1001" << "A thousand one buck 00 cents";
}

void TestAmountInWords::formWithSpaceCarriesNumeral()
{
    QFETCH(QString, value);
    QFETCH(QString, expected);
    auto entries = exampleEntries();
    entries["Level2"] = "a thousand,two thousand,thousand,thousand";
    entries["Level1"] = "one buck,dollars,dollars,dollars";
    const QString path = m_dir.filePath("InWordsSpaces.txt");
    QVERIFY(writeFile(path, fileBytes(entries)));

    bool failed = false;
    QCOMPARE(AmountInWords(amount(value.toLatin1().constData()), path, failed, "limit", "file"), expected);
    QVERIFY(!failed);
}

void TestAmountInWords::replacePairs_data()
{
    QTest::addColumn<QString>("replace");
    QTest::addColumn<QString>("zero");
    QTest::addColumn<QString>("words10");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");

    const QString tens = exampleEntries().value("Words10");
    QTest::newRow("case-insensitive") << "DOLLARS,bucks" << "zero" << tens << "7" << "Seven bucks 00 cents";
    QTest::newRow("pairs-in-file-order")
        << "dollars,bucks,bucks,quid" << "zero" << tens << "7" << "Seven quid 00 cents";
    QTest::newRow("later-pair-sees-earlier-result")
        << "bucks,quid,dollars,bucks" << "zero" << tens << "7" << "Seven bucks 00 cents";
    // Each "ab" -> "a" forms a new "ab" with the next "b", which is replaced as well.
    QTest::newRow("rescans-what-replacement-forms")
        << "ab,a" << "nabbbil" << tens << "0" << "Nail dollars 00 cents";
    QTest::newRow("rescans-ignoring-case")
        << "ab,a" << "nAbBbil" << tens << "0" << "Nail dollars 00 cents";
    QTest::newRow("replacement-containing-find-no-loop")
        << "cent,cents" << "zero" << tens << "0.01" << "Zero dollars 01 cents";
    // Items keep their spaces: "thirty " + " four" gives three spaces, collapsed one at a time.
    QTest::newRow("collapses-runs-of-spaces")
        << "x,x,  , ,y,y" << "zero"
        << "ten,twenty,thirty ,forty,fifty,sixty,seventy,eighty,ninety" << "34"
        << "Thirty four dollars 00 cents";
    QTest::newRow("leading-spaces-without-replace")
        << "" << "zero" << "ten,twenty,thirty ,forty,fifty,sixty,seventy,eighty,ninety" << "34"
        << "Thirty   four dollars 00 cents";
    QTest::newRow("first-letter-upper-after-replace")
        << "zero,nought" << "zero" << tens << "0" << "Nought dollars 00 cents";
    QTest::newRow("first-letter-cyrillic")
        << "" << QString::fromUtf8("ёлки") << tens << "0" << QString::fromUtf8("Ёлки dollars 00 cents");
}

void TestAmountInWords::replacePairs()
{
    QFETCH(QString, replace);
    QFETCH(QString, zero);
    QFETCH(QString, words10);
    QFETCH(QString, value);
    QFETCH(QString, expected);
    auto entries = exampleEntries();
    entries["Replace"] = replace;
    entries["Zero"] = zero;
    entries["Words10"] = words10;
    entries["Words1"] = "one,two,three, four,five,six,seven,eight,nine";
    const QString path = m_dir.filePath("InWordsReplace.txt");
    QVERIFY(writeFile(path, fileBytes(entries)));

    bool failed = false;
    QCOMPARE(AmountInWords(amount(value.toLatin1().constData()), path, failed, "limit", "file"), expected);
    QVERIFY(!failed);
}

void TestAmountInWords::failures_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("file");      // "good", "missing" or "invalid"
    QTest::addColumn<QString>("limitMessage");
    QTest::addColumn<QString>("fileMessage");
    QTest::addColumn<QString>("shown");     // the one message expected, or empty for none

    QTest::newRow("limit-bound") << "999999999999.995" << "good" << "too big" << "bad file" << "too big";
    QTest::newRow("thirteen-digits") << "1000000000000" << "good" << "too big" << "bad file" << "too big";
    QTest::newRow("negative-over-limit") << "-999999999999.995" << "good" << "too big" << "bad file"
                                         << "too big";
    QTest::newRow("largest-currency") << "922337203685477.5807" << "good" << "too big" << "bad file"
                                      << "too big";
    QTest::newRow("limit-checked-before-file") << "1000000000000" << "missing" << "too big"
                                               << "bad file" << "too big";
    QTest::newRow("missing-file") << "5" << "missing" << "too big" << "bad file" << "bad file";
    QTest::newRow("invalid-file") << "5" << "invalid" << "too big" << "bad file" << "bad file";
    QTest::newRow("empty-limit-message-silent") << "1000000000000" << "good" << "" << "bad file" << "";
    QTest::newRow("empty-file-message-silent") << "5" << "invalid" << "too big" << "" << "";
}

void TestAmountInWords::failures()
{
    QFETCH(QString, value);
    QFETCH(QString, file);
    QFETCH(QString, limitMessage);
    QFETCH(QString, fileMessage);
    QFETCH(QString, shown);

    const QString path = m_dir.filePath("InWordsFailures.txt");
    QFile::remove(path);
    if (file == "good") {
        QVERIFY(writeFile(path, fileBytes(exampleEntries())));
    } else if (file == "invalid") {
        QByteArray lfOnly = fileBytes(exampleEntries());
        lfOnly.replace("\r\n", "\n");
        QVERIFY(writeFile(path, lfOnly));
    }

    bool failed = false;
    QCOMPARE(AmountInWords(amount(value.toLatin1().constData()), path, failed, limitMessage, fileMessage),
             QString());
    QVERIFY(failed);
    if (shown.isEmpty()) {
        QVERIFY(m_shown.isEmpty());
    } else {
        QCOMPARE(m_shown.size(), 1);
        QCOMPARE(m_shown.at(0).text, shown);
        QCOMPARE(m_shown.at(0).icon, MessageIcon::Information);
    }
}

void TestAmountInWords::flagIsNeverCleared()
{
    const QString path = m_dir.filePath("InWordsFlag.txt");
    QVERIFY(writeFile(path, fileBytes(exampleEntries())));
    bool failed = true;
    QCOMPARE(AmountInWords(amount("2"), path, failed, "limit", "file"), QString("Two dollars 00 cents"));
    QVERIFY(failed);
}

void TestAmountInWords::mostNegativeAmountIsOverLimit()
{
    bool failed = false;
    const Currency lowest = Currency::fromScaled(std::numeric_limits<qint64>::min());
    QCOMPARE(AmountInWords(lowest, programFile("InWordsDollars eng.txt"), failed, "too big", "file"),
             QString());
    QVERIFY(failed);
    QCOMPARE(m_shown.size(), 1);
    QCOMPARE(m_shown.at(0).text, QString("too big"));
}

void TestAmountInWords::fileIsReadAtEveryCall()
{
    const QString path = m_dir.filePath("InWordsChanging.txt");
    auto entries = exampleEntries();
    QVERIFY(writeFile(path, fileBytes(entries)));
    bool failed = false;
    QCOMPARE(AmountInWords(amount("0"), path, failed, "limit", "file"), QString("Zero dollars 00 cents"));

    entries["Zero"] = "nil";
    QVERIFY(writeFile(path, fileBytes(entries)));
    QCOMPARE(AmountInWords(amount("0"), path, failed, "limit", "file"), QString("Nil dollars 00 cents"));

    QVERIFY(QFile::remove(path));
    QCOMPARE(AmountInWords(amount("0"), path, failed, "limit", "file"), QString());
    QVERIFY(failed);
}

void TestAmountInWords::shippedRussianFile_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("1") << "1" << QString::fromUtf8("Один рубль 00 копеек");
    QTest::newRow("2") << "2" << QString::fromUtf8("Два рубля 00 копеек");
    QTest::newRow("5") << "5" << QString::fromUtf8("Пять рублей 00 копеек");
    QTest::newRow("11") << "11" << QString::fromUtf8("Одиннадцать рублей 00 копеек");
    QTest::newRow("21") << "21" << QString::fromUtf8("Двадцать один рубль 00 копеек");
    QTest::newRow("1000") << "1000" << QString::fromUtf8("Одна тысяча рублей 00 копеек");
    QTest::newRow("2000") << "2000" << QString::fromUtf8("Две тысячи рублей 00 копеек");
    QTest::newRow("5000") << "5000" << QString::fromUtf8("Пять тысяч рублей 00 копеек");
    QTest::newRow("1000000") << "1000000" << QString::fromUtf8("Один миллион рублей 00 копеек");
    QTest::newRow("2000000") << "2000000" << QString::fromUtf8("Два миллиона рублей 00 копеек");
    QTest::newRow("21000-feminine-one") << "21000" << QString::fromUtf8("Двадцать одна тысяча рублей 00 копеек");
    QTest::newRow("12000-teens") << "12000" << QString::fromUtf8("Двенадцать тысяч рублей 00 копеек");
    QTest::newRow("1234.56")
        << "1234.56" << QString::fromUtf8("Одна тысяча двести тридцать четыре рубля 56 копеек");
    QTest::newRow("zero-21-kopecks") << "0.21" << QString::fromUtf8("Ноль рублей 21 копейка");
    QTest::newRow("3.02") << "3.02" << QString::fromUtf8("Три рубля 02 копейки");
    QTest::newRow("billions")
        << "5000000000" << QString::fromUtf8("Пять миллиардов рублей 00 копеек");
}

void TestAmountInWords::shippedRussianFile()
{
    QFETCH(QString, value);
    QFETCH(QString, expected);
    bool failed = false;
    QCOMPARE(AmountInWords(amount(value.toLatin1().constData()), programFile("InWordsRubles rus.txt"),
                           failed, "limit", "file"),
             expected);
    QVERIFY(!failed);
}

void TestAmountInWords::shippedEnglishFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");

    const QString dollars = "InWordsDollars eng.txt";
    QTest::newRow("one-dollar") << dollars << "1" << "One dollar 00 cents";
    QTest::newRow("twenty-one-dollars") << dollars << "21" << "Twenty one dollars 00 cents";
    QTest::newRow("one-hundred-one-dollars") << dollars << "101" << "One hundred one dollars 00 cents";
    QTest::newRow("thousand-one-dollars") << dollars << "1001" << "One thousand one dollars 00 cents";
    QTest::newRow("million-one-dollars") << dollars << "3000001" << "Three million one dollars 00 cents";
    QTest::newRow("one-cent") << dollars << "0.01" << "Zero dollars 01 cent";
    QTest::newRow("thirty-one-cents") << dollars << "0.31" << "Zero dollars 31 cents";
    const QString euros = "InWordsEuros eng.txt";
    QTest::newRow("one-euro") << euros << "1.01" << "One euro 01 cent";
    QTest::newRow("ninety-one-euros") << euros << "91.91" << "Ninety one euros 91 cents";
}

void TestAmountInWords::shippedEnglishFiles()
{
    QFETCH(QString, file);
    QFETCH(QString, value);
    QFETCH(QString, expected);
    bool failed = false;
    QCOMPARE(AmountInWords(amount(value.toLatin1().constData()), programFile(file.toUtf8().constData()),
                           failed, "limit", "file"),
             expected);
    QVERIFY(!failed);
}

QTEST_GUILESS_MAIN(TestAmountInWords)
#include "tst_amountinwords.moc"
