// The installed program: `cmake --install` into a temporary prefix, then everything from there
// only. tallyer-cli finds its words files (installed, the user's own, or through XDG_DATA_DIRS
// from a program folder without data), and the help files are installed beside them; it prints a
// PDF through its installed module without a display, while itself needing no QtGui; --help and
// --version need no display and no settings, the manual pages name every option the usage names,
// and the desktop entry opens the tape file type installed for shared-mime-info.

#include <QtTest>

class TestInstall : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_prefix;
    int m_exitCode = -1;

    // Runs a program with the test's data folders and an empty settings folder, without a display.
    QByteArray run(const QString &program, const QStringList &args, const QString &dataDirs)
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QLatin1String(name));
        env.insert("LC_ALL", "C.UTF-8");
        env.insert("XDG_DATA_HOME", m_dir.filePath("home"));
        env.insert("XDG_DATA_DIRS", dataDirs);
        env.insert("XDG_CONFIG_HOME", m_dir.filePath("config"));
        process.setProcessEnvironment(env);
        process.start(program, args);
        m_exitCode = process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit
            ? process.exitCode() : -1;
        return process.readAllStandardOutput();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_prefix = m_dir.filePath("usr");
        QProcess install;
        install.start(QStringLiteral(TALLYER_CMAKE_COMMAND),
                      {"--install", QStringLiteral(TALLYER_BINARY_DIR), "--prefix", m_prefix});
        QVERIFY(install.waitForFinished(120000));
        QVERIFY2(install.exitCode() == 0, install.readAllStandardError().constData());

        // The user's own words file, and a copy of tallyer-cli in a folder without any data.
        QVERIFY(QDir().mkpath(m_dir.filePath("home/tallyer")) && QDir().mkpath(m_dir.filePath("portable")));
        QVERIFY(QFile::copy(m_prefix + "/share/tallyer/InWordsEuros eng.txt", m_dir.filePath("home/tallyer/InWordsMine.txt")));
        QVERIFY(QFile::copy(m_prefix + "/bin/tallyer-cli", m_dir.filePath("portable/tallyer-cli")));
        // The calculator's help files go beside the words files, where the same lookup finds them.
        for (const char *name : {"tallyerEn.html", "tallyerRu.html"})
            QVERIFY(QFile::exists(m_prefix + "/share/tallyer/" + name));
        QFile entry(m_prefix + "/share/applications/example.mavo.Tallyer.desktop");
        QFile types(m_prefix + "/share/mime/packages/example.mavo.Tallyer.xml");
        QVERIFY(entry.open(QIODevice::ReadOnly) && types.open(QIODevice::ReadOnly));
        const QByteArray desktop = entry.readAll(), mime = types.readAll();
        QVERIFY(desktop.contains("\nExec=tallyer %F\n") && desktop.contains("\nMimeType=application/x-tallyer-tape;\n"));
        QVERIFY(mime.contains("<mime-type type=\"application/x-tallyer-tape\">") && mime.contains("<glob pattern=\"*.tape\"/>"));
    }

    void cliFindsWordsFiles_data()
    {
        QTest::addColumn<QString>("program"); // relative to the temporary folder
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("dataDirs"); // XDG_DATA_DIRS, "PREFIX" for the installed share folder
        QTest::addColumn<QByteArray>("out");
        QTest::newRow("installed-default-words-file") << "usr/bin/tallyer-cli" << QStringList{"words", "1234.56"}
            << "/nonexistent" << QByteArray("One thousand two hundred thirty four dollars 56 cents\n");
        QTest::newRow("user-words-file-by-bare-name") << "usr/bin/tallyer-cli"
            << QStringList{"words", "--file=InWordsMine.txt", "5"} << "/nonexistent" << QByteArray("Five euros 00 cents\n");
        QTest::newRow("program-folder-without-data") << "portable/tallyer-cli" << QStringList{"words", "5"}
            << "/nonexistent:PREFIX" << QByteArray("Five dollars 00 cents\n");
    }
    void cliFindsWordsFiles()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, args);
        QFETCH(QString, dataDirs);
        QTEST(run(m_dir.filePath(program), args, dataDirs.replace("PREFIX", m_prefix + "/share")), "out");
        QCOMPARE(m_exitCode, 0);
    }

    void cliPrintsPdfThroughModule()
    {
        QFile tape(m_dir.filePath("rent.tape"));
        QVERIFY(tape.open(QIODevice::WriteOnly) && tape.write("1250+\n340+\n17.5\n") > 0);
        tape.close();
        const QString pdf = m_dir.filePath("rent.pdf");
        run(m_prefix + "/bin/tallyer-cli", {"print", tape.fileName(), "--output", pdf}, "/nonexistent");
        QCOMPARE(m_exitCode, 0);
        QFile written(pdf);
        QVERIFY(written.open(QIODevice::ReadOnly) && written.read(5) == "%PDF-");

        // A copy without the module says so on one line and writes nothing.
        const QString lost = m_dir.filePath("lost.pdf");
        QProcess copy;
        copy.start(m_dir.filePath("portable/tallyer-cli"), {"print", tape.fileName(), "--output", lost});
        QVERIFY(copy.waitForFinished(30000));
        QCOMPARE(copy.exitCode(), 1);
        QVERIFY(copy.readAllStandardError().contains("the PDF module libtallyer-pdf.so is not installed\n"));
        QVERIFY(!QFileInfo::exists(lost));

        // eval and sheet start without the graphics libraries: tallyer-cli does not link them.
        QProcess elf;
        elf.start("readelf", {"-d", m_prefix + "/bin/tallyer-cli"});
        QVERIFY(elf.waitForFinished(30000));
        const QByteArray dynamic = elf.readAllStandardOutput();
        QVERIFY(dynamic.contains("libQt6Core.so"));
        QVERIFY(!dynamic.contains("libQt6Gui.so"));
    }

    void usageAndManualAgree_data()
    {
        QTest::addColumn<QString>("program");
        QTest::newRow("calculator") << "tallyer";
        QTest::newRow("command-line") << "tallyer-cli";
    }
    void usageAndManualAgree()
    {
        QFETCH(QString, program);
        QCOMPARE(QString::fromUtf8(run(m_prefix + "/bin/" + program, {"--version"}, "/nonexistent")),
                 program + " (Mavo Tallyer) 3.9.13\n");
        const QString usage = QString::fromUtf8(run(m_prefix + "/bin/" + program, {"--help"}, "/nonexistent"));
        QCOMPARE(m_exitCode, 0);
        // Neither opened a window (there is no display) nor wrote settings.
        QVERIFY(!QFileInfo::exists(m_dir.filePath("config")));

        QFile manual(m_prefix + "/share/man/man1/" + program + ".1");
        QVERIFY(manual.open(QIODevice::ReadOnly));
        const QString roff = QString::fromUtf8(manual.readAll()).remove(QLatin1Char('\\'));
        QVERIFY(roff.contains("Tallyer 3.9.13"));
        static const QRegularExpression option(QStringLiteral("--[a-z][a-z-]*"));
        QVERIFY(usage.contains("--version"));
        for (const QRegularExpressionMatch &m : option.globalMatch(usage))
            QVERIFY2(roff.contains(m.captured()), qPrintable(m.captured()));
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
