#pragma once

#include <QStringList>

// Exit codes of tallyer-cli.
enum CliExit { ExitOk = 0, ExitFailure = 1, ExitUsage = 2 };

// Each command takes the arguments after its name.
int runEval(const QStringList &args);
int runSheet(const QStringList &args);
int runWords(const QStringList &args);

// Says on one line of stderr what was wrong and where the usage is; returns ExitUsage.
int usageError(const QString &why);
