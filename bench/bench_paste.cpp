// Time to paste one long row into the real window (offscreen) and get the result: cleaning, row
// wrapping, the row count and the evaluation. The row is "1+" repeated and a final "1", so the
// result is known. Prints the time per paste; no target is asserted.

#include "benchwindow.h"
#include "calcfield.h"
#include "frmtallyer.h"
#include "mavolabel3d.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    const BenchHome home;
    QApplication app(argc, argv);

    BenchWindow w;
    if (!openBenchWindow(w))
        return 1;

    std::printf("%-10s %12s %8s   %s\n", "characters", "paste", "rows", "result");
    for (int terms : {5000, 50000, 500000}) {
        w.boxCalc->setText(QString());
        QGuiApplication::clipboard()->setText(QStringLiteral("1+").repeated(terms - 1) + u'1');
        QElapsedTimer timer;
        timer.start();
        w.boxCalc->paste();
        const qint64 ms = timer.elapsed();
        std::printf("%-10d %9lld ms %8lld   %s (expected %d)\n", 2 * terms - 1, ms,
                    static_cast<long long>(w.boxCalc->Text().count(QStringLiteral("\r\n")) + 1),
                    qPrintable(w.lblResult->Caption()), terms);
    }
    w.TimerPointRefresh->stop();
    return 0;
}
