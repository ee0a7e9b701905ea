// The cost of a key in the real window (offscreen), as the user meets it: CPU time of the process
// per key, each key sent to the field and followed by its whole event cycle (the evaluation cycle,
// the leading-zero and sub-result passes and the painting), on tapes of distinct rows pasted
// through the clipboard. Every measured key gives a result never shown before, so no memo of
// recent results can answer it. Per size (10,000, 100,000 and 1,000,000 rows, or those named:
// bench_keystroke 10000 100000):
//   - the paste of the tape (Ctrl+V over the whole field) and the first key after it;
//   - typing a digit at the end of the tape (a new row after every twelve digits);
//   - typing a digit at the start of the first rows, undoing those edits, and a digit after that;
//   - a digit at the end after a pause of 2 s (the window gives freed memory back in a pause);
//   - the resident memory after the paste and after the keys.
// Min and median are printed with the targets beside them; no target is enforced. A size where
// keys take seconds is measured with fewer keys (at least three).

#include "benchkeys.h"

#include <QApplication>

#include <cstdio>

namespace {

const char *typingTarget(int rows)
{
    return rows <= 10000 ? "<= 2 ms" : rows <= 100000 ? "<= 4 ms" : "<= 1.5 ms";
}

const char *firstRowTarget(int rows)
{
    return rows <= 10000 ? "-" : rows <= 100000 ? "<= 16 ms" : "<= 25 ms";
}

} // namespace

int main(int argc, char *argv[])
{
    const BenchHome home;
    KeyBench::prepareApplication();
    QApplication app(argc, argv);
    const std::vector<int> sizes = sizesFromArguments(argc, argv);

    KeyBench window;
    if (!window.open())
        return 1;

    printHeader();
    int repeatedResults = 0; // measured keys whose result equals the one before: must stay 0
    int wrongResults = 0; // after each series of keys, against the whole evaluation
    for (const int rows : sizes) {
        long long cents = 0;
        const QString tape = makeTape(rows, cents);
        const double paste = window.pasteOver(tape);
        if (!window.resultIs(cents)) {
            std::fprintf(stderr, "%d rows: the pasted tape shows %s, expected %lld.%02lld\n", rows,
                         qPrintable(window.result()), cents / 100, cents % 100);
            return 1;
        }
        const double afterPasteMb = residentMb();
        printRow(rows, "paste of the tape (CPU)", cpuStats({paste}), rows >= 1000000 ? "<= 2000 ms" : "-");

        // The caret stands after the pasted text, behind the last row's 7: each digit makes the
        // last number ten times larger and more, and after twelve digits "+" and Enter start a
        // new one.
        const KeyBudget budget;
        QString shown = window.result();
        const auto typed = [&](Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
            const double ms = window.key(k, modifiers);
            const QString now = window.result();
            repeatedResults += now == shown;
            shown = now;
            return ms;
        };
        int lastNumberDigits = 1;
        const auto typeAtEnd = [&](int n) {
            if (lastNumberDigits == 12) {
                window.key(Qt::Key_Plus);
                window.key(Qt::Key_Return);
                shown = window.result();
                lastNumberDigits = 0;
            }
            ++lastNumberDigits;
            return typed(digitKey(n));
        };
        const double first = typeAtEnd(0);
        printRow(rows, "first key after the paste", cpuStats({first}), rows >= 1000000 ? "<= 50 ms" : "-");

        std::vector<double> typing;
        for (int n = 1; budget.more(typing); ++n)
            typing.push_back(typeAtEnd(n));
        printRow(rows, "typing a digit at the end", cpuStats(typing), typingTarget(rows));
        wrongResults += !window.resultMatchesSheet();

        // Digits at the start of the first three rows, which "+" joins: each edit raises the
        // value. Twelve digits a row keep every number within 15 digits.
        std::vector<double> firstRow;
        for (int n = 0; budget.more(firstRow) && n < 36; ++n) {
            if (n % 12 == 0) {
                window.key(Qt::Key_Home, Qt::ControlModifier);
                for (int down = 0; down < n / 12; ++down)
                    window.key(Qt::Key_Down);
                shown = window.result();
            }
            firstRow.push_back(typed(digitKey(n)));
        }
        printRow(rows, "typing a digit in the first rows", cpuStats(firstRow), firstRowTarget(rows));
        wrongResults += !window.resultMatchesSheet();

        // Those edits taken back: the first step returns to the text shown just before and is not
        // counted, so no memo of the last two results answers a counted one.
        window.key(Qt::Key_Backspace, Qt::AltModifier);
        shown = window.result();
        std::vector<double> undoFirst;
        for (int n = 0; n < 8; ++n)
            undoFirst.push_back(typed(Qt::Key_Backspace, Qt::AltModifier));
        printRow(rows, "undo of a first-row edit", cpuStats(undoFirst), rows >= 1000000 ? "<= 25 ms" : "-");
        wrongResults += !window.resultMatchesSheet();

        // The undo ring and the cleaning go on from the state put back, not from the whole text.
        window.key(Qt::Key_End, Qt::ControlModifier);
        shown = window.result();
        printRow(rows, "a digit at the end after the undo", cpuStats({typeAtEnd(0)}), rows >= 1000000 ? "<= 1.5 ms" : "-");
        std::vector<double> afterPause;
        for (int n = 0; n < 5; ++n) {
            window.idle(2000);
            afterPause.push_back(typeAtEnd(n));
        }
        printRow(rows, "a digit after a pause of 2 s", cpuStats(afterPause), rows >= 1000000 ? "<= 5 ms" : "-");
        std::printf("%-8d resident memory: %.0f MB after the paste, %.0f MB after %d keys\n", rows,
                    afterPasteMb, residentMb(), int(1 + typing.size() + firstRow.size() + afterPause.size()));
    }
    std::printf("measured keys whose result repeated the one before: %d\n", repeatedResults);
    std::printf("results that differ from the sheet evaluated whole: %d\n", wrongResults);
    window.close();
    return wrongResults == 0 && repeatedResults == 0 ? 0 : 1;
}
