// score-bench [TESTS]: the score solver's search with a fixed seed for a fixed
// number of tests (whole report periods); then the same rules written as a plain
// recursive search over the same lists (it must reach the same bests and the same
// last period-best board), and the exact-match baseline on the same pieces for
// the same number of placements; the ratio of the engine's speed to each.
// Runs in a fresh temporary directory so the files of the run land nowhere else.
// Speeds are per second of processor time.
#include <unistd.h>

#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>

#include "bench/baseline.hpp"
#include "bench/score/score_baseline.hpp"
#include "score/score_solver.hpp"

namespace {

constexpr zentara::RandomState BENCH_SEED = 20261207u;

// Processor time of this process: the machine is shared, and wall time would
// measure the other programs as much as this one.
double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace zentara;
    const std::uint64_t requested = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 300'000'000ull;
    const int reports = static_cast<int>(std::max<std::uint64_t>(1, requested / score::TESTS_PER_REPORT));
    const std::uint64_t tests = static_cast<std::uint64_t>(reports) * score::TESTS_PER_REPORT;

    const auto previous = std::filesystem::current_path();
    std::string dir = (std::filesystem::temp_directory_path() / "score-bench-XXXXXX").string();
    if (!mkdtemp(dir.data())) return 1;
    std::filesystem::current_path(dir);

    auto solver = std::make_unique<score::ScoreSolver>();
    std::ostringstream console;
    score::ScoreRunOptions options;
    options.out = &console;
    options.seed = BENCH_SEED;
    options.reportLimit = reports;
    const double start = cpuSeconds();
    score::runScoreSolver(*solver, options);
    const double seconds = cpuSeconds() - start;

    std::filesystem::current_path(previous);
    std::filesystem::remove_all(dir);

    const std::uint64_t placements = tests - solver->cellsLeftEmpty;
    const Board16& cells = solver->reportedBoard;
    std::uint16_t values[CELL_COUNT];
    for (int c = 0; c < CELL_COUNT; ++c)
        values[c] = cells[c].empty() ? 0xFFFF : static_cast<std::uint16_t>(orientedNumber(cells[c].piece, cells[c].rotation));
    std::printf("score: %llu tests in %.2f s, %.1f M tests/s, %.1f M placements/s\n",
                static_cast<unsigned long long>(tests), seconds, tests / seconds / 1e6, placements / seconds / 1e6);
    std::printf("signature: best %d/%d, period-best checksum %08x, placements %llu\n", solver->bestLevel,
                solver->bestScore, bench::boardChecksum(values, CELL_COUNT),
                static_cast<unsigned long long>(placements));

    const double sameStart = cpuSeconds();
    const auto same = bench::runScoreBaseline(BENCH_SEED, reports, score::TESTS_PER_REPORT);
    const double sameSeconds = cpuSeconds() - sameStart;
    const bool sameTree = same.bestLevel == solver->bestLevel && same.bestScore == solver->bestScore &&
                          same.placements == placements &&
                          same.periodBestChecksum == bench::boardChecksum(values, CELL_COUNT);
    std::printf("same-rules baseline: %llu tests in %.2f s, %.1f M tests/s (%s)\n",
                static_cast<unsigned long long>(same.tests), sameSeconds, same.tests / sameSeconds / 1e6,
                sameTree ? "same tree" : "TREE DIFFERS");
    std::printf("ratio: %.2fx the same-rules baseline's tests per second\n",
                (tests / seconds) / (same.tests / sameSeconds));

    const double baseStart = cpuSeconds();
    const auto base = bench::runBaseline(placements, BENCH_SEED);
    const double baseRate = base.placements / (cpuSeconds() - baseStart);
    std::printf("baseline: %llu placements, %.1f M placements/s (depth %d, checksum %08x)\n",
                static_cast<unsigned long long>(base.placements), baseRate / 1e6, base.bestDepth, base.bestChecksum);
    std::printf("ratio: %.2fx the exact-match baseline's placements per second\n", placements / seconds / baseRate);
    return 0;
}
