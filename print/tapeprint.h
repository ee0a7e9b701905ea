#pragma once

#include <tapeexport.h>

#include <QPageSize>
#include <QString>

class QIODevice;
class QPagedPaintDevice;

// The printed tape, as an adding machine prints it. Every page is headed by the tape's name and
// the date and time, then the column heads (row number, entry, subtotal, and note when a row has
// one); every row shows its number, its amount with the mark of the operation applied to it beside
// it ("128.40 −", see TapeEntry), the running subtotal and its note, cut with "…" where the page
// is too narrow for it; after the last row comes a rule and the total line: the result with the
// total mark "*" (or, where the result would be, why there is none), the number of amounts and
// the date. A long tape breaks into pages, the heads repeated on each, and every page is numbered
// "Page n of m". An amount too long for its column (a long expression typed in a row) continues on
// the next line, its note beside its first. The same layout goes to a printer (QPrinter) and to a
// PDF file (QPdfWriter).
//
//   QPdfWriter writer(path);
//   PrintTape(writer, document, TapeHeadingTexts());
//
// The rows are held as places in the sheet and subtotals (16 bytes a row), and each page's texts
// are made as it is drawn (the notes taken from the document's list as each page reaches them), so a
// tape of a million rows is printed in little memory.

// Lays the tape out on the device, from its first page on. False when the device cannot be
// painted on (an unwritable PDF file, a printer that refuses the job). total, when given, gets
// the total line's contents.
bool PrintTape(QPagedPaintDevice &device, const TapeDocument &document, const TapeHeadings &headings,
               TapeTotal *total = nullptr);

// The paper's size: for TapePaper::Local US Letter where the user's locale measures in inches,
// otherwise A4.
QPageSize TapePageSize(TapePaper paper);

// Writes the tape as PDF to an open device as the pages are drawn, on the document's paper. False,
// with the reason in *reason, when the pages cannot be drawn. total as for PrintTape.
bool WriteTapePdf(QIODevice &device, const TapeDocument &document, QString *reason = nullptr,
                  TapeTotal *total = nullptr);

// Writes the tape as a PDF file at path (on the document's paper), atomically: an existing file
// is replaced only once the new one is whole. False, with the system's reason in *reason, when it
// cannot be written; the old file is then left as it was.
bool ExportTapePdf(const QString &path, const TapeDocument &document, QString *reason = nullptr);
