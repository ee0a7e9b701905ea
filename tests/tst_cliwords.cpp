#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// tallyer-cli words: output lines, the words file lookup, the messages on stderr and the exit
// codes (0 success, 1 over the limit or a bad file; usage errors are in tst_cli).
class TestCliWords : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void run_data();
    void run();

private:
    QTemporaryDir m_dir;
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

const char kLimitMessage[] = "Error of the procedure 'value in words'\nFor processings should be:\n\n"
                             "| value | < 999 999 999 999.995\n";

QString fileMessage(const QString &path)
{
    return QString("Error of the procedure 'value in words'\nSource file name:\n\n'%1'\n").arg(path);
}

} // namespace

void TestCliWords::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QByteArray lfOnly(kExampleFile);
    lfOnly.replace("\r\n", "\n");
    const QList<std::pair<QString, QByteArray>> files{{"my words.txt", kExampleFile}, {"lf only.txt", lfOnly}};
    for (const auto &[name, bytes] : files) {
        QFile file(m_dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
}

void TestCliWords::run_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");

    const auto row = [](const char *name, const QStringList &args, int exitCode, const QString &out,
                        const QString &err = {}, const char *locale = "C") {
        QTest::newRow(name) << args << QString(locale) << exitCode << out << err;
    };
    row("one-line-per-amount", {"1", "-2.5", "0"}, 0,
        "One dollar 00 cents\nTwo dollars 50 cents\nZero dollars 00 cents\n");
    // Four decimals first (2.9950), then hundredths: the two roundings add up.
    row("rounded-to-four-then-two-decimals", {"0.0050", "2.994999", "2.99494"}, 0,
        "Zero dollars 01 cent\nThree dollars 00 cents\nTwo dollars 99 cents\n");
    row("bare-name-from-program-folder", {"--file=InWordsRubles rus.txt", "2000"}, 0,
        QString::fromUtf8("Две тысячи рублей 00 копеек\n"));
    row("relative-path-as-given", {"--file=./my words.txt", "3000.01"}, 0, "Three grand bucks 01 cent\n");
    row("amount-after-double-dash", {"--file=InWordsEuros eng.txt", "--", "-21"}, 0, "Twenty one euros 00 cents\n");

    row("beyond-the-currency-range", {"-123456789012345678901234567890"}, 1, "\n", kLimitMessage);
    row("others-still-converted", {"5", "1000000000000", "6"}, 1, "Five dollars 00 cents\n\nSix dollars 00 cents\n",
        kLimitMessage);
    row("limit-message-in-russian", {"1000000000000"}, 1, "\n",
        QString::fromUtf8("Ошибка процедуры 'число прописью'\nДля обработки должно быть:\n\n"
                          "| число | < 999 999 999 999.995\n"), "ru_RU.UTF-8");
    // A bare name is looked for in the program's folder, not in the working folder.
    row("bare-name-not-in-working-folder", {"--file=my words.txt", "5"}, 1, "",
        fileMessage(TALLYER_PROGRAM_DIR "/my words.txt"));
    row("relative-path-shown-in-full", {"--file=./lf only.txt", "5", "6"}, 1, "",
        fileMessage(m_dir.filePath("lf only.txt")));
}

void TestCliWords::run()
{
    QFETCH(QStringList, args);
    QFETCH(QString, locale);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);

    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LC_ALL", locale);
    env.insert("LANG", locale);
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(m_dir.path());
    process.start(QStringLiteral(TALLYER_PROGRAM_DIR "/tallyer-cli"), QStringList{"words"} + args);
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    const QString stderrText = QString::fromUtf8(process.readAllStandardError());
    QCOMPARE(stderrText, err);
    QCOMPARE(QString::fromUtf8(process.readAllStandardOutput()), out);
    QCOMPARE(process.exitCode(), exitCode);
}

QTEST_GUILESS_MAIN(TestCliWords)
#include "tst_cliwords.moc"
