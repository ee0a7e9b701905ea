#include "textring.h"

TextRing::TextRing(int capacity)
    : m_slots(capacity + 1)
{
}

int TextRing::size() const
{
    const int n = m_end - m_first;
    return n < 0 ? n + int(m_slots.size()) : n;
}

void TextRing::record(const TextEntry &entry)
{
    m_slots[m_current] = entry;
    m_current = next(m_current);
    m_end = m_current;
    if (m_current == m_first)
        m_first = next(m_first);
}

bool TextRing::back()
{
    if (isEmpty() || m_current == m_first)
        return false;
    m_current = previous(m_current);
    return true;
}

bool TextRing::forward()
{
    if (m_current == m_end || next(m_current) == m_end)
        return false;
    m_current = next(m_current);
    return true;
}

TextEntry TextRing::newest() const
{
    return isEmpty() ? TextEntry() : m_slots.at(previous(m_end));
}

QList<TextEntry> TextRing::entries() const
{
    QList<TextEntry> list;
    list.reserve(size());
    for (int slot = m_first; slot != m_end; slot = next(slot))
        list.append(m_slots.at(slot));
    return list;
}
