// tallyer-cli sheet against bc on the same generated sums of 10,000 and 100,000 rows: the sheet
// has one amount per row, each row but the last ending in "+"; bc gets "scale=2" and the same sum
// on one line. Each program runs several times; the medians of wall time and of CPU time (user +
// system, from wait4) are printed with their ratios. Both answers are checked to agree.

#include <QByteArray>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
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
    posix_spawn_file_actions_destroy(&actions);
    if (FILE *f = std::fopen(outFile.c_str(), "r")) {
        char buf[256];
        while (std::fgets(buf, sizeof buf, f))
            run.output += buf;
        std::fclose(f);
    }
    return run;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
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

} // namespace

int main(int argc, char *argv[])
{
    // Another tallyer-cli may be named, to compare builds.
    const std::string program = argc > 1 ? argv[1] : TALLYER_CLI_PATH;
    QTemporaryDir dir;
    const std::string base = dir.path().toStdString() + "/";
    std::printf("%-8s %12s %12s %8s %12s %12s %8s\n", "rows", "cli wall ms", "bc wall ms", "ratio",
                "cli cpu ms", "bc cpu ms", "ratio");
    for (const int rows : {10000, 100000}) {
        std::string sheet;
        std::string sum = "scale=2\n";
        for (int i = 0; i < rows; ++i) {
            const long cents = (i * 7919L) % 1000000 + 1;
            char amount[32];
            std::snprintf(amount, sizeof amount, "%ld.%02ld", cents / 100, cents % 100);
            sheet += amount;
            sum += amount;
            if (i + 1 < rows) {
                sheet += "+\n";
                sum += '+';
            }
        }
        sheet += '\n';
        sum += '\n';
        const std::string sheetFile = base + "sheet" + std::to_string(rows);
        const std::string sumFile = base + "sum" + std::to_string(rows);
        for (const auto &[name, text] : {std::pair{sheetFile, &sheet}, std::pair{sumFile, &sum}}) {
            FILE *f = std::fopen(name.c_str(), "w");
            std::fwrite(text->data(), 1, text->size(), f);
            std::fclose(f);
        }

        const std::vector<std::string> cli = {program, "sheet", "--decimal=.", "--thousands=,", "-"};
        const std::vector<std::string> bc = {"bc", "-q"};
        std::vector<double> cliWall, bcWall, cliCpu, bcCpu;
        std::string cliOut, bcOut;
        const int runs = rows >= 100000 ? 11 : 21;
        for (int i = 0; i < runs; ++i) {
            // Alternate, so both see the same share of a busy machine.
            const Run c = runOnce(cli, sheetFile, base + "out");
            const Run b = runOnce(bc, sumFile, base + "out");
            cliWall.push_back(c.wallMs);
            cliCpu.push_back(c.cpuMs);
            bcWall.push_back(b.wallMs);
            bcCpu.push_back(b.cpuMs);
            cliOut = c.output;
            bcOut = b.output;
        }
        if (digitsOf(cliOut) != digitsOf(bcOut) || cliOut.empty()) {
            std::fprintf(stderr, "results differ: tallyer-cli %s, bc %s\n", cliOut.c_str(), bcOut.c_str());
            return 1;
        }
        std::printf("%-8d %12.2f %12.2f %8.2f %12.2f %12.2f %8.2f\n", rows, median(cliWall), median(bcWall),
                    median(cliWall) / median(bcWall), median(cliCpu), median(bcCpu),
                    median(cliCpu) / median(bcCpu));
    }
    return 0;
}
