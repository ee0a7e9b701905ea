#include "sheetdocument.h"

#include "texthelpers.h"

#include <algorithm>

namespace {

bool isBreakCharacter(QChar c)
{
    return c == u'\r' || c == u'\n' || c == QChar::ParagraphSeparator || c == QChar::LineSeparator;
}

} // namespace

SheetDocument::SheetDocument(QObject *parent)
    : QObject(parent)
{
}

QString SheetDocument::withRowBreaks(const QString &text)
{
    // A text already written that way, the usual case, is returned as it is after one scan.
    const QChar *p = text.constData();
    const qsizetype n = text.size();
    qsizetype extra = 0;
    bool clean = true;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = p[i];
        if (c.unicode() > u'\r' && c.unicode() < 0x2028)
            continue;
        if (c == u'\r' && i + 1 < n && p[i + 1] == u'\n') {
            ++i;
            continue;
        }
        if (isBreakCharacter(c)) {
            clean = false;
            ++extra;
        }
    }
    if (clean)
        return text;
    QString out(n + extra, Qt::Uninitialized);
    QChar *o = out.data();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = p[i];
        if (c == u'\r' && i + 1 < n && p[i + 1] == u'\n') {
            *o++ = u'\r';
            *o++ = u'\n';
            ++i;
        } else if (isBreakCharacter(c)) {
            *o++ = u'\r';
            *o++ = u'\n';
        } else {
            *o++ = c;
        }
    }
    out.truncate(o - out.constData());
    return out;
}

qsizetype SheetDocument::snapped(qsizetype position) const
{
    const QString &text = m_rows.text();
    position = std::clamp<qsizetype>(position, 0, text.size());
    if (position > 0 && position < text.size() && text.at(position - 1) == u'\r' && text.at(position) == u'\n')
        --position;
    return position;
}

void SheetDocument::mark()
{
    m_untouchedHead = m_untouchedTail = kUntouched;
    m_marked.clear();
}

bool SheetDocument::differsFromMark() const
{
    if (!editedSinceMark())
        return false;
    const qsizetype length = size() - m_untouchedHead - m_untouchedTail;
    return QStringView(text()).mid(m_untouchedHead, length) != QStringView(m_marked);
}

bool SheetDocument::replace(qsizetype from, qsizetype to, const QString &text, const RowNotes &textNotes)
{
    const QString &old = m_rows.text();
    const bool insertion = to <= from;
    from = snapped(from);
    to = insertion ? from : std::clamp<qsizetype>(to, from, old.size());
    if (to > 0 && to < old.size() && old.at(to - 1) == u'\r' && old.at(to) == u'\n')
        ++to;
    const QString inserted = withRowBreaks(text);
    if (from == to && inserted.isEmpty())
        return false;
    const QString removed = old.mid(from, to - from);
    if (!editedSinceMark()) {
        m_marked = removed;
        m_untouchedHead = from;
        m_untouchedTail = old.size() - to;
    } else {
        // The stretch grows by what it now reaches of the text round it, untouched since the mark.
        const qsizetype head = std::min(m_untouchedHead, from);
        const qsizetype tail = std::min(m_untouchedTail, old.size() - to);
        m_marked = old.mid(head, m_untouchedHead - head) + m_marked
            + old.mid(old.size() - m_untouchedTail, m_untouchedTail - tail);
        m_untouchedHead = head;
        m_untouchedTail = tail;
    }
    const SheetRows::Change change = m_rows.replace(from, to, inserted);
    // Notes above the edit keep their rows; only an edit at or above a note moves one.
    if (!textNotes.isEmpty() || m_notes.hasNotesFrom(change.firstRow))
        m_noteListStale = true;
    m_notes.apply(change, m_rows);
    for (const RowNote &n : textNotes) {
        if (n.row >= 0 && n.row <= change.rowsAdded) {
            const qsizetype row = change.firstRow + n.row;
            m_notes.setNote(row, JoinedNotes(m_notes.note(row), SanitizedNote(n.text)));
        }
    }
    emit contentsChange(change, removed);
    return true;
}

const RowNotes &SheetDocument::notes() const
{
    if (m_noteListStale) {
        m_noteList = m_notes.notes();
        m_noteListStale = false;
    }
    return m_noteList;
}

void SheetDocument::setNote(qsizetype row, const QString &text)
{
    if (row < 0 || row >= rowCount() || m_notes.note(row) == SanitizedNote(text))
        return;
    m_notes.setNote(row, text);
    m_noteListStale = true;
    emit notesChanged();
}

void SheetDocument::setNotes(const RowNotes &notes)
{
    if (notes == this->notes())
        return;
    m_notes.putNotes(notes);
    m_noteListStale = true;
    emit notesChanged();
}

void SheetDocument::setText(const QString &text)
{
    // What the two texts share at their ends holds row breaks only, as the document's text does;
    // an end that stops inside a CR LF of the new text gives that break to the middle.
    const QString &old = m_rows.text();
    if (old.isSharedWith(text))
        return;
    const CommonEnds ends = CommonTextEnds(QStringView(old), QStringView(text));
    if (ends.head == old.size() && ends.head == text.size())
        return;
    qsizetype head = ends.head;
    qsizetype tail = ends.tail;
    if (head > 0 && text.at(head - 1) == u'\r')
        --head;
    if (tail > 0 && text.at(text.size() - tail) == u'\n')
        --tail;
    replace(head, old.size() - tail, text.mid(head, text.size() - tail - head));
}
