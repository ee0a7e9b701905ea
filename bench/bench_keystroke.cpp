// Time from a key press to the updated result panel in the real window (offscreen), on tapes of
// 10 to 10,000 rows: typing (a digit at the end, then Backspace) and undo (Alt+Backspace, then
// Alt+Shift+Backspace). Each key runs the whole cycle: snapshot, cleaning, wrapping, row count,
// evaluation and the undo record, or a restore. Prints the time per key; no target is asserted.

#include "benchtiming.h"
#include "benchwindow.h"
#include "calcfield.h"
#include "frmtallyer.h"
#include "mavolabel3d.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <sys/resource.h>

namespace {

QString makeSheet(int rows)
{
    static const char *const parts[] = {"1250.25+", "17*3-", "340+", "2.5*4+"};
    QString s;
    for (int i = 0; i < rows - 1; ++i) {
        s += QLatin1String(parts[i % 4]);
        s += QLatin1String("\r\n");
    }
    s += QLatin1String("17");
    return s;
}

} // namespace

int main(int argc, char *argv[])
{
    const BenchHome home;
    QApplication app(argc, argv);

    BenchWindow w;
    if (!openBenchWindow(w))
        return 1;

    std::printf("%-8s %18s %18s\n", "rows", "typing, median", "undo/redo, median");
    for (int rows : {10, 100, 1000, 10000}) {
        w.boxCalc->setText(makeSheet(rows));
        w.boxCalc->setSelStart(w.boxCalc->Text().size());
        const double type = msPerCall([&w] {
            QTest::keyClick(w.boxCalc, Qt::Key_5);
            QTest::keyClick(w.boxCalc, Qt::Key_Backspace);
        }) / 2;
        const double undo = msPerCall([&w] {
            QTest::keyClick(w.boxCalc, Qt::Key_Backspace, Qt::AltModifier);
            QTest::keyClick(w.boxCalc, Qt::Key_Backspace, Qt::AltModifier | Qt::ShiftModifier);
        }) / 2;
        std::printf("%-8d %15.3f ms %15.3f ms   (result %s)\n", rows, type, undo,
                    qPrintable(w.lblResult->Caption()));
    }

    // Peak memory: what the window held so far, then with a 100,000-row tape typed on and undone.
    const auto peakKiB = [] {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        return usage.ru_maxrss;
    };
    const long before = peakKiB();
    w.boxCalc->setText(makeSheet(100000));
    w.boxCalc->setSelStart(w.boxCalc->Text().size());
    QTest::keyClick(w.boxCalc, Qt::Key_5);
    QTest::keyClick(w.boxCalc, Qt::Key_Backspace, Qt::AltModifier);
    std::printf("peak memory: %ld KiB up to 10,000 rows, %ld KiB with a 100,000-row tape (result %s)\n",
                before, peakKiB(), qPrintable(w.lblResult->Caption()));
    w.TimerPointRefresh->stop();
    return 0;
}
