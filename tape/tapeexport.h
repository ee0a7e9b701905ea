#pragma once

#include "localevalues.h"
#include "tapefold.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <functional>
#include <utility>

// A tape as it is printed or exported, and its two text forms: CSV for spreadsheets and plain
// text with the subtotal column. The printed page (print/) is laid out like the text form.

struct TapeDocument
{
    QString sheetText;     // rows joined by CR LF, as the sheet holds them
    QString fileName;      // the tape's file, shown by its name; empty for a tape never saved
    int decimals = 2;      // the rounding digit the subtotals and the result are shown with
    LocaleValues locale;   // the separators of the rows and of the subtotals
    QDateTime printedAt;   // shown on the page; an invalid one stands for the moment of printing
};

// The words a printed or text tape is headed with, in the user's language (services'
// TapeHeadingTexts() fills them from the string table).
struct TapeHeadings
{
    QString row = QStringLiteral("No.");
    QString entry = QStringLiteral("Entry");
    QString subtotal = QStringLiteral("Subtotal");
    QString result = QStringLiteral("Result");
    QString untitled = QStringLiteral("Untitled");
    QString page = QStringLiteral("Page |1 of |2"); // |1 the page, |2 the number of pages
};

// A row's entry and the operator it ends in, which the tape shows in a column of its own:
// "1250+" gives "1250" and "+"; a row without a trailing "-", "+", "*" or "/" keeps it all.
std::pair<QString, QString> SplitTrailingOperator(const QString &row);

// Where a tape's text form goes a piece at a time: false when a piece could not be written
// (nothing more is then written).
using TapeSink = std::function<bool(QByteArrayView)>;

// The rows as CSV (RFC 4180 quoting, LF line ends), headed "row,text,value,subtotal": the row's
// number from 1, its text (always quoted), its own value (the row alone, its trailing operator
// left out, unrounded) and the running subtotal rounded to decimals as the tape shows it. Values
// are plain C-locale digits ("-1234.5", never grouped, "." decimal, never "-0.00") so any
// spreadsheet reads them as numbers; a row without a value, or one of 10^15 or more, has an empty
// field. A text that a spreadsheet would take for a formula (starting with = + - @, a tab or a
// CR) gets a "'" in front, as spreadsheets document for text that is to stay text.
// Written in pieces of some kilobytes, so a tape of any length takes little memory.
bool WriteTapeCsv(const TapeDocument &document, const TapeSink &sink);

// The tape as plain text: the file name and the date, the column heads, every row with its
// number, entry, operator and subtotal, a rule, and the result; columns padded with spaces, LF
// line ends, UTF-8. The subtotals are worked out twice (once for the columns' widths), so that
// no row need be held.
bool WriteTapeText(const TapeDocument &document, const TapeHeadings &headings, const TapeSink &sink);

// The same, whole.
QByteArray TapeCsv(const TapeDocument &document);
QByteArray TapeText(const TapeDocument &document, const TapeHeadings &headings);

// The sheet's rows and subtotals written to path as TapeCsv, atomically (WriteWholeFile).
bool ExportTapeCsv(const QString &path, const TapeDocument &document, QString *reason = nullptr);

// The name a tape is shown under: the file's name without its folder (its control characters
// shown escaped, see PrintableName), or headings.untitled.
QString TapeTitle(const TapeDocument &document, const TapeHeadings &headings);

// The date and time shown on the page, in the user's short format.
QString TapeDateText(const TapeDocument &document);
