// Tapes of 10,000 and 100,000 distinct rows: the running subtotals alone (FoldTape), the CSV and
// text exports and the PDF export (pages drawn and written), and keeping the tape between runs
// (the state saved at closing and loaded at start). CPU time of this process, minimum and median
// over several runs. Fails when exporting or printing takes 2 s or more for 10,000 rows, or
// 20 s or more for 100,000: the subtotals must keep it linear.
// Usage: bench_tape [runs]

#include <localevalues.h>
#include <tapeexport.h>
#include <tapefile.h>
#include <tapefold.h>
#include <tapeprint.h>
#include <tapestate.h>
#include <tapetexts.h>

#include <QGuiApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace {

double cpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

struct Timing
{
    double min = 0;
    double median = 0;
};

Timing measure(int runs, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double start = cpuSeconds();
        work();
        times.push_back(cpuSeconds() - start);
    }
    std::sort(times.begin(), times.end());
    return {times.front(), times[times.size() / 2]};
}

// Distinct amounts, mostly added, some subtracted, now and then a row multiplied or a group
// opened on one row and closed some rows below, as an adding machine's tape runs.
QString tape(int rows)
{
    QString sheet;
    bool open = false;
    for (int i = 0; i < rows; ++i) {
        const long cents = (i * 7919L) % 1000000 + 1;
        if (!open && i % 97 == 5) {
            sheet += u'(';
            open = true;
        }
        sheet += QStringLiteral("%1.%2").arg(cents / 100).arg(cents % 100, 2, 10, QLatin1Char('0'));
        if (open && i % 97 == 9) {
            sheet += QStringLiteral(")*3");
            open = false;
        }
        if (i + 1 < rows)
            sheet += (i % 13 == 7 ? QStringLiteral("-\r\n") : QStringLiteral("+\r\n"));
    }
    return sheet + (open ? QStringLiteral(")") : QString());
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    QTemporaryDir dir;
    LocaleValues locale;
    locale.decimalSeparator = QStringLiteral(".");
    locale.thousandsSeparator = QStringLiteral(",");
    locale.leadingZero = true;
    const TapeHeadings headings = TapeHeadingTexts();

    bool fast = true;
    std::printf("%-8s %-22s %10s %10s\n", "rows", "work", "min s", "median s");
    for (const int rows : {10000, 100000}) {
        // A bookkeeper's tape: every fourth row has a note.
        RowNotes notes;
        for (int row = 0; row < rows; row += 4)
            notes.append({row, QStringLiteral("Invoice #%1 for the quarter").arg(row)});
        const TapeDocument document{tape(rows), dir.filePath(QStringLiteral("tape.txt")), 2, locale,
                                    QDateTime::currentDateTime(), TapePaper::Local, notes};
        const double limit = rows == 10000 ? 2.0 : 20.0;
        const int times = rows == 10000 ? runs : std::max(1, runs / 2 + 1);
        const auto report = [&](const char *work, const Timing &t, bool checked) {
            const bool slow = checked && t.median >= limit;
            fast = fast && !slow;
            std::printf("%-8d %-22s %10.3f %10.3f%s\n", rows, work, t.min, t.median, slow ? "  TOO SLOW" : "");
        };

        TapeFold fold;
        report("subtotals (fold)", measure(times, [&] { fold = FoldTape(document.sheetText, 2, locale); }), true);
        // The fold must come to what the whole sheet evaluates to, or its speed means nothing.
        if (fold.rows.size() != rows || fold.resultText.isEmpty() || fold.result != SheetValue(document.sheetText, locale)) {
            std::fprintf(stderr, "the tape of %d rows folded to %lld rows, result '%s'\n", rows,
                         static_cast<long long>(fold.rows.size()), qPrintable(fold.resultText));
            return 1;
        }
        report("export CSV", measure(times, [&] {
            if (!ExportTapeCsv(dir.filePath(QStringLiteral("tape.csv")), document))
                std::fprintf(stderr, "CSV not written\n");
        }), true);
        report("export text", measure(times, [&] {
            WriteWholeFile(dir.filePath(QStringLiteral("tape.out.txt")),
                           TapeText(document, headings));
        }), true);
        report("export PDF", measure(times, [&] {
            QString reason;
            if (!ExportTapePdf(dir.filePath(QStringLiteral("tape.pdf")), document, &reason))
                std::fprintf(stderr, "PDF not written: %s\n", qPrintable(reason));
        }), true);

        // Keeping the tape: what closing writes and starting reads, with a full history.
        TapeState state{document.sheetText, 0, 0, {}};
        for (int i = 0; i < 50; ++i)
            state.history.append({QStringLiteral("%1+\r\n%2").arg(i).arg(rows), 0, 10, 2});
        const QString statePath = dir.filePath(QStringLiteral("state/tape.json"));
        report("keep tape: save", measure(times, [&] { SaveTapeState(state, statePath); }), false);
        report("keep tape: load", measure(times, [&] {
            if (LoadTapeState(statePath).outcome != TapeStateOutcome::Restored)
                std::fprintf(stderr, "the kept tape did not load\n");
        }), false);
    }
    return fast ? 0 : 1;
}
