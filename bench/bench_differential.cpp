// The differential check: the evaluator and the sheet cleaning against their reference
// implementation, on a million generated expressions (both separators, with and without the
// leading-zero flag) and a hundred thousand generated sheets. Any difference in the failure flag,
// the value's bits, the cleaned text or the caret is printed and fails the run.
// Usage: bench_differential [expressions] [seed]

#include "expressiongenerator.h"
#include "modfunctions.h"
#include "referenceevaluator.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <cstring>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const long long total = argc > 1 ? std::atoll(argv[1]) : 1000000;
    const quint64 seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 20261207;
    LocaleValues loc;
    loc.thousandsSeparator = QStringLiteral(" ");

    const auto start = std::chrono::steady_clock::now();
    long long checked = 0;
    long long values = 0;
    long long differences = 0;
    const auto report = [&differences](const QString &what, const QString &detail) {
        if (++differences <= 20)
            std::printf("DIFFERENCE %s: %s\n", qPrintable(what), qPrintable(detail));
    };

    // Four locales: "." and "," each with the leading-zero flag set and clear.
    for (int variant = 0; variant < 4; ++variant) {
        const QChar sep = variant < 2 ? u'.' : u',';
        loc.decimalSeparator = QString(sep);
        loc.leadingZero = variant % 2 == 0;
        reference::setLocale(loc);
        ExpressionGenerator gen(seed + variant, sep);
        for (long long i = 0; i < total / 4; ++i) {
            const QString text = gen.next();
            bool failedNew = false;
            bool failedRef = false;
            const double valueNew = EvaluateExpression(text, loc, failedNew);
            const double valueRef = reference::EvaluateExpression(text, failedRef);
            ++checked;
            values += failedRef ? 0 : 1;
            if (failedNew != failedRef || std::memcmp(&valueNew, &valueRef, sizeof(double)) != 0)
                report(text, QStringLiteral("new %1 %2, reference %3 %4")
                                 .arg(failedNew).arg(valueNew, 0, 'g', 17).arg(failedRef).arg(valueRef, 0, 'g', 17));
        }
        for (long long i = 0; i < total / 40; ++i) {
            const QString text = gen.sheet();
            for (const bool separatorsOnly : {false, true}) {
                qsizetype caretNew = i % (text.size() + 1);
                qsizetype caretRef = caretNew;
                const QString cleanNew = CleanSheetText(text, caretNew, loc, separatorsOnly);
                const QString cleanRef = reference::CleanSheetText(text, caretRef, separatorsOnly);
                if (cleanNew != cleanRef || caretNew != caretRef)
                    report(QString::fromLatin1(text.toUtf8().toPercentEncoding()), QStringLiteral("cleaning"));
            }
            if (SheetExpression(text) != reference::SheetExpression(text))
                report(QString::fromLatin1(text.toUtf8().toPercentEncoding()), QStringLiteral("expression"));
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("differential check: %lld expressions (%lld with a value), %lld sheets, %lld differences, %.1f s\n",
                checked, values, total / 40 * 4, differences, seconds);
    return differences == 0 ? 0 : 1;
}
