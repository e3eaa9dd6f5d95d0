// frequency-bench [REPORTS] [RANDOM_BOARDS]: start-up (load, normalise, hash tables)
// and placements per second of the frequency search, on a Stat.bin made from the
// planted 16 x 16 solution's seams plus those of seeded random boards, with a
// fixed seed, and a signature of the run. The plain baseline runs the same number
// of placements for comparison; start-ups, search and baseline alternate in rounds
// and the figures are their medians.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>

#include "bench/baseline.hpp"
#include "bench/bench.hpp"
#include "core/stat_builder.hpp"
#include "frequency/frequency_solver.hpp"
#include "frequency/hash_tables.hpp"
#include "frequency/statistics.hpp"

using namespace zentara;
using namespace zentara::frequency;

namespace {

namespace fs = std::filesystem;

constexpr RandomState BOARDS_SEED = 20261207;
constexpr RandomState SEARCH_SEED = 1234567;

// Writes Stat.bin into `dir` from the planted seams and `randomBoards` random boards.
void writeStatistics(const fs::path& dir, int randomBoards) {
    fs::create_directory(dir);
    fs::current_path(dir);
    plantedWithRandomBoards(bench::plantedSolution16(), 20, randomBoards, BOARDS_SEED).writeStatBin();
    fs::current_path(dir.parent_path());
}

// Loads the Stat.bin in `dir` and builds the tables from it, as the program starts
// up; the processor seconds that takes.
double startUp(FrequencyEngine& engine, const fs::path& dir, bool& ok) {
    fs::current_path(dir);
    std::ostringstream console;
    const double seconds = bench::processorSeconds([&] {
        Random random{SEARCH_SEED};
        ok = loadCheckedStatistics(engine.tables, console);
        normaliseStatistics(engine.tables);
        ok = ok && buildHashTables(engine.tables, random, console) && resetBoard(engine.tables, engine.search, console);
    });
    fs::current_path(dir.parent_path());
    return seconds;
}

}  // namespace

int main(int argc, char** argv) {
    const int answered = zentara::bench::answerBenchCommandLine(
        argc, argv, "frequency-bench", "REPORTS [RANDOM_BOARDS]", 2,
        "Start-up and placements per second of the frequency search on statistics made from the\n"
        "planted solution and RANDOM_BOARDS seeded random boards, with a signature of the run.\n",
        std::array{bench::CountRange{"REPORTS", 1, 1'000'000}, bench::CountRange{"RANDOM_BOARDS", 0, 10'000}});
    if (answered >= 0) return answered;
    const bool signature = bench::signatureMode(argc, argv);
    const int reports = signature ? 1 : static_cast<int>(bench::countArgument(argc, argv, 1, 10));
    const int randomBoards = signature ? 6 : static_cast<int>(bench::countArgument(argc, argv, 2, 6));
    const int richBoards = 150;

    // The benchmark works in its own directory so that it never touches a user's Stat.bin.
    const bench::ScratchDirectory scratch("frequency-bench");
    const fs::path rich = fs::current_path() / "rich", sparse = fs::current_path() / "sparse";
    writeStatistics(rich, richBoards);
    writeStatistics(sparse, randomBoards);
    auto engine = std::make_unique<FrequencyEngine>();
    bool ok = false;

    // Start-up on a well-filled Stat.bin, where the pair tables are the main cost.
    startUp(*engine, rich, ok);
    if (!ok) return 1;
    const long long richSlots = engine->tables.slotsTaken;

    // The search, on statistics sparse enough that the planted board lies deep in the tree.
    startUp(*engine, sparse, ok);
    if (!ok) return 1;
    const long long sparseSlots = engine->tables.slotsTaken;
    std::ostringstream console;
    const SearchEnd end = runSearch(engine->tables, engine->search, console, reports);
    const SearchState& s = engine->search;
    const long long placements = s.placements;

    std::uint16_t board[CELL_COUNT];
    for (int cell = 0; cell < CELL_COUNT; ++cell)
        board[cell] = s.board[cell] == NO_ENTRY
                          ? 0xFFFF
                          : static_cast<std::uint16_t>(entryNumber(engine->tables.pool[s.board[cell]]));
    const std::string signatureLine = [&] {
        char line[200];
        std::snprintf(line, sizeof line, "signature: end %d placements %lld level %d best %d board %08x pools %lld %lld hint %u\n",
                      static_cast<int>(end), placements, s.level, s.bestLevel, bench::boardChecksum(board, CELL_COUNT),
                      richSlots, sparseSlots, engine->tables.hintEntry);
        return std::string(line);
    }();
    if (signature) {
        std::fputs(signatureLine.c_str(), stdout);
        return 0;
    }

    // Rounds: the two start-ups, the search (its start-up untimed) and the baseline in turn.
    bench::printTimingRule();
    const auto startUpPart = [&](const fs::path& dir) {
        return [&engine, &ok, dir] { return bench::Measured{1, startUp(*engine, dir, ok)}; };
    };
    const auto [richRates, sparseRates, searchRates, baseRates] = bench::alternateRounds(
        [](int round, const std::array<bench::Measured, 4>& m) {
            std::printf("round %d: start-up %.3f s and %.3f s; frequency %.1f M placements/s, baseline %.1f M placements/s\n",
                        round, 1 / m[0].rate(), 1 / m[1].rate(), m[2].rate() / 1e6, m[3].rate() / 1e6);
        },
        startUpPart(rich), startUpPart(sparse),
        [&] {
            startUp(*engine, sparse, ok);
            const double seconds =
                bench::processorSeconds([&] { runSearch(engine->tables, engine->search, console, reports); });
            return bench::Measured{static_cast<double>(engine->search.placements), seconds};
        },
        [&] {
            const auto run = bench::runBaseline(static_cast<std::uint64_t>(placements), 1);
            return bench::Measured{static_cast<double>(run.placements), run.seconds};
        });
    if (!ok) return 1;
    std::printf("frequency: start-up %.3f s (pool %lld slots, %d random boards); %.3f s (pool %lld slots, %d random boards)\n",
                1 / richRates.median(), richSlots, richBoards, 1 / sparseRates.median(), sparseSlots, randomBoards);
    std::printf("frequency: %lld placements a run, %.1f M placements/s\n", placements, searchRates.median() / 1e6);
    std::printf("baseline:  %lld placements a run, %.1f M placements/s (ratio %.2f)\n", placements,
                baseRates.median() / 1e6, bench::medianRatio(searchRates, baseRates));
    bench::printRoundsRule();
    std::fputs(signatureLine.c_str(), stdout);
    return 0;
}
