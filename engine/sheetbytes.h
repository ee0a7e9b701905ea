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

// The same for a file read a piece at a time, so that a sheet of any size is cleaned in the
// room of one piece: feed() appends to out what the pieces so far settle (the row ends and the
// minus run at the end of a piece wait for what follows), finish() the rest. The pieces of out
// joined equal SheetFileExpression of the pieces of the file joined.
class SheetBytesCleaner
{
public:
    explicit SheetBytesCleaner(QChar decimalSeparator);
    void feed(QByteArrayView bytes, std::string &out);
    void finish(std::string &out, bool &independentRows);
    // A row break that no operator joins has been written: the sheet has no value.
    bool independentRows() const { return m_independentRows; }

private:
    void flushMinusRun(std::string &out);
    void write(char c, std::string &out);

    char m_separator;
    char m_last = 0; // the last character written; 0 before the first
    qsizetype m_minusRun = 0;
    qsizetype m_pendingRowEnds = 0;
    bool m_independentRows = false;
};
