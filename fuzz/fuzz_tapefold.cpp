// The tape's running subtotals on any text: every row's subtotal from the one-pass fold is the
// whole evaluation of that row's prefix (same presence, same bits, same display text), and the
// result is the whole sheet's. Byte 0 picks the locale, byte 1 the decimals; the rest is the sheet.

#include "fuzzcommon.h"

#include <numberformat.h>
#include <tapefold.h>

#include <algorithm>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2)
        return 0;
    const LocaleValues locale = fuzzLocale(data[0]);
    const int decimals = data[1] % 10;
    // Every prefix is evaluated whole for the comparison, so long inputs cost the square of their
    // length; the fold itself is not limited.
    const QString sheet = fuzzText(data + 2, std::min<std::size_t>(size - 2, 1500));

    const TapeFold fold = FoldTape(sheet, decimals, locale);
    const QStringList rows = sheet.isEmpty() ? QStringList() : sheet.split(QStringLiteral("\r\n"));
    FUZZ_CHECK(fold.rows.size() == rows.size());
    qsizetype end = 0;
    for (qsizetype r = 0; r < rows.size(); ++r) {
        const TapeRow &row = fold.rows.at(r);
        end += rows.at(r).size();
        const std::optional<double> whole = PrefixSubtotal(sheet.left(end), locale);
        end += 2;
        FUZZ_CHECK(row.text == rows.at(r));
        FUZZ_CHECK(row.subtotal.has_value() == whole.has_value());
        if (whole) {
            FUZZ_CHECK(std::memcmp(&*row.subtotal, &*whole, sizeof(double)) == 0);
            FUZZ_CHECK(row.subtotalText == FormatResult(*whole, decimals, locale));
        } else {
            FUZZ_CHECK(row.subtotalText.isEmpty());
        }
    }
    const std::optional<double> result = SheetValue(sheet, locale);
    FUZZ_CHECK(fold.result.has_value() == result.has_value());
    FUZZ_CHECK(!result || std::memcmp(&*fold.result, &*result, sizeof(double)) == 0);
    return 0;
}
