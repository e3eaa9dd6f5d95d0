// score-bench [TESTS]: the score solver's search with a fixed seed for a fixed
// number of tests (whole report periods); then the same rules written as a plain
// recursive search over the same lists (it must reach the same bests and the same
// last period-best board), and the exact-match baseline on the same pieces for
// the same number of placements; the ratio of the engine's speed to each, the
// median of alternating rounds.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>

#include "bench/baseline.hpp"
#include "bench/bench.hpp"
#include "bench/fresh_units.hpp"
#include "bench/score/score_baseline.hpp"
#include "score/score_solver.hpp"

namespace {

using namespace zentara;

constexpr RandomState BENCH_SEED = 20261207u;

// What one run of the engine ends with.
struct ScoreRun {
    std::uint64_t placements = 0;
    int bestLevel = 0;
    int bestScore = 0;
    std::uint32_t checksum = 0;  // the last period-best board
    double seconds = 0;
};

ScoreRun runScore(int reports, std::uint64_t tests) {
    auto solver = std::make_unique<score::ScoreSolver>();
    ScoreRun run;
    {
        // The engine writes its record boards and Stat.bin; keep them out of the caller's directory.
        const bench::ScratchDirectory scratch("score-bench");
        std::ostringstream console;
        const RunLimits limits{.seed = BENCH_SEED, .reports = reports};
        run.seconds = bench::processorSeconds([&] { score::runScoreSolver(*solver, console, limits); });
    }
    run.placements = tests - solver->cellsLeftEmpty;
    run.bestLevel = solver->bestLevel;
    run.bestScore = solver->bestScore;
    run.checksum = bench::boardChecksum(solver->reportedBoard);
    return run;
}

// The list orders of a run's first `rebuilds` periods: as the engine rebuilds
// them, or as the plain generator alone would; `freshFrom`, the first period
// drawn fresh (its index), or `rebuilds`.
struct RebuildSeries {
    std::vector<std::uint64_t> orders;
    std::size_t freshFrom;
};

RebuildSeries rebuildSeries(RandomState seed, int rebuilds, bool plain) {
    auto s = std::make_unique<score::ScoreSolver>();
    score::buildFirstLists(*s, seed);
    std::vector<std::uint64_t> series{score::listOrdersHash(s->tables)};
    while (static_cast<int>(series.size()) < rebuilds) {
        if (plain)
            score::buildCandidateTables(s->tables, s->random);
        else
            score::rebuildLists(*s);
        series.push_back(score::listOrdersHash(s->tables));
    }
    const std::uint64_t freshFrom = s->freshStarts.freshFrom;
    return {series, freshFrom == 0 ? series.size() : static_cast<std::size_t>(freshFrom - 1)};
}

void printRebuildFreshness() {
    constexpr int REBUILDS = 30'000;  // some 70 minutes of resets at 7 a second
    constexpr RandomState OTHER_SEED = BENCH_SEED + 1;
    const RebuildSeries engine = rebuildSeries(BENCH_SEED, REBUILDS, false);
    const RebuildSeries plain = rebuildSeries(BENCH_SEED, REBUILDS, true);
    const auto now = bench::measureFreshness(engine.orders, rebuildSeries(OTHER_SEED, REBUILDS, false).orders,
                                             engine.freshFrom);
    const auto before = bench::measureFreshness(plain.orders, rebuildSeries(OTHER_SEED, REBUILDS, true).orders,
                                                plain.orders.size());
    bench::printFreshness("score", "resets", BENCH_SEED, OTHER_SEED, now, before);
}

}  // namespace

int main(int argc, char** argv) {
    const int answered = zentara::bench::answerBenchCommandLine(
        argc, argv, "score-bench", "TESTS", 1,
        "The score solver's search from a fixed seed for TESTS tests, beside the same rules as a\n"
        "plain recursive search and the baseline: tests per second and a signature of the run.\n",
        std::array{bench::CountRange{"TESTS", 1, 1'000'000'000'000}});
    if (answered >= 0) return answered;
    const bool signature = bench::signatureMode(argc, argv);
    const std::uint64_t requested = signature ? score::TESTS_PER_REPORT
                                               : static_cast<std::uint64_t>(bench::countArgument(argc, argv, 1, 300'000'000));
    const int reports = static_cast<int>(std::max<std::uint64_t>(1, requested / score::TESTS_PER_REPORT));
    const std::uint64_t tests = static_cast<std::uint64_t>(reports) * score::TESTS_PER_REPORT;
    if (!signature) bench::printTimingRule();

    // One run of each, checked: the signature, and the plain search on the engine's tree.
    const ScoreRun engine = runScore(reports, tests);
    std::printf("signature: tests %llu best %d/%d, period-best checksum %08x, placements %llu\n",
                static_cast<unsigned long long>(tests), engine.bestLevel, engine.bestScore, engine.checksum,
                static_cast<unsigned long long>(engine.placements));
    const auto same = bench::runScoreBaseline(BENCH_SEED, reports, score::TESTS_PER_REPORT);
    const bool sameTree = same.bestLevel == engine.bestLevel && same.bestScore == engine.bestScore &&
                          same.placements == engine.placements && same.periodBestChecksum == engine.checksum;
    if (signature) {
        std::printf("same-rules baseline: %s\n", sameTree ? "same tree" : "TREE DIFFERS");
        return 0;
    }
    const auto base = bench::runBaseline(engine.placements, BENCH_SEED);

    // Rounds: engine, same-rules search and baseline in turn. Tests are the work of
    // the first two; placements that of the engine against the baseline.
    const double placementsPerTest = static_cast<double>(engine.placements) / static_cast<double>(tests);
    const auto [scoreRates, sameRates, baseRates] = bench::alternateRounds(
        [](int round, const std::array<bench::Measured, 3>& m) {
            std::printf("round %d (M per processor second): score %.1f tests, same-rules %.1f tests; "
                        "baseline %.1f placements\n",
                        round, m[0].rate() / 1e6, m[1].rate() / 1e6, m[2].rate() / 1e6);
        },
        [&] { return bench::Measured{static_cast<double>(tests), runScore(reports, tests).seconds}; },
        [&] {
            std::uint64_t done = 0;
            const double seconds = bench::processorSeconds(
                [&] { done = bench::runScoreBaseline(BENCH_SEED, reports, score::TESTS_PER_REPORT).tests; });
            return bench::Measured{static_cast<double>(done), seconds};
        },
        [&] {
            const bench::BaselineResult run = bench::runBaseline(engine.placements, BENCH_SEED);
            return bench::Measured{static_cast<double>(run.placements), run.seconds};
        });
    std::printf("score: %llu tests a run, %.1f M tests/s, %.1f M placements/s\n", static_cast<unsigned long long>(tests),
                scoreRates.median() / 1e6, scoreRates.median() * placementsPerTest / 1e6);
    std::printf("same-rules baseline: %llu tests a run, %.1f M tests/s (%s)\n", static_cast<unsigned long long>(same.tests),
                sameRates.median() / 1e6, sameTree ? "same tree" : "TREE DIFFERS");
    std::printf("ratio: %.2fx the same-rules baseline's tests per second\n", bench::medianRatio(scoreRates, sameRates));
    std::printf("baseline: %llu placements a run, %.1f M placements/s (depth %d, checksum %08x)\n",
                static_cast<unsigned long long>(base.placements), baseRates.median() / 1e6, base.bestDepth,
                base.bestChecksum);
    // The engine's placements per second are its tests per second times its fixed share of placements.
    bench::RoundRates placementRates;
    for (const double rate : scoreRates.rates) placementRates.rates.push_back(rate * placementsPerTest);
    std::printf("ratio: %.2fx the exact-match baseline's placements per second\n",
                bench::medianRatio(placementRates, baseRates));
    printRebuildFreshness();
    bench::printRoundsRule();
    return 0;
}
