// The rows' notes under edits read from the input: after every edit they cover the sheet's rows
// exactly, a note outside the edited rows keeps its text and moves with its row, and every note
// is one sanitized line. Each edit is a byte choosing the kind and where, a byte choosing the
// length or the row count, and a text up to the next 0xFF (a note, or the text put in, in which
// some bytes become row breaks so that a few edits make blocks of hundreds of rows).

#include "fuzzcommon.h"

#include <sheetnotes.h>
#include <sheetrows.h>

#include <map>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    SheetRows rows;
    SheetNotes notes;
    std::map<qsizetype, QString> expected; // the notes, by row
    std::size_t at = 0;
    int edits = 0;
    while (at + 2 <= size && edits < 48) {
        const std::uint8_t kind = data[at];
        const std::uint8_t count = data[at + 1];
        at += 2;
        std::size_t end = at;
        while (end < size && data[end] != 0xFF)
            ++end;
        QString text = fuzzText(data + at, end - at);
        at = end + 1;
        ++edits;

        const qsizetype rowCount = rows.rowCount();
        if (kind % 3 == 0) { // a note set
            const qsizetype row = (kind / 3 + count * 7) % rowCount;
            notes.setNote(row, text);
            const QString kept = SanitizedNote(text);
            if (kept.isEmpty())
                expected.erase(row);
            else
                expected[row] = kept;
            FUZZ_CHECK(kept.size() <= kMaxNoteLength);
            FUZZ_CHECK(notes.note(row) == kept);
        } else { // text replaced
            // Some characters become row breaks; a repeat count makes many rows of one edit.
            QString inserted;
            for (const QChar c : text)
                inserted += c == u'#' ? QStringLiteral("\r\n") : c == u'\r' || c == u'\n' ? QString(u'x') : QString(c);
            if (kind % 3 == 2)
                inserted = inserted.repeated(1 + count % 64 * 8);
            const QString &sheet = rows.text();
            qsizetype from = (qsizetype(kind) * 131 + count) % (sheet.size() + 1);
            qsizetype to = std::min(sheet.size(), from + count % 40);
            if (from > 0 && from < sheet.size() && sheet.at(from) == u'\n')
                --from;
            if (to > 0 && to < sheet.size() && sheet.at(to) == u'\n')
                ++to;
            const SheetRows::Change change = rows.replace(from, to, inserted);
            notes.apply(change, rows);
            // Rows above the edit keep their notes; rows below it move by the rows it added.
            std::map<qsizetype, QString> moved;
            for (const auto &[row, note] : expected) {
                if (row < change.firstRow)
                    moved[row] = note;
                else if (row > change.firstRow + change.rowsRemoved)
                    moved[row + change.rowsAdded - change.rowsRemoved] = note;
            }
            for (const auto &[row, note] : moved)
                FUZZ_CHECK(notes.note(row) == note);
            // The edited rows' notes are the model's own rules: take what it says there.
            for (qsizetype row = change.firstRow; row <= change.firstRow + change.rowsAdded; ++row) {
                const QString note = notes.note(row);
                FUZZ_CHECK(note == SanitizedNote(note));
                if (!note.isEmpty())
                    moved[row] = note;
            }
            expected = std::move(moved);
        }
        FUZZ_CHECK(notes.rowCount() == rows.rowCount());
        const RowNotes all = notes.notes();
        FUZZ_CHECK(all.size() == qsizetype(expected.size()));
        qsizetype i = 0;
        for (const auto &[row, note] : expected) {
            FUZZ_CHECK(all.at(i).row == row && all.at(i).text == note);
            ++i;
        }
        FUZZ_CHECK(notes.hasNotesFrom(0) == !expected.empty());
        if (!expected.empty()) {
            const qsizetype last = expected.rbegin()->first;
            FUZZ_CHECK(notes.hasNotesFrom(last) && !notes.hasNotesFrom(last + 1));
        }
    }
    return 0;
}
