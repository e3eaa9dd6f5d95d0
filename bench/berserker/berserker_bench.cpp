// berserker-bench [REPORTS]: the berserker step loop from a fixed seed on a fixed
// resumed board (the planted solution cut down to its top six rows), run for a
// fixed number of status reports (a million steps each). Prints steps per second
// and a signature that must be the same on every build.
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>

#include "bench/baseline.hpp"
#include "berserker/berserker.hpp"
#include "core/board_file.hpp"

namespace {

constexpr zentara::RandomState BENCH_SEED = 20261207u;
constexpr int KEPT_CELLS = 6 * 16;

// The planted solution cut down to its top rows: the search regrows the rest.
zentara::Board16 resumedBoard() {
    zentara::Board16 cells{};
    std::FILE* f = std::fopen(ZENTARA_SOLUTION_FILE, "rb");
    if (!f) {
        std::fprintf(stderr, "cannot read %s\n", ZENTARA_SOLUTION_FILE);
        std::exit(2);
    }
    char buffer[4000];
    const std::size_t got = std::fread(buffer, 1, sizeof buffer, f);
    std::fclose(f);
    zentara::parseBoardBytes(std::string_view(buffer, got), cells);
    for (int cell = KEPT_CELLS; cell < zentara::CELL_COUNT; ++cell) cells[cell] = zentara::PlacedCell{};
    return cells;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace zentara;
    const long reports = argc > 1 ? std::atol(argv[1]) : 60;

    // The engine writes its board files into the current directory: use a scratch one.
    char dir[] = "/tmp/berserker-bench-XXXXXX";
    if (!mkdtemp(dir) || chdir(dir) != 0) return 2;

    auto engine = std::make_unique<berserker::Berserker>();
    berserker::setUp(*engine, BENCH_SEED);
    const int resumed = berserker::resumeFromCells(*engine, resumedBoard());
    std::ostringstream console;
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpuStart = std::clock();
    const berserker::SearchEnd end = berserker::runSearch(*engine, console, reports);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // On a shared machine the wall clock counts other processes' turns as well.
    const double cpuSeconds = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    const std::uint64_t steps = berserker::stepsTaken(*engine);

    Board16 saved;
    berserker::boardCells(*engine, engine->saved, saved);
    std::uint16_t values[CELL_COUNT];
    for (int c = 0; c < CELL_COUNT; ++c)
        values[c] = saved[c].empty() ? 0xFFFF : static_cast<std::uint16_t>(orientedNumber(saved[c].piece, saved[c].rotation));

    std::printf("berserker: %llu steps in %.2f s wall, %.2f s CPU: %.1f M steps/s wall, %.1f M steps/s CPU"
                " (resumed %d pieces, %s)\n",
                static_cast<unsigned long long>(steps), seconds, cpuSeconds, steps / seconds / 1e6,
                steps / cpuSeconds / 1e6, resumed, end == berserker::SearchEnd::Complete ? "board complete" : "stopped");
    std::printf("signature: steps %llu level %d saved %d best %d big resets %d fall-backs %dK random %08x board %08x\n",
                static_cast<unsigned long long>(steps), engine->board.level, engine->saved.level,
                engine->bestLevel, engine->bigResets, engine->fallBackThousands, engine->random,
                bench::boardChecksum(values, CELL_COUNT));

    std::filesystem::remove_all(dir);
    return 0;
}
