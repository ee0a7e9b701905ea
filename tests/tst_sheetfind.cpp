// Finding typed text in a sheet's rows and their notes.

#include "sheetdocument.h"
#include "sheetfind.h"

#include <QTest>

class TestSheetFind : public QObject
{
    Q_OBJECT

private slots:
    // Rows are written with "|" for their CR LF; the hit expected as start (-1: none), row and
    // whether the search wrapped round an end.
    void find_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("from");
        QTest::addColumn<bool>("back");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("wrapped");

        QTest::newRow("digits-inside-number") << "100+|1250.00" << "250" << 0 << false << 7 << 1 << false;
        QTest::newRow("operator-at-row-end") << "1+|12+|5" << "12+" << 0 << false << 4 << 1 << false;
        QTest::newRow("no-match-across-break") << "12+|3" << "+3" << 0 << false << -1 << -1 << false;
        QTest::newRow("lf-matches-break") << "12+|3" << "+\n3" << 0 << false << 2 << 0 << false;
        QTest::newRow("crlf-matches-break") << "12+|3" << "+\r\n3" << 0 << false << 2 << 0 << false;
        QTest::newRow("at-from") << "5+5+5" << "5" << 2 << false << 2 << 0 << false;
        QTest::newRow("overlapping") << "111" << "11" << 1 << false << 1 << 0 << false;
        QTest::newRow("forward-wraps") << "5+5+6" << "5" << 3 << false << 0 << 0 << true;
        QTest::newRow("forward-from-end-wraps") << "5+|5" << "5" << 5 << false << 0 << 0 << true;
        QTest::newRow("back-before-from") << "5+5+5" << "5" << 4 << true << 2 << 0 << false;
        QTest::newRow("back-not-at-from") << "5+5" << "5" << 2 << true << 0 << 0 << false;
        QTest::newRow("back-wraps") << "6+5+|5" << "5" << 0 << true << 6 << 1 << true;
        QTest::newRow("back-wraps-to-from") << "6+5" << "5" << 2 << true << 2 << 0 << true;
        QTest::newRow("case-insensitive") << "1|Total 12" << "tOTAL" << 0 << false << 3 << 1 << false;
        QTest::newRow("only-hit-wraps") << "7*8" << "7" << 1 << false << 0 << 0 << true;
        QTest::newRow("empty-needle") << "5+5" << "" << 0 << false << -1 << -1 << false;
        QTest::newRow("needle-longer-than-text") << "12" << "123" << 0 << false << -1 << -1 << false;
        QTest::newRow("missing-back") << "12" << "3" << 2 << true << -1 << -1 << false;
    }

    void find()
    {
        QFETCH(QString, text);
        QFETCH(QString, typed);
        QFETCH(int, from);
        QFETCH(bool, back);
        const SheetRows rows(text.replace(u'|', QLatin1String("\r\n")));
        const SheetHit hit = FindInSheet(rows, {}, SheetDocument::withRowBreaks(typed), SheetPlace::atPosition(from),
                                         back ? FindDirection::Backward : FindDirection::Forward);
        QTEST(int(hit.start), "start");
        QTEST(int(hit.row), "row");
        QTEST(hit.wrapped, "wrapped");
        if (hit.found())
            QCOMPARE(hit.length, SheetDocument::withRowBreaks(typed).size());
    }

    void count_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("needle");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<int>("count");

        QTest::newRow("whole") << "12+12*12" << "12" << 0 << 8 << 3;
        QTest::newRow("overlapping") << "1111" << "11" << 0 << 4 << 3;
        QTest::newRow("starts-before-to") << "12+12" << "12" << 0 << 4 << 2;
        QTest::newRow("starts-at-to-not-counted") << "12+12" << "12" << 0 << 3 << 1;
        QTest::newRow("from-inside") << "12+12" << "12" << 1 << 5 << 1;
        QTest::newRow("caseless") << "Ab ab AB" << "aB" << 0 << 8 << 3;
    }

    void count()
    {
        QFETCH(QString, text);
        QFETCH(QString, needle);
        QFETCH(int, from);
        QFETCH(int, to);
        QTEST(int(CountInSheet(SheetRows(text), {}, needle, SheetPlace::atPosition(from), SheetPlace::atPosition(to))),
              "count");
    }

    // Every hit of a needle in the figures and the notes (listed by row, "" for none), as F3 and
    // Shift+F3 step through them from one end and round to it again, each numbered by the hits
    // counted before it. A hit in a note is written "n" row "@" offset.
    void walk_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("notes");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("hits");

        QTest::newRow("notes-between-rows") << "5+|15+|5" << QStringList{"5 cents", "", "55"} << "5" << "0 n0@0 5 9 n2@0 n2@1";
        QTest::newRow("figures-before-note-in-row") << "1|Tax 8" << QStringList{"TAX", "tax"} << "tax" << "n0@0 3 n1@0";
        QTest::newRow("needle-longer-than-text") << "7|8" << QStringList{"Rental", "rental car"} << "RENTAL" << "n0@0 n1@0";
        QTest::newRow("case-outside-ascii") << "1" << QStringList{"Käse, KÄSE"} << "kÄse" << "n0@0 n0@6";
        QTest::newRow("overlapping-in-note") << "7" << QStringList{"aaa"} << "aa" << "n0@0 n0@1";
        QTest::newRow("nowhere") << "12" << QStringList{"ab"} << "9" << "";
    }

    void walk()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, notes);
        QFETCH(QString, typed);
        QFETCH(QString, hits);
        const QStringList order = hits.split(u' ', Qt::SkipEmptyParts);
        const SheetRows rows(text.replace(u'|', QLatin1String("\r\n")));
        RowNotes noteList;
        for (qsizetype row = 0; row < notes.size(); ++row) {
            if (!notes[row].isEmpty())
                noteList.append({row, notes[row]});
        }
        const QString needle = SheetDocument::withRowBreaks(typed);
        const SheetPlace start = SheetPlace::atPosition(0);
        QCOMPARE(CountInSheet(rows, noteList, needle, start, SheetPlace::end(rows)), order.size());
        for (const FindDirection direction : {FindDirection::Forward, FindDirection::Backward}) {
            const bool forward = direction == FindDirection::Forward;
            SheetHit hit = FindInSheet(rows, noteList, needle, forward ? start : SheetPlace::end(rows), direction);
            // Each hit from the one before, and one step more, round the end.
            for (qsizetype step = 0; step <= order.size(); ++step) {
                const qsizetype nth = order.isEmpty() ? -1 : forward ? step % order.size() : order.size() - 1 - step % order.size();
                QCOMPARE(hit.inNote ? QStringLiteral("n%1@%2").arg(hit.row).arg(hit.start) : QString::number(hit.start),
                         order.value(nth, QStringLiteral("-1")));
                QCOMPARE(hit.wrapped, nth >= 0 && step == order.size());
                QCOMPARE(CountInSheet(rows, noteList, needle, start, hit.place()), qMax(nth, qsizetype(0)));
                SheetPlace from = hit.place();
                from.offset += forward; // after the hit going on, before it going back
                hit = FindInSheet(rows, noteList, needle, from, direction);
            }
        }
    }
};

QTEST_APPLESS_MAIN(TestSheetFind)
#include "tst_sheetfind.moc"
