#pragma once

#include <QList>
#include <QString>

#include <algorithm>
#include <optional>

#include "sheetnotes.h"
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
    // The rows' notes in this state (sheetnotes.h); they never enter the text.
    RowNotes notes;

    friend bool operator==(const TextEntry &, const TextEntry &) = default;
};

// A ring of field states with a current position, oldest to newest. Recording writes at the
// current position and makes it the end, so states stepped back over can no longer be reached
// forward; when the ring is full the oldest entry goes. Stepping back stops at the oldest entry,
// stepping forward at the newest. The window's undo ring keeps 100 entries, the program's
// expression history 50.
//
// A tape may have a million rows (some 20 MB of text) and an edit changes a few characters, so
// the ring keeps no whole text but the present one: the text it follows (the sheet, which its
// owner edits and tells the ring of, see followText()), or else a text of its own that is always
// the current entry's (or at the end the newest entry's). One entry, the pivot (the current one,
// or at the end the newest), keeps what differs from the present text: the lengths of the start
// and end it shares with it and its own middle. Every other entry keeps what differs from its
// neighbour towards the pivot. A step moves the pivot one entry at the cost of the two entries'
// middles; a ring that follows a text then hands its owner the edit that makes the text the new
// current entry (currentEdit()), so an undo step never copies or compares whole texts.
class TextRing
{
public:
    // Characters from .. to - 1 of a text replaced by text. It never starts or ends inside a
    // row break.
    struct Edit
    {
        qsizetype from = 0;
        qsizetype to = 0;
        QString text;
    };

    explicit TextRing(int capacity);

    int capacity() const { return m_capacity; }
    int size() const { return int(m_slots.size()); }
    bool isEmpty() const { return m_slots.isEmpty(); }

    // Writes the entry at the current position; the current position becomes the end. The entry
    // is compared with the present text once, unless it shares it.
    void record(const TextEntry &entry);

    // The current position is the end: nothing stepped back over.
    bool atEnd() const { return m_current == m_slots.size(); }
    // The end becomes the current position; in a ring of its own text, that text becomes the
    // newest entry's. One move of the pivot per entry passed.
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
    // The entry at the current position (not at the end), whole. It shares the present text when
    // that is the entry's, else its text is put together.
    TextEntry current() const;
    // The current entry's selection and rounding (not at the end); its text is no whole text.
    const TextEntry &currentFields() const { return m_slots.at(m_current).entry; }
    // The edit that makes the present text the current entry's (not at the end), and whether
    // the two differ at all. Both cost the stretch in which they may differ.
    Edit currentEdit() const;
    bool currentTextDiffers() const;
    // The newest entry; an empty entry while the ring is empty.
    TextEntry newest() const;
    // Every entry, oldest first: what is kept between runs. Recording them in this order into an
    // empty ring of the same capacity gives the same entries back.
    QList<TextEntry> entries() const;

    // The text the ring follows: the sheet, which the caller owns and edits, telling the ring of
    // every edit through textEdited(), and into which the caller writes currentEdit() after each
    // step. nullptr: the ring keeps a text of its own again.
    void followText(const QString *present);
    // An edit of the followed text, as SheetRows tells it (removed: the characters taken away):
    // every entry stays what it was. Costs only the edit's characters.
    void textEdited(const SheetRows::Change &change, const QString &removed);
    // The caller has written the current entry into the followed text: the entry is that text
    // from now on, where it is. Costs the entry's own part.
    void settleEdit();
    // Records at the current position an entry given as its difference from the followed text:
    // its first prefix and last suffix characters and middle between them, with the rest of the
    // entry from state (whose text is not read). Costs the middles.
    void recordFromText(qsizetype prefix, const QString &middle, qsizetype suffix, const TextEntry &state);
    // An edit of the followed text, told as textEdited() is, whose text before it is recorded at
    // the current position with the rest of the entry from state. At the end that costs the
    // edit's characters only, however far from the edit before it.
    void recordEdit(const SheetRows::Change &change, const QString &removed, const TextEntry &state);
    // Drops the newest entry, at the end. An entry the newest pushed out of a full ring comes
    // back.
    void dropNewest();

private:
    struct Slot
    {
        // entry.text is only the middle that differs from the neighbour's text (the present text
        // for the pivot), which shares its first `prefix` and last `suffix` characters.
        TextEntry entry;
        qsizetype prefix = 0;
        qsizetype suffix = 0;

        qsizetype length() const { return prefix + entry.text.size() + suffix; }
    };

    const QString &present() const { return m_followed ? *m_followed : m_own; }
    qsizetype pivot() const { return std::min(m_current, m_slots.size() - 1); }
    // Characters a .. b - 1 of the text of a slot that differs from base.
    static QString part(const QString &base, const Slot &slot, qsizetype a, qsizetype b);
    static QString splice(const QString &base, const Slot &slot);
    // The slot, a difference from base, made to share only head and tail characters with it.
    static void widen(Slot &slot, const QString &base, qsizetype head, qsizetype tail);
    // A slot that differs from next, which differs from base, made a difference from base.
    static void compose(Slot &slot, const Slot &next, const QString &base);
    // A slot that differs from base made a difference from other, which differs from base too.
    static void unite(Slot &slot, const Slot &other, const QString &base);
    // A slot made a difference from base by comparing its whole text with it.
    static void setDifference(Slot &slot, const QString &whole, const QString &base);
    // Moves the pivot to a neighbouring entry.
    void movePivot(qsizetype to);
    // Writes a slot, a difference from the present text, at the current position.
    void recordSlot(Slot slot);
    // Writes a slot at a position, dropping the entries from there on; at the end after it.
    void appendAt(qsizetype at, Slot slot);
    // A ring of its own text: that text becomes the pivot's.
    void settleOwnText();

    QList<Slot> m_slots; // oldest first
    std::optional<Slot> m_evicted; // the oldest entry the last record pushed out
    const QString *m_followed = nullptr;
    QString m_own; // the present text of a ring that follows none
    qsizetype m_current = 0; // size() is the end
    int m_capacity;
};
