#pragma once

#include <QList>
#include <QString>

// Small text routines shared by the evaluator, the sheet, the words file and the windows.
// Positions handed in and out by reference follow the sheet's caret convention: 0 means before
// the first character.

// What two texts share: the length of their common start, and of their common end in what is
// left after it (the two never overlap). Compared a block at a time: the texts may be a long
// tape before and after one key.
struct CommonEnds
{
    qsizetype head = 0;
    qsizetype tail = 0;
};
CommonEnds CommonTextEnds(QStringView a, QStringView b);
// Replaces every occurrence of strFind. When the replacement itself contains strFind this is the
// ordinary replace-all (the search goes on behind each inserted replacement). Otherwise the search
// goes on at the position of the replaced occurrence, so occurrences formed by the replacement
// are replaced too: replacing "--" by "" turns "---" into "-" and "----" into "".
// An empty strFind returns the source unchanged.
QString ReplaceAll(const QString &strSource, const QString &strFind, const QString &strReplace,
                   Qt::CaseSensitivity compare = Qt::CaseSensitive);

// ReplaceAll in place, for replacements that do not come from the program: false, with strText
// unchanged, as soon as the text being built grows past lngMaxLength characters. A replacement
// that holds its search text doubles a text of that text alone, so a list of such pairs would
// otherwise grow a text exponentially.
bool ReplaceAllWithin(QString &strText, const QString &strFind, const QString &strReplace,
                      Qt::CaseSensitivity compare, qsizetype lngMaxLength);

// The 1-based start positions of every occurrence of strFind, scanning on behind each one.
// The list's size is the number of occurrences.
QList<qsizetype> FindPositions(const QString &strText, const QString &strFind,
                               Qt::CaseSensitivity compare = Qt::CaseSensitive);

enum TrimSides { TrimLeft = 1, TrimRight = 2, TrimBoth = 3 };

// Strips characters of strSet from the chosen ends. Each removal on the left lowers lngCaret by
// one while it is 1 or more; after each removal on the right a caret beyond the new end is
// pulled back to the end.
QString TrimChars(const QString &strText, const QString &strSet, int intSides,
                  Qt::CaseSensitivity compare, qsizetype &lngCaret);
QString TrimChars(const QString &strText, const QString &strSet, int intSides = TrimBoth);

// Keeps only the characters in strSet (blnKeep true) or only those not in it (false). Every dropped
// character at a 1-based position at or before lngCaret lowers lngCaret by one.
QString FilterChars(const QString &strText, const QString &strSet, bool blnKeep,
                    Qt::CaseSensitivity compare, qsizetype &lngCaret);
QString FilterChars(const QString &strText, const QString &strSet, bool blnKeep);

// The text before the first (blnLast false) or last occurrence of strSeparator.
QString TextBefore(const QString &strText, const QString &strSeparator, bool blnLast = false,
                   bool blnTrim = false, bool blnInclude = false, bool blnWholeIfMissing = false);
// The text after the last (blnFirst false) or first occurrence of strSeparator.
QString TextAfter(const QString &strText, const QString &strSeparator, bool blnFirst = false,
                  bool blnTrim = false, bool blnInclude = false, bool blnWholeIfMissing = false);

// True for an array that holds no element. A C++ container always has readable bounds, so an
// undimensioned array and one whose upper bound is below its lower bound are both simply empty.
template <typename Container>
bool IsArrayEmpty(const Container &arr)
{
    return arr.empty();
}
