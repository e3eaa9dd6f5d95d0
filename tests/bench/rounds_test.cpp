// The benches' timing rule, on parts that report made-up work and seconds so
// that every count is exact: how often a part repeats, the order the parts take
// their turns in, and the medians printed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bench/bench.hpp"

namespace zentara::bench {
namespace {

// A part that reports `work` and `seconds` a run and logs its letter.
struct FakePart {
    char letter;
    double work;
    double seconds;
    std::string* log;
    Measured operator()() const {
        *log += letter;
        return {work, seconds};
    }
};

// Times chosen as binary fractions, so that sums are exact and a part that
// reaches the minimum exactly stops there.
struct RepeatCase {
    const char* name;
    double work, seconds, minSeconds;
    int runs;
};

TEST(BenchRounds, RepeatForRunsUntilTheMinimumIsSpent) {
    const RepeatCase cases[] = {
        {"reaches the minimum exactly", 10, 0.25, 1.0, 4},
        {"passes the minimum", 10, 0.75, 2.0, 3},
        {"one run longer than the minimum", 7, 3.0, 2.0, 1},
        {"no minimum: one run", 5, 0.5, 0.0, 1},
        {"no work: one run, nothing to time", 0, 0.0, 2.0, 1},
        {"no work with time spent: one run", 0, 0.125, 2.0, 1},
    };
    for (const RepeatCase& c : cases) {
        std::string log;
        const Measured total = repeatFor(c.minSeconds, FakePart{'a', c.work, c.seconds, &log});
        EXPECT_EQ(log, std::string(static_cast<std::size_t>(c.runs), 'a')) << c.name;
        EXPECT_EQ(total.work, c.work * c.runs) << c.name;
        EXPECT_EQ(total.seconds, c.seconds * c.runs) << c.name;
    }
}

struct MedianCase {
    const char* name;
    std::vector<double> values;
    double median;
};

TEST(BenchRounds, MedianOfRounds) {
    const MedianCase cases[] = {
        {"none", {}, 0},
        {"one", {4}, 4},
        {"odd count, unsorted", {9, 1, 5, 7, 3}, 5},
        {"even count: mean of the middle two", {8, 2, 6, 4}, 5},
        {"one outlier does not move it", {100, 101, 99, 1e9, 100}, 100},
        {"repeated values", {3, 3, 1, 3}, 3},
    };
    for (const MedianCase& c : cases) EXPECT_EQ(median(c.values), c.median) << c.name;
}

struct RatioCase {
    const char* name;
    std::vector<double> numerator, denominator;
    double ratio;
};

// The ratio is taken round by round, then the middle one: not the ratio of the medians.
TEST(BenchRounds, MedianRatioIsTakenRoundByRound) {
    const RatioCase cases[] = {
        {"round by round", {10, 40, 90}, {5, 10, 30}, 3},  // ratios 2, 4, 3; medians would give 40 / 10 = 4
        {"a round without a baseline rate is left out", {10, 20, 30}, {5, 0, 10}, 2.5},  // 2 and 3
        {"rounds past the shorter list are left out", {6, 8, 100, 100}, {3, 2}, 3},  // 2 and 4
        {"no rounds", {}, {}, 0},
        {"no baseline rates at all", {1, 2}, {0, 0}, 0},
    };
    for (const RatioCase& c : cases) {
        RoundRates numerator, denominator;
        numerator.rates = c.numerator;
        denominator.rates = c.denominator;
        EXPECT_EQ(medianRatio(numerator, denominator), c.ratio) << c.name;
    }
}

struct AlternateCase {
    const char* name;
    int rounds;
    double minSeconds;
    double secondsA, secondsB;  // each part's seconds a run, 8 units of work a run
    const char* log;            // the order the parts ran in, '|' where a round was reported
    double rateA, rateB;        // every round's rate
};

TEST(BenchRounds, AlternateRoundsGiveEachPartItsTurnAndMinimum) {
    const AlternateCase cases[] = {
        {"one run each, three rounds", 3, 1.0, 1.0, 2.0, "ab|ab|ab|", 8, 4},
        {"a short part repeats within its turn", 2, 1.0, 0.25, 0.5, "aaaabb|aaaabb|", 32, 16},
        {"one round", 1, 2.0, 0.5, 4.0, "aaaab|", 16, 2},
        {"no rounds: nothing runs", 0, 2.0, 1.0, 1.0, "", 0, 0},
    };
    for (const AlternateCase& c : cases) {
        std::string log;
        std::vector<int> reported;
        const auto rates = alternateRounds(
            c.rounds, c.minSeconds,
            [&](int round, const std::array<Measured, 2>& m) {
                reported.push_back(round);
                EXPECT_EQ(m[0].rate(), c.rateA) << c.name << " round " << round;
                EXPECT_EQ(m[1].rate(), c.rateB) << c.name << " round " << round;
                log += '|';
            },
            FakePart{'a', 8, c.secondsA, &log}, FakePart{'b', 8, c.secondsB, &log});
        EXPECT_EQ(log, c.log) << c.name;
        std::vector<int> rounds;
        for (int r = 1; r <= c.rounds; ++r) rounds.push_back(r);
        EXPECT_EQ(reported, rounds) << c.name;
        EXPECT_EQ(rates[0].rates, std::vector<double>(static_cast<std::size_t>(c.rounds), c.rateA)) << c.name;
        EXPECT_EQ(rates[1].rates, std::vector<double>(static_cast<std::size_t>(c.rounds), c.rateB)) << c.name;
    }
}

}  // namespace
}  // namespace zentara::bench
