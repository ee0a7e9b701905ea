#pragma once

#include <QList>
#include <QString>

// One state of the calculation field: what the undo ring and the expression history keep.
struct TextEntry
{
    QString text;
    qint32 selStart = 0;
    qint32 selLength = 0;
    quint8 round = 0; // the rounding digit, 0 to 9

    friend bool operator==(const TextEntry &, const TextEntry &) = default;
};

// A ring of field states with a current position, oldest to newest. Recording writes at the
// current position and makes it the end, so states stepped back over can no longer be reached
// forward; when the ring is full the oldest entry goes. Stepping back stops at the oldest entry,
// stepping forward at the newest. The window's undo ring keeps 100 entries, the program's
// expression history 50.
class TextRing
{
public:
    explicit TextRing(int capacity);

    int capacity() const { return int(m_slots.size()) - 1; }
    int size() const;
    bool isEmpty() const { return m_first == m_end; }

    // Writes the entry at the current position; the current position becomes the end.
    void record(const TextEntry &entry);

    // The current position is the end: nothing stepped back over.
    bool atEnd() const { return m_current == m_end; }
    void toEnd() { m_current = m_end; }
    // Makes the newest entry current (the ring must not be empty).
    void toNewest() { m_current = previous(m_end); }

    // One entry towards the oldest; false (and no move) at the oldest entry.
    bool back();
    // One entry towards the newest; false (and no move) at the newest entry or at the end.
    bool forward();

    // Whether back() or forward() would move.
    bool atOldest() const { return isEmpty() || m_current == m_first; }
    bool atNewest() const { return m_current == m_end || next(m_current) == m_end; }
    // The entry at the current position (not at the end).
    const TextEntry &current() const { return m_slots.at(m_current); }
    // The newest entry; an empty entry while the ring is empty.
    TextEntry newest() const;
    // Every entry, oldest first: what is kept between runs. Recording them in this order into an
    // empty ring of the same capacity gives the same entries back.
    QList<TextEntry> entries() const;

private:
    int next(int slot) const { return slot + 1 == m_slots.size() ? 0 : slot + 1; }
    int previous(int slot) const { return slot == 0 ? int(m_slots.size()) - 1 : slot - 1; }

    // One slot more than the capacity: the end (one past the newest) is never an entry.
    QList<TextEntry> m_slots;
    int m_current = 0;
    int m_first = 0;
    int m_end = 0;
};
