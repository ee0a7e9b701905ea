#pragma once

#include <QString>

struct LocaleValues;

// The reference forms of EvaluateExpression, CleanSheetText and SheetExpression, with the same
// contracts as the engine's (see evaluator.h and sheettext.h). Slow on purpose: each step rewrites
// the whole text, exactly as the rules are stated.
namespace reference {

// The reference functions take no locale: they read the decimal separator and the leading-zero
// flag from a file-local copy, which callers set here first.
void setLocale(const LocaleValues &locale);

double EvaluateExpression(const QString &strExpression, bool &blnFailed);
QString CleanSheetText(const QString &strText, qsizetype &lngCaret, bool blnSeparatorsOnly = false);
QString SheetExpression(const QString &strSheet);

} // namespace reference
