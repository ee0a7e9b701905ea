#pragma once

#include <QList>
#include <QString>

#include <optional>

#include "sheetrows.h"

// One state of the calculation field: what the undo ring and the expression history keep.
struct TextEntry
{
    TextEntry(QString text = {}, qint32 selStart = 0, qint32 selLength = 0, quint8 round = 0, QString file = {},
              quint64 version = 0)
        : text(std::move(text)), selStart(selStart), selLength(selLength), round(round), file(std::move(file)),
          version(version)
    {
    }

    QString text;
    qint32 selStart = 0;
    qint32 selLength = 0;
    quint8 round = 0; // the rounding digit, 0 to 9
    // The undo ring's own: the file the tape belonged to in this state (empty: none), and the
    // number the session gave the text, which tells whether it is still what was last opened
    // from or saved to that file. The expression history leaves both empty.
    QString file;
    quint64 version = 0;

    friend bool operator==(const TextEntry &, const TextEntry &) = default;
};

// A ring of field states with a current position, oldest to newest. Recording writes at the
// current position and makes it the end, so states stepped back over can no longer be reached
// forward; when the ring is full the oldest entry goes. Stepping back stops at the oldest entry,
// stepping forward at the newest. The window's undo ring keeps 100 entries, the program's
// expression history 50.
//
// A tape may have a million rows (some 20 MB of text) and an edit changes a few characters, so
// only one text is kept whole, the anchor's: the current entry, or at the end the newest entry
// (or the caller's text, see followText()). Every other entry keeps what differs from its
// neighbour towards the anchor: the lengths of the start and end they share and its own middle.
// A step moves the anchor one entry (one splice of the text); recording compares one pair of
// texts. Whole texts are shared with the callers' QStrings, never copied on the way in.
class TextRing
{
public:
    explicit TextRing(int capacity);

    int capacity() const { return m_capacity; }
    int size() const { return int(m_slots.size()); }
    bool isEmpty() const { return m_slots.isEmpty(); }

    // Writes the entry at the current position; the current position becomes the end.
    void record(const TextEntry &entry);

    // The current position is the end: nothing stepped back over.
    bool atEnd() const { return m_current == m_slots.size(); }
    // Both walk the anchor to the newest entry: one splice per entry stepped back over.
    void toEnd();
    // Makes the newest entry current (the ring must not be empty).
    void toNewest();

    // One entry towards the oldest; false (and no move) at the oldest entry.
    bool back();
    // One entry towards the newest; false (and no move) at the newest entry or at the end.
    bool forward();

    // Whether back() or forward() would move.
    bool atOldest() const { return m_current == 0; }
    bool atNewest() const { return m_current + 1 >= m_slots.size(); }
    // The entry at the current position (not at the end). Valid until the ring changes.
    const TextEntry &current() const { return m_slots.at(m_current).entry; }
    // The newest entry; an empty entry while the ring is empty. Cheap at the end or the newest
    // entry; from further back it splices its way forward.
    TextEntry newest() const;
    // Every entry, oldest first: what is kept between runs. Recording them in this order into an
    // empty ring of the same capacity gives the same entries back.
    QList<TextEntry> entries() const;

    // The text that comes after the newest entry (the sheet as it is now), which the caller owns
    // and edits, telling the ring of every edit through textEdited(): at the end the newest entry
    // is kept as its difference from that text, so the ring keeps no whole text of its own and
    // never holds a copy of the caller's (which would make the caller's next edit copy it). It is
    // no entry. nullptr: none.
    void followText(const QString *present);
    // An edit of the followed text, as SheetRows tells it (removed: the characters taken away):
    // the newest entry stays what it was. Costs only the edit's characters.
    void textEdited(const SheetRows::Change &change, const QString &removed);
    // Records at the current position an entry given as its difference from the followed text:
    // its first prefix and last suffix characters and middle between them, with the rest of the
    // entry from state (whose text is not read). At the end, the usual case, that costs the
    // middles only; stepped back, the entry before is compared with it.
    void recordFromText(qsizetype prefix, const QString &middle, qsizetype suffix, const TextEntry &state);
    // Drops the newest entry, at the end. Costs its middle when it is the followed text as it now
    // is, else a comparison of whole texts.
    void dropNewest();

private:
    struct Slot
    {
        // At the anchor the whole entry; elsewhere entry.text is only the middle that differs
        // from the neighbour towards the anchor, which shares its first `prefix` and last
        // `suffix` characters.
        TextEntry entry;
        qsizetype prefix = 0;
        qsizetype suffix = 0;
    };

    // The whole text at the anchor; the shared text when the anchor is past the newest entry.
    const QString &anchorText() const;
    // Moves the anchor one entry (or from the shared text to the newest entry).
    void moveAnchor(qsizetype to);
    static QString splice(const QString &neighbour, const Slot &slot);
    // Makes slot the difference of whole from neighbour.
    static void setDifference(Slot &slot, const QString &whole, const QString &neighbour);
    // The whole text of an entry, spliced out from the anchor.
    QString wholeText(qsizetype index) const;

    QList<Slot> m_slots; // oldest first
    std::optional<Slot> m_evicted; // the oldest entry the last recordFromText pushed out
    const QString *m_present = nullptr; // the followed text: the anchor while m_anchor == size()
    qsizetype m_current = 0; // size() is the end
    qsizetype m_anchor = 0;  // the current entry, or at the end the newest entry or size()
    int m_capacity;
};
