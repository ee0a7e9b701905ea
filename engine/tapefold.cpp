#include "tapefold.h"

#include "evaluator.h"
#include "foldmachine.h"
#include "localevalues.h"
#include "numberformat.h"
#include "sheettext.h"

#include <algorithm>
#include <vector>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

} // namespace

std::optional<double> PrefixSubtotal(QString prefix, const LocaleValues &locale)
{
    if (!prefix.isEmpty() && IsContinuationOperator(prefix.back()))
        prefix.chop(1);
    return EvaluateJoined(SheetExpression(prefix), locale);
}

std::optional<double> SheetValue(const QString &sheet, const LocaleValues &locale)
{
    return EvaluateJoined(SheetExpression(sheet), locale);
}

std::optional<double> FoldTapeRows(QStringView sheet, const LocaleValues &locale,
                                   const std::function<void(QStringView, const std::optional<double> &)> &take)
{
    if (sheet.isEmpty())
        return std::nullopt;

    // The expression of the whole sheet (as SheetExpression makes it), where each row ends in
    // it, and where its first row break that is no continuation stands: every prefix reaching
    // it has independent rows.
    QString expression;
    expression.reserve(sheet.size());
    std::vector<qsizetype> rowEnds;
    qsizetype firstBreak = -1;
    QChar last;
    const qsizetype n = sheet.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = sheet.at(i);
        if (c == u'\r' && i + 1 < n && sheet.at(i + 1) == u'\n') {
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

    // The machine holds about a hundred bytes per open parenthesis: past kMaxOpenParentheses
    // at once it is left behind ("deep"), and the parentheses are only counted. A prefix whose
    // count is not zero is unbalanced and has no value; one whose count is zero is evaluated
    // whole, so a tape of nothing but "(" costs its count, not gigabytes.
    constexpr qsizetype kMaxOpenParentheses = 64 * 1024;
    FoldMachine machine(locale);
    qsizetype fed = 0;
    qsizetype depth = 0;
    bool deep = false;
    const auto feedTo = [&](qsizetype end) {
        end = std::min(end, foldable);
        if (end <= fed)
            return;
        const QStringView part = QStringView(expression).mid(fed, end - fed);
        for (const QChar c : part) {
            if (c == u'(')
                deep = ++depth > kMaxOpenParentheses || deep;
            else if (c == u')')
                --depth;
        }
        if (!deep)
            machine.feed(part);
        fed = end;
    };

    std::optional<double> subtotal;
    QStringView text;
    qsizetype rowStart = 0;
    for (size_t row = 0; row < rowEnds.size(); ++row) {
        qsizetype rowEnd = sheet.indexOf(kCrLf, rowStart);
        if (rowEnd < 0)
            rowEnd = n;
        text = sheet.mid(rowStart, rowEnd - rowStart);
        rowStart = rowEnd + 2;
        const qsizetype end = rowEnds[row];
        const bool dropsOperator = !text.isEmpty() && IsContinuationOperator(text.back());
        const qsizetype prefixEnd = end - (dropsOperator ? 1 : 0);

        feedTo(prefixEnd);
        if (firstBreak >= 0 && prefixEnd > firstBreak)
            subtotal = std::nullopt;
        else if (deep)
            subtotal = depth == 0 ? EvaluateJoined(expression.left(prefixEnd), locale) : std::nullopt;
        else if (machine.unfoldable())
            subtotal = EvaluateJoined(expression.left(prefixEnd), locale);
        else
            subtotal = machine.collapse(QStringView(expression).left(prefixEnd));
        feedTo(end);
        take(text, subtotal);
    }

    // The whole sheet: the last row's subtotal, unless that row ends in an operator, which the
    // result panel does not drop.
    if (!text.isEmpty() && IsContinuationOperator(text.back()))
        return EvaluateJoined(expression, locale);
    return subtotal;
}

TapeFold FoldTape(const QString &sheet, int decimals, const LocaleValues &locale)
{
    TapeFold fold;
    fold.result = FoldTapeRows(sheet, locale, [&](QStringView text, const std::optional<double> &subtotal) {
        TapeRow row{text.toString(), subtotal, {}};
        if (subtotal)
            row.subtotalText = FormatResult(*subtotal, decimals, locale);
        fold.rows.append(std::move(row));
    });
    if (fold.result)
        fold.resultText = FormatResult(*fold.result, decimals, locale);
    return fold;
}
