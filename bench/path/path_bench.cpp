// path-bench [RUN_MILLIONS] [STATUSES]: backtracking steps per second of the
// random-restart solver and placements per second of the seeded path solver,
// both with a fixed seed on a fixed path; the seeded solver's rules written as a
// plain recursive search over the same lists (it must reach the same maximum and
// board), and the exact-match baseline, with the ratio of the engine to each.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>

#include "bench/baseline.hpp"
#include "bench/bench.hpp"
#include "bench/path/path_baseline.hpp"
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

    // Random-restart solver: one run of the given budget, path 0, seed 1.
    auto randomSolver = std::make_unique<RandomSolver>();
    randomSolver->limits.runBudget = runMillions * 1000000u;
    double start = bench::cpuSeconds();
    setUpRandomSolver(*randomSolver, 0, 1);
    const double buildSeconds = bench::cpuSeconds() - start;
    std::ostringstream sink;
    start = bench::cpuSeconds();
    runRandomSearch(*randomSolver);
    const double randomSeconds = bench::cpuSeconds() - start;
    if (!signature)
        std::printf("random-solver: lists built in %.3f s; %llu backtracking steps in %.2f s, %.1f M steps/s\n",
                    buildSeconds, static_cast<unsigned long long>(randomSolver->backtrackSteps), randomSeconds,
                    randomSolver->backtrackSteps / randomSeconds / 1e6);
    std::printf("random-solver signature: steps %llu level %d checksum %08x\n",
                static_cast<unsigned long long>(randomSolver->backtrackSteps), randomSolver->runLevel,
                placedChecksum(randomSolver->cells, randomSolver->lists));

    // Seeded path solver: compiled-in settings with seed 1, path 4.
    auto pathSolver = std::make_unique<PathSolver>();
    PathSolverSettings settings = PATH_SOLVER_SETTINGS;
    settings.RandomSeed = 1;
    startPathSolver(*pathSolver, settings, 1, sink);
    pathSolver->limits.reports = statuses;
    beginPathRun(*pathSolver);
    start = bench::cpuSeconds();
    searchPath(*pathSolver, sink);
    const double pathSeconds = bench::cpuSeconds() - start;
    const std::uint32_t checksum = placedChecksum(pathSolver->cells, pathSolver->lists);
    if (!signature)
        std::printf("path-solver: %llu placements in %.2f s, %.1f M placements/s\n",
                    static_cast<unsigned long long>(pathSolver->placements), pathSeconds,
                    pathSolver->placements / pathSeconds / 1e6);
    std::printf("path-solver signature: placements %llu max level %d checksum %08x\n",
                static_cast<unsigned long long>(pathSolver->placements), pathSolver->maxLevel, checksum);

    // The same rules, recursive, on the same lists built again from the same seed.
    auto sameSolver = std::make_unique<PathSolver>();
    startPathSolver(*sameSolver, settings, 1, sink);
    beginPathRun(*sameSolver);
    start = bench::cpuSeconds();
    const bench::PathBaselineResult same =
        bench::runPathBaseline(sameSolver->lists, sameSolver->cells, statuses, orOwn(pathSolver->limits.bestLevel, PATH_BEST_LEVEL));
    const double sameSeconds = bench::cpuSeconds() - start;
    const bool sameTree = same.placements == pathSolver->placements && same.maxLevel == pathSolver->maxLevel &&
                          same.checksum == checksum;
    if (signature) {
        std::printf("same-rules baseline: %s\n", sameTree ? "same tree" : "TREE DIFFERS");
        return 0;
    }
    std::printf("same-rules baseline: %llu placements in %.2f s, %.1f M placements/s (%s); path-solver/same-rules %.2f\n",
                static_cast<unsigned long long>(same.placements), sameSeconds, same.placements / sameSeconds / 1e6,
                sameTree ? "same tree" : "TREE DIFFERS",
                (pathSolver->placements / pathSeconds) / (same.placements / sameSeconds));

    const bench::BaselineResult base = bench::runBaseline(pathSolver->placements, 1);
    std::printf("baseline: %llu placements in %.2f s, %.1f M placements/s; path-solver/baseline %.2f\n",
                static_cast<unsigned long long>(base.placements), base.seconds, base.placements / base.seconds / 1e6,
                (pathSolver->placements / pathSeconds) / (base.placements / base.seconds));
    return 0;
}
