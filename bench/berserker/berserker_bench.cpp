// berserker-bench [REPORTS]: the berserker step loop from a fixed seed on a fixed
// resumed board (the planted solution cut down to its top six rows), run for a
// fixed number of status reports (a million steps each). Prints steps per second,
// the median of rounds of runs, and a signature that must be the same on every build.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>

#include "bench/bench.hpp"
#include "berserker/berserker.hpp"

namespace {

constexpr zentara::RandomState BENCH_SEED = 20261207u;
constexpr int KEPT_CELLS = 6 * 16;

}  // namespace

int main(int argc, char** argv) {
    using namespace zentara;
    const int answered = zentara::bench::answerBenchCommandLine(
        argc, argv, "berserker-bench", "REPORTS", 1,
        "The berserker step loop from a fixed seed on a fixed resumed board, for REPORTS status\n"
        "reports of a million steps each: steps per second and a signature of the run.\n",
        std::array{bench::CountRange{"REPORTS", 1, 1'000'000'000}});
    if (answered >= 0) return answered;
    const bool signature = bench::signatureMode(argc, argv);
    const long reports = signature ? 3 : static_cast<long>(bench::countArgument(argc, argv, 1, 60));

    // The planted solution cut down to its top rows: the search regrows the rest.
    Board16 cells = bench::plantedSolution16();
    for (int cell = KEPT_CELLS; cell < CELL_COUNT; ++cell) cells[cell] = PlacedCell{};

    // One run from the resumed board; the processor seconds of its search (the resume excluded).
    struct BerserkerRun {
        std::unique_ptr<berserker::Berserker> engine = std::make_unique<berserker::Berserker>();
        int resumed = 0;
        berserker::SearchEnd end{};
        double seconds = 0;
    };
    const auto runBerserker = [&](BerserkerRun& run) {
        // The engine writes its board files into the current directory: use a scratch one.
        const bench::ScratchDirectory scratch("berserker-bench");
        berserker::setUp(*run.engine, BENCH_SEED);
        run.resumed = berserker::resumeFromCells(*run.engine, cells);
        std::ostringstream console;
        run.seconds = bench::processorSeconds([&] {
            run.end = berserker::runSearch(*run.engine, console, RunLimits{.seed = std::nullopt, .reports = reports});
        });
    };
    BerserkerRun first;
    runBerserker(first);
    const berserker::Berserker* engine = first.engine.get();
    const std::uint64_t steps = berserker::stepsTaken(*engine);

    Board16 saved;
    berserker::boardCells(*engine, engine->saved, saved);
    if (!signature) {
        bench::printTimingRule();
        const double rate = bench::medianRoundsRate("berserker", "steps", 1, [&] {
            BerserkerRun run;
            runBerserker(run);
            return bench::Measured{static_cast<double>(berserker::stepsTaken(*run.engine)), run.seconds};
        });
        std::printf("berserker: %llu steps a run, %.1f M steps/s (resumed %d pieces, %s)\n",
                    static_cast<unsigned long long>(steps), rate / 1e6, first.resumed,
                    first.end == berserker::SearchEnd::Complete ? "board complete" : "stopped");
        bench::printRoundsRule();
    }
    std::printf("signature: steps %llu level %d saved %d best %d big resets %d fall-backs %dK random %08x board %08x\n",
                static_cast<unsigned long long>(steps), engine->board.level, engine->saved.level,
                engine->bestLevel, engine->bigResets, engine->fallBackThousands, engine->random,
                bench::boardChecksum(saved));
    return 0;
}
