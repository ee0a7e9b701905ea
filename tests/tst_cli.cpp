// tallyer-cli from the outside: output lines, exit codes, standard input, sheet files. The locale is
// pinned (LANG=C.UTF-8, or the separators given as options) so the machine's own does not matter.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run runCli(const QStringList &args, const QByteArray &input = {})
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("LC_ALL"));
    env.remove(QStringLiteral("LC_NUMERIC"));
    env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(TALLYER_PROGRAM_DIR "/tallyer-cli"), args);
    Run run;
    if (!process.waitForStarted())
        return run;
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void output_data();
    void output();
    void usageErrors_data();
    void usageErrors();
    void unreadableFile_data();
    void unreadableFile();

private:
    QTemporaryDir m_dir;
};

void TestCli::output_data()
{
    QTest::addColumn<QStringList>("args"); // "FILE" stands for a file holding `file`
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("out");

    const QByteArray none;
    auto eval = [&](const char *name, const QStringList &args, int exitCode, const QByteArray &out) {
        QTest::newRow(name) << (QStringList{QStringLiteral("eval")} + args) << none << none << exitCode << out;
    };
    eval("default-two-decimals", {"1+1"}, 0, "2.00\n");
    eval("round-zero", {"--round=0", "1234.5"}, 0, "1,235\n");
    eval("option-after-expression", {"1/4", "--round=1"}, 0, "0.3\n");
    eval("comma-and-point", {"--decimal=,", "--thousands=.", "1234,5"}, 0, "1.234,50\n");
    // The C locale groups with ","; a "," decimal must not group with the same character.
    eval("comma-decimal-never-groups-with-comma", {"--decimal=,", "1234,5"}, 0, "1.234,50\n");
    eval("no-break-space", {"--decimal=,", QStringLiteral("--thousands=\u00a0"), "1234567,891"}, 0,
         "1\xc2\xa0" "234\xc2\xa0" "567,89\n");
    eval("negative-expression", {"-5+3"}, 0, "- 2.00\n");
    eval("double-minus-expression", {"--5"}, 0, "5.00\n");
    eval("expression-after-end-of-options", {"--", "--round=1"}, 1, "error\n");
    eval("leading-zero-required", {".5+1"}, 1, "error\n");
    eval("no-leading-zero", {"--no-leading-zero", ".5+1"}, 0, "1.50\n");
    eval("raw-round-trip", {"--raw", "(1/3)*3"}, 0, "0.999999999999999\n");
    eval("raw-display-limit", {"--raw", "999999999999999+1"}, 0, "1e+15\n");
    eval("raw-always-point", {"--raw", "--decimal=,", "-1/4"}, 0, "-0.25\n");
    eval("display-limit-empty-line", {"10^15"}, 0, "\n");
    eval("division-by-zero", {"1/0"}, 1, "error\n");

    QTest::newRow("stdin-line-per-line") << QStringList{"eval", "-"} << none
                                         << QByteArray("1+1\n1/0\n\n2*3\r\n10^15\n7") << 0
                                         << QByteArray("2.00\nerror\nerror\n6.00\n\n7.00\n");

    auto sheet = [&](const char *name, const QStringList &options, const QByteArray &file, int exitCode,
                     const QByteArray &out) {
        QTest::newRow(name) << (QStringList{QStringLiteral("sheet")} + options + QStringList{"FILE"}) << file
                            << none << exitCode << out;
    };
    sheet("crlf-rows", {}, "1250+\r\n340+\r\n17.5\r\n", 0, "1,607.50\n");
    sheet("lf-rows-cleaned", {}, "1 000 +\n\n2,5\n", 0, "1,002.50\n");
    sheet("comma-locale-swaps-point", {"--decimal=,", "--thousands=."}, "1.5*\n2\n", 0, "3,00\n");
    sheet("rows-not-continued", {}, "2\r\n3\r\n", 1, "error\n");
    sheet("display-limit", {}, "999999999999999+\n1\n", 0, "\n");
    sheet("empty-file", {}, "", 1, "error\n");
    QTest::newRow("sheet-from-stdin") << QStringList{"sheet", "-"} << none << QByteArray("2+\r\n3") << 0
                                      << QByteArray("5.00\n");
}

void TestCli::output()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, input);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, out);

    QVERIFY(m_dir.isValid());
    const QString path = m_dir.filePath(QStringLiteral("sheet.txt"));
    if (args.contains(QStringLiteral("FILE"))) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(file);
        f.close();
        args.replace(args.indexOf(QStringLiteral("FILE")), path);
    }
    const Run run = runCli(args, input);
    QCOMPARE(run.out, out);
    QCOMPARE(run.exitCode, exitCode);
}

void TestCli::usageErrors_data()
{
    QTest::addColumn<QStringList>("args");

    QTest::newRow("no-command") << QStringList{};
    QTest::newRow("unknown-option") << QStringList{"eval", "--bogus", "1"};
    QTest::newRow("missing-expression") << QStringList{"eval"};
    QTest::newRow("missing-file") << QStringList{"sheet"};
    QTest::newRow("round-above-nine") << QStringList{"eval", "--round=10", "1"};
    QTest::newRow("round-below-zero") << QStringList{"eval", "--round=-1", "1"};
    QTest::newRow("decimal-not-point-or-comma") << QStringList{"eval", "--decimal=;", "1"};
}

void TestCli::usageErrors()
{
    QFETCH(QStringList, args);
    const Run run = runCli(args);
    QCOMPARE(run.exitCode, 2);
    QVERIFY(run.out.isEmpty());
    QVERIFY2(run.err.contains("Usage"), run.err.constData());
}

void TestCli::unreadableFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("missing") << "no-such-sheet.txt";
    QTest::newRow("directory") << "folder";
}

void TestCli::unreadableFile()
{
    QFETCH(QString, name);
    QVERIFY(m_dir.isValid());
    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("folder")));

    const QString path = m_dir.filePath(name);
    const Run run = runCli({QStringLiteral("sheet"), path});
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.out.isEmpty());
    QVERIFY2(run.err.contains(path.toUtf8()), run.err.constData()); // the message names the file
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
