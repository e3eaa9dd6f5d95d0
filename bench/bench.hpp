// What every benchmark shares: the one timing rule, the scratch directory the
// engines write their files into, the planted board the resumed runs start from,
// the board checksum of the signatures, and the short signature mode.
//
// Timing rule: every figure is per second of processor time of this process,
// counted around the measured part only (set-up excluded). The machines we bench
// on are shared, and wall time would measure the other programs as much as ours.
//
// Rounds: the engine and its baselines run in turn, BENCH_ROUNDS times in one
// process, each part again and again until it has spent MIN_PART_SECONDS; a
// rate printed is the median of the rounds' rates and a ratio the median of the
// rounds' ratios, so that one disturbed run does not move it. A bench without a
// baseline runs its parts in rounds all the same.
//
// Signature mode (`--signature` as the only argument): a fixed seed and a fixed,
// small amount of work, printing nothing but signature lines. CTest compares them
// with bench/signatures/NAME.txt; they change only when an engine's behaviour is
// meant to change, in the same commit.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <span>
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
// `ranges`, where given, bounds the counts in their order: a count outside its
// range is refused the same way ("TESTS must be 1 to 1000000000000"), so that no
// count reaches an engine as "no limit" or overflows on its way there.
struct CountRange {
    std::string_view name;
    long long least;
    long long most;
};
int answerBenchCommandLine(int& argc, char** argv, std::string_view name, std::string_view counts, int mostCounts,
                           std::string_view about, std::span<const CountRange> ranges = {});

// The count at argv[index], checked by answerBenchCommandLine, or `fallback` when
// the command line stops before it.
long long countArgument(int argc, char** argv, int index, long long fallback);

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
// together have spent at least `minSeconds`; their sum. A part that did no work
// (nothing asked of it) runs once: there is nothing to time.
template <class Part>
Measured repeatFor(double minSeconds, Part&& part) {
    Measured total;
    do {
        const Measured run = part();
        total += run;
        if (run.work <= 0) break;
    } while (total.seconds < minSeconds);
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

// The parts in turn, `rounds` times: each part runs again and again until it has
// spent `minSeconds` a round (repeatFor), so that a disturbance of the machine
// falls on every part alike and a single round moves no median. After each round
// `report(round, measured)` gets the round's number from 1 and what each part
// measured in it, in the parts' order; returns the rates of part i in [i].
template <class Report, class... Parts>
std::array<RoundRates, sizeof...(Parts)> alternateRounds(int rounds, double minSeconds, Report&& report,
                                                         Parts&&... parts) {
    std::array<RoundRates, sizeof...(Parts)> rates;
    for (int round = 1; round <= rounds; ++round) {
        // A braced list runs its elements in order: the parts keep their turn.
        const std::array<Measured, sizeof...(Parts)> measured{repeatFor(minSeconds, parts)...};
        for (std::size_t i = 0; i < measured.size(); ++i) rates[i].add(measured[i]);
        report(round, measured);
    }
    return rates;
}

// The same with the bench rule's rounds and seconds.
template <class Report, class... Parts>
std::array<RoundRates, sizeof...(Parts)> alternateRounds(Report&& report, Parts&&... parts) {
    return alternateRounds(BENCH_ROUNDS, MIN_PART_SECONDS, report, parts...);
}

// A bench of one part: its rounds, each printed as "round N: NAME R M UNIT/s"
// with the rate R in millions to `decimals` decimals; the median rate.
template <class Part>
double medianRoundsRate(const char* name, const char* unit, int decimals, Part&& part) {
    const auto [rates] = alternateRounds(
        [&](int round, const std::array<Measured, 1>& m) {
            std::printf("round %d: %s %.*f M %s/s\n", round, name, decimals, m[0].rate() / 1e6, unit);
        },
        part);
    return rates.median();
}

// The line that closes a bench's figures: how its medians were taken.
void printRoundsRule();

// Processor seconds `work()` takes.
template <class Work>
double processorSeconds(Work&& work) {
    const double start = cpuSeconds();
    work();
    return cpuSeconds() - start;
}

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
