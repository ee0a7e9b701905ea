#include "calcsession.h"
#include "localescope.h"
#include "settings.h"

#include <QSignalSpy>
#include <QTest>

// The calculator's rules on its state, without a window: what the result panel shows for a sheet
// and a selection, the rounding selector, the memory operations, the strip, undo and the history.
class tst_CalcSession : public QObject
{
    Q_OBJECT

    // A session as the window keeps it: "." decimals, "," grouping, the given rounding digit, and
    // every undo step written back into the sheet as the window's editor would.
    struct Sheet
    {
        CalcSession session;
        explicit Sheet(int digit = 2)
        {
            session.setLocale(testLocale(QStringLiteral("."), QStringLiteral(",")));
            session.setRoundDigit(digit);
            QObject::connect(&session, &CalcSession::restoreRequested, &session,
                             [this](const TextRing::Edit &edit, qint32 selStart, qint32 selLength) {
                                 QString text = session.document().text();
                                 show(text.replace(edit.from, edit.to - edit.from, edit.text), selStart, selLength, true);
                             });
        }
        // A cycle of the sheet: the text as it now stands, with the caret or selection.
        void show(const QString &text, qsizetype selStart = -1, qsizetype selLength = 0, bool restoring = false)
        {
            const qsizetype start = selStart < 0 ? text.size() : selStart;
            session.setSheet(text, start, selLength);
            session.sheetChanged(text.mid(start, selLength), true, restoring);
        }
        // A key: the state before it is kept, then it changes the text.
        void type(const QString &text)
        {
            session.takeSnapshot();
            show(text);
        }
        void select(const QString &text, qsizetype start, qsizetype length)
        {
            session.setSheet(text, start, length);
            session.selectionChanged(text.mid(start, length));
        }
    };

private slots:
    // What the panel shows for the whole sheet or a selection in it, and the reason it gives for a
    // blank.
    void resultPanel_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("selStart");
        QTest::addColumn<int>("selLength");
        QTest::addColumn<int>("digit");
        QTest::addColumn<QString>("panel");
        QTest::addColumn<bool>("subResult");
        QTest::addColumn<TextId>("failure");
        const auto row = [](const char *name, const QString &text, int selStart, int selLength, int digit,
                            const char *panel, bool subResult, TextId failure = TextId::None) {
            QTest::newRow(name) << text << selStart << selLength << digit << QString::fromUtf8(panel) << subResult << failure;
        };
        const QString tape = QStringLiteral("1250+\r\n340+\r\n17.5");
        row("whole-tape", tape, 0, 0, 2, "1,607.50", false);
        row("rounding-follows-digit", "1/3", 0, 0, 4, "0.3333", false);
        row("one-number-selected", tape, 7, 3, 2, "340.00", true);
        row("selection-across-rows", tape, 7, 10, 2, "357.50", true);
        // Whole rows selected leave out their operators and line breaks.
        row("row-with-its-break-shows-its-value", tape, 0, 7, 1, "1,250.0", true);
        row("drag-over-two-rows", tape, 0, 13, 2, "1,590.00", true);
        row("operator-and-break-are-no-selection", tape, 10, 3, 2, "1,607.50", false);
        row("sign-in-front-kept", "-5+3", 0, 4, 2, "- 2.00", true);
        row("division-by-zero", "10/0", 0, 0, 2, "", false, TextId::DivisionByZero);
        row("beyond-display-limit", "999999999999999+1", 0, 0, 2, "", false, TextId::TooLargeToShow);
        row("ends-in-operator", "12+", 0, 0, 2, "", false, TextId::IncompleteExpression);
        row("tape-waiting-for-next-row", "12+\r\n", 0, 0, 2, "", false);
        row("empty-sheet", "", 0, 0, 2, "", false);
        row("independent-rows", "12\r\n5", 0, 0, 2, "", false);
        row("selection-fails-whole-has-value", "(1+2)*3", 0, 3, 2, "", true, TextId::UnbalancedParenthesis);
        row("selection-beyond-display-limit", "1+999999999999999*2", 2, 17, 2, "", true, TextId::TooLargeToShow);
    }

    void resultPanel()
    {
        QFETCH(QString, text);
        QFETCH(int, selStart);
        QFETCH(int, selLength);
        QFETCH(int, digit);
        Sheet sheet(digit);
        QSignalSpy changes(&sheet.session, &CalcSession::panelFailureChanged);
        sheet.show(text);
        sheet.select(text, selStart, selLength);
        QTEST(sheet.session.panelText(), "panel");
        QTEST(sheet.session.panelShowsSubResult(), "subResult");
        QTEST(sheet.session.hasSelection(), "subResult");
        QTEST(sheet.session.panelFailure(), "failure");
        // The same selection again, its result remembered: the same reason.
        if (selLength > 1) {
            sheet.select(text, selStart, 1);
            sheet.select(text, selStart, selLength);
            QTEST(sheet.session.panelFailure(), "failure");
        }
        // A value clears the reason again, and says so.
        sheet.show(QStringLiteral("1"));
        QCOMPARE(sheet.session.panelFailure(), TextId::None);
        if (!changes.isEmpty())
            QCOMPARE(changes.last().at(0).value<TextId>(), TextId::None);
    }

    void rounding()
    {
        Sheet sheet(9);
        QSignalSpy digits(&sheet.session, &CalcSession::roundDigitChanged);
        sheet.session.stepRound(CalcSession::Step::Up); // past 9 comes 0
        sheet.session.stepRound(CalcSession::Step::Down);
        sheet.session.stepRound(CalcSession::Step::Down);
        QCOMPARE(digits, (QList<QVariantList>{{0}, {9}, {8}}));
        QCOMPARE(sheet.session.roundDigit(), 8);
        // A selection's value is worked out again for the new digit.
        const QString text = QStringLiteral("2/3+1");
        sheet.show(text);
        sheet.select(text, 0, 3);
        QCOMPARE(sheet.session.panelText(), QStringLiteral("0.66666667"));
        sheet.session.setRoundDigit(1);
        sheet.select(text, 0, 3);
        QCOMPARE(sheet.session.panelText(), QStringLiteral("0.7"));
    }

    void memory_data()
    {
        QTest::addColumn<QStringList>("steps"); // "sheet TEXT", "select START LENGTH", or a command
        QTest::addColumn<QString>("memory");    // the memory panel afterwards
        QTest::addColumn<int>("overflows");
        QTest::addColumn<QString>("confirmed"); // the last words a screen reader was given
        const auto row = [](const char *name, const QStringList &steps, const char *memory, int overflows, const char *confirmed) {
            QTest::newRow(name) << steps << QString::fromUtf8(memory) << overflows << QString::fromUtf8(confirmed);
        };
        row("store-result", {"sheet 1250+340", "M"}, "1,590.00", 0, "Stored 1,590.00 in memory cell 1");
        row("store-sub-result", {"sheet 1250+340", "select 5 3", "M"}, "340.00", 0, "Stored 340.00 in memory cell 1");
        row("add-twice", {"sheet 2.5", "M+", "M+"}, "5.00", 0, "Added to memory cell 1: 5.00");
        row("subtract-below-zero", {"sheet 2", "M", "sheet 5", "M-"}, "- 3.00", 0, "Subtracted from memory cell 1: - 3.00");
        row("back-to-zero-is-empty", {"sheet 7", "M+", "M-"}, "", 0, "Cleared memory cell 1");
        row("clear", {"sheet 7", "M", "MC"}, "", 0, "Cleared memory cell 1");
        row("store-nothing-clears", {"sheet 7", "M", "sheet 1+", "M"}, "", 0, "Cleared memory cell 1");
        // The failed add says nothing.
        const char *stored = "Stored 999,999,999,999,999.00 in memory cell 1";
        row("overflow-shows-error", {"sheet 999999999999999", "M", "M+"}, "Error", 1, stored);
        row("error-stays-until-stored", {"sheet 999999999999999", "M", "M+", "sheet 1", "M-"}, "Error", 2, stored);
        row("store-replaces-error", {"sheet 999999999999999", "M", "M+", "sheet 1", "M"}, "1.00", 1, "Stored 1.00 in memory cell 1");
    }

    void memory()
    {
        QFETCH(QStringList, steps);
        Sheet sheet;
        QSignalSpy overflows(&sheet.session, &CalcSession::memoryOverflow);
        QSignalSpy confirmed(&sheet.session, &CalcSession::confirmed);
        const QHash<QString, KeyCommand> commands{{"M", KeyCommand::MemoryStore}, {"M+", KeyCommand::MemoryAdd},
                                                  {"M-", KeyCommand::MemorySubtract}, {"MC", KeyCommand::MemoryClear}};
        QString text;
        for (const QString &step : steps) {
            const QStringList words = step.split(u' ');
            if (words.at(0) == QLatin1String("sheet"))
                sheet.show(text = words.at(1));
            else if (words.at(0) == QLatin1String("select"))
                sheet.select(text, words.at(1).toInt(), words.at(2).toInt());
            else
                QVERIFY(sheet.session.run(commands.value(step)));
        }
        QTEST(sheet.session.memoryPanel(), "memory");
        QTEST(int(overflows.size()), "overflows");
        QTEST(confirmed.isEmpty() ? QString() : confirmed.last().at(0).toString(), "confirmed");
        // The current cell holds what the panel shows.
        QCOMPARE(sheet.session.memory().value(sheet.session.memory().current()), sheet.session.memoryPanel());
    }

    // MR inserts plain digits; another cell is empty until stored, and coming back shows the first
    // cell's value. A loaded session writes the cells as they change, so that a program ended hard
    // keeps them.
    void memoryCells()
    {
        Sheet sheet;
        sheet.session.load();
        QSignalSpy inserts(&sheet.session, &CalcSession::insertRequested);
        QSignalSpy confirmed(&sheet.session, &CalcSession::confirmed);
        sheet.show(QStringLiteral("1234.5*2"));
        sheet.session.run(KeyCommand::MemoryStore);
        QCOMPARE(Settings::readText(Settings::MemoryString), QStringLiteral("M1|2,469.00|2,469.00|||||||||"));
        sheet.session.run(KeyCommand::MemoryRecall);
        QCOMPARE(inserts, (QList<QVariantList>{{QStringLiteral("2469")}})); // plain digits, no grouping
        QCOMPARE(confirmed.last().at(0).toString(), QStringLiteral("Inserted 2,469.00 from memory cell 1"));

        sheet.session.SelectMemoryCell(3);
        QCOMPARE(sheet.session.memoryPanel(), QString());
        sheet.session.run(KeyCommand::MemoryAdd);
        QCOMPARE(Settings::readText(Settings::MemoryString), QStringLiteral("M3|2,469.00|2,469.00||2,469.00|||||||"));
        sheet.session.SelectMemoryCell(1);
        QCOMPARE(sheet.session.memoryPanel(), QStringLiteral("2,469.00"));
        sheet.session.ClearAllMemory();
        QCOMPARE(sheet.session.memoryPanel(), QString());
        QCOMPARE(sheet.session.memory().current(), 1);
    }

    void strip()
    {
        CalcSession session;
        QSignalSpy shown(&session, &CalcSession::stripShownChanged);
        session.run(KeyCommand::ToggleStrip);
        session.run(KeyCommand::ToggleStrip);
        QCOMPARE(shown, (QList<QVariantList>{{true}, {false}}));
        session.setStripShown(false); // no change, no signal
        QCOMPARE(shown.size(), 2);
    }

    void undo()
    {
        Sheet sheet;
        QVERIFY(!sheet.session.canUndo() && !sheet.session.canRedo());
        for (const char *text : {"1", "12", "12+", "12+3"})
            sheet.type(QString::fromLatin1(text));
        auto stepped = [&sheet](KeyCommand command) {
            sheet.session.run(command);
            return sheet.session.panelText();
        };
        // "12+" shows nothing: a row ending in an operator waits for the next; then the empty
        // sheet, and at the oldest the undo stays. Redo comes back to the state before the first undo.
        for (const char *panel : {"", "12.00", "1.00", "", ""})
            QCOMPARE(stepped(KeyCommand::Undo), QString::fromUtf8(panel));
        QVERIFY(!sheet.session.canUndo() && sheet.session.canRedo());
        for (const char *panel : {"1.00", "12.00", "", "15.00", "15.00"})
            QCOMPARE(stepped(KeyCommand::Redo), QString::fromUtf8(panel));
        QVERIFY(sheet.session.canUndo() && !sheet.session.canRedo());

        // A new change after stepping back drops what was stepped over.
        sheet.session.run(KeyCommand::Undo);
        sheet.session.run(KeyCommand::Undo);
        sheet.type(QStringLiteral("12*2"));
        QCOMPARE(stepped(KeyCommand::Redo), QStringLiteral("24.00"));
        QCOMPARE(stepped(KeyCommand::Undo), QStringLiteral("12.00"));

        // An undo step brings the rounding digit of its state back.
        sheet.session.setRoundDigit(5);
        sheet.type(QStringLiteral("1/8"));
        sheet.type(QStringLiteral("1/4"));
        sheet.session.setRoundDigit(0);
        QCOMPARE(stepped(KeyCommand::Undo), QStringLiteral("0.12500"));
        QCOMPARE(sheet.session.roundDigit(), 5);

        // Edits far apart, each undone to the state before it.
        sheet.type(QStringLiteral("2*1/8"));
        sheet.type(QStringLiteral("2*1/84"));
        QCOMPARE(stepped(KeyCommand::Undo), QStringLiteral("0.25000"));
        QCOMPARE(stepped(KeyCommand::Undo), QStringLiteral("0.12500"));
    }

    // A note is a step of the undo ring and a change of the tape; a row deleted takes its note,
    // and an undo brings both back. Notes never change a result.
    void notes()
    {
        Sheet sheet;
        sheet.type(QStringLiteral("1250+\r\n45"));
        sheet.session.linkTape(QStringLiteral("/tmp/t.tape"));
        const auto notes = [&sheet] {
            QStringList all;
            for (const RowNote &n : sheet.session.document().notes())
                all << QStringLiteral("%1:%2").arg(n.row).arg(n.text);
            return all.join(u' ');
        };
        sheet.session.takeSnapshot();
        sheet.session.setNote(0, QStringLiteral("Rent"));
        QVERIFY(sheet.session.isModified());
        sheet.session.setNote(1, QStringLiteral(" Phone\t"));
        sheet.session.setNote(1, QStringLiteral("Phone")); // the same note: no step
        QCOMPARE(notes(), QStringLiteral("0:Rent 1:Phone"));
        QCOMPARE(sheet.session.panelText(), QStringLiteral("1,295.00"));
        sheet.type(QStringLiteral("1250"));
        QCOMPARE(notes(), QStringLiteral("0:Rent"));
        QCOMPARE(sheet.session.keptTape().notes, sheet.session.document().notes());

        for (const char *expected : {"0:Rent 1:Phone", "0:Rent", ""})
        {
            sheet.session.run(KeyCommand::Undo);
            QCOMPARE(notes(), QString::fromLatin1(expected));
        }
        QCOMPARE(sheet.session.document().text(), QStringLiteral("1250+\r\n45"));
        QVERIFY(!sheet.session.isModified());
        for (const char *expected : {"0:Rent", "0:Rent 1:Phone", "0:Rent"})
        {
            sheet.session.run(KeyCommand::Redo);
            QCOMPARE(notes(), QString::fromLatin1(expected));
        }
        QVERIFY(!sheet.session.canRedo());

        // A note written after an undo drops what was stepped over; the history keeps notes.
        sheet.session.run(KeyCommand::Undo);
        sheet.session.setNote(1, QStringLiteral("Gas"));
        QVERIFY(!sheet.session.canRedo());
        sheet.session.run(KeyCommand::SelectAllToHistory);
        sheet.session.setNote(1, QString());
        sheet.session.run(KeyCommand::SelectAllToHistory); // the same text, other notes: kept too
        const QList<TextEntry> kept = sheet.session.keptTape().history;
        QCOMPARE(kept.size(), 2);
        QCOMPARE(kept.at(0).notes, (RowNotes{{0, QStringLiteral("Rent")}, {1, QStringLiteral("Gas")}}));
        QCOMPARE(kept.at(1).notes, (RowNotes{{0, QStringLiteral("Rent")}}));
    }

    void history()
    {
        Sheet sheet;
        QList<TextRing> requests;
        connect(&sheet.session, &CalcSession::historyRequested, this,
                [&requests](const TextRing &ring) { requests.append(ring); });
        sheet.session.run(KeyCommand::HistoryBack); // nothing recorded: no window
        QCOMPARE(requests.size(), 0);

        sheet.show(QStringLiteral("\r\n"));
        sheet.session.run(KeyCommand::SelectAllToHistory); // line breaks only: not recorded
        sheet.show(QStringLiteral("1/3"));
        sheet.session.setRoundDigit(4);
        sheet.session.run(KeyCommand::SelectAllToHistory);
        sheet.session.run(KeyCommand::SelectAllToHistory); // the newest already
        sheet.show(QStringLiteral("5*5"));
        sheet.session.run(KeyCommand::SelectAllToHistory);
        sheet.session.run(KeyCommand::HistoryBack);
        QCOMPARE(requests.size(), 1);

        const QList<TextEntry> recorded{{QStringLiteral("1/3"), 0, 3, 4}, {QStringLiteral("5*5"), 0, 3, 4}};
        QCOMPARE(requests.at(0).entries(), recorded);
        QCOMPARE(sheet.session.keptTape().history, recorded); // what the next run gets
    }

    // The key map on a US and a Russian layout: each shortcut named by a character works with the
    // key and shift state that produce it there; letters count by their place on the keyboard.
    void keyAliases_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<KeyCommand>("command");
        const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
        const Qt::KeyboardModifiers ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
        QTest::newRow("us-plus-is-shift-equals") << int(Qt::Key_Plus) << ctrlShift << KeyCommand::MemoryAdd;
        QTest::newRow("us-equals") << int(Qt::Key_Equal) << ctrl << KeyCommand::MemoryAdd;
        QTest::newRow("keypad-plus") << int(Qt::Key_Plus) << (ctrl | Qt::KeypadModifier) << KeyCommand::MemoryAdd;
        QTest::newRow("ru-slash-is-shift-backslash") << int(Qt::Key_Slash) << ctrlShift << KeyCommand::Options;
        QTest::newRow("ru-soft-sign-is-m") << int(u'Ь') << ctrl << KeyCommand::MemoryStore;
        QTest::newRow("ru-shift-soft-sign-is-shift-m") << int(u'Ь') << ctrlShift << KeyCommand::MemoryMenu;
        QTest::newRow("ru-ya-is-z") << int(u'Я') << ctrl << KeyCommand::Undo;
        QTest::newRow("ctrl-y-redo") << int(Qt::Key_Y) << ctrl << KeyCommand::Redo;
        QTest::newRow("ctrl-shift-digit-is-no-rounding") << int(Qt::Key_1) << ctrlShift << KeyCommand::Reject;
        QTest::newRow("ctrl-shift-space-rejected") << int(Qt::Key_Space) << ctrlShift << KeyCommand::Reject;
        QTest::newRow("ru-letter-typed-passes-on") << int(u'Ь') << Qt::KeyboardModifiers() << KeyCommand::PassOn;
    }

    void keyAliases()
    {
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QTEST(KeyMap::command(key, modifiers), "command");
    }

    void separatorsChange()
    {
        Sheet sheet;
        sheet.show(QStringLiteral("1234.5"));
        sheet.session.run(KeyCommand::MemoryStore);
        sheet.session.convertGrouping(QStringLiteral(","), QStringLiteral(" "));
        QCOMPARE(sheet.session.panelText(), QStringLiteral("1 234.50"));
        QCOMPARE(sheet.session.memoryPanel(), QStringLiteral("1 234.50"));
        sheet.session.convertDecimal(QStringLiteral("."), QStringLiteral(","), false); // the sheet is rewritten
        QCOMPARE(sheet.session.panelText(), QStringLiteral("1 234.50"));
        QCOMPARE(sheet.session.memoryPanel(), QStringLiteral("1 234,50"));
        QCOMPARE(sheet.session.memory().value(1), QStringLiteral("1 234,50"));
    }
};

QTEST_GUILESS_MAIN(tst_CalcSession)
#include "tst_calcsession.moc"
