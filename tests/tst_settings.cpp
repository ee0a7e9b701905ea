#include <settings.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>

// The settings table: the mending rules of particular settings, and the stored form of booleans
// and colours.
class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void storedValuesAreMended_data();
    void storedValuesAreMended();
    void booleansAndColoursStoredAsRegistryIntegers();

private:
    QString storePath() const { return m_dir->filePath(QStringLiteral("Mavo/Tallyer.json")); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestSettings::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
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
    row("minrows-zero-reads-one", "MinRows", 0, 1);
    row("roundto-text-reads-two", "RoundTo", QString("5"), 2);
    row("roundto-ten-reads-two", "RoundTo", 10, 2);
    row("roundto-minus-one-reads-two", "RoundTo", -1, 2);
    row("roundto-zero-kept", "RoundTo", 0, 0);
    row("roundto-nine-kept", "RoundTo", 9, 9);
    row("fontsize-zero-kept", "FontSize", 0, 0);
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

void TestSettings::booleansAndColoursStoredAsRegistryIntegers()
{
    clsRegistry store(storePath());
    QCOMPARE(Settings::readBool(Settings::AlwaysOnTop, store), true); // missing: the defaults,
    QCOMPARE(Settings::readColour(Settings::BackColor, store), 0x80000018u); // and nothing written
    QCOMPARE(Settings::readLong(Settings::MaxRows, store), 10);
    QVERIFY(!QFileInfo::exists(storePath()));

    QVERIFY(Settings::writeBool(Settings::AlwaysOnTop, false, store));
    QVERIFY(Settings::writeBool(Settings::Available2, true, store));
    QVERIFY(Settings::writeColour(Settings::BackColor, 0x80000005u, store));
    QVERIFY(Settings::writeColour(Settings::FontColor, 0x00FF8000u, store));
    QFile file(storePath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QJsonObject key = QJsonDocument::fromJson(file.readAll()).object().value(Settings::kKey).toObject();
    QCOMPARE(key, (QJsonObject{{"AlwaysOnTop", 0}, {"Available2", -1},
                               {"BackColor", qint64(qint32(0x80000005u))}, {"FontColor", 0xFF8000}}));

    QCOMPARE(Settings::readBool(Settings::AlwaysOnTop, store), false);
    QCOMPARE(Settings::readBool(Settings::Available2, store), true);
    QCOMPARE(Settings::readColour(Settings::BackColor, store), 0x80000005u);
    QCOMPARE(Settings::readColour(Settings::FontColor, store), 0x00FF8000u);
    // Any non-zero integer is true, as a value written by hand or by an older version may be.
    QVERIFY(store.SetLong(HKEY_CURRENT_USER, Settings::kKey, "FontBold", 1));
    QCOMPARE(Settings::readBool(Settings::FontBold, store), true);
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
