// tallyer-cli from the outside: output lines, exit codes, standard input, sheet files, amounts in
// words, and the failures. The locale is pinned (LC_ALL=C.UTF-8, or the separators given as
// options) so the machine's own does not matter. The rules of calculation and formatting have
// their own tests; these rows cover what the command line adds.

#include <QtTest>

#include <sys/stat.h>

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
    // Outputs print must refuse (a FIFO, a link to it: never a device), a runtime folder to warn about.
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        const QByteArray dir = QFile::encodeName(m_dir.path());
        QCOMPARE(::mkfifo(dir + "/fifo.csv", 0600), 0);
        QVERIFY(QFile::link(m_dir.filePath(QStringLiteral("fifo.csv")), m_dir.filePath(QStringLiteral("link.csv"))));
        QVERIFY(QFile::link(m_dir.filePath(QStringLiteral("sheet.txt")), m_dir.filePath(QStringLiteral("link.txt"))));
        QCOMPARE(::mkdir(dir + "/runtime", 0755), 0);
    }

    // Started in a folder that holds files named as the libraries it loads, the program loads its
    // own: a search path with an empty entry would look in the working folder first, and these
    // (no libraries at all) would stop it before main.
    void librariesNotFromWorkingFolder()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        for (const char *name : {"libQt6Core.so.6", "libstdc++.so.6", "libc.so.6", "libm.so.6", "libgcc_s.so.1"}) {
            QFile fake(folder.filePath(QString::fromLatin1(name)));
            QVERIFY(fake.open(QIODevice::WriteOnly));
            fake.write("not a library\n");
        }
        QProcess process;
        process.setWorkingDirectory(folder.path());
        process.start(QStringLiteral(TALLYER_PROGRAM_DIR "/tallyer-cli"), {"sheet", "--decimal=.", "-"});
        process.write("1+\n2");
        process.closeWriteChannel();
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.readAllStandardError(), QByteArray());
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(process.readAllStandardOutput(), QByteArray("3.00\n"));
    }

    // "FILE" and "DIR" in args as run() fills them in. A usage error (exit 2) is one line naming the fault and
    // the way to the usage; a failed calculation is "error" and exit 1.
    void commands_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("err"); // all of stderr, or for a file message a part of it
        QTest::addColumn<QString>("inputFile"); // standard input read from this file, not from input
        const QByteArray none;
        const QString pipe;
        const auto ok = [&](const char *name, const QStringList &args, const QByteArray &out,
                            const QByteArray &file = {}, const QByteArray &input = {}) {
            QTest::newRow(name) << args << file << input << 0 << out << none << pipe;
        };
        // A sheet of any size (past 16 MiB too) is read a piece at a time, from a file or a pipe.
        const QByteArray large = QByteArray("0.001+\n").repeated(2600000) + "0";
        ok("sheet-past-16-MiB-file", {"sheet", "--decimal=.", "--thousands=,", "FILE"}, "2,600.00\n", large);
        ok("sheet-past-16-MiB-from-pipe", {"sheet", "--decimal=.", "--thousands=,", "-"}, "2,600.00\n", none, large);
        ok("sheet-medium-products-first", {"sheet", "--decimal=,", "--thousands=.", "FILE"}, "360.001,00\n",
           QByteArray("2*3+\n").repeated(60000) + "1");
        ok("eval-round-option-after-expression", {"eval", "1234.5", "--round=0"}, "1,235\n");
        // The C locale groups with ","; a "," decimal must not group with the same character.
        ok("eval-comma-decimal-never-groups-with-comma", {"eval", "--decimal=,", "1234,5"}, "1.234,50\n");
        ok("eval-no-break-space", {"eval", "--decimal=,", QStringLiteral("--thousands=\u00a0"), "1234567,891"},
           "1\xc2\xa0" "234\xc2\xa0" "567,89\n");
        ok("eval-no-leading-zero", {"eval", "--no-leading-zero", ".5+1"}, "1.50\n");
        ok("eval-raw-beyond-display-limit-with-point", {"eval", "--raw", "--decimal=,", "-10^16/4"}, "-2.5e+15\n");
        // Every input line gives one line, a failed one too with its reason on stderr; exit code 0.
        QTest::newRow("eval-stdin-line-per-line") << QStringList{"eval", "-"} << none << QByteArray("1+1\n1/0\n\n7\r\n10^15")
            << 0 << QByteArray("2.00\nerror\nerror\n7.00\nerror\n") << QByteArray("tallyer-cli: line 2: Division by zero\n"
               "tallyer-cli: line 3: Nothing to calculate\ntallyer-cli: line 5: Too large to show\n") << pipe;
        ok("sheet-lf-rows-cleaned", {"sheet", "FILE"}, "1,002.50\n", "1 000 +\n\n2,5\n");
        ok("sheet-from-stdin", {"sheet", "-"}, "5.00\n", none, "2+\r\n3");
        // One number is read whole: kept from a pipe, read again from a file (here on standard input).
        ok("sheet-one-number-from-pipe", {"sheet", "-"}, "12.50\n", none, "12.5\n");
        QTest::newRow("sheet-one-number-on-standard-input-file") << QStringList{"sheet", "-"} << QByteArray("12.5\n") << none
            << 0 << QByteArray("12.50\n") << none << m_dir.filePath(QStringLiteral("sheet.txt"));
        ok("words-line-per-amount", {"words", "1", "-2.5", "0"},
           "One dollar 00 cents\nTwo dollars 50 cents\nZero dollars 00 cents\n");
        ok("words-relative-path-amount-after-double-dash", {"words", "--file=./FILE", "--", "-21"},
           "Twenty one euros 00 cents\n", euros());

        // A failed calculation is "error" on stdout and its reason on one line of stderr.
        const auto failed = [&](const char *name, const QStringList &args, const QByteArray &why,
                                const QByteArray &file = {}) {
            QTest::newRow(name) << args << file << none << 1 << QByteArray("error\n") << "tallyer-cli: " + why + "\n" << pipe;
        };
        failed("eval-division-by-zero", {"eval", "10/0"}, "Division by zero");
        failed("sheet-empty-file", {"sheet", "FILE"}, "Nothing to calculate");
        failed("sheet-independent-rows", {"sheet", "FILE"}, "Rows not joined by an operator", "12\n5\n");
        failed("sheet-medium-division-by-zero-last", {"sheet", "FILE"}, "Division by zero",
               QByteArray("1+\n").repeated(100000) + "1/0");

        // Amounts beyond the limit get an empty line each and the message; the others are converted.
        const auto words = [&](const char *name, const QStringList &args, const QByteArray &file,
                               const QByteArray &out, const QByteArray &err) {
            QTest::newRow(name) << (QStringList{"words"} + args) << file << none << 1 << out << err << pipe;
        };
        words("words-others-still-converted", {"5", "1000000000000", "6"}, none,
              "Five dollars 00 cents\n\nSix dollars 00 cents\n", kLimitMessage);
        // A bare name is looked for in the data folders (the program's first), not in the working folder.
        words("words-bare-name-not-in-working-folder", {"--file=FILE", "5"}, euros(), none,
              "Error of the procedure 'value in words'\nSource file name:\n\n'" TALLYER_PROGRAM_DIR "/sheet.txt'\n");
        // A Replace list that doubles the text thirty times fails at once, like any bad words file.
        QByteArray doubling = euros();
        doubling.replace("[Replace]=", "[Replace]=" + QByteArray("e,ee,").repeated(30));
        words("words-replace-growth-fails-fast", {"--file=./FILE", "5"}, doubling, "\n",
              "Error of the procedure 'value in words'\nSource file name:\n\n'DIR/sheet.txt'\n");

        // Inputs: a regular file, or on standard input also a pipe, a terminal or /dev/null; a line of
        // eval - of at most 16 MiB. Anything else: one line on stderr, exit code 1.
        const auto refused = [&](const char *name, const QStringList &args, const QByteArray &err,
                                 const QByteArray &input = {}, const QString &inputFile = {}, const QByteArray &file = {}) {
            QTest::newRow(name) << args << file << input << 1 << none << "tallyer-cli: cannot read " + err + "\n" << inputFile;
        };
        refused("sheet-device-file", {"sheet", "/dev/zero"}, "'/dev/zero': not a readable regular file");
        refused("sheet-device-on-stdin", {"sheet", "-"}, "standard input: not a file, a pipe or a terminal", none, "/dev/zero");
        refused("eval-line-past-16-MiB", {"eval", "-"}, "standard input: a line longer than 16 MiB", QByteArray(16 * 1024 * 1024 + 1, 'x'));
        QTest::newRow("sheet-null-device-on-stdin-is-empty")
            << QStringList{"sheet", "-"} << none << none << 1 << QByteArray("error\n") << QByteArray("tallyer-cli: Nothing to calculate\n") << "/dev/null";

        const auto usage = [&](const char *name, const QStringList &args, const char *why) {
            QTest::newRow(name) << args << none << none << 2 << none
                                << "tallyer-cli: " + QByteArray(why) + "; try 'tallyer-cli --help'\n" << pipe;
        };
        usage("no-command", {}, "no command given");
        usage("unknown-command", {"add", "1"}, "unknown command 'add'");
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

    void commands()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, input);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        QFETCH(QString, inputFile);
        QProcess process;
        QVERIFY(run(process, args, file, input, inputFile));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);

        QCOMPARE(process.readAllStandardOutput(), out);
        QCOMPARE(process.exitCode(), exitCode);
        const QByteArray stderrText = process.readAllStandardError();
        err.replace("DIR", m_dir.path().toUtf8());
        QCOMPARE(stderrText, err);
    }

    // print: "FILE" is the tape (file's bytes); out is what the output
    // named in outName holds (stdout when empty; a .txt from its column heads on, the first lines
    // holding the date; for a .pdf a pattern pdftotext's text matches); err is all of stderr.
    void print_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("outName");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("err");
        const QByteArray none;
        const QByteArray column = "1250+\n340+\n17.5\n";
        const auto ok = [&](const char *name, const QStringList &args, const QByteArray &file, const QString &outName,
                            const QByteArray &out, const QByteArray &input = {}) {
            QTest::newRow(name) << (QStringList{"print"} + args) << file << input << 0 << outName << out << none;
        };
        ok("csv-on-stdout", {"--decimal=.", "--thousands=,", "FILE", "--output", "-"}, column, {},
           "row,text,value,subtotal\n1,\"1250+\",1250,1250.00\n2,\"340+\",340,1590.00\n3,\"17.5\",17.5,1607.50\n");
        // Plain digits with "." whatever the tape's separator; the text quoted.
        ok("csv-comma-decimal-quoted", {"--decimal=,", "FILE", "--output=DIR/out.csv"}, "1,5+\n2\n", "out.csv",
           "row,text,value,subtotal\n1,\"1,5+\",1.5,1.50\n2,\"2\",2,3.50\n");
        // A row after one that does not continue has no subtotal; its own value stays.
        // After a row that does not continue no subtotal, but the row's own value. Text a spreadsheet
        // would take for a formula keeps a "'", numbers stay numbers, a subtotal rounded to 0 has no sign.
        ok("csv-negative-independent-formula", {"--decimal=.", "-", "--output", "-"}, none, {},
           "row,text,value,subtotal\n1,\"'-0.0001+\",-0.0001,0.00\n2,\"5-\",5,5.00\n3,\"8\",8,-3.00\n4,\"3\",3,\n"
           "5,\"'=1\",,\n", "-0.0001+\n5-\n8\n3\n=1\n");
        QByteArray zeros = "row,text,value,subtotal\n";
        for (int row = 1; row <= 40000; ++row)
            zeros += QByteArray::number(row) + ",\"0+\",0,0.00\n";
        ok("csv-pipe-read-to-end", {"-", "--output", "-"}, none, {}, zeros + "40001,\"7\",7,7.00\n",
           QByteArray("0+\n").repeated(40000) + "7");
        ok("text-with-subtotals", {"FILE", "--output", "DIR/out.txt"}, "2+\n3*\n4\n", "out.txt",
           "No.   Entry    Subtotal\n  1       2 +      2.00\n  2       3 *      5.00\n  3       4       14.00\n"
           "-----------------------\n     Result       14.00\n");
        // No display and a runtime folder the toolkit warns about: nothing on stderr.
        ok("pdf-without-display", {"--decimal=.", "--thousands=,", "FILE", "--output", "DIR/out.pdf"}, column, "out.pdf",
           "3\\s+17\\.5\\s+1,607\\.50");

        // Every failure is one line: what failed, on what (control characters shown escaped), why.
        const auto failed = [&](const char *name, const QStringList &args, const QByteArray &err,
                                const QByteArray &input = {}) {
            QTest::newRow(name) << (QStringList{"print"} + args) << column << input << 1 << QString() << none
                                << "tallyer-cli: " + err + "\n";
        };
        failed("missing-input-name-escaped", {"DIR/no\ne\x1b[2J.txt", "--output", "-"},
               "cannot read 'DIR/no\\ne\\x1b[2J.txt': no such file");
        failed("nul-in-input", {"-", "--output", "-"}, "cannot read standard input: it holds NUL characters: not a text file",
               QByteArray("1+\0\n", 4));
        failed("unknown-extension", {"FILE", "--output", "DIR/out.doc"},
               "cannot write 'DIR/out.doc': the name must end in .pdf, .csv or .txt");
        failed("unwritable-output", {"FILE", "--output", "DIR/none/out.csv"},
               "cannot write 'DIR/none/out.csv': No such file or directory");
        failed("output-fifo", {"FILE", "--output", "DIR/fifo.csv"}, "cannot write 'DIR/fifo.csv': not a regular file");
        failed("output-link-to-fifo", {"FILE", "--output", "DIR/link.csv"}, "cannot write 'DIR/link.csv': not a regular file");
        failed("output-is-input", {"FILE", "--output", "FILE"}, "cannot write 'DIR/sheet.txt': it is the tape being printed");
        failed("output-link-to-input", {"FILE", "--output", "DIR/link.txt"},
               "cannot write 'DIR/link.txt': it is the tape being printed");

        const auto usage = [&](const char *name, const QStringList &args, const char *why) {
            QTest::newRow(name) << (QStringList{"print"} + args) << column << none << 2 << QString() << none
                                << "tallyer-cli: " + QByteArray(why) + "; try 'tallyer-cli --help'\n";
        };
        usage("no-output", {"FILE"}, "print takes --output FILE (.pdf, .csv or .txt), or --output - for CSV");
        usage("output-without-name", {"FILE", "--output"}, "--output takes a file name");
        usage("raw-refused", {"--raw", "FILE", "--output", "-"}, "print does not take --raw");
    }

    void print()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, input);
        QFETCH(int, exitCode);
        QFETCH(QString, outName);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        const QString outPath = m_dir.filePath(outName);
        if (!outName.isEmpty())
            QFile::remove(outPath);
        QProcess process;
        QVERIFY(run(process, args, file, input));
        const QByteArray stderrText = process.readAllStandardError();
        const QByteArray stdoutText = process.readAllStandardOutput();
        QCOMPARE(stderrText, err.replace("DIR", m_dir.path().toUtf8()));
        QCOMPARE(process.exitCode(), exitCode);
        if (outName.isEmpty()) {
            QCOMPARE(stdoutText, out);
            return;
        }
        QCOMPARE(stdoutText, QByteArray());
        QFile written(outPath);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QByteArray bytes = written.readAll();
        if (outName.endsWith(QLatin1String(".txt"))) {
            QVERIFY(bytes.startsWith("sheet.txt "));
            QCOMPARE(bytes.mid(bytes.indexOf("\n\n") + 2), out);
        } else if (outName.endsWith(QLatin1String(".pdf"))) {
            QVERIFY(bytes.startsWith("%PDF-"));
            QProcess text;
            text.start(QStandardPaths::findExecutable(QStringLiteral("pdftotext")), {"-layout", outPath, "-"});
            QVERIFY2(text.waitForFinished(30000), "pdftotext (poppler-utils) is needed");
            const QByteArray pdfText = text.readAllStandardOutput();
            QVERIFY2(QString::fromUtf8(pdfText).contains(QRegularExpression(QString::fromUtf8(out))), pdfText.constData());
        } else {
            QCOMPARE(bytes, out);
        }
    }

private:
    bool run(QProcess &process, QStringList args, const QByteArray &file, const QByteArray &input,
             const QString &inputFile = {});
};

// Writes `file` to sheet.txt in DIR and runs tallyer-cli there on args, with "FILE" standing for
// sheet.txt (its bare name after --file=, its full path elsewhere) and "DIR" for the folder, under
// the C.UTF-8 locale and with no display; standard input is `input`, or the file inputFile names.
bool TestCli::run(QProcess &process, QStringList args, const QByteArray &file, const QByteArray &input,
                  const QString &inputFile)
{
    const QString path = m_dir.filePath(QStringLiteral("sheet.txt"));
    for (QString &arg : args)
        arg.replace(QStringLiteral("FILE"), arg.startsWith(QLatin1String("--file=")) ? QStringLiteral("sheet.txt") : path)
            .replace(QStringLiteral("DIR"), m_dir.path());
    QFile sheetFile(path);
    if (!sheetFile.open(QIODevice::WriteOnly | QIODevice::Truncate) || sheetFile.write(file) != file.size())
        return false;
    sheetFile.close();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.filePath(QStringLiteral("runtime")));
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(m_dir.path());
    if (!inputFile.isEmpty())
        process.setStandardInputFile(inputFile);
    process.start(QStringLiteral(TALLYER_PROGRAM_DIR "/tallyer-cli"), args);
    if (inputFile.isEmpty()) {
        process.write(input);
        process.closeWriteChannel();
    }
    return process.waitForFinished(60000);
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
