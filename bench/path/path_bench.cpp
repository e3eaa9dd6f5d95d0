// path-bench [RUN_MILLIONS] [STATUSES]: backtracking steps per second of the
// random-restart solver and placements per second of the seeded path solver,
// both with a fixed seed on a fixed path; the seeded solver's rules written as a
// plain recursive search over the same lists (it must reach the same maximum and
// board), and the exact-match baseline, with the ratio of the engine to each.
// Board files go to a temporary directory that is removed afterwards.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>

#include "bench/baseline.hpp"
#include "bench/path/path_baseline.hpp"
#include "path/path_solver.hpp"
#include "path/random_solver.hpp"

namespace {

using namespace zentara;
using namespace zentara::path;

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// FNV-1a over the oriented pieces of the placed cells (empty cells as 0xFFFF).
std::uint32_t placedChecksum(const PathCells& cells, const CandidateLists& lists) {
    std::array<std::uint16_t, CELL_COUNT> values;
    for (int c = 0; c < CELL_COUNT; ++c)
        values[c] = cells.placement[c] == NO_PLACEMENT ? 0xFFFF : lists.pool[cells.placement[c]];
    return bench::boardChecksum(values.data(), CELL_COUNT);
}

}  // namespace

int main(int argc, char** argv) {
    const std::uint32_t runMillions = argc > 1 ? static_cast<std::uint32_t>(std::strtoul(argv[1], nullptr, 10)) : 20;
    const long statuses = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 5;

    const std::filesystem::path previous = std::filesystem::current_path();
    std::string pattern = (std::filesystem::temp_directory_path() / "path-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return 1;
    std::filesystem::current_path(pattern);

    // Random-restart solver: one run of the given budget, path 0, seed 1.
    auto randomSolver = std::make_unique<RandomSolver>();
    randomSolver->options.runBudget = runMillions * 1000000u;
    auto start = std::chrono::steady_clock::now();
    setUpRandomSolver(*randomSolver, 0, 1);
    const double buildSeconds = secondsSince(start);
    std::ostringstream sink;
    start = std::chrono::steady_clock::now();
    runRandomSearch(*randomSolver);
    const double randomSeconds = secondsSince(start);
    std::printf("random-solver: lists built in %.3f s; %llu backtracking steps in %.2f s, %.1f M steps/s\n",
                buildSeconds, static_cast<unsigned long long>(randomSolver->backtrackSteps), randomSeconds,
                randomSolver->backtrackSteps / randomSeconds / 1e6);
    std::printf("random-solver signature: level %d checksum %08x\n", randomSolver->runLevel,
                placedChecksum(randomSolver->cells, randomSolver->lists));

    // Seeded path solver: compiled-in settings with seed 1, path 4.
    auto pathSolver = std::make_unique<PathSolver>();
    PathSolverSettings settings = PATH_SOLVER_SETTINGS;
    settings.RandomSeed = 1;
    startPathSolver(*pathSolver, settings, 1, sink);
    pathSolver->options.statusLimit = statuses;
    beginPathRun(*pathSolver);
    start = std::chrono::steady_clock::now();
    searchPath(*pathSolver, sink);
    const double pathSeconds = secondsSince(start);
    std::printf("path-solver: %llu placements in %.2f s, %.1f M placements/s\n",
                static_cast<unsigned long long>(pathSolver->placements), pathSeconds,
                pathSolver->placements / pathSeconds / 1e6);
    std::printf("path-solver signature: max level %d checksum %08x\n", pathSolver->maxLevel,
                placedChecksum(pathSolver->cells, pathSolver->lists));

    // The same rules, recursive, on the same lists built again from the same seed.
    auto sameSolver = std::make_unique<PathSolver>();
    startPathSolver(*sameSolver, settings, 1, sink);
    beginPathRun(*sameSolver);
    start = std::chrono::steady_clock::now();
    const bench::PathBaselineResult same =
        bench::runPathBaseline(sameSolver->lists, sameSolver->cells, statuses, pathSolver->options.bestLevel);
    const double sameSeconds = secondsSince(start);
    const bool sameTree = same.placements == pathSolver->placements && same.maxLevel == pathSolver->maxLevel &&
                          same.checksum == placedChecksum(pathSolver->cells, pathSolver->lists);
    std::printf("same-rules baseline: %llu placements in %.2f s, %.1f M placements/s (%s); path-solver/same-rules %.2f\n",
                static_cast<unsigned long long>(same.placements), sameSeconds, same.placements / sameSeconds / 1e6,
                sameTree ? "same tree" : "TREE DIFFERS",
                (pathSolver->placements / pathSeconds) / (same.placements / sameSeconds));

    const bench::BaselineResult base = bench::runBaseline(pathSolver->placements, 1);
    std::printf("baseline: %llu placements in %.2f s, %.1f M placements/s; path-solver/baseline %.2f\n",
                static_cast<unsigned long long>(base.placements), base.seconds, base.placements / base.seconds / 1e6,
                (pathSolver->placements / pathSeconds) / (base.placements / base.seconds));

    std::filesystem::current_path(previous);
    std::error_code ignored;
    std::filesystem::remove_all(pattern, ignored);
    return 0;
}
