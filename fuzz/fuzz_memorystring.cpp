// The memory restore on any saved text and any recorded separators: every value comes back either
// unchanged (no number) or as a display text of the current locale that reads back, restoring
// again changes nothing, and a value formatted under one locale keeps its number under another.

#include "fuzzcommon.h"

#include <memorystring.h>
#include <numberformat.h>

#include <QStringList>

#include <cstring>

namespace {

// The number a display text stands for in the given locale; false when it is none.
bool displayValue(const QString &text, const LocaleValues &locale, double &value)
{
    bool ok = false;
    value = ParseDisplayNumber(QString(text).remove(locale.thousandsSeparator), locale, ok);
    return ok;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 12)
        return 0;
    // A value formatted and saved under one locale, restored under another.
    const LocaleValues savedIn = fuzzLocale(data[0]);
    double number = 0;
    std::memcpy(&number, data + 2, sizeof number);
    const int decimals = data[10] % 10;
    const QString saved = FormatResult(number, decimals, savedIn);
    const QString separators = MemorySeparatorsNow(savedIn);
    double before = 0;
    const bool isNumber = displayValue(saved, savedIn, before);
    FUZZ_CHECK(isNumber == !saved.isEmpty());

    const LocaleValues locale = fuzzLocale(data[1]);
    const QString restored = LocaliseMemoryValue(saved, separators, locale);
    double after = 0;
    if (isNumber)
        FUZZ_CHECK(displayValue(restored, locale, after) && after == before);

    // Any saved string with any recorded separators, the first line of the rest.
    const QString rest = fuzzText(data + 11, size - 11);
    const qsizetype newline = rest.indexOf(u'\n');
    const QString recorded = newline < 0 ? QString() : rest.left(newline);
    const QString text = newline < 0 ? rest : rest.mid(newline + 1);
    const MemoryCells cells = RestoreMemoryString(text, recorded, locale);

    QStringList fields = text.split(u'|');
    while (fields.size() < kMemoryFields)
        fields << QString();
    FUZZ_CHECK(cells.current == fields.at(0));
    QStringList values{cells.panel};
    for (const QString &value : cells.values)
        values << value;
    for (int i = 0; i < values.size(); ++i) {
        double value = 0;
        FUZZ_CHECK(values.at(i) == fields.at(i + 1) || displayValue(values.at(i), locale, value));
        FUZZ_CHECK(LocaliseMemoryValue(values.at(i), MemorySeparatorsNow(locale), locale) == values.at(i));
    }
    return 0;
}
