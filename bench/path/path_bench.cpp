// path-bench [RUN_MILLIONS] [STATUSES]: backtracking steps per second of the
// random-restart solver (one run of RUN_MILLIONS million steps, path 0, seed 1)
// and placements per second of the seeded path solver (STATUSES statuses, path 4,
// seed 1); each engine's rules written as a plain recursive search over the same
// lists (it must reach the same maximum and board), and the exact-match
// baseline, with the median ratios of the engines to each over alternating rounds.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>

#include "bench/baseline.hpp"
#include "bench/bench.hpp"
#include "bench/fresh_units.hpp"
#include "bench/path/path_baseline.hpp"
#include "core/huge_pages.hpp"
#include "path/path_solver.hpp"
#include "path/random_solver.hpp"

namespace {

using namespace zentara;
using namespace zentara::path;

// FNV-1a over the oriented pieces of the placed cells (empty cells as 0xFFFF).
std::uint32_t placedChecksum(const PathCells& cells, const CandidateLists& lists) {
    std::array<std::uint16_t, CELL_COUNT> values;
    for (int c = 0; c < CELL_COUNT; ++c)
        values[c] = cells.placement[c] == NO_PLACEMENT ? 0xFFFF : lists.pool[cells.placement[c]];
    return bench::boardChecksum(values.data(), CELL_COUNT);
}

// What a run ends with, for the signature and the same-tree checks.
struct RunOutcome {
    std::uint64_t work = 0;  // backtracking steps or placements
    int level = 0;
    std::uint32_t checksum = 0;
};

constexpr RandomState SEED = 1;
constexpr int RANDOM_PATH = 0;

// One run of the random-restart solver; the measured part is the search.
bench::Measured randomRun(std::uint32_t budget, RunOutcome& outcome) {
    auto solver = makeOnHugePages<RandomSolver>();
    solver->limits.runBudget = budget;
    setUpRandomSolver(*solver, RANDOM_PATH, SEED);
    const double start = bench::cpuSeconds();
    runRandomSearch(*solver);
    const double seconds = bench::cpuSeconds() - start;
    outcome = {solver->backtrackSteps, solver->runLevel, placedChecksum(solver->cells, solver->lists)};
    return {static_cast<double>(solver->backtrackSteps), seconds};
}

// Its rules as the plain search, on the same lists and path; `placements` are
// the run's, which the engine does not count.
bench::Measured randomSameRun(std::uint32_t budget, RunOutcome& outcome, std::uint64_t& placements) {
    auto solver = makeOnHugePages<RandomSolver>();
    setUpRandomSolver(*solver, RANDOM_PATH, SEED);
    const double start = bench::cpuSeconds();
    const bench::PathBaselineResult same =
        bench::runRandomBaseline(solver->lists, solver->cells, budget, orOwn(solver->limits.bestLevel, RANDOM_BOARD_LEVEL));
    const double seconds = bench::cpuSeconds() - start;
    outcome = {same.backtrackSteps, same.maxLevel, same.checksum};
    placements = same.placements;
    return {static_cast<double>(same.backtrackSteps), seconds};
}

PathSolverSettings pathSettings() {
    PathSolverSettings settings = PATH_SOLVER_SETTINGS;
    settings.RandomSeed = SEED;
    return settings;
}

// One run of the seeded path solver until `statuses` statuses; the measured part is the search.
bench::Measured pathRun(long statuses, RunOutcome& outcome) {
    auto solver = makeOnHugePages<PathSolver>();
    std::ostringstream sink;
    startPathSolver(*solver, pathSettings(), SEED, sink);
    solver->limits.reports = statuses;
    beginPathRun(*solver);
    const double start = bench::cpuSeconds();
    searchPath(*solver, sink);
    const double seconds = bench::cpuSeconds() - start;
    outcome = {solver->placements, solver->maxLevel, placedChecksum(solver->cells, solver->lists)};
    return {static_cast<double>(solver->placements), seconds};
}

// The start keys of `runs` runs with automatic reset (the low bits of the run
// seed: all that the build of a run's lists reads), and the first run drawn
// fresh (its index), or `runs`. A build takes 3 ms: the keys stand for the lists.
struct RunSeries {
    std::vector<std::uint64_t> keys;
    std::size_t freshFrom;
};

RunSeries runSeries(RandomState seed, int runs) {
    auto solver = makeOnHugePages<PathSolver>();
    std::ostringstream sink;
    PathSolverSettings settings = pathSettings();
    settings.RandomSeed = seed;
    settings.AutoReset = 1;
    startPathSolver(*solver, settings, seed, sink);
    RunSeries series;
    for (int run = 0; run < runs; ++run) {
        beginPathRun(*solver);
        series.keys.push_back(solver->runSeed & solver->freshStarts.keyMask);
    }
    const std::uint64_t freshFrom = solver->freshStarts.freshFrom;
    series.freshFrom = freshFrom == 0 ? series.keys.size() : static_cast<std::size_t>(freshFrom - 1);
    return series;
}

// Up to its first repeat the engine's series is the plain one, which then goes
// round its loop for ever: the plain draws have as many distinct runs.
void printRunFreshness() {
    constexpr int RUNS = 12'000;
    constexpr RandomState OTHER_SEED = SEED + 1;
    const RunSeries engine = runSeries(SEED, RUNS);
    const auto now = bench::measureFreshness(engine.keys, runSeries(OTHER_SEED, RUNS).keys, engine.freshFrom);
    const bench::UnitFreshness plain{static_cast<std::size_t>(RUNS), engine.freshFrom, bench::NOT_MEASURED, 0};
    bench::printFreshness("path-solver", "runs with automatic reset", SEED, OTHER_SEED, now, plain);
}

bench::Measured pathSameRun(long statuses, RunOutcome& outcome) {
    auto solver = makeOnHugePages<PathSolver>();
    std::ostringstream sink;
    startPathSolver(*solver, pathSettings(), SEED, sink);
    beginPathRun(*solver);
    const double start = bench::cpuSeconds();
    const bench::PathBaselineResult same =
        bench::runPathBaseline(solver->lists, solver->cells, statuses, orOwn(solver->limits.bestLevel, PATH_BEST_LEVEL));
    const double seconds = bench::cpuSeconds() - start;
    outcome = {same.placements, same.maxLevel, same.checksum};
    return {static_cast<double>(same.placements), seconds};
}

bool sameOutcome(const RunOutcome& a, const RunOutcome& b) {
    return a.work == b.work && a.level == b.level && a.checksum == b.checksum;
}

}  // namespace

int main(int argc, char** argv) {
    const int answered = zentara::bench::answerBenchCommandLine(
        argc, argv, "path-bench", "RUN_MILLIONS [STATUSES]", 2,
        "Steps per second of random-solver and placements per second of path-solver from a fixed\n"
        "seed on a fixed path, beside plain searches over the same lists, with signatures.\n");
    if (answered >= 0) return answered;
    const bool signature = bench::signatureMode(argc, argv);
    const std::uint32_t runMillions = signature ? 2
                                      : argc > 1 ? static_cast<std::uint32_t>(std::strtoul(argv[1], nullptr, 10))
                                                 : 20;
    const long statuses = signature ? 1 : argc > 2 ? std::strtol(argv[2], nullptr, 10) : 5;
    if (!signature) bench::printTimingRule();

    // Board files go to a scratch directory that is removed afterwards.
    const bench::ScratchDirectory scratch("path-bench");

    // One run of each, checked: the signatures, and each plain search on its engine's tree.
    const std::uint32_t budget = runMillions * 1000000u;
    RunOutcome random, randomSame, path, pathSame;
    std::uint64_t randomPlacements = 0;
    randomRun(budget, random);
    randomSameRun(budget, randomSame, randomPlacements);
    pathRun(statuses, path);
    pathSameRun(statuses, pathSame);
    const bool randomSameTree = sameOutcome(random, randomSame);
    const bool pathSameTree = sameOutcome(path, pathSame);
    std::printf("random-solver signature: steps %llu level %d checksum %08x\n",
                static_cast<unsigned long long>(random.work), random.level, random.checksum);
    std::printf("path-solver signature: placements %llu max level %d checksum %08x\n",
                static_cast<unsigned long long>(path.work), path.level, path.checksum);
    if (signature) {
        std::printf("same-rules baseline: %s\n", randomSameTree && pathSameTree ? "same tree" : "TREE DIFFERS");
        return 0;
    }
    std::printf("same-rules baselines: random-solver %s, path-solver %s\n", randomSameTree ? "same tree" : "TREE DIFFERS",
                pathSameTree ? "same tree" : "TREE DIFFERS");

    // Rounds: each part in turn, each for at least MIN_PART_SECONDS.
    RunOutcome ignored;
    std::uint64_t ignoredPlacements = 0;
    const auto [randomRates, randomSameRates, pathRates, pathSameRates, baseRates] = bench::alternateRounds(
        [](int round, const std::array<bench::Measured, 5>& m) {
            std::printf("round %d (M per processor second): random-solver %.1f steps, same-rules %.1f steps; "
                        "path-solver %.1f placements, same-rules %.1f; baseline %.1f placements\n",
                        round, m[0].rate() / 1e6, m[1].rate() / 1e6, m[2].rate() / 1e6, m[3].rate() / 1e6,
                        m[4].rate() / 1e6);
        },
        [&] { return randomRun(budget, ignored); },
        [&] { return randomSameRun(budget, ignored, ignoredPlacements); },
        [&] { return pathRun(statuses, ignored); }, [&] { return pathSameRun(statuses, ignored); },
        [&] {
            const bench::BaselineResult base = bench::runBaseline(path.work, SEED);
            return bench::Measured{static_cast<double>(base.placements), base.seconds};
        });
    // The engine counts no placements; its run makes those of the plain search.
    bench::RoundRates randomPlacementRates;
    for (const double rate : randomRates.rates)
        randomPlacementRates.rates.push_back(rate / static_cast<double>(random.work) * static_cast<double>(randomPlacements));
    std::printf("random-solver: %.1f M backtracking steps/s, %.1f M placements/s; random-solver/same-rules %.2f; "
                "random-solver/baseline %.2f\n",
                randomRates.median() / 1e6, randomPlacementRates.median() / 1e6,
                bench::medianRatio(randomRates, randomSameRates), bench::medianRatio(randomPlacementRates, baseRates));
    std::printf("path-solver: %.1f M placements/s; path-solver/same-rules %.2f; path-solver/baseline %.2f\n",
                pathRates.median() / 1e6, bench::medianRatio(pathRates, pathSameRates),
                bench::medianRatio(pathRates, baseRates));
    printRunFreshness();
    bench::printRoundsRule();
    return 0;
}
