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
    QString m_locale = QStringLiteral("C.UTF-8"); // LC_ALL of the command

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
        ok("sheet-lf-rows-cleaned", {"sheet", "FILE"}, "1,002.50\n", "1000 +\n\n2,5\n");
        // Rows read as a paste is: labels and currency left out, grouped numbers whole, "x"
        // multiplies, what follows a TAB is a note; rows cut by the 256 KiB pieces read whole.
        ok("sheet-labels-and-grouping", {"sheet", "--decimal=.", "--thousands=,", "FILE"}, "1,851.00\n",
           "Invoice #12: 1,607.50+\nTotal: $1,234.50 - 1,000 +\n2x3 + 3\n");
        ok("sheet-tab-notes-left-out", {"sheet", "--decimal=.", "--thousands=,", "-"}, "1,290.00\n", none,
           "1250+\tRent 12 34 1e3\n40\tFood\n");
        ok("sheet-labelled-rows-across-pieces", {"sheet", "--decimal=.", "--thousands=,", "FILE"}, "20,010,000.00\n",
           QByteArray("Item 1,000.50+\tnote\n").repeated(20000) + "0");
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
        failed("sheet-scientific-notation-refused", {"sheet", "FILE"},
               "row 2: \"1e3\" is scientific notation, which the sheet does not read; write the number out", "5+\n1e3\n");
        failed("sheet-numbers-without-operator-refused", {"sheet", "FILE"},
               "row 100002: \"12 34\" is numbers with no operator between them",
               QByteArray("1+\n").repeated(100000) + "1+\n12 34\n");
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

    // print: "FILE" is the tape (file's bytes); out is what the output named in outName holds
    // (stdout when empty; a .txt from its column heads to the item count, the first lines and the
    // date at the end left out; for a .pdf a pattern pdftotext's text matches); err is all of
    // stderr: a tape without a result is written all the same, then fails with its reason.
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
        const QByteArray divisionByZero = "100/\n0+\n5\n";
        const auto ok = [&](const char *name, const QStringList &args, const QByteArray &file, const QString &outName,
                            const QByteArray &out, const QByteArray &input = {}, const QByteArray &err = {}) {
            QTest::newRow(name) << (QStringList{"print"} + args) << file << input << (err.isEmpty() ? 0 : 1) << outName
                                << out << (err.isEmpty() ? err : "tallyer-cli: " + err + "\n");
        };
        // The operation beside the amount it applies to (the row above ends in it), the amount
        // signed as it adds to the total, so that the amounts add up to the result.
        ok("csv-on-stdout", {"--decimal=.", "--thousands=,", "FILE", "--output", "-"}, "1250+\n128.40-\n45+\n-5+\n100\n",
           {}, "row,text,operation,amount,subtotal,note\n1,\"1250+\",add,1250,1250.00,\"\"\n2,\"128.40-\",add,128.4,1378.40,\"\"\n"
               "3,\"45+\",subtract,-45,1333.40,\"\"\n4,\"'-5+\",subtract,-5,1328.40,\"\"\n5,\"100\",add,100,1428.40,\"\"\n");
        // Plain digits with "." whatever the tape's separator; the text quoted; a row that does not
        // enter whole ("2+3" taken away) has no amount; a percentage has its own.
        ok("csv-comma-decimal-quoted-percent", {"--decimal=,", "FILE", "--output=DIR/out.csv"}, "1,5-\n2+3*\n10%\n",
           "out.csv", "row,text,operation,amount,subtotal,note\n1,\"1,5-\",add,1.5,1.50,\"\"\n2,\"2+3*\",subtract,,2.50,\"\"\n"
                      "3,\"10%\",multiply percent,10,-0.20,\"\"\n");
        // After a row that does not continue no subtotal, but the row's own amount. Text a
        // spreadsheet would take for a formula keeps a "'", numbers stay numbers, a subtotal
        // rounded to 0 has no sign.
        ok("csv-negative-independent-formula", {"--decimal=.", "-", "--output", "-"}, none, {},
           "row,text,operation,amount,subtotal,note\n1,\"'-0.0001+\",subtract,-0.0001,0.00,\"\"\n2,\"5-\",add,5,5.00,\"\"\n"
           "3,\"8\",subtract,-8,-3.00,\"\"\n4,\"3\",add,3,,\"\"\n5,\"'=1\",add,,,\"\"\n", "-0.0001+\n5-\n8\n3\n=1\n",
           "Rows not joined by an operator");
        QByteArray zeros = "row,text,operation,amount,subtotal,note\n";
        for (int row = 1; row <= 40000; ++row)
            zeros += QByteArray::number(row) + ",\"0+\",add,0,0.00,\"\"\n";
        ok("csv-pipe-read-to-end", {"-", "--output", "-"}, none, {}, zeros + "40001,\"7\",add,7,7.00,\"\"\n",
           QByteArray("0+\n").repeated(40000) + "7");
        // The notes beside their rows, words before the figures and what follows a TAB alike; the
        // empty first row goes in the cleaning, and its note with it.
        const QByteArray noted = "\tMarch\nRent 1250+\n340+\t=SUM(A1)\n17.5\tFood, \"fresh\"\n";
        ok("csv-notes-quoted-formula-kept-text", {"--decimal=.", "FILE", "--output", "-"}, noted, {},
           "row,text,operation,amount,subtotal,note\n1,\"1250+\",add,1250,1250.00,\"Rent\"\n"
           "2,\"340+\",add,340,1590.00,\"'=SUM(A1)\"\n3,\"17.5\",add,17.5,1607.50,\"Food, \"\"fresh\"\"\"\n");
        ok("text-notes-last-column", {"--decimal=.", "--thousands=,", "FILE", "--output", "DIR/out.txt"}, noted, "out.txt",
           "No.     Entry    Subtotal  Note\n  1  1,250.00 +  1,250.00  Rent\n  2    340.00 +  1,590.00  =SUM(A1)\n"
           "  3     17.50 +  1,607.50  Food, \"fresh\"\n-------------------------\n       Result    1,607.50 *   Items: 3");
        ok("text-division-by-zero", {"FILE", "--output", "DIR/out.txt"}, divisionByZero, "out.txt",
           "No.   Entry    Subtotal\n  1  100.00 +    100.00\n  2    0.00 \u00F7\n  3    5.00 +\n"
           "-----------------------\n     Result    Division by zero   Items: 3",
           {}, "Division by zero");
        // No display and a runtime folder the toolkit warns about: nothing on stderr but the reason.
        ok("pdf-without-display", {"--decimal=.", "--thousands=,", "FILE", "--output", "DIR/out.pdf"}, column, "out.pdf",
           "3\\s+17\\.50 \\+\\s+1,607\\.50\\s*\\n\\s*Result\\s+1,607\\.50 \\*\\s+Items: 3");
        ok("pdf-division-by-zero", {"FILE", "--output", "DIR/out.pdf"}, divisionByZero, "out.pdf",
           "2\\s+0\\.00 \u00F7\\s*\\n\\s*3\\s+5\\.00 \\+\\s*\\n\\s*Result\\s+Division by zero\\s+Items: 3", {},
           "Division by zero");

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
        usage("unknown-paper", {"FILE", "--output", "-", "--paper=b5"}, "unknown paper size 'b5': a4, letter, legal or a5");
        usage("paper-without-size", {"FILE", "--output", "-", "--paper"}, "--paper takes a paper size");
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
            bytes = bytes.mid(bytes.indexOf("\n\n") + 2);
            QCOMPARE(bytes.left(bytes.lastIndexOf("   ")), out);
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

    // The PDF's paper: the locale's (Letter where it measures in inches), or the one --paper names.
    void printPaper_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QStringList>("paper");
        QTest::addColumn<QByteArray>("size"); // as pdfinfo names it
        QTest::newRow("us-locale-letter") << "en_US.UTF-8" << QStringList{} << QByteArray("(letter)");
        QTest::newRow("german-locale-a4") << "de_DE.UTF-8" << QStringList{} << QByteArray("(A4)");
        QTest::newRow("option-over-locale") << "en_US.UTF-8" << QStringList{"--paper=a4"} << QByteArray("(A4)");
        QTest::newRow("option-value-apart") << "C.UTF-8" << QStringList{"--paper", "legal"} << QByteArray("612 x 1008 pts");
        QTest::newRow("option-any-case") << "en_US.UTF-8" << QStringList{"--paper=A5"} << QByteArray("(A5)");
    }
    void printPaper()
    {
        QFETCH(QString, locale);
        QFETCH(QStringList, paper);
        QFETCH(QByteArray, size);
        m_locale = locale;
        const auto restore = qScopeGuard([this] { m_locale = QStringLiteral("C.UTF-8"); });
        QProcess process;
        QVERIFY(run(process, QStringList{"print", "FILE", "--output", "DIR/paper.pdf"} + paper, "1+\n2\n", {}));
        QCOMPARE(process.exitCode(), 0);
        QProcess info;
        info.start(QStandardPaths::findExecutable(QStringLiteral("pdfinfo")), {m_dir.filePath(QStringLiteral("paper.pdf"))});
        QVERIFY2(info.waitForFinished(30000), "pdfinfo (poppler-utils) is needed");
        const QByteArray text = info.readAllStandardOutput();
        QVERIFY2(text.contains(size), text.constData());
    }

private:
    bool run(QProcess &process, QStringList args, const QByteArray &file, const QByteArray &input,
             const QString &inputFile = {});
};

// Writes `file` to sheet.txt in DIR and runs tallyer-cli there on args, with "FILE" standing for
// sheet.txt (its bare name after --file=, its full path elsewhere) and "DIR" for the folder, under
// the locale m_locale (C.UTF-8) and with no display; standard input is `input`, or the file inputFile names.
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
    env.insert(QStringLiteral("LC_ALL"), m_locale);
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
