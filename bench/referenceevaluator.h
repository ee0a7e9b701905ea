#pragma once

#include <QString>

// A second, independent statement of the evaluator and the sheet's text rules, with the same
// contracts as EvaluateExpression, CleanSheetText and SheetExpression (evaluator.h, sheettext.h).
// It links nothing of the engine: it is written from the rules of the language alone and does
// every step the slow way, rewriting the whole text, so that a fault in the engine's operator
// code or passes shows up as a difference instead of being copied into both. Used by the
// differential check (bench_differential, tst_differential); nothing in the program links it.
namespace reference {

// The locale as the rules read it: the decimal separator ("." or ",") and whether a number may
// not start with it (the leading-zero flag). Set before the calls below.
void setLocale(QChar decimalSeparator, bool leadingZero);

double EvaluateExpression(const QString &strExpression, bool &blnFailed);
QString CleanSheetText(const QString &strText, qsizetype &lngCaret, bool blnSeparatorsOnly = false);
QString SheetExpression(const QString &strSheet);

} // namespace reference
