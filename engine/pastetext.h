#pragma once

#include <QString>

struct LocaleValues;

// Pasted (or dropped) text as the sheet is to read it, before the sheet's cleaning: the figures
// of ReadTapeText (tapereading.h), rows joined by CR LF, the notes left out. "2×3" is 2*3,
// "1,607.50" under English 1607.50, "Total: $1,234.50 + 10" 1234.50+10. A null text when a row
// cannot be read ("12 34", "1e3"): nothing is to be pasted then, and ReadTapeText says why.
//
// Only for pasted text: typed keys keep their meaning.
QString PastedSheetText(const QString &pasted, const LocaleValues &locale);
