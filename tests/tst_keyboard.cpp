// The main window from the keyboard, offscreen: each key reaches its command, the buttons a key
// holds down, undo and redo, the history window, the leading zero, copying the panels and the
// options dialog. The rules behind the commands are tested with the engine.

#include "windowtest.h"

#include <messagesink.h>

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QScrollBar>

namespace {

const QLocale kUs(QLocale::English, QLocale::UnitedStates);

void setField(TestWindow &w, const QString &text, qsizetype start, qsizetype length = 0)
{
    w.boxCalc->setText(text);
    w.boxCalc->setSelStart(start);
    w.boxCalc->setSelLength(length);
}

} // namespace

class TestKeyboard : public WindowTest
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(useTemporaryFolders());
        setMessageSink([this](const QString &text, MessageIcon) { m_messages.append(text); });
    }

    // Every case works in a fresh window, active, the sheet focused.
    void init()
    {
        QVERIFY(emptyStore());
        m_messages.clear();
        useLocale(kUs);
        QGuiApplication::clipboard()->clear();
        QVERIFY(Settings::writeText(Settings::InWordsFile, TALLYER_PROGRAM_DIR "/InWordsDollars eng.txt"));
        w = openWindow();
        QVERIFY(w);
        w->activateWindow();
        w->boxCalc->setFocus();
    }
    void cleanup() { w.reset(); }

    // One key on a sheet with a selection: the text and the selection after it.
    void keyReachesCommand_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");
        QTest::addColumn<QKeyCombination>("key");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("startAfter");
        QTest::addColumn<int>("lengthAfter");

        const QString n = QStringLiteral("12.5+30");
        QTest::newRow("letter-filtered") << n << 7 << 0 << QKeyCombination(Qt::Key_A) << n << 7 << 0;
        QTest::newRow("shifted-operator-typed") << n << 7 << 0 << (Qt::SHIFT | Qt::Key_Percent) << n + u'%' << 8 << 0;
        QTest::newRow("space-selects-all") << n << 2 << 0 << QKeyCombination(Qt::Key_Space) << n << 0 << 7;
        QTest::newRow("ctrl-right-stops-at-operator") << n << 1 << 0 << (Qt::CTRL | Qt::Key_Right) << n << 4 << 0;
        QTest::newRow("ctrl-left-to-number-start") << n << 7 << 0 << (Qt::CTRL | Qt::Key_Left) << n << 5 << 0;
        QTest::newRow("alt-left-nothing") << n << 2 << 0 << (Qt::ALT | Qt::Key_Left) << n << 2 << 0;
        QTest::newRow("ctrl-backspace-run-before") << n << 4 << 0 << (Qt::CTRL | Qt::Key_Backspace) << "+30" << 0 << 0;
        QTest::newRow("ctrl-delete-run-after") << n << 5 << 0 << (Qt::CTRL | Qt::Key_Delete) << "12.5+" << 5 << 0;
        QTest::newRow("ctrl-delete-selection-only") << n << 1 << 2 << (Qt::CTRL | Qt::Key_Delete) << "15+30" << 1 << 0;
        QTest::newRow("enter-after-operator-breaks") << "5+" << 2 << 0 << QKeyCombination(Qt::Key_Return) << "5+\r\n" << 4 << 0;
        QTest::newRow("keypad-enter-after-operator") << "5+" << 2 << 0 << (Qt::KeypadModifier | Qt::Key_Enter) << "5+\r\n" << 4 << 0;
        QTest::newRow("enter-inside-number-nothing") << "1234" << 2 << 0 << QKeyCombination(Qt::Key_Return) << "1234" << 2 << 0;
        QTest::newRow("shift-enter-nothing") << "5+" << 2 << 0 << (Qt::SHIFT | Qt::Key_Return) << "5+" << 2 << 0;
        QTest::newRow("ctrl-x-cuts") << n << 0 << 2 << (Qt::CTRL | Qt::Key_X) << ".5+30" << 0 << 0;
    }
    void keyReachesCommand()
    {
        QFETCH(QString, text);
        QFETCH(int, start);
        QFETCH(int, length);
        QFETCH(QKeyCombination, key);
        setField(*w, text, start, length);
        QTest::keyClick(w->boxCalc, key.key(), key.keyboardModifiers());
        QTEST(w->boxCalc->Text(), "after");
        QTEST(int(w->boxCalc->SelStart()), "startAfter");
        QTEST(int(w->boxCalc->SelLength()), "lengthAfter");
        QVERIFY(w->boxCalc->updatesEnabled());
    }

    // The other copy and paste keys; what a copy and a paste do is the sheet view's.
    void clipboardKeys()
    {
        QClipboard *clipboard = QGuiApplication::clipboard();
        setField(*w, QStringLiteral("7+\r\n8"), 0, 5);
        QTest::keyClick(w->boxCalc, Qt::Key_Insert, Qt::ControlModifier);
        QCOMPARE(clipboard->text(), QStringLiteral("7+\n8")); // rows end in a plain line feed
        QTest::keyClick(w->boxCalc, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClick(w->boxCalc, Qt::Key_Insert, Qt::ShiftModifier);
        QCOMPARE(w->boxCalc->Text(), QStringLiteral("7+\r\n87+\r\n8"));
    }

    void heldKeysKeepButtonsDown()
    {
        QTest::keyClicks(w->boxCalc, QStringLiteral("1/3"));
        QTest::keyPress(w->boxCalc, Qt::Key_7, Qt::ControlModifier);
        QCOMPARE(w->lblRound->Caption(), QStringLiteral("Fix 7"));
        QVERIFY(w->lblRound->IsDown());
        QCOMPARE(w->lblResult->Caption(), QStringLiteral("0.33")); // not before the release
        QTest::keyRelease(w->boxCalc, Qt::Key_7, Qt::ControlModifier);
        QCOMPARE(w->lblResult->Caption(), QStringLiteral("0.3333333"));
        QVERIFY(!w->lblRound->IsDown());

        // With the strip folded away, an "M" beside the result shows the memory key held.
        w->boxCalc->selectAll();
        QTest::keyClicks(w->boxCalc, QStringLiteral("6*7"));
        QTest::keyPress(w->boxCalc, Qt::Key_M, Qt::ControlModifier);
        QTest::keyPress(w->boxCalc, Qt::Key_M, Qt::ControlModifier, -1); // a repeat: still one press
        QVERIFY(w->lblM->IsDown() && w->lblResultLabel->isVisible());
        QCOMPARE(w->lblResultLabel->text(), QStringLiteral("M"));
        QCOMPARE(w->lblMemory->Caption(), QString());
        QTest::keyRelease(w->boxCalc, Qt::Key_Control, Qt::NoModifier);
        QCOMPARE(w->lblMemory->Caption(), QStringLiteral("42.0000000"));
        QVERIFY(!w->lblM->IsDown() && !w->lblResultLabel->isVisible());

        // Ctrl+Space brings the strip in, the window taller by it. The keypad "+" is M+, "-" is
        // M-; Ctrl+R recalls at the caret.
        const int before = w->height();
        QTest::keyClick(w->boxCalc, Qt::Key_Space, Qt::ControlModifier);
        QCOMPARE(w->lblMoveSize->Caption(), QStringLiteral("<<"));
        QCOMPARE(w->height(), before + 32);
        QTest::keyClick(w->boxCalc, Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier);
        QCOMPARE(w->lblMemory->Caption(), QStringLiteral("84.0000000"));
        QTest::keyClick(w->boxCalc, Qt::Key_Minus, Qt::ControlModifier);
        setField(*w, QStringLiteral("1+"), 2);
        QTest::keyClick(w->boxCalc, Qt::Key_R, Qt::ControlModifier);
        QCOMPARE(w->boxCalc->Text(), QStringLiteral("1+42"));
        QTest::keyClick(w->boxCalc, Qt::Key_Space, Qt::ControlModifier);
        QCOMPARE(w->height(), before);
    }

    // Esc minimises; the keys typed meanwhile go nowhere.
    void escapeMinimises()
    {
        setField(*w, QStringLiteral("9"), 1);
        QTest::keyClick(w->boxCalc, Qt::Key_Escape);
        QTRY_VERIFY(w->windowState().testFlag(Qt::WindowMinimized));
        QTest::keyClicks(w->boxCalc, QStringLiteral("5"));
        QCOMPARE(w->boxCalc->Text(), QStringLiteral("9"));
    }

    void undoAndRedo()
    {
        const auto step = [this](Qt::KeyboardModifiers redo) {
            QTest::keyClick(w->boxCalc, Qt::Key_Backspace, Qt::AltModifier | redo);
            return w->boxCalc->Text();
        };
        // The ring's rules are the session's; here, that the keys reach it and the sheet, the
        // caret and the rounding selector show the state stepped to.
        QTest::keyClick(w->boxCalc, Qt::Key_4, Qt::ControlModifier);
        QTest::keyClicks(w->boxCalc, QStringLiteral("1+2"));
        QTest::keyClick(w->boxCalc, Qt::Key_2, Qt::ControlModifier);
        QTest::keyClicks(w->boxCalc, QStringLiteral("5"));
        QCOMPARE(step({}), QStringLiteral("1+2"));
        QCOMPARE(step({}), QStringLiteral("1+"));
        QCOMPARE(w->lblRound->Caption(), QStringLiteral("Fix 4"));
        step(Qt::ShiftModifier);
        QCOMPARE(step(Qt::ShiftModifier), QStringLiteral("1+25"));
        QCOMPARE(w->lblRound->Caption(), QStringLiteral("Fix 2"));
        QCOMPARE(w->boxCalc->SelStart(), 4);

        // A restore leaves the view as a new text does: forty rows "1+", ten shown; a change on
        // row 20 undone while the view shows the last rows brings rows 11 to 20 into view.
        w->boxCalc->setText(QStringLiteral("1+\r\n").repeated(39) + u'1');
        w->boxCalc->setSelStart(19 * 4 + 1);
        QTest::keyClicks(w->boxCalc, QStringLiteral("5"));
        QScrollBar *bar = w->boxCalc->verticalScrollBar();
        bar->setValue(bar->maximum());
        QCOMPARE(step({}), QStringLiteral("1+\r\n").repeated(39) + u'1');
        QCOMPARE(w->boxCalc->SelStart(), 19 * 4 + 1);
        QCOMPARE(bar->value(), 10);
    }

    // What goes into the history is the session's rule; here, the window that shows it.
    void history()
    {
        QTest::keyClick(w->boxCalc, Qt::Key_PageUp, Qt::ControlModifier); // nothing recorded yet
        QVERIFY(!w->history());
        QTest::keyClick(w->boxCalc, Qt::Key_4, Qt::ControlModifier);
        QTest::keyClicks(w->boxCalc, QStringLiteral("1/3 "));
        QTest::keyClick(w->boxCalc, Qt::Key_2, Qt::ControlModifier);
        w->boxCalc->setText(QStringLiteral("5*5"));
        QTest::keyClick(w->boxCalc, Qt::Key_Space);
        w->boxCalc->setText(QStringLiteral("7"));

        // Beside the main window, not over it, on the newest entry wholly selected.
        QTest::keyClick(w->boxCalc, Qt::Key_PageUp, Qt::ControlModifier);
        QPointer<HistoryWindow> h = w->history();
        QVERIFY(h);
        const FormParts hp(h);
        QCOMPARE(h->windowTitle(), QStringLiteral("History - Mavo Tallyer"));
        QVERIFY(!h->frameGeometry().intersects(w->frameGeometry()));
        QCOMPARE(hp.boxCalc->SelText(), QStringLiteral("5*5"));
        QCOMPARE(hp.lblResult->Caption(), QStringLiteral("25.00"));
        QVERIFY(!hp.lblRound && !hp.lblM); // a view, not a second calculator
        QTest::keyClick(hp.boxCalc, Qt::Key_PageUp, Qt::ControlModifier);
        QTest::keyClick(hp.boxCalc, Qt::Key_PageUp, Qt::ControlModifier); // the oldest: stays
        QCOMPARE(hp.boxCalc->Text(), QStringLiteral("1/3"));
        QCOMPARE(hp.lblResult->Caption(), QStringLiteral("0.3333")); // with the entry's rounding
        QTest::keyClick(hp.boxCalc, Qt::Key_PageDown, Qt::ControlModifier);
        QCOMPARE(hp.boxCalc->Text(), QStringLiteral("5*5"));
        QTest::keyClick(hp.boxCalc, Qt::Key_PageUp, Qt::ControlModifier);

        // Typing and Enter without a selection change nothing.
        hp.boxCalc->setSelStart(1);
        QTest::keyClicks(hp.boxCalc, QStringLiteral("9"));
        QTest::keyClick(hp.boxCalc, Qt::Key_Return);
        QCOMPARE(hp.boxCalc->Text(), QStringLiteral("1/3"));

        // Enter on a selection hands it back with its rounding; the history window saves nothing.
        hp.boxCalc->selectAll();
        QTest::keyClick(hp.boxCalc, Qt::Key_Return);
        QTRY_VERIFY(!h);
        QCOMPARE(Settings::readText(Settings::FullName), QString());
        QCOMPARE(w->boxCalc->SelText(), QStringLiteral("1/3"));
        QCOMPARE(w->lblResult->Caption(), QStringLiteral("0.3333"));

        // Esc closes the history window instead of minimising anything.
        QTest::keyClick(w->boxCalc, Qt::Key_PageUp, Qt::ControlModifier);
        h = w->history();
        QVERIFY(h);
        QTest::keyClick(FormParts(h).boxCalc, Qt::Key_Escape);
        QTRY_VERIFY(!h);
        QVERIFY(!w->windowState().testFlag(Qt::WindowMinimized));

        // A selection shows its own value in grey, as the main window shows it: an operator at its
        // end dropped, and the whole entry selected counting as a selection (at the rounding of 4
        // taken back above).
        w->boxCalc->setText(QStringLiteral("100/8-\r\n2"));
        QTest::keyClick(w->boxCalc, Qt::Key_Space);
        QTest::keyClick(w->boxCalc, Qt::Key_PageUp, Qt::ControlModifier);
        h = w->history();
        QVERIFY(h);
        const FormParts entry(h);
        const auto panel = [&] { return std::pair(entry.lblResult->Caption(), entry.lblResult->ForeColor()); };
        QCOMPARE(panel(), std::pair(QStringLiteral("10.5000"), 0x80000010u));
        entry.boxCalc->setSelStart(0);
        entry.boxCalc->setSelLength(6);
        QCOMPARE(panel(), std::pair(QStringLiteral("12.5000"), 0x80000010u));
        entry.boxCalc->setSelStart(4);
        entry.boxCalc->setSelLength(5);
        QCOMPARE(panel(), std::pair(QStringLiteral("6.0000"), 0x80000010u));
        entry.boxCalc->setSelLength(0);
        QCOMPARE(panel(), std::pair(QStringLiteral("10.5000"), 0x80000012u));
    }

    // The sheet's context menu steps the undo ring (which items it enables: tst_sheetview). The
    // window keeps the size its rows give it.
    // An entry's notes go onto its rows, none of the entry shown before staying, and come back
    // with the part chosen, numbered from its first row: a part that ends after a row break
    // takes nothing of the next row.
    void historyNotes()
    {
        TextEntry older(QStringLiteral("1+\r\n2+\r\n3"), 0, 9, 4);
        older.notes = {{1, QStringLiteral("tip")}, {2, QStringLiteral("tax")}};
        TextEntry newer(QStringLiteral("1+\r\n2+\r\n4"), 0, 9, 2);
        newer.notes = {{0, QStringLiteral("rent")}};
        TextRing ring(50);
        ring.record(older);
        ring.record(newer);
        QPointer<HistoryWindow> h = HistoryWindow::open(w.get(), ring);
        const FormParts hp(h);
        QVERIFY(hp.boxCalc->document()->notes() == newer.notes);
        QTest::keyClick(hp.boxCalc, Qt::Key_PageUp, Qt::ControlModifier);
        QVERIFY(hp.boxCalc->document()->notes() == older.notes);

        TextEntry chosen;
        connect(h, &HistoryWindow::entryChosen, this, [&chosen](const TextEntry &entry) { chosen = entry; });
        hp.boxCalc->setSelection(4, 8);
        QTest::keyClick(hp.boxCalc, Qt::Key_Return);
        QTRY_VERIFY(!h);
        QCOMPARE(chosen.text, QStringLiteral("2+\r\n"));
        QCOMPARE(chosen.round, 4);
        QVERIFY(chosen.notes == RowNotes({{0, QStringLiteral("tip")}}));
        QCOMPARE(w->boxCalc->Text(), QStringLiteral("2+\r\n")); // the main sheet takes the notes too
        QVERIFY(w->boxCalc->document()->notes() == chosen.notes);
    }

    void contextMenuUndo()
    {
        QTest::keyClicks(w->boxCalc, QStringLiteral("12"));
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), w->boxCalc->mapToGlobal(QPoint(5, 5)));
        QCoreApplication::sendEvent(w->boxCalc->viewport(), &event);
        auto *menu = w->boxCalc->findChildren<QMenu *>(QString(), Qt::FindDirectChildrenOnly).last();
        menu->findChild<QAction *>(QStringLiteral("edit-undo"))->trigger();
        menu->hide();
        QCOMPARE(w->boxCalc->Text(), QStringLiteral("1"));
        QCOMPARE(w->minimumHeight(), w->maximumHeight());
        QVERIFY(!w->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    }

    void leadingZero()
    {
        QTest::keyClicks(w->boxCalc, QStringLiteral("."));
        QVERIFY(w->TimerPointRefresh->isActive()); // armed by the key
        QTRY_COMPARE(w->boxCalc->Text(), QStringLiteral("0."));
        QCOMPARE(w->boxCalc->SelStart(), 2);
        // A zero the user deletes stays away.
        w->boxCalc->setSelStart(1);
        QTest::keyClick(w->boxCalc, Qt::Key_Backspace);
        QCOMPARE(w->boxCalc->Text(), QStringLiteral("."));
        QVERIFY(!w->TimerPointRefresh->isActive());
        // A point typed where a digit stood when the zeros were last put in.
        w->boxCalc->setText(QStringLiteral("12+"));
        w->boxCalc->SetCaret(CalcField::CaretMode::End);
        QTest::keyClicks(w->boxCalc, QStringLiteral("3"));
        QTRY_VERIFY(!w->TimerPointRefresh->isActive());
        QTest::keyClick(w->boxCalc, Qt::Key_Backspace);
        QTest::keyClicks(w->boxCalc, QStringLiteral("."));
        QTRY_COMPARE(w->boxCalc->Text(), QStringLiteral("12+0."));
    }

    void copyMemoryInWords()
    {
        // The memory panel in words (Ctrl+Shift+F2): "Error" (memory overflow) has none, so the
        // clipboard ends up empty, without a message. Copying the result panel: tst_frmtallyer.
        QClipboard *clipboard = QGuiApplication::clipboard();
        clipboard->setText(QStringLiteral("before"));
        w->boxCalc->setText(QStringLiteral("999999999999999"));
        QTest::keyClick(w->boxCalc, Qt::Key_M, Qt::ControlModifier);
        QTest::keyClick(w->boxCalc, Qt::Key_Equal, Qt::ControlModifier);
        QCOMPARE(w->lblMemory->Caption(), QStringLiteral("Error"));
        QCOMPARE(m_messages.size(), 1);
        m_messages.clear();
        QTest::keyClick(w->boxCalc, Qt::Key_F2, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(clipboard->text(), QString());
        QVERIFY(m_messages.isEmpty());
    }

    // Notes from the keyboard alone: a letter in the figures starts the row's note, Space and
    // punctuation are typed there, Return goes back to the end of the row; the figures' keys keep
    // their meaning. A row deleted takes its note and one undo brings both back; a pasted label
    // becomes the row's note.
    void notesFromTheKeyboard()
    {
        const auto type = [](const QString &keys) {
            for (const QChar c : keys)
                QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
        };
        const auto notes = [this] {
            QStringList all;
            for (const RowNote &n : w->boxCalc->document()->notes())
                all << QStringLiteral("%1:%2").arg(n.row).arg(n.text);
            return all.join(u'|');
        };
        type(QStringLiteral("Rent"));
        QVERIFY(w->boxCalc->isEditingNote());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        type(QStringLiteral("1250+"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        type(QStringLiteral("Phone #12, 2026"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(w->isVisible() && !w->isMinimized());
        type(QStringLiteral("45"));
        QCOMPARE(w->boxCalc->Text(), QStringLiteral("1250+\r\n45"));
        QCOMPARE(notes(), QStringLiteral("0:Rent|1:Phone #12, 2026"));
        QCOMPARE(w->lblResult->Caption(), QStringLiteral("1,295.00"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QCOMPARE(w->boxCalc->SelLength(), w->boxCalc->Text().size());

        setField(*w, w->boxCalc->Text(), 5, 4);
        QTest::keyClick(w->boxCalc, Qt::Key_Delete);
        QCOMPARE(w->boxCalc->Text(), QStringLiteral("1250+"));
        QCOMPARE(notes(), QStringLiteral("0:Rent"));
        QTest::keyClick(w->boxCalc, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(w->boxCalc->Text(), QStringLiteral("1250+\r\n45"));
        QCOMPARE(notes(), QStringLiteral("0:Rent|1:Phone #12, 2026"));
        for (int i = 0; i < 3; ++i) // "5", "4", then the note
            QTest::keyClick(w->boxCalc, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(notes(), QStringLiteral("0:Rent"));
        QCOMPARE(w->boxCalc->Text(), QStringLiteral("1250+\r\n"));

        // A word an input method commits starts the note as a letter does.
        QInputMethodEvent composed;
        composed.setCommitString(QStringLiteral("Аренда"));
        QCoreApplication::sendEvent(w->boxCalc, &composed);
        QVERIFY(w->boxCalc->isEditingNote());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); // back to the figures, not on
        QCOMPARE(QApplication::focusWidget(), w->boxCalc);
        QCOMPARE(notes(), QStringLiteral("0:Rent|1:Аренда"));

        setField(*w, QString(), 0);
        QGuiApplication::clipboard()->setText(QStringLiteral("Invoice #12: 40+2"));
        QTest::keyClick(w->boxCalc, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(w->boxCalc->Text(), QStringLiteral("40+2"));
        QCOMPARE(notes(), QStringLiteral("0:Invoice #12:"));
        // A row the sheet wraps at its operators keeps its note on its first part.
        QGuiApplication::clipboard()->setText(QStringLiteral("+1111111111+2222222222+3333333333+4444444444"));
        QTest::keyClick(w->boxCalc, Qt::Key_V, Qt::ControlModifier);
        QVERIFY(w->boxCalc->rowCount() > 1);
        QCOMPARE(notes(), QStringLiteral("0:Invoice #12:"));
        QVERIFY(m_messages.isEmpty());
    }

    void optionsButton()
    {
        QTest::keyClicks(w->boxCalc, QStringLiteral("1/8"));
        QVERIFY(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint)); // a missing AlwaysOnTop is true
        QList<Options> given;
        bool accept = false, wrongWhileOpen = true; // another owner, or the window still on top
        TestWindow *window = w.get();
        w->setOptionsDialogOpener([&](QWidget *owner, const Options &current) -> std::optional<Options> {
            given.append(current);
            wrongWhileOpen = owner != window || window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
            QTest::keyClick(window->boxCalc, Qt::Key_Slash, Qt::ControlModifier); // ignored while open
            if (!accept)
                return std::nullopt;
            Options changed = current;
            changed.roundTo = 3, changed.alwaysOnTop = false;
            return changed;
        });
        // Cancel changes nothing; OK loads again and evaluates the sheet with the new digit.
        QTest::keyClick(w->boxCalc, Qt::Key_Slash, Qt::ControlModifier);
        QVERIFY(given.size() == 1 && !wrongWhileOpen && w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(given[0].roundTo, 2);
        QCOMPARE(given[0].inWordsFile, QStringLiteral(TALLYER_PROGRAM_DIR "/InWordsDollars eng.txt"));
        QCOMPARE(w->lblResult->Caption(), QStringLiteral("0.13"));
        accept = true;
        QTest::keyClick(w->boxCalc, Qt::Key_Slash, Qt::KeypadModifier | Qt::ControlModifier);
        QCOMPARE(given.size(), 2);
        QCOMPARE(w->lblRound->Caption(), QStringLiteral("Fix 3"));
        QCOMPARE(w->lblResult->Caption(), QStringLiteral("0.125"));
        QVERIFY(!w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(!w->lblOptions->IsDown());
        QTest::keyClick(w->boxCalc, Qt::Key_Slash, Qt::ControlModifier);
        QVERIFY(given.size() == 3 && given[2].roundTo == 3); // the window keeps what OK returned
    }

private:
    std::unique_ptr<TestWindow> w;
    QStringList m_messages;
};

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
