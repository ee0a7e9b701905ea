// The ring of field states behind the undo and the expression history, driven by scripts of
// records and steps.

#include "textring.h"

#include <QTest>

class TestTextRing : public QObject
{
    Q_OBJECT

private slots:
    void steps_data();
    void steps();
};

void TestTextRing::steps_data()
{
    // Script words: "r<text>" records an entry with that text, "b" steps back, "f" forward, "e" goes
    // to the end, "n" to the newest entry. The trace has one word per b and f: the current text
    // after a move, "-" when the step did not move.
    QTest::addColumn<int>("capacity");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("trace");
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("newest");

    QTest::newRow("empty-ring-does-not-step") << 5 << "b f" << "- -" << 0 << "";
    QTest::newRow("back-stops-at-oldest") << 5 << "r1 r2 r3 b b b b" << "3 2 1 -" << 3 << "3";
    QTest::newRow("forward-stops-at-newest") << 5 << "r1 r2 r3 b b b f f f" << "3 2 1 2 3 -" << 3 << "3";
    QTest::newRow("forward-at-end-does-nothing") << 5 << "r1 f" << "-" << 1 << "1";
    QTest::newRow("full-ring-drops-oldest") << 3 << "r1 r2 r3 r4 b b b b" << "4 3 2 -" << 3 << "4";
    QTest::newRow("newest-across-the-wrap") << 2 << "r1 r2 r3 b b b f f" << "3 2 - 3 -" << 2 << "3";
    QTest::newRow("record-after-back-cuts-forward") << 5 << "r1 r2 r3 b b r9 f b b b" << "3 2 - 9 1 -" << 2 << "9";
    QTest::newRow("end-then-back-reaches-newest") << 5 << "r1 r2 b b e b" << "2 1 2" << 2 << "2";
    QTest::newRow("newest-then-steps") << 5 << "r1 r2 r3 n f b" << "- 2" << 3 << "3";
}

void TestTextRing::steps()
{
    QFETCH(int, capacity);
    QFETCH(QString, script);
    TextRing ring(capacity);
    QStringList trace;
    const QStringList words = script.split(u' ');
    for (const QString &word : words) {
        if (word.startsWith(u'r')) {
            ring.record({word.mid(1), 0, 0, 0});
        } else if (word == u"e") {
            ring.toEnd();
        } else if (word == u"n") {
            ring.toNewest();
        } else {
            const bool moved = word == u"b" ? ring.back() : ring.forward();
            trace << (moved ? ring.current().text : QStringLiteral("-"));
        }
    }
    QTEST(trace.join(u' '), "trace");
    QTEST(ring.size(), "size");
    QTEST(ring.newest().text, "newest");
}

QTEST_APPLESS_MAIN(TestTextRing)
#include "tst_textring.moc"
