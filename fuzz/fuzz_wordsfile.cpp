// The words-file reader and the amount in words on any file: reading the file agrees with parsing
// its text, and the amount fails (empty text, error set, the right message) exactly when the
// amount is too large or the file is unusable.

#include "fuzzcommon.h"

#include <amountinwords.h>
#include <messagesink.h>
#include <wordsfile.h>

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 9)
        return 0;
    static QTemporaryDir dir(scratchTemplate());
    static const QString path = dir.filePath(QStringLiteral("InWords fuzz.txt"));
    static QString shown;
    static const bool sinkSet = [] {
        setMessageSink([](const QString &text, MessageIcon) { shown = text; });
        return true;
    }();
    Q_UNUSED(sinkSet);

    const int lcid = fuzzLocale(data[0]).lcid;
    qint64 scaled = 0;
    std::memcpy(&scaled, data + 1, sizeof scaled);
    const QByteArray bytes(reinterpret_cast<const char *>(data + 9), qsizetype(size - 9));
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(bytes) == bytes.size());
    }

    WordsFile parsed;
    const bool valid = ParseWordsText(DecodeTextBytes(bytes, lcid), parsed);
    WordsFile read;
    FUZZ_CHECK(ReadWordsFile(path, lcid, read) == valid);

    const Currency amount = Currency::fromScaled(scaled);
    const quint64 magnitude = scaled < 0 ? 0 - quint64(scaled) : quint64(scaled);
    const bool tooLarge = (magnitude + 50) / 100 / 100 > 999999999999ULL;
    shown.clear();
    bool error = false;
    const QString words = AmountInWords(amount, path, lcid, error, QStringLiteral("limit"), QStringLiteral("file"));
    if (tooLarge || !valid) {
        FUZZ_CHECK(error && words.isEmpty());
        FUZZ_CHECK(shown == (tooLarge ? QStringLiteral("limit") : QStringLiteral("file")));
    } else {
        FUZZ_CHECK(!error && shown.isEmpty());
    }
    return 0;
}
