// shift-bench [STATUS_REPORTS [HOLES]]: iterations per second of the shift search
// from a fixed resumed board (the planted solution with HOLES cells emptied by a
// fixed generator) and a fixed seed, with a signature of the run; the rate is the
// median of rounds of runs.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>

#include "bench/bench.hpp"
#include "shift/shift_search.hpp"

using namespace zentara;

namespace {

constexpr RandomState BENCH_SEED = 20261207u;
constexpr RandomState HOLE_SEED = 7u;

Board16 resumedBoard(int holes) {
    Board16 cells = bench::plantedSolution16();
    Random random{HOLE_SEED};
    while (holes > 0) {
        const int cell = static_cast<int>(random.topByte());
        if (cell == 45 || cell == 135 || cell == 210 || cells[cell].empty()) continue;
        cells[cell] = PlacedCell{};
        --holes;
    }
    return cells;
}

}  // namespace

int main(int argc, char** argv) {
    const int answered = zentara::bench::answerBenchCommandLine(
        argc, argv, "shift-bench", "STATUS_REPORTS [HOLES]", 2,
        "Iterations per second of the shift search from the planted solution with HOLES cells\n"
        "emptied, from a fixed seed, with a signature of the run.\n",
        std::array{bench::CountRange{"STATUS_REPORTS", 1, 1'000'000'000}, bench::CountRange{"HOLES", 0, 253}});
    if (answered >= 0) return answered;
    const bool signature = bench::signatureMode(argc, argv);
    const long reports = signature ? 20 : static_cast<long>(bench::countArgument(argc, argv, 1, 500));
    const int holes = signature ? 100 : static_cast<int>(bench::countArgument(argc, argv, 2, 100));
    const Board16 cells = resumedBoard(holes);

    // One run from the resumed board: the search and its console as they end, and
    // the processor seconds of the search (the resume excluded).
    struct ShiftRun {
        std::unique_ptr<shift::ShiftSearch> search = std::make_unique<shift::ShiftSearch>();
        std::ostringstream console;
        int startLevel = 0;
        shift::SearchEnd end{};
        double seconds = 0;
    };
    const auto runShift = [&](ShiftRun& run) {
        // The search writes Result.csv and best files into the current directory.
        const bench::ScratchDirectory scratch("shift-bench");
        shift::setUp(*run.search, BENCH_SEED);
        run.search->limits.reports = reports;
        shift::resumeFromCells(*run.search, cells, "bench", run.console);
        run.startLevel = run.search->level;
        run.seconds = bench::processorSeconds([&] { run.end = shift::runSearch(*run.search, run.console); });
    };
    ShiftRun first;
    runShift(first);
    const shift::ShiftSearch* search = first.search.get();

    const std::string text = first.console.str();
    std::uint32_t consoleHash = 2166136261u;
    for (unsigned char ch : text) consoleHash = (consoleHash ^ ch) * 16777619u;
    const shift::ShiftBoard& best = search->snapshot.board;
    const std::uint32_t bestHash = bench::boardChecksum(best.placement.data(), CELL_COUNT);
    const std::uint32_t listHash = bench::boardChecksum(search->list.record.data(), shift::listLength());

    if (!signature) {
        bench::printTimingRule();
        const double rate = bench::medianRoundsRate("shift", "iterations", 2, [&] {
            ShiftRun run;
            runShift(run);
            return bench::Measured{static_cast<double>(run.search->iterations), run.seconds};
        });
        std::printf("shift: %llu iterations a run, %.2f M iterations/s (resumed level %d, %s)\n",
                    static_cast<unsigned long long>(search->iterations), rate / 1e6, first.startLevel,
                    first.end == shift::SearchEnd::Complete ? "board completed" : "status limit");
        bench::printRoundsRule();
    }
    std::printf("signature: iterations %llu level %d max %d OK %d RE %d best %08x list %08x console %08x\n",
                static_cast<unsigned long long>(search->iterations), search->level, search->maxLevel,
                search->tuning.ok, search->tuning.re, bestHash, listHash, consoleHash);
    return 0;
}
