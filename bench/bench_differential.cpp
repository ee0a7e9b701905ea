// The differential check: the evaluator and the sheet cleaning against their reference
// implementation, on a million generated expressions (both separators, with and without the
// leading-zero flag) and a hundred thousand generated sheets; then the tape's running subtotals
// (FoldTape, one pass) against every prefix of generated tapes evaluated whole. Any difference
// in the failure flag, the value's bits, the cleaned text, the caret or a subtotal is printed and
// fails the run.
// The tape model (TapeModel) is checked the same way under random edits: after each, its value,
// failure reason and panel text against the whole sheet evaluated as the result panel does it.
// Usage: bench_differential [expressions] [seed]
//        bench_differential tapes [tapes] [seed]     only the subtotals
//        bench_differential --edits [edits] [seed]  only the tape model

#include "differentialcheck.h"

#include <QCoreApplication>

#include <cstdlib>
#include <cstring>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "--edits") == 0) {
        const long long edits = argc > 2 ? std::atoll(argv[2]) : 200000;
        const quint64 seed = argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 20261207;
        return checkEdits(edits, seed) == 0 ? 0 : 1;
    }
    if (argc > 1 && std::strcmp(argv[1], "tapes") == 0) {
        const long long tapes = argc > 2 ? std::atoll(argv[2]) : 200000;
        const quint64 seed = argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 20261207;
        return checkTapes(tapes, seed) == 0 ? 0 : 1;
    }
    const long long total = argc > 1 ? std::atoll(argv[1]) : 1000000;
    const quint64 seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 20261207;
    long long differences = checkExpressions(total, seed);
    differences += checkTapes(total / 5, seed);
    differences += checkEdits(total / 5, seed);
    return differences == 0 ? 0 : 1;
}
