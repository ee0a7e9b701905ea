#include <clsregistry.h>
#include <options.h>
#include <settings.h>

#include <QtTest>

#include <csignal>
#include <limits>

#include <sys/resource.h>
#include <fcntl.h>
#include <sys/stat.h>

Q_DECLARE_METATYPE(const Settings::Setting *)

static const QString kKey = QStringLiteral("SOFTWARE\\Mavo\\Tallyer");

static QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

static QJsonObject storedKey(const QString &path)
{
    return QJsonDocument::fromJson(fileBytes(path)).object().value(kKey).toObject();
}

// The settings store: both kinds of value, what reads as missing, the damaged-file path, the store
// under faults of the file system and of other running copies; then the settings table on top of
// it: the mending rules of particular settings, the option values' defaults and their stored form.
class TestClsRegistry : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Whatever the environment says, the shared instance must never reach the real user's store;
        // it lives in the user's settings folder.
        QVERIFY(m_home.isValid());
        qputenv("XDG_CONFIG_HOME", m_home.path().toLocal8Bit());
        QCOMPARE(clsRegistry::instance().filePath(), m_home.filePath(QStringLiteral("Mavo/Tallyer.json")));
    }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    // A value written with SetString or SetLong (a QString or an int), or a whole store file (a
    // QByteArray), then read as text or as a long; a null expected value reads as missing. Values of
    // a setting are read through the settings table, with the setting's own mending rule.
    void valuesRead_data()
    {
        QTest::addColumn<const Settings::Setting *>("setting"); // null: the value "V" of the store itself
        QTest::addColumn<QVariant>("written");
        QTest::addColumn<bool>("readText");
        QTest::addColumn<QVariant>("expected");
        const auto read = [](const char *tag, const QVariant &written, bool readText, const QVariant &expected) {
            QTest::newRow(tag) << static_cast<const Settings::Setting *>(nullptr) << written << readText << expected;
        };
        read("cyrillic-text", QString("InWordsRubles рус.txt"), true, QString("InWordsRubles рус.txt"));
        read("smallest-long", std::numeric_limits<qint32>::min(), false, std::numeric_limits<qint32>::min());
        const auto doc = [](const QByteArray &value) {
            return QVariant(R"({"SOFTWARE\\Mavo\\Tallyer": {"V": )" + value + "}}");
        };
        const auto text = [&doc](const QString &value) { return doc('"' + value.toUtf8() + '"'); };
        read("text-read-as-long", doc(R"("3")"), false, {});
        read("fraction-is-no-dword", doc("2.5"), false, {});
        read("beyond-32-bits", doc("4294967296"), false, {});
        read("unsigned-spelling-of-colour", doc("2147483672"), false, qint32(0x80000018u));
        read("empty-file", QByteArray(), false, {});
        // The buffer is 16 384 bytes and must hold the UTF-8 text plus its terminating zero.
        read("16383-ascii-fits", text(QString(16383, 'a')), true, QString(16383, 'a'));
        read("16384-ascii-too-long", text(QString(16384, 'a')), true, {});
        read("8192-cyrillic-16384-bytes-too-long", text(QString(8192, QChar(0x0416))), true, {});

        const auto mended = [](const char *tag, const Settings::Setting &s, const QVariant &written, const QVariant &to) {
            QTest::newRow(tag) << &s << written << (to.typeId() == QMetaType::QString) << to;
        };
        // Every number is held to the range the options dialog allows; outside it, the default.
        mended("maxrows-hundred-reads-ten", Settings::MaxRows, 100, 10);
        mended("roundto-ten-reads-two", Settings::RoundTo, 10, 2);
        // Positions: 32768 pixels at 20 twips a pixel either way.
        mended("formleft-far-left-kept", Settings::FormLeft, -655360, -655360);
        mended("formtop-least-int-reads-zero", Settings::FormTop, std::numeric_limits<qint32>::min(), 0);
        // Colours: RGB with a zero high byte, or a system colour the palette knows (0 ... 30 but 25).
        mended("backcolor-alpha-byte-reads-default", Settings::BackColor, 0x01FF8000, qint32(0x80000018u));
        mended("fontcolor-index-25-reads-default", Settings::FontColor, qint32(0x80000019u), qint32(0x80000012u));
        mended("font-name-integer-reads-tahoma", Settings::FontName, 5, QString("Tahoma"));
    }
    void valuesRead()
    {
        QFETCH(const Settings::Setting *, setting);
        QFETCH(QVariant, written);
        QFETCH(bool, readText);
        QFETCH(QVariant, expected);
        clsRegistry store(storePath());
        const QString name = setting ? QString::fromLatin1(setting->name) : QStringLiteral("V");
        if (written.typeId() == QMetaType::QByteArray)
            writeRaw(written.toByteArray());
        else if (written.typeId() == QMetaType::QString)
            QVERIFY(store.SetString(HKEY_CURRENT_USER, kKey, name, written.toString()));
        else
            QVERIFY(store.SetLong(HKEY_CURRENT_USER, kKey, name, written.toInt()));
        if (setting) {
            const bool colour = setting->kind == Settings::Kind::Colour;
            const QVariant read = readText ? QVariant(Settings::readText(*setting, store))
                                : colour   ? QVariant(qint32(Settings::readColour(*setting, store)))
                                           : QVariant(Settings::readLong(*setting, store));
            QCOMPARE(read, expected);
            return;
        }
        bool blnError = !expected.isNull();
        const QVariant read = readText ? QVariant(store.GetString(HKEY_CURRENT_USER, kKey, name, "dflt", blnError))
                                       : QVariant(store.GetLong(HKEY_CURRENT_USER, kKey, name, -77, blnError));
        QCOMPARE(read, expected.isNull() ? (readText ? QVariant("dflt") : QVariant(-77)) : expected);
        QCOMPARE(blnError, expected.isNull());
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
        QCOMPARE(fileBytes(store.corruptFilePath()), garbage);
        QCOMPARE(storedKey(storePath()), (QJsonObject{{"MaxRows", 12}}));

        // A later damage replaces the older kept copy: the newest one is kept.
        writeRaw("second damage");
        QVERIFY(store.SetString(HKEY_CURRENT_USER, kKey, "FontName", "Verdana"));
        QCOMPARE(fileBytes(store.corruptFilePath()), QByteArray("second damage"));
        QCOMPARE(store.GetString(HKEY_CURRENT_USER, kKey, "FontName", "", blnError), QString("Verdana"));
    }

    void storeUnderFaults_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("writes"); // whether a write succeeds under the fault
        QTest::newRow("empty-lock-of-a-killed-copy") << "empty-lock" << true;
        QTest::newRow("lock-held-by-a-running-copy") << "live-lock" << false;
        QTest::newRow("disk-full-past-the-lock") << "disk-full" << false;
        QTest::newRow("store-is-a-fifo") << "fifo" << false;
    }

    // Under every fault each call returns within a fraction of a second, a failed write leaves the
    // stored document as it was and is told once, and an empty lock left by a killed copy is taken over.
    void storeUnderFaults()
    {
        QFETCH(QString, fault);
        QFETCH(bool, writes);
        QLockFile otherCopy(storePath() + ".lock");
        QFile lock(storePath() + ".lock");
        writeRaw(R"({"SOFTWARE\\Mavo\\Tallyer": {"RoundTo": 4}})");
        if (fault == "fifo") {
            QVERIFY(QFile::remove(storePath()));
            QCOMPARE(::mkfifo(QFile::encodeName(storePath()).constData(), 0600), 0);
        } else if (fault == "empty-lock") {
            // Two seconds old: long past the moment a live copy fills its lock, far from the 30 s
            // after which QLockFile would give it up by itself.
            QVERIFY(lock.open(QIODevice::WriteOnly));
            QVERIFY(lock.setFileTime(QDateTime::currentDateTime().addSecs(-2), QFileDevice::FileModificationTime));
        } else if (fault == "live-lock") {
            QVERIFY(otherCopy.tryLock(0));
        }
        lock.close();
        // The disk fills up while the document is written: no file may grow past 1000 bytes, room
        // for the lock but not for the new document. The write fails with EFBIG, the signal is ignored.
        rlimit limit = {};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &limit), 0);
        const rlimit unlimited = limit;
        auto restoreLimit = qScopeGuard([&] { ::setrlimit(RLIMIT_FSIZE, &unlimited); });
        if (fault == "disk-full") {
            ::signal(SIGXFSZ, SIG_IGN);
            limit.rlim_cur = 1000;
            QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limit), 0);
        }

        int told = 0;
        const auto oldHandler = Settings::setWriteFailureHandler([&told](const QString &) { ++told; });
        auto restoreHandler = qScopeGuard([&] { Settings::setWriteFailureHandler(oldHandler); });
        clsRegistry store(storePath());
        bool blnError = false;
        for (int round = 0; round < 2; ++round) {
            QElapsedTimer timer;
            timer.start();
            QCOMPARE(Settings::writeText(Settings::FontName, QString(3000, u'F'), store), writes);
            QCOMPARE(store.GetLong(HKEY_CURRENT_USER, kKey, "RoundTo", 2, blnError), fault == "fifo" ? 2 : 4);
            QVERIFY2(timer.elapsed() < 1500, qPrintable(QString::number(timer.elapsed())));
        }
        QCOMPARE(told, writes ? 0 : 1);
        QCOMPARE(store.GetString(HKEY_CURRENT_USER, kKey, "FontName", "dflt", blnError),
                 writes ? QString(3000, u'F') : QStringLiteral("dflt"));
        QVERIFY(!QFileInfo::exists(store.corruptFilePath()));
        QCOMPARE(QFileInfo(storePath()).isFile(), fault != "fifo");
    }

    // The document is read once and kept until the file changes on disk: after RoundTo 4 is read,
    // the file gets RoundTo 5 behind the store's back, with its size and time to the nanosecond,
    // in place or as another file put there.
    void readOnce_data()
    {
        QTest::addColumn<bool>("replaced");
        QTest::addColumn<int>("expected");
        QTest::newRow("same-size-and-time-in-place-unseen") << false << 4;
        QTest::newRow("other-file-same-size-and-time-seen") << true << 5;
    }
    void readOnce()
    {
        QFETCH(bool, replaced);
        QFETCH(int, expected);
        writeRaw(R"({"SOFTWARE\\Mavo\\Tallyer": {"RoundTo": 4}})");
        struct stat first = {};
        QCOMPARE(::stat(QFile::encodeName(storePath()).constData(), &first), 0);
        clsRegistry store(storePath());
        bool blnError = false;
        QCOMPARE(store.GetLong(HKEY_CURRENT_USER, kKey, "RoundTo", 2, blnError), 4);
        const QByteArray path = QFile::encodeName(replaced ? storePath() + ".new" : storePath());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite) && file.write(R"({"SOFTWARE\\Mavo\\Tallyer": {"RoundTo": 5}})") > 0);
        file.close();
        const timespec times[2] = {first.st_atim, first.st_mtim};
        QCOMPARE(::utimensat(AT_FDCWD, path.constData(), times, 0), 0);
        QVERIFY(!replaced || ::rename(path.constData(), QFile::encodeName(storePath()).constData()) == 0);
        QCOMPARE(store.GetLong(HKEY_CURRENT_USER, kKey, "RoundTo", 2, blnError), expected);
    }

    // A write keeps other programs' keys and never leaves a document the next start could not
    // read (more than 16 MiB): the file then stays as it was, and is not set aside either.
    void writeBack_data()
    {
        QTest::addColumn<QByteArray>("before"); // the store; null: a sparse file of 16 MiB and a byte
        QTest::addColumn<int>("nameLength");    // of the FontName written; 0: "Verdana"
        QTest::addColumn<bool>("written");
        QTest::newRow("indented-by-another-program") << QByteArray("{\n    \"Other\": [1, 2]\n}\n") << 0 << true;
        // 1.7 million zeros: 3.4 MB as this program writes it, 18.7 MB if it were indented.
        QTest::newRow("long-list-beside-ours-fits")
            << "{\"Other\":[" + QByteArray("0,").repeated(1699999) + "0]}" << 0 << true;
        QTest::newRow("value-past-16-MiB-refused") << QByteArray("{\"Other\":[1,2]}") << 16 * 1024 * 1024 << false;
        QTest::newRow("store-past-16-MiB-left-as-it-is") << QByteArray() << 0 << false;
    }
    void writeBack()
    {
        QFETCH(QByteArray, before);
        QFETCH(int, nameLength);
        QFETCH(bool, written);
        writeRaw(before);
        QVERIFY(!before.isNull() || QFile::resize(storePath(), 16 * 1024 * 1024 + 1));
        const QByteArray stored = fileBytes(storePath());
        clsRegistry store(storePath());
        const QString name = nameLength ? QString(nameLength, u'F') : QStringLiteral("Verdana");
        QCOMPARE(Settings::writeText(Settings::FontName, name, store), written);
        QVERIFY(!QFileInfo::exists(store.corruptFilePath()));
        if (!written) {
            QCOMPARE(fileBytes(storePath()), stored);
            return;
        }
        const QJsonDocument doc = QJsonDocument::fromJson(fileBytes(storePath()));
        QCOMPARE(doc["Other"], QJsonDocument::fromJson(before)["Other"]);
        QCOMPARE(Settings::readText(Settings::FontName, store), name);
    }

    // An empty store reads as the defaults, and reading creates nothing, not even the folder. Saved
    // options come back, stored as booleans -1 and 0, colours as signed integers and the custom
    // colours joined by "|"; the store's other keys and values are kept, and a value may change kind.
    void optionsRoundTrip()
    {
        clsRegistry store(storePath());
        QCOMPARE(Options::load(store),
                 (Options{true, false, 2, 1, 10, QString(),
                          {"Tahoma", 12, false, false, 0x80000012u, 0x80000018u, QString()}}));
        QVERIFY(!QFileInfo::exists(m_dir->filePath("Mavo")));
        const Options options{false, true, 0, 3, 20, "InWordsRubles rus.txt",
                              {"DejaVu Sans", 14, true, true, 0x00FF8000u, 0x80000005u,
                               QString("100|101|7").replace('|', QChar(0))}, false};
        writeRaw(R"({"SOFTWARE\\Other": {"X": "kept"}, "SOFTWARE\\Mavo\\Tallyer": {"MaxRows": "many", "FormLeft": 7}})");
        QVERIFY(options.save(store));
        QCOMPARE(QJsonDocument::fromJson(fileBytes(storePath()))["SOFTWARE\\Other"].toObject(),
                 (QJsonObject{{"X", "kept"}}));
        QCOMPARE(storedKey(storePath()),
                 (QJsonObject{{"AlwaysOnTop", 0}, {"Available2", -1}, {"RoundTo", 0}, {"MinRows", 3}, {"MaxRows", 20},
                              {"InWordsFile", "InWordsRubles rus.txt"}, {"FontName", "DejaVu Sans"}, {"FontSize", 14},
                              {"FontBold", -1}, {"FontItalic", -1}, {"FontColor", 0xFF8000},
                              {"BackColor", qint64(qint32(0x80000005u))}, {"ColorsCustom", "100|101|7"}, {"FormLeft", 7},
                              {"KeepTape", 0}}));
        QCOMPARE(Options::load(store), options);
        // The least rows are held to the most, as the options dialog holds them.
        QVERIFY(store.SetLong(HKEY_CURRENT_USER, Settings::kKey, "MinRows", 21));
        QCOMPARE(Options::load(store).minRows, 1);
        // Any non-zero integer is true, as a value written by hand or by an older version may be.
        QVERIFY(store.SetLong(HKEY_CURRENT_USER, Settings::kKey, "FontBold", 1));
        QVERIFY(Options::load(store).appearance.FontBold);
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

QTEST_GUILESS_MAIN(TestClsRegistry)
#include "tst_clsregistry.moc"
