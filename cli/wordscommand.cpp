// The words command: amounts in words through a words file, as the calculator copies them.

#include "cli.h"

#include "amountinwords.h"
#include "datafolders.h"
#include "filenames.h"
#include "localevalues.h"
#include "messagesink.h"
#include "wordsfile.h"

#include <loadtext.h>

#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>

#include <cstdio>

namespace {

constexpr int kTextLimitMessage = 1150;
constexpr int kTextFileMessage = 1151;

// UTF-8, but a file name in the text keeps the bytes it has on the disk.
void writeUtf8(std::FILE *stream, const QString &text)
{
    const QByteArray bytes = EncodeFileName(text);
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fputc('\n', stream);
}


} // namespace

int runWords(const QStringList &args)
{
    QString fileName = QStringLiteral("InWordsDollars eng.txt");
    QStringList amounts;
    bool optionsEnded = false;
    for (const QString &arg : args) {
        if (optionsEnded || !arg.startsWith(QLatin1String("--"))) {
            amounts << arg;
        } else if (arg == QLatin1String("--")) {
            optionsEnded = true;
        } else if (arg.startsWith(QLatin1String("--file="))) {
            fileName = arg.mid(7);
            if (fileName.isEmpty())
                return usageError(QStringLiteral("--file takes a file name or path"));
        } else {
            return usageError(QStringLiteral("unknown option '%1'").arg(arg));
        }
    }
    if (amounts.isEmpty())
        return usageError(QStringLiteral("words takes one or more amounts"));

    // Every amount is checked before anything is printed.
    static const QRegularExpression plainAmount(QStringLiteral("^-?[0-9]+(\\.[0-9]+)?$"));
    for (const QString &amount : amounts) {
        if (!plainAmount.match(amount).hasMatch())
            return usageError(QStringLiteral("'%1' is not an amount such as 1234.56").arg(amount));
    }

    const int lcid = ReadLocaleValues().lcid; // the language of a legacy words file
    const QString path = QDir::cleanPath(QDir(QDir::currentPath()).absoluteFilePath(
        DataFilePath(fileName, QCoreApplication::applicationDirPath())));
    const QString limitMessage = LoadText(kTextLimitMessage, {QStringLiteral("|1"), QStringLiteral("\n")});
    const QString fileMessage = LoadText(kTextFileMessage, {QStringLiteral("|1"), QStringLiteral("\n"),
                                                            QStringLiteral("|2"), path});

    const MessageSink previous = setMessageSink([](const QString &text, MessageIcon) {
        writeUtf8(stderr, text);
    });

    // A bad words file fails every amount alike: say so once.
    WordsFile words;
    if (!ReadWordsFile(path, lcid, words)) {
        showMessage(fileMessage, MessageIcon::Information);
        setMessageSink(previous);
        return ExitFailure;
    }

    // One output line per amount; an amount over the limit gets an empty line and its message.
    int exitCode = ExitOk;
    for (const QString &amount : amounts) {
        bool failed = false;
        QString text;
        if (const std::optional<Currency> value = Currency::fromText(amount)) {
            text = AmountInWords(*value, path, lcid, failed, limitMessage, fileMessage);
        } else {
            // Beyond the currency range, and so far beyond the 12-digit limit.
            showMessage(limitMessage, MessageIcon::Information);
            failed = true;
        }
        writeUtf8(stdout, text);
        std::fflush(stdout);
        if (failed)
            exitCode = ExitFailure;
    }
    setMessageSink(previous);
    return exitCode;
}
