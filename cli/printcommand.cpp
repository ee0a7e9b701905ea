// The print command: a tape file with its running subtotals as PDF, CSV or text.

#include "cli.h"

#include <pdfmodule.h>
#include <sheettext.h>
#include <tapeexport.h>
#include <tapefile.h>
#include <tapefold.h>
#include <tapetexts.h>

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>

#include <cstdio>

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

void failLine(const QString &text)
{
    std::fprintf(stderr, "tallyer-cli: %s\n", text.toLocal8Bit().constData());
}

// The format the output's name asks for; "-" is CSV on standard output.
std::optional<Format> formatOf(const QString &output)
{
    if (output == QLatin1String("-"))
        return Format::Csv;
    const QString suffix = QFileInfo(output).suffix().toLower();
    if (suffix == QLatin1String("pdf"))
        return Format::Pdf;
    if (suffix == QLatin1String("csv"))
        return Format::Csv;
    if (suffix == QLatin1String("txt"))
        return Format::Text;
    return std::nullopt;
}

TapeFileResult readInput(const QString &name, QString &sheet)
{
    if (name != QLatin1String("-"))
        return ReadTapeFile(name, sheet);
    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly))
        return {TapeFileError::Unreadable, name, in.errorString()};
    const QByteArray bytes = in.read(kTapeFileLimit + 1);
    if (in.error() != QFileDevice::NoError)
        return {TapeFileError::Unreadable, name, in.errorString()};
    return TapeTextFromBytes(bytes, name, sheet);
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
    for (const QString &path : candidates) {
        if (!QFileInfo(path).isFile())
            continue;
        QLibrary module(path);
        if (const auto write = reinterpret_cast<WriteTapePdfFunction>(module.resolve(kWriteTapePdfSymbol)))
            return write;
        why = module.errorString();
    }
    return nullptr;
}

bool writeOutput(const QString &output, const QByteArray &bytes, QString &why)
{
    if (output == QLatin1String("-")) {
        std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
        return std::fflush(stdout) == 0;
    }
    return WriteWholeFile(output, bytes, &why);
}

} // namespace

int runPrint(const QStringList &args)
{
    // --output takes its value as the next argument or after "="; the rest are the options of
    // the calculating commands and the tape.
    QStringList rest;
    std::optional<QString> output;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (arg == QLatin1String("--")) {
            rest << args.mid(i);
            break;
        }
        if (arg == QLatin1String("--output")) {
            if (i + 1 == args.size())
                return usageError(QStringLiteral("--output takes a file name"));
            output = args.at(++i);
        } else if (arg.startsWith(QLatin1String("--output="))) {
            output = arg.mid(9);
        } else {
            rest << arg;
        }
    }
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

    const std::optional<Format> format = formatOf(*output);
    if (!format) {
        failLine(QStringLiteral("'%1': the output's name must end in .pdf, .csv or .txt").arg(*output));
        return ExitFailure;
    }
    const std::optional<LocaleValues> locale = commandLocale(*opt);
    if (!locale)
        return ExitFailure;

    const QString input = opt->positional.front();
    QString text;
    const TapeFileResult read = readInput(input, text);
    if (!read.ok()) {
        failLine(TapeFileMessage(read, QStringLiteral(" ")));
        return ExitFailure;
    }
    // The tape as the calculator's sheet would hold it after opening the file (no wrapping:
    // that depends on a window's width).
    qsizetype caret = 0;
    TapeDocument document;
    document.sheetText = CleanSheetText(text, caret, *locale);
    document.fileName = input == QLatin1String("-") ? QString() : input;
    document.decimals = opt->round;
    document.locale = *locale;
    document.printedAt = QDateTime::currentDateTime();

    QString why;
    bool written = false;
    if (*format == Format::Pdf) {
        if (const WriteTapePdfFunction writePdf = loadPdfWriter(why))
            written = writePdf(document, *output, why);
    } else {
        const TapeFold fold = FoldTape(document.sheetText, document.decimals, document.locale);
        const QByteArray bytes = *format == Format::Csv ? TapeCsv(fold, document.decimals, document.locale)
                                                        : TapeText(document, fold, TapeHeadingTexts()).toUtf8();
        written = writeOutput(*output, bytes, why);
    }
    if (!written) {
        failLine(TapeExportMessage(*output, why, QStringLiteral(" ")));
        return ExitFailure;
    }
    return ExitOk;
}
