// Time to evaluate tape sheets of 10 to 10,000 rows: a plain long sum and a mix with
// parentheses and percent. Prints the time per evaluation and per row; no target is asserted.

#include "benchtiming.h"
#include "evaluator.h"
#include "localevalues.h"
#include "sheettext.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

// A tape of `rows` rows, the last one a plain number.
QString makeSheet(int rows, bool mixed)
{
    static const char *const plain[] = {"1250.25+", "17*3-", "340+", "2.5*4+"};
    static const char *const mix[] = {"1250.25+", "(17*3-2)*2+", "100+5%-", "(340/4+1)%+", "17*3-"};
    QString s;
    for (int i = 0; i < rows - 1; ++i) {
        s += QLatin1String(mixed ? mix[i % 5] : plain[i % 4]);
        s += QLatin1String("\r\n");
    }
    s += QLatin1String("17.5");
    return s;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    LocaleValues loc;
    loc.decimalSeparator = QStringLiteral(".");
    loc.thousandsSeparator = QStringLiteral(",");
    loc.leadingZero = true;

    std::printf("%-6s %7s %14s %14s %16s %16s\n", "sheet", "rows", "eval ms", "eval us/row",
                "clean+eval ms", "clean+eval us/row");
    for (const bool mixed : {false, true}) {
        for (const int rows : {10, 100, 1000, 10000}) {
            const QString sheet = makeSheet(rows, mixed);
            const QString expression = SheetExpression(sheet);
            bool failed = false;
            volatile double sink = EvaluateExpression(expression, loc, failed);
            if (failed) {
                std::fprintf(stderr, "sheet of %d rows did not evaluate\n", rows);
                return 1;
            }
            const double eval = msPerCall([&] {
                bool f = false;
                sink = EvaluateExpression(expression, loc, f);
            });
            const double full = msPerCall([&] {
                qsizetype caret = sheet.size();
                const QString cleaned = CleanSheetText(sheet, caret, loc);
                bool f = false;
                sink = EvaluateExpression(SheetExpression(cleaned), loc, f);
            });
            (void)sink;
            std::printf("%-6s %7d %14.4f %14.3f %16.4f %16.3f\n", mixed ? "mix" : "sum", rows,
                        eval, eval * 1000.0 / rows, full, full * 1000.0 / rows);
        }
    }
    return 0;
}
