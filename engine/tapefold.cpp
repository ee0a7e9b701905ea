#include "tapefold.h"

#include "evaluator.h"
#include "foldmachine.h"
#include "localevalues.h"
#include "numberformat.h"
#include "sheettext.h"

#include <vector>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

} // namespace

std::optional<double> PrefixSubtotal(const QString &strPrefix, const LocaleValues &locale)
{
    QString prefix = strPrefix;
    if (!prefix.isEmpty() && IsContinuationOperator(prefix.back()))
        prefix.chop(1);
    return EvaluateJoined(SheetExpression(prefix), locale);
}

std::optional<double> SheetValue(const QString &strSheet, const LocaleValues &locale)
{
    return EvaluateJoined(SheetExpression(strSheet), locale);
}

TapeFold FoldTape(const QString &strSheet, int intDecimals, const LocaleValues &locale)
{
    TapeFold fold;
    if (strSheet.isEmpty()) {
        fold.resultText = QString();
        return fold;
    }

    // The expression of the whole sheet (as SheetExpression makes it), where each row ends in
    // it, and where its first row break that is no continuation stands: every prefix reaching
    // it has independent rows.
    const QStringList rowTexts = strSheet.split(kCrLf);
    QString expression;
    expression.reserve(strSheet.size());
    std::vector<qsizetype> rowEnds;
    rowEnds.reserve(static_cast<size_t>(rowTexts.size()));
    qsizetype firstBreak = -1;
    QChar last;
    const qsizetype n = strSheet.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = strSheet.at(i);
        if (c == u'\r' && i + 1 < n && strSheet.at(i + 1) == u'\n') {
            rowEnds.push_back(expression.size());
            ++i;
            if (IsContinuationOperator(last))
                continue;
            if (firstBreak < 0)
                firstBreak = expression.size();
            expression += kCrLf;
            last = u'\n';
            continue;
        }
        expression += c;
        last = c;
    }
    rowEnds.push_back(expression.size());
    const qsizetype foldable = firstBreak < 0 ? expression.size() : firstBreak;

    FoldMachine machine(locale);
    qsizetype fed = 0;
    const auto feedTo = [&](qsizetype end) {
        end = std::min(end, foldable);
        for (; fed < end; ++fed)
            machine.feed(expression.at(fed).unicode());
    };

    fold.rows.reserve(rowTexts.size());
    for (qsizetype row = 0; row < rowTexts.size(); ++row) {
        const QString &text = rowTexts.at(row);
        const qsizetype end = rowEnds[static_cast<size_t>(row)];
        const bool dropsOperator = !text.isEmpty() && IsContinuationOperator(text.back());
        const qsizetype prefixEnd = end - (dropsOperator ? 1 : 0);

        feedTo(prefixEnd);
        std::optional<double> subtotal;
        if (firstBreak >= 0 && prefixEnd > firstBreak)
            subtotal = std::nullopt;
        else if (machine.unfoldable())
            subtotal = EvaluateJoined(expression.left(prefixEnd), locale);
        else
            subtotal = machine.collapse(QStringView(expression).left(prefixEnd));
        feedTo(end);

        TapeRow tapeRow{text, subtotal, {}};
        if (subtotal)
            tapeRow.subtotalText = FormatResult(*subtotal, intDecimals, locale);
        fold.rows.append(std::move(tapeRow));
    }

    // The whole sheet: the last row's subtotal, unless that row ends in an operator, which the
    // result panel does not drop.
    const TapeRow &lastRow = fold.rows.back();
    if (!lastRow.text.isEmpty() && IsContinuationOperator(lastRow.text.back()))
        fold.result = EvaluateJoined(expression, locale);
    else
        fold.result = lastRow.subtotal;
    if (fold.result)
        fold.resultText = FormatResult(*fold.result, intDecimals, locale);
    return fold;
}
