// The sheet view on its own, offscreen: its rows kept through edits, its keys, its layout of the
// rows that show, its signals, what assistive tools read of it and the clipboard. Expected
// texts and positions are worked out by hand; the edits are checked against a plain model of
// the text written here.

#include <sheetview.h>
#include <colorvalue.h>

#include <QLineEdit>
#include <QSignalSpy>

#include <QAccessible>
#include <QAccessibleEditableTextInterface>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QtTest>

#include <memory>

namespace {

// Every line break (CR, LF, CR LF, U+2028, U+2029) written as CR LF.
QString crlf(const QString &text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r' || c == u'\n' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator) {
            out += QLatin1String("\r\n");
            if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
        } else {
            out += c;
        }
    }
    return out;
}

// The text, caret and anchor a view should hold.
struct Model
{
    QString text;
    qsizetype anchor = 0;
    qsizetype position = 0;

    bool insideBreak(qsizetype p) const { return p > 0 && p < text.size() && text.at(p) == u'\n'; }
    qsizetype snapped(qsizetype p) const
    {
        p = std::clamp<qsizetype>(p, 0, text.size());
        return insideBreak(p) ? p - 1 : p;
    }
    void replace(qsizetype from, qsizetype to, const QString &piece)
    {
        const bool insertion = to <= from;
        from = snapped(from);
        to = insertion ? from : std::clamp<qsizetype>(to, from, text.size());
        if (insideBreak(to))
            ++to;
        const QString in = crlf(piece);
        if (from == to && in.isEmpty())
            return;
        text.replace(from, to - from, in);
        const qsizetype delta = in.size() - (to - from);
        const auto follow = [&](qsizetype p) { return p >= to ? p + delta : p > from ? from + in.size() : p; };
        anchor = follow(anchor);
        position = follow(position);
    }
};

using Caret = std::pair<qsizetype, qsizetype>; // anchor, position
Caret caretOf(const SheetView &view)
{
    return {view.anchor(), view.position()};
}

void checkRows(const SheetView &view, const QString &expected)
{
    QCOMPARE(view.sheetText(), expected);
    const QStringList rows = expected.split(QLatin1String("\r\n"));
    QCOMPARE(view.rowCount(), rows.size());
    qsizetype start = 0;
    for (qsizetype r = 0; r < rows.size(); ++r) {
        QCOMPARE(view.rowStart(r), start);
        QCOMPARE(view.rowEnd(r), start + rows.at(r).size());
        QCOMPARE(view.rowText(r), rows.at(r));
        QCOMPARE(view.rowOf(view.rowEnd(r)), r);
        start += rows.at(r).size() + 2;
    }
}

} // namespace

class TestSheetView : public QObject
{
    Q_OBJECT

    std::unique_ptr<SheetView> view;

private slots:
    void initTestCase() { QAccessible::setActive(true); }

    // A fresh view for every case, shown at a size that holds a few short rows.
    void init()
    {
        QGuiApplication::clipboard()->clear();
        view = std::make_unique<SheetView>();
        view->resize(300, 200);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
    }
    void cleanup() { view.reset(); }

    // ---- edits ----

    // Random replacements, insertions over a selection and whole texts: the text, every row's
    // bounds and the caret and anchor always match the model. Every edit is told once as a change
    // that, applied to the text before it, gives the text after it, with the characters and rows
    // it replaced; what the document says the edits since a mark left alone, the marked text and
    // the text now share.
    void editsKeepRows_data()
    {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed : {1u, 7u, 42u, 1234u, 99991u})
            QTest::addRow("seed-%u", seed) << seed;
    }
    void editsKeepRows()
    {
        QFETCH(quint32, seed);
        QRandomGenerator random(seed);
        const QStringList pieces{QStringLiteral("\n"), QStringLiteral("\r"), QStringLiteral("\r\n"),
                                 QStringLiteral("\u2029"), QString(), QStringLiteral("7"),
                                 QStringLiteral("12.5+"), QStringLiteral("*3\n"), QStringLiteral("\r\r\n\n"),
                                 QStringLiteral("=\u2028-4")};
        Model model;
        model.text = crlf(QStringLiteral("12+3\n45*6\n\n7=\r89"));
        view->setSheetText(model.text);
        SheetDocument *document = view->document();
        QString mirror = model.text;
        QString marked = mirror;
        document->mark();
        const auto changes = connect(document, &SheetDocument::contentsChange, this,
                                     [&](const SheetRows::Change &change, const QString &removed) {
            const QString added = document->text().mid(change.position, change.added);
            QCOMPARE(removed, mirror.mid(change.position, change.removed));
            QCOMPARE(change.firstRow, SheetRows(mirror).rowOf(change.position));
            QCOMPARE(change.rowsRemoved, removed.count(u"\r\n"));
            QCOMPARE(change.rowsAdded, added.count(u"\r\n"));
            mirror = mirror.left(change.position) + added + mirror.mid(change.position + change.removed);
        });
        const auto disconnected = qScopeGuard([&] { disconnect(changes); });
        for (int step = 0; step < 400; ++step) {
            const QString piece = pieces.at(random.bounded(int(pieces.size())));
            const auto any = [&] { return qsizetype(random.bounded(int(model.text.size()) + 3)) - 1; };
            switch (random.bounded(4)) {
            case 0:
            case 1: {
                const qsizetype from = any();
                const qsizetype to = any();
                model.replace(from, to, piece);
                view->replaceRange(from, to, piece);
                break;
            }
            case 2: {
                const qsizetype anchor = any();
                const qsizetype position = any();
                view->setSelection(anchor, position);
                model.anchor = model.snapped(anchor);
                model.position = model.snapped(position);
                QCOMPARE(caretOf(*view), Caret(model.anchor, model.position));
                const qsizetype start = std::min(model.anchor, model.position);
                model.text.replace(start, std::max(model.anchor, model.position) - start, crlf(piece));
                model.anchor = model.position = start + crlf(piece).size();
                view->insertText(piece);
                break;
            }
            default:
                if (step % 40 == 3) {
                    model.text = crlf(model.text.left(model.text.size() / 2) + piece);
                    model.anchor = model.position = 0;
                    view->setSheetText(model.text);
                }
            }
            checkRows(*view, model.text);
            if (QTest::currentTestFailed())
                return;
            QCOMPARE(caretOf(*view), Caret(model.anchor, model.position));
            QCOMPARE(mirror, model.text);
            if (step % 3 == 2) {
                const qsizetype head = document->untouchedHead();
                const qsizetype tail = document->untouchedTail();
                QVERIFY(head + tail <= std::min(marked.size(), model.text.size()));
                QCOMPARE(model.text.left(head), marked.left(head));
                QCOMPARE(model.text.right(tail), marked.right(tail));
                QCOMPARE(document->differsFromMark(), model.text != marked);
                document->mark();
                marked = model.text;
            }
        }
    }

    // The scroll bar shows while the rows do not fit and goes once they do, also for a view sized
    // while hidden (the history window sizes its sheet before showing it).
    void scrollBarFollowsRows()
    {
        view->setSheetText(QStringLiteral("1+\r\n").repeated(40) + u'1');
        QTRY_VERIFY(view->verticalScrollBar()->isVisible());
        view->setSheetText(QStringLiteral("1+\r\n2"));
        QTRY_VERIFY(!view->verticalScrollBar()->isVisible());

        SheetView hidden;
        hidden.resize(300, 20);
        hidden.setSheetText(QStringLiteral("1+\r\n2"));
        hidden.resize(300, 200);
        hidden.show();
        QVERIFY(QTest::qWaitForWindowExposed(&hidden));
        QTRY_VERIFY(!hidden.verticalScrollBar()->isVisible());
    }

    // The rules of one edit, worked out by hand.
    void editRules_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("from"); // -1: the whole text set with setSheetText
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("piece");
        QTest::addColumn<QString>("after");

        const QString t = QStringLiteral("12\r\n34");
        QTest::newRow("end-inside-break-takes-it") << t << 1 << 3 << QString() << "134";
        QTest::newRow("start-inside-break-before-it") << t << 3 << 5 << "x" << "12x4";
        QTest::newRow("insertion-inside-break-keeps-it") << t << 3 << 3 << "x" << "12x\r\n34";
        QTest::newRow("end-past-text-clamped") << t << 5 << 99 << "9" << "12\r\n39";
        QTest::newRow("lone-cr-inserted") << t << 6 << 6 << "\r" << "12\r\n34\r\n";
        QTest::newRow("lf-after-row-end") << t << 2 << 2 << "\n5" << "12\r\n5\r\n34";
        QTest::newRow("set-every-break") << t << -1 << -1 << "1\r2\n3\r\n4\u20295\u20286" << "1\r\n2\r\n3\r\n4\r\n5\r\n6";
        QTest::newRow("set-cr-before-crlf") << t << -1 << -1 << "\r\r\n" << "\r\n\r\n";
        QTest::newRow("set-same-middle") << t << -1 << -1 << "12\r\n\r\n34" << "12\r\n\r\n34";
        QTest::newRow("set-same-text") << t << -1 << -1 << t << t;
        QTest::newRow("set-shorter") << "1\r\n\r\n\r\n2" << -1 << -1 << "1\r\n2" << "1\r\n2";
    }
    void editRules()
    {
        QFETCH(QString, text);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QString, piece);
        QFETCH(QString, after);
        view->setSheetText(text);
        view->setSelection(3, 1);
        if (from < 0) {
            view->setSheetText(piece);
            QCOMPARE(caretOf(*view), Caret(0, 0));
        } else {
            view->replaceRange(from, to, piece);
        }
        checkRows(*view, after);
    }

    // ---- keys ----

    void keys_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("anchor");
        QTest::addColumn<int>("position");
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<QKeySequence>("keys");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("anchorAfter");
        QTest::addColumn<int>("positionAfter");

        const QString t = QStringLiteral("12\r\n345");
        const QString col = QStringLiteral("12345\r\n1\r\n12345");
        const auto k = [](auto... keys) { return QKeySequence(QKeyCombination(keys)...); };
        QTest::newRow("right-over-break") << t << 2 << 2 << false << k(Qt::Key_Right) << t << 4 << 4;
        QTest::newRow("left-over-break") << t << 4 << 4 << false << k(Qt::Key_Left) << t << 2 << 2;
        QTest::newRow("shift-right-selects-break") << t << 2 << 2 << false << k(Qt::SHIFT | Qt::Key_Right) << t << 2 << 4;
        QTest::newRow("right-collapses-selection") << t << 5 << 1 << false << k(Qt::Key_Right) << t << 5 << 5;
        QTest::newRow("backspace-joins-rows") << t << 4 << 4 << false << k(Qt::Key_Backspace) << "12345" << 2 << 2;
        QTest::newRow("delete-joins-rows") << t << 2 << 2 << false << k(Qt::Key_Delete) << "12345" << 2 << 2;
        QTest::newRow("backspace-selection-over-rows") << t << 5 << 1 << false << k(Qt::Key_Backspace) << "145" << 1 << 1;
        QTest::newRow("enter-inserts-crlf") << t << 6 << 6 << false << k(Qt::Key_Return) << "12\r\n34\r\n5" << 8 << 8;
        QTest::newRow("keypad-enter-replaces") << t << 1 << 5 << false << k(Qt::KeypadModifier | Qt::Key_Enter) << "1\r\n45" << 3 << 3;
        QTest::newRow("down-to-short-row-end") << col << 4 << 4 << false << k(Qt::Key_Down) << col << 8 << 8;
        QTest::newRow("down-down-keeps-column") << col << 4 << 4 << false << k(Qt::Key_Down, Qt::Key_Down) << col << 14 << 14;
        QTest::newRow("up-up-keeps-column") << col << 13 << 13 << false << k(Qt::Key_Up, Qt::Key_Up) << col << 3 << 3;
        QTest::newRow("shift-down-selects") << col << 2 << 2 << false << k(Qt::SHIFT | Qt::Key_Down) << col << 2 << 8;
        QTest::newRow("down-on-last-row-to-end") << t << 5 << 5 << false << k(Qt::Key_Down) << t << 7 << 7;
        QTest::newRow("up-on-first-row-to-start") << t << 1 << 1 << false << k(Qt::Key_Up) << t << 0 << 0;
        QTest::newRow("home-to-row-start") << t << 6 << 6 << false << k(Qt::Key_Home) << t << 4 << 4;
        QTest::newRow("shift-end-selects-row-rest") << t << 5 << 5 << false << k(Qt::SHIFT | Qt::Key_End) << t << 5 << 7;
        QTest::newRow("ctrl-home") << t << 6 << 6 << false << k(Qt::CTRL | Qt::Key_Home) << t << 0 << 0;
        QTest::newRow("ctrl-end") << t << 1 << 1 << false << k(Qt::CTRL | Qt::Key_End) << t << 7 << 7;
        QTest::newRow("typing-replaces-selection") << t << 1 << 5 << false << k(Qt::Key_7) << "1745" << 2 << 2;
        QTest::newRow("typing-at-row-start") << t << 4 << 4 << false << k(Qt::Key_Plus, Qt::Key_8) << "12\r\n+8345" << 6 << 6;
        QTest::newRow("ctrl-a-selects-all") << t << 3 << 3 << false << k(Qt::CTRL | Qt::Key_A) << t << 0 << 7;
        QTest::newRow("read-only-typing-ignored") << t << 1 << 5 << true << k(Qt::Key_7) << t << 1 << 5;
        QTest::newRow("read-only-moves") << t << 2 << 2 << true << k(Qt::Key_Right, Qt::Key_Down) << t << 7 << 7;
        QTest::newRow("read-only-selects") << t << 2 << 2 << true << k(Qt::SHIFT | Qt::Key_Right) << t << 2 << 4;
    }
    void keys()
    {
        QFETCH(QString, text);
        QFETCH(int, anchor);
        QFETCH(int, position);
        QFETCH(bool, readOnly);
        QFETCH(QKeySequence, keys);
        view->setSheetText(text);
        view->setReadOnly(readOnly);
        view->setSelection(anchor, position);
        QTest::keySequence(view.get(), keys);
        QTEST(view->sheetText(), "after");
        QTEST(int(view->anchor()), "anchorAfter");
        QTEST(int(view->position()), "positionAfter");
    }

    // ---- layout ----

    // A long row wraps into as many lines as its characters' rectangles stand on; the count stops
    // at the limit.
    void visualLines()
    {
        const QString row(120, u'8');
        view->setSheetText(QStringLiteral("1\r\n") + row + QStringLiteral("\r\n2"));
        QList<int> tops;
        for (qsizetype p = 3; p < 3 + row.size(); ++p) {
            const QRect r = view->characterRect(p);
            QVERIFY(!r.isEmpty());
            QVERIFY2(r.right() < view->viewport()->width(), qPrintable(QString::number(p)));
            if (!tops.contains(r.top()))
                tops.append(r.top());
        }
        QVERIFY(tops.size() > 1);
        QCOMPARE(view->visualLineCount(), tops.size() + 2);
        QCOMPARE(view->visualLineCount(2), 2);
        QCOMPARE(view->visualLineCount(1), 1);

        // End on a wrapped line goes past its last character and the caret stays on that line; a
        // second End stays, Home goes back to the line's start, and a key types at the line's end.
        qsizetype wrap = 4;
        while (view->characterRect(wrap).top() == tops[0])
            ++wrap;
        view->setSelection(5, 5);
        QTest::keyClick(view.get(), Qt::Key_End);
        QCOMPARE(view->position(), wrap);
        QCOMPARE(view->cursorRect().top(), tops[0]);
        QVERIFY(view->cursorRect().left() > view->characterRect(wrap - 1).left());
        QTest::keyClick(view.get(), Qt::Key_End);
        QCOMPARE(view->position(), wrap);
        QTest::keyClick(view.get(), Qt::Key_Home);
        QCOMPARE(view->position(), 3);
        QTest::keyClick(view.get(), Qt::Key_End);
        QTest::keyClick(view.get(), Qt::Key_Left);
        QCOMPARE(view->position(), wrap - 1);
        QCOMPARE(view->cursorRect().top(), tops[0]);
        QTest::keyClick(view.get(), Qt::Key_End);
        QTest::keyClicks(view.get(), QStringLiteral("7"));
        QCOMPARE(view->sheetText().mid(wrap - 1, 3), QStringLiteral("878"));
        view->resize(4000, 200);
        QCOMPARE(view->visualLineCount(), 3);
        // A row of more than 4,096 characters is laid out in pieces of 128, each starting a line.
        view->setSheetText(QString(5000, u'7'));
        QCOMPARE(view->characterRect(128).left(), view->characterRect(0).left());
        QVERIFY(view->characterRect(127).left() > view->characterRect(0).left());
    }

    // A few rows, 100,000 rows, and a row of 2,000,128 characters (a piece ends at its end) between
    // short ones, a row break put in front: each end is scrolled to with the caret in view; of each
    // character shown, the left part of its rectangle is its position, the right part the next one,
    // the caret's rectangle its left edge; all of the text selected shows selected.
    void positionsAndRectangles_data()
    {
        QTest::addColumn<QString>("text");
        QString rows;
        for (int i = 1; i <= 100000; ++i)
            rows += QString::number(i) + QLatin1String(i < 100000 ? "\r\n" : "");
        QTest::newRow("few-rows") << QStringLiteral("12+3\r\n\r\n") + QString(60, u'5') + QStringLiteral("\r\n=4");
        QTest::newRow("100000-rows") << rows;
        QTest::newRow("row-taller-than-view") << QStringLiteral("1\r\n") + QString(1500, u'8') + QStringLiteral("\r\n2");
        QTest::newRow("row-of-2000128-between") << QStringLiteral("1\r\n") + QString(2000128, u'7') + QStringLiteral("\r\n2");
    }
    void positionsAndRectangles()
    {
        QFETCH(QString, text);
        view->setSheetText(text);
        QTest::keyClick(view.get(), Qt::Key_Return);
        text.prepend(QLatin1String("\r\n"));
        QTest::keyClick(view.get(), Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(view->rowOf(view->position()), text.count(u'\n'));
        QVERIFY(view->viewport()->rect().contains(view->cursorRect()));
        // Below the last row and right of its end: the end of the text.
        QCOMPARE(view->positionAt(QPoint(view->viewport()->width() - 2, view->viewport()->height() - 1)), text.size());
        qsizetype p = text.size();
        for (; p >= 0 && !view->characterRect(p).isEmpty(); --p) {
            if (p > 0 && text.at(p - 1) == u'\r')
                continue;
            const QRect r = view->characterRect(p);
            QCOMPARE(view->positionAt(QPoint(r.left() + 1, r.center().y())), p);
            const QRect next = view->characterRect(p + 1);
            if (p < text.size() && text.at(p) != u'\r' && next.top() == r.top())
                QCOMPARE(view->positionAt(QPoint(r.right() - 1, r.center().y())), p + 1);
            view->setSelection(p, p);
            QCOMPARE(view->cursorRect().topLeft(), r.topLeft());
            QCOMPARE(view->cursorRect().height(), r.height());
        }
        QVERIFY(p < text.size() - 40);
        QTest::keyClick(view.get(), Qt::Key_A, Qt::ControlModifier);
        const QRect last = view->characterRect(text.size() - 1);
        QCOMPARE(view->viewport()->grab().toImage().pixelColor(last.center().x(), last.top()),
                 view->palette().color(QPalette::Highlight));
        QTest::keyClick(view.get(), Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(view->topRow(), 0);
        view->setSelection(text.size() / 2, text.size() / 2);
        QVERIFY(view->viewport()->rect().contains(view->cursorRect()));
    }

    // A click puts the caret, Shift extends, a drag selects, a double click takes the word; an
    // input method's commit replaces the characters before the caret.
    void mouseAndInputMethod()
    {
        view->setSheetText(QStringLiteral("12\r\n345+6"));
        QWidget *port = view->viewport();
        const auto at = [&](qsizetype p) {
            const QRect r = view->characterRect(p);
            return QPoint(r.left() + 1, r.center().y());
        };
        QTest::mouseClick(port, Qt::LeftButton, {}, at(5));
        QCOMPARE(caretOf(*view), Caret(5, 5));
        QTest::mouseClick(port, Qt::LeftButton, Qt::ShiftModifier, at(1));
        QCOMPARE(caretOf(*view), Caret(5, 1));
        QTest::mousePress(port, Qt::LeftButton, {}, at(0));
        QTest::mouseMove(port, at(7));
        QTest::mouseRelease(port, Qt::LeftButton, {}, at(7));
        QCOMPARE(caretOf(*view), Caret(0, 7));
        QTest::mouseDClick(port, Qt::LeftButton, {}, at(5));
        QCOMPARE(caretOf(*view), Caret(4, 7));
        QTest::mouseDClick(port, Qt::LeftButton, {}, at(8)); // a word's first character
        QCOMPARE(caretOf(*view), Caret(8, 9));
        QTest::mouseClick(port, Qt::LeftButton, {}, at(8)); // a third click: the row
        QCOMPARE(caretOf(*view), Caret(4, 9));

        // What is composed shows at the caret and is not in the text until it is committed.
        view->setSelection(9, 9);
        const auto compose = [&](const QString &preedit) {
            QInputMethodEvent composing(preedit, {});
            QApplication::sendEvent(view.get(), &composing);
            return view->viewport()->grab().toImage();
        };
        const auto inked = [&](const QImage &image) { // pixels not in the background colour
            int n = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    n += image.pixelColor(x, y) != view->palette().color(QPalette::Base);
            return n;
        };
        const QImage plain = compose(QString());
        QVERIFY(inked(compose(QStringLiteral("&*"))) > inked(plain) + 40); // two glyphs and a line
        QCOMPARE(view->sheetText(), QStringLiteral("12\r\n345+6"));
        QCOMPARE(compose(QString()), plain);

        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("9"), -1, 1);
        QApplication::sendEvent(view.get(), &commit);
        QCOMPARE(view->sheetText(), QStringLiteral("12\r\n345+9"));
        QCOMPARE(static_cast<QWidget *>(view.get())->inputMethodQuery(Qt::ImSurroundingText).toString(), QStringLiteral("345+9"));
        QCOMPARE(static_cast<QWidget *>(view.get())->inputMethodQuery(Qt::ImCursorPosition).toInt(), 5);
    }

    // ---- signals ----

    // Whoever follows textChanged (the program's cleaning) sees the new text and may move the
    // caret; the key's own work never moves it back.
    void caretMovedOnTextChange_data()
    {
        QTest::addColumn<QKeySequence>("key");
        QTest::newRow("typed") << QKeySequence(Qt::Key_7);
        QTest::newRow("enter") << QKeySequence(Qt::Key_Return);
        QTest::newRow("backspace") << QKeySequence(Qt::Key_Backspace);
    }
    void caretMovedOnTextChange()
    {
        QFETCH(QKeySequence, key);
        view->setSheetText(QStringLiteral("12\r\n34\r\n56"));
        view->setSelection(5, 5);
        QStringList seen;
        connect(view.get(), &SheetView::textChanged, view.get(), [&] {
            seen.append(view->sheetText());
            view->setSelection(1, 1);
        });
        QTest::keySequence(view.get(), key);
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen.first(), view->sheetText());
        QCOMPARE(caretOf(*view), Caret(1, 1));
    }

    void moveSignals_data()
    {
        QTest::addColumn<int>("anchor");
        QTest::addColumn<int>("position");
        QTest::addColumn<QKeySequence>("key");
        QTest::addColumn<int>("cursorMoves");
        QTest::addColumn<int>("selectionChanges");
        QTest::newRow("right") << 2 << 2 << QKeySequence(Qt::Key_Right) << 1 << 0;
        QTest::newRow("right-at-end") << 7 << 7 << QKeySequence(Qt::Key_Right) << 0 << 0;
        QTest::newRow("shift-right") << 2 << 2 << QKeySequence(Qt::SHIFT | Qt::Key_Right) << 1 << 1;
        QTest::newRow("left-collapses") << 1 << 5 << QKeySequence(Qt::Key_Left) << 1 << 1;
        QTest::newRow("right-collapses-at-caret") << 1 << 5 << QKeySequence(Qt::Key_Right) << 0 << 1;
        QTest::newRow("typing-over-selection") << 1 << 5 << QKeySequence(Qt::Key_9) << 1 << 1;
        QTest::newRow("select-all") << 0 << 0 << QKeySequence(Qt::CTRL | Qt::Key_A) << 1 << 1;
    }
    void moveSignals()
    {
        QFETCH(int, anchor);
        QFETCH(int, position);
        QFETCH(QKeySequence, key);
        view->setSheetText(QStringLiteral("12\r\n345"));
        view->setSelection(anchor, position);
        QSignalSpy moves(view.get(), &SheetView::cursorPositionChanged);
        QSignalSpy selections(view.get(), &SheetView::selectionChanged);
        QTest::keySequence(view.get(), key);
        QTEST(int(moves.size()), "cursorMoves");
        QTEST(int(selections.size()), "selectionChanges");
    }

    // ---- accessibility ----

    // "12\r\n345\r\n6" reads as "12\n345\n6": offsets 0..8, the breaks at 2 and 6.
    void accessibleText()
    {
        view->setSheetText(QStringLiteral("12\r\n345\r\n6"));
        QAccessibleInterface *face = QAccessible::queryAccessibleInterface(view.get());
        QVERIFY(face);
        QCOMPARE(face->role(), QAccessible::EditableText);
        QVERIFY(face->state().multiLine && face->state().editable && !face->state().readOnly);
        QAccessibleTextInterface *text = face->textInterface();
        QVERIFY(text);
        QCOMPARE(text->characterCount(), 8);
        QCOMPARE(text->text(0, 8), QStringLiteral("12\n345\n6"));
        QCOMPARE(text->text(2, 4), QStringLiteral("\n3"));
        QCOMPARE(face->text(QAccessible::Value), QStringLiteral("12\n345\n6"));
        // The text at an offset, with its bounds.
        const auto at = [&](int offset, QAccessible::TextBoundaryType boundary) {
            int start = -1;
            int end = -1;
            const QString found = text->textAtOffset(offset, boundary, &start, &end);
            return QStringLiteral("%1 %2-%3").arg(found).arg(start).arg(end);
        };
        QCOMPARE(at(4, QAccessible::LineBoundary), QStringLiteral("345\n 3-7"));
        QCOMPARE(at(0, QAccessible::LineBoundary), QStringLiteral("12\n 0-3"));
        QCOMPARE(at(7, QAccessible::LineBoundary), QStringLiteral("6 7-8"));
        QCOMPARE(at(6, QAccessible::CharBoundary), QStringLiteral("\n 6-7"));
        QCOMPARE(at(5, QAccessible::WordBoundary), QStringLiteral("345 3-6"));

        view->setSelection(9, 9);
        QCOMPARE(text->cursorPosition(), 7);
        text->setCursorPosition(5);
        QCOMPARE(view->position(), 6);
        text->setCursorPosition(8);
        QCOMPARE(view->position(), 10);
        text->setSelection(0, 1, 4);
        QCOMPARE(caretOf(*view), Caret(1, 5));
        int start = 0;
        int end = 0;
        text->selection(0, &start, &end);
        QCOMPARE(std::pair(start, end), std::pair(1, 4));

        QAccessibleEditableTextInterface *editable = face->editableTextInterface();
        QVERIFY(editable);
        editable->insertText(3, QStringLiteral("9"));
        QCOMPARE(view->sheetText(), QStringLiteral("12\r\n9345\r\n6"));
        editable->deleteText(2, 3);
        QCOMPARE(view->sheetText(), QStringLiteral("129345\r\n6"));
        editable->replaceText(6, 7, QStringLiteral("\n0\n"));
        QCOMPARE(view->sheetText(), QStringLiteral("129345\r\n0\r\n6"));

        view->setReadOnly(true);
        QVERIFY(face->state().readOnly && !face->state().editable);
        QVERIFY(!face->editableTextInterface());
    }

    // ---- clipboard ----

    void clipboard()
    {
        QClipboard *clipboard = QGuiApplication::clipboard();
        view->setSheetText(QStringLiteral("12\r\n34\r\n5"));
        view->setSelection(1, 8);
        QTest::keyClick(view.get(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(clipboard->text(), QStringLiteral("2\n34\n"));

        clipboard->setText(QStringLiteral("1\n2"));
        view->setSelection(4, 6);
        QTest::keyClick(view.get(), Qt::Key_V, Qt::ControlModifier);
        checkRows(*view, QStringLiteral("12\r\n1\r\n2\r\n5"));
        QCOMPARE(view->position(), 8);

        view->setSelection(0, 4);
        std::unique_ptr<QMenu> menu(view->createStandardContextMenu());
        auto *cut = menu->findChild<QAction *>(QStringLiteral("edit-cut"));
        QVERIFY(cut && cut->isEnabled());
        QVERIFY(!menu->findChild<QAction *>(QStringLiteral("edit-undo"))->isEnabled());
        cut->trigger();
        QCOMPARE(clipboard->text(), QStringLiteral("12\n"));
        checkRows(*view, QStringLiteral("1\r\n2\r\n5"));

        view->setReadOnly(true);
        QTest::keyClick(view.get(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(view->sheetText(), QStringLiteral("1\r\n2\r\n5"));
        menu.reset(view->createStandardContextMenu());
        QVERIFY(!menu->findChild<QAction *>(QStringLiteral("edit-paste"))->isEnabled());
    }

    // ---- notes ----

    // The note column comes with the first note and narrows the rows; a note is written in its
    // editor, which keeps what types and leaves on Return, Escape, a row key or a command, the
    // caret then at the end of the row. Whole rows copied take their notes; a screen reader reads
    // a row's note after its figures; notes read at 4.5:1 on the sheet.
    void notes()
    {
        view->setSheetText(QStringLiteral("12+\r\n34"));
        QVERIFY(!view->notesShown());
        QSignalSpy shown(view.get(), &SheetView::notesShownChanged);
        view->editNote(0, QStringLiteral("R"));
        QVERIFY(view->notesShown() && view->noteEditor()->hasFocus());
        QLineEdit *editor = view->noteEditor();
        QVERIFY(editor->geometry().left() >= view->viewport()->width() / 2);
        QTest::keyClicks(editor, QStringLiteral("ent: #12, 3 4"));
        QTest::keyClick(editor, Qt::Key_Colon, Qt::ShiftModifier);
        QTest::keyClick(editor, Qt::Key_Shift, Qt::ShiftModifier); // a modifier alone stays
        QVERIFY(view->isEditingNote());
        QTest::keyClick(editor, Qt::Key_Return);
        QCOMPARE(view->document()->note(0), QStringLiteral("Rent: #12, 3 4:"));
        QVERIFY(!view->isEditingNote() && view->hasFocus());
        QCOMPARE(view->position(), 3);
        QCOMPARE(shown.size(), 1);
        QCOMPARE(view->sheetText(), QStringLiteral("12+\r\n34"));

        view->editNote(1);
        QTest::keyClicks(view->noteEditor(), QStringLiteral("Gas"));
        QTest::keyClick(view->noteEditor(), Qt::Key_Up); // leaves, and the sheet moves up a row
        QCOMPARE(view->document()->note(1), QStringLiteral("Gas"));
        QCOMPARE(view->rowOf(view->position()), 0);
        view->editNote(1);
        QTest::keyClick(view->noteEditor(), Qt::Key_Escape);
        QCOMPARE(view->document()->note(1), QStringLiteral("Gas"));

        // A click in the column writes the note beside it.
        const QRect second = view->noteRect(1);
        QVERIFY(!second.isEmpty() && second.top() > view->noteRect(0).top());
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, second.center());
        QVERIFY(view->isEditingNote() && view->noteEditRow() == 1);
        view->noteEditor()->clear();
        view->finishNoteEdit();
        QCOMPARE(view->document()->notes(), (RowNotes{{0, QStringLiteral("Rent: #12, 3 4:")}}));

        view->document()->setNote(1, QStringLiteral("Gas"));
        view->setSelection(0, 9);
        QCOMPARE(view->clipboardText(), QStringLiteral("12+\tRent: #12, 3 4:\n34\tGas"));
        view->setSelection(1, 9);
        QCOMPARE(view->clipboardText(), QStringLiteral("2+\n34\tGas"));
        view->setSelection(0, 2);
        QCOMPARE(view->clipboardText(), QStringLiteral("12"));
        view->setSelection(9, 9);
        view->insertText(QStringLiteral("-\r\n5"), {{0, QStringLiteral("paid")}, {1, QStringLiteral("Tip")}});
        QCOMPARE(view->document()->notes(),
                 (RowNotes{{0, QStringLiteral("Rent: #12, 3 4:")}, {1, QStringLiteral("Gas paid")}, {2, QStringLiteral("Tip")}}));

        QAccessibleInterface *face = QAccessible::queryAccessibleInterface(view.get());
        int start = 0;
        int end = 0;
        QCOMPARE(face->textInterface()->textAtOffset(0, QAccessible::LineBoundary, &start, &end),
                 QStringLiteral("12+, note: Rent: #12, 3 4:\n"));
        QCOMPARE(std::pair(start, end), std::pair(0, 4));

        for (const auto &[text, base] : {std::pair(Qt::black, Qt::white), std::pair(Qt::white, Qt::black),
                                         std::pair(Qt::darkGray, Qt::lightGray)}) {
            QPalette pal = view->palette();
            pal.setColor(QPalette::Text, text);
            pal.setColor(QPalette::PlaceholderText, text);
            pal.setColor(QPalette::Base, base);
            view->setPalette(pal);
            QVERIFY(contrastRatio(view->noteColor(), QColor(base)) >= 4.5);
            // A secondary colour where the pair leaves room for one.
            if (contrastRatio(QColor(text), QColor(base)) > 10)
                QVERIFY(contrastRatio(view->noteColor(), QColor(base)) < contrastRatio(QColor(text), QColor(base)));
        }
    }
};

QTEST_MAIN(TestSheetView)
#include "tst_sheetview.moc"
