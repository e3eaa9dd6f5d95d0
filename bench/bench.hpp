// What every benchmark shares: the one timing rule, the scratch directory the
// engines write their files into, the planted board the resumed runs start from,
// the board checksum of the signatures, and the short signature mode.
//
// Timing rule: every figure is per second of processor time of this process,
// counted around the measured part only (set-up excluded). The machines we bench
// on are shared, and wall time would measure the other programs as much as ours.
//
// Ratios: the engine and its baselines run in turn, BENCH_ROUNDS times in one
// process, each part again and again until it has spent MIN_PART_SECONDS; a
// ratio printed is the median of the rounds' ratios, so that one disturbed run
// does not move it.
//
// Signature mode (`--signature` as the only argument): a fixed seed and a fixed,
// small amount of work, printing nothing but signature lines. CTest compares them
// with bench/signatures/NAME.txt; they change only when an engine's behaviour is
// meant to change, in the same commit.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

#include "core/board_file.hpp"

namespace zentara::bench {

// Processor time of this process in seconds.
double cpuSeconds();

// The line every benchmark prints first, so no figure is read as wall time.
void printTimingRule();

// A bench's command line, answered as the programs answer theirs, before anything
// runs: --help prints "usage: NAME [--signature | COUNTS]" and `about`, --version
// the suite's version, and anything but --signature alone or up to `counts` whole
// numbers is refused in one line and the usage, exit 2. Returns the exit code
// when answered here, -1 when the bench goes on.
int answerBenchCommandLine(int argc, char** argv, std::string_view name, std::string_view counts, int mostCounts,
                           std::string_view about);

inline constexpr int BENCH_ROUNDS = 5;
inline constexpr double MIN_PART_SECONDS = 2.0;

// Work done by a measured part and the processor seconds it took.
struct Measured {
    double work = 0;
    double seconds = 0;
    double rate() const { return seconds > 0 ? work / seconds : 0; }
    Measured& operator+=(const Measured& other) {
        work += other.work;
        seconds += other.seconds;
        return *this;
    }
};

// Runs `part` (a fixed piece of work, returning a Measured) until the runs
// together have spent at least `minSeconds`; their sum.
template <class Part>
Measured repeatFor(double minSeconds, Part&& part) {
    Measured total;
    do total += part();
    while (total.seconds < minSeconds);
    return total;
}

// The middle value (the mean of the two middle ones for an even count); 0 for none.
double median(std::vector<double> values);

// Rates of the rounds of one part, and their median.
struct RoundRates {
    std::vector<double> rates;
    void add(const Measured& m) { rates.push_back(m.rate()); }
    double median() const { return bench::median(rates); }
};

// The median over the rounds of numerator / denominator, round by round.
double medianRatio(const RoundRates& numerator, const RoundRates& denominator);

// True for `NAME --signature`.
bool signatureMode(int argc, char** argv);

// Creates a fresh directory under the system's temporary folder and makes it the
// current one; on destruction goes back and removes it with everything in it.
class ScratchDirectory {
public:
    explicit ScratchDirectory(const char* prefix);
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

private:
    std::filesystem::path previous_;
    std::filesystem::path dir_;
};

// The planted 16 x 16 solution (data/solution_16x16.csv, or the one given with a user's set); exits with status 2 when
// it cannot be read.
Board16 plantedSolution16();

// FNV-1a over a sequence of 16-bit values; the board checksum used in signatures.
std::uint32_t boardChecksum(const std::uint16_t* values, int count);

// The same over a board of placed cells: oriented-piece numbers, 0xFFFF for empty cells.
std::uint32_t boardChecksum(const Board16& cells);

}  // namespace zentara::bench
