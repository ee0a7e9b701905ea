#include "sheetfind.h"

#include <algorithm>

namespace {

// Case only matters for a needle with a character that has a case: digits and operators are
// searched case-sensitively, which is the same match and several times faster on a long tape.
Qt::CaseSensitivity sensitivityFor(QStringView needle)
{
    const bool caseless = std::all_of(needle.begin(), needle.end(), [](QChar c) {
        return c.unicode() < 0x80 && !c.isLetter();
    });
    return caseless ? Qt::CaseSensitive : Qt::CaseInsensitive;
}

SheetHit hitAt(const SheetRows &rows, qsizetype start, qsizetype length, bool wrapped)
{
    if (start < 0)
        return {};
    return {rows.rowOf(start), start, length, wrapped};
}

} // namespace

SheetHit FindInSheet(const SheetRows &rows, QStringView needle, qsizetype from, FindDirection direction)
{
    const QStringView text(rows.text());
    if (needle.isEmpty() || needle.size() > text.size())
        return {};
    const Qt::CaseSensitivity cs = sensitivityFor(needle);
    from = std::clamp<qsizetype>(from, 0, text.size());
    if (direction == FindDirection::Forward) {
        if (const qsizetype at = text.indexOf(needle, from, cs); at >= 0)
            return hitAt(rows, at, needle.size(), false);
        // Round from the start: what starts before from (a hit after it was not there).
        return hitAt(rows, text.left(std::min(text.size(), from + needle.size() - 1)).indexOf(needle, 0, cs),
                     needle.size(), true);
    }
    // Backward: a hit that starts before from, else the last one of the sheet.
    if (from > 0) {
        if (const qsizetype at = text.left(std::min(text.size(), from - 1 + needle.size())).lastIndexOf(needle, -1, cs);
            at >= 0)
            return hitAt(rows, at, needle.size(), false);
    }
    const qsizetype last = text.lastIndexOf(needle, -1, cs);
    return hitAt(rows, last >= from ? last : -1, needle.size(), true);
}

qsizetype CountInSheet(const SheetRows &rows, QStringView needle, qsizetype from, qsizetype to)
{
    const QStringView text(rows.text());
    from = std::clamp<qsizetype>(from, 0, text.size());
    to = std::clamp<qsizetype>(to, from, text.size());
    if (needle.isEmpty())
        return 0;
    // The hits that start in the range may end past it.
    return text.mid(from, std::min(text.size(), to - 1 + needle.size()) - from).count(needle, sensitivityFor(needle));
}
