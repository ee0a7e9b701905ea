#pragma once

#include <tapeexport.h>
#include <tapefile.h>

#include <QString>

// The user's texts about tapes, from the string table (ids 1429, 1470 ... 1483 and their Russian
// twins), in the language LoadText picks.

// Why a tape file could not be opened or saved, naming the file. lineBreak stands between the
// message's lines: "\n" for a message box, " " for one line on standard error.
QString TapeFileMessage(const TapeFileResult &result, const QString &lineBreak = QStringLiteral("\n"));

// Why an export (PDF, CSV, text) could not be written to path.
QString TapeExportMessage(const QString &path, const QString &reason,
                          const QString &lineBreak = QStringLiteral("\n"));

// The column heads and the other words of a printed or text tape.
TapeHeadings TapeHeadingTexts();
