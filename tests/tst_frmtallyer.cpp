// The main window, offscreen, each case from an empty settings store: the evaluation cycle, wrapping
// and the window height, the sub result, the rounding selector, the memory cells, the saved
// position, the separators at focus, what assistive tools see, and the tape as a document (its
// file through undo, the question before changes are dropped).

#include "tapestate.h"
#include "windowtest.h"

#include <accessibility.h>
#include <calcfield.h>
#include <messagesink.h>
#include <tapeactions.h>
#include <tapefile.h>
#include <twips.h>

#include <QAccessible>
#include <QAction>
#include <QLabel>
#include <QClipboard>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStyle>

#include <cmath>

namespace {

constexpr quint32 kButtonText = 0x80000012u;
constexpr quint32 kButtonShadow = 0x80000010u;
const QString kCrLf = QStringLiteral("\r\n");
const QLocale kUs(QLocale::English, QLocale::UnitedStates);
const QLocale kGerman(QLocale::German, QLocale::Germany); // "," decimal, "." thousands
const QRegularExpression kCyrillic(QStringLiteral("[\\x{0400}-\\x{04FF}]"));

void pasteText(CalcField *field, const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
    field->paste();
}

void typeText(CalcField *field, const QString &text) // replaces the whole sheet
{
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
}

void select(CalcField *field, int start, int length)
{
    field->setSelStart(start);
    field->setSelLength(length);
}

QStringList actions(MavoLabel3D *label)
{
    return QAccessible::queryAccessibleInterface(label)->actionInterface()->actionNames();
}

void act(MavoLabel3D *label, int index)
{
    QAccessible::queryAccessibleInterface(label)->actionInterface()->doAction(actions(label).value(index));
}

void setRounding(TestWindow &w, int digit)
{
    QTest::keyClick(w.boxCalc, Qt::Key(Qt::Key_0 + digit), Qt::ControlModifier);
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

} // namespace

class TestFrmTallyer : public WindowTest
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(useTemporaryFolders());
        setMessageSink([this](const QString &text, MessageIcon icon) { m_messages.append({text, icon}); });
    }

    void init()
    {
        QVERIFY(emptyStore());
        m_messages.clear();
        useLocale(kUs);
    }

    void typedAndPasted_data()
    {
        QTest::addColumn<bool>("german");
        QTest::addColumn<QString>("keys");  // typed first
        QTest::addColumn<QString>("paste"); // then pasted at the start, if any
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("caret");
        QTest::addColumn<QString>("result");
        QTest::addColumn<int>("messages");

        QTest::newRow("comma-locale-turns-point") << true << "1.5" << "" << "1,5" << 3 << "1,50" << 0;
        QTest::newRow("pasted-signs-and-grouping-read-as-written")
            << false << "" << QStringLiteral("2\u00d73\u00f74+$1,000") << "2*3/4+1000" << 10 << "1,001.50" << 0;
        // A paste larger than a tape file may be is refused with a message; the sheet stays.
        QTest::newRow("paste-past-the-bound-refused")
            << false << "7" << QString(CalcField::kPasteLimit + 1, u'1') << "7" << 0 << "7.00" << 1;
    }
    void typedAndPasted()
    {
        QFETCH(bool, german);
        QFETCH(QString, keys);
        QFETCH(QString, paste);
        useLocale(german ? kGerman : kUs);
        auto w = openWindow(true);
        QVERIFY(w);
        QTest::keyClicks(w->boxCalc, keys);
        if (!paste.isEmpty()) {
            w->boxCalc->setSelStart(0);
            pasteText(w->boxCalc, paste);
        }
        QTEST(w->boxCalc->Text(), "text");
        QTEST(int(w->boxCalc->SelStart()), "caret");
        QTEST(w->lblResult->Caption(), "result");
        QTEST(int(m_messages.size()), "messages");
        QVERIFY(w->boxCalc->updatesEnabled());
    }

    // The cleaning of an edit takes the rows it touched and what they reach: a first row emptied
    // goes with its break, every row an insertion brings is cleaned, and an undo restores rows
    // cleaned for the separator in use.
    void editsCleanTheirRows()
    {
        useLocale(kUs);
        // A kept tape comes back unwrapped; the next key wraps it all, and after an undo puts the
        // long rows back, the next key wraps them all again, not only its own.
        const QString longRows = QStringLiteral("1+").repeated(60) + "\r\n" + QStringLiteral("2+").repeated(60)
            + "\r\n" + QStringLiteral("3+").repeated(59) + "3";
        QVERIFY(SaveTapeState({longRows, qint32(longRows.size()), 0, {}}));
        auto w = openWindow(true);
        QVERIFY(w);
        QCOMPARE(w->boxCalc->Text(), longRows);
        QTest::keyClick(w->boxCalc, Qt::Key_5);
        QTest::keyClick(w->boxCalc, Qt::Key_Backspace, Qt::AltModifier);
        QCOMPARE(w->boxCalc->Text(), longRows);
        w->boxCalc->setSelStart(longRows.size());
        QTest::keyClick(w->boxCalc, Qt::Key_7);
        QVERIFY(w->boxCalc->Text().indexOf(u'\r') < 50);

        w->boxCalc->setText(QStringLiteral("12+\r\n3"));
        w->boxCalc->setSelection(0, 3);
        QTest::keyClick(w->boxCalc, Qt::Key_Delete);
        QCOMPARE(w->boxCalc->Text(), QStringLiteral("3"));
        w->boxCalc->setSelStart(1);
        w->boxCalc->insertText(QStringLiteral("+4,5+\n6,5+\n7,5"));
        QCOMPARE(w->boxCalc->Text(), QStringLiteral("3+4.5+\r\n6.5+\r\n7.5"));

        // Under another separator the next key swaps them all, and a state taken back from
        // before it comes back with the new one.
        useLocale(QLocale(QLocale::German, QLocale::Germany));
        QTest::keyClicks(w->boxCalc, QStringLiteral("+1"));
        QCOMPARE(w->boxCalc->Text(), QStringLiteral("3+4,5+\r\n6,5+\r\n7,5+1"));
        QTest::keyClick(w->boxCalc, Qt::Key_Backspace, Qt::AltModifier);
        QTest::keyClick(w->boxCalc, Qt::Key_Backspace, Qt::AltModifier);
        QCOMPARE(w->boxCalc->Text(), QStringLiteral("3+4,5+\r\n6,5+\r\n7,5"));
    }

    // The widest values the result panel, the memory panel and the grey sub result can show are
    // shown whole at every rounding, the field's font at its largest; the window widens where the
    // form's widths are too small. (CTest runs this once more at scale factor 2.)
    void panelsShowWholeValues()
    {
        useLocale(QLocale(QLocale::Russian, QLocale::Russia)); // grouped with no-break spaces
        QVERIFY(Settings::writeLong(Settings::FontSize, 50));
        auto w = openWindow(true);
        QVERIFY(w);
        typeText(w->boxCalc, QStringLiteral("-999999999999999"));
        // The caption's own label holds the whole text, and the panel lies inside the window.
        auto shownWhole = [&w](MavoLabel3D *panel) {
            const QString caption = panel->Caption();
            const QLabel *inner = panel->findChild<QLabel *>(QStringLiteral("lbl0"));
            const QRect onWindow(panel->mapTo(w.get(), QPoint(0, 0)), panel->size());
            return !caption.isEmpty() && inner
                && inner->width() >= QFontMetricsF(inner->font()).horizontalAdvance(caption)
                && inner->geometry().right() < panel->width() && w->rect().contains(onWindow);
        };
        for (int fix = 0; fix <= 9; ++fix) {
            setRounding(*w, fix);
            clickLabel(w->lblM);
            for (MavoLabel3D *panel : {w->lblResult, w->lblMemory, w->lblMoveSize})
                QVERIFY2(shownWhole(panel), qPrintable(panel->Caption()));
        }
        w->boxCalc->selectAll(); // the sub result of the whole sheet, at nine decimals
        QTRY_COMPARE(w->lblResult->ForeColor(), kButtonShadow);
        QVERIFY2(shownWhole(w->lblResult), qPrintable(w->lblResult->Caption()));
    }

    void longRowsWrapAfterOperators()
    {
        auto w = openWindow(true);
        QVERIFY(w);
        // Typed key by key: every cycle wraps, and the caret has to follow to the end each time.
        const QString typed = QStringLiteral("12345+6789*2-").repeated(14) + u'1';
        QTest::keyClicks(w->boxCalc, typed);
        const QString text = w->boxCalc->Text();
        QCOMPARE(QString(text).remove(kCrLf), typed);
        QCOMPARE(w->boxCalc->SelStart(), text.size());
        const QStringList rows = text.split(kCrLf);
        QVERIFY2(rows.size() > 3, qPrintable(text));

        // Rows keep the design width of 330 pixels, less a scroll bar and 6 pixels.
        const int width = 330 - w->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, w->boxCalc) - 6;
        for (qsizetype i = 0; i < rows.size(); ++i) {
            QVERIFY2(i + 1 == rows.size() || QStringLiteral("+-*/").contains(rows[i].back()), qPrintable(rows[i]));
            QVERIFY2(std::nearbyint(QFontMetricsF(w->boxCalc->font()).horizontalAdvance(rows[i])) <= width, qPrintable(rows[i]));
        }
        // One expression: 12345 + 14 * 6789*2 - 13 * 12345 - 1 = 41951.
        QCOMPARE(w->lblResult->Caption(), QStringLiteral("41,951.00"));
    }

    // The field grows with the rows up to ten, the window and the panels below with it; more rows
    // scroll.
    void heightFollowsRows()
    {
        auto w = openWindow(true);
        QVERIFY(w);
        auto fieldHeightFor = [&](int rows) { return QFontMetricsF(w->boxCalc->font()).height() * rows + 120 / twipsPerPixelY(w.get()); };
        auto heightIs = [&](int rows) { return std::abs(w->boxCalc->height() - fieldHeightFor(rows)) <= 1.0; };
        QTest::keyClicks(w->boxCalc, QStringLiteral("1"));
        QVERIFY(heightIs(1));
        const int windowOneRow = w->height();
        const int frameOneRow = w->frame2->y();
        pasteText(w->boxCalc, QStringLiteral("+\n2+\n3"));
        QVERIFY(heightIs(3));

        typeText(w->boxCalc, {});
        pasteText(w->boxCalc, QStringLiteral("1+\n").repeated(11) + u'1');
        QCOMPARE(w->lblResult->Caption(), QStringLiteral("12.00"));
        QVERIFY2(heightIs(10), qPrintable(QString::number(w->boxCalc->height())));
        const int grown = w->boxCalc->height() - static_cast<int>(std::lround(fieldHeightFor(1)));
        QVERIFY(std::abs(w->height() - windowOneRow - grown) <= 1);
        QVERIFY(std::abs(w->frame2->y() - frameOneRow - grown) <= 1);
        QVERIFY(w->geometry().bottom() < w->screen()->geometry().bottom());

        typeText(w->boxCalc, QStringLiteral("1"));
        QVERIFY(heightIs(1));
        QCOMPARE(w->height(), windowOneRow);
        QCOMPARE(w->frame2->y(), frameOneRow);
    }

    // The sub result's rules are the session's; here, that a selection reaches the panel grey and
    // a click on the rounding selector works it out again.
    void subResult()
    {
        auto w = openWindow(true);
        QVERIFY(w);
        QTest::keyClicks(w->boxCalc, QStringLiteral("10*2+3"));
        select(w->boxCalc, 3, 3); // "2+3"
        QTRY_COMPARE(w->lblResult->Caption(), QStringLiteral("5.00"));
        QCOMPARE(w->lblResult->ForeColor(), kButtonShadow);
        clickLabel(w->lblRound); // a new rounding shows the sub result, the selection stays
        QTRY_COMPARE(w->lblResult->Caption(), QStringLiteral("5.000"));
        QCOMPARE(w->boxCalc->SelText(), QStringLiteral("2+3"));
        select(w->boxCalc, 0, 0);
        QTRY_COMPARE(w->lblResult->Caption(), QStringLiteral("23.000"));
        QCOMPARE(w->lblResult->ForeColor(), kButtonText);
    }

    // What assistive tools see: every push-label a button named and described in the interface
    // language, whose actions do what a left and a right click do.
    void pushLabelsForAssistiveTools_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QStringList>("names"); // of lblMoveSize, lblMemMenu, lblRound, lblOptions
        QTest::newRow("english") << kUs << QStringList{"Show memory buttons", "Memory cell 1", "Rounding: 2 decimals", "Options"};
        QTest::newRow("russian") << QLocale(QLocale::Russian, QLocale::Russia)
                                 << QStringList{"Показать кнопки памяти", "Ячейка памяти 1", "Округление: 2 знака", "Настройки"};
    }
    void pushLabelsForAssistiveTools()
    {
        QFETCH(QLocale, locale);
        QFETCH(QStringList, names);
        useLocale(locale);
        QVERIFY(Settings::writeText(Settings::InWordsFile, TALLYER_PROGRAM_DIR "/InWordsDollars eng.txt"));
        auto w = openWindow();
        QVERIFY(w);
        const bool russian = locale.language() == QLocale::Russian;
        const QList<MavoLabel3D *> labels = {w->lblMoveSize, w->lblMemMenu, w->lblRound, w->lblOptions, w->lblResult,
                                              w->lblMemory, w->lblM, w->lblMC, w->lblMR, w->lblMPlus, w->lblMMinus};
        for (qsizetype i = 0; i < labels.size(); ++i) {
            QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(labels[i]);
            const QString name = iface->text(QAccessible::Name);
            QVERIFY2(iface->role() == QAccessible::Button, qPrintable(name));
            QVERIFY2(name.contains(kCyrillic) == russian, qPrintable(name));
            QVERIFY2(iface->text(QAccessible::Description).contains(kCyrillic) == russian, qPrintable(name));
            if (i < names.size())
                QCOMPARE(name, names[i]);
            // The folded strip (from lblM on) shows nothing to press.
            QCOMPARE(iface->state().invisible, i >= 6);
            QCOMPARE(actions(labels[i]).value(0), i >= 6 ? QString() : QAccessibleActionInterface::pressAction());
        }

        act(w->lblMoveSize, 0);
        QTRY_COMPARE(w->lblMoveSize->Caption(), QStringLiteral("<<"));
        QVERIFY(!QAccessible::queryAccessibleInterface(w->lblM)->state().invisible);
        const QChar point = russian ? u',' : u'.';
        QTest::keyClicks(w->boxCalc, QStringLiteral("1/4"));
        act(w->lblM, 0);
        QTRY_COMPARE(w->lblMemory->Caption(), QStringLiteral("0.25").replace(u'.', point));
        // Fix: Press steps up, the second action down (the wrap between 9 and 0: tst_calcsession).
        act(w->lblRound, 0);
        QTRY_COMPARE(w->lblRound->Caption(), QStringLiteral("Fix 3"));
        act(w->lblRound, 1);
        QTRY_COMPARE(w->lblRound->Caption(), QStringLiteral("Fix 2"));
        // The memory panel copies in digits, and in words with its second action.
        act(w->lblMemory, 0);
        QTRY_COMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("0.25").replace(u'.', point));
        act(w->lblMemory, 1);
        QTRY_COMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Zero dollars 25 cents"));

        // The window is a frame to screen readers, which follow the focus only in the active frame.
        QCOMPARE(QAccessible::queryAccessibleInterface(w.get())->role(), QAccessible::Window);
        QAccessibleInterface *mc = QAccessible::queryAccessibleInterface(w->lblMC);
        w->lblMC->GoDown();
        QVERIFY(mc->state().pressed);
        w->lblMC->setEnabledFlag(false);
        QVERIFY(mc->state().disabled && actions(w->lblMC).isEmpty());
    }

    // Typed key by key the result changes at every key; it is announced once, after the pause, as
    // the panel shows it: a notification that comes up with the words as its name.
    void resultAnnouncedOncePerPause()
    {
        auto w = openWindow();
        QVERIFY(w);
        auto *announcer = w->findChild<ResultAnnouncer *>();
        QVERIFY(announcer);
        QSignalSpy announced(announcer, &ResultAnnouncer::announced);
        QTest::keyClicks(w->boxCalc, QStringLiteral("1607.5"));
        QCOMPARE(announced.count(), 0);
        QTRY_COMPARE(announced.count(), 1);
        QCOMPARE(announced[0][0].toString(), QStringLiteral("1,607.50"));
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(announcer);
        QVERIFY(iface->role() == QAccessible::Notification && !iface->state().invisible);
        QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("1,607.50"));

        // A blank panel says why, spoken and inside the sheet, where it covers no button.
        QTest::keyClicks(w->boxCalc, QStringLiteral("/0"));
        QTRY_COMPARE(announced.count(), 2);
        QCOMPARE(announced[1][0].toString(), QStringLiteral("Division by zero"));
        QCOMPARE(w->hints->noteText(), QStringLiteral("Division by zero"));
        const auto *note = w->boxCalc->viewport()->findChild<QLabel *>();
        QVERIFY(note && w->boxCalc->viewport()->rect().contains(note->geometry()));
        QVERIFY(note->testAttribute(Qt::WA_TransparentForMouseEvents) && !w->lblToolTip->isVisible());
        QTest::keyClick(w->boxCalc, Qt::Key_Backspace);
        QCOMPARE(w->hints->noteText(), QString());
    }

    // Tab goes from the sheet through the push-labels the window shows, row by row, and back;
    // Shift+Tab the other way. The memory buttons of a cut-off strip take no focus. Space presses
    // the focused button, a digit goes back to the sheet. What a press did is spoken.
    void keyboardReachesButtons()
    {
        QVERIFY(Settings::writeText(Settings::InWordsFile, TALLYER_PROGRAM_DIR "/InWordsDollars eng.txt"));
        auto w = openWindow(false);
        QVERIFY(w);
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        auto *announcer = w->findChild<ResultAnnouncer *>();
        QSignalSpy announced(announcer, &ResultAnnouncer::announced);
        w->boxCalc->setFocus();
        QTest::keyClicks(w->boxCalc, QStringLiteral("1250+357.5"));
        const auto walk = [&](bool back, int steps) {
            QStringList names;
            for (int i = 0; i < steps; ++i) {
                QTest::keyClick(QApplication::focusWidget(), back ? Qt::Key_Backtab : Qt::Key_Tab,
                                back ? Qt::ShiftModifier : Qt::NoModifier);
                names << QApplication::focusWidget()->objectName();
            }
            return names.join(u' ');
        };
        const QString row = QStringLiteral("lblResult lblMemory lblMemMenu lblRound lblOptions lblMoveSize");
        QCOMPARE(walk(false, 7), row + QStringLiteral(" boxCalc"));
        QCOMPARE(walk(true, 2), QStringLiteral("lblMoveSize lblOptions"));

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space, Qt::ControlModifier); // the strip
        QTRY_VERIFY(w->lblM->focusPolicy() == Qt::TabFocus);
        w->boxCalc->setFocus();
        QCOMPARE(walk(false, 12), row + QStringLiteral(" lblM lblMC lblMR lblMPlus lblMMinus boxCalc"));
        QCOMPARE(walk(true, 5), QStringLiteral("lblMMinus lblMPlus lblMR lblMC lblM"));
        QVERIFY(w->lblM->hasFocus());
        announced.clear();
        QTest::keyClick(w->lblM, Qt::Key_Space);
        QCOMPARE(w->lblMemory->Caption(), QStringLiteral("1,607.50"));
        QCOMPARE(announced.value(0).value(0).toString(), QStringLiteral("Stored 1,607.50 in memory cell 1"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        QTest::keyClick(w->lblMoveSize, Qt::Key_Return); // the strip goes
        QTRY_VERIFY(w->lblM->focusPolicy() == Qt::NoFocus);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_7);
        QVERIFY(w->boxCalc->hasFocus());
        QCOMPARE(w->boxCalc->Text(), QStringLiteral("1250+357.57"));

        // Copies are confirmed too.
        QTRY_COMPARE(announced.last().value(0).toString(), QStringLiteral("1,607.57"));
        QTest::keyClick(w->boxCalc, Qt::Key_F1, Qt::ControlModifier);
        QTRY_COMPARE(announced.last().value(0).toString(), QStringLiteral("Copied 1,607.57"));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("1607.57")); // digits, not grouped
        QTest::keyClick(w->boxCalc, Qt::Key_F2, Qt::ControlModifier);
        QTRY_COMPARE(announced.last().value(0).toString(), QStringLiteral("Copied in words"));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("One thousand six hundred seven dollars 57 cents"));

        // The window grows by a row and shrinks again: the buttons stay reachable, and Space
        // presses the one focused.
        QTest::keyClicks(w->boxCalc, QStringLiteral("+"));
        QTest::keyClick(w->boxCalc, Qt::Key_Return);
        QTest::keyClicks(w->boxCalc, QStringLiteral("2"));
        QTest::keyClick(w->boxCalc, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(w->boxCalc, Qt::Key_Delete);
        QTest::keyClicks(w->boxCalc, QStringLiteral("5"));
        QCOMPARE(walk(false, 4), QStringLiteral("lblResult lblMemory lblMemMenu lblRound"));
        QTest::keyClick(w->lblRound, Qt::Key_Space);
        QCOMPARE(w->lblRound->Caption(), QStringLiteral("Fix 3"));
    }

    // Restored at start, a cell chosen in the menu, the buttons, clear all, and saved at closing;
    // the cells' own rules are tested with the memory bank.
    void memoryButtonsAndMenu()
    {
        QVERIFY(Settings::writeText(Settings::MemoryString, QStringLiteral("M1|1.00|1.00||||||1,234.50||||")));
        auto w = openWindow(true);
        QVERIFY(w);
        QAction *m7 = w->memoryItem(7);
        m7->trigger();
        QCOMPARE(w->lblMemMenu->Caption(), QStringLiteral("M7"));
        QCOMPARE(w->lblMemory->Caption(), QStringLiteral("1,234.50"));
        QTest::keyClicks(w->boxCalc, QStringLiteral("1"));
        clickLabel(w->lblMPlus);
        QCOMPARE(w->memoryItem(7)->text(), QStringLiteral("M7\t1,235.50"));
        w->mnuClear->trigger();
        QCOMPARE(w->memoryItem(1)->text(), QStringLiteral("M1"));
        w->memoryItem(2)->trigger();
        QVERIFY(!m7->isChecked());
        w->close();
        QCOMPARE(Settings::readText(Settings::MemoryString), QStringLiteral("M2|||||||||||"));
        QCOMPARE(Settings::readText(Settings::MemorySeparators), QStringLiteral(".,"));
    }

    void positionSavedRestoredAndClamped()
    {
        QVERIFY(Settings::writeLong(Settings::FormLeft, 1500));
        QVERIFY(Settings::writeLong(Settings::FormTop, 1200));
        {
            auto w = openWindow(true);
            QVERIFY(w);
            const double tx = twipsPerPixelX(w.get());
            const double ty = twipsPerPixelY(w.get());
            QCOMPARE(w->frameGeometry().topLeft(), QPoint(qRound(1500 / tx), qRound(1200 / ty)));
            w->move(140, 90);
            QTRY_COMPARE(w->frameGeometry().topLeft(), QPoint(140, 90));
            w->close();
            QCOMPARE(Settings::readLong(Settings::FormLeft), qRound(140 * tx));
            QCOMPARE(Settings::readLong(Settings::FormTop), qRound(90 * ty));
        }

        // Far off the screen (twips, yet inside the range the store keeps): pulled back so the
        // whole window shows (where to: tst_placement).
        QVERIFY(Settings::writeLong(Settings::FormLeft, 600000));
        QVERIFY(Settings::writeLong(Settings::FormTop, -3000));
        auto w = openWindow(true);
        QVERIFY(w);
        QVERIFY(w->screen()->availableGeometry().contains(w->frameGeometry()));
    }

    void separatorsFollowLocaleAtFocus()
    {
        auto w = openWindow(true);
        QVERIFY(w);
        w->activateWindow();
        QTRY_VERIFY(w->boxCalc->hasFocus());
        QTest::keyClicks(w->boxCalc, QStringLiteral("-1234.5"));
        clickLabel(w->lblM);

        useLocale(kGerman);
        w->boxCalc->clearFocus();
        w->boxCalc->setFocus();
        QTRY_COMPARE(w->lblMemory->Caption(), QStringLiteral("- 1.234,50"));
        QCOMPARE(w->boxCalc->Text(), QStringLiteral("-1234,5"));
        QCOMPARE(w->lblResult->Caption(), QStringLiteral("- 1.234,50"));
    }

    // The file goes with each undo step: an undo past the opening of books.tape brings back the
    // tape without a file, whose Ctrl+S asks for a name and leaves books.tape alone; a redo links
    // it again, and the mark of changes follows the text back to what the file holds.
    void fileLinkThroughUndo()
    {
        QTemporaryDir dir;
        const QString books = dir.filePath("books.tape");
        QVERIFY(WriteTapeFile(books, "50+\r\n25").ok());
        auto w = openWindow();
        QVERIFY(w);
        int asked = 0; // for a name to save under: cancelled
        w->findChild<TapeActions *>()->setFileAsker([&](QWidget *, TapeActions::FileUse use, const QString &, const QString &,
                                                        const QString &) { return use == TapeActions::FileUse::Open ? books : (++asked, QString()); });
        QTest::keyClicks(w->boxCalc, "777+1");
        QTest::keyClick(w->boxCalc, Qt::Key_O, Qt::ControlModifier);
        struct Step { Qt::Key key; const char *typed; QString text; const char *title; bool modified; };
        const Step steps[] = {
            {Qt::Key_unknown, "", "50+\r\n25", "books.tape[*] - Mavo Tallyer", false},
            {Qt::Key_Z, "", "777+1", "Mavo Tallyer", false},
            {Qt::Key_S, "", "777+1", "Mavo Tallyer", false},
            {Qt::Key_Y, "", "50+\r\n25", "books.tape[*] - Mavo Tallyer", false},
            {Qt::Key_unknown, "5", "50+\r\n255", "books.tape[*] - Mavo Tallyer", true},
            {Qt::Key_Z, "", "50+\r\n25", "books.tape[*] - Mavo Tallyer", false},
            {Qt::Key_Y, "", "50+\r\n255", "books.tape[*] - Mavo Tallyer", true},
        };
        for (const Step &step : steps) {
            if (step.key != Qt::Key_unknown)
                QTest::keyClick(w->boxCalc, step.key, Qt::ControlModifier);
            QTest::keyClicks(w->boxCalc, step.typed);
            QCOMPARE(w->boxCalc->Text(), step.text);
            QCOMPARE(w->windowTitle(), QLatin1String(step.title));
            QCOMPARE(w->isWindowModified(), step.modified);
        }
        QCOMPARE(asked, 1);
        QCOMPARE(fileBytes(books), QByteArray("50+\n25\n"));
        QCOMPARE(TapeActions::recentTapes(), QStringList{books});

        // Files and pastes are read as written: a label's number is no figure, and a row that
        // would become another number is not taken, with the reason.
        QTest::keyClick(w->boxCalc, Qt::Key_Z, Qt::ControlModifier);
        const QString labelled = dir.filePath("labelled.tape");
        QVERIFY(WriteTapeFile(labelled, "Invoice #12: 40+\r\n2x3").ok());
        QVERIFY(w->findChild<TapeActions *>()->openFile(labelled));
        QCOMPARE(w->boxCalc->Text(), QStringLiteral("40+\r\n2*3"));
        QCOMPARE(w->boxCalc->document()->note(0), QStringLiteral("Invoice #12:")); // saved beside its row
        QTest::keyClick(w->boxCalc, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(fileBytes(labelled), QByteArray("40+\tInvoice #12:\n2*3\n"));
        QVERIFY(WriteTapeFile(labelled, "1+\r\n12 34").ok());
        QVERIFY(!w->findChild<TapeActions *>()->openFile(labelled));
        QGuiApplication::clipboard()->setText(QStringLiteral("+1e3"));
        QTest::keyClick(w->boxCalc, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(w->boxCalc->Text(), QStringLiteral("40+\r\n2*3"));
        QCOMPARE(m_messages.size(), 2);
        QVERIFY(m_messages.at(0).first.startsWith(QStringLiteral("Row 2 cannot be read as figures: \"12 34\"")));
        QVERIFY(m_messages.at(1).first.contains(QStringLiteral("1e3")));
    }

    // The window started with books.tape (`tallyer FILE`), changed: replacing the tape asks first.
    // Cancel keeps everything, Discard drops the changes, Save writes them first; a save that
    // fails (its folder gone) stops the replacement too.
    void changesAskedBeforeReplaced_data()
    {
        QTest::addColumn<QString>("how"); // "drop" another file, "new" tape, "drop-folder-gone"
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("books");
        const int save = QMessageBox::Save, discard = QMessageBox::Discard, cancel = QMessageBox::Cancel;
        QTest::newRow("drop-cancelled") << "drop" << cancel << "50+\r\n25+5" << QByteArray("50+\n25\n");
        QTest::newRow("drop-discarding") << "drop" << discard << "7*6" << QByteArray("50+\n25\n");
        QTest::newRow("drop-saving-first") << "drop" << save << "7*6" << QByteArray("50+\n25+5\n");
        QTest::newRow("save-failing-stops-it") << "drop-folder-gone" << save << "50+\r\n25+5" << QByteArray("(none)");
        QTest::newRow("new-tape-saving-first") << "new" << save << "" << QByteArray("50+\n25+5\n");
        // With no tape kept between runs, closing asks too.
        QTest::newRow("close-cancelled") << "close" << cancel << "50+\r\n25+5" << QByteArray("50+\n25\n");
        QTest::newRow("close-saving-first") << "close" << save << "50+\r\n25+5" << QByteArray("50+\n25+5\n");
    }
    void changesAskedBeforeReplaced()
    {
        QFETCH(QString, how);
        QFETCH(int, answer);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("tapes"));
        QVERIFY(Settings::writeBool(Settings::KeepTape, how != "close"));
        const QString books = dir.filePath("tapes/books.tape"), other = dir.filePath("other.tape");
        QVERIFY(WriteTapeFile(books, "50+\r\n25").ok() && WriteTapeFile(other, "7*6").ok());
        auto w = openWindow(false, true, books);
        QVERIFY(w);
        QTRY_COMPARE(w->windowTitle(), "books.tape[*] - Mavo Tallyer");
        QTest::keyClicks(w->boxCalc, "+5");
        if (how == "drop-folder-gone")
            QVERIFY(QDir(dir.filePath("tapes")).removeRecursively());

        QStringList asked;
        QTimer answerer; // the question runs its own event loop
        answerer.callOnTimeout([&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                asked << box->text();
                box->button(QMessageBox::StandardButton(answer))->click();
            }
        });
        answerer.start(10);
        if (how == "new")
            emit w->boxCalc->commandRequested(KeyCommand::NewTape, 0);
        else if (how == "close")
            QCOMPARE(w->close(), answer != QMessageBox::Cancel);
        else
            emit w->boxCalc->fileDropped(other);
        QCOMPARE(asked, QStringList{"Save the changes to 'books.tape'?"});
        QTEST(w->boxCalc->Text(), "text");
        QTEST(fileBytes(books), "books");
        QCOMPARE(m_messages.size(), how == "drop-folder-gone" ? 1 : 0);
        QCOMPARE(w->isWindowModified(), w->boxCalc->Text() == "50+\r\n25+5" && fileBytes(books) != "50+\n25+5\n");
    }

private:
    QList<QPair<QString, MessageIcon>> m_messages;
};

QTEST_MAIN(TestFrmTallyer)
#include "tst_frmtallyer.moc"
