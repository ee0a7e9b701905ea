#include <clsregistry.h>
#include <options.h>
#include <settings.h>

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QLockFile>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <limits>

#include <sys/stat.h>
#include <unistd.h>

Q_DECLARE_METATYPE(Options)

static const QString kKey = QStringLiteral("SOFTWARE\\Mavo\\Tallyer");

static QJsonObject storedKey(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object().value(kKey).toObject();
}

// The settings store: both kinds of value, what reads as missing, the damaged-file path, the store
// under faults of the file system and two running copies writing at once; then the settings table
// on top of it: the mending rules of particular settings, the option values' defaults and their
// stored form (booleans -1 and 0, colours as signed integers, custom colours joined by "|").
class TestClsRegistry : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Whatever the environment says, the shared instance must never reach the real user's store.
        QVERIFY(m_home.isValid());
        qputenv("XDG_CONFIG_HOME", m_home.path().toLocal8Bit());
    }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void sharedInstanceInUserFolderAndReadsCreateNothing()
    {
        QCOMPARE(clsRegistry::instance().filePath(), m_home.filePath(QStringLiteral("Mavo/Tallyer.json")));
        const clsRegistry store(storePath());
        bool blnError = false;
        store.GetLong(HKEY_CURRENT_USER, kKey, "RoundTo", 2, blnError);
        store.GetString(HKEY_CURRENT_USER, kKey, "FontName", "Tahoma", blnError);
        QVERIFY(!QFileInfo::exists(QFileInfo(storePath()).absolutePath()));
    }

    void valuesRoundTrip_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVariant>("value"); // QString: SetString, int: SetLong

        QTest::newRow("empty-text-is-a-value") << "InWordsFile" << QVariant(QString(""));
        QTest::newRow("cyrillic-text") << "InWordsFile" << QVariant(QString("InWordsRubles рус.txt"));
        QTest::newRow("default-value-text") << "" << QVariant(QString("unnamed"));
        QTest::newRow("smallest-long") << "FormLeft" << QVariant(std::numeric_limits<qint32>::min());
        QTest::newRow("system-colour-high-bit") << "BackColor" << QVariant(qint32(0x80000018u));
    }
    void valuesRoundTrip()
    {
        QFETCH(QString, name);
        QFETCH(QVariant, value);
        const bool isText = value.typeId() == QMetaType::QString;

        clsRegistry store(storePath());
        bool blnError = true;
        if (isText) {
            QVERIFY(store.SetString(HKEY_CURRENT_USER, kKey, name, value.toString()));
            QCOMPARE(store.GetString(HKEY_CURRENT_USER, kKey, name, "default", blnError), value.toString());
        } else {
            QVERIFY(store.SetLong(HKEY_CURRENT_USER, kKey, name, value.toInt()));
            QCOMPARE(store.GetLong(HKEY_CURRENT_USER, kKey, name, 12345, blnError), value.toInt());
        }
        QVERIFY(!blnError);
        // Stored as the registry would: a JSON string or a signed 32-bit JSON integer, under the key path.
        const QJsonValue stored = storedKey(storePath()).value(name);
        QCOMPARE(stored.isString(), isText);
        QCOMPARE(stored.toVariant().toString(), value.toString());
    }

    void readsAsMissing_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("readText");
        QTest::addColumn<QVariant>("expected"); // null: the value reads as missing

        const auto doc = [](const QByteArray &value) { return R"({"SOFTWARE\\Mavo\\Tallyer": {"V": )" + value + "}}"; };
        const auto text = [&doc](const QString &value) { return doc('"' + value.toUtf8() + '"'); };
        QTest::newRow("text-read-as-long") << doc(R"("3")") << false << QVariant();
        QTest::newRow("long-read-as-text") << doc("3") << true << QVariant();
        QTest::newRow("fraction-is-no-dword") << doc("2.5") << false << QVariant();
        QTest::newRow("beyond-32-bits") << doc("4294967296") << false << QVariant();
        QTest::newRow("unsigned-spelling-of-colour") << doc("2147483672") << false << QVariant(qint32(0x80000018u));
        QTest::newRow("key-not-an-object") << QByteArray(R"({"SOFTWARE\\Mavo\\Tallyer": 5})") << false << QVariant();
        QTest::newRow("empty-file") << QByteArray() << false << QVariant();
        // The buffer is 16 384 bytes and must hold the UTF-8 text plus its terminating zero.
        QTest::newRow("16383-ascii-fits") << text(QString(16383, 'a')) << true << QVariant(QString(16383, 'a'));
        QTest::newRow("16384-ascii-too-long") << text(QString(16384, 'a')) << true << QVariant();
        QTest::newRow("8192-cyrillic-16384-bytes-too-long") << text(QString(8192, QChar(0x0416))) << true << QVariant();
    }
    void readsAsMissing()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, readText);
        QFETCH(QVariant, expected);

        writeRaw(file);
        const clsRegistry store(storePath());
        bool blnError = false;
        const QVariant read = readText ? QVariant(store.GetString(HKEY_CURRENT_USER, kKey, "V", "dflt", blnError))
                                       : QVariant(store.GetLong(HKEY_CURRENT_USER, kKey, "V", -77, blnError));
        QCOMPARE(read, expected.isNull() ? (readText ? QVariant("dflt") : QVariant(-77)) : expected);
        QCOMPARE(blnError, expected.isNull());
    }

    void writeKeepsOtherValuesAndKeys()
    {
        writeRaw(R"({"SOFTWARE\\Other": {"X": "kept"}, "SOFTWARE\\Mavo\\Tallyer": {"MaxRows": 20}})");
        clsRegistry store(storePath());
        QVERIFY(store.SetLong(HKEY_CURRENT_USER, kKey, "MinRows", 3));
        QVERIFY(store.SetLong(HKEY_CURRENT_USER, kKey, "MaxRows", 30));
        bool blnError = true;
        QCOMPARE(store.GetString(HKEY_CURRENT_USER, "SOFTWARE\\Other", "X", "", blnError), QString("kept"));
        QVERIFY(!blnError);
        QCOMPARE(store.GetLong(HKEY_CURRENT_USER, kKey, "MinRows", 0, blnError), 3);
        QCOMPARE(store.GetLong(HKEY_CURRENT_USER, kKey, "MaxRows", 0, blnError), 30);
        // An overwritten value changes kind with the write.
        QVERIFY(store.SetString(HKEY_CURRENT_USER, kKey, "MaxRows", "many"));
        QCOMPARE(store.GetLong(HKEY_CURRENT_USER, kKey, "MaxRows", 10, blnError), 10);
        QVERIFY(blnError);
    }

    void corruptStoreIsKeptAside()
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
        kept.close();
        QCOMPARE(storedKey(storePath()), (QJsonObject{{"MaxRows", 12}}));

        // A later damage replaces the older kept copy: the newest one is kept.
        writeRaw("second damage");
        QVERIFY(store.SetString(HKEY_CURRENT_USER, kKey, "FontName", "Verdana"));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("second damage"));
        QCOMPARE(store.GetString(HKEY_CURRENT_USER, kKey, "FontName", "", blnError), QString("Verdana"));
    }

    void storeUnderFaults_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("writes"); // whether a write succeeds under the fault

        QTest::newRow("empty-lock-of-a-killed-copy") << "empty-lock" << true;
        QTest::newRow("lock-naming-a-gone-process") << "dead-lock" << true;
        QTest::newRow("lock-held-by-a-running-copy") << "live-lock" << false;
        QTest::newRow("disk-full-but-one-block") << "disk-full" << false;
        QTest::newRow("store-is-a-fifo") << "fifo" << false;
        QTest::newRow("read-only-folder") << "read-only" << false;
    }

    // Under every fault each call returns within a fraction of a second, a failed write leaves the
    // stored document as it was and is told once, and a lock left by a copy that is gone is taken over.
    void storeUnderFaults()
    {
        QFETCH(QString, fault);
        QFETCH(bool, writes);
        const QString folder = QFileInfo(storePath()).absolutePath();
        const QString lockPath = storePath() + ".lock";
        QLockFile otherCopy(lockPath);
        const bool hasStore = fault != "fifo";
        // A small tmpfs for the full disk, and as root (who may write anywhere) for the read-only folder.
        const auto mount = [&](const QStringList &options) {
            return QProcess::execute(QStringLiteral("mount"), options + QStringList{"tmpfs", folder}) == 0;
        };
        bool mounted = false;
        auto unmount = qScopeGuard([&] { if (mounted) QProcess::execute(QStringLiteral("umount"), {folder}); });
        if (fault == "disk-full" || (fault == "read-only" && ::geteuid() == 0)) {
            mounted = ::geteuid() == 0 && QDir().mkpath(folder) && mount({"-t", "tmpfs", "-o", "size=16k"});
            if (!mounted)
                QSKIP("mounting a small tmpfs needs root");
        }
        if (hasStore)
            writeRaw(R"({"SOFTWARE\\Mavo\\Tallyer": {"RoundTo": 4}})");
        else
            QVERIFY(QDir().mkpath(folder));

        if (fault == "empty-lock") {
            QFile lock(lockPath);
            QVERIFY(lock.open(QIODevice::WriteOnly));
            // Two seconds old: long past the moment a live copy fills its lock, far from the 30 s
            // after which QLockFile would give it up by itself.
            QVERIFY(lock.setFileTime(QDateTime::currentDateTime().addSecs(-2),
                                     QFileDevice::FileModificationTime));
        } else if (fault == "dead-lock") {
            QFile lock(lockPath);
            QVERIFY(lock.open(QIODevice::WriteOnly));
            lock.write("2147480000\ntallyer\n" + QSysInfo::machineHostName().toUtf8() + "\n");
        } else if (fault == "live-lock") {
            QVERIFY(otherCopy.tryLock(0));
        } else if (fault == "disk-full") {
            // Fill the disk with one-block files, then free one block: room for the lock, none for the
            // new document.
            QStringList fillers;
            for (int i = 0;; ++i) {
                QFile filler(QStringLiteral("%1/filler%2").arg(folder).arg(i));
                if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered)
                    || filler.write(QByteArray(4096, 'x')) != 4096) {
                    filler.remove();
                    break;
                }
                fillers << filler.fileName();
            }
            QVERIFY(!fillers.isEmpty() && QFile::remove(fillers.last()));
        } else if (fault == "fifo") {
            QCOMPARE(::mkfifo(QFile::encodeName(storePath()).constData(), 0600), 0);
        } else if (fault == "read-only") {
            if (::geteuid() == 0)
                QVERIFY(mount({"-o", "remount,ro"}));
            else
                QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        }
        auto writable = qScopeGuard([&] {
            QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        });

        int told = 0;
        const auto oldHandler = Settings::setWriteFailureHandler([&told](const QString &) { ++told; });
        auto restoreHandler = qScopeGuard([&] { Settings::setWriteFailureHandler(oldHandler); });
        clsRegistry store(storePath());
        QElapsedTimer timer;
        bool blnError = false;
        for (int round = 0; round < 2; ++round) {
            timer.start();
            QCOMPARE(Settings::writeText(Settings::FontName, QString(3000, u'F'), store), writes);
            QVERIFY2(timer.elapsed() < 1500, qPrintable(QString::number(timer.elapsed())));
            timer.start();
            QCOMPARE(store.GetLong(HKEY_CURRENT_USER, kKey, "RoundTo", 2, blnError), hasStore ? 4 : 2);
            QVERIFY2(timer.elapsed() < 1500, qPrintable(QString::number(timer.elapsed())));
        }
        QCOMPARE(told, writes ? 0 : 1);
        QCOMPARE(store.GetString(HKEY_CURRENT_USER, kKey, "FontName", "dflt", blnError),
                 writes ? QString(3000, u'F') : QStringLiteral("dflt"));
        QVERIFY(!QFileInfo::exists(store.corruptFilePath()));
        if (!hasStore)
            QVERIFY(!QFileInfo(storePath()).isFile()); // still the FIFO
    }

    void storedValuesAreMended_data()
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

    void storedValuesAreMended()
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

    void optionsRoundTrip_data()
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

    void optionsRoundTrip()
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

    void twoRunningCopiesLoseNothing()
    {
        constexpr int count = 120;
        QProcess writers[2];
        const QString tags[2] = {"alpha", "beta"};
        for (int k = 0; k < 2; ++k) {
            writers[k].setProcessChannelMode(QProcess::ForwardedChannels);
            writers[k].start(QCoreApplication::applicationFilePath(),
                             {"--registry-writer", storePath(), tags[k], QString::number(count)});
        }
        for (QProcess &writer : writers) {
            QVERIFY(writer.waitForFinished(120000));
            QCOMPARE(writer.exitStatus(), QProcess::NormalExit);
            QCOMPARE(writer.exitCode(), 0);
        }
        const QJsonObject stored = storedKey(storePath());
        QCOMPARE(stored.size(), 2 * count);
        for (const QString &tag : tags) {
            for (int i = 0; i < count; ++i)
                QCOMPARE(stored.value(QStringLiteral("%1-%2").arg(tag).arg(i)).toInt(-1), i);
        }
        QVERIFY(!QFileInfo::exists(storePath() + ".corrupt"));
    }

private:
    QString storePath() const { return m_dir->filePath(QStringLiteral("Mavo/Tallyer.json")); }

    void writeRaw(const QByteArray &bytes) const
    {
        QVERIFY(QDir().mkpath(QFileInfo(storePath()).absolutePath()));
        QFile file(storePath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), bytes.size());
    }

    QTemporaryDir m_home;
    std::unique_ptr<QTemporaryDir> m_dir;
};

// Run as a second program: write `count` values "<tag>-<i>" = i. Exit code 0 when all succeeded.
static int runWriter(const QString &path, const QString &tag, int count)
{
    clsRegistry store(path);
    for (int i = 0; i < count; ++i) {
        if (!store.SetLong(HKEY_CURRENT_USER, kKey, QStringLiteral("%1-%2").arg(tag).arg(i), i))
            return 1;
    }
    return 0;
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 5 && qstrcmp(argv[1], "--registry-writer") == 0)
        return runWriter(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]), QByteArray(argv[4]).toInt());
    TestClsRegistry test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_clsregistry.moc"
