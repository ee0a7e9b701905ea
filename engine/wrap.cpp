#include "wrap.h"

#include <QStringList>

namespace {

// A rest of the row at most this long is measured whole first, as a row that fits needs only
// that one measurement; a longer one is never measured whole.
constexpr qsizetype kWholeRestChars = 512;

} // namespace

QString WrapText(const QString &strText, const QString &strBreakChars, const QString &strSeparator,
                 int intWidth, const TextWidthFunction &width)
{
    if (strText.isEmpty())
        return strText;
    if (strSeparator.isEmpty()) {
        QStringList rows = strText.split(strSeparator);
        for (QString &row : rows)
            row = WrapLine(row, strBreakChars, strSeparator, intWidth, false, width);
        return rows.join(strSeparator);
    }
    // Row by row without copying the rows: most fit, and a text none of whose rows changes is
    // given back as it is. A row that fits is measured once, whole, as WrapLine would first do.
    QString out;
    qsizetype copied = 0; // strText up to here is in out
    qsizetype start = 0;
    const qsizetype size = strText.size();
    for (;;) {
        // The separator's first character is looked for alone, which is much quicker than the
        // whole separator on a text of many short rows.
        qsizetype end = start;
        for (;;) {
            end = strText.indexOf(strSeparator.front(), end);
            if (end < 0 || QStringView(strText).mid(end).startsWith(strSeparator))
                break;
            ++end;
        }
        if (end < 0)
            end = size;
        const QString row = QString::fromRawData(strText.constData() + start, end - start);
        const bool fits = row.size() <= kWholeRestChars && width(row) <= intWidth;
        if (!fits) {
            const QString wrapped = WrapLine(row, strBreakChars, strSeparator, intWidth, false, width);
            if (wrapped != row) {
                out += QStringView(strText).mid(copied, start - copied);
                out += wrapped;
                copied = end;
            }
        }
        if (end == size)
            break;
        start = end + strSeparator.size();
    }
    if (copied == 0)
        return strText;
    out += QStringView(strText).mid(copied);
    return out;
}


QString WrapLine(const QString &strRow, const QString &strBreakChars, const QString &strSeparator,
                 int intWidth, bool blnBroken, const TextWidthFunction &width)
{
    // Each piece is the longest prefix of the rest of the row that fits, cut back to its last
    // break character. The rest may be a megabyte long, so only prefixes up to about twice the
    // piece are ever measured: a width never shrinks when a character is added, so once a prefix
    // is known to be too wide every longer one is too, and the bisection below takes the same
    // steps as one that measured every prefix it looks at. The cost is linear in the row's length.
    QString out;
    const qsizetype size = strRow.size();
    qsizetype start = 0;
    bool broken = blnBroken;
    const auto prefixWidth = [&](qsizetype count) { return width(strRow.mid(start, count)); };
    for (;;) {
        const qsizetype rest = size - start;
        // The shortest prefix known to be too wide; rest + 1 while none is known.
        qsizetype tooWide = rest + 1;
        if (rest > kWholeRestChars) {
            for (qsizetype m = 1; m < rest; m *= 2) {
                if (prefixWidth(m) > intWidth) {
                    tooWide = m;
                    break;
                }
            }
        }
        if (tooWide > rest) {
            if (prefixWidth(rest) <= intWidth)
                return out + strRow.mid(start);
            tooWide = rest;
        }
        const auto measure = [&](qsizetype count) {
            return count >= tooWide ? intWidth + 1 : prefixWidth(count);
        };

        // Bisection for the number of leading characters that fit.
        qsizetype lo = 1;
        qsizetype hi = rest;
        qsizetype n = 0;
        for (;;) {
            const qsizetype mid = (lo + hi) / 2;
            const int w = measure(mid);
            if (w < intWidth) {
                lo = mid + 1;
                if (lo > hi) {
                    n = hi;
                    break;
                }
            } else if (w == intWidth) {
                n = mid;
                break;
            } else {
                hi = mid;
                if (hi == lo) {
                    n = hi - 1;
                    break;
                }
            }
        }

        for (qsizetype k = n; k >= 1; --k) {
            if (strBreakChars.contains(strRow.at(start + k - 1))) {
                broken = true;
                n = k;
                break;
            }
        }
        if (n == 0)
            n = 1;

        out += QStringView(strRow).mid(start, n);
        if (broken)
            out += strSeparator;
        start += n;
        if (start == size)
            return out;
    }
}

qint16 LoWord(qint32 lngValue)
{
    return static_cast<qint16>(static_cast<quint16>(static_cast<quint32>(lngValue) & 0xFFFFu));
}

QString NextInList(const QString &strTag, const QStringList &list, int intButton)
{
    if (list.isEmpty())
        return QString();
    qsizetype i = list.indexOf(strTag);
    if (i < 0)
        i = list.size();
    const qsizetype n = intButton == 2 ? i - 1 : i + 1;
    const qsizetype count = list.size();
    return list.at(((n % count) + count) % count);
}
