#pragma once

// Shared by the fuzz targets: the locales they run under and the check that stops a run when a
// routine breaks one of its own promises.

#include <localevalues.h>

#include <QDir>
#include <QFileInfo>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// Stops the run (libFuzzer saves the input) when a promise does not hold.
#define FUZZ_CHECK(condition)                                                                    \
    do {                                                                                         \
        if (!(condition)) {                                                                      \
            std::fprintf(stderr, "%s:%d: promise broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                        \
        }                                                                                        \
    } while (false)

// The values of a real locale, by one input byte: the separators of English, Russian (no-break
// space), German, Swiss or French (narrow no-break space), with or without the leading-zero flag.
// The language follows: Russian for the second, English for the rest.
inline LocaleValues fuzzLocale(std::uint8_t selector)
{
    struct Separators
    {
        const char16_t *decimal;
        const char16_t *thousands;
    };
    static constexpr Separators kLocales[] = {
        {u".", u","}, {u",", u"\u00A0"}, {u",", u"."}, {u".", u"'"}, {u",", u"\u202F"},
    };
    const Separators &s = kLocales[selector % std::size(kLocales)];
    LocaleValues values;
    values.decimalSeparator = QString::fromUtf16(s.decimal);
    values.thousandsSeparator = QString::fromUtf16(s.thousands);
    values.leadingZero = (selector / std::size(kLocales)) % 2 == 0;
    values.lcid = selector % std::size(kLocales) == 1 ? kLcidRussian : kLcidEnglish;
    return values;
}

// A scratch folder in memory where there is one: the store syncs every write to the disk.
inline QString scratchTemplate()
{
    const QString shm = QStringLiteral("/dev/shm");
    return (QFileInfo(shm).isDir() && QFileInfo(shm).isWritable() ? shm : QDir::tempPath())
        + QStringLiteral("/tallyer-fuzz-XXXXXX");
}

inline QString fuzzText(const std::uint8_t *data, std::size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
}
