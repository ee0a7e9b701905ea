// The tape kept between runs: a state saved is the state loaded, history and all, any tape within the tape file limit is kept, a state file that cannot be used is set
// aside under a new name, never deleted, and two copies closing in turn drop neither's work.
// XDG_STATE_HOME is the test's own folder (tests/CMakeLists.txt).

#include <tapestate.h>

#include <QtTest>

class TestTapeState : public QObject
{
    Q_OBJECT

private slots:
    void init() { QDir(TapeStateFolder()).removeRecursively(); }

    void keptAndRestored()
    {
        QCOMPARE(TapeStateFilePath(), qEnvironmentVariable("XDG_STATE_HOME") + "/tallyer/tape.json");

        TapeState state{QStringLiteral("1250+\r\n340+\r\n17.5"), 12, 5,
                        {{QStringLiteral("3+\r\n1"), 0, 4, 3}, {QStringLiteral("52+\r\n1"), 1, 2, 2}},
                        QStringLiteral("/home/ann/march.tape"), true};
        state.notes = {{0, "Rent"}, {2, "Café"}};
        state.history[1].notes = {{1, "carried"}};
        QVERIFY(SaveTapeState(state));
        QCOMPARE(QFileInfo(TapeStateFolder()).permissions() & (QFile::ReadGroup | QFile::ReadOther), QFileDevice::Permissions());
        const TapeStateLoadResult loaded = LoadTapeState();
        QCOMPARE(loaded.outcome, TapeStateOutcome::Restored);
        QCOMPARE(loaded.state, state);

        // A run that changed only a note, the tape's or a history entry's, keeps its tape.
        for (RowNotes *notes : {&state.notes, &state.history[1].notes}) {
            const TapeStateLoadResult before = LoadTapeState();
            notes->back().text = QStringLiteral("changed");
            QCOMPARE(KeepTape(state, TapeStateOriginOf(before.id, before.state)).outcome, TapeKeepOutcome::Kept);
            QCOMPARE(LoadTapeState().state, state);
        }

        // The rows are a plain tape file beside the document, a note after a TAB; a caret beyond the
        // text (the file edited by hand) is brought back inside the text, which holds no note.
        TapeState noted{QStringLiteral("12+\r\n3"), 40, 3, {}};
        noted.notes = {{1, "x"}};
        QVERIFY(SaveTapeState(noted));
        QFile text(TapeStateTextPath());
        QCOMPARE(text.open(QIODevice::ReadOnly) ? text.readAll() : QByteArray(), QByteArray("12+\n3\tx"));
        noted.selStart = 6;
        noted.selLength = 0;
        QCOMPARE(LoadTapeState().state, noted);
        QVERIFY(DiscardTapeState());
        QCOMPARE(LoadTapeState().outcome, TapeStateOutcome::NoState);
        QVERIFY(!text.exists());
    }

    // Written by hand: a row splits at its first TAB, and a history entry keeps the pairs that name
    // its rows in order, sanitized.
    void notesRead()
    {
        QVERIFY(QDir().mkpath(TapeStateFolder()));
        QFile rows(TapeStateTextPath());
        QVERIFY(rows.open(QIODevice::WriteOnly) && rows.write("1+\tRent\tMarch\n\t \n2") == 18);
        rows.close();
        QFile document(TapeStateFilePath());
        QVERIFY(document.open(QIODevice::WriteOnly));
        document.write(R"({"format": "tallyer-tape", "version": 2, "selStart": 0, "selLength": 0, "history": [{"rows": ["1+",)"
                       R"( "2"], "selStart": 0, "selLength": 0, "round": 2, "notes": [[1, " b\tc "], [0, "a"], [2, "c"], [1, "d"]]}]})");
        document.close();
        const TapeState state = LoadTapeState().state;
        QCOMPARE(state.text, QStringLiteral("1+\r\n\r\n2"));
        QCOMPARE(state.notes, (RowNotes{{0, "Rent March"}}));
        QCOMPARE(state.history.value(0).notes, (RowNotes{{1, "b c"}}));
    }

    void unusableStateSetAside_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // "FOLDER": a folder where the document should be
        const QByteArray valid = R"({"format": "tallyer-tape", "version": 2, "selStart": 0, "selLength": 0, "history": []})";
        const QByteArray earlier = R"({"format": "tallyer-tape", "version": 1, "rows": ["1+", "2"], "selStart": 0, "selLength": 0, "history": []})";
        QTest::newRow("not-json") << QByteArray("{\"format\": \"tallyer-tape\", ");
        QTest::newRow("another-format") << QByteArray(valid).replace("tallyer-tape", "other");
        QTest::newRow("newer-version") << QByteArray(valid).replace("\"version\": 2", "\"version\": 3");
        QTest::newRow("earlier-format-row-not-text") << QByteArray(earlier).replace("\"2\"", "2");
        QTest::newRow("history-entry-without-rows") << QByteArray(valid).replace("[]", "[{\"selStart\": 0}]");
        QTest::newRow("history-notes-not-pairs") << QByteArray(valid).replace(
            "[]", R"([{"rows": ["1"], "selStart": 0, "selLength": 0, "round": 2, "notes": [["0", "a"]]}])");
        QTest::newRow("over-16-mib") << earlier + QByteArray(kTapeStateLimit, ' ');
        QTest::newRow("folder-in-its-place") << QByteArray("FOLDER");
    }

    void unusableStateSetAside()
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

    // Copies A and B start from the kept "1+1"; B closes first, then A. Past the limit nothing is kept
    // and the state before is set aside. The rows' bytes count, one LF between rows and none after the
    // last: 5,592,405 rows "1+" and a "1" are 3 * 5,592,405 + 1 = 16 MiB (22 million characters).
    void keptAtClose_data()
    {
        QTest::addColumn<QString>("textB");
        QTest::addColumn<QString>("textA");
        QTest::addColumn<qint32>("caretA");
        QTest::addColumn<QString>("keptText"); // null: nothing kept, the state before set aside
        QTest::addColumn<QByteArray>("beside"); // the rows of the tape kept beside; empty: none
        const auto row = [](const char *name, const QString &b, const QString &a, qint32 caret, const QString &kept,
                            const QByteArray &beside = {}) {
            QTest::newRow(name) << b << a << caret << kept << beside;
        };
        // Over 16 MiB as the indented JSON of the earlier format, which could not keep it.
        const QString limit = QStringLiteral("1+\r\n").repeated(5592405) + u'1';
        row("exactly-the-limit", "1+1", limit, 0, limit);
        row("one-byte-past", "1+1", limit + u'1', 0, QString());
        row("last-unchanged-leaves-the-others", "2+2", "1+1", 0, "2+2");
        row("last-caret-moved-leaves-the-others", "2+2", "1+1", 3, "2+2");
        row("both-changed-other-kept-beside", "2+2", "3+3", 0, "3+3", "2+2");
    }

    void keptAtClose()
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
        QCOMPARE(last.setAsidePath, keptText.isNull() ? TapeStateTextPath() + ".bad" : QString());
        const TapeStateLoadResult loaded = LoadTapeState();
        QCOMPARE(loaded.state.text, keptText);
        QCOMPARE(loaded.besidePath, last.besidePath);
        QCOMPARE(QDir(TapeStateFolder()).entryList({"tape kept by another window *.txt"}).size(), beside.isEmpty() ? 0 : 1);
        QFile file(loaded.besidePath);
        QCOMPARE(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray(), beside);
    }
};

QTEST_GUILESS_MAIN(TestTapeState)
#include "tst_tapestate.moc"
