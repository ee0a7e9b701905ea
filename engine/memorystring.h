#pragma once

#include <QString>

#include <array>

struct LocaleValues;

// The memory cells as the setting MemoryString keeps them: twelve fields joined by "|", the
// current cell's name, the memory panel's value, then the values of M1 ... M10. The values are
// display texts ("1,234.50", "- 3", "Error", or empty) in the separators that were in force when
// they were saved; MemorySeparators records those as the decimal separator followed by the
// thousands separator.
struct MemoryCells
{
    QString current;    // field 0, e.g. "M3"
    QString panel;      // field 1
    std::array<QString, 10> values; // fields 2 ... 11
};

inline constexpr int kMemoryFields = 12;

// The separators to record beside a MemoryString saved now, in the user's current conventions.
QString MemorySeparatorsNow(const LocaleValues &locale);

// Splits a saved MemoryString into its twelve fields (missing ones empty, extra ones dropped) and
// writes every value that is a number in the current separators (those of locale), keeping
// its sign, digits and number of decimals; any other value ("Error", hand-edited text, more
// digits than the panel shows) is kept as it stands. separators is what MemorySeparatorsNow()
// gave when the string was saved; it is empty for a string saved before separators were recorded,
// whose separators are then read from the text itself, and where the text cannot tell ("3,215":
// 3215 grouped, or 3.215) as the current locale would read it.
MemoryCells RestoreMemoryString(const QString &saved, const QString &separators,
                                const LocaleValues &locale);

// One value of a saved MemoryString in the current locale's separators, as above.
QString LocaliseMemoryValue(const QString &value, const QString &separators,
                            const LocaleValues &locale);
