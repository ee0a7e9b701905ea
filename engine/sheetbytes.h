#pragma once

#include <QByteArrayView>
#include <QChar>

#include <string>

// The expression of a sheet file: its bytes, UTF-8 with rows ending in LF or CR LF, cleaned as
// the field cleans a text and with its continued rows joined, in one pass over the bytes, as the
// bytes of an ASCII text (for EvaluateAsciiExpression). The result equals
// SheetExpression(CleanSheetText(text)) for the decoded text in which every LF without a CR in
// front of it got one. independentRows tells whether it holds a CR LF: rows that
// no operator joins, so that the sheet has no value.
//
// Why the bytes need no decoding: the cleaned sheet keeps only ASCII characters, and in UTF-8 an
// ASCII byte is always that character and never part of another one (a malformed sequence ends
// before it), so every byte from 0x80 up is simply dropped. decimalSeparator is "." or ",".
std::string SheetFileExpression(QByteArrayView bytes, QChar decimalSeparator, bool &independentRows);
