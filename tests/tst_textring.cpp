// The ring of field states behind the undo and the expression history. Seen from outside it is a
// plain list of whole entries with a position; inside it keeps one whole text and the others as
// differences. Random use is checked step by step against that plain list.

#include "textring.h"

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
        QTest::newRow("short-texts") << 5 << 3 << 20000;
        QTest::newRow("ring-of-two") << 2 << 3 << 5000;
        QTest::newRow("long-texts") << 4 << 8000 << 1500;
    }
    void matchesPlainList()
    {
        QFETCH(int, capacity);
        QFETCH(int, length);
        QFETCH(int, steps);
        QRandomGenerator random(7);
        static const QString pieces[] = {"1", "11", "+\r\n", "", "a1"};
        TextRing ring(capacity);
        QList<TextEntry> list; // oldest first
        qsizetype at = 0;      // list.size(): the end
        QString text = QStringLiteral("1").repeated(length);
        QString shared;        // what the caller holds after the newest entry
        QString base;          // what the ring's end differs from: the newest entry or the last shared text
        for (int step = 0; step < steps; ++step) {
            const int op = random.bounded(10);
            if (op < 4) {
                const qsizetype pos = random.bounded(int(text.size()) + 1);
                const qsizetype cut = std::min<qsizetype>(text.size() - pos, random.bounded(3));
                text.replace(pos, cut, pieces[random.bounded(5)]);
                if (text.size() > length + 200)
                    text.chop(100);
                // Now and then the very text shared is recorded, as the window records its sheet.
                const TextEntry entry{op == 0 && at == list.size() ? shared : text, step, qint32(pos), quint8(step % 10)};
                ring.record(entry);
                base = entry.text;
                list.resize(at);
                list.append(entry);
                if (list.size() > capacity)
                    list.removeFirst();
                at = list.size();
            } else if (op == 4) {
                shared = text + QString::number(step % 3);
                // The caller knows no more than part of what the two share.
                const CommonEnds ends = CommonTextEnds(QStringView(base), QStringView(shared));
                const CommonEnds known{random.bounded(ends.head + 1), random.bounded(ends.tail + 1)};
                if (ring.atEnd() && !list.isEmpty())
                    base = shared;
                ring.shareText(shared, known); // no entry: nothing seen from outside changes
            } else if (op < 7) {
                QCOMPARE(ring.back(), at > 0);
                at = std::max<qsizetype>(at - 1, 0);
            } else if (op < 9) {
                const bool moves = at + 1 < list.size(); // not from the newest, nor from the end
                QCOMPARE(ring.forward(), moves);
                at += moves;
            } else if (step % 2 || list.isEmpty()) {
                ring.toEnd();
                at = list.size();
                base = list.isEmpty() ? QString() : list.last().text;
            } else {
                ring.toNewest();
                at = list.size() - 1;
                base = list.last().text;
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
