#pragma once

#include <QString>

// Values of 10^15 and more in magnitude have no display text.
constexpr double kDisplayLimit = 1e15;

// The display text of a value: rounded to intDecimals (0 to 9) places, halves away from zero,
// grouped in threes with the locale's thousands separator, the locale's decimal separator, and
// "- " in front when the unrounded value is negative (so -0.001 shows as "- 0.00"). Empty for
// magnitudes of 10^15 and more. Separators come from localeValues().
QString FormatResult(double dblValue, int intDecimals);
