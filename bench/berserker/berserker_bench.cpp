// berserker-bench [REPORTS]: the berserker step loop from a fixed seed on a fixed
// resumed board (the planted solution cut down to its top six rows), run for a
// fixed number of status reports (a million steps each). Prints steps per second
// and a signature that must be the same on every build.
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
        "reports of a million steps each: steps per second and a signature of the run.\n");
    if (answered >= 0) return answered;
    const bool signature = bench::signatureMode(argc, argv);
    const long reports = signature ? 3 : argc > 1 ? std::atol(argv[1]) : 60;

    // The planted solution cut down to its top rows: the search regrows the rest.
    Board16 cells = bench::plantedSolution16();
    for (int cell = KEPT_CELLS; cell < CELL_COUNT; ++cell) cells[cell] = PlacedCell{};

    auto engine = std::make_unique<berserker::Berserker>();
    double seconds = 0;
    int resumed = 0;
    berserker::SearchEnd end{};
    {
        // The engine writes its board files into the current directory: use a scratch one.
        const bench::ScratchDirectory scratch("berserker-bench");
        berserker::setUp(*engine, BENCH_SEED);
        resumed = berserker::resumeFromCells(*engine, cells);
        std::ostringstream console;
        const double start = bench::cpuSeconds();
        end = berserker::runSearch(*engine, console, RunLimits{.seed = std::nullopt, .reports = reports});
        seconds = bench::cpuSeconds() - start;
    }
    const std::uint64_t steps = berserker::stepsTaken(*engine);

    Board16 saved;
    berserker::boardCells(*engine, engine->saved, saved);
    if (!signature) {
        bench::printTimingRule();
        std::printf("berserker: %llu steps in %.2f s, %.1f M steps/s (resumed %d pieces, %s)\n",
                    static_cast<unsigned long long>(steps), seconds, steps / seconds / 1e6, resumed,
                    end == berserker::SearchEnd::Complete ? "board complete" : "stopped");
    }
    std::printf("signature: steps %llu level %d saved %d best %d big resets %d fall-backs %dK random %08x board %08x\n",
                static_cast<unsigned long long>(steps), engine->board.level, engine->saved.level,
                engine->bestLevel, engine->bigResets, engine->fallBackThousands, engine->random,
                bench::boardChecksum(saved));
    return 0;
}
