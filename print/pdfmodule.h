#pragma once

#include <tapeexport.h>

#include <QString>

// The PDF module (libtallyer-pdf.so) that tallyer-cli loads for `print --output FILE.pdf`: its
// one entry point, found by name. It writes the tape as WriteTapePdf does to the open file
// descriptor fd (from where it stands; the caller closes it), creating the application object
// the pages need (on the offscreen platform: no display is needed) when the process has none,
// and gives the total line's contents in total. QtCore only, so tallyer-cli can include it.
using WriteTapePdfFunction = bool (*)(const TapeDocument &document, int fd, QString &reason, TapeTotal &total);

inline constexpr char kPdfModuleFileName[] = "libtallyer-pdf.so";
inline constexpr char kWriteTapePdfSymbol[] = "tallyerWriteTapePdf";
