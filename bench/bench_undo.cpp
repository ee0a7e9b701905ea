// Undo and redo in the real window (offscreen), and what the undo record costs in memory: CPU
// time of the process per key, each key sent to the field and followed by its whole event cycle
// (painting included), on tapes of distinct rows pasted through the clipboard. Per size (10,000,
// 100,000 and 1,000,000 rows, or those named: bench_undo 10000 100000):
//   - digits typed at the end of the tape, each a new value;
//   - undo steps (Alt+Backspace) back through them, then redo steps (Alt+Shift+Backspace); the
//     first step of each direction returns to the text shown just before and is not counted, so
//     no memo of the last two results answers a counted step;
//   - the resident memory after the paste and after 100 edits, at once and after a pause of 1.5 s
//     (the window gives the heap's freed memory back when the keys pause).
// Min and median are printed with the targets beside them; no target is enforced.

#include "benchkeys.h"

#include <QApplication>

#include <cstdio>

namespace {

const char *undoTarget(int rows)
{
    return rows <= 10000 ? "-" : rows <= 100000 ? "<= 4 ms" : "<= 30 ms";
}

} // namespace

int main(int argc, char *argv[])
{
    const BenchHome home;
    KeyBench::prepareApplication();
    QApplication app(argc, argv);
    const std::vector<int> sizes = sizesFromArguments(argc, argv);
    constexpr int kEdits = 100;

    KeyBench window;
    if (!window.open())
        return 1;

    printHeader();
    int repeatedResults = 0; // counted steps whose result equals the one before: must stay 0
    int wrongResults = 0;    // after each series of steps, against the whole evaluation
    for (const int rows : sizes) {
        long long cents = 0;
        window.pasteOver(makeTape(rows, cents));
        if (!window.resultIs(cents)) {
            std::fprintf(stderr, "%d rows: the pasted tape shows %s, expected %lld.%02lld\n", rows,
                         qPrintable(window.result()), cents / 100, cents % 100);
            return 1;
        }
        const double afterPasteMb = residentMb();
        window.idle(1500);
        const double pastePausedMb = residentMb();

        // Digits behind the last row's 7, each a new value; eleven keep the number within 12
        // digits. Fewer where a key takes seconds.
        const int typedStates = rows >= 1000000 ? 6 : 11;
        int edits = 0;
        for (int n = 0; n < typedStates; ++n, ++edits)
            window.key(digitKey(n));

        QString shown = window.result();
        const auto step = [&](Qt::KeyboardModifiers modifiers) {
            const double ms = window.key(Qt::Key_Backspace, modifiers);
            const QString now = window.result();
            repeatedResults += now == shown;
            shown = now;
            return ms;
        };
        const Qt::KeyboardModifiers undo = Qt::AltModifier;
        const Qt::KeyboardModifiers redo = Qt::AltModifier | Qt::ShiftModifier;
        std::vector<double> undoSteps;
        window.key(Qt::Key_Backspace, undo);
        shown = window.result();
        for (int n = 1; n < typedStates; ++n)
            undoSteps.push_back(step(undo));
        printRow(rows, "undo step (Alt+Backspace)", cpuStats(undoSteps), undoTarget(rows));
        wrongResults += !window.resultMatchesSheet();

        std::vector<double> redoSteps;
        window.key(Qt::Key_Backspace, redo);
        shown = window.result();
        for (int n = 2; n < typedStates; ++n)
            redoSteps.push_back(step(redo));
        printRow(rows, "redo step (Alt+Shift+Backspace)", cpuStats(redoSteps), undoTarget(rows));
        wrongResults += !window.resultMatchesSheet();

        // The undone digits are typed again as new edits: up to 100 in all since the paste, a
        // new row after every twelve digits of the last number.
        int lastNumberDigits = 1 + typedStates;
        for (int n = 0; edits < kEdits; ++n) {
            if (lastNumberDigits >= 12) {
                window.key(Qt::Key_Plus);
                window.key(Qt::Key_Return);
                edits += 2;
                lastNumberDigits = 0;
            }
            window.key(digitKey(n));
            ++lastNumberDigits;
            ++edits;
        }
        const double afterEditsMb = residentMb();
        std::printf("%-8d resident memory: %.0f MB after the paste, %.0f MB after %d edits (%+.0f %%)\n", rows,
                    afterPasteMb, afterEditsMb, edits, 100.0 * (afterEditsMb - afterPasteMb) / afterPasteMb);
        // The window gives freed memory back once the keys pause for a second.
        window.idle(1500);
        const double pausedMb = residentMb();
        std::printf("%-8d resident memory after a pause of 1.5 s: %.0f MB after the paste, %.0f MB after the edits "
                    "(%+.0f %%)%s\n", rows, pastePausedMb, pausedMb, 100.0 * (pausedMb - pastePausedMb) / pastePausedMb,
                    rows >= 1000000 ? "   target <= 250 MB, within 10 %" : "");
        std::fflush(stdout);
    }
    std::printf("counted steps whose result repeated the one before: %d\n", repeatedResults);
    std::printf("results that differ from the sheet evaluated whole: %d\n", wrongResults);
    window.close();
    return wrongResults == 0 && repeatedResults == 0 ? 0 : 1;
}
