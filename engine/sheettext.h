#pragma once

#include <QString>

struct LocaleValues;

// The text rules of the calculation sheet that do not depend on a window: the cleaning the field
// applies after every change, and the joining of continued rows into one expression. The window
// and tallyer-cli both use them, so a sheet file gives the same value as the same text typed.

// The 24 characters a cleaned sheet may hold besides CR LF.
inline constexpr char16_t kSheetAlphabet[] = u"0123456789%+-()*/\\^<>=.,";

// The operators after which a row continues on the next row.
inline constexpr char16_t kContinuationOperators[] = u"-+*/";

// Cleans a sheet text for the decimal separator of locale: the other one of "." and "," becomes
// it. lngCaret (0-based) follows the characters it stood behind; it may come out negative or past
// the end, and the caller clamps it. With blnSeparatorsOnly only the separator swap and the
// minus/space step run (what an undo restore gets); otherwise foreign characters are dropped, line
// breaks normalised to CR LF pairs, leading empty rows dropped, and a trailing line break kept only
// after a continuation operator.
QString CleanSheetText(const QString &strText, qsizetype &lngCaret, const LocaleValues &locale,
                       bool blnSeparatorsOnly = false);

// The expression of a sheet: every continuation operator followed by CR LF becomes the operator
// alone. An expression that still holds CR LF has independent rows and no value.
QString SheetExpression(const QString &strSheet);

// Whether a character is one of "-", "+", "*", "/".
bool IsContinuationOperator(QChar c);
