// The notes of a sheet's rows through the sheet's edits.

#include "sheetnotes.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

// Notes written "row:note|row:note".
RowNotes parsed(const QString &notes)
{
    RowNotes list;
    for (const QString &entry : notes.split(u'|', Qt::SkipEmptyParts))
        list.push_back({entry.section(u':', 0, 0).toLongLong(), entry.section(u':', 1)});
    return list;
}

QString written(const RowNotes &notes)
{
    QStringList list;
    for (const RowNote &note : notes)
        list << QString::number(note.row) + u':' + note.text;
    return list.join(u'|');
}

} // namespace

class TestSheetNotes : public QObject
{
    Q_OBJECT

private slots:
    // One edit (from, to, inserted) of a sheet with notes; worked by hand.
    void edits_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("notes");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("inserted");
        QTest::addColumn<QString>("after");
        QTest::newRow("typing-in-a-row") << "12\r\n34" << "0:a|1:b" << 1 << 1 << "5" << "0:a|1:b";
        QTest::newRow("row-split-note-stays-above") << "1234" << "0:a" << 2 << 2 << "\r\n" << "0:a";
        QTest::newRow("enter-at-row-end") << "12\r\n34" << "0:a|1:b" << 2 << 2 << "\r\n" << "0:a|2:b";
        QTest::newRow("enter-at-row-start-note-follows-text") << "12\r\n34" << "1:b" << 4 << 4 << "\r\n" << "2:b";
        QTest::newRow("rows-pasted-above") << "12\r\n34" << "0:a|1:b" << 0 << 0 << "5+\r\n6+\r\n" << "2:a|3:b";
        QTest::newRow("row-deleted-takes-its-note") << "1+\r\n2+\r\n3" << "0:a|1:b|2:c" << 4 << 8 << "" << "0:a|1:c";
        QTest::newRow("rows-joined-notes-joined") << "1+\r\n2" << "0:a|1:b" << 2 << 4 << "" << "0:a b";
        QTest::newRow("rows-joined-second-note-kept") << "1+\r\n2" << "1:b" << 2 << 4 << "" << "0:b";
        QTest::newRow("row-text-replaced-keeps-note") << "12\r\n34" << "1:b" << 4 << 6 << "9" << "1:b";
        QTest::newRow("selection-over-rows-replaced") << "1+\r\n2+\r\n3" << "0:a|1:b|2:c" << 1 << 6 << "*" << "0:a|1:c";
        QTest::newRow("empty-row-removed-with-its-note") << "1+\r\n\r\n2" << "1:x|2:y" << 4 << 6 << "" << "1:y";
    }
    void edits()
    {
        QFETCH(QString, text);
        QFETCH(QString, notes);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QString, inserted);
        SheetRows rows(text);
        SheetNotes model(rows.rowCount());
        model.putNotes(parsed(notes));
        model.apply(rows.replace(from, to, inserted), rows);
        QCOMPARE(model.rowCount(), rows.rowCount());
        QTEST(written(model.notes()), "after");
    }

    // Rows put in above a row and whole rows deleted, at random over many blocks, against a plain
    // list of the notes; then every note taken out and put back.
    void randomEdits()
    {
        QRandomGenerator random(33);
        SheetRows rows(QStringLiteral("5+\r\n").repeated(2000) + u'5');
        SheetNotes model(rows.rowCount());
        std::vector<QString> reference(size_t(rows.rowCount()));
        for (int step = 0; step < 1500; ++step) {
            const qsizetype count = rows.rowCount();
            const qsizetype row = random.bounded(qint64(count - 1));
            const qsizetype span = 1 + random.bounded(random.bounded(4) == 0 ? 700 : 3);
            switch (random.bounded(3)) {
            case 0:
                model.apply(rows.replace(rows.rowStart(row), rows.rowStart(row), QStringLiteral("7+\r\n").repeated(span)),
                            rows);
                reference.insert(reference.begin() + row, size_t(span), QString());
                break;
            case 1: {
                const qsizetype last = std::min(row + span, count - 1);
                model.apply(rows.replace(rows.rowStart(row), rows.rowStart(last), QString()), rows);
                reference.erase(reference.begin() + row, reference.begin() + last);
                break;
            }
            default:
                model.setNote(row, QString::number(step));
                reference[size_t(row)] = QString::number(step);
            }
            QCOMPARE(model.rowCount(), qsizetype(reference.size()));
            QCOMPARE(model.note(row), reference[size_t(row)]);
        }
        RowNotes expected;
        for (size_t row = 0; row < reference.size(); ++row) {
            if (!reference[row].isEmpty())
                expected.push_back({qsizetype(row), reference[row]});
        }
        QVERIFY(expected.size() > 100);
        QCOMPARE(model.notes(), expected);
        const RowNotes taken = model.takeNotes();
        QVERIFY(model.notes().empty());
        model.putNotes(taken);
        QCOMPARE(model.notes(), expected);
    }
};

QTEST_APPLESS_MAIN(TestSheetNotes)
#include "tst_sheetnotes.moc"
