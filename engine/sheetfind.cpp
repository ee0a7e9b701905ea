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

// A needle's hits in notes. A sheet may have hundreds of thousands of short notes, and a call of
// QStringView::indexOf per note would fold the needle's case again for every one (a count in
// every note of a million-row sheet took most of the 100 ms a search may take): the note is
// scanned for the needle's first character instead, and compared whole only where it stands.
class NoteMatcher
{
public:
    NoteMatcher(QStringView needle, Qt::CaseSensitivity cs)
        : m_needle(needle)
        , m_cs(cs)
    {
        const QChar first = needle.isEmpty() ? QChar() : needle.front();
        m_lower = m_upper = first.unicode();
        if (cs == Qt::CaseInsensitive) {
            // Some characters outside ASCII fold to ASCII letters (the Kelvin sign to k): any of
            // them may start a hit. A needle that starts outside ASCII is compared everywhere.
            m_lower = first.toLower().unicode();
            m_upper = first.toUpper().unicode();
            m_wide = first.unicode() < 0x80 ? 0x80 : 0;
        }
    }

    // The first hit starting at lo .. hi - 1, or -1.
    qsizetype first(QStringView note, qsizetype lo, qsizetype hi) const
    {
        for (qsizetype at = lo, stop = stopOf(note, hi); at < stop; ++at) {
            if (matchesAt(note, at))
                return at;
        }
        return -1;
    }

    qsizetype last(QStringView note, qsizetype lo, qsizetype hi) const
    {
        for (qsizetype at = stopOf(note, hi) - 1; at >= lo; --at) {
            if (matchesAt(note, at))
                return at;
        }
        return -1;
    }

    qsizetype count(QStringView note, qsizetype lo, qsizetype hi) const
    {
        qsizetype hits = 0;
        for (qsizetype at = lo, stop = stopOf(note, hi); at < stop; ++at)
            hits += matchesAt(note, at);
        return hits;
    }

private:
    // One past the last place a hit starting before hi can start.
    qsizetype stopOf(QStringView note, qsizetype hi) const
    {
        return std::min(hi, note.size() - m_needle.size() + 1);
    }

    bool matchesAt(QStringView note, qsizetype at) const
    {
        const char16_t c = note[at].unicode();
        if (c != m_lower && c != m_upper && c < m_wide)
            return false;
        // ASCII letters fold to their lower case and nothing else; QStringView::compare folds
        // the rest (and the pairs of a character outside the BMP).
        for (qsizetype i = 0; i < m_needle.size(); ++i) {
            const char16_t a = note[at + i].unicode();
            const char16_t b = m_needle[i].unicode();
            if (a == b)
                continue;
            if (m_cs == Qt::CaseSensitive)
                return false;
            if (a >= 0x80 || b >= 0x80)
                return note.mid(at, m_needle.size()).compare(m_needle, m_cs) == 0;
            if (asciiLower(a) != asciiLower(b))
                return false;
        }
        return true;
    }

    static char16_t asciiLower(char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 0x20) : c; }

    QStringView m_needle;
    Qt::CaseSensitivity m_cs;
    char16_t m_lower = 0;
    char16_t m_upper = 0;
    // Characters from m_wide on may start a hit whatever they are (0x10000: none may).
    char32_t m_wide = 0x10000;
};

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
        , m_note(needle, m_cs)
    {
    }

    SheetHit first(SheetPlace from, SheetPlace to) const
    {
        from = normalised(from);
        to = normalised(to);
        SheetHit hit;
        const qsizetype start = figuresBefore(from);
        const qsizetype at = starts(m_rows.text(), start, figuresBefore(to)).indexOf(m_needle, 0, m_cs);
        if (at >= 0)
            hit = figuresHit(start + at);
        if (!m_inNotes)
            return hit;
        for (auto note = firstNoteOf(from.row); note != m_notes.end() && note->row <= to.row; ++note) {
            if (hit.found() && note->row >= hit.row)
                break;
            const qsizetype offset = m_note.first(note->text, noteBefore(from, note->row), noteBefore(to, note->row));
            if (offset >= 0)
                return noteHit(note->row, offset);
        }
        return hit;
    }

    SheetHit last(SheetPlace from, SheetPlace to) const
    {
        from = normalised(from);
        to = normalised(to);
        SheetHit hit;
        const qsizetype start = figuresBefore(from);
        const qsizetype at = starts(m_rows.text(), start, figuresBefore(to)).lastIndexOf(m_needle, -1, m_cs);
        if (at >= 0)
            hit = figuresHit(start + at);
        if (!m_inNotes)
            return hit;
        for (auto note = firstNoteOf(to.row + 1); note != m_notes.begin();) {
            --note;
            if (note->row < from.row || (hit.found() && note->row < hit.row))
                break;
            const qsizetype offset = m_note.last(note->text, noteBefore(from, note->row), noteBefore(to, note->row));
            if (offset >= 0)
                return noteHit(note->row, offset);
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
            total += m_note.count(note->text, noteBefore(from, note->row), noteBefore(to, note->row));
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
    NoteMatcher m_note;
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
