#include <clsregistry.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <limits>

// The settings store: both kinds of value, what reads as missing, the damaged-file path and two
// running copies writing at once.
class TestClsRegistry : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void sharedInstanceIsInUserConfigFolder();
    void valuesRoundTrip_data();
    void valuesRoundTrip();
    void otherKindOrShapeReadsAsMissing_data();
    void otherKindOrShapeReadsAsMissing();
    void textMustFitTheBuffer_data();
    void textMustFitTheBuffer();
    void readsNeverCreateTheStore();
    void writeKeepsOtherValuesAndKeys();
    void corruptStoreIsKeptAside();
    void unreadableStoreIsNeverReplaced();
    void twoRunningCopiesLoseNothing();

private:
    QString storePath() const { return m_dir->filePath(QStringLiteral("Mavo/Tallyer.json")); }
    void writeRaw(const QByteArray &bytes) const;

    QTemporaryDir m_home;
    std::unique_ptr<QTemporaryDir> m_dir;
};

static const QString kKey = QStringLiteral("SOFTWARE\\Mavo\\Tallyer");

void TestClsRegistry::initTestCase()
{
    // Whatever the environment says, the shared instance must never reach the real user's store.
    QVERIFY(m_home.isValid());
    qputenv("XDG_CONFIG_HOME", m_home.path().toLocal8Bit());
}

void TestClsRegistry::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestClsRegistry::writeRaw(const QByteArray &bytes) const
{
    QVERIFY(QDir().mkpath(QFileInfo(storePath()).absolutePath()));
    QFile file(storePath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

static QJsonObject readJson(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

void TestClsRegistry::sharedInstanceIsInUserConfigFolder()
{
    clsRegistry &store = clsRegistry::instance();
    QCOMPARE(&store, &clsRegistry::instance());
    QCOMPARE(store.filePath(), m_home.filePath(QStringLiteral("Mavo/Tallyer.json")));
}

void TestClsRegistry::valuesRoundTrip_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("isText");
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint32>("number");

    QTest::newRow("plain-text") << "FontName" << true << "Arial" << 0;
    QTest::newRow("empty-text-is-a-value") << "InWordsFile" << true << "" << 0;
    QTest::newRow("cyrillic-text") << "InWordsFile" << true << "InWordsRubles рус.txt" << 0;
    QTest::newRow("default-value-text") << "" << true << "unnamed" << 0;
    QTest::newRow("true-as-minus-one") << "AlwaysOnTop" << false << "" << -1;
    QTest::newRow("smallest-long") << "FormLeft" << false << ""
                                   << std::numeric_limits<qint32>::min();
    QTest::newRow("system-colour-high-bit") << "BackColor" << false << ""
                                            << qint32(0x80000018u);
}

void TestClsRegistry::valuesRoundTrip()
{
    QFETCH(QString, name);
    QFETCH(bool, isText);
    QFETCH(QString, text);
    QFETCH(qint32, number);

    clsRegistry store(storePath());
    bool blnError = true;
    if (isText) {
        QVERIFY(store.SetString(HKEY_CURRENT_USER, kKey, name, text));
        QCOMPARE(store.GetString(HKEY_CURRENT_USER, kKey, name, "default", blnError), text);
    } else {
        QVERIFY(store.SetLong(HKEY_CURRENT_USER, kKey, name, number));
        QCOMPARE(store.GetLong(HKEY_CURRENT_USER, kKey, name, 12345, blnError), number);
    }
    QVERIFY(!blnError);

    // Stored as the registry would: a JSON string or a signed 32-bit JSON integer, under the key path.
    const QJsonObject root = readJson(storePath());
    QCOMPARE(root.keys(), QStringList{kKey});
    const QJsonValue stored = root.value(kKey).toObject().value(name);
    QCOMPARE(stored.isString(), isText);
    if (isText)
        QCOMPARE(stored.toString(), text);
    else
        QCOMPARE(stored.toInteger(), qint64(number));
}

void TestClsRegistry::otherKindOrShapeReadsAsMissing_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("readText");
    QTest::addColumn<qint32>("expected"); // -77 is the default: the value reads as missing

    const auto doc = [](const char *value) {
        return QByteArray(R"({"SOFTWARE\\Mavo\\Tallyer": {"V": )") + value + "}}";
    };
    QTest::newRow("text-read-as-long") << doc(R"("3")") << false << -77;
    QTest::newRow("long-read-as-text") << doc("3") << true << -77;
    QTest::newRow("fraction-is-no-dword") << doc("2.5") << false << -77;
    QTest::newRow("beyond-32-bits") << doc("4294967296") << false << -77;
    QTest::newRow("boolean-json") << doc("true") << false << -77;
    QTest::newRow("null-read-as-text") << doc("null") << true << -77;
    QTest::newRow("unsigned-spelling-of-colour") << doc("2147483672") << false << qint32(0x80000018u);
    QTest::newRow("key-not-an-object") << QByteArray(R"({"SOFTWARE\\Mavo\\Tallyer": 5})") << false << -77;
    QTest::newRow("other-key") << QByteArray(R"({"SOFTWARE\\Other": {"V": 3}})") << false << -77;
    QTest::newRow("empty-file") << QByteArray() << false << -77;
    QTest::newRow("not-json") << QByteArray("RoundTo=3") << false << -77;
    QTest::newRow("top-level-array") << QByteArray("[{}]") << false << -77;
}

void TestClsRegistry::otherKindOrShapeReadsAsMissing()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, readText);
    QFETCH(qint32, expected);

    writeRaw(file);
    const clsRegistry store(storePath());
    bool blnError = false;
    if (readText)
        QCOMPARE(store.GetString(HKEY_CURRENT_USER, kKey, "V", "dflt", blnError), QString("dflt"));
    else
        QCOMPARE(store.GetLong(HKEY_CURRENT_USER, kKey, "V", -77, blnError), expected);
    QCOMPARE(blnError, expected == -77);
}

void TestClsRegistry::textMustFitTheBuffer_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("fits");

    // The buffer is 16 384 bytes and must hold the UTF-8 text plus its terminating zero.
    QTest::newRow("16383-ascii-fits") << QString(16383, 'a') << true;
    QTest::newRow("16384-ascii-too-long") << QString(16384, 'a') << false;
    QTest::newRow("8191-cyrillic-16382-bytes-fits") << QString(8191, QChar(0x0416)) << true;
    QTest::newRow("8192-cyrillic-16384-bytes-too-long") << QString(8192, QChar(0x0416)) << false;
}

void TestClsRegistry::textMustFitTheBuffer()
{
    QFETCH(QString, text);
    QFETCH(bool, fits);

    clsRegistry store(storePath());
    QVERIFY(store.SetString(HKEY_CURRENT_USER, kKey, "FontName", text));
    bool blnError = false;
    const QString read = store.GetString(HKEY_CURRENT_USER, kKey, "FontName", "Tahoma", blnError);
    QCOMPARE(blnError, !fits);
    QCOMPARE(read, fits ? text : QString("Tahoma"));
}

void TestClsRegistry::readsNeverCreateTheStore()
{
    const clsRegistry store(storePath());
    bool blnError = false;
    store.GetLong(HKEY_CURRENT_USER, kKey, "RoundTo", 2, blnError);
    store.GetString(HKEY_CURRENT_USER, kKey, "FontName", "Tahoma", blnError);
    QVERIFY(!QFileInfo::exists(storePath()));
    QVERIFY(!QFileInfo::exists(QFileInfo(storePath()).absolutePath()));
}

void TestClsRegistry::writeKeepsOtherValuesAndKeys()
{
    writeRaw(R"({"SOFTWARE\\Other": {"X": "kept"}, "SOFTWARE\\Mavo\\Tallyer": {"MaxRows": 20}})");
    clsRegistry store(storePath());
    QVERIFY(store.SetLong(HKEY_CURRENT_USER, kKey, "MinRows", 3));
    QVERIFY(store.SetLong(HKEY_CURRENT_USER, kKey, "MaxRows", 30));

    bool blnError = true;
    QCOMPARE(store.GetString(HKEY_CURRENT_USER, "SOFTWARE\\Other", "X", "", blnError),
             QString("kept"));
    QVERIFY(!blnError);
    QCOMPARE(store.GetLong(HKEY_CURRENT_USER, kKey, "MinRows", 0, blnError), 3);
    QCOMPARE(store.GetLong(HKEY_CURRENT_USER, kKey, "MaxRows", 0, blnError), 30);
    // An overwritten value changes kind with the write.
    QVERIFY(store.SetString(HKEY_CURRENT_USER, kKey, "MaxRows", "many"));
    QCOMPARE(store.GetLong(HKEY_CURRENT_USER, kKey, "MaxRows", 10, blnError), 10);
    QVERIFY(blnError);
}

void TestClsRegistry::corruptStoreIsKeptAside()
{
    const QByteArray garbage = R"({"SOFTWARE\\Mavo\\Tallyer": {"RoundTo": 4)"; // cut short
    writeRaw(garbage);
    clsRegistry store(storePath());

    bool blnError = false;
    QCOMPARE(store.GetLong(HKEY_CURRENT_USER, kKey, "RoundTo", 2, blnError), 2);
    QVERIFY(blnError);
    QVERIFY(!QFileInfo::exists(store.corruptFilePath())); // reading changes nothing

    QVERIFY(store.SetLong(HKEY_CURRENT_USER, kKey, "MaxRows", 12));

    QFile kept(store.corruptFilePath());
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), garbage);
    QCOMPARE(store.GetLong(HKEY_CURRENT_USER, kKey, "MaxRows", 10, blnError), 12);
    QVERIFY(!blnError);
    QCOMPARE(store.GetLong(HKEY_CURRENT_USER, kKey, "RoundTo", 2, blnError), 2);
    QVERIFY(blnError);
    QCOMPARE(readJson(storePath()).value(kKey).toObject().value("MaxRows").toInteger(), 12);

    // A later damage replaces the older kept copy: the newest one is kept.
    kept.close();
    writeRaw("second damage");
    QVERIFY(store.SetString(HKEY_CURRENT_USER, kKey, "FontName", "Verdana"));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("second damage"));
    QCOMPARE(store.GetString(HKEY_CURRENT_USER, kKey, "FontName", "", blnError), QString("Verdana"));
}

void TestClsRegistry::unreadableStoreIsNeverReplaced()
{
    const QByteArray content = R"({"SOFTWARE\\Mavo\\Tallyer": {"RoundTo": 4}})";
    writeRaw(content);
    QFile file(storePath());
    QVERIFY(file.setPermissions(QFileDevice::WriteOwner));
    auto restore = qScopeGuard([&] { file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner); });
    if (file.open(QIODevice::ReadOnly))
        QSKIP("running with rights that ignore file permissions");

    clsRegistry store(storePath());
    QVERIFY(!store.SetLong(HKEY_CURRENT_USER, kKey, "MaxRows", 12));
    restore.dismiss();
    QVERIFY(file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), content);
}

// Run as a second program: write `count` values named "<tag>-<i>" with the value i (text and
// integer alternately). Exit code 0 when every write reported success.
static int runWriter(const QString &path, const QString &tag, int count)
{
    clsRegistry store(path);
    int failures = 0;
    for (int i = 0; i < count; ++i) {
        const QString name = QStringLiteral("%1-%2").arg(tag).arg(i);
        const bool ok = i % 2 ? store.SetString(HKEY_CURRENT_USER, kKey, name, QString::number(i))
                              : store.SetLong(HKEY_CURRENT_USER, kKey, name, i);
        if (!ok)
            ++failures;
    }
    return failures == 0 ? 0 : 1;
}

void TestClsRegistry::twoRunningCopiesLoseNothing()
{
    constexpr int count = 120;
    const QStringList tags{"alpha", "beta"};
    std::vector<std::unique_ptr<QProcess>> writers;
    for (const QString &tag : tags) {
        auto process = std::make_unique<QProcess>();
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        process->start(QCoreApplication::applicationFilePath(),
                       {"--registry-writer", storePath(), tag, QString::number(count)});
        writers.push_back(std::move(process));
    }
    for (auto &process : writers) {
        QVERIFY(process->waitForFinished(120000));
        QCOMPARE(process->exitStatus(), QProcess::NormalExit);
        QCOMPARE(process->exitCode(), 0);
    }

    const clsRegistry store(storePath());
    for (const QString &tag : tags) {
        for (int i = 0; i < count; ++i) {
            const QString name = QStringLiteral("%1-%2").arg(tag).arg(i);
            bool blnError = true;
            if (i % 2)
                QCOMPARE(store.GetString(HKEY_CURRENT_USER, kKey, name, "lost", blnError),
                         QString::number(i));
            else
                QCOMPARE(store.GetLong(HKEY_CURRENT_USER, kKey, name, -1, blnError), i);
            QVERIFY2(!blnError, qPrintable(name));
        }
    }
    QCOMPARE(readJson(storePath()).value(kKey).toObject().size(), 2 * count);
    QVERIFY(!QFileInfo::exists(store.corruptFilePath()));
}

int main(int argc, char *argv[])
{
    if (argc == 5 && qstrcmp(argv[1], "--registry-writer") == 0) {
        QCoreApplication app(argc, argv);
        return runWriter(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                         QByteArray(argv[4]).toInt());
    }
    QCoreApplication app(argc, argv);
    TestClsRegistry test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_clsregistry.moc"
