#include <settings.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

// The settings table: defaults of a fresh store, the mending rules of particular settings, and
// the stored form of booleans and colours.
class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void emptyStoreGivesDefaults();
    void storedValuesAreMended_data();
    void storedValuesAreMended();
    void booleansAndColoursStoredAsRegistryIntegers();

private:
    QString storePath() const { return m_dir->filePath(QStringLiteral("Mavo/Tallyer.json")); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

static const QString kKey = QStringLiteral("SOFTWARE\\Mavo\\Tallyer");

void TestSettings::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestSettings::emptyStoreGivesDefaults()
{
    const clsRegistry store(storePath());
    QCOMPARE(Settings::readBool(Settings::AlwaysOnTop, store), true);
    QCOMPARE(Settings::readBool(Settings::Available2, store), false);
    QCOMPARE(Settings::readColour(Settings::BackColor, store), 0x80000018u);
    QCOMPARE(Settings::readText(Settings::ColorsCustom, store), QString());
    QCOMPARE(Settings::readBool(Settings::F1Label, store), true);
    QCOMPARE(Settings::readText(Settings::FontName, store), QString("Tahoma"));
    QCOMPARE(Settings::readLong(Settings::FontSize, store), 12);
    QCOMPARE(Settings::readBool(Settings::FontBold, store), false);
    QCOMPARE(Settings::readBool(Settings::FontItalic, store), false);
    QCOMPARE(Settings::readColour(Settings::FontColor, store), 0x80000012u);
    QCOMPARE(Settings::readLong(Settings::FormLeft, store), 0);
    QCOMPARE(Settings::readLong(Settings::FormTop, store), 0);
    QCOMPARE(Settings::readText(Settings::InWordsFile, store), QString());
    QCOMPARE(Settings::readLong(Settings::MaxRows, store), 10);
    QCOMPARE(Settings::readLong(Settings::MinRows, store), 1);
    QCOMPARE(Settings::readText(Settings::MemoryString, store), QString());
    QCOMPARE(Settings::readLong(Settings::RoundTo, store), 2);
    // Reading every default writes nothing.
    QVERIFY(!QFileInfo::exists(storePath()));
}

void TestSettings::storedValuesAreMended_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVariant>("stored");   // int -> SetLong, QString -> SetString
    QTest::addColumn<QVariant>("expected"); // int -> readLong, QString -> readText

    const auto row = [](const char *tag, const char *name, const QVariant &stored, const QVariant &expected) {
        QTest::newRow(tag) << QString(name) << stored << expected;
    };
    row("maxrows-zero-reads-ten", "MaxRows", 0, 10);
    row("maxrows-twenty-kept", "MaxRows", 20, 20);
    row("minrows-zero-reads-one", "MinRows", 0, 1);
    row("minrows-three-kept", "MinRows", 3, 3);
    row("roundto-text-reads-two", "RoundTo", QString("5"), 2);
    row("roundto-twelve-reads-two", "RoundTo", 12, 2);
    row("roundto-minus-one-reads-two", "RoundTo", -1, 2);
    row("roundto-zero-kept", "RoundTo", 0, 0);
    row("roundto-nine-kept", "RoundTo", 9, 9);
    row("fontsize-zero-kept", "FontSize", 0, 0);
    row("formleft-negative-kept", "FormLeft", -1500, -1500);
    row("font-name-kept", "FontName", QString("Verdana"), QString("Verdana"));
    row("empty-font-name-is-a-value", "FontName", QString(""), QString(""));
    row("font-name-integer-reads-tahoma", "FontName", 5, QString("Tahoma"));
    row("font-name-16384-characters-reads-tahoma", "FontName", QString(16384, 'F'), QString("Tahoma"));
}

void TestSettings::storedValuesAreMended()
{
    QFETCH(QString, name);
    QFETCH(QVariant, stored);
    QFETCH(QVariant, expected);

    clsRegistry store(storePath());
    if (stored.typeId() == QMetaType::QString)
        QVERIFY(store.SetString(HKEY_CURRENT_USER, kKey, name, stored.toString()));
    else
        QVERIFY(store.SetLong(HKEY_CURRENT_USER, kKey, name, stored.toInt()));

    const Settings::Setting *setting = nullptr;
    for (const Settings::Setting *s : Settings::kAll)
        if (name == QLatin1String(s->name))
            setting = s;
    QVERIFY(setting);
    if (expected.typeId() == QMetaType::QString)
        QCOMPARE(Settings::readText(*setting, store), expected.toString());
    else
        QCOMPARE(Settings::readLong(*setting, store), expected.toInt());
}

void TestSettings::booleansAndColoursStoredAsRegistryIntegers()
{
    clsRegistry store(storePath());
    QVERIFY(Settings::writeBool(Settings::AlwaysOnTop, false, store));
    QVERIFY(Settings::writeBool(Settings::Available2, true, store));
    QVERIFY(Settings::writeColour(Settings::BackColor, 0x80000005u, store));
    QVERIFY(Settings::writeColour(Settings::FontColor, 0x00FF8000u, store));
    QVERIFY(Settings::writeText(Settings::InWordsFile, "InWordsEuros eng.txt", store));

    QFile file(storePath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QJsonObject key = QJsonDocument::fromJson(file.readAll()).object().value(kKey).toObject();
    QCOMPARE(key.value("AlwaysOnTop").toInteger(), 0);
    QCOMPARE(key.value("Available2").toInteger(), -1);
    QCOMPARE(key.value("BackColor").toInteger(), qint64(qint32(0x80000005u)));
    QCOMPARE(key.value("FontColor").toInteger(), 0xFF8000);
    QCOMPARE(key.value("InWordsFile").toString(), QString("InWordsEuros eng.txt"));

    QCOMPARE(Settings::readBool(Settings::AlwaysOnTop, store), false);
    QCOMPARE(Settings::readBool(Settings::Available2, store), true);
    QCOMPARE(Settings::readColour(Settings::BackColor, store), 0x80000005u);
    QCOMPARE(Settings::readColour(Settings::FontColor, store), 0x00FF8000u);

    // Any non-zero integer is true, as a value written by hand or by an older version may be.
    QVERIFY(store.SetLong(HKEY_CURRENT_USER, kKey, "FontBold", 1));
    QCOMPARE(Settings::readBool(Settings::FontBold, store), true);
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
