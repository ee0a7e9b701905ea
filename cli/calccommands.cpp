// The eval and sheet commands.

#include "cli.h"

#include "filenames.h"
#include "modfunctions.h"
#include "sheetbytes.h"
#include "textid.h"

#include <QTextStream>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include <malloc.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The most tallyer-cli reads as one sheet, or as one line of expressions: as much as the settings
// store and the tape files take. A sheet is a few kilobytes.
constexpr qint64 kMaxInputBytes = 16 * 1024 * 1024;

} // namespace

// Options are recognised anywhere before "--". An option is "--" followed by a letter, so "-"
// alone, "-5+3" and "--5" (minus minus five, an expression the evaluator takes) are operands.
std::optional<CalcOptions> parseOptions(const QStringList &args, int &exitCode)
{
    CalcOptions opt;
    bool optionsEnded = false;
    for (const QString &arg : args) {
        const bool option = arg.startsWith(QLatin1String("--"))
            && (arg.size() == 2 || arg.at(2).isLetter());
        if (optionsEnded || !option) {
            opt.positional << arg;
            continue;
        }
        if (arg == QLatin1String("--")) {
            optionsEnded = true;
        } else if (arg.startsWith(QLatin1String("--decimal="))) {
            const QString v = arg.mid(10);
            if (v != QLatin1String(".") && v != QLatin1String(",")) {
                exitCode = usageError(QStringLiteral("--decimal takes \".\" or \",\""));
                return std::nullopt;
            }
            opt.decimal = v;
        } else if (arg.startsWith(QLatin1String("--thousands="))) {
            const QString v = arg.mid(12);
            if (v.size() != 1) {
                exitCode = usageError(QStringLiteral("--thousands takes exactly one character"));
                return std::nullopt;
            }
            opt.thousands = v;
        } else if (arg == QLatin1String("--no-leading-zero")) {
            opt.noLeadingZero = true;
        } else if (arg.startsWith(QLatin1String("--round="))) {
            bool ok = false;
            const int n = arg.mid(8).toInt(&ok);
            if (!ok || n < 0 || n > 9) {
                exitCode = usageError(QStringLiteral("--round takes a whole number from 0 to 9"));
                return std::nullopt;
            }
            opt.round = n;
        } else if (arg == QLatin1String("--raw")) {
            opt.raw = true;
        } else {
            exitCode = usageError(QStringLiteral("unknown option '%1'").arg(arg));
            return std::nullopt;
        }
    }
    return opt;
}

std::optional<LocaleValues> commandLocale(const CalcOptions &opt)
{
    LocaleValues loc = ReadLocaleValues();
    if (opt.decimal)
        loc.decimalSeparator = *opt.decimal;
    if (opt.thousands)
        loc.thousandsSeparator = *opt.thousands;
    if (opt.noLeadingZero)
        loc.leadingZero = false;
    // A --decimal that collides with the locale's grouping would make 1,234,50 unreadable: group
    // with the other character instead.
    if (!opt.thousands && loc.thousandsSeparator == loc.decimalSeparator)
        loc.thousandsSeparator = loc.decimalSeparator == QLatin1String(",") ? QStringLiteral(".")
                                                                            : QStringLiteral(",");
    if (loc.decimalSeparator != QLatin1String(".") && loc.decimalSeparator != QLatin1String(",")) {
        std::fprintf(stderr,
                     "tallyer-cli: the locale's decimal separator '%s' is neither '.' nor ','; "
                     "pass --decimal=. or --decimal=,\n",
                     loc.decimalSeparator.toLocal8Bit().constData());
        return std::nullopt;
    }
    return loc;
}

namespace {

QString rawText(double value)
{
    if (value == 0.0)
        value = 0.0; // no "-0"
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    return QString::fromLatin1(buf, res.ptr - buf);
}

// The output line for what the evaluator gave, and why it failed (None when it evaluated). A
// value the result panel cannot show (10^15 or more: FormatResult gives the empty text) fails
// like a rejected expression; --raw shows any value.
QString resultText(double value, bool failed, const CalcOptions &opt, const LocaleValues &locale,
                   EvalFailure &failure)
{
    const QString text = failed ? QString() : opt.raw ? rawText(value) : FormatResult(value, opt.round, locale);
    if (!failed && text.isEmpty())
        failure = EvalFailure::TooLarge;
    return text.isEmpty() ? QStringLiteral("error") : text;
}

QString resultLine(const QString &expression, const CalcOptions &opt, const LocaleValues &locale,
                   EvalFailure &failure)
{
    bool failed = false;
    const double value = EvaluateExpression(expression, locale, failed, failure);
    return resultText(value, failed, opt, locale, failure);
}

// Why there was no value, on one line of stderr in the user's language; line counts the lines of
// standard input from 1 (0: the expression was an argument or a file).
void printFailure(EvalFailure failure, qsizetype line = 0)
{
    if (failure == EvalFailure::None)
        return;
    const QString why = Text(FailureText(failure));
    const QString where = line > 0 ? QStringLiteral("line %1: ").arg(line) : QString();
    std::fprintf(stderr, "tallyer-cli: %s%s\n", where.toLocal8Bit().constData(), why.toLocal8Bit().constData());
}

void printLine(const QString &line)
{
    std::fputs(line.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
}

// Say why an input cannot be used, on one line, and fail.
bool inputRefused(const QString &name, const char *why)
{
    if (name == QLatin1String("-"))
        std::fprintf(stderr, "tallyer-cli: cannot read standard input: %s\n", why);
    else
        std::fprintf(stderr, "tallyer-cli: cannot read '%s': %s\n", EncodeFileName(name).constData(), why);
    return false;
}

// Standard input may be a terminal, a pipe (or a socket, as some launchers connect it), a
// regular file or /dev/null; a device such as /dev/zero or /dev/urandom never ends and is refused.
bool standardInputAccepted()
{
    struct stat st = {};
    if (::fstat(STDIN_FILENO, &st) != 0)
        return inputRefused(QStringLiteral("-"), "it is closed");
    if (S_ISREG(st.st_mode) || S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode) || ::isatty(STDIN_FILENO))
        return true;
    struct stat null = {};
    if (S_ISCHR(st.st_mode) && ::stat("/dev/null", &null) == 0 && S_ISCHR(null.st_mode)
        && st.st_rdev == null.st_rdev)
        return true;
    return inputRefused(QStringLiteral("-"), "not a file, a pipe or a terminal");
}

// A sheet: the regular file `name`, or standard input for "-", of at most kMaxInputBytes.
bool readAll(const QString &name, QByteArray &data)
{
    const bool standardInput = name == QLatin1String("-");
    if (standardInput && !standardInputAccepted())
        return false;
    const FileRead result = standardInput ? ReadDescriptor(STDIN_FILENO, kMaxInputBytes, data)
                                          : ReadRegularFile(name, kMaxInputBytes, data);
    switch (result) {
    case FileRead::Read:
        return true;
    case FileRead::Missing:
        return inputRefused(name, "no such file");
    case FileRead::TooLarge:
        return inputRefused(name, "larger than 16 MiB");
    case FileRead::Unreadable:
        break;
    }
    return inputRefused(name, standardInput ? "read error" : "not a readable regular file");
}

// The size of the regular file a sheet is read from, or 0 when it is not one (a pipe, a terminal).
qint64 sheetFileSize(const QString &name)
{
    struct stat st = {};
    const bool found = name == QLatin1String("-") ? ::fstat(STDIN_FILENO, &st) == 0
                                                  : ::stat(EncodeFileName(name).constData(), &st) == 0;
    return found && S_ISREG(st.st_mode) ? qint64(st.st_size) : 0;
}

// Past a few hundred kilobytes most of what a sheet costs beyond its arithmetic is page faults:
// the bytes read and their cleaned copy are touched 4 KiB at a time, and every first touch of a
// page is a fault. Transparent huge pages map 2 MiB at a time, for the cost of a few small pages.
// Both buffers are allocations of their own, which the C library would give separate mappings
// too small to hold a huge page; instead the heap is grown at once by enough for both, the part
// of it that huge pages can cover is marked for them before anything touches it, and the
// buffers are carved from it. Only advice: where it is not taken the pages come 4 KiB at a time.
// From 8 MiB the command runs again with the C library's own huge page setting (see main.cpp).
void prepareHeapForSheet(qint64 fileBytes)
{
    constexpr qint64 kHugePage = 2 * 1024 * 1024;
    constexpr qint64 kFrom = 256 * 1024;
    constexpr qint64 kUntil = 8 * 1024 * 1024;
    if (fileBytes < kFrom || fileBytes >= kUntil)
        return;
    // The bytes, the cleaned copy (no longer than the bytes), and a huge page's worth on either
    // side, which alignment leaves to small pages.
    const qint64 arena = 2 * (fileBytes + kHugePage);
    // Below the threshold an allocation comes from the heap; freeing never shrinks it.
    if (!::mallopt(M_MMAP_THRESHOLD, int(arena + kHugePage)) || !::mallopt(M_TRIM_THRESHOLD, int(2 * arena)))
        return;
    void *block = std::malloc(size_t(arena));
    if (!block)
        return;
    const auto start = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t first = (start + kHugePage - 1) & ~std::uintptr_t(kHugePage - 1);
    const std::uintptr_t last = (start + std::uintptr_t(arena)) & ~std::uintptr_t(kHugePage - 1);
    if (last <= first)
        return std::free(block);
    ::madvise(reinterpret_cast<void *>(first), last - first, MADV_HUGEPAGE);
    std::free(block);
    // The next allocation starts where the block did: the stretch below the first huge page
    // stays taken (never touched, so it costs no memory) for the buffers to start just below it.
    // The pointer goes to a volatile so that the compiler keeps an allocation nothing reads.
    constexpr std::uintptr_t kSmallPage = 4096;
    if (first - start > kSmallPage) {
        void *volatile taken = std::malloc(first - start - kSmallPage);
        static_cast<void>(taken);
    }
}

} // namespace

int runEval(const QStringList &args)
{
    int exitCode = ExitOk;
    const auto opt = parseOptions(args, exitCode);
    if (!opt)
        return exitCode;
    if (opt->positional.size() != 1)
        return usageError(QStringLiteral("eval takes one expression, or - for standard input"));
    const std::optional<LocaleValues> locale = commandLocale(*opt);
    if (!locale)
        return ExitFailure;

    EvalFailure failure = EvalFailure::None;
    if (opt->positional.front() != QLatin1String("-")) {
        printLine(resultLine(opt->positional.front(), *opt, *locale, failure));
        printFailure(failure);
        return failure == EvalFailure::None ? ExitOk : ExitFailure;
    }

    // One output line per input line, whatever the lines hold; a failed line's reason names it.
    // The stream may go on for ever; a line that does (a stream of NULs) ends the command.
    if (!standardInputAccepted())
        return ExitFailure;
    QTextStream in(stdin);
    QString line;
    qsizetype number = 0;
    while (in.readLineInto(&line, kMaxInputBytes + 1)) {
        if (line.size() > kMaxInputBytes) {
            inputRefused(QStringLiteral("-"), "a line longer than 16 MiB");
            return ExitFailure;
        }
        ++number;
        if (line.endsWith(u'\r'))
            line.chop(1);
        printLine(resultLine(line, *opt, *locale, failure));
        std::fflush(stdout);
        printFailure(failure, number);
    }
    return ExitOk;
}

int runSheet(const QStringList &args)
{
    int exitCode = ExitOk;
    const auto opt = parseOptions(args, exitCode);
    if (!opt)
        return exitCode;
    if (opt->positional.size() != 1)
        return usageError(QStringLiteral("sheet takes one file name, or - for standard input"));
    const std::optional<LocaleValues> locale = commandLocale(*opt);
    if (!locale)
        return ExitFailure;

    prepareHeapForSheet(sheetFileSize(opt->positional.front()));
    QByteArray data;
    if (!readAll(opt->positional.front(), data))
        return ExitFailure;

    // Cleaned, joined and evaluated as bytes, never widened to UTF-16: a long sheet is read as
    // fast as bc reads it, and every megabyte not touched saves the page faults of its first use.
    bool independentRows = false;
    std::string expression = SheetFileExpression(data, locale->decimalChar(), independentRows);
    data = QByteArray();
    EvalFailure failure = EvalFailure::IndependentRows;
    if (independentRows) {
        printLine(QStringLiteral("error"));
    } else {
        bool failed = false;
        const double value = EvaluateAsciiExpression(std::move(expression), *locale, failed, failure);
        printLine(resultText(value, failed, *opt, *locale, failure));
    }
    printFailure(failure);
    return failure == EvalFailure::None ? ExitOk : ExitFailure;
}
