// The find bar on long tapes, in the real window (offscreen): CPU time of the process per key sent
// to the bar's text, with its whole event cycle (the search, the count, the hit selected in the
// sheet and scrolled to, the sub result of the selection, the painting). Per size (100,000 and
// 1,000,000 rows, or those named: bench_find 1000000), with the caret at the tape's start:
//   - a needle pasted whole (Ctrl+V) that is nowhere on the tape: the whole tape scanned;
//   - the same for a needle with letters, which is searched without regard to case;
//   - a needle pasted whole whose only hit is in the tape's last rows;
//   - typing a needle key by key, and F3 through its hits;
//   - with a note on every other row, pasted needles each of which is pasted once: one found in
//     no note (letters), one only in a note near the end, one in every note; and the same search
//     and count without the window, the engine's part of them.
// Min and median are printed with the targets beside them; no target is enforced.

#include "benchkeys.h"
#include "sheetfind.h"

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

// Pastes each needle once over the bar's text and measures each paste key.
CpuStats pasteNeedles(KeyBench &window, QLineEdit *text, const QStringList &needles)
{
    std::vector<double> ms;
    for (const QString &needle : needles) {
        window.keyTo(text, Qt::Key_A, Qt::ControlModifier);
        window.keyTo(text, Qt::Key_Delete);
        QGuiApplication::clipboard()->setText(needle);
        ms.push_back(window.keyTo(text, Qt::Key_V, Qt::ControlModifier));
    }
    return cpuStats(ms);
}

// The note of every other row: distinct numbers, so that a needle can name one note.
QString noteOf(int row)
{
    return QStringLiteral("Invoice %1 paid").arg(qint64(row) * 7 + 3);
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

        RowNotes notes;
        notes.reserve(rows / 2);
        for (int row = 0; row < rows; row += 2)
            notes.append({row, noteOf(row)});
        sheet->document()->setNotes(notes);
        window.key(Qt::Key_Home, Qt::ControlModifier);
        window.key(Qt::Key_F, Qt::ControlModifier);
        QStringList nowhere;
        QStringList nearEnd;
        for (int n = 1; n <= 7; ++n) {
            nowhere.append(QStringLiteral("refund %1").arg(n));
            nearEnd.append(noteOf((rows - 1) / 2 * 2 - 2 * n));
        }
        printRow(rows, "notes: pasted needles, no hit", pasteNeedles(window, text, nowhere), "<= 100 ms");
        wrong += status->text() != QLatin1String("Not found");
        printRow(rows, "notes: pasted, one hit near the end", pasteNeedles(window, text, nearEnd), "<= 100 ms");
        wrong += sheet->noteHit().row != (rows - 1) / 2 * 2 - 14 || status->text() != QLatin1String("1 of 1");
        const QStringList everyNote = {QStringLiteral("paid"), QStringLiteral("PAID"), QStringLiteral("Paid"),
                                       QStringLiteral(" paid"), QStringLiteral("aid"), QStringLiteral("pAId"),
                                       QStringLiteral("ai")};
        printRow(rows, "notes: pasted, a hit in every note", pasteNeedles(window, text, everyNote), "<= 100 ms");
        wrong += status->text() != QStringLiteral("1 of %1").arg(notes.size());
        window.keyTo(text, Qt::Key_Escape);

        // The engine alone: the first hit from the tape's start and, when there is one, every hit
        // counted, as the bar does for a pasted needle.
        std::vector<double> searches;
        const SheetDocument &document = *sheet->document();
        for (const QString &needle : nearEnd + nowhere) {
            const double before = processCpuMs();
            const SheetHit hit = FindInSheet(document.rows(), document.notes(), needle, SheetPlace::atPosition(0),
                                             FindDirection::Forward);
            const qsizetype count = !hit.found() ? 0
                : CountInSheet(document.rows(), document.notes(), needle, SheetPlace::atPosition(0),
                               SheetPlace::end(document.rows()));
            searches.push_back(processCpuMs() - before);
            wrong += hit.found() != (count == 1);
        }
        printRow(rows, "notes: engine search and count", cpuStats(searches), "<= 100 ms");
    }
    std::printf("searches that did not find what they should: %d\n", wrong);
    window.close();
    return wrong == 0 ? 0 : 1;
}
