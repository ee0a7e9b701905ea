#include "textring.h"

#include "texthelpers.h"

#include <algorithm>

namespace {

bool sameText(const QString &a, const QString &b)
{
    return a.size() == b.size() && (a.constData() == b.constData() || a == b);
}

} // namespace

TextRing::TextRing(int capacity)
    : m_capacity(std::max(capacity, 0))
{
}

const QString &TextRing::anchorText() const
{
    return m_anchor == m_slots.size() ? m_shared : m_slots.at(m_anchor).entry.text;
}

QString TextRing::splice(const QString &neighbour, const Slot &slot)
{
    const QString &middle = slot.entry.text;
    if (slot.prefix == 0 && slot.suffix == 0)
        return middle;
    QString whole;
    whole.reserve(slot.prefix + middle.size() + slot.suffix);
    whole.append(neighbour.constData(), slot.prefix);
    whole.append(middle);
    whole.append(neighbour.constData() + neighbour.size() - slot.suffix, slot.suffix);
    return whole;
}

void TextRing::setDifference(Slot &slot, const QString &whole, const QString &neighbour)
{
    setDifference(slot, whole, neighbour, CommonTextEnds(whole, neighbour));
}

void TextRing::setDifference(Slot &slot, const QString &whole, const QString &neighbour, CommonEnds ends)
{
    const qsizetype shorter = std::min(whole.size(), neighbour.size());
    const qsizetype prefix = std::min(ends.head, shorter);
    const qsizetype suffix = std::min(ends.tail, shorter - prefix);
    // mid() copies a part, so the slot does not keep the whole text alive.
    slot.entry.text = whole.mid(prefix, whole.size() - prefix - suffix);
    slot.prefix = prefix;
    slot.suffix = suffix;
}

void TextRing::moveAnchor(qsizetype to)
{
    Slot &target = m_slots[to];
    QString whole = splice(anchorText(), target);
    if (m_anchor == m_slots.size()) {
        m_shared.clear();
    } else {
        // The old anchor differs from the new one over the same start and end, by its own middle.
        Slot &old = m_slots[m_anchor];
        old.entry.text = old.entry.text.mid(target.prefix, old.entry.text.size() - target.prefix - target.suffix);
        old.prefix = target.prefix;
        old.suffix = target.suffix;
    }
    target.entry.text = std::move(whole);
    target.prefix = 0;
    target.suffix = 0;
    m_anchor = to;
}

void TextRing::record(const TextEntry &recorded)
{
    if (m_capacity == 0)
        return;
    // A copy (sharing the text): the entry may be current(), which the truncation below drops.
    const TextEntry entry = recorded;
    const qsizetype at = m_current;
    if (at > 0) {
        // The entry before the written one becomes its difference from it.
        Slot &before = m_slots[at - 1];
        if (m_anchor == at - 1) {
            setDifference(before, before.entry.text, entry.text);
        } else if (!(m_anchor == m_slots.size() && sameText(m_shared, entry.text))) {
            // It differs from the anchor (the overwritten entry or the shared text), not from
            // the entry recorded; the shared text usually is the entry, then nothing changes.
            setDifference(before, splice(anchorText(), before), entry.text);
        }
    }
    m_shared.clear();
    m_slots.resize(at);
    m_slots.append(Slot{entry});
    m_anchor = at;
    if (m_slots.size() > m_capacity) {
        m_slots.removeFirst();
        --m_anchor;
    }
    m_current = m_slots.size();
}

void TextRing::shareText(const QString &present, CommonEnds unchanged)
{
    if (m_slots.isEmpty() || !atEnd())
        return;
    Slot &newest = m_slots.last();
    if (m_anchor == m_slots.size()) {
        if (m_shared.constData() == present.constData() && m_shared.size() == present.size())
            return;
        // The newest entry shares with the shared text what its difference leaves out of it.
        unchanged.head = std::min(unchanged.head, newest.prefix);
        unchanged.tail = std::min(unchanged.tail, newest.suffix);
        setDifference(newest, splice(m_shared, newest), present, unchanged);
    } else {
        setDifference(newest, newest.entry.text, present, unchanged);
    }
    m_shared = present;
    m_anchor = m_slots.size();
}

void TextRing::toEnd()
{
    if (!m_slots.isEmpty() && m_anchor < m_slots.size())
        while (m_anchor + 1 < m_slots.size())
            moveAnchor(m_anchor + 1);
    m_current = m_slots.size();
}

void TextRing::toNewest()
{
    toEnd();
    if (m_anchor == m_slots.size())
        moveAnchor(m_anchor - 1);
    m_current = m_anchor;
}

bool TextRing::back()
{
    if (m_current == 0)
        return false;
    if (m_anchor == m_current)
        moveAnchor(m_current - 1);
    // At the end with the anchor on the newest entry it is already there.
    --m_current;
    return true;
}

bool TextRing::forward()
{
    if (atNewest())
        return false;
    moveAnchor(m_current + 1);
    ++m_current;
    return true;
}

TextEntry TextRing::newest() const
{
    if (m_slots.isEmpty())
        return {};
    const qsizetype last = m_slots.size() - 1;
    if (m_anchor == last)
        return m_slots.at(last).entry;
    TextEntry entry = m_slots.at(last).entry;
    if (m_anchor == m_slots.size()) {
        entry.text = splice(m_shared, m_slots.at(last));
    } else {
        QString text = anchorText();
        for (qsizetype i = m_anchor + 1; i <= last; ++i)
            text = splice(text, m_slots.at(i));
        entry.text = std::move(text);
    }
    return entry;
}

QList<TextEntry> TextRing::entries() const
{
    const qsizetype count = m_slots.size();
    QList<TextEntry> list(count);
    const auto materialise = [&](qsizetype i, const QString &text) {
        list[i] = m_slots.at(i).entry;
        list[i].text = text;
    };
    // Outwards from the anchor, each text spliced from the one before it.
    QString text = anchorText();
    if (m_anchor < count)
        materialise(m_anchor, text);
    for (qsizetype i = std::min(m_anchor, count) - 1; i >= 0; --i) {
        text = splice(text, m_slots.at(i));
        materialise(i, text);
    }
    text = anchorText();
    for (qsizetype i = m_anchor + 1; i < count; ++i) {
        text = splice(text, m_slots.at(i));
        materialise(i, text);
    }
    return list;
}
