// The eval and sheet commands.

#include "cli.h"

#include "evaluator.h"
#include "filenames.h"
#include "foldmachine.h"
#include "localevalues.h"
#include "numberformat.h"
#include "tapefile.h"
#include "tapereading.h"
#include "sheetbytes.h"
#include "textid.h"

#include <QScopeGuard>
#include <QTextStream>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string_view>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// The longest line of expressions eval - reads: as much as the settings store and the tape files
// take. (A sheet has no such bound: it is read a piece at a time.)
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

// Say why an input cannot be used, on one line, and fail.
bool inputRefused(const QString &name, const char *why)
{
    if (name == QLatin1String("-"))
        std::fprintf(stderr, "tallyer-cli: cannot read standard input: %s\n", why);
    else
        std::fprintf(stderr, "tallyer-cli: cannot read '%s': %s\n", EncodeFileName(PrintableName(name)).constData(),
                     why);
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

// A sheet is read a piece at a time: the cleaning and the evaluation carry their state from one
// piece to the next, so a sheet of any size takes the room of one piece and of what the
// evaluation holds (an operand per open parenthesis and pending operator).
constexpr qsizetype kSheetPieceBytes = 256 * 1024;
// The longest cleaned sheet evaluated whole where the step-by-step evaluation cannot tell (see
// SheetReader::finish): as long as a sheet the window can hold, so that every such sheet gets
// the window's answer.
constexpr qsizetype kWholeExpressionBytes = kTapeFileLimit;
// The step-by-step evaluation holds about a hundred bytes per open parenthesis, so it follows at
// most this many at once; a deeper sheet is evaluated whole.
constexpr qsizetype kMaxOpenParentheses = 64 * 1024;

// Reads a descriptor to its end, a piece at a time; false with errno set on a read error.
template <typename Take>
bool readPieces(int fd, Take take)
{
    std::unique_ptr<char[]> buffer(new char[kSheetPieceBytes]);
    for (;;) {
        const ssize_t n = ::read(fd, buffer.get(), size_t(kSheetPieceBytes));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n == 0;
        take(QByteArrayView(buffer.get(), n));
    }
}

// A sheet being read: its cleaning and its step-by-step evaluation (the one the window's tape
// does). What only the whole evaluation tells needs the cleaned expression again: a sheet read
// from a pipe keeps it while it is short enough; a regular file is read once more instead.
class SheetReader
{
public:
    SheetReader(const LocaleValues &locale, bool keepExpression)
        : m_cleaner(locale.decimalChar())
        , m_machine(locale)
        , m_keep(keepExpression)
    {
    }

    void feed(QByteArrayView bytes)
    {
        if (m_cleaner.independentRows())
            return; // no value whatever follows; the rest is only read
        m_piece.clear();
        m_cleaner.feed(bytes, m_piece);
        take();
    }

    enum class Outcome { Told, Whole, Unknown };

    // Told: the value or why there is none; Whole: expression() (or the file read again) must
    // be evaluated whole; Unknown: that expression is too long to evaluate whole.
    Outcome finish(double &value, EvalFailure &failure)
    {
        if (!m_cleaner.independentRows()) {
            m_piece.clear();
            bool independentRows = false;
            m_cleaner.finish(m_piece, independentRows);
            take();
        }
        value = 0;
        if (m_cleaner.independentRows()) {
            failure = EvalFailure::IndependentRows;
            return Outcome::Told;
        }
        if (!m_machineOff && m_machine.outcome(value, failure))
            return Outcome::Told;
        return m_cleanedBytes <= kWholeExpressionBytes ? Outcome::Whole : Outcome::Unknown;
    }

    // The cleaned expression of a sheet read with keepExpression, after finish() said Whole.
    std::string takeExpression() { return std::move(m_kept); }

private:
    void take()
    {
        m_cleanedBytes += qsizetype(m_piece.size());
        if (m_keep && m_cleanedBytes <= kWholeExpressionBytes)
            m_kept += m_piece;
        else
            m_kept = std::string();
        const bool parentheses = std::memchr(m_piece.data(), '(', m_piece.size())
            || std::memchr(m_piece.data(), ')', m_piece.size());
        for (const char c : parentheses ? std::string_view(m_piece) : std::string_view()) {
            if (c == '(' && ++m_depth > kMaxOpenParentheses)
                m_machineOff = true;
            else if (c == ')')
                --m_depth;
        }
        if (m_machineOff || m_machine.stopped()) {
            m_machine.release();
            return;
        }
        m_wide.resize(m_piece.size());
        std::copy(m_piece.begin(), m_piece.end(), m_wide.begin());
        m_machine.feed(QStringView(m_wide.data(), qsizetype(m_wide.size())));
    }

    SheetBytesCleaner m_cleaner;
    FoldMachine m_machine;
    const bool m_keep;
    std::string m_piece;
    std::u16string m_wide;
    std::string m_kept;
    qsizetype m_cleanedBytes = 0;
    qsizetype m_depth = 0;
    bool m_machineOff = false; // parentheses nested too deep to follow step by step
};


// The rows of a sheet file read as the window reads a paste or an opened tape (ReadTapeRow) on
// their way to the cleaning, a piece at a time: a row of plain figures (the usual one) passes as
// it is, any other is decoded and read, and what it gives goes on in its place, notes left out.
// The first row that cannot be read stops the reading. A row is held whole until its end, up to
// the tape file limit; a longer one can only pass as plain figures.
class RowReader
{
public:
    RowReader(const LocaleValues &locale, std::function<void(QByteArrayView)> out)
        : m_locale(locale)
        , m_out(std::move(out))
    {
        for (int c = 0; c < 128; ++c)
            m_plain[size_t(c)] = IsPlainRowCharacter(QChar(c), locale);
    }

    void feed(QByteArrayView bytes)
    {
        qsizetype pos = 0;
        const qsizetype n = bytes.size();
        if (!m_refusal.isEmpty())
            return;
        if (m_overlong) {
            const qsizetype lf = bytes.indexOf('\n');
            const QByteArrayView part = bytes.first(lf < 0 ? n : lf);
            if (!isPlain(part.endsWith('\r') ? part.chopped(1) : part))
                return refuse(ReadingRefusal::RowTooLong, QString());
            m_pending.append(bytes.first(lf < 0 ? n : lf + 1));
            if (lf < 0)
                return flush();
            m_overlong = false;
            ++m_row;
            pos = lf + 1;
        }
        if (!m_carry.empty()) {
            const qsizetype lf = bytes.indexOf('\n', pos);
            m_carry.append(bytes.data() + pos, size_t((lf < 0 ? n : lf) - pos));
            if (lf < 0)
                return holdCarry();
            row(QByteArrayView(m_carry), true);
            m_carry.clear();
            pos = lf + 1;
        }
        while (pos < n && m_refusal.isEmpty()) {
            const qsizetype lf = bytes.indexOf('\n', pos);
            if (lf < 0) {
                m_carry.assign(bytes.data() + pos, size_t(n - pos));
                holdCarry();
                break;
            }
            row(bytes.sliced(pos, lf - pos), true);
            pos = lf + 1;
        }
        flush();
    }

    void finish()
    {
        if (m_refusal.isEmpty() && !m_carry.empty() && !m_overlong)
            row(QByteArrayView(m_carry), false);
        flush();
    }

    // The reason the reading stopped, empty while every row could be read.
    const QString &refusal() const { return m_refusal; }

private:
    bool isPlain(QByteArrayView bytes) const
    {
        for (const char c : bytes) {
            if (uchar(c) >= 128 || !m_plain[uchar(c)])
                return false;
        }
        return true;
    }

    void row(QByteArrayView line, bool ended)
    {
        if (line.endsWith('\r') && ended)
            line.chop(1);
        if (isPlain(line)) {
            m_pending.append(line);
        } else {
            const TapeRowReading read = ReadTapeRow(QString::fromUtf8(line), m_locale);
            if (read.refusal != ReadingRefusal::None)
                return refuse(read.refusal, read.fragment);
            m_pending.append(read.figures.toLatin1());
        }
        if (ended)
            m_pending.append('\n');
        ++m_row;
    }

    // A row not yet ended is held, unless it is longer than a tape may be: then it passes on as
    // it comes, if it is plain figures.
    void holdCarry()
    {
        if (qsizetype(m_carry.size()) <= kTapeFileLimit)
            return flush();
        if (!isPlain(QByteArrayView(m_carry)))
            return refuse(ReadingRefusal::RowTooLong, QString());
        m_pending.append(m_carry.data(), qsizetype(m_carry.size()));
        m_carry = std::string();
        m_overlong = true;
        flush();
    }

    void refuse(ReadingRefusal why, const QString &fragment)
    {
        m_refusal = ReadingRefusalMessage(why, m_row + 1, fragment);
        m_pending.clear();
    }

    void flush()
    {
        if (!m_pending.isEmpty())
            m_out(QByteArrayView(m_pending));
        m_pending.clear();
    }

    const LocaleValues m_locale;
    const std::function<void(QByteArrayView)> m_out;
    std::array<bool, 128> m_plain{};
    QByteArray m_pending;   // what the rows of the current piece give
    std::string m_carry;    // a row not ended at the end of a piece
    bool m_overlong = false; // the current row passed the limit and goes on as it comes
    qsizetype m_row = 0;    // rows read so far
    QString m_refusal;
};

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

    const QString &name = opt->positional.front();
    const bool standardInput = name == QLatin1String("-");
    if (standardInput && !standardInputAccepted())
        return ExitFailure;
    FileRead status = FileRead::Read;
    const int fd = standardInput ? STDIN_FILENO : OpenRegularFile(name, status);
    if (fd < 0) {
        inputRefused(name, status == FileRead::Missing ? "no such file" : "not a readable regular file");
        return ExitFailure;
    }
    const auto closeFile = qScopeGuard([fd, standardInput] {
        if (!standardInput)
            ::close(fd);
    });
    struct stat st = {};
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    SheetReader reader(*locale, !regular);
    RowReader rows(*locale, [&reader](QByteArrayView bytes) { reader.feed(bytes); });
    if (!readPieces(fd, [&rows](QByteArrayView bytes) { rows.feed(bytes); })) {
        inputRefused(name, std::strerror(errno));
        return ExitFailure;
    }
    rows.finish();
    // A row that cannot be read unambiguously gives no value: it would be other numbers.
    if (!rows.refusal().isEmpty()) {
        printLine(QStringLiteral("error"));
        std::fprintf(stderr, "tallyer-cli: %s\n", rows.refusal().toLocal8Bit().constData());
        return ExitFailure;
    }

    double value = 0;
    EvalFailure failure = EvalFailure::None;
    switch (reader.finish(value, failure)) {
    case SheetReader::Outcome::Told:
        break;
    case SheetReader::Outcome::Whole: {
        std::string expression;
        if (regular) {
            // Read once more from the start, now into one expression (no longer than the limit
            // unless the file changed in between, which the limit bounds all the same).
            SheetBytesCleaner cleaner(locale->decimalChar());
            RowReader again(*locale, [&](QByteArrayView bytes) {
                if (qsizetype(expression.size()) <= kWholeExpressionBytes)
                    cleaner.feed(bytes, expression);
            });
            const bool read = ::lseek(fd, 0, SEEK_SET) == 0
                && readPieces(fd, [&again](QByteArrayView bytes) { again.feed(bytes); });
            again.finish();
            bool independentRows = false;
            cleaner.finish(expression, independentRows);
            if (!read) {
                inputRefused(name, std::strerror(errno));
                return ExitFailure;
            }
        } else {
            expression = reader.takeExpression();
        }
        bool failed = false;
        value = EvaluateAsciiExpression(std::move(expression), *locale, failed, failure);
        break;
    }
    case SheetReader::Outcome::Unknown:
        printLine(QStringLiteral("error"));
        std::fputs("tallyer-cli: cannot evaluate the sheet: longer than 16 MiB, and it must be evaluated "
                   "whole to tell its value or why it has none\n", stderr);
        return ExitFailure;
    }
    printLine(resultText(value, failure != EvalFailure::None, *opt, *locale, failure));
    printFailure(failure);
    return failure == EvalFailure::None ? ExitOk : ExitFailure;
}
