#pragma once

#include "sheetrows.h"

#include <QList>
#include <QString>
#include <QStringView>

#include <vector>

// The longest note a row keeps, in UTF-16 code units.
inline constexpr qsizetype kMaxNoteLength = 200;

// A note as a row keeps it: one line of free text, every control character and line or paragraph
// separator a space, trimmed, cut to kMaxNoteLength (never between the halves of a character).
QString SanitizedNote(QStringView text);

// One row's note.
struct RowNote
{
    qsizetype row = 0;
    QString text;

    bool operator==(const RowNote &) const = default;
};

// The notes of a sheet, in row order, only the rows that have one. Shared: a copy costs nothing
// until one of the two changes.
using RowNotes = QList<RowNote>;

// Two notes of rows that become one: the first, a space and the second, as a note (either may
// be empty).
QString JoinedNotes(const QString &first, const QString &second);

// The notes of rows as the rows are met, in rising order: the notes are in row order, so one
// index walks them beside the rows, and a row costs no search. A walk that starts at another row
// than the first (a printed page) finds its first note by one binary search.
class RowNoteCursor
{
public:
    explicit RowNoteCursor(const RowNotes &notes, qsizetype fromRow = 0);
    // The note of row (empty for none); row is no lower than the row asked for before.
    QString noteOf(qsizetype row);

private:
    const RowNotes &m_notes;
    qsizetype m_next = 0; // the first note not yet passed
};

// The notes of a sheet's rows, following the sheet's edits as SheetRows reports them. After an
// edit of the rows firstRow .. firstRow + rowsRemoved:
// - a row inserted gets no note, and a row deleted takes its note with it;
// - a row split keeps its note on the part that keeps the row's start (Enter in or at the end of
//   a row), or on the part that keeps its end when the row's start is where the edit began (Enter
//   at a row's start puts a new empty row above a row and its note);
// - two rows joined (their break removed) keep the first row's note, with the second row's
//   appended after a space when both have one;
// - a row of which an edit leaves nothing is deleted: an empty row whose break is removed, or a
//   row selected whole and deleted or replaced by other rows. A row whose text alone is replaced
//   (the row stays, the edit within it) keeps its note.
//
// The rows are kept in blocks of at most a few hundred, and a block without notes holds only its
// row count: an edit costs the rows it touches and a pass over the block list (a million-row
// sheet has some thousands), never the whole sheet.
class SheetNotes
{
public:
    explicit SheetNotes(qsizetype rowCount = 1);

    qsizetype rowCount() const;
    QString note(qsizetype row) const;
    // Sets a row's note (SanitizedNote of text; empty removes it). Rows past the end are ignored.
    void setNote(qsizetype row, QStringView text);

    // Follows an edit of the sheet: change as rows.replace() or rows.setText() answered it, rows
    // the sheet after it.
    void apply(const SheetRows::Change &change, const SheetRows &rows);

    // Every note, in row order.
    RowNotes notes() const;
    // Takes every note out (the rows stay, without notes) and returns them, for an undo step.
    RowNotes takeNotes();
    // Puts notes back: the rows named get those notes, the others none. Rows past the end are
    // ignored.
    void putNotes(const RowNotes &notes);
    // Whether any row from row on has a note; costs the blocks from there to the end.
    bool hasNotesFrom(qsizetype row) const;

private:
    struct Block
    {
        qsizetype rows = 0;
        std::vector<QString> notes; // empty: no row of the block has a note; else one per row
    };

    // The block holding row and the row's place in it; the row count gives the last block's end.
    std::pair<size_t, qsizetype> locate(qsizetype row) const;
    // Rows first .. first + count - 1 replaced by added rows, head the note of the first of them
    // and tail that of the last.
    void replaceRows(qsizetype first, qsizetype count, qsizetype added, const QString &head, const QString &tail);
    void recount(size_t fromBlock);

    std::vector<Block> m_blocks;
    std::vector<qsizetype> m_starts; // the first row of every block
};
