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
// Replaces every occurrence of `find`. When the replacement itself contains `find` this is the
// ordinary replace-all (the search goes on behind each inserted replacement). Otherwise the search
// goes on at the position of the replaced occurrence, so occurrences formed by the replacement
// are replaced too: replacing "--" by "" turns "---" into "-" and "----" into "".
// An empty `find` returns the source unchanged.
QString ReplaceAll(const QString &source, const QString &find, const QString &replacement,
                   Qt::CaseSensitivity compare = Qt::CaseSensitive);

// ReplaceAll in place, for replacements that do not come from the program: false, with `text`
// unchanged, as soon as the text being built grows past maxLength characters. A replacement
// that holds its search text doubles a text of that text alone, so a list of such pairs would
// otherwise grow a text exponentially.
bool ReplaceAllWithin(QString &text, const QString &find, const QString &replacement,
                      Qt::CaseSensitivity compare, qsizetype maxLength);

// The 1-based start positions of every occurrence of `find`, scanning on behind each one.
// The list's size is the number of occurrences.
QList<qsizetype> FindPositions(const QString &text, const QString &find,
                               Qt::CaseSensitivity compare = Qt::CaseSensitive);

enum TrimSides { TrimLeft = 1, TrimRight = 2, TrimBoth = 3 };

// Strips characters of `set` from the chosen ends. Each removal on the left lowers lngCaret by
// one while it is 1 or more; after each removal on the right a caret beyond the new end is
// pulled back to the end.
QString TrimChars(const QString &text, const QString &set, int sides,
                  Qt::CaseSensitivity compare, qsizetype &lngCaret);
QString TrimChars(const QString &text, const QString &set, int sides = TrimBoth);

// Keeps only the characters in `set` (`keep` true) or only those not in it (false). Every dropped
// character at a 1-based position at or before lngCaret lowers lngCaret by one.
QString FilterChars(const QString &text, const QString &set, bool keep,
                    Qt::CaseSensitivity compare, qsizetype &lngCaret);
QString FilterChars(const QString &text, const QString &set, bool keep);

// The text before the first (`last` false) or last occurrence of `separator`.
QString TextBefore(const QString &text, const QString &separator, bool last = false,
                   bool trim = false, bool includeSeparator = false, bool wholeIfMissing = false);
// The text after the last (`first` false) or first occurrence of `separator`.
QString TextAfter(const QString &text, const QString &separator, bool first = false,
                  bool trim = false, bool includeSeparator = false, bool wholeIfMissing = false);

// True for an array that holds no element. A C++ container always has readable bounds, so an
// undimensioned array and one whose upper bound is below its lower bound are both simply empty.
template <typename Container>
bool IsArrayEmpty(const Container &arr)
{
    return arr.empty();
}
