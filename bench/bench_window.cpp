// Two costs of the whole window on long tapes, as the user meets them (CPU time of the process):
//   - opening the expression history (Ctrl+PageUp) when its newest entry is the whole tape: the
//     key's cycle, the history window built, shown and painted;
//   - starting with a kept tape: the calculator started in a process of its own until its window
//     is idle, with the tape kept by the run before, against the same start with nothing kept.
// Sizes: 10,000, 100,000 and 1,000,000 rows, or those named (bench_window 100000). Min and median
// are printed with the targets beside them; no target is enforced.

#include "benchkeys.h"
#include "historywindow.h"
#include "tapestate.h"

#include <QApplication>
#include <QProcess>

#include <cstdio>
#include <cstring>

namespace {

const char kChildFlag[] = "--start-child";

// The child: the window started as the program starts it, idle, then closed as a user closes it
// (which keeps the tape again, so the next start finds it as well). Prints its CPU time.
int startChild(int argc, char *argv[])
{
    KeyBench::prepareApplication();
    QApplication app(argc, argv);
    double ms = 0;
    {
        KeyBench window;
        if (!window.open())
            return 1;
        ms = processCpuMs();
        std::printf("%.3f %s\n", ms, qPrintable(window.result()));
        window.close();
    }
    return 0;
}

// Starts the child `runs` times in the benchmark's home; the CPU times, and the result it showed.
std::vector<double> startTimes(const char *self, int runs, QString *shown)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QString::fromLocal8Bit(self), {QString::fromLatin1(kChildFlag)});
        if (!child.waitForFinished(120000) || child.exitCode() != 0) {
            std::fprintf(stderr, "the window did not start\n");
            return {};
        }
        const QString out = QString::fromLocal8Bit(child.readAllStandardOutput()).trimmed();
        ms.push_back(out.section(u' ', 0, 0).toDouble());
        *shown = out.section(u' ', 1);
    }
    return ms;
}

CpuStats differences(const std::vector<double> &kept, const CpuStats &empty)
{
    CpuStats s = cpuStats(kept);
    s.min -= empty.min;
    s.median -= empty.median;
    return s;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1 && std::strcmp(argv[1], kChildFlag) == 0)
        return startChild(argc, argv);

    const BenchHome home;
    KeyBench::prepareApplication();
    QApplication app(argc, argv);
    const std::vector<int> sizes = sizesFromArguments(argc, argv);

    printHeader();
    int wrong = 0;
    {
        KeyBench window;
        if (!window.open())
            return 1;
        // As the program wires it.
        QObject::connect(&window.form(), &frmTallyer::historyWindowRequested, &window.form(),
                         [&window](const TextRing &history) { HistoryWindow::open(&window.form(), history); });
        for (const int rows : sizes) {
            long long cents = 0;
            window.pasteOver(makeTape(rows, cents));
            std::vector<double> open;
            for (int n = 0; n < 5; ++n) {
                // Each time a new newest entry: the tape with one more digit, kept with Space.
                window.key(Qt::Key_End, Qt::ControlModifier);
                window.key(digitKey(n));
                window.key(Qt::Key_Space);
                open.push_back(window.key(Qt::Key_PageUp, Qt::ControlModifier));
                // Open, on the newest entry wholly selected: its value, as the main window shows it.
                bool found = false;
                for (QWidget *w : QApplication::topLevelWidgets()) {
                    if (w->objectName() == QLatin1String("frmHistory") && w->isVisible()) {
                        const auto *panel = w->findChild<MavoLabel3D *>(QStringLiteral("lblResult"));
                        found = panel && panel->Caption() == window.result();
                        w->close();
                    }
                }
                wrong += !found;
                window.idle(50);
            }
            printRow(rows, "opening the history window", cpuStats(open), rows >= 1000000 ? "<= 50 ms" : "-");
        }
        window.pasteOver(QStringLiteral("0"));
        window.close();
    }

    // Nothing kept: the state folder emptied before each start.
    const auto forget = [] {
        QFile::remove(TapeStateFilePath());
        QFile::remove(TapeStateTextPath());
    };
    QString shown;
    forget();
    std::vector<double> empty;
    for (int i = 0; i < 5; ++i) {
        const std::vector<double> one = startTimes(argv[0], 1, &shown);
        if (one.empty())
            return 1;
        empty.push_back(one.front());
        forget();
    }
    const CpuStats emptyStats = cpuStats(empty);
    printRow(0, "start with nothing kept (whole)", emptyStats, "-");
    for (const int rows : sizes) {
        long long cents = 0;
        QString text = makeTape(rows, cents);
        text.replace(u'\n', QStringLiteral("\r\n"));
        if (!SaveTapeState({text, 0, 0, {}})) {
            std::fprintf(stderr, "the tape was not kept\n");
            return 1;
        }
        const std::vector<double> kept = startTimes(argv[0], 5, &shown);
        if (kept.empty())
            return 1;
        // The started window must show the kept tape's value.
        QString digits;
        for (const QChar c : shown) {
            if (c.isDigit() || c == u'.' || c == u'-')
                digits += c;
        }
        if (std::abs(digits.toDouble() - cents / 100.0) >= 0.5) {
            std::fprintf(stderr, "%d rows: the kept tape started showing %s\n", rows, qPrintable(shown));
            ++wrong;
        }
        printRow(rows, "start with a kept tape (beyond empty)", differences(kept, emptyStats),
                 rows >= 1000000 ? "<= 150 ms" : "-");
    }
    forget();
    std::printf("history windows that did not open or showed another value, starts that showed another result: %d\n", wrong);
    return wrong == 0 ? 0 : 1;
}
