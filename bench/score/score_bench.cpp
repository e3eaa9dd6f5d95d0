// score-bench [TESTS]: the score solver's search with a fixed seed for a fixed
// number of tests (whole report periods); then the same rules written as a plain
// recursive search over the same lists (it must reach the same bests and the same
// last period-best board), and the exact-match baseline on the same pieces for
// the same number of placements; the ratio of the engine's speed to each.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>

#include "bench/baseline.hpp"
#include "bench/bench.hpp"
#include "bench/score/score_baseline.hpp"
#include "score/score_solver.hpp"

namespace {

constexpr zentara::RandomState BENCH_SEED = 20261207u;

}  // namespace

int main(int argc, char** argv) {
    using namespace zentara;
    const int answered = zentara::bench::answerBenchCommandLine(
        argc, argv, "score-bench", "TESTS", 1,
        "The score solver's search from a fixed seed for TESTS tests, beside the same rules as a\n"
        "plain recursive search and the baseline: tests per second and a signature of the run.\n");
    if (answered >= 0) return answered;
    const bool signature = bench::signatureMode(argc, argv);
    const std::uint64_t requested = signature ? score::TESTS_PER_REPORT
                                    : argc > 1 ? std::strtoull(argv[1], nullptr, 10)
                                               : 300'000'000ull;
    const int reports = static_cast<int>(std::max<std::uint64_t>(1, requested / score::TESTS_PER_REPORT));
    const std::uint64_t tests = static_cast<std::uint64_t>(reports) * score::TESTS_PER_REPORT;
    if (!signature) bench::printTimingRule();

    auto solver = std::make_unique<score::ScoreSolver>();
    double seconds = 0;
    {
        const bench::ScratchDirectory scratch("score-bench");
        std::ostringstream console;
        const RunLimits limits{.seed = BENCH_SEED, .reports = reports};
        const double start = bench::cpuSeconds();
        score::runScoreSolver(*solver, console, limits);
        seconds = bench::cpuSeconds() - start;
    }
    const std::uint64_t placements = tests - solver->cellsLeftEmpty;
    const std::uint32_t checksum = bench::boardChecksum(solver->reportedBoard);
    if (!signature)
        std::printf("score: %llu tests in %.2f s, %.1f M tests/s, %.1f M placements/s\n",
                    static_cast<unsigned long long>(tests), seconds, tests / seconds / 1e6,
                    placements / seconds / 1e6);
    std::printf("signature: tests %llu best %d/%d, period-best checksum %08x, placements %llu\n",
                static_cast<unsigned long long>(tests), solver->bestLevel, solver->bestScore, checksum,
                static_cast<unsigned long long>(placements));

    const double sameStart = bench::cpuSeconds();
    const auto same = bench::runScoreBaseline(BENCH_SEED, reports, score::TESTS_PER_REPORT);
    const double sameSeconds = bench::cpuSeconds() - sameStart;
    const bool sameTree = same.bestLevel == solver->bestLevel && same.bestScore == solver->bestScore &&
                          same.placements == placements && same.periodBestChecksum == checksum;
    if (signature) {
        std::printf("same-rules baseline: %s\n", sameTree ? "same tree" : "TREE DIFFERS");
        return 0;
    }
    std::printf("same-rules baseline: %llu tests in %.2f s, %.1f M tests/s (%s)\n",
                static_cast<unsigned long long>(same.tests), sameSeconds, same.tests / sameSeconds / 1e6,
                sameTree ? "same tree" : "TREE DIFFERS");
    std::printf("ratio: %.2fx the same-rules baseline's tests per second\n",
                (tests / seconds) / (same.tests / sameSeconds));

    const auto base = bench::runBaseline(placements, BENCH_SEED);
    const double baseRate = base.placements / base.seconds;
    std::printf("baseline: %llu placements, %.1f M placements/s (depth %d, checksum %08x)\n",
                static_cast<unsigned long long>(base.placements), baseRate / 1e6, base.bestDepth, base.bestChecksum);
    std::printf("ratio: %.2fx the exact-match baseline's placements per second\n", placements / seconds / baseRate);
    return 0;
}
