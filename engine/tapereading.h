#pragma once

#include "sheetnotes.h"

#include <QString>
#include <QStringView>

#include <vector>

struct LocaleValues;

// Text that comes from elsewhere (pasted, dropped, a tape file opened or piped to tallyer-cli)
// as the sheet is to read it: per row, the figures and a note. A row means what it says or is
// refused with the reason; it is never read as other numbers than the ones written.
//
// A row is its text, then optionally a TAB and its note: what follows the first TAB is note and
// never figures (a tape saved with notes). In the text:
// - Typeset signs become the sheet's own: "×" and "·" "*", "÷" "/", "−" and "–" "-"; an "x" or
//   "X" between two numbers is "*" ("2x3", "2 x 3").
// - A number written in the locale's grouping loses its group separators (see below).
// - Currency signs ($ € £ ₽ ...) are dropped.
// - The words become the note: a word is a run of characters between spaces holding anything
//   that is neither figure nor currency sign, so "#12:" or "2026:" is a word with its number.
//   The figures are the one stretch of the row between its words; the note is the text before
//   them and the text after them, joined by a space. "Invoice #12: 40+2" is 40+2 with the note
//   "Invoice #12:". A stretch without digits among words ("Rent - March") is part of the note.
// - Refused: two numbers with nothing but spaces (or currency signs) between ("12 34"), figures
//   on both sides of a word ("12 apples 34"), scientific notation ("1e3", "2.5E-4"), and MOD or
//   DIV written as a word beside figures ("10 MOD 3").
// A row of sheet characters only (no space, no letter, no group separator) is its own figures.
//
// A number is in the locale's grouping when it is a first group of one to three digits not
// starting with 0, then one or more groups of exactly three digits, each behind a group
// separator, then optionally the decimal separator and digits, with no further digit or
// separator joined to it (separators at its end are punctuation and left alone). Under English
// 1,234 is therefore one thousand two hundred and thirty-four, as the panel writes it with no
// decimals, while 1,5, 12,34, 0,123 and 1,234,5 are not grouped numbers and keep the sheet's
// reading of a comma as the decimal point (1.5, 12.34, 0.123, and 1.234.5, which has no value).
// A number in another locale's grouping (1.234,50 under English) is not taken apart either: its
// separators all become decimal points and it shows no value, rather than another number. A
// locale that groups with a space (Russian) takes the plain, no-break and narrow no-break space
// alike: 1 607,50 is one number there, and two numbers anywhere else.

enum class ReadingRefusal {
    None,
    NumbersWithoutOperator, // "12 34"
    NumbersAmongWords,      // "12 apples 34"
    ScientificNotation,     // "1e3"
    OperatorWord,           // "10 MOD 3"
    RowTooLong,             // a row the CLI cannot hold whole to read (over 16 MiB, not only figures)
};

// One row read: its figures (only characters of the sheet alphabet) and its note (SanitizedNote),
// or why it was refused and the part of the row that was not understood.
struct TapeRowReading
{
    QString figures;
    QString note;
    ReadingRefusal refusal = ReadingRefusal::None;
    QString fragment;
};

// One row without its line end.
TapeRowReading ReadTapeRow(QStringView row, const LocaleValues &locale);

// A whole text: rows end at LF or CR LF (a lone CR is a space).
struct TapeReading
{
    QString sheet;              // the figures of every row, joined by CR LF (before the cleaning)
    RowNotes notes;             // the rows of sheet that have a note, in order
    ReadingRefusal refusal = ReadingRefusal::None;
    qsizetype refusedRow = -1;  // 0-based; sheet and notes are empty then
    QString fragment;

    bool ok() const { return refusal == ReadingRefusal::None; }
};
TapeReading ReadTapeText(QStringView text, const LocaleValues &locale);

// Whether c may stand in a row that reads as its own figures: a sheet character other than the
// locale's group separator. ReadTapeRow gives a row of such characters back unchanged, with no
// note; the CLI passes such rows on without decoding them.
bool IsPlainRowCharacter(QChar c, const LocaleValues &locale);

// The reason in English, naming the row (1-based): row 3: "12 34" is two numbers ...
QString ReadingRefusalMessage(ReadingRefusal refusal, qsizetype row, const QString &fragment);
