#pragma once

#include <QString>

struct LocaleValues;

// Values of 10^15 and more in magnitude have no display text.
constexpr double kDisplayLimit = 1e15;

// The display text of a value: rounded to decimals (0 to 9) places, halves away from zero,
// grouped in threes with the locale's thousands separator, the locale's decimal separator, and
// "- " in front when the unrounded value is negative (so -0.001 shows as "- 0.00"). Empty for
// magnitudes of 10^15 and more. An empty decimal separator in locale is written as ".".
QString FormatResult(double value, int decimals, const LocaleValues &locale);

// Reads back a display text of FormatResult whose thousands separators have been removed: an
// optional "- " (or "-") sign, digits, the locale's decimal separator and digits. ok is false for
// anything else ("Error", an empty text).
double ParseDisplayNumber(const QString &text, const LocaleValues &locale, bool &ok);

// The value as plain text with the locale's decimal separator: no grouping, as many decimals as
// needed and no trailing zeros, "-" directly before the digits (1234.5, -3).
QString PlainNumberText(double value, const LocaleValues &locale);
