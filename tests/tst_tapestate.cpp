// The tape kept between runs: a state saved is the state loaded (with the history ring it came
// from), and a state file that cannot be used is set aside under a new name, never deleted, while
// the run starts with an empty tape. XDG_STATE_HOME is the test's own folder (tests/CMakeLists.txt).

#include <tapestate.h>

#include <QtTest>

class TestTapeState : public QObject
{
    Q_OBJECT

private slots:
    void init() { QDir(TapeStateFolder()).removeRecursively(); }

    void keptAndRestored();
    void unusableStateSetAside_data();
    void unusableStateSetAside();
};

void TestTapeState::keptAndRestored()
{
    QCOMPARE(TapeStateFilePath(), qEnvironmentVariable("XDG_STATE_HOME") + "/tallyer/tape.json");
    QCOMPARE(LoadTapeState().outcome, TapeStateOutcome::NoState);

    // A full history ring: 52 expressions recorded, the two oldest gone.
    TextRing history(50);
    for (int i = 1; i <= 52; ++i)
        history.record({QStringLiteral("%1+\r\n1").arg(i), 0, 4, quint8(i % 10)});
    const TapeState state{QStringLiteral("1250+\r\n340+\r\n17.5"), 12, 5, history.entries()};
    QCOMPARE(state.history.size(), 50);
    QCOMPARE(state.history.front().text, QStringLiteral("3+\r\n1"));
    QVERIFY(SaveTapeState(state));
    QCOMPARE(QFileInfo(TapeStateFolder()).permissions() & (QFile::ReadGroup | QFile::ReadOther), QFileDevice::Permissions());

    const TapeStateLoadResult loaded = LoadTapeState();
    QCOMPARE(loaded.outcome, TapeStateOutcome::Restored);
    QCOMPARE(loaded.state, state);
    TextRing restored(50);
    for (const TextEntry &entry : loaded.state.history)
        restored.record(entry);
    QCOMPARE(restored.entries(), history.entries());
    QCOMPARE(restored.newest().text, QStringLiteral("52+\r\n1"));

    // A caret beyond the text (the file edited by hand) is brought back inside it.
    QVERIFY(SaveTapeState({QStringLiteral("12"), 40, 3, {}}));
    QCOMPARE(LoadTapeState().state, (TapeState{QStringLiteral("12"), 2, 0, {}}));
    QVERIFY(DiscardTapeState());
    QCOMPARE(LoadTapeState().outcome, TapeStateOutcome::NoState);
}

void TestTapeState::unusableStateSetAside_data()
{
    QTest::addColumn<QByteArray>("bytes"); // "FOLDER": a folder where the file should be
    const QByteArray valid = R"({"format": "tallyer-tape", "version": 1, "rows": ["1+", "2"], "selStart": 0,
                                 "selLength": 0, "history": []})";
    QTest::newRow("not-json") << QByteArray("{\"format\": \"tallyer-tape\", ");
    QTest::newRow("json-array") << QByteArray("[1, 2]");
    QTest::newRow("another-format") << QByteArray(valid).replace("tallyer-tape", "other");
    QTest::newRow("newer-version") << QByteArray(valid).replace("\"version\": 1", "\"version\": 2");
    QTest::newRow("row-not-text") << QByteArray(valid).replace("\"2\"", "2");
    QTest::newRow("history-entry-without-rows") << QByteArray(valid).replace("[]", "[{\"selStart\": 0}]");
    QTest::newRow("over-16-mib") << valid + QByteArray(kTapeStateLimit, ' ');
    QTest::newRow("folder-in-its-place") << QByteArray("FOLDER");
}

void TestTapeState::unusableStateSetAside()
{
    QFETCH(QByteArray, bytes);
    const QString path = TapeStateFilePath();
    QVERIFY(QDir().mkpath(TapeStateFolder()));
    // Twice: the second file set aside does not replace the first.
    for (const QString &setAside : {path + ".bad", path + ".bad.2"}) {
        if (bytes == "FOLDER") {
            QVERIFY(QDir().mkpath(path));
        } else {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QCOMPARE(file.write(bytes), bytes.size());
        }
        const TapeStateLoadResult loaded = LoadTapeState();
        QCOMPARE(loaded.outcome, TapeStateOutcome::SetAside);
        QCOMPARE(loaded.state, TapeState());
        QCOMPARE(loaded.setAsidePath, setAside);
        QVERIFY(!QFileInfo::exists(path));
        if (bytes != "FOLDER") {
            QFile kept(setAside);
            QVERIFY(kept.open(QIODevice::ReadOnly));
            QCOMPARE(kept.readAll(), bytes);
        }
    }
    // The next close keeps the tape again.
    QVERIFY(SaveTapeState({QStringLiteral("5"), 1, 0, {}}));
    QCOMPARE(LoadTapeState().outcome, TapeStateOutcome::Restored);
}

QTEST_GUILESS_MAIN(TestTapeState)
#include "tst_tapestate.moc"
