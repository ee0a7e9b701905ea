#pragma once

#include <tapeexport.h>
#include <tapefile.h>
#include <tapereading.h>

#include <QString>

// The user's texts about tapes, from the string table (ids 1429, 1470 ... 1483 and their Russian
// twins), in the language LoadText picks.

// Why a tape file could not be opened or saved, naming the file. lineBreak stands between the
// message's lines: "\n" for a message box, " " for one line on standard error.
QString TapeFileMessage(const TapeFileResult &result, const QString &lineBreak = QStringLiteral("\n"));

// Why a text from elsewhere (a paste, a file) was not read: its row (counted from 1), the part
// not understood and the reason.
QString ReadingRefusalText(const TapeReading &reading);

// Why an export (PDF, CSV, text) could not be written to path.
QString TapeExportMessage(const QString &path, const QString &reason,
                          const QString &lineBreak = QStringLiteral("\n"));

// The column heads and the other words of a printed or text tape.
TapeHeadings TapeHeadingTexts();
