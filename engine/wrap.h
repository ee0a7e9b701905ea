#pragma once

#include <QString>

#include <functional>

// Row wrapping of the calculation sheet. The width of a text is measured by the caller (the field
// knows its font), in whole pixels.
using TextWidthFunction = std::function<int(const QString &)>;

// Wraps every row of text (rows joined by separator) to maxWidth pixels.
QString WrapText(const QString &text, const QString &breakChars, const QString &separator,
                 int maxWidth, const TextWidthFunction &width);

// Wraps one row. A row is cut after the last break character that still fits; a first piece
// without any break character is never cut (a long run of digits stays whole), but once a row has
// been cut after an operator (broken), later pieces are cut at the width. The width function
// must not shrink when a character is added to the text; the time taken is linear in the length
// of the row.
QString WrapLine(const QString &row, const QString &breakChars, const QString &separator,
                 int maxWidth, bool broken, const TextWidthFunction &width);

// The low 16 bits of a 32-bit value, as a signed number.
qint16 LoWord(qint32 value);

// The entry after (button other than 2) or before (button 2) tag in the list, cyclically; a tag
// not in the list counts as standing just past the end.
QString NextInList(const QString &tag, const QStringList &list, int button);
