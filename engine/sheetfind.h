#pragma once

#include "sheetnotes.h"
#include "sheetrows.h"

#include <QString>
#include <QStringView>

#include <limits>

// Finding typed text in a sheet (sheetrows.h) and its rows' notes (sheetnotes.h):
// case-insensitive, the text taken as typed (no patterns), overlapping hits counted one by one.
// A row break is CR LF in the sheet and nowhere else, so a needle without a line break never
// matches across rows, and one with a line break (made CR LF by SheetDocument::withRowBreaks)
// matches only across a row break, never in a note, which is one line.
//
// Hits come by row, and within a row the figures' hits (those starting in the row's text or its
// CR LF) before those in the row's note; in either, by where they start.

enum class FindDirection { Forward, Backward };

// A place in the order hits come in: a sheet position in the figures, or an offset in a row's
// note. A search told a sheet position finds its row itself; row only matters in a note.
struct SheetPlace
{
    qsizetype row = 0;
    qsizetype offset = 0;
    bool inNote = false;

    static SheetPlace atPosition(qsizetype position) { return {0, position, false}; }
    static SheetPlace inNoteOf(qsizetype row, qsizetype offset) { return {row, offset, true}; }
    // After every hit: past the end of the last row's note.
    static SheetPlace end(const SheetRows &rows)
    {
        return inNoteOf(rows.rowCount() - 1, std::numeric_limits<qsizetype>::max());
    }
};

struct SheetHit
{
    qsizetype row = -1;
    // A sheet position, or in a note an offset in the row's note; -1 when nothing was found.
    qsizetype start = -1;
    qsizetype length = 0;
    bool inNote = false;
    bool wrapped = false; // found only past the sheet's end (or before its start, going back)

    bool found() const { return start >= 0; }
    SheetPlace place() const { return {row, start, inNote}; }
};

// The first hit at or after from (Forward), or the last before from (Backward); when there is
// none on that side, the search wraps round to the other end. An empty needle finds nothing.
// notes are in row order (SheetDocument::notes); only those from from's row on (Forward) or up
// to it (Backward) are read, and only up to the row of the figures' hit.
SheetHit FindInSheet(const SheetRows &rows, const RowNotes &notes, QStringView needle, const SheetPlace &from,
                     FindDirection direction);

// The hits at or after from and before to.
qsizetype CountInSheet(const SheetRows &rows, const RowNotes &notes, QStringView needle, const SheetPlace &from,
                       const SheetPlace &to);
