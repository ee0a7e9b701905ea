// The find bar on long tapes, in the real window (offscreen): CPU time of the process per key sent
// to the bar's text, with its whole event cycle (the search, the count, the hit selected in the
// sheet and scrolled to, the sub result of the selection, the painting). Per size (100,000 and
// 1,000,000 rows, or those named: bench_find 1000000), with the caret at the tape's start:
//   - a needle pasted whole (Ctrl+V) that is nowhere on the tape: the whole tape scanned;
//   - the same for a needle with letters, which is searched without regard to case;
//   - a needle pasted whole whose only hit is in the tape's last rows;
//   - typing a needle key by key, and F3 through its hits.
// Min and median are printed with the targets beside them; no target is enforced.

#include "benchkeys.h"

#include <QLabel>
#include <QLineEdit>

namespace {

// Pastes a needle over the bar's text several times and measures each paste key.
CpuStats pasteNeedle(KeyBench &window, QLineEdit *text, const QString &needle)
{
    std::vector<double> ms;
    for (int n = 0; n < 7; ++n) {
        window.keyTo(text, Qt::Key_A, Qt::ControlModifier);
        window.keyTo(text, Qt::Key_Delete);
        QGuiApplication::clipboard()->setText(needle);
        ms.push_back(window.keyTo(text, Qt::Key_V, Qt::ControlModifier));
    }
    return cpuStats(ms);
}

} // namespace

int main(int argc, char *argv[])
{
    const BenchHome home;
    KeyBench::prepareApplication();
    QApplication app(argc, argv);
    std::vector<int> sizes = sizesFromArguments(argc, argv);
    if (argc < 2)
        sizes = {100000, 1000000};

    KeyBench window;
    if (!window.open())
        return 1;
    printHeader();
    int wrong = 0;
    for (const int rows : sizes) {
        long long cents = 0;
        window.pasteOver(makeTape(rows, cents));
        window.key(Qt::Key_Home, Qt::ControlModifier);
        window.key(Qt::Key_F, Qt::ControlModifier);
        auto *text = window.form().findChild<QLineEdit *>(QStringLiteral("findText"));
        auto *status = window.form().findChild<QLabel *>(QStringLiteral("findStatus"));
        auto *sheet = window.form().findChild<SheetView *>(QStringLiteral("boxCalc"));
        if (!text || !status || !sheet || !text->hasFocus())
            return 1;

        printRow(rows, "pasted needle, no hit (digits)", pasteNeedle(window, text, QStringLiteral("12345678901")), "<= 100 ms");
        wrong += status->text() != QLatin1String("Not found");
        printRow(rows, "pasted needle, no hit (letters)", pasteNeedle(window, text, QStringLiteral("Total")), "<= 100 ms");
        wrong += status->text() != QLatin1String("Not found");
        // Row rows - 2 holds rows - 1 and 98 cents: the only hit, in the last rows.
        const QString last = QStringLiteral("%1.98").arg(rows - 1);
        printRow(rows, "pasted needle, hit near the end", pasteNeedle(window, text, last), "<= 100 ms");
        wrong += sheet->selectedText() != last;

        window.keyTo(text, Qt::Key_A, Qt::ControlModifier);
        window.keyTo(text, Qt::Key_Delete);
        std::vector<double> typing;
        for (const Qt::Key k : {Qt::Key_5, Qt::Key_1, Qt::Key_Period, Qt::Key_5, Qt::Key_0})
            typing.push_back(window.keyTo(text, k));
        printRow(rows, "typing a needle key by key", cpuStats(typing), "<= 100 ms");
        std::vector<double> steps;
        for (int n = 0; n < 10; ++n)
            steps.push_back(window.keyTo(text, Qt::Key_F3));
        printRow(rows, "F3 to the next hit", cpuStats(steps), "<= 100 ms");
        wrong += sheet->selectedText() != QLatin1String("51.50"); // in x51.50, once in a hundred rows
        window.keyTo(text, Qt::Key_Escape);
    }
    std::printf("searches that did not find what they should: %d\n", wrong);
    window.close();
    return wrong == 0 ? 0 : 1;
}
