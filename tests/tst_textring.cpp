// The ring of field states behind the undo and the expression history. Seen from outside it is a
// plain list of whole entries with a position; inside it keeps only the present text whole and
// the entries as differences. Random use is checked step by step against that plain list, for a
// ring that follows the caller's text (the undo) and one that keeps its own (the history).

#include "textring.h"

#include "sheetrows.h"

#include <QRandomGenerator>
#include <QTest>

class TestTextRing : public QObject
{
    Q_OBJECT

private slots:
    // Texts are made by small edits of the last one, so neighbours share starts and ends that may
    // overlap ("11" against "111"); the long ones take the block-wise comparison (1024 characters).
    void matchesPlainList_data()
    {
        QTest::addColumn<int>("capacity");
        QTest::addColumn<int>("length"); // of the first text
        QTest::addColumn<int>("steps");
        QTest::addColumn<bool>("follows");
        QTest::newRow("short-texts") << 5 << 3 << 20000 << true;
        QTest::newRow("ring-of-two") << 2 << 3 << 5000 << true;
        QTest::newRow("ring-of-one") << 1 << 3 << 3000 << true;
        QTest::newRow("long-texts") << 4 << 8000 << 1500 << true;
        QTest::newRow("own-text") << 4 << 3 << 8000 << false;
    }
    void matchesPlainList()
    {
        QFETCH(int, capacity);
        QFETCH(int, length);
        QFETCH(int, steps);
        QFETCH(bool, follows);
        QRandomGenerator random(7);
        static const QString pieces[] = {"1", "11", "+\r\n", "", "a1"};
        TextRing ring(capacity);
        QList<TextEntry> list; // oldest first
        qsizetype at = 0;      // list.size(): the end
        // The caller's text, which the ring follows: edited in place and told edit by edit.
        QString present = QStringLiteral("1").repeated(length);
        if (follows)
            ring.followText(&present);
        // After a step the caller writes the entry stepped to into its text, as the window does.
        const auto takeEntry = [&] {
            if (!follows || ring.atEnd())
                return;
            const TextRing::Edit edit = ring.currentEdit();
            const QString removed = present.mid(edit.from, edit.to - edit.from);
            present.replace(edit.from, removed.size(), edit.text);
            ring.textEdited(SheetRows::Change{edit.from, removed.size(), edit.text.size()}, removed);
            QVERIFY(!ring.currentTextDiffers());
            ring.settleEdit();
        };
        const auto append = [&](const TextEntry &entry) {
            list.resize(at);
            list.append(entry);
            if (list.size() > capacity)
                list.removeFirst();
            at = list.size();
        };
        for (int step = 0; step < steps; ++step) {
            int op = random.bounded(10);
            if (!follows && (op < 3 || op == 4))
                op = 3; // a ring of its own text is given whole entries only
            const qint32 sel = qint32(random.bounded(int(present.size()) + 1));
            if (op < 3) {
                const qsizetype pos = random.bounded(int(present.size()) + 1);
                const qsizetype cut = std::min<qsizetype>(present.size() - pos, random.bounded(3));
                const QString &piece = pieces[random.bounded(5)];
                const QString removed = present.mid(pos, cut);
                const QString textBefore = present;
                present.replace(pos, cut, piece);
                if (op == 2) {
                    // A key's first edit: the text before it becomes an entry.
                    const TextEntry state{textBefore, step, sel, quint8(step % 10), QString::number(step % 2), quint64(step)};
                    ring.recordEdit(SheetRows::Change{pos, cut, piece.size()}, removed, state);
                    append(state);
                } else if (present.size() > length + 200) {
                    ring.textEdited(SheetRows::Change{pos, cut, piece.size()}, removed);
                    const QString end = present.right(100);
                    present.chop(100);
                    ring.textEdited(SheetRows::Change{present.size(), 100, 0}, end);
                } else {
                    ring.textEdited(SheetRows::Change{pos, cut, piece.size()}, removed);
                }
            } else if (op == 3) {
                // A whole entry: now and then the very text followed, as a window records its sheet,
                // or one as long as it.
                QString text = step % 3 == 0 ? present + u'7' : present;
                if (step % 3 == 1 && !text.isEmpty())
                    text[0] = text[0] == u'1' ? u'2' : u'1';
                const TextEntry entry{text, step, sel, quint8(step % 10)};
                ring.record(entry);
                append(entry);
            } else if (op == 4) {
                // An entry given as its difference from the text followed.
                const qsizetype prefix = random.bounded(int(present.size()) + 1);
                const qsizetype suffix = random.bounded(int(present.size() - prefix) + 1);
                const QString middle = pieces[random.bounded(5)];
                // The link to a file travels with the entry.
                TextEntry state{QString(), step, sel, quint8(step % 10), QString::number(step % 3), quint64(step)};
                ring.recordFromText(prefix, middle, suffix, state);
                state.text = present.left(prefix) + middle + present.right(suffix);
                append(state);
                if (step % 3 == 0) {
                    // The text as it is, taken back at once: even from a full ring nothing is lost.
                    ring.recordFromText(present.size(), QString(), 0, TextEntry{QString(), step, 0, 0});
                    if (step % 2) {
                        // Or after an edit of the text, as a kept tape is put back.
                        const QString removed = present.left(1);
                        present.replace(0, removed.size(), QStringLiteral("9+"));
                        ring.textEdited(SheetRows::Change{0, removed.size(), 2}, removed);
                    }
                    ring.dropNewest();
                }
            } else if (op < 7) {
                QCOMPARE(ring.back(), at > 0);
                at = std::max<qsizetype>(at - 1, 0);
                takeEntry();
            } else if (op < 9) {
                const bool moves = at + 1 < list.size(); // not from the newest, nor from the end
                QCOMPARE(ring.forward(), moves);
                at += moves;
                takeEntry();
            } else if (step % 2 || list.isEmpty()) {
                ring.toEnd();
                at = list.size();
            } else {
                ring.toNewest();
                at = list.size() - 1;
                takeEntry();
            }
            QCOMPARE(ring.atEnd(), at == list.size());
            if (at < list.size())
                QCOMPARE(ring.current(), list[at]);
            QCOMPARE(ring.newest(), list.isEmpty() ? TextEntry() : list.last());
            if (step % 7 == 0)
                QCOMPARE(ring.entries(), list);
        }
    }
};

QTEST_APPLESS_MAIN(TestTextRing)
#include "tst_textring.moc"
