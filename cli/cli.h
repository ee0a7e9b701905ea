#pragma once

#include <localevalues.h>

#include <QStringList>

#include <optional>

// Exit codes of tallyer-cli.
enum CliExit { ExitOk = 0, ExitFailure = 1, ExitUsage = 2 };

// Each command takes the arguments after its name.
int runEval(const QStringList &args);
int runSheet(const QStringList &args);
int runWords(const QStringList &args);
int runPrint(const QStringList &args);

// The options of the commands that calculate (eval, sheet, print).
struct CalcOptions
{
    std::optional<QString> decimal;
    std::optional<QString> thousands;
    bool noLeadingZero = false;
    int round = 2;
    bool raw = false;
    QStringList positional;
};

// The options and the operands; on a usage error empty, with the exit code set.
std::optional<CalcOptions> parseOptions(const QStringList &args, int &exitCode);

// Reads the user's locale once for the command, then lays the options over it. Empty when the
// locale's own decimal separator is unusable and no --decimal was given (the reason is printed).
std::optional<LocaleValues> commandLocale(const CalcOptions &opt);

// Says on one line of stderr that the input (a file name, or "-") cannot be read, and why;
// returns false.
bool inputRefused(const QString &name, const char *why);

// Whether standard input is something that ends: a pipe, a socket, a terminal, a regular file
// or /dev/null; otherwise says so and returns false.
bool standardInputAccepted();

// Says on one line of stderr what was wrong and where the usage is; returns ExitUsage.
int usageError(const QString &why);
