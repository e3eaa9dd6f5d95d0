#include "bench/bench.hpp"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iostream>
#include <string>

#include "core/board_file.hpp"
#include "core/command_line.hpp"
#include "core/pieces.hpp"

namespace zentara::bench {

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void printTimingRule() {
    std::printf("(all times are processor seconds of the measured part; rates are per processor second)\n");
}

int answerBenchCommandLine(int& argc, char** argv, std::string_view name, std::string_view counts, int mostCounts,
                           std::string_view about, std::span<const CountRange> ranges) {
    const std::string usage = "usage: " + std::string(name) + " [--pieces FILE] [--signature | " + std::string(counts) +
                              "]\n" + std::string(about) +
                              "  --signature  a short fixed-seed run printing only its signature lines\n"
                              "  --pieces FILE  runs on the pieces of a plain list FILE instead of the built-in set\n"
                              "  --help       prints this text\n"
                              "  --version    prints the suite's version\n";
    CommandSyntax syntax{name, usage, {{"--signature"}}, 0, mostCounts};
    syntax.pieces = PuzzleKind::Board16x16;
    syntax.piecesOfAnySize = true;
    if (const int answered = answerCommandLine(argc, argv, syntax, std::cout, std::cerr); answered >= 0)
        return answered;
    // The list is loaded: the counts are read as if it had not been given.
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--pieces") ++i;
        else argv[kept++] = argv[i];
    }
    argc = kept;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--signature" && argc > 2) return refuseCommandLine(std::cerr, syntax, "--signature goes alone");
        if (arg != "--signature" &&
            (arg.empty() || arg.size() > 18 || arg.find_first_not_of("0123456789") != std::string_view::npos))
            return refuseCommandLine(std::cerr, syntax, "not a whole number: '" + printableArgument(arg) + "'");
    }
    // Eighteen digits at the most: every count fits a long long.
    for (int i = 1; i < argc && !signatureMode(argc, argv); ++i) {
        if (static_cast<std::size_t>(i - 1) >= ranges.size()) break;
        const CountRange& range = ranges[static_cast<std::size_t>(i - 1)];
        const long long count = countArgument(argc, argv, i, 0);
        if (count < range.least || count > range.most)
            return refuseCommandLine(std::cerr, syntax,
                                     std::string(range.name) + " must be " + std::to_string(range.least) + " to " +
                                         std::to_string(range.most));
    }
    return -1;
}

long long countArgument(int argc, char** argv, int index, long long fallback) {
    return index < argc ? std::strtoll(argv[index], nullptr, 10) : fallback;
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double medianRatio(const RoundRates& numerator, const RoundRates& denominator) {
    std::vector<double> ratios;
    for (std::size_t i = 0; i < numerator.rates.size() && i < denominator.rates.size(); ++i)
        if (denominator.rates[i] > 0) ratios.push_back(numerator.rates[i] / denominator.rates[i]);
    return median(ratios);
}

void printRoundsRule() {
    std::printf("(medians of %d rounds, each part at least %.0f s of processor time a round)\n", BENCH_ROUNDS,
                MIN_PART_SECONDS);
}

bool signatureMode(int argc, char** argv) { return argc == 2 && std::strcmp(argv[1], "--signature") == 0; }

ScratchDirectory::ScratchDirectory(const char* prefix) : previous_(std::filesystem::current_path()) {
    std::string pattern = (std::filesystem::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        std::exit(2);
    }
    dir_ = pattern;
    std::filesystem::current_path(dir_);
}

ScratchDirectory::~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
    std::filesystem::remove_all(dir_, ignored);
}

Board16 plantedSolution16() {
    const char* const path = ZENTARA_PLANTED_16X16;
    char buffer[MAX_BOARD_FILE_BYTES + 1];
    std::FILE* f = std::fopen(path, "rb");
    const std::size_t got = f == nullptr ? 0 : std::fread(buffer, 1, sizeof buffer, f);
    if (f != nullptr) std::fclose(f);
    if (got != MAX_BOARD_FILE_BYTES) {
        std::fprintf(stderr, "cannot read the planted solution %s\n", path);
        std::exit(2);
    }
    Board16 cells{};
    parseBoardBytes(std::string_view(buffer, got), cells);
    return cells;
}

std::uint32_t boardChecksum(const std::uint16_t* values, int count) {
    std::uint32_t h = 2166136261u;
    for (int i = 0; i < count; ++i) {
        h = (h ^ (values[i] & 0xFF)) * 16777619u;
        h = (h ^ (values[i] >> 8)) * 16777619u;
    }
    return h;
}

std::uint32_t boardChecksum(const Board16& cells) {
    std::uint16_t values[CELL_COUNT];
    for (int c = 0; c < CELL_COUNT; ++c)
        values[c] = cells[c].empty() ? 0xFFFF
                                     : static_cast<std::uint16_t>(orientedNumber(cells[c].piece, cells[c].rotation));
    return boardChecksum(values, CELL_COUNT);
}

}  // namespace zentara::bench
