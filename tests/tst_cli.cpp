// tallyer-cli from the outside: output lines, exit codes, standard input, sheet files, amounts in
// words, and the failures. The locale is pinned (LANG=C.UTF-8, or the separators given as
// options) so the machine's own does not matter.

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

const char kLimitMessage[] = "Error of the procedure 'value in words'\nFor processings should be:\n\n"
                             "| value | < 999 999 999 999.995\n";

// The bytes of a words file that comes with the program, CR LF line ends and all.
QByteArray euros()
{
    QFile file(QStringLiteral(TALLYER_PROGRAM_DIR "/InWordsEuros eng.txt"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray fileMessage(const QString &path)
{
    return "Error of the procedure 'value in words'\nSource file name:\n\n'" + path.toUtf8() + "'\n";
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void run_data();
    void run();
    void failures_data();
    void failures();

private:
    // Runs tallyer-cli in a temporary folder DIR holding sheet.txt with `file`. "FILE" in args
    // stands for that file: its bare name after --file=, its full path elsewhere.
    void runCli(QStringList args, const QByteArray &file, const QByteArray &input);

    QTemporaryDir m_dir;
    int m_exitCode = -1;
    QByteArray m_out;
    QByteArray m_err;
};

void TestCli::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void TestCli::run_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("out");

    const QByteArray none;
    auto eval = [&](const char *name, const QStringList &args, const QByteArray &out) {
        QTest::newRow(name) << (QStringList{"eval"} + args) << none << none << out;
    };
    eval("default-two-decimals", {"1+1"}, "2.00\n");
    eval("round-zero", {"--round=0", "1234.5"}, "1,235\n");
    eval("option-after-expression", {"1/4", "--round=1"}, "0.3\n");
    // The C locale groups with ","; a "," decimal must not group with the same character.
    eval("comma-decimal-never-groups-with-comma", {"--decimal=,", "1234,5"}, "1.234,50\n");
    eval("no-break-space", {"--decimal=,", QStringLiteral("--thousands=\u00a0"), "1234567,891"},
         "1\xc2\xa0" "234\xc2\xa0" "567,89\n");
    eval("double-minus-expression", {"--5"}, "5.00\n");
    eval("no-leading-zero", {"--no-leading-zero", ".5+1"}, "1.50\n");
    eval("largest-shown-value", {"--round=0", "999999999999999"}, "999,999,999,999,999\n");
    eval("raw-shows-beyond-display-limit", {"--raw", "999999999999999+1"}, "1e+15\n");
    eval("raw-always-point", {"--raw", "--decimal=,", "-1/4"}, "-0.25\n");
    // Every input line gives one line, a failed one too; the exit code stays 0.
    QTest::newRow("stdin-line-per-line") << QStringList{"eval", "-"} << none
                                         << QByteArray("1+1\n1/0\n\n2*3\r\n10^15\n-10^15\n7")
                                         << QByteArray("2.00\nerror\nerror\n6.00\nerror\nerror\n7.00\n");

    auto sheet = [&](const char *name, const QStringList &options, const QByteArray &file, const QByteArray &out) {
        QTest::newRow(name) << (QStringList{"sheet"} + options + QStringList{"FILE"}) << file << none << out;
    };
    sheet("lf-rows-cleaned", {}, "1 000 +\n\n2,5\n", "1,002.50\n");
    sheet("comma-locale-swaps-point", {"--decimal=,", "--thousands=."}, "1.5*\n2\n", "3,00\n");
    QTest::newRow("sheet-from-stdin") << QStringList{"sheet", "-"} << none << QByteArray("2+\r\n3")
                                      << QByteArray("5.00\n");

    auto words = [&](const char *name, const QStringList &args, const QByteArray &out) {
        QTest::newRow(name) << (QStringList{"words"} + args) << euros() << none << out;
    };
    // As on a cheque, the sign is dropped.
    words("words-line-per-amount", {"1", "-2.5", "0"}, "One dollar 00 cents\nTwo dollars 50 cents\nZero dollars 00 cents\n");
    words("words-relative-path-as-given", {"--file=./FILE", "3000.01"}, "Three thousand euros 01 cent\n");
    words("words-amount-after-double-dash", {"--file=InWordsEuros eng.txt", "--", "-21"}, "Twenty one euros 00 cents\n");
}

void TestCli::run()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, out);

    runCli(args, file, input);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(m_out, out);
    QCOMPARE(m_exitCode, 0);
    QCOMPARE(m_err, QByteArray());
}

// What fails says so: "error" and exit 1 for a calculation, a message and exit 1 for a file, one
// line naming the fault and the way to the usage, and exit 2, for a wrong command line.
void TestCli::failures_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QByteArray>("err"); // a part of stderr; for a usage error the whole of it

    const QByteArray none;
    const auto calc = [&](const char *name, const QStringList &args, const QByteArray &file = {}) {
        QTest::newRow(name) << args << file << 1 << QByteArray("error\n") << none;
    };
    calc("division-by-zero", {"eval", "1/0"});
    calc("expression-after-end-of-options", {"eval", "--", "--round=1"});
    calc("beyond-display-limit", {"eval", "999999999999999+1"});
    calc("negative-beyond-display-limit", {"eval", "-10^15"});
    calc("sheet-beyond-display-limit", {"sheet", "FILE"}, "999999999999999+\n0.5+\n0.5\n");
    calc("sheet-empty-file", {"sheet", "FILE"}, "");
    calc("sheet-rows-not-continued", {"sheet", "FILE"}, "1\n2\n");
    // Amounts beyond the limit get an empty line each and the message; the others are converted.
    const auto words = [&](const char *name, const QStringList &args, const QByteArray &file,
                           const QByteArray &out, const QByteArray &err) {
        QTest::newRow(name) << (QStringList{"words"} + args) << file << 1 << out << err;
    };
    words("words-beyond-currency-range", {"-123456789012345678901234567890"}, none, "\n", kLimitMessage);
    words("words-others-still-converted", {"5", "1000000000000", "6"}, none,
          "Five dollars 00 cents\n\nSix dollars 00 cents\n", kLimitMessage);
    // A bare name is looked for in the data folders (the program's first), not in the working folder.
    words("words-bare-name-not-in-working-folder", {"--file=FILE", "5"}, euros(), none,
          fileMessage(TALLYER_PROGRAM_DIR "/sheet.txt"));
    // LF line ends run every value on to the end of the text; the message names the file in full.
    words("words-lf-only-file", {"--file=./FILE", "5", "6"}, euros().replace("\r\n", "\n"),
          none, fileMessage("DIR/sheet.txt"));
    // A file that cannot be read: the message names it, nothing goes to the output.
    QTest::newRow("missing-file") << QStringList{"sheet", "DIR/none.txt"} << none << 1 << none
                                  << QByteArray("'DIR/none.txt'");
    QTest::newRow("folder") << QStringList{"sheet", "DIR"} << none << 1 << none << QByteArray("'DIR'");

    const auto usage = [&](const char *name, const QStringList &args, const char *why) {
        QTest::newRow(name) << args << none << 2 << none
                            << "tallyer-cli: " + QByteArray(why) + "; try 'tallyer-cli --help'\n";
    };
    usage("no-command", {}, "no command given");
    usage("unknown-command", {"add", "1"}, "unknown command 'add'");
    usage("unknown-option", {"eval", "--x", "1"}, "unknown option '--x'");
    usage("missing-expression", {"eval"}, "eval takes one expression, or - for standard input");
    usage("two-files", {"sheet", "a", "b"}, "sheet takes one file name, or - for standard input");
    usage("round-above-nine", {"eval", "--round=10", "1"}, "--round takes a whole number from 0 to 9");
    usage("decimal-not-point-or-comma", {"eval", "--decimal=;", "1"}, "--decimal takes \".\" or \",\"");
    usage("thousands-two-characters", {"sheet", "--thousands=ab", "-"}, "--thousands takes exactly one character");
    // words checks every argument before it converts anything.
    usage("words-no-amount", {"words"}, "words takes one or more amounts");
    usage("words-bad-amount-after-good-one", {"words", "5", "x"}, "'x' is not an amount such as 1234.56");
    usage("words-double-minus-amount", {"words", "--5"}, "unknown option '--5'");
    usage("words-empty-file-option", {"words", "--file=", "5"}, "--file takes a file name or path");
    usage("words-calculation-option", {"words", "--round=2", "5"}, "unknown option '--round=2'");
}

void TestCli::failures()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, file);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, err);

    runCli(args, file, {});
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(m_out, out);
    QCOMPARE(m_exitCode, exitCode);
    err.replace("DIR", m_dir.path().toUtf8());
    if (exitCode == 2 || args.front() == QLatin1String("words"))
        QCOMPARE(m_err, err);
    else
        QVERIFY2(m_err.contains(err), m_err.constData());
}

void TestCli::runCli(QStringList args, const QByteArray &file, const QByteArray &input)
{
    const QString path = m_dir.filePath(QStringLiteral("sheet.txt"));
    for (QString &arg : args)
        arg.replace(QStringLiteral("FILE"), arg.startsWith(QLatin1String("--file=")) ? QStringLiteral("sheet.txt") : path)
            .replace(QStringLiteral("DIR"), m_dir.path());
    QFile sheetFile(path);
    QVERIFY(sheetFile.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(sheetFile.write(file), file.size());
    sheetFile.close();

    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("LC_ALL"));
    env.remove(QStringLiteral("LC_NUMERIC"));
    env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(m_dir.path());
    process.start(QStringLiteral(TALLYER_PROGRAM_DIR "/tallyer-cli"), args);
    QVERIFY(process.waitForStarted());
    process.write(input);
    process.closeWriteChannel();
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    m_exitCode = process.exitCode();
    m_out = process.readAllStandardOutput();
    m_err = process.readAllStandardError();
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
