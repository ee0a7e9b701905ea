#pragma once

// What the keystroke and undo benchmarks share: the window driven as a user drives it (keys sent
// to the field, the clipboard), each key followed by its whole event cycle, and the CPU time of
// the process per key. The window is reached only through its keys, the clipboard, the result
// panel's caption and the named timers, so the benchmarks measure whatever the sheet does inside.

#include "benchwindow.h"
#include "calcsession.h"
#include "frmtallyer.h"
#include "localevalues.h"
#include "mavolabel3d.h"
#include "sheettext.h"
#include "sheetview.h"

#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <time.h>
#include <unistd.h>
#include <vector>

// CPU time of the whole process in milliseconds: the key's handling, the passes its timers run
// and the painting, but not the time the benchmark sleeps while it waits for them.
inline double processCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

// The resident memory of the process now, in MB (not the peak).
inline double residentMb()
{
    long pages = 0;
    long resident = 0;
    if (FILE *f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

struct CpuStats
{
    int count = 0;
    double min = 0;
    double median = 0;
};

inline CpuStats cpuStats(std::vector<double> ms)
{
    if (ms.empty())
        return {};
    std::sort(ms.begin(), ms.end());
    return {int(ms.size()), ms.front(), ms[ms.size() / 2]};
}

// The sizes named on the command line, or the defaults.
inline std::vector<int> sizesFromArguments(int argc, char *argv[])
{
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) {
        const int rows = std::atoi(argv[i]);
        if (rows > 0)
            sizes.push_back(rows);
    }
    if (sizes.empty())
        sizes = {10000, 100000, 1000000};
    return sizes;
}

// A tape of distinct rows, as another program would put it on the clipboard (LF line ends): row
// i holds i + 1 and i % 100 cents, and ends in "+", or "-" on every third row; the last row is
// the whole number 7, so that a digit typed behind it changes the value by more than a cent.
// expectedCents is the tape's value in cents.
inline QString makeTape(int rows, long long &expectedCents)
{
    QString tape;
    tape.reserve(qsizetype(rows) * 12);
    expectedCents = 0;
    int sign = 1;
    char row[40];
    for (int i = 0; i < rows; ++i) {
        const bool last = i + 1 == rows;
        if (last) {
            expectedCents += sign * 700LL;
            tape += u'7';
            break;
        }
        const long long cents = (i + 1) * 100LL + i % 100;
        expectedCents += sign * cents;
        const char op = i % 3 == 2 ? '-' : '+';
        const int n = std::snprintf(row, sizeof row, "%lld.%02lld%c\n", cents / 100, cents % 100, op);
        tape += QLatin1String(row, n);
        sign = op == '+' ? 1 : -1;
    }
    return tape;
}

// Counts every event the application delivers, to tell when the window has gone idle.
class EventCounter : public QObject
{
public:
    quint64 count = 0;

protected:
    bool eventFilter(QObject *, QEvent *) override
    {
        ++count;
        return false;
    }
};

// The calculator's window, shown offscreen, and the keys a user would press.
class KeyBench
{
public:
    // Before the window exists: no caret blinking, whose repaints would land in any key.
    static void prepareApplication() { QApplication::setCursorFlashTime(0); }

    bool open()
    {
        if (!m_window.form.Form_Load())
            return false;
        m_window.TimerPressF1ForHelp->stop();
        m_window.form.show();
        m_timerSelWork = m_window.form.findChild<QTimer *>(QStringLiteral("TimerSelWork"));
        m_field = m_window.form.findChild<QWidget *>(QStringLiteral("boxCalc"));
        qApp->installEventFilter(&m_events);
        settle();
        return m_field && m_window.lblResult;
    }

    QString result() const { return m_window.lblResult->Caption(); }
    frmTallyer &form() { return m_window.form; }

    // Sends one key to the field and runs the event loop until the window is idle: the key's
    // cycle, the one-shot passes it arms (leading zero, sub result) and the painting. Returns the
    // CPU time it all took, in milliseconds.
    double key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        return keyTo(m_field, key, modifiers);
    }
    // The same for a key sent to another control of the window (the find bar's text).
    double keyTo(QWidget *target, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        const double before = processCpuMs();
        QTest::keyClick(target, key, modifiers);
        settle();
        return processCpuMs() - before;
    }

    // The tape on the clipboard, then Ctrl+A and Ctrl+V: the CPU time of the paste's key.
    double pasteOver(const QString &tape)
    {
        QGuiApplication::clipboard()->setText(tape);
        key(Qt::Key_A, Qt::ControlModifier);
        return key(Qt::Key_V, Qt::ControlModifier);
    }

    // Whether the result panel shows the value of expectedCents (grouping and rounding aside).
    bool resultIs(long long expectedCents) const
    {
        std::string digits;
        for (const QChar c : result()) {
            if (c.isDigit() || c == u'.' || c == u'-')
                digits += char(c.unicode());
        }
        return !digits.empty() && std::abs(std::atof(digits.c_str()) - expectedCents / 100.0) < 0.5;
    }

    // Whether the result panel shows what the sheet as it now stands comes to, worked out whole
    // from the field's text (no memo, no fold): the incremental cycle must agree with it.
    bool resultMatchesSheet() const
    {
        const QString text = static_cast<const SheetView *>(m_field)->sheetText();
        return result() == ExpressionResultText(SheetExpression(text), 2, ReadLocaleValues());
    }

    // The user pausing: events are processed for that long.
    void idle(int ms) { QTest::qWait(ms); }

    void close() { m_window.TimerPointRefresh->stop(); }

private:
    void settle()
    {
        // The offscreen platform paints a few milliseconds after the update request; a quiet
        // spell of 10 ms with no one-shot pass pending is idle. The bound only guards against a
        // timer that never stops.
        for (int round = 0; round < 500; ++round) {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            const bool pending = m_window.TimerPointRefresh->isActive()
                || (m_timerSelWork && m_timerSelWork->isActive());
            const quint64 before = m_events.count;
            QTest::qWait(pending ? 5 : 10);
            if (!pending && m_events.count == before)
                return;
        }
        std::fprintf(stderr, "the window did not go idle\n");
    }

    BenchWindow m_window;
    QWidget *m_field = nullptr;
    QTimer *m_timerSelWork = nullptr;
    EventCounter m_events;
};

// How many keys a measurement takes: at least minKeys, then more until maxKeys or until the
// measured keys have used budgetMs of CPU, so that a size where keys take seconds still ends.
struct KeyBudget
{
    int minKeys = 3;
    int maxKeys = 30;
    double budgetMs = 4000;

    bool more(const std::vector<double> &ms) const
    {
        if (int(ms.size()) < minKeys)
            return true;
        double total = 0;
        for (const double m : ms)
            total += m;
        return int(ms.size()) < maxKeys && total < budgetMs;
    }
};

inline Qt::Key digitKey(int n)
{
    return Qt::Key(Qt::Key_1 + n % 9); // 1 to 9: no leading zero for the completion to add
}

// One line of figures: rows, what was measured, keys, min and median CPU ms, and the target.
inline void printRow(int rows, const char *what, const CpuStats &s, const char *target)
{
    std::printf("%-8d %-34s %5d %10.2f %10.2f   %s\n", rows, what, s.count, s.min, s.median, target);
    std::fflush(stdout);
}

inline void printHeader()
{
    std::printf("CPU time of the process per key, the whole event cycle (ms); targets are shown, not enforced\n");
    std::printf("%-8s %-34s %5s %10s %10s   %s\n", "rows", "measure", "keys", "min ms", "median ms", "target");
}
