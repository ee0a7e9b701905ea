// tallyer-cli from the outside: output lines, exit codes, standard input, sheet files. The locale is
// pinned (LANG=C.UTF-8, or the separators given as options) so the machine's own does not matter.

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void run_data();
    void run();

private:
    QTemporaryDir m_dir;
};

void TestCli::run_data()
{
    QTest::addColumn<QStringList>("args"); // "FILE" stands for a file holding `file`, "DIR" for a folder
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QByteArray>("err"); // a part of the standard error output

    const QByteArray none;
    auto eval = [&](const char *name, const QStringList &args, int exitCode, const QByteArray &out) {
        QTest::newRow(name) << (QStringList{"eval"} + args) << none << none << exitCode << out << none;
    };
    eval("default-two-decimals", {"1+1"}, 0, "2.00\n");
    eval("round-zero", {"--round=0", "1234.5"}, 0, "1,235\n");
    eval("option-after-expression", {"1/4", "--round=1"}, 0, "0.3\n");
    // The C locale groups with ","; a "," decimal must not group with the same character.
    eval("comma-decimal-never-groups-with-comma", {"--decimal=,", "1234,5"}, 0, "1.234,50\n");
    eval("no-break-space", {"--decimal=,", QStringLiteral("--thousands=\u00a0"), "1234567,891"}, 0,
         "1\xc2\xa0" "234\xc2\xa0" "567,89\n");
    eval("double-minus-expression", {"--5"}, 0, "5.00\n");
    eval("expression-after-end-of-options", {"--", "--round=1"}, 1, "error\n");
    eval("no-leading-zero", {"--no-leading-zero", ".5+1"}, 0, "1.50\n");
    eval("raw-display-limit", {"--raw", "999999999999999+1"}, 0, "1e+15\n");
    eval("raw-always-point", {"--raw", "--decimal=,", "-1/4"}, 0, "-0.25\n");
    eval("display-limit-empty-line", {"10^15"}, 0, "\n");
    eval("division-by-zero", {"1/0"}, 1, "error\n");
    QTest::newRow("stdin-line-per-line") << QStringList{"eval", "-"} << none
                                         << QByteArray("1+1\n1/0\n\n2*3\r\n10^15\n7") << 0
                                         << QByteArray("2.00\nerror\nerror\n6.00\n\n7.00\n") << none;

    auto sheet = [&](const char *name, const QStringList &options, const QByteArray &file, int exitCode,
                     const QByteArray &out) {
        QTest::newRow(name) << (QStringList{"sheet"} + options + QStringList{"FILE"}) << file << none << exitCode << out
                            << none;
    };
    sheet("lf-rows-cleaned", {}, "1 000 +\n\n2,5\n", 0, "1,002.50\n");
    sheet("comma-locale-swaps-point", {"--decimal=,", "--thousands=."}, "1.5*\n2\n", 0, "3,00\n");
    sheet("empty-file", {}, "", 1, "error\n");
    QTest::newRow("sheet-from-stdin") << QStringList{"sheet", "-"} << none << QByteArray("2+\r\n3") << 0
                                      << QByteArray("5.00\n") << none;
    // A file that cannot be read: the message names it, nothing goes to the output.
    QTest::newRow("missing-file") << QStringList{"sheet", "DIR/none.txt"} << none << none << 1 << none
                                  << QByteArray("DIR/none.txt");
    QTest::newRow("folder") << QStringList{"sheet", "DIR"} << none << none << 1 << none << QByteArray("DIR");

    const auto usage = [&](const char *name, const QStringList &args) {
        QTest::newRow(name) << args << none << none << 2 << none << QByteArray("Usage");
    };
    usage("no-command", {});
    usage("unknown-option", {"eval", "--bogus", "1"});
    usage("missing-expression", {"eval"});
    usage("missing-file", {"sheet"});
    usage("round-above-nine", {"eval", "--round=10", "1"});
    usage("round-below-zero", {"eval", "--round=-1", "1"});
    usage("decimal-not-point-or-comma", {"eval", "--decimal=;", "1"});
}

void TestCli::run()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, input);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, err);

    QVERIFY(m_dir.isValid());
    const QString path = m_dir.filePath(QStringLiteral("sheet.txt"));
    for (QString &arg : args)
        arg.replace(QStringLiteral("FILE"), path).replace(QStringLiteral("DIR"), m_dir.path());
    err.replace("DIR", m_dir.path().toUtf8());
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
    process.start(QStringLiteral(TALLYER_PROGRAM_DIR "/tallyer-cli"), args);
    QVERIFY(process.waitForStarted());
    process.write(input);
    process.closeWriteChannel();
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.readAllStandardOutput(), out);
    QCOMPARE(process.exitCode(), exitCode);
    const QByteArray stderrText = process.readAllStandardError();
    if (!err.isEmpty())
        QVERIFY2(stderrText.contains(err), stderrText.constData());
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
