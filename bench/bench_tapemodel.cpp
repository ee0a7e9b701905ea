// The tape model's cost per edit on tapes of distinct rows, in CPU time of the process (min and
// median): a digit typed at the end of the last row at 10,000, 100,000 and 1,000,000 rows (each
// key gives another value, so nothing can be answered from a memo), an edit of the first row at
// 100,000 and 1,000,000 rows, a whole 1,000,000-row tape set at once; and the memory the model
// holds at 1,000,000 rows. Every result is checked against the whole evaluation once per run.

#include "calcsession.h"
#include "sheettext.h"
#include "tapemodel.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace {

double cpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

long rssKb()
{
    FILE *f = std::fopen("/proc/self/statm", "r");
    long pages = 0;
    long resident = 0;
    if (f) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * 4;
}

LocaleValues benchLocale()
{
    LocaleValues loc;
    loc.decimalSeparator = QStringLiteral(".");
    loc.thousandsSeparator = QStringLiteral(",");
    loc.leadingZero = true;
    return loc;
}

// Rows of distinct amounts, each but the last continued by an operator (mostly "+", a product
// now and then so precedence is at work).
QString distinctTape(qsizetype rows)
{
    QString s;
    s.reserve(rows * 12);
    for (qsizetype i = 0; i < rows; ++i) {
        if (i % 10 == 0 && i > 0) {
            s += QString::number(i % 7 + 2); // a factor, small so that the sum stays showable
        } else {
            s += QString::number((i * 7919) % 1000003);
        }
        if (i % 3 == 0)
            s += QStringLiteral(".") + QString::number(i % 97);
        if (i + 1 < rows)
            s += i % 10 == 9 ? QStringLiteral("*\r\n") : QStringLiteral("+\r\n");
    }
    return s;
}

struct Timing
{
    double min = 0;
    double median = 0;
};

Timing measure(int count, const std::function<void(int)> &step)
{
    std::vector<double> times;
    for (int i = 0; i < count; ++i) {
        const double before = cpuMs();
        step(i);
        times.push_back(cpuMs() - before);
    }
    std::sort(times.begin(), times.end());
    return {times.front(), times[times.size() / 2]};
}

bool sameAsWhole(const TapeModel &model, int decimals)
{
    EvalFailure failure = EvalFailure::None;
    const QString whole = ExpressionResultText(SheetExpression(model.text()), decimals, model.locale(), failure);
    EvalFailure modelFailure = EvalFailure::None;
    return model.resultText(decimals, modelFailure) == whole && modelFailure == failure;
}

// A digit typed at the end of the last row; every eighth key starts the row again, so the row
// stays a number the panel can show. The panel text and the reason are read after every key.
bool typeAtEnd(qsizetype rows, int keys)
{
    TapeModel model(benchLocale());
    model.setText(distinctTape(rows));
    model.resultText(2);
    QString last = model.row(model.rowCount() - 1).toString();
    QString previous;
    bool distinct = true;
    const Timing t = measure(keys, [&](int i) {
        if (i % 8 == 0)
            last = QString::number(1000 + i);
        else
            last += QChar(char16_t(u'0' + (i * 7) % 10));
        model.replaceRows(model.rowCount() - 1, 1, {last});
        const QString text = model.resultText(2);
        distinct = distinct && text != previous && model.failure() == EvalFailure::None;
        previous = text;
    });
    std::printf("type at end, %7lld rows: min %7.3f ms, median %7.3f ms (%d keys)\n", static_cast<long long>(rows),
                t.min, t.median, keys);
    return distinct && sameAsWhole(model, 2);
}

bool editFirstRow(qsizetype rows, int edits)
{
    TapeModel model(benchLocale());
    model.setText(distinctTape(rows));
    model.resultText(2);
    QString previous;
    bool distinct = true;
    const Timing t = measure(edits, [&](int i) {
        model.replaceRows(0, 1, {QString::number(5000 + i) + QStringLiteral("+")});
        const QString text = model.resultText(2);
        distinct = distinct && text != previous && model.failure() == EvalFailure::None;
        previous = text;
    });
    std::printf("edit first row, %7lld rows: min %7.3f ms, median %7.3f ms (%d edits)\n",
                static_cast<long long>(rows), t.min, t.median, edits);
    return distinct && sameAsWhole(model, 2);
}

bool setWholeTape(qsizetype rows, int times)
{
    const QString tape = distinctTape(rows);
    const long before = rssKb();
    auto model = std::make_unique<TapeModel>(benchLocale());
    const Timing t = measure(times, [&](int) {
        model->setText(tape);
        model->resultText(2);
    });
    const long after = rssKb();
    std::printf("set a %lld-row tape (%lld characters): min %7.1f ms, median %7.1f ms (%d times)\n",
                static_cast<long long>(rows), static_cast<long long>(tape.size()), t.min, t.median, times);
    // A few edits spread over the tape, so the model holds rows of its own and its kept states.
    for (int i = 0; i < 100; ++i)
        model->replaceRows(i * (rows / 100), 1, {QString::number(i) + QStringLiteral("+")});
    model->resultText(2);
    const long edited = rssKb();
    std::printf("memory at %lld rows: RSS %ld MB with the model (%ld MB before it, the tape text being %lld MB),"
                " %ld MB after 100 edits\n",
                static_cast<long long>(rows), after / 1024, before / 1024,
                static_cast<long long>(tape.size() * 2 / (1024 * 1024)), edited / 1024);
    return sameAsWhole(*model, 2);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    bool ok = true;
    // First, while the process holds nothing else, so the memory is the model's.
    ok = setWholeTape(1000000, 3) && ok;
    ok = typeAtEnd(10000, 400) && ok;
    ok = typeAtEnd(100000, 400) && ok;
    ok = typeAtEnd(1000000, 400) && ok;
    ok = editFirstRow(100000, 40) && ok;
    ok = editFirstRow(1000000, 10) && ok;
    if (!ok)
        std::printf("DIFFERENCE: a result differs from the whole evaluation or repeats\n");
    return ok ? 0 : 1;
}
