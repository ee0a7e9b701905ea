// Amounts in words: the currency value, the 12-digit limit, the group names and their forms, the
// Replace pairs, the failures and their messages, and the Russian words file that ships.

#include <amountinwords.h>
#include <localevalues.h>
#include <messagesink.h>
#include <wordsfile.h>

#include <QtTest>

#include <limits>

namespace {

// The dollars file that ships, its Replace list emptied and some entries replaced ("Key=value"),
// written with the given line ends.
bool writeFile(const QString &path, const QStringList &overrides, const QString &lineEnd = "\r\n")
{
    QFile shipped(QStringLiteral(TALLYER_PROGRAM_DIR "/InWordsDollars eng.txt"));
    QString text = shipped.open(QIODevice::ReadOnly) ? QString::fromUtf8(shipped.readAll()) : QString();
    for (const QString &entry : QStringList{"Replace="} + overrides) {
        const QString key = '[' + entry.section('=', 0, 0) + "]=";
        const QRegularExpression line('^' + QRegularExpression::escape(key) + "[^\r]*", QRegularExpression::MultilineOption);
        text.replace(line, key + entry.section('=', 1));
    }
    QFile file(path);
    return !text.isEmpty() && file.open(QIODevice::WriteOnly) && file.write(text.replace("\r\n", lineEnd).toUtf8()) > 0;
}

Currency amount(const QString &text)
{
    if (text == "lowest")
        return Currency::fromScaled(std::numeric_limits<qint64>::min());
    return Currency::fromText(text).value(); // throws on a bad amount in a table
}

using Shown = QList<QPair<QString, MessageIcon>>; // the messages shown, with their icons

} // namespace

class TestAmountInWords : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_shown.clear();
        m_previousSink = setMessageSink([this](const QString &text, MessageIcon icon) { m_shown.append({text, icon}); });
    }
    void cleanup() { setMessageSink(m_previousSink); }

    // Currency::fromText with the given decimal separator; "scaled" is the value in
    // ten-thousandths, null when there is no value.
    void currency_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("decimal");
        QTest::addColumn<QVariant>("scaled");
        const QVariant bad; // no value
        QTest::newRow("panel-negative-with-space") << "- 5,5" << "," << QVariant(qint64(-55000));
        QTest::newRow("fifth-decimal-half-up") << "0.00005" << "." << QVariant(qint64(1));
        QTest::newRow("largest") << "922337203685477.5807" << "." << QVariant(std::numeric_limits<qint64>::max());
        QTest::newRow("one-past-largest") << "922337203685477.5808" << "." << bad;
        QTest::newRow("foreign-separator") << "1.5" << "," << bad;
        QTest::newRow("exponent") << "1e5" << "." << bad;
    }
    void currency()
    {
        QFETCH(QString, text);
        QFETCH(QString, decimal);
        QFETCH(QVariant, scaled);
        const std::optional<Currency> c = Currency::fromText(text, decimal.at(0));
        QCOMPARE(c ? QVariant(c->scaled()) : QVariant(), scaled);
    }

    // The dollars file as written by writeFile(), or a file that ships ("@name").
    void words_data()
    {
        QTest::addColumn<QStringList>("overrides");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const QStringList &overrides, const char *value, const QString &expected) {
            QTest::newRow(name) << overrides << QString::fromLatin1(value) << expected;
        };
        const QStringList ex;
        row("worked-example", ex, "1234.56", "One thousand two hundred thirty four dollars 56 cents");
        row("whole-hundreds-keep-group-name", ex, "200000", "Two hundred thousand dollars 00 cents");
        row("every-group", ex, "101011001012.02",
            "One hundred one billion eleven million one thousand twelve dollars 02 cents");
        row("negative-half-cent-away-from-zero", ex, "-0.005", "Zero dollars 01 cent");
        row("rounding-carries-into-units", ex, "1.995", "Two dollars 00 cents");
        row("just-below-limit-rounds-down", ex, "999999999999.9949", "Nine hundred ninety nine billion nine hundred "
            "ninety nine million nine hundred ninety nine thousand nine hundred ninety nine dollars 99 cents");

        // Every name in a distinct form, so the chosen form shows in the text.
        const QStringList f{"Level0=c1,c2,c3,c4", "Level1=u1,u2,u3,u4", "Level2=t1,t2,t3,t4",
                            "Level3=m1,m2,m3,m4", "Level4=b1,b2,b3,b4"};
        row("form-1", f, "1", "One u1 00 c4");
        row("form-teen-ending-1", f, "11", "Eleven u4 00 c4");
        row("form-tens-ending-4", f, "34", "Thirty four u3 00 c4");
        row("form-zero-units", f, "0", "Zero u4 00 c4");
        row("form-cents-01", f, "0.01", "Zero u4 01 c1");
        row("form-thousands-by-own-digits", f, "3001", "Three t3 one u1 00 c4");
        row("form-billions-1", f, "21000000000", "Twenty one b1 u4 00 c4");

        // A form with a space carries the numeral: it replaces the word for one.
        const QStringList sp{"Level2=a thousand,two thousand,thousand,thousand",
                             "Level1=one buck,dollars,dollars,dollars"};
        row("space-one-thousand", sp, "1000", "A thousand dollars 00 cents");
        row("space-plain-form-keeps-numeral", sp, "3000", "Three thousand dollars 00 cents");
        row("space-tens-word-stays", sp, "21000", "Twenty a thousand dollars 00 cents");

        // Replace pairs, applied in file order, ignoring case (ReplaceAll's own rules: tst_texthelpers).
        row("replace-case-insensitive", {"Replace=DOLLARS,bucks"}, "7", "Seven bucks 00 cents");
        row("replace-pairs-in-file-order", {"Replace=dollars,bucks,bucks,quid"}, "7", "Seven quid 00 cents");
        // Items keep their spaces: "thirty " + " four" gives three spaces.
        row("item-spaces-kept", {"Words10=ten,twenty,thirty ,forty,fifty,sixty,seventy,eighty,ninety",
                                 "Words1=one,two,three, four,five,six,seven,eight,nine"},
            "34", "Thirty   four dollars 00 cents");
        row("first-letter-upper-after-replace", {"Replace=zero,nought"}, "0", "Nought dollars 00 cents");
        row("first-letter-cyrillic", {QString::fromUtf8("Zero=ёлки")}, "0", QString::fromUtf8("Ёлки dollars 00 cents"));

        // The Russian file that ships: its forms and feminine thousands (two thousand: form 2).
        const QStringList rub{"@InWordsRubles rus.txt"};
        row("rub-2000", rub, "2000", "Две тысячи рублей 00 копеек");
        row("rub-21000-feminine-one", rub, "21000", "Двадцать одна тысяча рублей 00 копеек");
        row("rub-1234.56", rub, "1234.56", "Одна тысяча двести тридцать четыре рубля 56 копеек");
    }
    void words()
    {
        QFETCH(QStringList, overrides);
        QFETCH(QString, value);
        QFETCH(QString, expected);
        QString path = m_dir.filePath("InWordsTest.txt");
        if (overrides.value(0).startsWith('@'))
            path = QStringLiteral(TALLYER_PROGRAM_DIR "/") + overrides.value(0).mid(1);
        else
            QVERIFY(writeFile(path, overrides));
        // Every row reads the same path: nothing may be cached. The failure flag is only ever set.
        bool failed = false;
        QCOMPARE(AmountInWords(amount(value), path, kLcidEnglish, failed, "limit", "file"), expected);
        QVERIFY(!failed);
        failed = true;
        QCOMPARE(AmountInWords(amount(value), path, kLcidEnglish, failed, "limit", "file"), expected);
        QVERIFY(failed && m_shown.isEmpty());
    }

    void failures_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("file");         // "good", "missing" or "invalid"
        QTest::addColumn<QString>("limitMessage");
        QTest::addColumn<QString>("fileMessage");
        QTest::addColumn<QString>("shown");        // the one message expected, or empty for none
        const auto row = [](const char *name, const char *value, const char *file, const char *shown,
                            const char *limitMessage = "too big", const char *fileMessage = "bad file") {
            QTest::newRow(name) << value << file << limitMessage << fileMessage << shown;
        };
        row("limit-bound", "999999999999.995", "good", "too big");
        row("limit-checked-before-file", "1000000000000", "missing", "too big");
        row("missing-file", "5", "missing", "bad file");
        row("invalid-file", "5", "invalid", "bad file");
        row("empty-limit-message-silent", "1000000000000", "good", "", "");
        row("empty-file-message-silent", "5", "invalid", "", "too big", "");
        row("most-negative-amount", "lowest", "good", "too big");
    }
    void failures()
    {
        QFETCH(QString, value);
        QFETCH(QString, file);
        QFETCH(QString, limitMessage);
        QFETCH(QString, fileMessage);
        QFETCH(QString, shown);
        const QString path = m_dir.filePath(QTest::currentDataTag());
        if (file != "missing")
            QVERIFY(writeFile(path, {}, file == "good" ? "\r\n" : "\n"));
        bool failed = false;
        QCOMPARE(AmountInWords(amount(value), path, kLcidEnglish, failed, limitMessage, fileMessage), QString());
        QVERIFY(failed);
        QCOMPARE(m_shown, shown.isEmpty() ? Shown() : Shown({{shown, MessageIcon::Information}}));
    }

    // Pairs that grow the text are held to kMaxWordsTextLength characters and to 256 searches of
    // that length; past either, the words-file message. 0 gives "z u 00 c" (8 characters) before
    // the pairs; padTo pads the file with a comment to that many bytes.
    void replacementBound_data()
    {
        QTest::addColumn<QStringList>("overrides");
        QTest::addColumn<int>("padTo");
        QTest::addColumn<QString>("expected"); // empty: the words-file message
        const QStringList names{"Level0=c,c,c,c", "Level1=u,u,u,u", "Zero=z"};
        const auto row = [&names](const char *name, const QString &replace, const QString &expected, int padTo = 0) {
            QTest::newRow(name) << names + QStringList{replace} << padTo << expected;
        };
        // One z becomes 65529: 65529 + 7 is exactly the bound.
        const QString grow = "Replace=z," + QString(65529, 'z');
        const QString atBound = 'Z' + QString(65528, 'z') + " u 00 c";
        row("grows-to-exactly-the-bound", grow, atBound);
        row("one-past-the-bound", grow + 'z', {});
        row("thirty-doubling-pairs", "Replace=" + QStringList(30, "z,zz").join(','), {});
        row("long-zero-word", "Zero=" + QString(65530, 'z'), {});
        row("largest-legal-file", grow, atBound, int(kMaxTextFileBytes));
        // The first pair searches 8 characters, every other one 65536.
        row("search-budget-overspent", grow + QString(",x,y").repeated(256), {});
    }
    void replacementBound()
    {
        QFETCH(QStringList, overrides);
        QFETCH(int, padTo);
        QFETCH(QString, expected);
        const QString path = m_dir.filePath("InWordsGrowing.txt");
        QVERIFY(writeFile(path, overrides));
        QFile file(path);
        if (padTo > 0) {
            QVERIFY(file.open(QIODevice::Append));
            file.write("\r\n" + QByteArray(padTo - file.size() - 2, '#'));
            QCOMPARE(file.size(), padTo);
            file.close();
        }
        bool failed = false;
        QCOMPARE(AmountInWords(amount("0"), path, kLcidEnglish, failed, "limit", "file"), expected);
        QCOMPARE(failed, expected.isEmpty());
        QCOMPARE(m_shown, expected.isEmpty() ? Shown({{"file", MessageIcon::Information}}) : Shown());
    }

private:
    Shown m_shown;
    MessageSink m_previousSink;
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestAmountInWords)
#include "tst_amountinwords.moc"
