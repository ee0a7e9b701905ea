#include <datafolders.h>
#include <filenames.h>
#include <localevalues.h>
#include <wordsfile.h>

#include <QtTest>

#include <sys/stat.h>

namespace {

// The dollars file that ships, with the line starting with prefix replaced by entry (or emptied).
QString withEntry(const QString &prefix = {}, const QString &entry = {})
{
    QFile file(QStringLiteral(TALLYER_PROGRAM_DIR "/InWordsDollars eng.txt"));
    QStringList lines = file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).split("\r\n") : QStringList();
    for (QString &line : lines) {
        if (!prefix.isEmpty() && line.startsWith(prefix))
            line = entry;
    }
    return lines.join("\r\n");
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

// The words file: finding and checking the eleven entries, reading the file's bytes (UTF-8 or the
// legacy code page) and refusing what is not a small regular file.
class TestWordsFile : public QObject
{
    Q_OBJECT

private slots:
    void validity_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::newRow("shipped-file-comments-and-all") << withEntry() << true;
        QTest::newRow("last-value-ends-at-end-of-text") << withEntry().chopped(2) << true;
        QTest::newRow("entry-after-text-on-its-line") << withEntry("[Zero]", "the zero word: [Zero]=nil") << true;
        QTest::newRow("lf-only-line-ends") << withEntry().replace("\r\n", "\n") << false;

        QTest::newRow("replace-blank") << withEntry("[Replace]", "[Replace]= \t ") << true;
        QTest::newRow("replace-three-items") << withEntry("[Replace]", "[Replace]=a,b,c") << false;
        QTest::newRow("replace-missing") << withEntry("[Replace]") << false;

        QTest::newRow("level-three-items") << withEntry("[Level1]", "[Level1]=a,b,c") << false;
        QTest::newRow("level-empty-items-counted") << withEntry("[Level2]", "[Level2]=,,,") << true;
        QTest::newRow("zero-empty") << withEntry("[Zero]", "[Zero]=  ") << false;
        QTest::newRow("key-with-space-before-equals") << withEntry("[Zero]", "[Zero] =zero") << false;
    }
    void validity()
    {
        QFETCH(QString, text);
        WordsFile words;
        QTEST(ParseWordsText(text, words), "valid");
    }

    void itemsAreTakenAsWritten()
    {
        QString text = withEntry("[Words1]", "[Words1]= \tone, two,three ,four,five,six,seven,eight,nine\t ");
        text.replace("[Zero]=zero", "[Zero]=\t nil, none \t");
        text.replace(QRegularExpression("\\[Replace\\]=[^\r]*"), "[Replace]=  a , b  ");
        text.replace("[Level1]=", "[level1]="); // names in any case; the first occurrence counts
        text += "[words1]=een,twee,drie,vier,vijf,zes,zeven,acht,negen\r\n[Zero]=nothing\r\n";
        WordsFile words;
        QVERIFY(ParseWordsText(text, words));
        // Numbered from 1: item 0 is the empty word of digit 0. The value's ends are trimmed, the
        // items are not.
        QCOMPARE(words.words1, QStringList({"", "one", " two", "three ", "four", "five", "six", "seven", "eight", "nine"}));
        QCOMPARE(words.level[0], QStringList({"", "cent", "cents", "cents", "cents"}));
        QCOMPARE(words.zero, QString("nil, none")); // taken whole, comma and all
        QCOMPARE(words.replace, QStringList({"a ", " b"}));

        // A broken first entry is not rescued by a good one further down.
        const QString broken = withEntry("[Level0]", "[Level0]=cent,cents") + "[Level0]=a,b,c,d\r\n";
        QVERIFY(!ParseWordsText(broken, words));
    }

    void decoding_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("lcid");
        QTest::addColumn<QString>("expected");
        const QString privet = QString::fromUtf8("Привет");
        QTest::newRow("utf8-cyrillic-english-ui") << privet.toUtf8() << kLcidEnglish << privet;
        QTest::newRow("utf8-bom-dropped") << QByteArray("\xEF\xBB\xBFok") << kLcidRussian << QString("ok");

        // Not UTF-8: the code page of the interface language.
        QTest::newRow("cp1251-letters-and-punctuation")
            << QByteArray("\xCF\xF0\xE8\xE2\xE5\xF2 \xC0\xDF\xE0\xFF\xA8\xB8\x88\xB9\xAB\xBB\x96\xAA\xBA\xAF\xBF\xB2\xB3\xA5\xB4")
            << kLcidRussian << QString::fromUtf8("Привет АЯаяЁё€№«»–ЄєЇїІіҐґ");
        QTest::newRow("cp1252-accents-and-upper-block")
            << QByteArray("caf\xE9 \xC0 \xFF\x80\x8A\x9F\x85\x93\x94") << kLcidEnglish
            << QString::fromUtf8("café À ÿ€ŠŸ…“”");
        QTest::newRow("cp1252-undefined-bytes-as-c1-controls")
            << QByteArray("\x81\x8D\x8F\x90\x9D") << kLcidEnglish << QString::fromUtf16(u"\u0081\u008D\u008F\u0090\u009D");
        QTest::newRow("sequence-cut-at-end") << QByteArray("abc\xC3") << kLcidEnglish << QString::fromUtf8("abcÃ");
        QTest::newRow("encoded-surrogate") << QByteArray("\xED\xA0\x80") << kLcidEnglish << QString::fromUtf8("í\u00A0€");
    }
    void decoding()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, lcid);
        QTEST(DecodeTextBytes(bytes, lcid), "expected");
    }

    void readTextFile()
    {
        // A words file in the legacy code page: its CR LF line ends must come through as they are.
        const QString path = m_dir.filePath("InWordsTest rus.txt");
        QByteArray legacy = withEntry("[Zero]", "[Zero]=#").toLatin1();
        QVERIFY(writeBytes(path, legacy.replace("[Zero]=#", "[Zero]=\xCD\xEE\xEB\xFC")));
        WordsFile words;
        QVERIFY(ReadWordsFile(path, kLcidRussian, words));
        QCOMPARE(words.zero, QString::fromUtf8("Ноль"));

        QString text;
        for (const QString &bad : {m_dir.filePath("missing.txt"), m_dir.path()}) {
            text = "stale";
            QVERIFY(!ReadTextFile(text, bad, kLcidEnglish));
            QCOMPARE(text, QString());
        }
        // Exactly 1 MiB is still read; a valid words file padded one byte past it is not.
        QVERIFY(writeBytes(path, QByteArray(1024 * 1024, 'x')));
        QVERIFY(ReadTextFile(text, path, kLcidEnglish));
        QCOMPARE(text.size(), 1024 * 1024);
        QVERIFY(writeBytes(path, withEntry().toUtf8().leftJustified(1024 * 1024 + 1, ';')));
        QVERIFY(!ReadWordsFile(path, kLcidEnglish, words));

        // A FIFO would block a plain open until some writer came along.
        const QString fifo = m_dir.filePath("fifo.txt");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(!ReadTextFile(text, fifo, kLcidEnglish));
        QVERIFY(!FileExists(fifo));
    }

    void fileExists_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("exists");
        QTest::newRow("plain") << "%1/InWordsDollars eng.txt" << true; // %1: the program's folder
        QTest::newRow("spaces-and-quotes-around") << "  \" %1/InWordsDollars eng.txt \"  " << true;
        QTest::newRow("trailing-separator") << "%1/InWordsDollars eng.txt/" << true;
        QTest::newRow("missing") << "%1/InWordsNothing.txt" << false;
        QTest::newRow("directory") << "%1" << false;
        QTest::newRow("only-quotes") << "\"\"" << false;
    }
    void fileExists()
    {
        QFETCH(QString, path);
        QTEST(FileExists(path.contains("%1") ? path.arg(TALLYER_PROGRAM_DIR) : path), "exists");
    }

    // Names as the file system gives them: bytes that are not UTF-8 are kept as U+DC80 ... U+DCFF,
    // so a words file of any name is found and read, and named with the very same bytes.
    void fileNames_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("decoded");
        const auto row = [](const char *tag, const QByteArray &middle, const QString &decoded) {
            QTest::newRow(tag) << "InWords" + middle + ".txt" << "InWords" + decoded + ".txt";
        };
        row("latin1-e-acute", "caf\xE9", QString::fromUtf16(u"caf\xDCE9"));
        row("overlong-slash", "\xC0\xAF", QString::fromUtf16(u"\xDCC0\xDCAF"));
        // The bytes of U+DC80 itself are no UTF-8: three escapes, not the one character.
        row("encoded-surrogate", "\xED\xB2\x80", QString::fromUtf16(u"\xDCED\xDCB2\xDC80"));
    }
    void fileNames()
    {
        QFETCH(QByteArray, name);
        QFETCH(QString, decoded);
        QCOMPARE(DecodeFileName(name), decoded);
        QCOMPARE(EncodeFileName(decoded), name);
        const QByteArray native = QFile::encodeName(m_dir.path()) + '/' + name;
        QVERIFY(writeBytes(m_dir.filePath("words.txt"), withEntry("[Zero]", "[Zero]=nil").toUtf8()));
        QCOMPARE(::rename(QFile::encodeName(m_dir.filePath("words.txt")).constData(), native.constData()), 0);
        const QString path = m_dir.path() + '/' + decoded;
        WordsFile words;
        QVERIFY(FileExists(path) && ReadWordsFile(path, kLcidEnglish, words) && words.zero == "nil");
        QCOMPARE(FindDataFile(decoded, {m_dir.path()}), path);
        QCOMPARE(::unlink(native.constData()), 0);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestWordsFile)
#include "tst_wordsfile.moc"
