#pragma once

#include "evalfailure.h"
#include "localevalues.h"
#include "sheetnotes.h"
#include "tapefold.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <functional>
#include <utility>

// A tape as it is printed or exported, and its two text forms: CSV for spreadsheets and plain
// text with the subtotal column. The printed page (print/) is laid out like the text form. The
// rows' notes go wherever the rows go, each beside its row; they never enter a value.

// The paper a printed tape is laid out on; Local is Letter where the locale measures in inches
// (QLocale::ImperialUSSystem), A4 elsewhere.
enum class TapePaper : quint8 { Local, A4, Letter, Legal, A5 };

struct TapeDocument
{
    QString sheetText;     // rows joined by CR LF, as the sheet holds them
    QString fileName;      // the tape's file, shown by its name; empty for a tape never saved
    int decimals = 2;      // the rounding digit the amounts, subtotals and the result are shown with
    LocaleValues locale;   // the separators of the rows and of the subtotals
    QDateTime printedAt;   // shown on the page; an invalid one stands for the moment of printing
    TapePaper paper = TapePaper::Local;
    RowNotes notes;        // the rows' notes, in row order
};

// The words a printed or text tape is headed with, in the user's language (services'
// TapeHeadingTexts() fills them from the string table).
struct TapeHeadings
{
    QString row = QStringLiteral("No.");
    QString entry = QStringLiteral("Entry");
    QString subtotal = QStringLiteral("Subtotal");
    QString note = QStringLiteral("Note");
    QString result = QStringLiteral("Result");
    QString untitled = QStringLiteral("Untitled");
    QString page = QStringLiteral("Page |1 of |2"); // |1 the page, |2 the number of pages
    QString items = QStringLiteral("Items: |1");    // |1 the number of amounts
    // Why a tape has no result, in the words the result panel uses.
    std::function<QString(EvalFailure)> reason = [](EvalFailure) { return QStringLiteral("No result"); };
};

// The mark a total stands with, as adding machines print it (the multiplication is "×").
inline constexpr char16_t kTotalMark[] = u"*";

// The operation a row's amount enters the tape with. The sheet writes it at the end of the row
// above ("128.40-" then "45" takes 45 away); on paper it stands beside the amount it applies to.
// The first row, and a row after one that does not continue, is added.
enum class TapeOperation : quint8 { Add, Subtract, Multiply, Divide };

// A row as an adding machine prints it.
struct TapeEntry
{
    TapeOperation operation = TapeOperation::Add;
    bool percent = false;        // "8.25%": the operation takes its percent form (100+8.25% is 108.25)
    // The amount at the tape's rounding ("1,250.00"), under + and - without its sign, which the
    // mark then carries ("-5" added prints "5.00 −"); a row that is no plain number (a product,
    // a group, a failing text) as typed, its trailing operator left out. Empty for an empty row.
    QString amount;
    QString mark;                // "+" "−" "×" "÷", then "%" for a percentage; empty for an empty row
    // The amount as a number, unrounded: under + and - what the row adds to the total (so the
    // amounts of a tape of sums and differences add up to its result), otherwise the amount as
    // entered (8.25 for "8.25%"). Empty where the row alone has no value, and under + and - where
    // it does not enter the tape whole ("2-3" after a "-").
    std::optional<double> value;
    QString note;                // the row's note; empty for none, and from TapeEntryOf, which sees no notes
};

// The row's entry: row is its text as the sheet holds it, above the last character of the row
// above (a null QChar for the first row).
TapeEntry TapeEntryOf(QStringView row, QChar above, int decimals, const LocaleValues &locale);

// FoldTapeRows with every row's entry, its note included: take gets the row's text (a view into the
// sheet), its entry and its subtotal, in order; returns the whole sheet's value, and counts in
// items the rows that hold an amount.
std::optional<double> FoldTapeEntries(
    const TapeDocument &document,
    const std::function<void(QStringView, const TapeEntry &, const std::optional<double> &)> &take,
    qsizetype &items);

// The last line of a tape: the result with the total mark, or why there is none, and how many
// rows hold an amount.
struct TapeTotal
{
    QString text;                              // the result as the result panel shows it
    EvalFailure failure = EvalFailure::None;   // why text is empty
    qsizetype items = 0;
};

// The total of a tape whose fold gave result (FoldTapeRows' return) and items amounts: the
// failure is the result panel's (IndependentRows for rows not joined, TooLarge past 10^15).
TapeTotal TapeTotalOf(const TapeDocument &document, const std::optional<double> &result, qsizetype items);

// The total line's words after the total: "Items: 3   05/03/2024 14:30".
QString TapeTotalTail(const TapeDocument &document, const TapeHeadings &headings, qsizetype items);

// Where a tape's text form goes a piece at a time: false when a piece could not be written
// (nothing more is then written).
using TapeSink = std::function<bool(QByteArrayView)>;

// The rows as CSV (RFC 4180 quoting, LF line ends), headed "row,text,operation,amount,subtotal,note":
// the row's number from 1, its text as typed (always quoted), the operation its amount enters
// with ("add", "subtract", "multiply", "divide", with " percent" after for a percentage; empty
// for an empty row), the amount as TapeEntry::value gives it, the running subtotal rounded to
// decimals as the tape shows it, and the row's note (always quoted, "" for none). So for a tape
// of sums and differences the amount column adds up to the result. Numbers are plain C-locale
// digits ("-1234.5", never grouped, "." decimal, never "-0.00") so any spreadsheet reads them as
// numbers; no value, or one of 10^15 or more, is an empty field. A text or note that a
// spreadsheet would take for a formula (starting with = + - @, a tab or a CR) gets a "'" in
// front, as spreadsheets document for text that is to stay text.
// Written in pieces of some kilobytes, so a tape of any length takes little memory. total, when
// given, gets the tape's total (the CSV has no line for it).
bool WriteTapeCsv(const TapeDocument &document, const TapeSink &sink, TapeTotal *total = nullptr);

// The tape as plain text, as an adding machine prints it: the file name and the date, the column
// heads, every row with its number, its amount and the mark of its operation, the subtotal and,
// when any row has one, its note (a last column, headed headings.note, as long as each note is);
// a rule, and the total line: the result with the total mark, or why there is none, then the
// number of amounts and the date. Columns padded with spaces, LF line ends, UTF-8. The subtotals
// are worked out twice (once for the columns' widths), so that no row need be held. total as
// above.
bool WriteTapeText(const TapeDocument &document, const TapeHeadings &headings, const TapeSink &sink,
                   TapeTotal *total = nullptr);

// The same, whole.
QByteArray TapeCsv(const TapeDocument &document);
QByteArray TapeText(const TapeDocument &document, const TapeHeadings &headings);

// The sheet's rows and subtotals written to path as TapeCsv, atomically (WriteWholeFile).
bool ExportTapeCsv(const QString &path, const TapeDocument &document, QString *reason = nullptr);

// The name a tape is shown under: the file's name without its folder (its control characters
// shown escaped, see PrintableName), or headings.untitled.
QString TapeTitle(const TapeDocument &document, const TapeHeadings &headings);

// The date and time shown on the page, in the user's short format with the year in four digits
// (05/03/2024 14:30, 3/5/2024 2:30 PM).
QString TapeDateText(const TapeDocument &document);
