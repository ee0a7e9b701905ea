// The tape model under edits read from the input: after every edit its value, failure reason and
// panel text are those of the whole sheet. Byte 0 picks the locale; then each edit is a byte
// choosing the kind and the row, a byte choosing how many rows, and a text up to the next 0xFF.
// The panel's rule (the fuzz build has no session library): a row break left in the expression
// is independent rows, a failure the evaluator's reason, a value of 10^15 or more too large.

#include "fuzzcommon.h"

#include <evaluator.h>
#include <numberformat.h>
#include <sheettext.h>
#include <tapemodel.h>

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    const LocaleValues locale = fuzzLocale(data[0]);
    TapeModel model(locale);
    QList<QString> rows{QString()};
    std::size_t at = 1;
    int edits = 0;
    while (at + 2 <= size && edits < 64) {
        const std::uint8_t kind = data[at];
        const std::uint8_t count = data[at + 1];
        at += 2;
        std::size_t end = at;
        while (end < size && data[end] != 0xFF)
            ++end;
        const QString text = fuzzText(data + at, end - at);
        at = end + 1;
        ++edits;

        const qsizetype n = rows.size();
        const qsizetype first = (kind >> 2) % (n + 1);
        const qsizetype removed = std::min<qsizetype>(count % 4, n - first);
        switch (kind % 4) {
        case 0: { // rows replaced by the text's rows
            QList<QString> added = text.split(QStringLiteral("\r\n"));
            rows.remove(first, removed);
            for (qsizetype i = 0; i < added.size(); ++i)
                rows.insert(first + i, added.at(i));
            if (rows.isEmpty())
                rows.append(QString());
            model.replaceRows(first, removed, {text});
            break;
        }
        case 1: // rows removed
            rows.remove(first, removed);
            if (rows.isEmpty())
                rows.append(QString());
            model.replaceRows(first, removed, {});
            break;
        case 2: // the whole sheet set
            model.setText(text);
            rows = text.split(QStringLiteral("\r\n"));
            break;
        default: { // the text typed into a row
            const qsizetype row = first % n;
            QString changed = rows.at(row);
            changed.insert(count % (changed.size() + 1), text);
            const QList<QString> now = changed.split(QStringLiteral("\r\n"));
            rows.remove(row);
            for (qsizetype i = 0; i < now.size(); ++i)
                rows.insert(row + i, now.at(i));
            model.replaceRows(row, 1, {changed});
            break;
        }
        }

        const QString sheet = rows.join(QStringLiteral("\r\n"));
        FUZZ_CHECK(model.text() == sheet);
        FUZZ_CHECK(model.rowCount() == rows.size());
        const QString expression = SheetExpression(sheet);
        const int decimals = count % 10;
        EvalFailure failure = EvalFailure::None;
        bool failed = false;
        const double value = EvaluateExpression(expression, locale, failed, failure);
        QString panel;
        if (expression.contains(QStringLiteral("\r\n")))
            failure = EvalFailure::IndependentRows;
        else if (!failed && (panel = FormatResult(value, decimals, locale)).isEmpty())
            failure = EvalFailure::TooLarge;
        FUZZ_CHECK(model.resultText(decimals) == panel);
        FUZZ_CHECK(model.failure() == failure);
        FUZZ_CHECK(model.value().has_value() == !failed);
        const double modelValue = model.value().value_or(0);
        FUZZ_CHECK(failed || std::memcmp(&modelValue, &value, sizeof(double)) == 0);
    }
    return 0;
}
