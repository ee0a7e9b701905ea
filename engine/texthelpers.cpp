#include "texthelpers.h"

#include <algorithm>
#include <cstring>

#include <array>
#include <limits>
#include <utility>

namespace {

bool inSet(QChar c, const QString &set, Qt::CaseSensitivity compare)
{
    return set.contains(c, compare);
}

// Whether `find` stands at offset i of the logical text head + tail.mid(tailPos).
bool matchesAcross(const QString &head, qsizetype i, const QString &tail, qsizetype tailPos,
                   const QString &find, Qt::CaseSensitivity compare)
{
    const qsizetype headPart = std::min(find.size(), head.size() - i);
    if (QStringView(head).mid(i, headPart).compare(QStringView(find).left(headPart), compare) != 0)
        return false;
    const qsizetype rest = find.size() - headPart;
    if (rest == 0)
        return true;
    if (tail.size() - tailPos < rest)
        return false;
    return QStringView(tail).mid(tailPos, rest).compare(QStringView(find).mid(headPart), compare) == 0;
}

} // namespace

namespace {

// ReplaceAll's work, stopping as soon as the text built passes maxLength characters. The part
// already written out is final (later matches only ever look at what follows it), so checking it
// after each step catches any growth before it costs more than one replacement of memory.
bool replaceAllWithin(QString &out, const QString &source, const QString &find,
                      const QString &replacement, Qt::CaseSensitivity compare, qsizetype maxLength)
{
    out.clear();
    if (find.isEmpty()) {
        out = source;
        return out.size() <= maxLength;
    }

    if (replacement.contains(find, compare)) {
        // Ordinary replace-all: each search starts behind the inserted replacement.
        qsizetype pos = 0;
        for (;;) {
            const qsizetype hit = source.indexOf(find, pos, compare);
            if (hit < 0)
                break;
            out += QStringView(source).mid(pos, hit - pos);
            out += replacement;
            pos = hit + find.size();
            if (out.size() > maxLength)
                return false;
        }
        out += QStringView(source).mid(pos);
        return out.size() <= maxLength;
    }

    // Rescanning replace-all. The text still to be searched is `pending` followed by the source
    // from `pos`; `pending` holds the last replacement (and whatever of it a later match left),
    // so a long text is handled in one pass instead of being rebuilt at every occurrence.
    out.reserve(std::min(source.size(), maxLength));
    QString pending;
    qsizetype pos = 0;
    for (;;) {
        if (out.size() > maxLength)
            return false;
        bool matched = false;
        for (qsizetype i = 0; i < pending.size(); ++i) {
            if (!matchesAcross(pending, i, source, pos, find, compare))
                continue;
            out += QStringView(pending).left(i);
            const qsizetype inPending = pending.size() - i;
            if (find.size() <= inPending) {
                pending = replacement + pending.mid(i + find.size());
            } else {
                pos += find.size() - inPending;
                pending = replacement;
            }
            matched = true;
            break;
        }
        if (matched)
            continue;
        out += pending;
        pending.clear();
        const qsizetype hit = source.indexOf(find, pos, compare);
        if (hit < 0) {
            out += QStringView(source).mid(pos);
            return out.size() <= maxLength;
        }
        out += QStringView(source).mid(pos, hit - pos);
        pending = replacement;
        pos = hit + find.size();
    }
}

} // namespace

QString ReplaceAll(const QString &source, const QString &find, const QString &replacement,
                   Qt::CaseSensitivity compare)
{
    QString out;
    replaceAllWithin(out, source, find, replacement, compare,
                     std::numeric_limits<qsizetype>::max());
    return out;
}

bool ReplaceAllWithin(QString &text, const QString &find, const QString &replacement,
                      Qt::CaseSensitivity compare, qsizetype maxLength)
{
    QString out;
    if (!replaceAllWithin(out, text, find, replacement, compare, maxLength))
        return false;
    text = std::move(out);
    return true;
}

QList<qsizetype> FindPositions(const QString &text, const QString &find,
                               Qt::CaseSensitivity compare)
{
    QList<qsizetype> positions;
    if (find.isEmpty())
        return positions;
    qsizetype from = 0;
    for (;;) {
        const qsizetype hit = text.indexOf(find, from, compare);
        if (hit < 0)
            break;
        positions.append(hit + 1);
        from = hit + find.size();
    }
    return positions;
}

QString TrimChars(const QString &text, const QString &set, int sides,
                  Qt::CaseSensitivity compare, qsizetype &lngCaret)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    if (sides & TrimLeft) {
        while (begin < end && inSet(text.at(begin), set, compare)) {
            ++begin;
            if (lngCaret >= 1)
                --lngCaret;
        }
    }
    if (sides & TrimRight) {
        while (end > begin && inSet(text.at(end - 1), set, compare)) {
            --end;
            if (lngCaret > end - begin)
                lngCaret = end - begin;
        }
    }
    return text.mid(begin, end - begin);
}

QString TrimChars(const QString &text, const QString &set, int sides)
{
    qsizetype caret = 0;
    return TrimChars(text, set, sides, Qt::CaseSensitive, caret);
}

QString FilterChars(const QString &text, const QString &set, bool keep,
                    Qt::CaseSensitivity compare, qsizetype &lngCaret)
{
    // Case-sensitive membership of ASCII characters comes from a table; the rest asks the set.
    std::array<bool, 128> inAscii{};
    const bool table = compare == Qt::CaseSensitive;
    if (table) {
        for (const QChar c : set) {
            if (c.unicode() < 128)
                inAscii[c.unicode()] = true;
        }
    }
    const auto kept = [&](QChar c) {
        const bool in = table && c.unicode() < 128 ? inAscii[c.unicode()] : inSet(c, set, compare);
        return in == keep;
    };

    // Kept characters are copied in runs; a text that loses nothing is returned as it is.
    QString out;
    qsizetype runStart = 0;
    qsizetype droppedBeforeCaret = 0;
    bool dropped = false;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (kept(text.at(i)))
            continue;
        if (!dropped) {
            out.reserve(n);
            dropped = true;
        }
        out += QStringView(text).mid(runStart, i - runStart);
        runStart = i + 1;
        if (i + 1 <= lngCaret)
            ++droppedBeforeCaret;
    }
    if (!dropped)
        return text;
    out += QStringView(text).mid(runStart);
    lngCaret -= droppedBeforeCaret;
    return out;
}

QString FilterChars(const QString &text, const QString &set, bool keep)
{
    qsizetype caret = 0;
    return FilterChars(text, set, keep, Qt::CaseSensitive, caret);
}

namespace {

QString trimmedIf(const QString &text, bool trim)
{
    return trim ? TrimChars(text, QStringLiteral("\t "), TrimBoth) : text;
}

} // namespace

QString TextBefore(const QString &text, const QString &separator, bool last,
                   bool trim, bool includeSeparator, bool wholeIfMissing)
{
    const qsizetype at = separator.isEmpty()
        ? -1
        : (last ? text.lastIndexOf(separator) : text.indexOf(separator));
    if (at < 0)
        return wholeIfMissing ? trimmedIf(text, trim) : QString();
    return trimmedIf(text.left(at + (includeSeparator ? separator.size() : 0)), trim);
}

QString TextAfter(const QString &text, const QString &separator, bool first,
                  bool trim, bool includeSeparator, bool wholeIfMissing)
{
    const qsizetype at = separator.isEmpty()
        ? -1
        : (first ? text.indexOf(separator) : text.lastIndexOf(separator));
    if (at < 0)
        return wholeIfMissing ? trimmedIf(text, trim) : QString();
    return trimmedIf(text.mid(includeSeparator ? at : at + separator.size()), trim);
}

CommonEnds CommonTextEnds(QStringView a, QStringView b)
{
    const qsizetype shorter = std::min(a.size(), b.size());
    const QChar *pa = a.data();
    const QChar *pb = b.data();
    constexpr qsizetype kBlock = 1024;
    CommonEnds ends;
    qsizetype &head = ends.head;
    while (head + kBlock <= shorter && std::memcmp(pa + head, pb + head, kBlock * sizeof(QChar)) == 0)
        head += kBlock;
    while (head < shorter && pa[head] == pb[head])
        ++head;
    qsizetype &tail = ends.tail;
    const qsizetype endA = a.size();
    const qsizetype endB = b.size();
    while (tail + kBlock <= shorter - head
           && std::memcmp(pa + endA - tail - kBlock, pb + endB - tail - kBlock, kBlock * sizeof(QChar)) == 0)
        tail += kBlock;
    while (tail < shorter - head && pa[endA - 1 - tail] == pb[endB - 1 - tail])
        ++tail;
    return ends;
}
