// The print command: a tape file with its running subtotals as PDF, CSV or text.

#include "cli.h"

#include <pdfmodule.h>
#include <sheettext.h>
#include <tapereading.h>
#include <tapeexport.h>
#include <tapefile.h>
#include <tapefold.h>
#include <tapetexts.h>
#include <textid.h>

#include <filenames.h>

#include <QDateTime>
#include <QFileInfo>
#include <QLibrary>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <malloc.h>
#include <unistd.h>

// TALLYER_MODULE_FROM_BIN (the PDF module's folder relative to the executables' folder) and
// TALLYER_INSTALL_MODULEDIR (the same as an absolute path) come from the build.
#ifndef TALLYER_MODULE_FROM_BIN
#define TALLYER_MODULE_FROM_BIN "../libexec/tallyer"
#endif
#ifndef TALLYER_INSTALL_MODULEDIR
#define TALLYER_INSTALL_MODULEDIR "/usr/local/libexec/tallyer"
#endif

namespace {

enum class Format { Pdf, Csv, Text };

void failLine(const QString &what, const QString &name, const QString &why)
{
    std::fprintf(stderr, "tallyer-cli: %s '%s': %s\n", what.toLocal8Bit().constData(),
                 EncodeFileName(PrintableName(name)).constData(), why.toLocal8Bit().constData());
}

// The format the output's name asks for; "-" is CSV on standard output.
std::optional<Format> formatOf(const QString &output)
{
    if (output == QLatin1String("-"))
        return Format::Csv;
    const QString suffix = output.mid(output.lastIndexOf(u'.') + 1).toLower();
    if (output.lastIndexOf(u'.') <= output.lastIndexOf(u'/'))
        return std::nullopt;
    if (suffix == QLatin1String("pdf"))
        return Format::Pdf;
    if (suffix == QLatin1String("csv"))
        return Format::Csv;
    if (suffix == QLatin1String("txt"))
        return Format::Text;
    return std::nullopt;
}

// The tape as the window reads a tape file (at most kTapeFileLimit bytes, UTF-8 or the 8-bit
// code page, no NUL), from the file named byte for byte or from standard input to its end.
bool readInput(const QString &name, QString &sheet)
{
    const bool standardInput = name == QLatin1String("-");
    if (standardInput && !standardInputAccepted())
        return false;
    QByteArray bytes;
    // Room for the line break a tape of exactly the limit is saved with.
    const FileRead read = standardInput ? ReadDescriptor(STDIN_FILENO, kTapeFileLimit + 2, bytes)
                                        : ReadRegularFile(name, kTapeFileLimit + 2, bytes);
    switch (read) {
    case FileRead::Read:
        break;
    case FileRead::Missing:
        return inputRefused(name, "no such file");
    case FileRead::TooLarge:
        return inputRefused(name, "larger than 16 MiB");
    case FileRead::Unreadable:
        return inputRefused(name, standardInput ? "read error" : "not a readable regular file");
    }
    const TapeFileResult tape = TapeTextFromBytes(std::move(bytes), name, sheet);
    if (tape.error == TapeFileError::TooLarge)
        return inputRefused(name, "larger than 16 MiB");
    if (!tape.ok())
        return inputRefused(name, "it holds NUL characters: not a text file");
    return true;
}

// The PDF writer lives in a module of its own, so that eval and sheet never load QtGui: beside
// the executable (the build folder, a copied folder), then where the build installs it.
WriteTapePdfFunction loadPdfWriter(QString &why)
{
    const QString programFolder =
        QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()).absolutePath();
    const QString name = QString::fromLatin1(kPdfModuleFileName);
    const QStringList candidates{
        programFolder + QLatin1Char('/') + name,
        programFolder + QStringLiteral("/" TALLYER_MODULE_FROM_BIN "/") + name,
        QStringLiteral(TALLYER_INSTALL_MODULEDIR "/") + name,
    };
    why = QStringLiteral("the PDF module %1 is not installed").arg(name);
    for (const QString &candidate : candidates) {
        if (!QFileInfo(candidate).isFile())
            continue;
        QLibrary module(candidate);
        if (!module.load()) {
            why = QStringLiteral("the PDF module %1 cannot be loaded (%2)").arg(candidate, module.errorString());
            continue;
        }
        if (const auto write = reinterpret_cast<WriteTapePdfFunction>(module.resolve(kWriteTapePdfSymbol)))
            return write;
        why = QStringLiteral("the PDF module %1 has no entry point %2").arg(candidate, QLatin1String(kWriteTapePdfSymbol));
    }
    return nullptr;
}

// Writes every piece to the descriptor; false with the reason when a write fails.
bool writeAll(int fd, QByteArrayView bytes, QString &why)
{
    const char *data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            why = QString::fromLocal8Bit(std::strerror(n < 0 ? errno : ENOSPC));
            return false;
        }
        data += n;
        left -= n;
    }
    return true;
}

bool writeText(Format format, const TapeDocument &document, const TapeSink &sink, TapeTotal &total)
{
    return format == Format::Csv ? WriteTapeCsv(document, sink, &total)
                                 : WriteTapeText(document, TapeHeadingTexts(), sink, &total);
}

// The paper --paper names; empty for a name it does not know.
std::optional<TapePaper> paperNamed(const QString &name)
{
    static const std::pair<const char *, TapePaper> papers[] = {
        {"a4", TapePaper::A4}, {"letter", TapePaper::Letter}, {"legal", TapePaper::Legal}, {"a5", TapePaper::A5}};
    for (const auto &[paperName, paper] : papers) {
        if (name.compare(QLatin1String(paperName), Qt::CaseInsensitive) == 0)
            return paper;
    }
    return std::nullopt;
}

// A tape without a result is written all the same (the total line says why, as the result panel
// would), and then fails like `sheet`: the reason on stderr, exit code 1.
int outcome(const TapeTotal &total)
{
    if (total.failure == EvalFailure::None)
        return ExitOk;
    std::fprintf(stderr, "tallyer-cli: %s\n", Text(FailureText(total.failure)).toLocal8Bit().constData());
    return ExitFailure;
}

} // namespace

int runPrint(const QStringList &args)
{
    // --output and --paper take their value as the next argument or after "="; the rest are the
    // options of the calculating commands and the tape.
    QStringList rest;
    std::optional<QString> output;
    std::optional<QString> paperName;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (arg == QLatin1String("--")) {
            rest << args.mid(i);
            break;
        }
        if (arg == QLatin1String("--output") || arg == QLatin1String("--paper")) {
            if (i + 1 == args.size())
                return usageError(arg == QLatin1String("--output") ? QStringLiteral("--output takes a file name")
                                                                   : QStringLiteral("--paper takes a paper size"));
            (arg == QLatin1String("--output") ? output : paperName) = args.at(++i);
        } else if (arg.startsWith(QLatin1String("--output="))) {
            output = arg.mid(9);
        } else if (arg.startsWith(QLatin1String("--paper="))) {
            paperName = arg.mid(8);
        } else {
            rest << arg;
        }
    }
    const std::optional<TapePaper> paper = paperName ? paperNamed(*paperName) : TapePaper::Local;
    if (!paper)
        return usageError(QStringLiteral("unknown paper size '%1': a4, letter, legal or a5").arg(*paperName));
    int exitCode = ExitOk;
    const auto opt = parseOptions(rest, exitCode);
    if (!opt)
        return exitCode;
    if (opt->raw)
        return usageError(QStringLiteral("print does not take --raw"));
    if (opt->positional.size() != 1)
        return usageError(QStringLiteral("print takes one tape file, or - for standard input"));
    if (!output || output->isEmpty())
        return usageError(QStringLiteral("print takes --output FILE (.pdf, .csv or .txt), or --output - for CSV"));

    const QString cannotWrite = QStringLiteral("cannot write");
    const std::optional<Format> format = formatOf(*output);
    if (!format) {
        failLine(cannotWrite, *output, QStringLiteral("the name must end in .pdf, .csv or .txt"));
        return ExitFailure;
    }
    const std::optional<LocaleValues> locale = commandLocale(*opt);
    if (!locale)
        return ExitFailure;

    const QString input = opt->positional.front();
    const bool toStandardOutput = *output == QLatin1String("-");
    // The output must never take the place of the tape it is made from, whatever names the two.
    if (!toStandardOutput
        && (input == QLatin1String("-") ? SameFile(*output, STDIN_FILENO) : SameFile(*output, input))) {
        failLine(cannotWrite, *output, QStringLiteral("it is the tape being printed"));
        return ExitFailure;
    }
    // A long tape passes through a few forms of some megabytes each, one after the other. Left to
    // itself the C library would serve the later ones from the heap once the first is freed and
    // keep the freed pages; mapped on their own, each is given back when it is let go.
    ::mallopt(M_MMAP_THRESHOLD, 4 * 1024 * 1024);
    ::mallopt(M_TRIM_THRESHOLD, 16 * 1024 * 1024);
    QString text;
    if (!readInput(input, text))
        return ExitFailure;
    // The tape as the calculator's sheet would hold it after opening the file (no wrapping:
    // that depends on a window's width).
    // Read as the window reads an opened file: words and grouped numbers as a paste is.
    const TapeReading reading = ReadTapeText(text, *locale);
    text = QString();
    if (!reading.ok()) {
        std::fprintf(stderr, "tallyer-cli: %s\n",
                     ReadingRefusalMessage(reading.refusal, reading.refusedRow + 1, reading.fragment).toLocal8Bit().constData());
        return ExitFailure;
    }
    qsizetype caret = 0;
    TapeDocument document;
    document.sheetText = CleanSheetText(reading.sheet, caret, *locale);
    // The cleaning takes away the empty rows at the start, and the caret that stood at the start
    // follows the characters it stood behind: it comes out before the sheet by their breaks. The
    // notes move up with their rows; a note of a row taken away goes with it.
    const qsizetype rowsTaken = -caret / 2;
    for (const RowNote &note : reading.notes) {
        if (note.row >= rowsTaken)
            document.notes.append({note.row - rowsTaken, note.text});
    }
    document.fileName = input == QLatin1String("-") ? QString() : input;
    document.decimals = opt->round;
    document.locale = *locale;
    document.printedAt = QDateTime::currentDateTime();
    document.paper = *paper;

    QString why;
    TapeTotal total;
    if (toStandardOutput) {
        if (!WriteTapeCsv(document, [&why](QByteArrayView piece) { return writeAll(STDOUT_FILENO, piece, why); },
                          &total)) {
            std::fprintf(stderr, "tallyer-cli: cannot write standard output: %s\n", why.toLocal8Bit().constData());
            return ExitFailure;
        }
        return outcome(total);
    }
    OutputFile file;
    bool written = file.open(*output, why);
    if (written && *format == Format::Pdf) {
        const WriteTapePdfFunction writePdf = loadPdfWriter(why);
        written = writePdf && writePdf(document, file.descriptor(), why, total);
    } else if (written) {
        written = writeText(
            *format, document, [&](QByteArrayView piece) { return file.write(piece.data(), piece.size(), why); },
            total);
    }
    if (!written || !file.commit(why)) {
        failLine(cannotWrite, *output, why);
        return ExitFailure;
    }
    return outcome(total);
}
