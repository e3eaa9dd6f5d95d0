// Neighbour statistics: which counters a seam feeds, the Stat.txt lines, and
// Stat.bin's round trip, atomic replacement and saturation.
#include "core/stat_builder.hpp"
#include "tests/support/temp_dir.hpp"
#include "tests/score/support.hpp"

namespace zentara::score {
namespace {

using namespace testing;
using zentara::testing::readFile;
using zentara::testing::sourcePath;
using zentara::testing::writeFile;

class StatisticsTest : public zentara::testing::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        s = builtSolver(5);
        for (SearchCell& c : s->periodBestBoard) c = SearchCell{nullptr, EMPTY_COLOURS, 0};
    }
    std::uint32_t count(int a, int ea, int b, int eb) const { return s->statistics[statIndex(a, ea, b, eb)]; }
    std::uint64_t total() const {
        std::uint64_t sum = 0;
        for (std::uint32_t v : s->statistics) sum += v;
        return sum;
    }
    std::unique_ptr<ScoreSolver> s;
};

// Left-right seams feed [right piece][its left edge][left piece][its right edge]
// and the mirror; the edge follows the rotation. Seams to empty cells add nothing.
TEST_F(StatisticsTest, GatherCountsEachMatchedSeamTwiceByTableEdge) {
    const Board16 solution = readBoard(sourcePath("data/solution_16x16.csv"));
    // Cell 0 and the hint alone: no seam.
    placeCell(*s, s->periodBestBoard.data(), 0, solution[0].piece, solution[0].rotation);
    placeCell(*s, s->periodBestBoard.data(), HINT_CELL, HINT_PIECE, HINT_ROTATION);
    gatherStatistics(*s);
    EXPECT_EQ(total(), 0u);

    // Row 0 filled: 15 seams, 30 increments, at the counters of each pair.
    for (int c = 1; c < 16; ++c) placeCell(*s, s->periodBestBoard.data(), c, solution[c].piece, solution[c].rotation);
    gatherStatistics(*s);
    EXPECT_EQ(total(), 30u);
    for (int c = 1; c < 16; ++c) {
        const PlacedCell right = solution[c], left = solution[c - 1];
        EXPECT_EQ(count(right.piece, (1 - right.rotation) & 3, left.piece, (3 - left.rotation) & 3), 1u);
        EXPECT_EQ(count(left.piece, (3 - left.rotation) & 3, right.piece, (1 - right.rotation) & 3), 1u);
    }
}

// The whole planted solution: every one of the 480 seams, as an independent count gives it.
TEST_F(StatisticsTest, GatherOfTheSolutionMatchesAnIndependentSeamCount) {
    const Board16 solution = readBoard(sourcePath("data/solution_16x16.csv"));
    placeBoard(*s, s->periodBestBoard.data(), solution);
    gatherStatistics(*s);
    gatherStatistics(*s);
    Counts expected;
    addSeams(solution, expected);
    addSeams(solution, expected);
    EXPECT_EQ(total(), 4u * SEAM_COUNT);
    for (const auto& [index, n] : expected) EXPECT_EQ(s->statistics[index], n) << index;
}

// A pair of counters stops at 10,000,000, the largest count the frequency
// solver accepts, and both stop there together.
TEST_F(StatisticsTest, CountersSaturateAtTheReadersLimit) {
    const Board16 solution = readBoard(sourcePath("data/solution_16x16.csv"));
    placeCell(*s, s->periodBestBoard.data(), 0, solution[0].piece, solution[0].rotation);
    placeCell(*s, s->periodBestBoard.data(), 1, solution[1].piece, solution[1].rotation);
    const int a = statIndex(solution[1].piece, (1 - solution[1].rotation) & 3, solution[0].piece,
                                 (3 - solution[0].rotation) & 3);
    const int b = statIndex(solution[0].piece, (3 - solution[0].rotation) & 3, solution[1].piece,
                                 (1 - solution[1].rotation) & 3);
    s->statistics[a] = s->statistics[b] = STAT_COUNT_LIMIT - 1;
    gatherStatistics(*s);
    EXPECT_EQ(s->statistics[a], STAT_COUNT_LIMIT);
    EXPECT_EQ(s->statistics[b], STAT_COUNT_LIMIT);
    gatherStatistics(*s);
    EXPECT_EQ(s->statistics[a], STAT_COUNT_LIMIT);
    EXPECT_EQ(s->statistics[b], STAT_COUNT_LIMIT);
}

// A row with counts 6, 2, 1, 1 prints sum 10 and 2400, 800, 400, 400; equal
// counts in increasing order of piece and edge. Rows without counts print nothing.
TEST_F(StatisticsTest, ReportLinesInPerMilleOfTheRowMean) {
    const int row = 1 * 4 + 1;
    s->statistics[row * 1024 + 40] = 1;
    s->statistics[row * 1024 + 10] = 6;
    s->statistics[row * 1024 + 3] = 1;
    s->statistics[row * 1024 + 20] = 2;
    s->statistics[1023 * 1024 + 1023] = 7;
    ASSERT_TRUE(writeStatisticsReport(*s));
    EXPECT_EQ(readFile("Stat.txt"),
              "  1.1(   10):   2.2( 2400);  5.0(  800);  0.3(  400); 10.0(  400)\r\n"
              "255.3(    7): 255.3( 1000)\r\n");
}

// Save and load give back the same counts in a file of exactly 4,194,304 bytes,
// little-endian.
TEST_F(StatisticsTest, SaveAndLoadRoundTrip) {
    s->statistics[0] = 0x00090304u;
    s->statistics[STAT_COUNTERS - 1] = 7;
    const int mate = sameColourEdge(12);  // a seam of these pieces
    s->statistics[12 * 1024 + mate] = s->statistics[mate * 1024 + 12] = STAT_COUNT_LIMIT;
    ASSERT_EQ(saveStatistics(*s), 0);
    const std::string bytes = readFile("Stat.bin");
    ASSERT_EQ(bytes.size(), STAT_FILE_BYTES);
    EXPECT_EQ(bytes.substr(0, 4), std::string("\x04\x03\x09\x00", 4));

    auto other = std::make_unique<ScoreSolver>();
    other->statistics.fill(99);
    ASSERT_TRUE(loadStatistics(*other).usable());
    EXPECT_TRUE(other->statistics == s->statistics);
}

// The save replaces the file whole with exactly the table, also a file that grew
// longer during the run (its tail is no part of the statistics), and no
// temporary file stays. (Failing saves, and longer files at the start: tests/faults.)
TEST_F(StatisticsTest, SaveReplacesTheFileWithExactlyTheTable) {
    std::string old(STAT_FILE_BYTES, '\x11');
    old += "tail bytes";
    writeFile("Stat.bin", old);
    s->statistics[1] = 2;
    ASSERT_EQ(saveStatistics(*s), 0);
    const std::string bytes = readFile("Stat.bin");
    ASSERT_EQ(bytes.size(), STAT_FILE_BYTES);
    EXPECT_EQ(bytes.substr(0, 8), std::string("\0\0\0\0\2\0\0\0", 8));
    EXPECT_EQ(bytes.find('\x11'), std::string::npos);

    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), std::filesystem::directory_iterator()), 1);
}

}  // namespace
}  // namespace zentara::score
