#include "wrap.h"

#include <QStringList>

namespace {

// A rest of the row at most this long is measured whole first, as a row that fits needs only
// that one measurement; a longer one is never measured whole.
constexpr qsizetype kWholeRestChars = 512;

} // namespace

QString WrapText(const QString &text, const QString &breakChars, const QString &separator,
                 int maxWidth, const TextWidthFunction &width)
{
    if (text.isEmpty())
        return text;
    if (separator.isEmpty()) {
        QStringList rows = text.split(separator);
        for (QString &row : rows)
            row = WrapLine(row, breakChars, separator, maxWidth, false, width);
        return rows.join(separator);
    }
    // Row by row without copying the rows: most fit, and a text none of whose rows changes is
    // given back as it is. A row that fits is measured once, whole, as WrapLine would first do.
    QString out;
    qsizetype copied = 0; // text up to here is in out
    qsizetype start = 0;
    const qsizetype size = text.size();
    for (;;) {
        // The separator's first character is looked for alone, which is much quicker than the
        // whole separator on a text of many short rows.
        qsizetype end = start;
        for (;;) {
            end = text.indexOf(separator.front(), end);
            if (end < 0 || QStringView(text).mid(end).startsWith(separator))
                break;
            ++end;
        }
        if (end < 0)
            end = size;
        const QString row = QString::fromRawData(text.constData() + start, end - start);
        const bool fits = row.size() <= kWholeRestChars && width(row) <= maxWidth;
        if (!fits) {
            const QString wrapped = WrapLine(row, breakChars, separator, maxWidth, false, width);
            if (wrapped != row) {
                out += QStringView(text).mid(copied, start - copied);
                out += wrapped;
                copied = end;
            }
        }
        if (end == size)
            break;
        start = end + separator.size();
    }
    if (copied == 0)
        return text;
    out += QStringView(text).mid(copied);
    return out;
}


QString WrapLine(const QString &row, const QString &breakChars, const QString &separator,
                 int maxWidth, bool broken, const TextWidthFunction &width)
{
    // Each piece is the longest prefix of the rest of the row that fits, cut back to its last
    // break character. The rest may be a megabyte long, so only prefixes up to about twice the
    // piece are ever measured: a width never shrinks when a character is added, so once a prefix
    // is known to be too wide every longer one is too, and the bisection below takes the same
    // steps as one that measured every prefix it looks at. The cost is linear in the row's length.
    QString out;
    const qsizetype size = row.size();
    qsizetype start = 0;
    const auto prefixWidth = [&](qsizetype count) { return width(row.mid(start, count)); };
    for (;;) {
        const qsizetype rest = size - start;
        // The shortest prefix known to be too wide; rest + 1 while none is known.
        qsizetype tooWide = rest + 1;
        if (rest > kWholeRestChars) {
            for (qsizetype m = 1; m < rest; m *= 2) {
                if (prefixWidth(m) > maxWidth) {
                    tooWide = m;
                    break;
                }
            }
        }
        if (tooWide > rest) {
            if (prefixWidth(rest) <= maxWidth)
                return out + row.mid(start);
            tooWide = rest;
        }
        const auto measure = [&](qsizetype count) {
            return count >= tooWide ? maxWidth + 1 : prefixWidth(count);
        };

        // Bisection for the number of leading characters that fit.
        qsizetype lo = 1;
        qsizetype hi = rest;
        qsizetype n = 0;
        for (;;) {
            const qsizetype mid = (lo + hi) / 2;
            const int w = measure(mid);
            if (w < maxWidth) {
                lo = mid + 1;
                if (lo > hi) {
                    n = hi;
                    break;
                }
            } else if (w == maxWidth) {
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
            if (breakChars.contains(row.at(start + k - 1))) {
                broken = true;
                n = k;
                break;
            }
        }
        if (n == 0)
            n = 1;

        out += QStringView(row).mid(start, n);
        if (broken)
            out += separator;
        start += n;
        if (start == size)
            return out;
    }
}

qint16 LoWord(qint32 value)
{
    return static_cast<qint16>(static_cast<quint16>(static_cast<quint32>(value) & 0xFFFFu));
}

QString NextInList(const QString &tag, const QStringList &list, int button)
{
    if (list.isEmpty())
        return QString();
    qsizetype i = list.indexOf(tag);
    if (i < 0)
        i = list.size();
    const qsizetype n = button == 2 ? i - 1 : i + 1;
    const qsizetype count = list.size();
    return list.at(((n % count) + count) % count);
}
