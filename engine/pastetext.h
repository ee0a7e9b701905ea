#pragma once

#include <QString>

struct LocaleValues;

// Pasted text as the sheet is to read it, before the sheet's cleaning. Typeset signs become the
// sheet's own: "×" and "·" become "*", "÷" "/", "−" (the minus sign) and "–" (the en dash) "-".
// A number written in the locale's own grouping loses its group separators: 1,607.50 under
// English is 1607.50, not the 1.607.50 the cleaning would make of it. Under Russian, whose
// grouping is a space (plain, no-break or narrow no-break), 1 607,50 comes out of the cleaning
// whole anyway, as every space does. Words, currency signs and other foreign characters are left
// for the cleaning, which drops them: "Total: $1,234.50 + 10" gives 1234.50+10.
//
// A number is in the locale's grouping when it is a first group of one to three digits not
// starting with 0, then one or more groups of exactly three digits, each behind a group
// separator, then optionally the decimal separator and digits, with no further digit or
// separator joined to it (separators at its end are punctuation and left alone). Under English
// 1,234 is therefore one thousand two hundred and thirty-four, as the panel writes it with no
// decimals, while 1,5, 12,34, 0,123 and 1,234,5 are not grouped numbers and keep the sheet's
// reading of a comma as the decimal point (1.5, 12.34, 0.123, and 1.234.5, which has no value).
// A number in another locale's grouping (1.234,50 under English) is not taken apart either: its
// separators all become decimal points and it shows no value, rather than another number.
//
// Only for pasted (or dropped) text: typed keys keep their meaning.
QString PastedSheetText(const QString &pasted, const LocaleValues &locale);
