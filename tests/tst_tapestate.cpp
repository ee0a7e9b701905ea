// The tape kept between runs: a state saved is the state loaded (with the history ring it came
// from), any tape within the tape file limit is kept, a state file that cannot be used is set
// aside under a new name, never deleted, and two copies closing in turn drop neither's work.
// XDG_STATE_HOME is the test's own folder (tests/CMakeLists.txt).

#include <tapestate.h>

#include <QtTest>

class TestTapeState : public QObject
{
    Q_OBJECT

private slots:
    void init() { QDir(TapeStateFolder()).removeRecursively(); }

    void keptAndRestored();
    void largeTapes_data();
    void largeTapes();
    void unusableStateSetAside_data();
    void unusableStateSetAside();
    void twoCopies_data();
    void twoCopies();
    void runThatDidNotEnd();
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

    // The rows are a plain tape file beside the document; a caret beyond the text (the file edited
    // by hand) is brought back inside it.
    QVERIFY(SaveTapeState({QStringLiteral("12+\r\n3"), 40, 3, {}}));
    QFile text(TapeStateTextPath());
    QVERIFY(text.open(QIODevice::ReadOnly));
    QCOMPARE(text.readAll(), QByteArray("12+\n3"));
    QCOMPARE(LoadTapeState().state, (TapeState{QStringLiteral("12+\r\n3"), 6, 0, {}}));
    QVERIFY(DiscardTapeState());
    QCOMPARE(LoadTapeState().outcome, TapeStateOutcome::NoState);
    QVERIFY(!text.exists());
}

// The rows' bytes count, one LF between rows and none after the last: 5,592,405 rows "1+" and a
// last "1" are 3 * 5,592,405 + 1 = 16 MiB exactly (22 million characters in the sheet). A tape
// that cannot be kept sets the state before it aside, so it never comes back as if current.
void TestTapeState::largeTapes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("kept");
    // A million rows: 10 MB as rows, over 16 MiB as the indented JSON of the earlier format.
    QTest::newRow("million-rows") << QString(QStringLiteral("1234567+\r\n").repeated(1000000) + u'1') << true;
    const QString limit = QStringLiteral("1+\r\n").repeated(5592405) + u'1';
    QTest::newRow("exactly-the-limit") << limit << true;
    QTest::newRow("one-byte-past") << QString(limit + u'1') << false;
}

void TestTapeState::largeTapes()
{
    QFETCH(QString, text);
    QFETCH(bool, kept);
    QVERIFY(SaveTapeState({QStringLiteral("5"), 0, 0, {}}));
    const TapeState state{text, 3, 2, {{QStringLiteral("7"), 0, 1, 2}}};
    const TapeKeepResult result = KeepTape(state, TapeStateOriginOf(LoadTapeState().id, {}));
    QCOMPARE(result.outcome, kept ? TapeKeepOutcome::Kept : TapeKeepOutcome::NotKept);
    QCOMPARE(result.setAsidePath, kept ? QString() : TapeStateTextPath() + ".bad");
    const TapeStateLoadResult loaded = LoadTapeState();
    QCOMPARE(loaded.outcome, kept ? TapeStateOutcome::Restored : TapeStateOutcome::NoState);
    QVERIFY(loaded.state == (kept ? state : TapeState()));
}

void TestTapeState::unusableStateSetAside_data()
{
    QTest::addColumn<QByteArray>("bytes"); // "FOLDER": a folder where the document should be
    const QByteArray valid = R"({"format": "tallyer-tape", "version": 2, "selStart": 0, "selLength": 0, "history": []})";
    const QByteArray earlier = R"({"format": "tallyer-tape", "version": 1, "rows": ["1+", "2"], "selStart": 0,
                                   "selLength": 0, "history": []})";
    QTest::newRow("not-json") << QByteArray("{\"format\": \"tallyer-tape\", ");
    QTest::newRow("json-array") << QByteArray("[1, 2]");
    QTest::newRow("another-format") << QByteArray(valid).replace("tallyer-tape", "other");
    QTest::newRow("newer-version") << QByteArray(valid).replace("\"version\": 2", "\"version\": 3");
    QTest::newRow("earlier-format-row-not-text") << QByteArray(earlier).replace("\"2\"", "2");
    QTest::newRow("history-entry-without-rows") << QByteArray(valid).replace("[]", "[{\"selStart\": 0}]");
    QTest::newRow("over-16-mib") << earlier + QByteArray(kTapeStateLimit, ' ');
    QTest::newRow("folder-in-its-place") << QByteArray("FOLDER");
}

void TestTapeState::unusableStateSetAside()
{
    QFETCH(QByteArray, bytes);
    const QString path = TapeStateFilePath();
    QVERIFY(QDir().mkpath(TapeStateFolder()));
    // Twice: the second state set aside does not replace the first. The rows beside the document
    // (readable themselves) go with it.
    for (const char *suffix : {".bad", ".bad.2"}) {
        if (bytes == "FOLDER") {
            QVERIFY(QDir().mkpath(path));
        } else {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QCOMPARE(file.write(bytes), bytes.size());
        }
        QFile rows(TapeStateTextPath());
        QVERIFY(rows.open(QIODevice::WriteOnly) && rows.write("1+\n2") == 4);
        rows.close();
        const TapeStateLoadResult loaded = LoadTapeState();
        QCOMPARE(loaded.outcome, TapeStateOutcome::SetAside);
        QCOMPARE(loaded.state, TapeState());
        QCOMPARE(loaded.setAsidePath, rows.fileName() + suffix);
        QVERIFY(!QFileInfo::exists(path) && !rows.exists());
        if (bytes != "FOLDER") {
            QFile kept(path + suffix);
            QVERIFY(kept.open(QIODevice::ReadOnly));
            QCOMPARE(kept.readAll(), bytes);
        }
    }
    // The next close keeps the tape again.
    QVERIFY(SaveTapeState({QStringLiteral("5"), 1, 0, {}}));
    QCOMPARE(LoadTapeState().outcome, TapeStateOutcome::Restored);
}

// Copy A and copy B both start from the kept "1+1"; B closes first, then A.
void TestTapeState::twoCopies_data()
{
    QTest::addColumn<QString>("textB");
    QTest::addColumn<QString>("textA");
    QTest::addColumn<qint32>("caretA");
    QTest::addColumn<QString>("keptText");
    QTest::addColumn<QByteArray>("beside"); // the rows of the tape kept beside; empty: none
    QTest::newRow("last-unchanged-leaves-the-others") << "2+2" << "1+1" << 0 << "2+2" << QByteArray();
    QTest::newRow("last-caret-moved-leaves-the-others") << "2+2" << "1+1" << 3 << "2+2" << QByteArray();
    QTest::newRow("both-changed-other-kept-beside") << "2+2" << "3+3" << 0 << "3+3" << QByteArray("2+2");
    QTest::newRow("first-unchanged-last-changed") << "1+1" << "3+3" << 0 << "3+3" << QByteArray();
}

void TestTapeState::twoCopies()
{
    QFETCH(QString, textB);
    QFETCH(QString, textA);
    QFETCH(qint32, caretA);
    QFETCH(QString, keptText);
    QFETCH(QByteArray, beside);
    const TapeState start{QStringLiteral("1+1"), 0, 0, {}};
    QVERIFY(SaveTapeState(start));
    const TapeStateOrigin origin = TapeStateOriginOf(LoadTapeState().id, start);
    KeepTape({textB, 0, 0, {}}, origin);
    const TapeKeepResult last = KeepTape({textA, caretA, 0, {}}, origin);
    QCOMPARE(last.outcome != TapeKeepOutcome::NotKept, true);
    const TapeStateLoadResult loaded = LoadTapeState();
    QCOMPARE(loaded.state.text, keptText);
    QCOMPARE(loaded.besidePath, last.besidePath);
    QCOMPARE(QDir(TapeStateFolder()).entryList({"tape kept by another window *.txt"}).size(), beside.isEmpty() ? 0 : 1);
    if (!beside.isEmpty()) {
        QFile file(loaded.besidePath);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), beside);
    }
}

// A mark left by a run that is gone (another boot here) tells once that the last start with the
// state did not end; the mark of this run, still going, does not.
void TestTapeState::runThatDidNotEnd()
{
    QVERIFY(MarkTapeStateInUse());
    QVERIFY(!TapeStateFailedLastRun());
    QFile stale(TapeStateFilePath() + ".run-1");
    QVERIFY(stale.open(QIODevice::WriteOnly) && stale.write("another-boot 12345") > 0);
    stale.close();
    QVERIFY(TapeStateFailedLastRun());
    QVERIFY(!stale.exists());
    QVERIFY(!TapeStateFailedLastRun());
    UnmarkTapeStateInUse();
    QCOMPARE(QDir(TapeStateFolder()).entryList(QDir::Files), QStringList());
}

QTEST_GUILESS_MAIN(TestTapeState)
#include "tst_tapestate.moc"
