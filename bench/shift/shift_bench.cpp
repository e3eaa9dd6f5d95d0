// shift-bench [STATUS_REPORTS [HOLES]]: iterations per second of the shift search
// from a fixed resumed board (the planted solution with HOLES cells emptied by a
// fixed generator) and a fixed seed, with a signature of the run. Runs in a fresh
// temporary directory, which it removes afterwards.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>

#include "bench/baseline.hpp"
#include "shift/shift_search.hpp"

using namespace zentara;

namespace {

constexpr RandomState BENCH_SEED = 20261207u;
constexpr RandomState HOLE_SEED = 7u;

bool resumedBoard(int holes, Board16& cells) {
    std::ifstream in(ZENTARA_SOLUTION_FILE, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() != 1552) return false;
    parseBoardBytes(bytes, cells);
    Random random{HOLE_SEED};
    while (holes > 0) {
        const int cell = static_cast<int>(random.topByte());
        if (cell == 45 || cell == 135 || cell == 210 || cells[cell].empty()) continue;
        cells[cell] = PlacedCell{};
        --holes;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const long reports = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 500;
    const int holes = argc > 2 ? std::atoi(argv[2]) : 100;
    Board16 cells;
    if (reports <= 0 || holes < 0 || holes > 253 || !resumedBoard(holes, cells)) {
        std::fprintf(stderr, "shift-bench: bad arguments or missing solution file\n");
        return 2;
    }

    // The search writes Result.csv and best files into the current directory.
    const std::filesystem::path previous = std::filesystem::current_path();
    std::string pattern = (std::filesystem::temp_directory_path() / "shift-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return 2;
    std::filesystem::current_path(pattern);

    auto search = std::make_unique<shift::ShiftSearch>();
    std::ostringstream console;
    shift::setUp(*search, BENCH_SEED);
    search->statusLimit = static_cast<std::uint64_t>(reports);
    shift::resumeFromCells(*search, cells, "bench", console);
    const int startLevel = search->level;
    const auto start = std::chrono::steady_clock::now();
    const shift::SearchEnd end = shift::runSearch(*search, console);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    std::filesystem::current_path(previous);
    std::filesystem::remove_all(pattern);

    const std::string text = console.str();
    std::uint32_t consoleHash = 2166136261u;
    for (unsigned char ch : text) consoleHash = (consoleHash ^ ch) * 16777619u;
    const shift::ShiftBoard& best = search->snapshot.board;
    const std::uint32_t bestHash = bench::boardChecksum(best.placement.data(), CELL_COUNT);
    const std::uint32_t listHash = bench::boardChecksum(search->list.record.data(), shift::LIST_LENGTH);

    std::printf("shift: %llu iterations in %.2f s, %.2f M iterations/s (resumed level %d, %s)\n",
                static_cast<unsigned long long>(search->iterations), seconds, search->iterations / seconds / 1e6,
                startLevel, end == shift::SearchEnd::Complete ? "board completed" : "status limit");
    std::printf("signature: level %d max %d OK %d RE %d best %08x list %08x console %08x\n", search->level,
                search->maxLevel, search->tuning.ok, search->tuning.re, bestHash, listHash, consoleHash);
    return 0;
}
