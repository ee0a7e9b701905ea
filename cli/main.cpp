// tallyer-cli: the calculator's engine from the command line. See usageText() for the interface.

#include "cli.h"

#include "filenames.h"
#include "productinfo.h"

#include <QCoreApplication>

#include <cstdio>


namespace {

const char kUsage[] =
    "Usage:\n"
    "  tallyer-cli eval  [OPTIONS] EXPR     evaluate one expression\n"
    "  tallyer-cli eval  [OPTIONS] -        standard input: one expression per line, one output line each\n"
    "  tallyer-cli sheet [OPTIONS] FILE|-   the whole file is one calculation sheet\n"
    "  tallyer-cli print [OPTIONS] FILE|- --output OUT [--paper=SIZE]\n"
    "                                     the tape as an adding machine prints it (each amount\n"
    "                                     with its operation's mark, the running subtotals,\n"
    "                                     the total with *), as OUT's name says: .pdf, .csv or\n"
    "                                     .txt; --output - is CSV on standard output\n"
    "  tallyer-cli words [--file=PATH] AMOUNT...\n"
    "                                     each amount (1234.56) in words, one line each;\n"
    "                                     as on a cheque the sign is dropped: -5 gives five\n"
    "  tallyer-cli --help | --version\n"
    "\n"
    "OPTIONS:\n"
    "  --decimal=C        decimal separator, \".\" or \",\" (default: the user locale's)\n"
    "  --thousands=C      thousands separator, one character (default: the user locale's)\n"
    "  --no-leading-zero  accept a number that starts with the decimal separator (\",5\")\n"
    "  --round=N          decimals shown, 0 to 9 (default 2)\n"
    "  --raw              print the value itself, shortest form with \".\" (1e+15, -0.25)\n"
    "  --output=OUT       print: the file to write (\"--output OUT\" as well); it is replaced\n"
    "                     once wholly written, and only when it is a regular file other than\n"
    "                     the tape (a FIFO, a device or a link to one is refused)\n"
    "  --paper=SIZE       print: the PDF's paper, a4, letter, legal or a5 (default: letter\n"
    "                     where the user locale measures in inches, a4 elsewhere)\n"
    "  --file=PATH        words: the words file (default \"InWordsDollars eng.txt\"); a bare\n"
    "                     name is looked up in the program's folder, $XDG_DATA_HOME/tallyer,\n"
    "                     each $XDG_DATA_DIRS/tallyer, then the installed data folder\n"
    "\n"
    "A rejected expression, or a value of 10^15 or more (except with --raw), prints \"error\";\n"
    "with - every input line gives one output line and the exit code stays 0.\n"
    "An amount of 999999999999.995 or more prints an empty line and a message on stderr.\n"
    "print's CSV has the columns row, text, operation (add, subtract, multiply, divide), amount\n"
    "(signed as it adds to the total) and subtotal, in plain digits with \".\"; a text starting\n"
    "with = + - @ gets a ' in front; its PDF needs no display. A tape without a result (1/0) is\n"
    "written with the reason in the result's place, which is also said on stderr: exit code 1.\n"
    "print reads a tape of up to 16 MiB (standard input to its end).\n"
    "sheet reads its rows as a paste is: labels, currency signs and what follows a TAB are left\n"
    "out, 1,607.50 stays whole, 2x3 multiplies; a row such as 12 34 or 1e3 is refused: exit 1.\n"
    "A sheet (a regular file, or standard input: a pipe, a terminal or a file) may be of any\n"
    "size; eval - takes lines of up to 16 MiB; past that, or from a device, exit code 1.\n"
    "Exit codes: 0 success, 1 an expression or file failed, 2 usage error.\n";

} // namespace

int usageError(const QString &why)
{
    std::fprintf(stderr, "tallyer-cli: %s; try 'tallyer-cli --help'\n", EncodeFileName(PrintableName(why)).constData());
    return ExitUsage;
}

// Every message of tallyer-cli is its own, one line on stderr. The toolkit's warnings (a missing
// XDG_RUNTIME_DIR under cron, fonts and platforms of the PDF writer) say nothing the user of a
// command can act on, and would break that rule: they are dropped.
static void dropToolkitMessage(QtMsgType, const QMessageLogContext &, const QString &) {}

int main(int argc, char *argv[])
{
    qInstallMessageHandler(dropToolkitMessage);
    // No application object for eval and sheet: creating one costs more than a sum of ten
    // thousand rows, and only the words command needs one (to find the program's folder).
    // Arguments as the file system would name them: a file name that is not valid UTF-8 keeps its
    // bytes and is found again.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << DecodeFileName(QByteArray(argv[i]));
    if (args.isEmpty())
        return usageError(QStringLiteral("no command given"));

    const QString command = args.takeFirst();
    if (command == QLatin1String("--help") || command == QLatin1String("-h")) {
        std::fputs(kUsage, stdout);
        return ExitOk;
    }
    if (command == QLatin1String("--version")) {
        std::printf("tallyer-cli (%s) %s\n", ProductInfo::kProductName, ProductInfo::kVersionText);
        return ExitOk;
    }
    if (command == QLatin1String("eval"))
        return runEval(args);
    if (command == QLatin1String("sheet"))
        return runSheet(args);
    if (command == QLatin1String("print"))
        return runPrint(args);
    if (command == QLatin1String("words")) {
        QCoreApplication app(argc, argv);
        return runWords(args);
    }
    return usageError(QStringLiteral("unknown command '%1'").arg(command));
}
