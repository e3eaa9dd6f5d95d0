// frequency-bench [REPORTS] [RANDOM_BOARDS]: start-up (load, normalise, hash tables)
// and placements per second of the frequency search, on a Stat.bin made from the
// planted 16 x 16 solution's seams plus those of seeded random boards, with a
// fixed seed, and a signature of the run. The plain baseline runs the same number
// of placements for comparison.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>

#include "bench/baseline.hpp"
#include "bench/bench.hpp"
#include "core/stat_builder.hpp"
#include "frequency/frequency_solver.hpp"
#include "frequency/hash_tables.hpp"
#include "frequency/statistics.hpp"

using namespace zentara;
using namespace zentara::frequency;

namespace {

constexpr RandomState BOARDS_SEED = 20261207;
constexpr RandomState SEARCH_SEED = 1234567;

// Writes Stat.bin from the planted seams and `randomBoards` random boards, then loads
// and builds the tables from it; returns the seconds the program's start-up takes.
double startUp(FrequencyEngine& engine, int randomBoards, bool& ok) {
    plantedWithRandomBoards(bench::plantedSolution16(), 20, randomBoards, BOARDS_SEED).writeStatBin();
    std::ostringstream console;
    const double start = bench::cpuSeconds();
    Random random{SEARCH_SEED};
    ok = loadCheckedStatistics(engine.tables, console);
    normaliseStatistics(engine.tables);
    ok = ok && buildHashTables(engine.tables, random, console) && resetBoard(engine.tables, engine.search, console);
    return bench::cpuSeconds() - start;
}

}  // namespace

int main(int argc, char** argv) {
    const int answered = zentara::bench::answerBenchCommandLine(
        argc, argv, "frequency-bench", "REPORTS [RANDOM_BOARDS]", 2,
        "Start-up and placements per second of the frequency search on statistics made from the\n"
        "planted solution and RANDOM_BOARDS seeded random boards, with a signature of the run.\n");
    if (answered >= 0) return answered;
    const bool signature = bench::signatureMode(argc, argv);
    const int reports = signature ? 1 : argc > 1 ? std::atoi(argv[1]) : 10;
    const int randomBoards = signature ? 6 : argc > 2 ? std::atoi(argv[2]) : 6;
    const int richBoards = 150;

    // The benchmark works in its own directory so that it never touches a user's Stat.bin.
    const bench::ScratchDirectory scratch("frequency-bench");
    auto engine = std::make_unique<FrequencyEngine>();
    bool ok = false;

    // Start-up on a well-filled Stat.bin, where the pair tables are the main cost.
    const double richSeconds = startUp(*engine, richBoards, ok);
    if (!ok) return 1;
    const long long richSlots = engine->tables.slotsTaken;

    // The search, on statistics sparse enough that the planted board lies deep in the tree.
    const double startUpSeconds = startUp(*engine, randomBoards, ok);
    if (!ok) return 1;
    std::ostringstream console;
    const double searchStart = bench::cpuSeconds();
    const SearchEnd end = runSearch(engine->tables, engine->search, console, reports);
    const double searchSeconds = bench::cpuSeconds() - searchStart;
    const SearchState& s = engine->search;

    std::uint16_t board[CELL_COUNT];
    for (int cell = 0; cell < CELL_COUNT; ++cell)
        board[cell] = s.board[cell] == NO_ENTRY
                          ? 0xFFFF
                          : static_cast<std::uint16_t>(entryNumber(engine->tables.pool[s.board[cell]]));

    if (!signature) {
        bench::printTimingRule();
        const auto baseline = bench::runBaseline(static_cast<std::uint64_t>(s.placements), 1);
        std::printf("frequency: start-up %.3f s (pool %lld slots, %d random boards); %.3f s (pool %lld slots, %d random boards)\n",
                    richSeconds, richSlots, richBoards, startUpSeconds,
                    static_cast<long long>(engine->tables.slotsTaken), randomBoards);
        std::printf("frequency: %lld placements in %.2f s, %.1f M placements/s\n", static_cast<long long>(s.placements),
                    searchSeconds, s.placements / searchSeconds / 1e6);
        std::printf("baseline:  %llu placements in %.2f s, %.1f M placements/s (ratio %.2f)\n",
                    static_cast<unsigned long long>(baseline.placements), baseline.seconds,
                    baseline.placements / baseline.seconds / 1e6,
                    (s.placements / searchSeconds) / (baseline.placements / baseline.seconds));
    }
    std::printf("signature: end %d placements %lld level %d best %d board %08x pools %lld %lld hint %u\n",
                static_cast<int>(end), static_cast<long long>(s.placements), s.level, s.bestLevel,
                bench::boardChecksum(board, CELL_COUNT), richSlots, static_cast<long long>(engine->tables.slotsTaken),
                engine->tables.hintEntry);
    return 0;
}
