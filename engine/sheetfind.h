#pragma once

#include "sheetrows.h"

#include <QString>
#include <QStringView>

// Finding typed text in a sheet (sheetrows.h): case-insensitive, the text taken as typed (no
// patterns), overlapping hits counted one by one. A row break is CR LF in the sheet and nowhere
// else, so a needle without a line break never matches across rows, and one with a line break
// (made CR LF by SheetDocument::withRowBreaks) matches only across a row break.
//
// Only the rows' figures are searched. The rows' notes (sheetnotes.h) will be searched beside
// them once the window shows notes: FindInSheet then takes the notes, and SheetHit says which of
// the two a hit is in; the range stays a range of that text, the row the row it belongs to.

enum class FindDirection { Forward, Backward };

struct SheetHit
{
    qsizetype row = -1;
    qsizetype start = -1; // a sheet position; -1 when nothing was found
    qsizetype length = 0;
    bool wrapped = false; // found only past the sheet's end (or before its start, going back)

    bool found() const { return start >= 0; }
};

// The first hit starting at or after from (Forward), or the last starting before from
// (Backward); when there is none on that side, the search wraps round to the other end. An empty
// needle, or one longer than the text, finds nothing.
SheetHit FindInSheet(const SheetRows &rows, QStringView needle, qsizetype from, FindDirection direction);

// The hits starting at positions from .. to - 1 (to may be the text's size).
qsizetype CountInSheet(const SheetRows &rows, QStringView needle, qsizetype from, qsizetype to);
