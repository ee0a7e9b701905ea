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

// Whether strFind stands at offset i of the logical text head + tail.mid(tailPos).
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

// ReplaceAll's work, stopping as soon as the text built passes lngMaxLength characters. The part
// already written out is final (later matches only ever look at what follows it), so checking it
// after each step catches any growth before it costs more than one replacement of memory.
bool replaceAllWithin(QString &out, const QString &strSource, const QString &strFind,
                      const QString &strReplace, Qt::CaseSensitivity compare, qsizetype lngMaxLength)
{
    out.clear();
    if (strFind.isEmpty()) {
        out = strSource;
        return out.size() <= lngMaxLength;
    }

    if (strReplace.contains(strFind, compare)) {
        // Ordinary replace-all: each search starts behind the inserted replacement.
        qsizetype pos = 0;
        for (;;) {
            const qsizetype hit = strSource.indexOf(strFind, pos, compare);
            if (hit < 0)
                break;
            out += QStringView(strSource).mid(pos, hit - pos);
            out += strReplace;
            pos = hit + strFind.size();
            if (out.size() > lngMaxLength)
                return false;
        }
        out += QStringView(strSource).mid(pos);
        return out.size() <= lngMaxLength;
    }

    // Rescanning replace-all. The text still to be searched is `pending` followed by the source
    // from `pos`; `pending` holds the last replacement (and whatever of it a later match left),
    // so a long text is handled in one pass instead of being rebuilt at every occurrence.
    out.reserve(std::min(strSource.size(), lngMaxLength));
    QString pending;
    qsizetype pos = 0;
    for (;;) {
        if (out.size() > lngMaxLength)
            return false;
        bool matched = false;
        for (qsizetype i = 0; i < pending.size(); ++i) {
            if (!matchesAcross(pending, i, strSource, pos, strFind, compare))
                continue;
            out += QStringView(pending).left(i);
            const qsizetype inPending = pending.size() - i;
            if (strFind.size() <= inPending) {
                pending = strReplace + pending.mid(i + strFind.size());
            } else {
                pos += strFind.size() - inPending;
                pending = strReplace;
            }
            matched = true;
            break;
        }
        if (matched)
            continue;
        out += pending;
        pending.clear();
        const qsizetype hit = strSource.indexOf(strFind, pos, compare);
        if (hit < 0) {
            out += QStringView(strSource).mid(pos);
            return out.size() <= lngMaxLength;
        }
        out += QStringView(strSource).mid(pos, hit - pos);
        pending = strReplace;
        pos = hit + strFind.size();
    }
}

} // namespace

QString ReplaceAll(const QString &strSource, const QString &strFind, const QString &strReplace,
                   Qt::CaseSensitivity compare)
{
    QString out;
    replaceAllWithin(out, strSource, strFind, strReplace, compare,
                     std::numeric_limits<qsizetype>::max());
    return out;
}

bool ReplaceAllWithin(QString &strText, const QString &strFind, const QString &strReplace,
                      Qt::CaseSensitivity compare, qsizetype lngMaxLength)
{
    QString out;
    if (!replaceAllWithin(out, strText, strFind, strReplace, compare, lngMaxLength))
        return false;
    strText = std::move(out);
    return true;
}

QList<qsizetype> FindPositions(const QString &strText, const QString &strFind,
                               Qt::CaseSensitivity compare)
{
    QList<qsizetype> positions;
    if (strFind.isEmpty())
        return positions;
    qsizetype from = 0;
    for (;;) {
        const qsizetype hit = strText.indexOf(strFind, from, compare);
        if (hit < 0)
            break;
        positions.append(hit + 1);
        from = hit + strFind.size();
    }
    return positions;
}

QString TrimChars(const QString &strText, const QString &strSet, int intSides,
                  Qt::CaseSensitivity compare, qsizetype &lngCaret)
{
    qsizetype begin = 0;
    qsizetype end = strText.size();
    if (intSides & TrimLeft) {
        while (begin < end && inSet(strText.at(begin), strSet, compare)) {
            ++begin;
            if (lngCaret >= 1)
                --lngCaret;
        }
    }
    if (intSides & TrimRight) {
        while (end > begin && inSet(strText.at(end - 1), strSet, compare)) {
            --end;
            if (lngCaret > end - begin)
                lngCaret = end - begin;
        }
    }
    return strText.mid(begin, end - begin);
}

QString TrimChars(const QString &strText, const QString &strSet, int intSides)
{
    qsizetype caret = 0;
    return TrimChars(strText, strSet, intSides, Qt::CaseSensitive, caret);
}

QString FilterChars(const QString &strText, const QString &strSet, bool blnKeep,
                    Qt::CaseSensitivity compare, qsizetype &lngCaret)
{
    // Case-sensitive membership of ASCII characters comes from a table; the rest asks the set.
    std::array<bool, 128> inAscii{};
    const bool table = compare == Qt::CaseSensitive;
    if (table) {
        for (const QChar c : strSet) {
            if (c.unicode() < 128)
                inAscii[c.unicode()] = true;
        }
    }
    const auto kept = [&](QChar c) {
        const bool in = table && c.unicode() < 128 ? inAscii[c.unicode()] : inSet(c, strSet, compare);
        return in == blnKeep;
    };

    // Kept characters are copied in runs; a text that loses nothing is returned as it is.
    QString out;
    qsizetype runStart = 0;
    qsizetype droppedBeforeCaret = 0;
    bool dropped = false;
    const qsizetype n = strText.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (kept(strText.at(i)))
            continue;
        if (!dropped) {
            out.reserve(n);
            dropped = true;
        }
        out += QStringView(strText).mid(runStart, i - runStart);
        runStart = i + 1;
        if (i + 1 <= lngCaret)
            ++droppedBeforeCaret;
    }
    if (!dropped)
        return strText;
    out += QStringView(strText).mid(runStart);
    lngCaret -= droppedBeforeCaret;
    return out;
}

QString FilterChars(const QString &strText, const QString &strSet, bool blnKeep)
{
    qsizetype caret = 0;
    return FilterChars(strText, strSet, blnKeep, Qt::CaseSensitive, caret);
}

namespace {

QString trimmedIf(const QString &text, bool trim)
{
    return trim ? TrimChars(text, QStringLiteral("\t "), TrimBoth) : text;
}

} // namespace

QString TextBefore(const QString &strText, const QString &strSeparator, bool blnLast,
                   bool blnTrim, bool blnInclude, bool blnWholeIfMissing)
{
    const qsizetype at = strSeparator.isEmpty()
        ? -1
        : (blnLast ? strText.lastIndexOf(strSeparator) : strText.indexOf(strSeparator));
    if (at < 0)
        return blnWholeIfMissing ? trimmedIf(strText, blnTrim) : QString();
    return trimmedIf(strText.left(at + (blnInclude ? strSeparator.size() : 0)), blnTrim);
}

QString TextAfter(const QString &strText, const QString &strSeparator, bool blnFirst,
                  bool blnTrim, bool blnInclude, bool blnWholeIfMissing)
{
    const qsizetype at = strSeparator.isEmpty()
        ? -1
        : (blnFirst ? strText.indexOf(strSeparator) : strText.lastIndexOf(strSeparator));
    if (at < 0)
        return blnWholeIfMissing ? trimmedIf(strText, blnTrim) : QString();
    return trimmedIf(strText.mid(blnInclude ? at : at + strSeparator.size()), blnTrim);
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
