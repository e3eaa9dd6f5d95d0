// Loading and checking Stat.bin, and turning counts into strengths.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "frequency/hash_tables.hpp"
#include "frequency/statistics.hpp"
#include "tests/frequency/solver_run.hpp"
#include "core/stat_builder.hpp"
#include "tests/support/temp_dir.hpp"

using namespace zentara;
using namespace zentara::frequency;
using zentara::testing::makeEngine;
using zentara::testing::runSolver;
using zentara::StatCounts;

namespace {

class FrequencyStatistics : public zentara::testing::TempDirTest {};

int filesInDirectory(const std::filesystem::path& dir) {
    int n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir)) ++n;
    return n;
}

}  // namespace

TEST_F(FrequencyStatistics, ProgramWithoutStatFileSaysSoAndExitsOne) {
    const std::string command = zentara::testing::programPath("frequency-solver").string() + " > console.txt";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(zentara::testing::readFile("console.txt"), "Zentara Frequency Solver\nCannot find Stat.bin file!\n");
}

TEST_F(FrequencyStatistics, FileChecksRefuseWithOneLineAndExitOne) {
    auto engine = makeEngine();
    const std::string contentMessage = "Invalid content of Stat.bin file!\n";
    auto rejects = [&](const std::string& bytes, const std::string& message) {
        zentara::testing::writeFile("Stat.bin", bytes);
        const auto run = runSolver(*engine, 1);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.console, message);
    };

    StatCounts stat;
    rejects(stat.bytes().substr(0, STAT_FILE_BYTES - 1), "Invalid size of Stat.bin file!\n");
    rejects("", "Invalid size of Stat.bin file!\n");

    stat.addPair(100, 900, 10'000'001);
    rejects(stat.bytes(), contentMessage);

    StatCounts negative;
    negative.addPair(5, 6, 0xFFFFFFFFu);  // -1 as a signed counter
    rejects(negative.bytes(), contentMessage);

    // Seams of these pieces (two edges of one colour), so that only the counts are at fault.
    const int mate3 = sameColourEdge(3), mate100 = sameColourEdge(100);
    StatCounts asymmetric;
    asymmetric.at(3, mate3) = 2;
    asymmetric.at(mate3, 3) = 1;
    rejects(asymmetric.bytes(), contentMessage);
    // Bytes past the table are no part of one: refused, as a short file is.
    asymmetric.at(mate3, 3) = 2;
    asymmetric.addPair(100, mate100, 10'000'000);
    rejects(asymmetric.bytes() + std::string(1000, '\x7f'), "Invalid size of Stat.bin file!\n");
    // Accepted: the same file alone, with the largest count.
    zentara::testing::writeFile("Stat.bin", asymmetric.bytes());
    std::ostringstream out;
    EXPECT_TRUE(loadCheckedStatistics(engine->tables, out));
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(engine->tables.statistics[100 * EDGE_CODES + mate100], 10'000'000);

    std::filesystem::remove("Stat.bin");
    const auto missing = runSolver(*engine, 1);
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.console, "Cannot find Stat.bin file!\n");
    EXPECT_EQ(filesInDirectory(dir()), 0);  // a refused run leaves no file behind
}

TEST_F(FrequencyStatistics, AllZeroFileBuildsEmptyListsAndHasNoHint) {
    auto engine = makeEngine();
    StatCounts().writeStatBin();
    const auto run = runSolver(*engine, 12345);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.console,
              "Generating hash tables...\rHash buffer size: 4198405\n"
              "Neighbor statistic 1:0,2:0,3:0,4:0,5:0,6:0,7>:0\n"
              "Invalid statistic file!\n");
    EXPECT_EQ(engine->tables.slotsTaken, 4 * 1048576 + 4 * 1024 + 5);
    EXPECT_EQ(engine->tables.hintEntry, NO_ENTRY);
    EXPECT_EQ(engine->tables.lists[START_LIST].count, 4);
    for (std::uint32_t i = BELOW_OPEN; i < LIST_COUNT; ++i) ASSERT_EQ(engine->tables.lists[i].count, 0) << i;
    EXPECT_EQ(filesInDirectory(dir()), 1);  // no board file
}

TEST_F(FrequencyStatistics, StrengthsArePerMilleOfRowMeanMadeSymmetric) {
    auto engine = makeEngine();
    StatCounts stat;
    // Row 40 meets four partners 6, 2, 1, 1 times: mean 2.5, strengths 2400, 800, 400, 400.
    stat.addPair(40, 700, 6);
    stat.addPair(40, 701, 2);
    stat.addPair(40, 702, 1);
    stat.addPair(40, 703, 1);
    // Row 703 also meets 800 a million times: its own view of 40 is 0, the pair keeps 400.
    stat.addPair(703, 800, 1'000'000);
    // The hint's top edge (552) and left edge (555).
    stat.addPair(HINT_TOP_EDGE, 4 * 122 + 2, 3);
    stat.addPair(HINT_LEFT_EDGE, 4 * 70 + 1, 3);
    stat.addPair(HINT_LEFT_EDGE, 4 * 71 + 0, 1);
    // A count far below the means of both its rows: strength 0 both ways.
    stat.addPair(400, 500, 5000);
    stat.addPair(400, 600, 1);
    stat.addPair(600, 604, 9000);
    // Taken in as loaded (the pairs are arbitrary, no seams of these pieces: a file
    // of them would be refused as another set's).
    FrequencyTables& t = engine->tables;
    std::memcpy(t.statistics.data(), stat.counts.data(), STAT_FILE_BYTES);
    normaliseStatistics(t);

    auto v = [&](int i, int j) { return t.statistics[i * EDGE_CODES + j]; };
    // Rows 700 to 702 have one partner each and see 40 at their mean, 1000: the larger side wins.
    EXPECT_EQ(v(40, 700), 2400);
    EXPECT_EQ(v(700, 40), 2400);
    EXPECT_EQ(v(40, 701), 1000);
    EXPECT_EQ(v(701, 40), 1000);
    EXPECT_EQ(v(40, 702), 1000);
    EXPECT_EQ(v(40, 703), 400);
    EXPECT_EQ(v(703, 40), 400);    // row 703: 1 x 2 x 1000 / 1000001 = 0
    EXPECT_EQ(v(703, 800), 1999);  // 1000000 x 2 x 1000 / 1000001
    EXPECT_EQ(v(800, 703), 1999);
    EXPECT_EQ(v(555, 4 * 70 + 1), 1500);
    EXPECT_EQ(v(555, 4 * 71 + 0), 1000);  // 500 from row 555, 1000 from the partner's row
    EXPECT_EQ(t.partnerCount[40], 4);
    EXPECT_EQ(t.partnerCount[703], 2);
    EXPECT_EQ(t.partnerCount[41], 0);

    // The hint sets hold the partner pieces turned so the shared edge faces the hint.
    int above = 0, left = 0;
    for (int n = 0; n < ORIENTED_COUNT; ++n) {
        above += contains(t.aboveHint, n);
        left += contains(t.leftOfHint, n);
    }
    EXPECT_EQ(above, 1);
    EXPECT_TRUE(contains(t.aboveHint, 4 * 122 + 2));  // edge 2 down: rotation (0 - 2) mod 4
    EXPECT_EQ(left, 2);
    EXPECT_TRUE(contains(t.leftOfHint, 4 * 70 + 2));  // edge 1 right: rotation 3 - 1
    EXPECT_TRUE(contains(t.leftOfHint, 4 * 71 + 3));  // edge 0 right: rotation 3

    EXPECT_EQ(v(400, 600), 0);
    EXPECT_EQ(v(600, 400), 0);
    EXPECT_EQ(t.partnerCount[600], 2);  // still a partner: edge 600 is open
    // ... and no list entry: below edge 400's owner stands only the partner of edge 500.
    Random random{7};
    std::ostringstream out;
    ASSERT_TRUE(buildHashTables(t, random, out));
    const int u = turnedToFace(400, bottom_first::BOTTOM);
    EXPECT_EQ(t.lists[BELOW_OPEN + u].count + t.lists[BELOW_RIM + u].count, 1);
    EXPECT_EQ(entryNumber(t.pool[t.lists[BELOW_RIM + u].first]), turnedToFace(500, bottom_first::TOP));
}
