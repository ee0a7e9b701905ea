#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// tallyer-cli words: output lines, the words file lookup, the messages on stderr and the exit
// codes (0 success, 1 over the limit or a bad file, 2 usage).
class TestCliWords : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void converts_data();
    void converts();
    void failures_data();
    void failures();
    void usageErrors_data();
    void usageErrors();

private:
    struct Run
    {
        int exitCode = -1;
        QString out;
        QString err;
    };
    Run run(const QStringList &args, const QString &locale = "C") const;

    QTemporaryDir m_dir;
    QString m_cli;
};

namespace {

const char kExampleFile[] =
    "; a words file of the test's own\r\n"
    "[Level0]=cent,cents,cents,cents\r\n"
    "[Level1]=buck,bucks,bucks,bucks\r\n"
    "[Level2]=grand,grand,grand,grand\r\n"
    "[Level3]=million,million,million,million\r\n"
    "[Level4]=billion,billion,billion,billion\r\n"
    "[Words1]=one,two,three,four,five,six,seven,eight,nine\r\n"
    "[Words10]=ten,twenty,thirty,forty,fifty,sixty,seventy,eighty,ninety\r\n"
    "[Words100]=one hundred,two hundred,three hundred,four hundred,five hundred,six hundred,"
    "seven hundred,eight hundred,nine hundred\r\n"
    "[Words11]=eleven,twelve,thirteen,fourteen,fifteen,sixteen,seventeen,eighteen,nineteen\r\n"
    "[Zero]=zip\r\n"
    "[Replace]=\r\n";

const char kLimitMessage[] =
    "Error of the procedure 'value in words'\n"
    "For processings should be:\n"
    "\n"
    "| value | < 999 999 999 999.995\n";

QString fileMessage(const QString &path)
{
    return QString("Error of the procedure 'value in words'\nSource file name:\n\n'%1'\n").arg(path);
}

} // namespace

void TestCliWords::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_cli = QStringLiteral(TALLYER_PROGRAM_DIR "/tallyer-cli");
    QVERIFY2(QFile::exists(m_cli), qPrintable(m_cli));

    QByteArray lfOnly(kExampleFile);
    lfOnly.replace("\r\n", "\n");
    const QList<std::pair<QString, QByteArray>> files{{"my words.txt", kExampleFile}, {"lf only.txt", lfOnly}};
    for (const auto &[name, bytes] : files) {
        QFile file(m_dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
}

TestCliWords::Run TestCliWords::run(const QStringList &args, const QString &locale) const
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LC_ALL", locale);
    env.insert("LANG", locale);
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(m_dir.path());
    process.start(m_cli, QStringList{"words"} + args);
    Run result;
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return result;
    result.exitCode = process.exitCode();
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

void TestCliWords::converts_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("expected");

    QTest::newRow("default-dollars-file")
        << QStringList{"1234.56"} << "One thousand two hundred thirty four dollars 56 cents\n";
    QTest::newRow("one-line-per-amount") << QStringList{"1", "-2.5", "0"} << "One dollar 00 cents\nTwo dollars 50 cents\nZero dollars 00 cents\n";
    // Four decimals first (2.9950), then hundredths: the two roundings add up.
    QTest::newRow("rounded-to-four-then-two-decimals") << QStringList{"0.0050", "2.994999", "2.99494"}
        << "Zero dollars 01 cent\nThree dollars 00 cents\nTwo dollars 99 cents\n";
    QTest::newRow("bare-name-from-program-folder") << QStringList{"--file=InWordsRubles rus.txt", "2000"}
        << QString::fromUtf8("Две тысячи рублей 00 копеек\n");
    QTest::newRow("relative-path-as-given")
        << QStringList{"--file=./my words.txt", "3000.01"} << "Three grand bucks 01 cent\n";
    QTest::newRow("amount-after-double-dash")
        << QStringList{"--file=InWordsEuros eng.txt", "--", "-21"} << "Twenty one euros 00 cents\n";
}

void TestCliWords::converts()
{
    QFETCH(QStringList, args);
    QFETCH(QString, expected);
    const Run r = run(args);
    QCOMPARE(r.err, QString());
    QCOMPARE(r.out, expected);
    QCOMPARE(r.exitCode, 0);
}

void TestCliWords::failures_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");

    QTest::newRow("limit-bound") << QStringList{"999999999999.995"} << "C" << "\n" << kLimitMessage;
    QTest::newRow("beyond-the-currency-range")
        << QStringList{"-123456789012345678901234567890"} << "C" << "\n" << kLimitMessage;
    QTest::newRow("others-still-converted")
        << QStringList{"5", "1000000000000", "6"} << "C"
        << "Five dollars 00 cents\n\nSix dollars 00 cents\n" << kLimitMessage;
    QTest::newRow("limit-message-in-russian")
        << QStringList{"1000000000000"} << "ru_RU.UTF-8" << "\n"
        << QString::fromUtf8("Ошибка процедуры 'число прописью'\nДля обработки должно быть:\n\n"
                             "| число | < 999 999 999 999.995\n");

    const QString programDir = TALLYER_PROGRAM_DIR;
    // A bare name is looked for in the program's folder, not in the working folder.
    QTest::newRow("bare-name-not-in-working-folder")
        << QStringList{"--file=my words.txt", "5"} << "C" << ""
        << fileMessage(programDir + "/my words.txt");
    QTest::newRow("missing-path")
        << QStringList{"--file=" + m_dir.filePath("none.txt"), "5", "6"} << "C" << ""
        << fileMessage(m_dir.filePath("none.txt"));
    QTest::newRow("relative-path-shown-in-full")
        << QStringList{"--file=./lf only.txt", "5"} << "C" << ""
        << fileMessage(m_dir.filePath("lf only.txt"));
}

void TestCliWords::failures()
{
    QFETCH(QStringList, args);
    QFETCH(QString, locale);
    QFETCH(QString, out);
    QFETCH(QString, err);
    const Run r = run(args, locale);
    QCOMPARE(r.err, err);
    QCOMPARE(r.out, out);
    QCOMPARE(r.exitCode, 1);
}

void TestCliWords::usageErrors_data()
{
    QTest::addColumn<QStringList>("args");

    QTest::newRow("no-amount") << QStringList{};
    QTest::newRow("exponent") << QStringList{"1e5"};
    QTest::newRow("comma-decimal") << QStringList{"1,5"};
    QTest::newRow("bad-amount-after-good-one") << QStringList{"5", "x"};
    QTest::newRow("empty-file-option") << QStringList{"--file=", "5"};
    QTest::newRow("unknown-option") << QStringList{"--round=2", "5"};
    QTest::newRow("double-minus-amount") << QStringList{"--5"};
}

void TestCliWords::usageErrors()
{
    QFETCH(QStringList, args);
    const Run r = run(args);
    QCOMPARE(r.exitCode, 2);
    QCOMPARE(r.out, QString()); // nothing converted before the arguments were checked
    QVERIFY(r.err.contains("Usage:"));
}

QTEST_GUILESS_MAIN(TestCliWords)
#include "tst_cliwords.moc"
