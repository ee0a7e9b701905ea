#include "sheetfind.h"

#include <algorithm>

namespace {

// Case only matters for a needle with a character that has a case: digits and operators are
// searched case-sensitively, which is the same match and several times faster on a long tape.
Qt::CaseSensitivity sensitivityFor(QStringView needle)
{
    const bool caseless = std::all_of(needle.begin(), needle.end(), [](QChar c) {
        return c.unicode() < 0x80 && !c.isLetter();
    });
    return caseless ? Qt::CaseSensitive : Qt::CaseInsensitive;
}

// One needle's hits between two places. The figures are one text, searched in one go between
// the two places' positions; the notes are walked in row order from the first one's row, and
// a walk for the first or last hit stops at the row of the figures' hit, which comes before
// (or after) every note hit of a later (or earlier) row.
class Search
{
public:
    Search(const SheetRows &rows, const RowNotes &notes, QStringView needle)
        : m_rows(rows)
        , m_notes(notes)
        , m_needle(needle)
        , m_cs(sensitivityFor(needle))
        // A note is one line: a needle with a line break is only ever found across a row break.
        , m_inNotes(!needle.contains(u'\r') && !needle.contains(u'\n'))
    {
    }

    SheetHit first(SheetPlace from, SheetPlace to) const
    {
        from = normalised(from);
        to = normalised(to);
        SheetHit hit;
        const qsizetype start = figuresBefore(from);
        if (const qsizetype at = starts(m_rows.text(), start, figuresBefore(to)).indexOf(m_needle, 0, m_cs); at >= 0)
            hit = figuresHit(start + at);
        if (!m_inNotes)
            return hit;
        for (auto note = firstNoteOf(from.row); note != m_notes.end() && note->row <= to.row; ++note) {
            if (hit.found() && note->row >= hit.row)
                break;
            const qsizetype lo = noteBefore(from, note->row);
            if (const qsizetype at = starts(note->text, lo, noteBefore(to, note->row)).indexOf(m_needle, 0, m_cs); at >= 0)
                return noteHit(note->row, lo + at);
        }
        return hit;
    }

    SheetHit last(SheetPlace from, SheetPlace to) const
    {
        from = normalised(from);
        to = normalised(to);
        SheetHit hit;
        const qsizetype start = figuresBefore(from);
        if (const qsizetype at = starts(m_rows.text(), start, figuresBefore(to)).lastIndexOf(m_needle, -1, m_cs); at >= 0)
            hit = figuresHit(start + at);
        if (!m_inNotes)
            return hit;
        for (auto note = firstNoteOf(to.row + 1); note != m_notes.begin();) {
            --note;
            if (note->row < from.row || (hit.found() && note->row < hit.row))
                break;
            const qsizetype lo = noteBefore(from, note->row);
            if (const qsizetype at = starts(note->text, lo, noteBefore(to, note->row)).lastIndexOf(m_needle, -1, m_cs); at >= 0)
                return noteHit(note->row, lo + at);
        }
        return hit;
    }

    qsizetype count(SheetPlace from, SheetPlace to) const
    {
        from = normalised(from);
        to = normalised(to);
        qsizetype total = starts(m_rows.text(), figuresBefore(from), figuresBefore(to)).count(m_needle, m_cs);
        if (!m_inNotes)
            return total;
        for (auto note = firstNoteOf(from.row); note != m_notes.end() && note->row <= to.row; ++note)
            total += starts(note->text, noteBefore(from, note->row), noteBefore(to, note->row)).count(m_needle, m_cs);
        return total;
    }

private:
    // A sheet position clamped into the text, with its row; a note's row clamped into the sheet.
    SheetPlace normalised(SheetPlace place) const
    {
        if (place.inNote) {
            place.row = std::clamp<qsizetype>(place.row, 0, m_rows.rowCount() - 1);
            place.offset = std::max<qsizetype>(place.offset, 0);
        } else {
            place.offset = std::clamp<qsizetype>(place.offset, 0, m_rows.size());
            place.row = m_rows.rowOf(place.offset);
        }
        return place;
    }

    // The figures' hits before a place start at positions 0 .. figuresBefore - 1: in a note,
    // every position of the note's row and its row break.
    qsizetype figuresBefore(const SheetPlace &place) const
    {
        if (!place.inNote)
            return place.offset;
        return place.row + 1 < m_rows.rowCount() ? m_rows.rowStart(place.row + 1) : m_rows.size();
    }

    // The hits in a row's note before a place start at offsets 0 .. noteBefore - 1.
    static qsizetype noteBefore(const SheetPlace &place, qsizetype row)
    {
        if (row != place.row)
            return row < place.row ? std::numeric_limits<qsizetype>::max() : 0;
        return place.inNote ? place.offset : 0;
    }

    // The part of a text in which the hits start at lo .. hi - 1 (perhaps ending after hi).
    QStringView starts(QStringView text, qsizetype lo, qsizetype hi) const
    {
        const qsizetype stop = hi > text.size() - m_needle.size() ? text.size() : hi - 1 + m_needle.size();
        return lo < stop ? text.mid(lo, stop - lo) : QStringView();
    }

    RowNotes::const_iterator firstNoteOf(qsizetype row) const
    {
        return std::lower_bound(m_notes.begin(), m_notes.end(), row,
                                [](const RowNote &note, qsizetype r) { return note.row < r; });
    }

    SheetHit figuresHit(qsizetype position) const
    {
        return {m_rows.rowOf(position), position, m_needle.size(), false, false};
    }
    SheetHit noteHit(qsizetype row, qsizetype offset) const { return {row, offset, m_needle.size(), true, false}; }

    const SheetRows &m_rows;
    const RowNotes &m_notes;
    QStringView m_needle;
    Qt::CaseSensitivity m_cs;
    bool m_inNotes;
};

} // namespace

SheetHit FindInSheet(const SheetRows &rows, const RowNotes &notes, QStringView needle, const SheetPlace &from,
                     FindDirection direction)
{
    if (needle.isEmpty())
        return {};
    const Search search(rows, notes, needle);
    const SheetPlace start = SheetPlace::atPosition(0);
    const SheetPlace end = SheetPlace::end(rows);
    const bool forward = direction == FindDirection::Forward;
    SheetHit hit = forward ? search.first(from, end) : search.last(start, from);
    if (!hit.found()) {
        // Round the end: a hit on the other side of from (none on this side was there).
        hit = forward ? search.first(start, from) : search.last(from, end);
        hit.wrapped = hit.found();
    }
    return hit;
}

qsizetype CountInSheet(const SheetRows &rows, const RowNotes &notes, QStringView needle, const SheetPlace &from,
                       const SheetPlace &to)
{
    if (needle.isEmpty())
        return 0;
    return Search(rows, notes, needle).count(from, to);
}
