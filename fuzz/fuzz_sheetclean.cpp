// Sheet cleaning on any text: the result holds only the sheet's alphabet (with the locale's decimal
// separator, never the other one) and CR LF pairs, no run of three minus signs, no leading line
// break and a trailing one only after an operator; cleaning it again changes nothing.

#include "fuzzcommon.h"

#include <sheettext.h>

#include <QStringView>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2)
        return 0;
    const LocaleValues locale = fuzzLocale(data[0]);
    const QString text = fuzzText(data + 2, size - 2);
    qsizetype caret = data[1] % (text.size() + 1);

    const QString cleaned = CleanSheetText(text, caret, locale);
    const QStringView alphabet(kSheetAlphabet);
    const QChar foreign = locale.decimalSeparator == QLatin1String(".") ? u',' : u'.';
    for (qsizetype i = 0; i < cleaned.size(); ++i) {
        const QChar c = cleaned.at(i);
        if (c == u'\r')
            FUZZ_CHECK(i + 1 < cleaned.size() && cleaned.at(i + 1) == u'\n');
        else if (c == u'\n')
            FUZZ_CHECK(i > 0 && cleaned.at(i - 1) == u'\r');
        else
            FUZZ_CHECK(alphabet.contains(c) && c != foreign);
    }
    FUZZ_CHECK(!cleaned.contains(QLatin1String("---")));
    FUZZ_CHECK(!cleaned.startsWith(QLatin1String("\r\n")));
    FUZZ_CHECK(!cleaned.endsWith(QLatin1String("\r\n"))
               || IsContinuationOperator(cleaned.at(cleaned.size() - 3)));

    qsizetype again = 0;
    FUZZ_CHECK(CleanSheetText(cleaned, again, locale) == cleaned);

    qsizetype restoreCaret = 0;
    CleanSheetText(text, restoreCaret, locale, true);
    SheetExpression(cleaned);
    return 0;
}
