// The differential check: the evaluator and the sheet cleaning against their reference
// implementation, on a million generated expressions (both separators, with and without the
// leading-zero flag) and a hundred thousand generated sheets; then the tape's running subtotals
// (FoldTape, one pass) against every prefix of generated tapes evaluated whole. Any difference
// in the failure flag, the value's bits, the cleaned text, the caret or a subtotal is printed and
// fails the run.
// Usage: bench_differential [expressions] [seed]
//        bench_differential tapes [tapes] [seed]     only the subtotals

#include "expressiongenerator.h"
#include "modfunctions.h"
#include "referenceevaluator.h"

#include "tapefold.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <cstring>

namespace {

bool sameValue(const std::optional<double> &a, const std::optional<double> &b)
{
    return a.has_value() == b.has_value() && (!a || std::memcmp(&*a, &*b, sizeof(double)) == 0);
}

// Every row's subtotal of FoldTape against its prefix evaluated whole, on generated tapes as
// typed and as the sheet cleans them, in the four locales. Returns the number of differences.
long long checkTapes(long long tapes, quint64 seed)
{
    const auto start = std::chrono::steady_clock::now();
    long long rows = 0;
    long long withValue = 0;
    long long differences = 0;
    for (int variant = 0; variant < 4; ++variant) {
        LocaleValues loc;
        const QChar sep = variant < 2 ? u'.' : u',';
        loc.decimalSeparator = QString(sep);
        loc.thousandsSeparator = sep == u'.' ? QStringLiteral(",") : QStringLiteral(" ");
        loc.leadingZero = variant % 2 == 0;
        ExpressionGenerator gen(seed + 7 * variant, sep);
        for (long long i = 0; i < tapes / 4; ++i) {
            QString sheet = gen.tape();
            if (i % 2) {
                qsizetype caret = 0;
                sheet = CleanSheetText(sheet, caret, loc);
            }
            const int decimals = static_cast<int>(i % 10);
            const TapeFold fold = FoldTape(sheet, decimals, loc);
            const QStringList texts = sheet.isEmpty() ? QStringList() : sheet.split(QStringLiteral("\r\n"));
            bool differs = fold.rows.size() != texts.size() || !sameValue(fold.result, SheetValue(sheet, loc));
            qsizetype end = 0;
            for (qsizetype r = 0; !differs && r < texts.size(); ++r) {
                end += texts.at(r).size();
                const std::optional<double> whole = PrefixSubtotal(sheet.left(end), loc);
                const QString wholeText = whole ? FormatResult(*whole, decimals, loc) : QString();
                differs = fold.rows.at(r).text != texts.at(r) || !sameValue(fold.rows.at(r).subtotal, whole)
                    || fold.rows.at(r).subtotalText != wholeText;
                ++rows;
                withValue += whole ? 1 : 0;
                end += 2;
            }
            if (differs && ++differences <= 20)
                std::printf("DIFFERENCE subtotals: %s\n", sheet.toUtf8().toPercentEncoding().constData());
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("subtotal check: %lld tapes, %lld rows (%lld with a subtotal), %lld differences, %.1f s\n",
                tapes / 4 * 4, rows, withValue, differences, seconds);
    return differences;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "tapes") == 0) {
        const long long tapes = argc > 2 ? std::atoll(argv[2]) : 200000;
        const quint64 seed = argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 20261207;
        return checkTapes(tapes, seed) == 0 ? 0 : 1;
    }
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
    differences += checkTapes(total / 5, seed);
    return differences == 0 ? 0 : 1;
}
