#include "textring.h"

#include "texthelpers.h"

TextRing::TextRing(int capacity)
    : m_capacity(std::max(capacity, 0))
{
}

QString TextRing::part(const QString &base, const Slot &slot, qsizetype a, qsizetype b)
{
    const QString &middle = slot.entry.text;
    const qsizetype middleEnd = slot.prefix + middle.size();
    QString text;
    if (a >= b)
        return text;
    text.reserve(b - a);
    if (a < slot.prefix)
        text.append(base.constData() + a, std::min(b, slot.prefix) - a);
    if (std::max(a, slot.prefix) < std::min(b, middleEnd))
        text.append(QStringView(middle).mid(std::max(a, slot.prefix) - slot.prefix,
                                            std::min(b, middleEnd) - std::max(a, slot.prefix)));
    if (std::max(a, middleEnd) < b) {
        const qsizetype at = base.size() - slot.suffix + (std::max(a, middleEnd) - middleEnd);
        text.append(base.constData() + at, b - std::max(a, middleEnd));
    }
    return text;
}

QString TextRing::splice(const QString &base, const Slot &slot)
{
    if (slot.entry.text.isEmpty() && slot.prefix == base.size() && slot.suffix == 0)
        return base; // the base itself, shared
    if (slot.prefix == 0 && slot.suffix == 0)
        return slot.entry.text;
    return part(base, slot, 0, slot.length());
}

void TextRing::widen(Slot &slot, const QString &base, qsizetype head, qsizetype tail)
{
    if (head == slot.prefix && tail == slot.suffix)
        return;
    slot.entry.text = part(base, slot, head, slot.length() - tail);
    slot.prefix = head;
    slot.suffix = tail;
}

void TextRing::compose(Slot &slot, const Slot &next, const QString &base)
{
    if (next.entry.text.isEmpty() && next.length() == base.size())
        return; // next is base's text
    if (slot.entry.text.isEmpty() && slot.prefix + slot.suffix == next.length()) {
        // Next's text itself, which shares any start: it takes next's own split.
        slot.prefix = next.prefix;
        slot.suffix = next.length() - next.prefix;
    }
    // The slot shares its start with next and next its start with base: it shares the shorter of
    // the two with base, and the same for the end. What lies between is next's text round the
    // slot's own middle.
    const qsizetype head = std::min(slot.prefix, next.prefix);
    const qsizetype tail = std::min(slot.suffix, next.suffix);
    const qsizetype nextLength = next.length();
    slot.entry.text = part(base, next, head, slot.prefix) + slot.entry.text
        + part(base, next, nextLength - slot.suffix, nextLength - tail);
    slot.prefix = head;
    slot.suffix = tail;
}

void TextRing::unite(Slot &slot, const Slot &other, const QString &base)
{
    if (other.entry.text.isEmpty() && other.length() == base.size())
        return; // other is base's text
    if (slot.entry.text.isEmpty() && slot.length() == base.size()) {
        // Base's text itself, which shares any start: it takes other's split.
        slot.prefix = other.prefix;
        slot.suffix = base.size() - other.prefix;
    }
    // Both equal base outside the stretch either has of its own.
    widen(slot, base, std::min(slot.prefix, other.prefix), std::min(slot.suffix, other.suffix));
}

void TextRing::setDifference(Slot &slot, const QString &whole, const QString &base)
{
    if (whole.size() == base.size() && (whole.constData() == base.constData() || whole == base)) {
        slot.entry.text.clear();
        slot.prefix = base.size();
        slot.suffix = 0;
        return;
    }
    const CommonEnds ends = CommonTextEnds(QStringView(whole), QStringView(base));
    // mid() copies a part, so the slot does not keep the whole text alive.
    slot.entry.text = whole.mid(ends.head, whole.size() - ends.head - ends.tail);
    slot.prefix = ends.head;
    slot.suffix = ends.tail;
}

void TextRing::movePivot(qsizetype to)
{
    const QString &base = present();
    Slot &old = m_slots[pivot()];
    Slot &target = m_slots[to];
    compose(target, old, base);
    // Both now differ from the present text: the old pivot becomes its difference from the new.
    unite(old, target, base);
}

void TextRing::settleOwnText()
{
    if (m_followed || m_slots.isEmpty())
        return;
    Slot &slot = m_slots[pivot()];
    m_own = splice(m_own, slot);
    slot.entry.text.clear();
    slot.prefix = m_own.size();
    slot.suffix = 0;
}

void TextRing::recordSlot(Slot slot)
{
    const QString &base = present();
    const qsizetype at = m_current;
    if (at > 0) {
        // The entry before the written one becomes its difference from it: made a difference from
        // the present text first (stepped back, it was the overwritten pivot's), then from it.
        Slot &before = m_slots[at - 1];
        if (at - 1 != pivot())
            compose(before, m_slots.at(at), base);
        unite(before, slot, base);
    }
    appendAt(at, std::move(slot));
}

void TextRing::appendAt(qsizetype at, Slot slot)
{
    m_slots.resize(at);
    m_slots.append(std::move(slot));
    m_evicted.reset();
    if (m_slots.size() > m_capacity)
        m_evicted = m_slots.takeFirst();
    m_current = m_slots.size();
}

void TextRing::record(const TextEntry &entry)
{
    if (m_capacity == 0)
        return;
    Slot slot{entry};
    setDifference(slot, entry.text, present());
    recordSlot(std::move(slot));
    if (!m_followed) {
        // The entry's text, whole, is the ring's own from now on.
        m_own = entry.text;
        Slot &newest = m_slots.last();
        newest.entry.text.clear();
        newest.prefix = m_own.size();
        newest.suffix = 0;
    }
}

void TextRing::recordFromText(qsizetype prefix, const QString &middle, qsizetype suffix, const TextEntry &state)
{
    if (m_capacity == 0 || !m_followed)
        return;
    Slot slot{state, prefix, suffix};
    slot.entry.text = middle;
    recordSlot(std::move(slot));
}

void TextRing::recordEdit(const SheetRows::Change &change, const QString &removed, const TextEntry &state)
{
    if (m_capacity == 0 || !m_followed)
        return textEdited(change, removed);
    const qsizetype size = m_followed->size();
    if (!atEnd()) {
        // Stepped back, the current entry is mostly the text before the edit (an undo step wrote
        // it): then the entry before it is its difference from the entry recorded already.
        const Slot &current = m_slots.at(m_current);
        if (!current.entry.text.isEmpty() || current.length() != size - change.added + change.removed) {
            textEdited(change, removed);
            recordFromText(change.position, removed, size - change.position - change.added, state);
            return;
        }
    }
    // At the end the newest entry differs from the text before the edit, which is the entry
    // recorded, as it did: only the new entry is written, as the edit taken back.
    Slot slot{state, change.position, size - change.position - change.added};
    slot.entry.text = removed;
    appendAt(m_current, std::move(slot));
}

void TextRing::followText(const QString *present)
{
    if (!m_slots.isEmpty()) {
        // The pivot, a difference from the old present text, becomes one from the new.
        Slot &slot = m_slots[pivot()];
        const QString whole = splice(this->present(), slot);
        setDifference(slot, whole, present ? *present : whole);
        if (!present)
            m_own = whole;
    }
    m_followed = present;
}

void TextRing::textEdited(const SheetRows::Change &change, const QString &removed)
{
    if (!m_followed || m_slots.isEmpty())
        return;
    const QString &after = *m_followed;
    const qsizetype from = change.position;
    const qsizetype to = from + change.removed;
    const qsizetype delta = change.added - change.removed;
    const qsizetype oldSize = after.size() - delta;
    Slot &slot = m_slots[pivot()];
    if (slot.entry.text.isEmpty() && slot.length() == oldSize) {
        // The text as it was, which shares any start: split where the edit starts.
        slot.prefix = from;
        slot.suffix = oldSize - from;
    }
    const qsizetype prefix = std::min(slot.prefix, from);
    const qsizetype suffix = std::min(slot.suffix, oldSize - to);
    // An edit inside the stretch the pivot has of its own leaves it as it is.
    if (prefix == slot.prefix && suffix == slot.suffix)
        return;
    // Characters a .. b - 1 of the text before the edit: the removed ones and those round them.
    const auto before = [&](qsizetype a, qsizetype b) {
        QString part;
        if (a < from)
            part += QStringView(after).mid(a, std::min(b, from) - a);
        if (std::max(a, from) < std::min(b, to))
            part += QStringView(removed).mid(std::max(a, from) - from, std::min(b, to) - std::max(a, from));
        if (std::max(a, to) < b)
            part += QStringView(after).mid(std::max(a, to) + delta, b - std::max(a, to));
        return part;
    };
    slot.entry.text = before(prefix, slot.prefix) + slot.entry.text + before(oldSize - slot.suffix, oldSize - suffix);
    slot.prefix = prefix;
    slot.suffix = suffix;
}

void TextRing::settleEdit()
{
    // After an undo step the text holds the entry's own part, which would otherwise stay a
    // difference and take in the whole stretch up to any later edit.
    if (!m_followed || m_slots.isEmpty())
        return;
    Slot &slot = m_slots[pivot()];
    const QString &text = *m_followed;
    if (slot.length() == text.size() && QStringView(slot.entry.text) == QStringView(text).mid(slot.prefix, slot.entry.text.size())) {
        slot.entry.text.clear();
        slot.prefix = text.size();
        slot.suffix = 0;
    }
}

void TextRing::dropNewest()
{
    if (!atEnd() || m_slots.isEmpty())
        return;
    const QString &base = present();
    const Slot &newest = m_slots.last();
    // The entry before was its difference from the newest; it becomes the present text's.
    if (m_slots.size() > 1)
        compose(m_slots[m_slots.size() - 2], newest, base);
    else if (m_evicted)
        compose(*m_evicted, newest, base);
    m_slots.removeLast();
    if (m_evicted) {
        m_slots.prepend(*m_evicted);
        m_evicted.reset();
    }
    m_current = m_slots.size();
    settleOwnText();
}

void TextRing::toEnd()
{
    if (m_slots.isEmpty())
        return;
    for (qsizetype p = pivot(); p + 1 < m_slots.size(); ++p) {
        movePivot(p + 1);
        m_current = p + 1;
    }
    m_current = m_slots.size();
    settleOwnText();
}

void TextRing::toNewest()
{
    toEnd();
    m_current = m_slots.size() - 1;
}

bool TextRing::back()
{
    if (m_current == 0)
        return false;
    // From the end the newest entry, the pivot already, becomes current.
    if (m_current < m_slots.size())
        movePivot(m_current - 1);
    --m_current;
    settleOwnText();
    return true;
}

bool TextRing::forward()
{
    if (atNewest())
        return false;
    movePivot(m_current + 1);
    ++m_current;
    settleOwnText();
    return true;
}

bool TextRing::currentTextDiffers() const
{
    const Slot &slot = m_slots.at(m_current);
    const QString &base = present();
    return slot.length() != base.size()
        || QStringView(slot.entry.text) != QStringView(base).mid(slot.prefix, slot.entry.text.size());
}

TextRing::Edit TextRing::currentEdit() const
{
    const Slot &slot = m_slots.at(m_current);
    const QString &base = present();
    Edit edit{slot.prefix, base.size() - slot.suffix, slot.entry.text};
    // Neither end may fall between the CR and the LF of a row break.
    if (edit.from > 0 && edit.from < base.size() && base.at(edit.from - 1) == u'\r' && base.at(edit.from) == u'\n') {
        --edit.from;
        edit.text.prepend(u'\r');
    }
    if (edit.to > 0 && edit.to < base.size() && base.at(edit.to - 1) == u'\r' && base.at(edit.to) == u'\n') {
        ++edit.to;
        edit.text.append(u'\n');
    }
    return edit;
}

TextEntry TextRing::current() const
{
    TextEntry entry = m_slots.at(m_current).entry;
    entry.text = currentTextDiffers() ? splice(present(), m_slots.at(m_current)) : present();
    return entry;
}

TextEntry TextRing::newest() const
{
    if (m_slots.isEmpty())
        return {};
    const qsizetype last = m_slots.size() - 1;
    TextEntry entry = m_slots.at(last).entry;
    QString text = splice(present(), m_slots.at(pivot()));
    for (qsizetype i = pivot() + 1; i <= last; ++i)
        text = splice(text, m_slots.at(i));
    entry.text = std::move(text);
    return entry;
}

QList<TextEntry> TextRing::entries() const
{
    const qsizetype count = m_slots.size();
    QList<TextEntry> list(count);
    if (count == 0)
        return list;
    const auto materialise = [&](qsizetype i, const QString &text) {
        list[i] = m_slots.at(i).entry;
        list[i].text = text;
    };
    // Outwards from the pivot, each text spliced from the one before it.
    const qsizetype p = pivot();
    const QString pivotText = splice(present(), m_slots.at(p));
    materialise(p, pivotText);
    QString text = pivotText;
    for (qsizetype i = p - 1; i >= 0; --i) {
        text = splice(text, m_slots.at(i));
        materialise(i, text);
    }
    text = pivotText;
    for (qsizetype i = p + 1; i < count; ++i) {
        text = splice(text, m_slots.at(i));
        materialise(i, text);
    }
    return list;
}
