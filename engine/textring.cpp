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
    static const QString none;
    if (m_anchor == m_slots.size())
        return m_present ? *m_present : none;
    return m_slots.at(m_anchor).entry.text;
}

QString TextRing::wholeText(qsizetype index) const
{
    QString text = anchorText();
    for (qsizetype i = std::min(m_anchor, m_slots.size()) - 1; i >= index; --i)
        text = splice(text, m_slots.at(i));
    for (qsizetype i = m_anchor + 1; i <= index; ++i)
        text = splice(text, m_slots.at(i));
    return text;
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
    const CommonEnds ends = CommonTextEnds(QStringView(whole), QStringView(neighbour));
    const qsizetype prefix = ends.head;
    const qsizetype suffix = ends.tail;
    // mid() copies a part, so the slot does not keep the whole text alive.
    slot.entry.text = whole.mid(prefix, whole.size() - prefix - suffix);
    slot.prefix = prefix;
    slot.suffix = suffix;
}

void TextRing::moveAnchor(qsizetype to)
{
    Slot &target = m_slots[to];
    QString whole = splice(anchorText(), target);
    if (m_anchor < m_slots.size()) {
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
        } else if (!(m_anchor == m_slots.size() && sameText(anchorText(), entry.text))) {
            // It differs from the anchor (the overwritten entry or the shared text), not from
            // the entry recorded; the shared text usually is the entry, then nothing changes.
            setDifference(before, splice(anchorText(), before), entry.text);
        }
    }
    m_evicted.reset();
    m_slots.resize(at);
    m_slots.append(Slot{entry});
    m_anchor = at;
    if (m_slots.size() > m_capacity) {
        m_slots.removeFirst();
        --m_anchor;
    }
    m_current = m_slots.size();
}

void TextRing::followText(const QString *present)
{
    // The newest entry, kept as its difference from the old text, is made whole first.
    if (m_anchor == m_slots.size() && !m_slots.isEmpty())
        moveAnchor(m_anchor - 1);
    m_present = present;
}

void TextRing::textEdited(const SheetRows::Change &change, const QString &removed)
{
    if (!m_present || m_slots.isEmpty() || m_anchor != m_slots.size())
        return;
    const QString &after = *m_present;
    const qsizetype from = change.position;
    const qsizetype to = from + change.removed;
    const qsizetype delta = change.added - change.removed;
    const qsizetype oldSize = after.size() - delta;
    Slot &newest = m_slots.last();
    const qsizetype prefix = std::min(newest.prefix, from);
    const qsizetype suffix = std::min(newest.suffix, oldSize - to);
    // An edit inside the stretch the newest entry has of its own leaves it as it is.
    if (prefix == newest.prefix && suffix == newest.suffix)
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
    newest.entry.text = before(prefix, newest.prefix) + newest.entry.text + before(oldSize - newest.suffix, oldSize - suffix);
    newest.prefix = prefix;
    newest.suffix = suffix;
}

void TextRing::recordFromText(qsizetype prefix, const QString &middle, qsizetype suffix, const TextEntry &state)
{
    if (m_capacity == 0 || !m_present)
        return;
    const QString &present = *m_present;
    const qsizetype at = m_current;
    if (at > 0) {
        // The entry before the written one becomes its difference from it.
        Slot &before = m_slots[at - 1];
        if (at == m_slots.size() && m_anchor == m_slots.size()) {
            // Both are differences from the followed text: over the stretch either has of its
            // own, the one before is its part of the text and its middle.
            const qsizetype head = std::min(before.prefix, prefix);
            const qsizetype tail = std::min(before.suffix, suffix);
            before.entry.text = present.mid(head, before.prefix - head) + before.entry.text
                + present.mid(present.size() - before.suffix, before.suffix - tail);
            before.prefix = head;
            before.suffix = tail;
        } else {
            // Stepped back (after an undo): the entries up to the one before point towards it,
            // and the two are compared whole, once.
            while (m_anchor < at - 1)
                moveAnchor(m_anchor + 1);
            const QString whole = m_anchor == at - 1 ? before.entry.text : wholeText(at - 1);
            setDifference(before, whole, present.left(prefix) + middle + present.right(suffix));
        }
    }
    m_slots.resize(at);
    Slot slot{state, prefix, suffix};
    slot.entry.text = middle;
    m_slots.append(std::move(slot));
    m_evicted.reset();
    if (m_slots.size() > m_capacity)
        m_evicted = m_slots.takeFirst();
    m_anchor = m_current = m_slots.size();
}

void TextRing::dropNewest()
{
    if (!atEnd() || m_slots.isEmpty() || m_anchor != m_slots.size())
        return;
    const QString &present = *m_present;
    const Slot &newest = m_slots.last();
    const bool same = newest.prefix + newest.suffix + newest.entry.text.size() == present.size()
        && QStringView(newest.entry.text) == QStringView(present).mid(newest.prefix, newest.entry.text.size());
    if (!same && m_slots.size() > 1) {
        // The entry before was its difference from the newest, which is not the followed text:
        // it is made its difference from that text, by a comparison of the two.
        Slot &before = m_slots[m_slots.size() - 2];
        setDifference(before, splice(splice(present, newest), before), present);
    }
    // An entry the newest pushed out of a full ring comes back.
    m_slots.removeLast();
    if (m_evicted) {
        m_slots.prepend(*m_evicted);
        m_evicted.reset();
    }
    m_anchor = m_current = m_slots.size();
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
        entry.text = splice(anchorText(), m_slots.at(last));
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
