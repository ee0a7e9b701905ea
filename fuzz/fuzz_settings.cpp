// The settings store on any file: a read that fails gives the caller's default, a text that reads
// fits the buffer, and a written value reads back without disturbing the values that read before.

#include "fuzzcommon.h"

#include <clsregistry.h>

#include <QFile>
#include <QTemporaryDir>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static QTemporaryDir dir(scratchTemplate());
    static const QString path = dir.filePath(QStringLiteral("Tallyer.json"));
    static const QString key = QStringLiteral("SOFTWARE\\Mavo\\Tallyer");
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(reinterpret_cast<const char *>(data), qint64(size)) == qint64(size));
    }
    QFile::remove(path + QStringLiteral(".corrupt"));

    clsRegistry store(path);
    bool textError = false;
    const QString text = store.GetString(HKEY_CURRENT_USER, key, QStringLiteral("FontName"),
                                         QStringLiteral("dflt"), textError);
    if (textError)
        FUZZ_CHECK(text == QStringLiteral("dflt"));
    else
        FUZZ_CHECK(text.toUtf8().size() < clsRegistry::kTextBufferBytes);
    bool longError = false;
    const qint32 number = store.GetLong(HKEY_CURRENT_USER, key, QStringLiteral("RoundTo"), -77, longError);
    if (longError)
        FUZZ_CHECK(number == -77);

    const qint32 written = size > 0 ? qint32(quint32(data[0]) * 16777259u) : 5;
    FUZZ_CHECK(store.SetLong(HKEY_CURRENT_USER, key, QStringLiteral("MaxRows"), written));
    bool error = true;
    const qint32 readBack = store.GetLong(HKEY_CURRENT_USER, key, QStringLiteral("MaxRows"), 0, error);
    FUZZ_CHECK(readBack == written && !error);
    if (!textError) {
        const QString textAfter = store.GetString(HKEY_CURRENT_USER, key, QStringLiteral("FontName"),
                                                  QString(), error);
        FUZZ_CHECK(textAfter == text);
        FUZZ_CHECK(!error);
    }
    if (!longError)
        FUZZ_CHECK(store.GetLong(HKEY_CURRENT_USER, key, QStringLiteral("RoundTo"), 0, error) == number);
    return 0;
}
