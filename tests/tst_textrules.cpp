// The calculation field's text rules: the leading zero, the Ctrl runs, the number under a double
// click, the panel values re-written for changed separators, and the ring of field states behind
// the undo and the expression history.

#include "textring.h"
#include "textrules.h"

#include <QRandomGenerator>
#include <QTest>

#include <iterator>

class TestTextRules : public QObject
{
    Q_OBJECT

private slots:
    void leadingZeros_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("caret");
        QTest::addColumn<QString>("point");
        QTest::addColumn<QString>("result");
        QTest::addColumn<int>("caretAfter");

        QTest::newRow("start-of-text") << ".5" << 2 << "." << "0.5" << 3;
        QTest::newRow("caret-after-point-moves") << "1+.5" << 3 << "." << "1+0.5" << 4;
        QTest::newRow("continuation-row") << "2+\r\n.5" << 6 << "." << "2+\r\n0.5" << 7;
        QTest::newRow("every-starter") << ".1-.2*.3/.4*(.5" << 15 << "." << "0.1-0.2*0.3/0.4*(0.5" << 20;
        QTest::newRow("caret-between-two-completions") << "-.5-.5" << 4 << "." << "-0.5-0.5" << 5;
        QTest::newRow("point-after-digit-left-alone") << "2.5" << 3 << "." << "2.5" << 3;
        QTest::newRow("power-is-no-starter") << "2^.5" << 4 << "." << "2^.5" << 4;
        QTest::newRow("comma-point") << ",5" << 2 << "," << "0,5" << 3;
        QTest::newRow("no-separator-no-change") << ".5" << 2 << "" << ".5" << 2;
    }
    void leadingZeros()
    {
        QFETCH(QString, text);
        QFETCH(int, caret);
        QFETCH(QString, point);
        qsizetype c = caret;
        QTEST(CompleteLeadingZeros(text, c, point), "result");
        QTEST(int(c), "caretAfter");
    }

    // Completing only where a completed text was edited gives what completing it whole gives, the
    // caret included, over random edits (the two ends of the edited span and a separator on
    // either side of it are where a narrowed scan goes wrong).
    void leadingZerosAfterAnEdit()
    {
        QRandomGenerator random(31);
        static const QString pieces[] = {".", ".5", "+", "+.", "\r\n", "\r\n.", "(", "7", "", "-.25*"};
        qsizetype ignored = 0;
        QString completed = CompleteLeadingZeros(QStringLiteral("1+.5\r\n2*3"), ignored, QStringLiteral("."));
        for (int i = 0; i < 3000; ++i) {
            const qsizetype at = random.bounded(int(completed.size()) + 1);
            const qsizetype cut = std::min<qsizetype>(completed.size() - at, random.bounded(3));
            const QString piece = pieces[random.bounded(int(std::size(pieces)))];
            const QString edited = completed.left(at) + piece + completed.mid(at + cut);
            const qsizetype caret = random.bounded(int(edited.size()) + 1);
            qsizetype wholeCaret = caret;
            qsizetype narrowCaret = caret;
            const QString whole = CompleteLeadingZeros(edited, wholeCaret, QStringLiteral("."));
            const QString narrow =
                CompleteLeadingZeros(edited, narrowCaret, QStringLiteral("."), at, at + piece.size());
            QCOMPARE(narrow, whole);
            QCOMPARE(narrowCaret, wholeCaret);
            completed = whole.size() > 400 ? whole.mid(whole.size() / 2) : whole;
            completed = CompleteLeadingZeros(completed, ignored, QStringLiteral("."));
        }
    }

    // The Ctrl+arrow target; rows without a selection also give the text after Ctrl+Delete
    // (forward) or Ctrl+Backspace, which removes what lies between the caret and that target.
    void runs_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("selStart");
        QTest::addColumn<int>("selLength");
        QTest::addColumn<bool>("forward");
        QTest::addColumn<int>("target");
        QTest::addColumn<QString>("afterDeletion");

        const QString n = QStringLiteral("12.5+30");
        QTest::newRow("right-to-end-of-number") << n << 2 << 0 << true << 4 << "12+30";
        QTest::newRow("right-over-operator") << n << 4 << 0 << true << 5 << "12.530";
        QTest::newRow("left-to-start-of-number") << n << 4 << 0 << false << 0 << "+30";
        QTest::newRow("left-over-operator") << n << 5 << 0 << false << 4 << "12.530";
        QTest::newRow("comma-inside-number") << "1,234+5" << 0 << 0 << true << 5 << "+5";
        QTest::newRow("line-break-with-operator") << "1+\r\n2" << 1 << 0 << true << 4 << "12";
        QTest::newRow("right-from-selection-end") << "1+23+4" << 0 << 2 << true << 4 << "";
        QTest::newRow("left-from-selection-start") << "1+23+4" << 3 << 2 << false << 2 << "";
    }
    void runs()
    {
        QFETCH(QString, text);
        QFETCH(int, selStart);
        QFETCH(int, selLength);
        QFETCH(bool, forward);
        QTEST(int(RunJumpTarget(text, selStart, selLength, forward)), "target");
        if (selLength == 0) {
            const TextSpan run = RunToDelete(text, selStart, forward);
            QTEST(text.remove(run.start, run.length), "afterDeletion");
        }
    }

    void numberAtClick_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("click");
        QTest::addColumn<QString>("point");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");

        const QString n = QStringLiteral("12+1234.56*3");
        QTest::newRow("on-the-point") << n << 7 << "." << 3 << 7;
        QTest::newRow("at-number-start") << n << 3 << "." << 3 << 7;
        QTest::newRow("last-number") << n << 12 << "." << 11 << 1;
        QTest::newRow("between-operators-nothing") << "1+*2" << 2 << "." << 2 << 0;
        QTest::newRow("comma-as-point") << "1,5" << 0 << "," << 0 << 3;
        QTest::newRow("click-beyond-text") << "12" << 9 << "." << 0 << 2;
    }
    void numberAtClick()
    {
        QFETCH(QString, text);
        QFETCH(int, click);
        QFETCH(QString, point);
        const TextSpan span = NumberAtClick(text, click, point);
        QTEST(int(span.start), "start");
        QTEST(int(span.length), "length");
    }

    void convertSeparators_data()
    {
        QTest::addColumn<bool>("grouping");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("oldSeparator");
        QTest::addColumn<QString>("newSeparator");
        QTest::addColumn<QString>("result");

        QTest::newRow("grouping-every-separator") << true << "1,234,567.89" << "," << "." << "1.234.567.89";
        QTest::newRow("grouping-sign-space-kept") << true << "- 1 234,5" << " " << "." << "- 1.234,5";
        QTest::newRow("grouping-removed") << true << "12,345" << "," << "" << "12345";
        QTest::newRow("decimal-last-occurrence-only") << false << "1,234,567,89" << "," << "." << "1,234,567.89";
        QTest::newRow("decimal-negative") << false << "- 12.5" << "." << "," << "- 12,5";
        QTest::newRow("decimal-absent") << false << "125" << "." << "," << "125";
    }
    void convertSeparators()
    {
        QFETCH(bool, grouping);
        QFETCH(QString, text);
        QFETCH(QString, oldSeparator);
        QFETCH(QString, newSeparator);
        QTEST(grouping ? ConvertGrouping(text, oldSeparator, newSeparator)
                       : ConvertDecimal(text, oldSeparator, newSeparator),
              "result");
    }

    // The ring keeps one whole text and the differences of the others. Script words: "r:<text>"
    // records entry number k (k counting records from 1) with that text, selection start k,
    // length the text's, rounding digit k; "|" stands for a line break. "s:<text>" shares a text
    // as the sheet's, "rs" records the shared text itself; "b" steps back, "f" forward, "e" goes
    // to the end, "n" to the newest entry. The trace gives the number of the current entry after
    // each b and f ("-" for no move, "?" for an entry never recorded); "kept" the numbers entries()
    // gives, "newest" the number newest() gives.
    void differences_data()
    {
        QTest::addColumn<int>("capacity");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("trace");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<QString>("newest");

        QTest::newRow("empty-ring-does-not-step") << 5 << "b f" << "- -" << "" << "?";
        QTest::newRow("edits-at-start") << 5 << "r:12+|34 r:912+|34 r:8912+|34 b b b b f f f"
                                        << "3 2 1 - 2 3 -" << "1 2 3" << "3";
        QTest::newRow("edits-in-middle") << 5 << "r:12+|34+|56 r:12+|374+|56 r:12+|3+|56 b b b f f"
                                         << "3 2 1 2 3" << "1 2 3" << "3";
        QTest::newRow("edits-at-end") << 5 << "r:1+|2 r:1+|2+ r:1+|2+|3 b b b f" << "3 2 1 2" << "1 2 3" << "3";
        QTest::newRow("whole-replacement") << 5 << "r:abc r:xyz r:q b b b f f" << "3 2 1 2 3" << "1 2 3" << "3";
        QTest::newRow("empty-texts") << 5 << "r: r:5 r: r: b b b b f f f" << "4 3 2 1 2 3 4" << "1 2 3 4" << "4";
        QTest::newRow("start-and-end-overlap") << 5 << "r:11 r:111 r:1 r:1a1 b b b b f f f"
                                               << "4 3 2 1 2 3 4" << "1 2 3 4" << "4";
        QTest::newRow("back-then-record-cuts-forward")
            << 5 << "r:1+|2+|3 r:1+|2+|3+|4 r:1+|9+|3+|4 r:1+|9+|3 b b b r:1+|2+|5 b b f f"
            << "4 3 2 5 1 5 -" << "1 5" << "5";
        QTest::newRow("full-ring-wraps") << 3 << "r:a1 r:a12 r:a123 r:a1234 r:a12345 b b b b f f"
                                         << "5 4 3 - 4 5" << "3 4 5" << "5";
        QTest::newRow("newest-from-oldest") << 5 << "r:q1 r:q12 r:q123 b b b" << "3 2 1" << "1 2 3" << "3";
        QTest::newRow("end-from-oldest") << 5 << "r:m1 r:m12 r:m123 b b b e b b" << "3 2 1 3 2" << "1 2 3" << "3";
        QTest::newRow("shared-text-recorded") << 5 << "r:7+|8 s:7+|8+|9 rs s:7+|8+|9+|1 b b b"
                                              << "2 1 -" << "1 2" << "2";
        QTest::newRow("record-other-than-shared") << 5 << "r:12 s:13 r:45 b b b" << "2 1 -" << "1 2" << "2";
        QTest::newRow("shared-kept-and-newest") << 5 << "r:x1 r:x12 s:x123 s:x0123" << "" << "1 2" << "2";
        QTest::newRow("shared-then-newest-current") << 5 << "r:ab r:abc s:abcd n f b f" << "- 1 2" << "1 2" << "2";
        QTest::newRow("shared-ignored-stepped-back") << 5 << "r:a1b r:a2b b b s:a9b f f" << "2 1 2 -" << "1 2" << "2";
        QTest::newRow("shared-with-full-ring") << 2 << "r:c1 s:c12 rs s:c123 rs s:c1234 b b b" << "3 2 -" << "2 3" << "3";
    }
    void differences()
    {
        QFETCH(int, capacity);
        QFETCH(QString, script);
        TextRing ring(capacity);
        QList<TextEntry> recorded;
        QString shared;
        const auto record = [&](const QString &text) {
            const int k = int(recorded.size()) + 1;
            recorded.append({text, k, qint32(text.size()), quint8(k % 10)});
            ring.record(recorded.last());
        };
        const auto number = [&](const TextEntry &entry) {
            const qsizetype i = recorded.indexOf(entry);
            return i < 0 ? QStringLiteral("?") : QString::number(i + 1);
        };
        QStringList trace;
        const QStringList words = script.split(u' ');
        for (const QString &word : words) {
            const QString text = word.mid(2).replace(u'|', QStringLiteral("\r\n"));
            if (word.startsWith(u"r:")) {
                record(text);
            } else if (word == u"rs") {
                record(shared);
            } else if (word.startsWith(u"s:")) {
                shared = text;
                ring.shareText(shared);
            } else if (word == u"e") {
                ring.toEnd();
            } else if (word == u"n") {
                ring.toNewest();
            } else {
                const bool moved = word == u"b" ? ring.back() : ring.forward();
                trace << (moved ? number(ring.current()) : QStringLiteral("-"));
            }
        }
        QTEST(trace.join(u' '), "trace");
        QStringList kept;
        for (const TextEntry &entry : ring.entries())
            kept << number(entry);
        QTEST(kept.join(u' '), "kept");
        QTEST(number(ring.newest()), "newest");
    }

    // Long texts take the block-wise comparison: an edit at a block's edge, inside one, at the
    // very start and end. The tape has 1,000 rows of 8 characters ("r0001+\r\n").
    void longTexts_data()
    {
        QTest::addColumn<int>("position"); // negative: counted from the end
        QTest::addColumn<int>("removed");
        QTest::addColumn<QString>("inserted");

        QTest::newRow("first-character") << 0 << 1 << "7";
        QTest::newRow("inside-first-block") << 1500 << 0 << "+5";
        QTest::newRow("on-block-edge") << 2048 << 2 << "";
        QTest::newRow("middle") << 4000 << 16 << "x";
        QTest::newRow("inside-last-block") << -1500 << 3 << "9";
        QTest::newRow("last-character") << -1 << 1 << "";
        QTest::newRow("appended") << 8000 << 0 << "1+\r\n2";
        QTest::newRow("all-but-ends") << 1 << 7998 << "";
    }
    void longTexts()
    {
        QFETCH(int, position);
        QFETCH(int, removed);
        QFETCH(QString, inserted);
        QString tape;
        for (int row = 1; row <= 1000; ++row)
            tape += QStringLiteral("r%1+\r\n").arg(row, 4, 10, QLatin1Char('0'));
        QCOMPARE(tape.size(), 8000);
        const qsizetype at = position < 0 ? tape.size() + position : position;
        const QString edited = QString(tape).replace(at, removed, inserted);
        const QString again = QString(edited).insert(at, u'#');
        const QList<TextEntry> states{{tape, 1, 2, 3}, {edited, 4, 5, 6}, {again, 7, 8, 9}};

        TextRing ring(5);
        ring.record(states[0]);
        ring.record(states[1]);
        ring.shareText(again);
        QVERIFY(ring.back());
        QCOMPARE(ring.current(), states[1]);
        QVERIFY(ring.back());
        QCOMPARE(ring.current(), states[0]);
        QVERIFY(ring.forward());
        QCOMPARE(ring.current(), states[1]);
        ring.record(states[2]);
        QCOMPARE(ring.entries(), (QList<TextEntry>{states[0], states[2]}));
    }
};

QTEST_APPLESS_MAIN(TestTextRules)
#include "tst_textrules.moc"
