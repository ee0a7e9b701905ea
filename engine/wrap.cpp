#include "wrap.h"

#include <QStringList>

QString WrapText(const QString &strText, const QString &strBreakChars, const QString &strSeparator,
                 int intWidth, const TextWidthFunction &width)
{
    if (strText.isEmpty())
        return strText;
    QStringList rows = strText.split(strSeparator);
    for (QString &row : rows)
        row = WrapLine(row, strBreakChars, strSeparator, intWidth, false, width);
    return rows.join(strSeparator);
}

QString WrapLine(const QString &strRow, const QString &strBreakChars, const QString &strSeparator,
                 int intWidth, bool blnBroken, const TextWidthFunction &width)
{
    // Iterative form of the recursion "first piece + WrapLine(rest)": a row of many thousands of
    // characters must not nest as deep.
    QString out;
    QString row = strRow;
    bool broken = blnBroken;
    for (;;) {
        if (width(row) <= intWidth)
            return out + row;

        // Bisection for the number of leading characters that fit.
        qsizetype lo = 1;
        qsizetype hi = row.size();
        qsizetype n = 0;
        for (;;) {
            const qsizetype mid = (lo + hi) / 2;
            const int w = width(row.left(mid));
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
            if (strBreakChars.contains(row.at(k - 1))) {
                broken = true;
                n = k;
                break;
            }
        }
        if (n == 0)
            n = 1;

        out += row.left(n);
        if (broken)
            out += strSeparator;
        row = row.mid(n);
        if (row.isEmpty())
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
