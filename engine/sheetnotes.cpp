#include "sheetnotes.h"

#include <algorithm>

namespace {

// Rows per block when rows are added in bulk; a block grows to twice this before it is split.
constexpr qsizetype kBlockRows = 256;

bool isLineBreaking(char16_t c)
{
    return c < 0x20 || (c >= 0x7f && c <= 0x9f) || c == 0x2028 || c == 0x2029;
}

} // namespace

QString JoinedNotes(const QString &first, const QString &second)
{
    if (first.isEmpty() || second.isEmpty())
        return first.isEmpty() ? second : first;
    return SanitizedNote(QString(first + u' ' + second));
}

QString SanitizedNote(QStringView text)
{
    QString note = text.toString();
    for (QChar &c : note) {
        if (isLineBreaking(c.unicode()))
            c = u' ';
    }
    note = note.trimmed();
    if (note.size() > kMaxNoteLength) {
        note.truncate(note.at(kMaxNoteLength - 1).isHighSurrogate() ? kMaxNoteLength - 1 : kMaxNoteLength);
        note = note.trimmed();
    }
    return note;
}

RowNoteCursor::RowNoteCursor(const RowNotes &notes, qsizetype fromRow)
    : m_notes(notes)
{
    if (fromRow > 0) {
        m_next = std::lower_bound(notes.cbegin(), notes.cend(), fromRow,
                                  [](const RowNote &note, qsizetype row) { return note.row < row; })
            - notes.cbegin();
    }
}

QString RowNoteCursor::noteOf(qsizetype row)
{
    while (m_next < m_notes.size() && m_notes.at(m_next).row < row)
        ++m_next;
    return m_next < m_notes.size() && m_notes.at(m_next).row == row ? m_notes.at(m_next).text : QString();
}

SheetNotes::SheetNotes(qsizetype rowCount)
    : m_blocks(1)
    , m_starts(1, 0)
{
    replaceRows(0, 0, std::max<qsizetype>(1, rowCount), QString(), QString());
}

qsizetype SheetNotes::rowCount() const
{
    return m_starts.back() + m_blocks.back().rows;
}

std::pair<size_t, qsizetype> SheetNotes::locate(qsizetype row) const
{
    if (row >= rowCount())
        return {m_blocks.size() - 1, row - m_starts.back()};
    const size_t block = size_t(std::upper_bound(m_starts.begin(), m_starts.end(), row) - m_starts.begin()) - 1;
    return {block, row - m_starts[block]};
}

QString SheetNotes::note(qsizetype row) const
{
    if (row < 0 || row >= rowCount())
        return QString();
    const auto [block, at] = locate(row);
    const Block &b = m_blocks[block];
    return b.notes.empty() ? QString() : b.notes[size_t(at)];
}

void SheetNotes::setNote(qsizetype row, QStringView text)
{
    if (row < 0 || row >= rowCount())
        return;
    const auto [block, at] = locate(row);
    Block &b = m_blocks[block];
    QString note = SanitizedNote(text);
    if (b.notes.empty() && note.isEmpty())
        return;
    b.notes.resize(size_t(b.rows));
    b.notes[size_t(at)] = std::move(note);
}

void SheetNotes::apply(const SheetRows::Change &change, const SheetRows &rows)
{
    const qsizetype first = change.firstRow;
    const qsizetype last = first + change.rowsAdded; // in the new text
    // Whether the old first row keeps its start, and the old last row its end.
    const bool headKept = change.position > rows.rowStart(first);
    const bool tailKept = change.position + change.added < rows.rowEnd(last);
    const QString firstNote = note(first);
    QString head;
    QString tail;
    if (change.rowsRemoved == 0) {
        // One row edited: it may have been split, or have had rows put in front of it.
        (change.rowsAdded == 0 || headKept || !tailKept ? head : tail) = firstNote;
    } else {
        if (headKept)
            head = firstNote;
        if (tailKept)
            tail = note(first + change.rowsRemoved);
    }
    if (change.rowsAdded == 0) {
        head = JoinedNotes(head, tail);
        tail.clear();
    }
    replaceRows(first, change.rowsRemoved + 1, change.rowsAdded + 1, head, tail);
}

void SheetNotes::replaceRows(qsizetype first, qsizetype count, qsizetype added, const QString &head,
                             const QString &tail)
{
    const auto [block, at] = locate(first);

    // Out with the old rows, over as many blocks as they span; the blocks they emptied go.
    size_t b = block;
    qsizetype offset = at;
    for (qsizetype left = count; left > 0;) {
        Block &blk = m_blocks[b];
        const qsizetype take = std::min(left, blk.rows - offset);
        if (!blk.notes.empty())
            blk.notes.erase(blk.notes.begin() + offset, blk.notes.begin() + offset + take);
        blk.rows -= take;
        left -= take;
        if (left > 0) {
            ++b;
            offset = 0;
        }
    }
    const auto emptied = std::remove_if(m_blocks.begin() + qsizetype(block) + 1, m_blocks.begin() + qsizetype(b) + 1,
                                        [](const Block &blk) { return blk.rows == 0; });
    m_blocks.erase(emptied, m_blocks.begin() + qsizetype(b) + 1);

    // In with the new ones: into the block where they fit, else in blocks of their own.
    Block &blk = m_blocks[block];
    const bool noted = !head.isEmpty() || !tail.isEmpty();
    if (blk.rows + added <= 2 * kBlockRows) {
        if (noted)
            blk.notes.resize(size_t(blk.rows));
        if (!blk.notes.empty())
            blk.notes.insert(blk.notes.begin() + at, size_t(added), QString());
        blk.rows += added;
    } else {
        Block right;
        right.rows = blk.rows - at;
        if (!blk.notes.empty()) {
            right.notes.assign(std::make_move_iterator(blk.notes.begin() + at), std::make_move_iterator(blk.notes.end()));
            blk.notes.resize(size_t(at));
        }
        blk.rows = at;
        std::vector<Block> fresh;
        for (qsizetype done = 0; done < added; done += kBlockRows)
            fresh.push_back({std::min(kBlockRows, added - done), {}});
        if (right.rows > 0)
            fresh.push_back(std::move(right));
        m_blocks.insert(m_blocks.begin() + qsizetype(block) + 1, std::make_move_iterator(fresh.begin()),
                        std::make_move_iterator(fresh.end()));
        if (m_blocks[block].rows == 0)
            m_blocks.erase(m_blocks.begin() + qsizetype(block));
    }
    recount(block > 0 ? block - 1 : 0);
    if (!head.isEmpty())
        setNote(first, head);
    if (!tail.isEmpty())
        setNote(first + added - 1, tail);
}

void SheetNotes::recount(size_t fromBlock)
{
    m_starts.resize(m_blocks.size());
    for (size_t i = std::max<size_t>(fromBlock, 1); i < m_blocks.size(); ++i)
        m_starts[i] = m_starts[i - 1] + m_blocks[i - 1].rows;
}

RowNotes SheetNotes::notes() const
{
    RowNotes all;
    for (size_t b = 0; b < m_blocks.size(); ++b) {
        for (size_t i = 0; i < m_blocks[b].notes.size(); ++i) {
            if (!m_blocks[b].notes[i].isEmpty())
                all.push_back({m_starts[b] + qsizetype(i), m_blocks[b].notes[i]});
        }
    }
    return all;
}

RowNotes SheetNotes::takeNotes()
{
    RowNotes all = notes();
    for (Block &b : m_blocks)
        b.notes = {};
    return all;
}

void SheetNotes::putNotes(const RowNotes &notes)
{
    for (Block &b : m_blocks)
        b.notes = {};
    for (const RowNote &n : notes)
        setNote(n.row, n.text);
}

bool SheetNotes::hasNotesFrom(qsizetype row) const
{
    for (size_t b = m_blocks.size(); b-- > 0;) {
        const Block &blk = m_blocks[b];
        const qsizetype end = m_starts[b] + blk.rows;
        if (end <= row)
            return false;
        const qsizetype first = std::max<qsizetype>(0, row - m_starts[b]);
        for (size_t i = size_t(first); i < blk.notes.size(); ++i) {
            if (!blk.notes[i].isEmpty())
                return true;
        }
    }
    return false;
}
