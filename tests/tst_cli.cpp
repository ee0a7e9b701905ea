// tallyer-cli from the outside: output lines, exit codes, standard input, sheet files, amounts in
// words, and the failures. The locale is pinned (LC_ALL=C.UTF-8, or the separators given as
// options) so the machine's own does not matter. The rules of calculation and formatting have
// their own tests; these rows cover what the command line adds.

#include <QtTest>

namespace {

const char kLimitMessage[] = "Error of the procedure 'value in words'\nFor processings should be:\n\n"
                             "| value | < 999 999 999 999.995\n";

// The bytes of a words file that comes with the program, CR LF line ends and all.
QByteArray euros()
{
    QFile file(QStringLiteral(TALLYER_PROGRAM_DIR "/InWordsEuros eng.txt"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void commands_data();
    void commands();
};

// "FILE" in args stands for sheet.txt in a temporary folder DIR holding `file`: its bare name
// after --file=, its full path elsewhere. A usage error (exit 2) is one line naming the fault and
// the way to the usage; a failed calculation is "error" and exit 1.
void TestCli::commands_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QByteArray>("err"); // all of stderr, or for a file message a part of it
    const QByteArray none;
    const auto ok = [&](const char *name, const QStringList &args, const QByteArray &out,
                        const QByteArray &file = {}, const QByteArray &input = {}) {
        QTest::newRow(name) << args << file << input << 0 << out << none;
    };
    ok("eval-round-zero", {"eval", "--round=0", "1234.5"}, "1,235\n");
    ok("eval-option-after-expression", {"eval", "1/4", "--round=1"}, "0.3\n");
    // The C locale groups with ","; a "," decimal must not group with the same character.
    ok("eval-comma-decimal-never-groups-with-comma", {"eval", "--decimal=,", "1234,5"}, "1.234,50\n");
    ok("eval-no-break-space", {"eval", "--decimal=,", QStringLiteral("--thousands=\u00a0"), "1234567,891"},
       "1\xc2\xa0" "234\xc2\xa0" "567,89\n");
    ok("eval-no-leading-zero", {"eval", "--no-leading-zero", ".5+1"}, "1.50\n");
    ok("eval-raw-beyond-display-limit-with-point", {"eval", "--raw", "--decimal=,", "-10^16/4"}, "-2.5e+15\n");
    // Every input line gives one line, a failed one too with its reason on stderr; exit code 0.
    QTest::newRow("eval-stdin-line-per-line") << QStringList{"eval", "-"} << none << QByteArray("1+1\n1/0\n\n7\r\n10^15")
        << 0 << QByteArray("2.00\nerror\nerror\n7.00\nerror\n") << QByteArray("tallyer-cli: line 2: Division by zero\n"
           "tallyer-cli: line 3: Nothing to calculate\ntallyer-cli: line 5: Too large to show\n");
    ok("sheet-lf-rows-cleaned", {"sheet", "FILE"}, "1,002.50\n", "1 000 +\n\n2,5\n");
    ok("sheet-from-stdin", {"sheet", "-"}, "5.00\n", none, "2+\r\n3");
    // As on a cheque, the sign is dropped.
    ok("words-line-per-amount", {"words", "1", "-2.5", "0"},
       "One dollar 00 cents\nTwo dollars 50 cents\nZero dollars 00 cents\n");
    ok("words-relative-path-as-given", {"words", "--file=./FILE", "3000.01"}, "Three thousand euros 01 cent\n",
       euros());
    ok("words-amount-after-double-dash", {"words", "--file=InWordsEuros eng.txt", "--", "-21"},
       "Twenty one euros 00 cents\n");

    // A failed calculation is "error" on stdout and its reason on one line of stderr.
    const auto failed = [&](const char *name, const QStringList &args, const QByteArray &why,
                            const QByteArray &file = {}) {
        QTest::newRow(name) << args << file << none << 1 << QByteArray("error\n") << "tallyer-cli: " + why + "\n";
    };
    failed("eval-beyond-display-limit", {"eval", "-10^15"}, "Too large to show");
    failed("eval-division-by-zero", {"eval", "10/0"}, "Division by zero");
    failed("sheet-empty-file", {"sheet", "FILE"}, "Nothing to calculate");
    failed("sheet-independent-rows", {"sheet", "FILE"}, "Rows not joined by an operator", "12\n5\n");
    // Amounts beyond the limit get an empty line each and the message; the others are converted.
    const auto words = [&](const char *name, const QStringList &args, const QByteArray &file,
                           const QByteArray &out, const QByteArray &err) {
        QTest::newRow(name) << (QStringList{"words"} + args) << file << none << 1 << out << err;
    };
    words("words-beyond-currency-range", {"-123456789012345678901234567890"}, none, "\n", kLimitMessage);
    words("words-others-still-converted", {"5", "1000000000000", "6"}, none,
          "Five dollars 00 cents\n\nSix dollars 00 cents\n", kLimitMessage);
    // A bare name is looked for in the data folders (the program's first), not in the working folder.
    words("words-bare-name-not-in-working-folder", {"--file=FILE", "5"}, euros(), none,
          "Error of the procedure 'value in words'\nSource file name:\n\n'" TALLYER_PROGRAM_DIR "/sheet.txt'\n");
    QTest::newRow("sheet-missing-file") << QStringList{"sheet", "DIR/none.txt"} << none << none << 1 << none
                                        << QByteArray("'DIR/none.txt'");

    const auto usage = [&](const char *name, const QStringList &args, const char *why) {
        QTest::newRow(name) << args << none << none << 2 << none
                            << "tallyer-cli: " + QByteArray(why) + "; try 'tallyer-cli --help'\n";
    };
    usage("no-command", {}, "no command given");
    usage("unknown-command", {"add", "1"}, "unknown command 'add'");
    usage("unknown-option", {"eval", "--x", "1"}, "unknown option '--x'");
    usage("missing-expression", {"eval"}, "eval takes one expression, or - for standard input");
    usage("round-above-nine", {"eval", "--round=10", "1"}, "--round takes a whole number from 0 to 9");
    usage("decimal-not-point-or-comma", {"eval", "--decimal=;", "1"}, "--decimal takes \".\" or \",\"");
    usage("thousands-two-characters", {"sheet", "--thousands=ab", "-"}, "--thousands takes exactly one character");
    // words checks every argument before it converts anything.
    usage("words-no-amount", {"words"}, "words takes one or more amounts");
    usage("words-bad-amount-after-good-one", {"words", "5", "x"}, "'x' is not an amount such as 1234.56");
    usage("words-empty-file-option", {"words", "--file=", "5"}, "--file takes a file name or path");
    usage("words-calculation-option", {"words", "--round=2", "5"}, "unknown option '--round=2'");
}

void TestCli::commands()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, input);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, err);
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
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(m_dir.path());
    process.start(QStringLiteral(TALLYER_PROGRAM_DIR "/tallyer-cli"), args);
    process.write(input);
    process.closeWriteChannel();
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);

    QCOMPARE(process.readAllStandardOutput(), out);
    QCOMPARE(process.exitCode(), exitCode);
    const QByteArray stderrText = process.readAllStandardError();
    err.replace("DIR", m_dir.path().toUtf8());
    if (exitCode == 1 && args.front() == QLatin1String("sheet"))
        QVERIFY2(stderrText.contains(err), stderrText.constData());
    else
        QCOMPARE(stderrText, err);
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
