#include "tapeexport.h"

#include "numberformat.h"
#include "tapefile.h"
#include "sheettext.h"

#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <cmath>

namespace {

// "." decimal, no grouping: what spreadsheets read in any locale.
LocaleValues plainDigits()
{
    LocaleValues c;
    c.decimalSeparator = QStringLiteral(".");
    c.thousandsSeparator = QString();
    c.leadingZero = true;
    return c;
}

QString csvField(const QString &text)
{
    QString quoted = text;
    quoted.replace(u'"', QLatin1String("\"\""));
    return u'"' + quoted + u'"';
}

QString plainValue(const std::optional<double> &value)
{
    if (!value || !(std::fabs(*value) < kDisplayLimit))
        return {};
    return PlainNumberText(*value == 0.0 ? 0.0 : *value, plainDigits());
}

QString plainSubtotal(const std::optional<double> &value, int decimals)
{
    if (!value)
        return {};
    QString text = FormatResult(*value, decimals, plainDigits());
    if (text.startsWith(QLatin1String("- ")))
        text.remove(1, 1);
    return text;
}

QString padLeft(const QString &text, qsizetype width)
{
    return QString(std::max<qsizetype>(0, width - text.size()), u' ') + text;
}

} // namespace

std::pair<QString, QString> SplitTrailingOperator(const QString &strRow)
{
    if (!strRow.isEmpty() && IsContinuationOperator(strRow.back()))
        return {strRow.chopped(1), strRow.right(1)};
    return {strRow, QString()};
}

QByteArray TapeCsv(const TapeFold &fold, int decimals, const LocaleValues &locale)
{
    QString csv = QStringLiteral("row,text,value,subtotal\n");
    qsizetype number = 0;
    for (const TapeRow &row : fold.rows) {
        csv += QString::number(++number);
        csv += u',';
        csv += csvField(row.text);
        csv += u',';
        csv += plainValue(PrefixSubtotal(row.text, locale));
        csv += u',';
        csv += plainSubtotal(row.subtotal, decimals);
        csv += u'\n';
    }
    return csv.toUtf8();
}

QString TapeTitle(const TapeDocument &document, const TapeHeadings &headings)
{
    return document.fileName.isEmpty() ? headings.untitled : QFileInfo(document.fileName).fileName();
}

QString TapeDateText(const TapeDocument &document)
{
    const QDateTime when = document.printedAt.isValid() ? document.printedAt : QDateTime::currentDateTime();
    return currentLocaleSnapshot().locale.toString(when, QLocale::ShortFormat);
}

QString TapeText(const TapeDocument &document, const TapeFold &fold, const TapeHeadings &headings)
{
    qsizetype numberWidth = headings.row.size();
    qsizetype entryWidth = std::max(headings.entry.size(), headings.result.size());
    qsizetype subtotalWidth = std::max(headings.subtotal.size(), fold.resultText.size());
    numberWidth = std::max(numberWidth, QString::number(fold.rows.size()).size());
    for (const TapeRow &row : fold.rows) {
        entryWidth = std::max(entryWidth, SplitTrailingOperator(row.text).first.size());
        subtotalWidth = std::max(subtotalWidth, row.subtotalText.size());
    }
    // Number, entry, operator and subtotal, two spaces apart (the operator's one space before
    // it, so it stands beside its entry).
    const qsizetype width = numberWidth + 2 + entryWidth + 2 + 2 + subtotalWidth;
    const auto line = [&](const QString &number, const QString &entry, const QString &op, const QString &subtotal) {
        QString s = padLeft(number, numberWidth) + QStringLiteral("  ") + padLeft(entry, entryWidth)
            + u' ' + (op.isEmpty() ? QStringLiteral(" ") : op) + QStringLiteral("  ")
            + padLeft(subtotal, subtotalWidth);
        while (s.endsWith(u' '))
            s.chop(1);
        return s + u'\n';
    };

    const QString title = TapeTitle(document, headings);
    const QString date = TapeDateText(document);
    QString text = title + QString(std::max<qsizetype>(1, width - title.size() - date.size()), u' ') + date + u'\n';
    text += u'\n';
    text += line(headings.row, headings.entry, QString(), headings.subtotal);
    qsizetype number = 0;
    for (const TapeRow &row : fold.rows) {
        const auto [entry, op] = SplitTrailingOperator(row.text);
        text += line(QString::number(++number), entry, op, row.subtotalText);
    }
    text += QString(width, u'-') + u'\n';
    text += line(QString(), headings.result, QString(), fold.resultText);
    return text;
}

bool ExportTapeCsv(const QString &path, const TapeDocument &document, QString *reason)
{
    const TapeFold fold = FoldTape(document.sheetText, document.decimals, document.locale);
    return WriteWholeFile(path, TapeCsv(fold, document.decimals, document.locale), reason);
}
