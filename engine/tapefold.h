#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <optional>

struct LocaleValues;

// The running subtotals of a tape, as an adding machine prints them: beside every row, what the
// tape up to and including that row comes to, a trailing operator left out. A subtotal is by
// definition what the result panel would show for that prefix:
//
//   FormatResult(EvaluateExpression(SheetExpression(prefix, its trailing operator dropped)))
//
// and nothing when that prefix has independent rows (a row break not after an operator) or does
// not evaluate. FoldTape gives exactly that for every row in one pass: it carries the evaluator's
// pending operands and operators from row to row instead of evaluating every prefix again, so a
// tape of 100,000 rows takes as long as evaluating it once. The few texts the pass does not
// follow (letters, spaces, a minus sign straight after a decimal separator) are evaluated whole,
// prefix by prefix, from the first such character on.

struct TapeRow
{
    QString text;                    // the row as the sheet shows it
    std::optional<double> subtotal;  // the tape up to this row; empty when it has no value
    QString subtotalText;            // as the result panel shows it; empty when none (or >= 10^15)
};

struct TapeFold
{
    QList<TapeRow> rows;             // none for an empty sheet
    std::optional<double> result;    // the whole sheet's value, as the result panel takes it
    QString resultText;              // the result panel's text
};

// Every row of a sheet text (rows joined by CR LF) with its subtotal, formatted with decimals
// (0 to 9) and the locale's separators.
TapeFold FoldTape(const QString &sheet, int decimals, const LocaleValues &locale);

// The same a row at a time, for a tape too long to hold as TapeFold: take gets every row's text
// (a view into sheet) and subtotal in order; the whole sheet's value is returned.
std::optional<double> FoldTapeRows(QStringView sheet, const LocaleValues &locale,
                                   const std::function<void(QStringView, const std::optional<double> &)> &take);

// One prefix (rows joined by CR LF) evaluated whole, the definition FoldTape follows: a trailing
// "-", "+", "*" or "/" is dropped, the rows are joined, and an expression that still holds a row
// break has no value. A single row gives that row's own value. Linear in the prefix.
std::optional<double> PrefixSubtotal(QString prefix, const LocaleValues &locale);

// The value the result panel shows for a whole sheet (no operator dropped).
std::optional<double> SheetValue(const QString &sheet, const LocaleValues &locale);
