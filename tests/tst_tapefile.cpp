// Tape files: what reading makes of each kind of file (line ends, encodings, the files it
// refuses), what saving writes, and a failed save that leaves the old file.

#include <localevalues.h>
#include <tapefile.h>
#include <tapereading.h>

#include <QtTest>

#include <csignal>
#include <sys/resource.h>

class TestTapeFile : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // The 8-bit code page follows the locale's character set; a UTF-8 one has none.
        qputenv("LC_ALL", "C.UTF-8");
    }
    void cleanup() { setLocaleSource({}); }

    // "MISSING" and "FOLDER" stand for a path that does not exist and for a folder.
    void read_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("russian");
        QTest::addColumn<TapeFileError>("error");
        QTest::addColumn<QString>("sheet"); // "unchanged" where the file is refused

        const auto row = [](const char *name, const QByteArray &bytes, const QString &sheet, bool russian = false) {
            QTest::newRow(name) << bytes << russian << TapeFileError::None << sheet;
        };
        row("lf-line-ends", "1250+\n340+\n17.5\n", "1250+\r\n340+\r\n17.5");
        row("crlf-line-ends", "2+\r\n3\r\n", "2+\r\n3");
        row("mixed-line-ends-no-final-one", "1+\r\n2+\n3", "1+\r\n2+\r\n3");
        row("empty-row-after-operator-kept", "7+\n\n", "7+\r\n");
        row("byte-order-mark-dropped", "\xEF\xBB\xBF" "5*2\n", "5*2");
        row("utf8-no-break-space", "1\xC2\xA0" "000\n", QStringLiteral("1\u00A0000"));
        // Not UTF-8: windows-1252 in an English UTF-8 locale, windows-1251 in a Russian one.
        row("not-utf8-read-as-cp1252", "1\xA0" "000+\x80\n", QStringLiteral("1\u00A0000+\u20AC"));
        row("not-utf8-read-as-cp1251-in-russian", "\xD1\xF3\xEC\xEC\xE0:\n12\n", QStringLiteral("Сумма:\r\n12"), true);

        const auto refused = [](const char *name, const QByteArray &bytes, TapeFileError error) {
            QTest::newRow(name) << bytes << false << error << QStringLiteral("unchanged");
        };
        refused("nul-byte-refused", QByteArray("1+\n\0" "2\n", 6), TapeFileError::HoldsNul);
        // The largest row the window holds is saved with its line break after it, and opens again.
        row("limit-and-final-break", QByteArray(kTapeFileLimit, '1') + "\r\n", QString(kTapeFileLimit, u'1'));
        refused("over-16-mib-refused", QByteArray(kTapeFileLimit + 1, '1') + '\n', TapeFileError::TooLarge);
        refused("missing-file-refused", "MISSING", TapeFileError::Missing);
        refused("folder-refused", "FOLDER", TapeFileError::NotAFile);
    }

    void read()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, russian);
        QFETCH(TapeFileError, error);
        QFETCH(QString, sheet);
        if (russian)
            setLocaleSource([] { return LocaleSnapshot{QLocale(QLocale::Russian, QLocale::Russia), true}; });

        QString path = m_dir.filePath(QStringLiteral("read.tape"));
        QFile::remove(path);
        if (bytes == "MISSING") {
            path = m_dir.filePath(QStringLiteral("none.tape"));
        } else if (bytes == "FOLDER") {
            path = m_dir.path();
        } else {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QCOMPARE(file.write(bytes), bytes.size());
        }

        QString text = QStringLiteral("unchanged");
        const TapeFileResult result = ReadTapeFile(path, text);
        QCOMPARE(result.error, error);
        QCOMPARE(result.ok(), error == TapeFileError::None);
        QCOMPARE(result.path, path);
        QCOMPARE(text, sheet);
    }

    // readBack: the notes ReadTapeText takes out of the file again.
    void write_data()
    {
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<RowNotes>("notes");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<RowNotes>("readBack");
        QTest::newRow("rows-end-in-lf") << "1250+\r\n340+\r\n17.5" << RowNotes() << QByteArray("1250+\n340+\n17.5\n") << RowNotes();
        QTest::newRow("empty-last-row-kept") << "7+\r\n" << RowNotes() << QByteArray("7+\n\n") << RowNotes();
        QTest::newRow("empty-sheet-empty-file") << "" << RowNotes() << QByteArray() << RowNotes();
        QTest::newRow("utf8") << QStringLiteral("1\u00A0000") << RowNotes() << QByteArray("1\xC2\xA0" "000\n") << RowNotes();
        const RowNotes two{{0, "Rent"}, {2, "Food"}};
        QTest::newRow("notes-after-a-tab") << "1250+\r\n340+\r\n17.5" << two << QByteArray("1250+\tRent\n340+\n17.5\tFood\n") << two;
        QTest::newRow("note-of-empty-sheet") << "" << RowNotes{{0, "later"}} << QByteArray("\tlater\n") << RowNotes{{0, "later"}};
        QTest::newRow("tab-in-note-a-space-row-past-end-dropped") << "12\r\n3" << RowNotes{{0, "Café\tMarch"}, {2, "gone"}}
                                                                  << QByteArray("12\tCaf\xC3\xA9 March\n3\n") << RowNotes{{0, "Café March"}};
    }

    // The file holds the rows, their notes after TABs, and nothing else; one without notes reads
    // back to the same sheet, one with notes to the same figures and notes.
    void write()
    {
        QFETCH(QString, sheet);
        QFETCH(RowNotes, notes);
        QFETCH(QByteArray, bytes);
        const QString path = m_dir.filePath(QStringLiteral("written.tape"));
        QVERIFY(WriteTapeFile(path, sheet, notes).ok());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), bytes);
        QString back;
        QVERIFY(ReadTapeFile(path, back).ok());
        if (notes.isEmpty())
            QCOMPARE(back, sheet);
        else
            QCOMPARE(ReadTapeText(back, ReadLocaleValues()).sheet, sheet);
        QTEST(ReadTapeText(back, ReadLocaleValues()).notes, "readBack");
    }

    // A save that fails while writing (here: the file size limit, which holds for root as well) and
    // one into a folder that is not there leave what was on the disk as it was.
    void failedSaveKeepsOldFile()
    {
        const QString path = m_dir.filePath(QStringLiteral("old.tape"));
        QVERIFY(WriteTapeFile(path, QStringLiteral("1+\r\n2")).ok());

        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = 4096;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const TapeFileResult result = WriteTapeFile(path, QString(10000, u'9'));
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);

        QCOMPARE(result.error, TapeFileError::Unwritable);
        QVERIFY(!result.detail.isEmpty());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("1+\n2\n"));
        QCOMPARE(QDir(m_dir.path()).entryList({"old.tape*"}, QDir::Files), QStringList{"old.tape"});

        const TapeFileResult noFolder = WriteTapeFile(m_dir.filePath(QStringLiteral("none/new.tape")), QStringLiteral("1"));
        QCOMPARE(noFolder.error, TapeFileError::Unwritable);
        QVERIFY(!QFileInfo::exists(m_dir.filePath(QStringLiteral("none"))));
    }
};

QTEST_GUILESS_MAIN(TestTapeFile)
#include "tst_tapefile.moc"
