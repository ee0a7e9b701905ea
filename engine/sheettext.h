#pragma once

#include <QString>

#include <utility>

class SheetRows;

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
// the end, and the caller clamps it. With separatorsOnly only the separator swap and the
// minus/space step run (what an undo restore gets); otherwise foreign characters are dropped, line
// breaks normalised to CR LF pairs, leading empty rows dropped, and a trailing line break kept only
// after a continuation operator.
QString CleanSheetText(const QString &text, qsizetype &lngCaret, const LocaleValues &locale,
                       bool separatorsOnly = false);

// The cleaning of CleanSheetText (not restoring) for whole rows of a sheet: the rows an edit
// touched. The leading empty rows go only when atStart (the rows are the sheet's start), a final
// line break only when atEnd. caret is a position in rows and follows as lngCaret does.
QString CleanSheetRows(const QString &rows, qsizetype &caret, const LocaleValues &locale, bool atStart, bool atEnd);
// What CleanSheetRows must be given after an edit of a clean sheet between from and to (positions
// in the edited text): the whole rows holding them. Where they reach the sheet's start or end,
// empty rows there go with the break after or before them, so the row below or above is taken too.
std::pair<qsizetype, qsizetype> RowsToClean(const SheetRows &rows, qsizetype from, qsizetype to);

// The expression of a sheet: every continuation operator followed by CR LF becomes the operator
// alone. An expression that still holds CR LF has independent rows and no value.
QString SheetExpression(const QString &sheet);

// The expression of a selected part of the sheet: the selection without the operators and line
// breaks at its two ends, its continued rows joined, so that selecting whole rows ("340+" and its
// line break) gives their value. A "-" at the start stays, being the sign of the first number
// (selecting all of -5+3 gives -2, not 8), and so does a "%" at the end, which makes the last
// number a percentage; every other operator at an end would leave no value. Empty when the
// selection holds nothing but operators and line breaks: that is no selection.
QString SelectionExpression(const QString &selection);
// The selection without the operators and row breaks at its ends that SelectionExpression drops.
QStringView SelectionTrimmed(QStringView selection);

// Whether a character is one of the sheet alphabet's 24 (CR and LF are not).
bool IsSheetCharacter(QChar c);

// Whether a character is one of "-", "+", "*", "/" (kContinuationOperators); inline, as the
// tape's fold asks it at every row.
inline bool IsContinuationOperator(QChar c)
{
    const char16_t u = c.unicode();
    return u == u'-' || u == u'+' || u == u'*' || u == u'/';
}
