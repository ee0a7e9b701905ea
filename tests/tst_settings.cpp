#include <options.h>
#include <settings.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>

Q_DECLARE_METATYPE(Options)

// The settings table: the mending rules of particular settings; the option values' defaults and
// their stored form (booleans -1 and 0, colours as signed integers, custom colours joined by "|").
class TestSettings : public QObject
{
    Q_OBJECT

    QString storePath() const { return m_dir->filePath(QStringLiteral("Mavo/Tallyer.json")); }
    std::unique_ptr<QTemporaryDir> m_dir;

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }
    void storedValuesAreMended_data();
    void storedValuesAreMended();
    void optionsRoundTrip_data();
    void optionsRoundTrip();
};

void TestSettings::storedValuesAreMended_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVariant>("stored");   // int -> SetLong, QString -> SetString
    QTest::addColumn<QVariant>("expected"); // int -> readLong, QString -> readText

    const auto row = [](const char *tag, const char *name, const QVariant &stored, const QVariant &expected) {
        QTest::newRow(tag) << QString(name) << stored << expected;
    };
    row("maxrows-zero-reads-ten", "MaxRows", 0, 10);
    row("minrows-zero-reads-one", "MinRows", 0, 1);
    row("roundto-text-reads-two", "RoundTo", QString("5"), 2);
    row("roundto-ten-reads-two", "RoundTo", 10, 2);
    row("roundto-minus-one-reads-two", "RoundTo", -1, 2);
    row("roundto-zero-kept", "RoundTo", 0, 0);
    row("roundto-nine-kept", "RoundTo", 9, 9);
    row("fontsize-zero-kept", "FontSize", 0, 0);
    row("empty-font-name-is-a-value", "FontName", QString(""), QString(""));
    row("font-name-integer-reads-tahoma", "FontName", 5, QString("Tahoma"));
}

void TestSettings::storedValuesAreMended()
{
    QFETCH(QString, name);
    QFETCH(QVariant, stored);
    QFETCH(QVariant, expected);

    clsRegistry store(storePath());
    if (stored.typeId() == QMetaType::QString)
        QVERIFY(store.SetString(HKEY_CURRENT_USER, Settings::kKey, name, stored.toString()));
    else
        QVERIFY(store.SetLong(HKEY_CURRENT_USER, Settings::kKey, name, stored.toInt()));

    const auto it = std::find_if(Settings::kAll.begin(), Settings::kAll.end(),
                                 [&](const Settings::Setting *s) { return name == QLatin1String(s->name); });
    QVERIFY(it != Settings::kAll.end());
    if (expected.typeId() == QMetaType::QString)
        QCOMPARE(Settings::readText(**it, store), expected.toString());
    else
        QCOMPARE(Settings::readLong(**it, store), expected.toInt());
}

void TestSettings::optionsRoundTrip_data()
{
    QTest::addColumn<bool>("fromEmptyStore"); // the values are what an empty store reads as
    QTest::addColumn<Options>("options");
    QTest::addColumn<QJsonObject>("stored");  // the key's values after save()
    QTest::newRow("defaults-of-an-empty-store")
        << true
        << Options{true, false, 2, 1, 10, QString(), {"Tahoma", 12, false, false, 0x80000012u, 0x80000018u, QString()}}
        << QJsonObject{{"AlwaysOnTop", -1}, {"Available2", 0}, {"RoundTo", 2}, {"MinRows", 1}, {"MaxRows", 10},
                       {"InWordsFile", ""}, {"FontName", "Tahoma"}, {"FontSize", 12}, {"FontBold", 0},
                       {"FontItalic", 0}, {"FontColor", qint64(qint32(0x80000012u))},
                       {"BackColor", qint64(qint32(0x80000018u))}, {"ColorsCustom", ""}};
    QTest::newRow("every-value-changed")
        << false
        << Options{false, true, 0, 3, 20, "InWordsRubles rus.txt",
                   {"DejaVu Sans", 14, true, true, 0x00FF8000u, 0x80000005u, QString("100|101|7").replace('|', QChar(0))}}
        << QJsonObject{{"AlwaysOnTop", 0}, {"Available2", -1}, {"RoundTo", 0}, {"MinRows", 3}, {"MaxRows", 20},
                       {"InWordsFile", "InWordsRubles rus.txt"}, {"FontName", "DejaVu Sans"}, {"FontSize", 14},
                       {"FontBold", -1}, {"FontItalic", -1}, {"FontColor", 0xFF8000},
                       {"BackColor", qint64(qint32(0x80000005u))}, {"ColorsCustom", "100|101|7"}};
}

void TestSettings::optionsRoundTrip()
{
    QFETCH(bool, fromEmptyStore);
    QFETCH(Options, options);
    QFETCH(QJsonObject, stored);

    clsRegistry store(storePath());
    // An empty store reads as the defaults, and reading writes nothing.
    QVERIFY(!fromEmptyStore || (Options::load(store) == options && !QFileInfo::exists(storePath())));
    QVERIFY(options.save(store));
    QFile file(storePath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QJsonDocument::fromJson(file.readAll()).object().value(Settings::kKey).toObject(), stored);
    QCOMPARE(Options::load(store), options);

    // Any non-zero integer is true, as a value written by hand or by an older version may be.
    QVERIFY(store.SetLong(HKEY_CURRENT_USER, Settings::kKey, "FontBold", 1));
    QVERIFY(Options::load(store).appearance.FontBold);
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
