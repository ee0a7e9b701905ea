// tallyer-cli sheet against bc and awk on the same generated sums of 10,000 to 10,000,000 rows:
// the sheet has one amount per row, each row but the last ending in "+"; bc gets "scale=2" and
// the same sum on one line; awk gets the amounts one a line and adds them up ('{s+=$1}'), the
// floor of what reading a column of numbers costs. Each program runs several times, alternating;
// the CPU time (user + system of the child, from wait4) is printed as min and median, with the
// ratios of the medians and the targets beside them, and the median wall time. The answers are
// checked to agree. First, tallyer-cli print on a tape of 1,000,000 such rows, to CSV, text and
// PDF: CPU time and the child's peak memory (ru_maxrss) against their bounds.
// Rows may be chosen: bench_cli [TALLYER-CLI] [ROWS...] (print then uses the largest).

#include <QByteArray>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cmath>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

struct Run
{
    double wallMs = 0;
    double cpuMs = 0;
    double peakMiB = 0;
    int status = 0;
    std::string output;
};

double ms(const timeval &tv)
{
    return tv.tv_sec * 1000.0 + tv.tv_usec / 1000.0;
}

// Runs argv with stdin from inputFile, capturing stdout.
Run runOnce(const std::vector<std::string> &argv, const std::string &inputFile, const std::string &outFile)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, inputFile.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<char *> args;
    for (const std::string &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    Run run;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", args[0]);
        std::exit(1);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.wallMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    run.cpuMs = ms(usage.ru_utime) + ms(usage.ru_stime);
    run.peakMiB = usage.ru_maxrss / 1024.0;
    run.status = status;
    posix_spawn_file_actions_destroy(&actions);
    if (FILE *f = std::fopen(outFile.c_str(), "r")) {
        char buf[256];
        while (std::fgets(buf, sizeof buf, f))
            run.output += buf;
        std::fclose(f);
    }
    return run;
}

// Only the digits and the decimal point: "4,998,050.00" and "4998050.00" agree.
std::string digitsOf(const std::string &s)
{
    std::string d;
    for (const char c : s) {
        if ((c >= '0' && c <= '9') || c == '.' || c == '-')
            d += c;
    }
    return d;
}

struct Stats
{
    double min = 0;
    double median = 0;
};

Stats statsOf(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return {v.front(), v[v.size() / 2]};
}

void writeFile(const std::string &name, const std::string &text)
{
    FILE *f = std::fopen(name.c_str(), "w");
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

// The target ratio for a program against another at this size, or 0 when there is none.
double cliTarget(const char *against, int rows)
{
    if (std::string(against) == "bc")
        return rows >= 100000 ? 1.0 : 0.0;
    return rows >= 1000000 ? 1.2 : 0.0;
}

// The amount of row i, in cents, and as written ("1234.56").
long centsOf(int i)
{
    return (i * 7919L) % 1000000 + 1;
}

std::string amountOf(int i)
{
    char amount[32];
    std::snprintf(amount, sizeof amount, "%ld.%02ld", centsOf(i) / 100, centsOf(i) % 100);
    return amount;
}

// tallyer-cli print of a tape of `rows` rows to each form, runs times each: CPU time and the peak
// memory of the child, against the bound of each form.
int benchPrint(const std::string &program, const std::string &base, int rows)
{
    std::string tape;
    for (int i = 0; i < rows; ++i)
        tape += amountOf(i) + (i + 1 < rows ? "+\n" : "\n");
    const std::string tapeFile = base + "tape.txt";
    writeFile(tapeFile, tape);
    std::printf("tallyer-cli print, %d rows (%.1f MB): CPU ms and peak memory (ru_maxrss) of the child\n", rows,
                tape.size() / 1e6);
    std::string().swap(tape);
    std::printf("%-6s %4s %10s %10s %10s %10s %s\n", "form", "runs", "cpu min", "cpu median", "peak MiB", "bound MiB",
                "");
    struct Form
    {
        const char *suffix;
        int runs;
        double boundMiB;
    };
    int failures = 0;
    for (const Form &form : {Form{"csv", 3, 64}, Form{"txt", 3, 64}, Form{"pdf", 1, 128}}) {
        const std::string out = base + "printed." + form.suffix;
        std::vector<double> cpu;
        double peak = 0;
        for (int i = 0; i < form.runs; ++i) {
            const Run r = runOnce({program, "print", "--decimal=.", tapeFile, "--output", out}, "/dev/null",
                                  base + "out");
            if (r.status != 0) {
                std::fprintf(stderr, "tallyer-cli print to .%s failed\n", form.suffix);
                return 1;
            }
            cpu.push_back(r.cpuMs);
            peak = std::max(peak, r.peakMiB);
        }
        const Stats stats = statsOf(cpu);
        const bool met = peak <= form.boundMiB;
        failures += met ? 0 : 1;
        std::printf("%-6s %4d %10.1f %10.1f %10.1f %10.0f %s\n", form.suffix, form.runs, stats.min, stats.median, peak,
                    form.boundMiB, met ? "met" : "MISSED");
    }
    return failures;
}

} // namespace

int main(int argc, char *argv[])
{
    // Another tallyer-cli may be named, to compare builds; numbers choose the sizes.
    std::string program = TALLYER_CLI_PATH;
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (!arg.empty() && arg.find_first_not_of("0123456789") == std::string::npos)
            sizes.push_back(std::stoi(arg));
        else
            program = arg;
    }
    if (sizes.empty())
        sizes = {10000, 100000, 1000000, 10000000};

    QTemporaryDir dir;
    const std::string base = dir.path().toStdString() + "/";
    // print first: a child started by posix_spawn shares this process's memory until it runs the
    // program, and the kernel counts that memory's peak into the child's ru_maxrss. Here this
    // process is still small; after the ten-million-row files it is not.
    const int printFailures =
        benchPrint(program, base, std::min(*std::max_element(sizes.begin(), sizes.end()), 1000000));
    std::printf("\n");
    std::printf("CPU time of the child (user + system), ms; ratio of the medians; target: cli/program at most\n");
    std::printf("%-8s %-11s %10s %10s %10s %8s %8s\n", "rows", "program", "cpu min", "cpu median",
                "wall med", "cli/x", "target");
    for (const int rows : sizes) {
        std::string sheet;
        std::string sum = "scale=2\n";
        std::string column;
        double expected = 0;
        for (int i = 0; i < rows; ++i) {
            const std::string amount = amountOf(i);
            expected += double(centsOf(i));
            sheet += amount;
            sum += amount;
            column += amount;
            column += '\n';
            if (i + 1 < rows) {
                sheet += "+\n";
                sum += '+';
            }
        }
        sheet += '\n';
        sum += '\n';
        expected /= 100;
        const std::string sheetFile = base + "sheet" + std::to_string(rows);
        const std::string sumFile = base + "sum" + std::to_string(rows);
        const std::string columnFile = base + "column" + std::to_string(rows);
        // Written and let go at once: at ten million rows each is a hundred megabytes.
        writeFile(sheetFile, sheet);
        writeFile(sumFile, sum);
        writeFile(columnFile, column);
        std::string().swap(sheet);
        std::string().swap(sum);
        std::string().swap(column);

        struct Contender
        {
            const char *name;
            std::vector<std::string> argv;
            std::string input;
            std::vector<double> wall, cpu;
            std::string output;
        };
        Contender contenders[] = {
            {"tallyer-cli", {program, "sheet", "--decimal=.", "--thousands=,", "-"}, sheetFile, {}, {}, {}},
            {"bc", {"bc", "-q"}, sumFile, {}, {}, {}},
            {"awk", {"awk", "{s+=$1} END {printf \"%.2f\\n\", s}"}, columnFile, {}, {}, {}},
        };
        const int runs = rows >= 10000000 ? 3 : rows >= 1000000 ? 7 : rows >= 100000 ? 11 : 21;
        for (int i = 0; i < runs; ++i) {
            // Alternate, so all see the same share of a busy machine.
            for (Contender &c : contenders) {
                const Run r = runOnce(c.argv, c.input, base + "out");
                c.wall.push_back(r.wallMs);
                c.cpu.push_back(r.cpuMs);
                c.output = r.output;
            }
        }
        // bc and tallyer-cli add exactly (cents, 15 digits); awk adds doubles, and may be a cent off
        // for every million rows or so.
        const std::string cliDigits = digitsOf(contenders[0].output);
        if (cliDigits.empty() || cliDigits != digitsOf(contenders[1].output)
            || std::fabs(std::atof(digitsOf(contenders[2].output).c_str()) - expected) > 0.015 * (1 + rows / 1000000)
            || std::fabs(std::atof(cliDigits.c_str()) - expected) > 0.005) {
            std::fprintf(stderr, "results differ: tallyer-cli %s, bc %s, awk %s, expected %.2f\n",
                         contenders[0].output.c_str(), contenders[1].output.c_str(),
                         contenders[2].output.c_str(), expected);
            return 1;
        }
        const Stats cli = statsOf(contenders[0].cpu);
        for (const Contender &c : contenders) {
            const Stats cpu = statsOf(c.cpu);
            const Stats wall = statsOf(c.wall);
            std::printf("%-8d %-11s %10.1f %10.1f %10.1f", rows, c.name, cpu.min, cpu.median, wall.median);
            if (&c != &contenders[0]) {
                const double ratio = cli.median / cpu.median;
                const double target = cliTarget(c.name, rows);
                std::printf(" %8.2f", ratio);
                if (target > 0)
                    std::printf(" %7.1fx %s", target, ratio <= target ? "met" : "MISSED");
            }
            std::printf("\n");
        }
    }
    return printFailures;
}
