// The undo ring on tapes of 100,000 and 1,000,000 distinct rows ("123456.78+" with the row number
// in it): 100 small edits at random places, recorded as the window records them (the ring
// follows the sheet's text edit by edit, and the state before the key is that text with the
// key's edit taken back), then stepped back
// over and forward again. Prints the resident memory of the process after the tape, after the
// 100 records, and after 100 more records of a second ring that is never given the sheet's text
// (as the expression history: it keeps its newest text whole); the CPU time of record() (with
// the shareText() before it), back() and forward(), minimum and median over the 100 calls.
// Also the heap in use and RSS after malloc_trim(): each key's new sheet text frees the old one,
// which glibc keeps resident, so RSS alone counts copies nobody holds. Fails when at 1,000,000
// rows the 100 records leave the memory in use (heap, and RSS once trimmed) more than 10 % above
// its level after the tape.
// Usage: bench_undo_ring

#include <textring.h>

#include <QString>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <malloc.h>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kEdits = 100;

double cpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

// VmRSS of this process in MB.
double rssMb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

// Bytes the allocator has handed out and not had back, in MB: RSS also counts freed memory the
// allocator keeps for later (a freed 20 MB text below a live small block stays resident).
double heapMb()
{
    const struct mallinfo2 info = mallinfo2();
    return double(info.uordblks + info.hblkhd) / (1024 * 1024);
}

struct Times
{
    std::vector<double> ms;
    void print(const char *what) const
    {
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        std::printf("  %-9s CPU min %7.3f ms, median %7.3f ms (%zu calls)\n", what, sorted.front(),
                    sorted[sorted.size() / 2], sorted.size());
    }
};

QString tape(int rows)
{
    QString text;
    text.reserve(qsizetype(rows) * 12);
    for (int i = 0; i < rows; ++i) {
        if (i > 0)
            text += QStringLiteral("\r\n");
        text += QString::number(i + 1) + u'.' + QString::number((i * 37) % 90 + 10) + u'+';
    }
    return text;
}

// A key at a random place, made in the text itself as the sheet's document makes it: a digit
// typed in or a character deleted. The edit as the document tells it, and what it took away.
SheetRows::Change edit(QString &text, std::mt19937 &random, QString &removed)
{
    const qsizetype at = std::uniform_int_distribution<qsizetype>(0, text.size() - 1)(random);
    if (random() % 2 == 0) {
        text.insert(at, QChar(u'0' + int(random() % 10)));
        removed.clear();
        return {at, 0, 1};
    }
    removed = text.mid(at, 1);
    text.remove(at, 1);
    return {at, 1, 0};
}

// Returns false when the memory target is missed.
bool run(int rows, bool checked)
{
    // What an earlier run freed goes back first, so that RSS starts from this tape.
    malloc_trim(0);
    std::mt19937 random(rows);
    QString sheet = tape(rows);
    const double afterTape = rssMb();
    const double heapAfterTape = heapMb();

    TextRing ring(kEdits);
    ring.followText(&sheet);
    Times record;
    for (int i = 0; i < kEdits; ++i) {
        // The key: the ring follows the edit, and the state before it is recorded as the text
        // with the edit taken back.
        QString removed;
        const SheetRows::Change change = edit(sheet, random, removed);
        const double start = cpuMs();
        ring.recordEdit(change, removed, TextEntry{QString(), qint32(i)});
        record.ms.push_back(cpuMs() - start);
    }
    const double afterRecords = rssMb();
    const double heapAfterRecords = heapMb();
    malloc_trim(0);
    const double trimmedAfterRecords = rssMb();

    TextRing history(kEdits);
    QString expression = sheet;
    for (int i = 0; i < kEdits; ++i) {
        history.record({expression, 0, qint32(expression.size()), 0});
        QString removed;
        edit(expression, random, removed);
    }
    expression.clear();
    malloc_trim(0);
    const double afterHistory = rssMb();

    // A step as the window takes it: the ring moves, and the sheet is given the edit that makes it
    // the entry stepped to, which the ring follows.
    const auto step = [&](bool forward) {
        const bool moved = forward ? ring.forward() : ring.back();
        const TextRing::Edit change = ring.currentEdit();
        const QString removed = sheet.mid(change.from, change.to - change.from);
        sheet.replace(change.from, change.to - change.from, change.text);
        ring.textEdited({change.from, removed.size(), change.text.size()}, removed);
        ring.settleEdit();
        return moved;
    };
    Times back;
    Times forward;
    for (int i = 0; i < kEdits; ++i) {
        const double start = cpuMs();
        const bool moved = step(false);
        back.ms.push_back(cpuMs() - start);
        if (!moved || ring.currentFields().selStart != kEdits - 1 - i || ring.currentTextDiffers()) {
            std::printf("  back() did not reach entry %d\n", kEdits - 1 - i);
            return false;
        }
    }
    while (!ring.atNewest()) {
        const double start = cpuMs();
        step(true);
        forward.ms.push_back(cpuMs() - start);
    }

    const double tapeMb = double(sheet.size()) * 2 / (1024 * 1024);
    std::printf("%d rows (text %.1f MB in UTF-16):\n", rows, tapeMb);
    std::printf("  RSS after the tape %.1f MB, after %d records %.1f MB (%+.1f %%), the same after "
                "malloc_trim %.1f MB (%+.1f %%)\n",
                afterTape, kEdits, afterRecords, (afterRecords / afterTape - 1) * 100,
                trimmedAfterRecords, (trimmedAfterRecords / afterTape - 1) * 100);
    std::printf("  heap in use after the tape %.1f MB, after the records %.1f MB (%+.1f %%); RSS "
                "after 100 more records in a ring never given the sheet's text %.1f MB (trimmed)\n",
                heapAfterTape, heapAfterRecords, (heapAfterRecords / heapAfterTape - 1) * 100,
                afterHistory);
    record.print("record()");
    back.print("back()");
    forward.print("forward()");
    // The ring's share is what stays in use; each key's new sheet text also leaves a freed copy
    // that the allocator keeps resident until trimmed, which is no memory of the ring's.
    const bool ok = !checked
                    || (trimmedAfterRecords <= afterTape * 1.10 && heapAfterRecords <= heapAfterTape * 1.10);
    if (!ok)
        std::printf("  FAILED: the records add more than 10 %% to the memory in use after the tape\n");
    return ok;
}

} // namespace

int main()
{
    std::printf("bench_undo_ring: the undo ring with %d entries\n", kEdits);
    // The million rows first, while the process holds nothing else.
    const bool ok = run(1000000, true);
    run(100000, false);
    return ok ? 0 : 1;
}
