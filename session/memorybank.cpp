#include "memorybank.h"

#include "localevalues.h"
#include "memorystring.h"
#include "texthelpers.h"
#include "numberformat.h"

#include <QStringList>

#include <cmath>

MemoryBank::MemoryBank(QObject *parent)
    : QObject(parent)
{
}

QString MemoryBank::cellName(int cell)
{
    return QStringLiteral("M%1").arg(cell);
}

QString MemoryBank::value(int cell) const
{
    const std::optional<QString> &v = m_values[cell - 1];
    return v ? TrimChars(*v, QStringLiteral("\t "), TrimBoth) : QString();
}

QString MemoryBank::caption(int cell) const
{
    const std::optional<QString> &v = m_values[cell - 1];
    return v ? cellName(cell) + QLatin1Char('\t') + *v : cellName(cell);
}

void MemoryBank::store(const QString &value)
{
    m_values[m_current - 1] = value;
    emit changed();
}

void MemoryBank::clear()
{
    m_values[m_current - 1].reset();
    emit changed();
}

void MemoryBank::select(int cell)
{
    if (cell < 1 || cell > kCells)
        return;
    m_current = cell;
    emit changed();
}

void MemoryBank::clearAll()
{
    for (std::optional<QString> &v : m_values)
        v.reset();
    emit changed();
}

void MemoryBank::convertValues(const std::function<QString(const QString &)> &convert)
{
    for (std::optional<QString> &v : m_values) {
        if (v)
            v = convert(*v);
    }
    emit changed();
}

std::optional<QString> MemoryBank::combine(Operation operation, const QString &result,
                                           const QString &memory, int decimals,
                                           const LocaleValues &loc)
{
    const QString r = result.isEmpty() ? QStringLiteral("0") : ReplaceAll(result, loc.thousandsSeparator, QString());
    QString m = memory.isEmpty() ? QStringLiteral("0") : ReplaceAll(memory, loc.thousandsSeparator, QString());
    if (operation == Operation::Add && !memory.isEmpty()) {
        if (loc.decimalSeparator == QLatin1String(","))
            m.replace(u'.', u',');
        else
            m.replace(u',', u'.');
    }
    bool okR = false;
    bool okM = false;
    const double numR = ParseDisplayNumber(r, loc, okR);
    const double numM = ParseDisplayNumber(m, loc, okM);
    if (!okR || !okM)
        return std::nullopt;
    const double sum = operation == Operation::Add ? numM + numR : numM - numR;
    if (!std::isfinite(sum))
        return std::nullopt;
    if (sum == 0.0)
        return QString();
    // FormatResult gives the empty text from 10^15 on.
    const QString text = FormatResult(sum, decimals, loc);
    if (text.isEmpty())
        return std::nullopt;
    return text;
}

std::optional<QString> MemoryBank::restore(const QString &saved, const QString &separators,
                                           const LocaleValues &locale)
{
    // The values come back in today's separators, whatever they were when they were saved.
    const MemoryCells cells = RestoreMemoryString(saved, separators, locale);
    std::optional<QString> panel;
    if (!cells.current.isEmpty() && !cells.panel.isEmpty()) {
        panel = cells.panel;
        m_current = 1;
        for (int n = 1; n <= kCells; ++n) {
            if (cellName(n) == cells.current)
                m_current = n;
        }
    }
    for (int n = 1; n <= kCells; ++n)
        m_values[n - 1] = cells.values[n - 1];
    emit changed();
    return panel;
}

QString MemoryBank::memoryString(const QString &panel) const
{
    QStringList fields{cellName(m_current), panel};
    for (const std::optional<QString> &v : m_values)
        fields << (v ? v->mid(v->lastIndexOf(u'\t') + 1) : QString());
    return fields.join(u'|');
}
