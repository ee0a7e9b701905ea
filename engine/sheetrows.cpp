#include "sheetrows.h"

#include <algorithm>

namespace {

// Room for more entries in a list as long as a tape's rows: a little headroom rather than the
// doubling the standard growth gives, which at a million rows would hold megabytes unused.
template <typename Vector>
void makeRoom(Vector &list, size_t more)
{
    if (list.capacity() < list.size() + more)
        list.reserve(list.size() + more + list.size() / 32 + 64);
}

} // namespace

qsizetype SheetRows::rowOf(qsizetype position) const
{
    qsizetype low = 0; // the last start at or before position lies in [low, high)
    qsizetype high = rowCount();
    while (high - low > 1) {
        const qsizetype mid = low + (high - low) / 2;
        if (rowStart(mid) <= position)
            low = mid;
        else
            high = mid;
    }
    return low;
}

void SheetRows::widen()
{
    if (m_wide)
        return;
    m_far.assign(m_near.begin(), m_near.end());
    m_near = std::vector<std::uint32_t>();
    m_wide = true;
}

SheetRows::Change SheetRows::setText(const QString &text)
{
    Change change{0, m_text.size(), text.size(), 0, rowCount() - 1, 0};
    m_text = text;
    m_near.assign(1, 0);
    m_far.clear();
    m_wide = false;
    if (m_text.size() > qsizetype(UINT32_MAX))
        widen();
    const QStringView view(m_text);
    for (qsizetype at = view.indexOf(u'\n', 1); at > 0; at = view.indexOf(u'\n', at + 1)) {
        if (view.at(at - 1) != u'\r')
            continue;
        if (m_wide)
            m_far.push_back(at + 1);
        else
            m_near.push_back(std::uint32_t(at + 1));
    }
    m_near.shrink_to_fit();
    change.rowsAdded = rowCount() - 1;
    return change;
}

template <typename Offsets>
void SheetRows::splice(Offsets &starts, qsizetype first, qsizetype last, const std::vector<qsizetype> &inner,
                       qsizetype shift)
{
    using Offset = typename Offsets::value_type;
    const auto begin = starts.begin() + first + 1;
    const auto end = starts.begin() + last + 1;
    // The starts after the edit move first, while they are still where they were.
    if (shift != 0) {
        for (auto it = end; it != starts.end(); ++it)
            *it = Offset(qsizetype(*it) + shift);
    }
    const qsizetype old = last - first;
    const qsizetype now = qsizetype(inner.size());
    if (now <= old) {
        std::transform(inner.begin(), inner.end(), begin, [](qsizetype at) { return Offset(at); });
        starts.erase(begin + now, end);
    } else {
        std::transform(inner.begin(), inner.begin() + old, begin, [](qsizetype at) { return Offset(at); });
        const qsizetype at = end - starts.begin();
        makeRoom(starts, size_t(now - old));
        starts.insert(starts.begin() + at, inner.begin() + old, inner.end());
    }
}

SheetRows::Change SheetRows::replace(qsizetype from, qsizetype to, QStringView inserted)
{
    // The whole rows the changed characters lie in, including a CR LF they cut into. The text
    // before the first of them ends in a CR LF and the text after the last starts with one, both
    // unchanged, so the rows in between are all that can have been joined or split.
    const qsizetype oldSize = m_text.size();
    const qsizetype first = rowOf(from);
    qsizetype last = rowOf(to);
    if (to > rowEnd(last))
        ++last; // between the CR and the LF of a row break: the row after it joins
    const qsizetype windowStart = rowStart(first);
    const qsizetype shift = inserted.size() - (to - from);
    const qsizetype windowEnd = (last + 1 < rowCount() ? rowStart(last + 1) - 2 : oldSize) + shift;

    m_text.replace(from, to - from, inserted.data(), inserted.size());

    const QStringView text(m_text);
    std::vector<qsizetype> inner;
    for (qsizetype at = text.indexOf(u'\n', windowStart + 1); at > 0 && at < windowEnd;
         at = text.indexOf(u'\n', at + 1)) {
        if (text.at(at - 1) == u'\r')
            inner.push_back(at + 1);
    }
    if (m_text.size() > qsizetype(UINT32_MAX))
        widen();
    if (m_wide)
        splice(m_far, first, last, inner, shift);
    else
        splice(m_near, first, last, inner, shift);
    return {from, to - from, inserted.size(), first, last - first, qsizetype(inner.size())};
}
