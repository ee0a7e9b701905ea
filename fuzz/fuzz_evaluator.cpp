// The evaluator on any text: a failure returns 0, a success is a finite number, and a call made
// with the failure flag already set evaluates nothing.

#include "fuzzcommon.h"

#include <evaluator.h>

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const LocaleValues locale = fuzzLocale(data[0]);
    const QString expression = fuzzText(data + 1, size - 1);

    bool failed = false;
    const double value = EvaluateExpression(expression, locale, failed);
    if (failed)
        FUZZ_CHECK(value == 0);
    else
        FUZZ_CHECK(std::isfinite(value));

    bool alreadyFailed = true;
    FUZZ_CHECK(EvaluateExpression(expression, locale, alreadyFailed) == 0 && alreadyFailed);
    return 0;
}
