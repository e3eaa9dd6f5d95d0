#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>

#include "brute_test_support.hpp"

using namespace zentara;
using namespace zentara::brute;
using namespace zentara::brute::testing;
using zentara::testing::readFile;

namespace {

class BruteReports : public zentara::testing::TempDirTest {};

std::string statusLine(int level, int best, long long tests) {
    char line[128];
    std::snprintf(line, sizeof line, "\rCurrent level: %3d, Best level: %3d, Tests: %lld millions... ", level, best, tests);
    return line;
}

std::map<std::string, std::string> filesIn(const char* dir) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        files[entry.path().filename().string()] = readFile(entry.path());
    return files;
}

}  // namespace

// The first report comes after exactly 2,000,000 placements: the same board as
// after two reports of 1,000,000. Each report rewrites Result.csv.
TEST_F(BruteReports, FirstReportAfterExactlyTwoMillionPlacements) {
    auto solver = seededSolver(1);
    solver->limits.reports = 1;
    std::ostringstream console;
    ASSERT_EQ(runSearch(*solver, console), SearchEnd::Stopped);
    EXPECT_EQ(solver->placements, 2'000'000u);
    EXPECT_EQ(console.str(), statusLine(solver->level, solver->bestLevel, 2));
    EXPECT_TRUE(consistentAtLevel("Result.csv", solver->level));
    const std::string first = readFile("Result.csv");

    auto halves = seededSolver(1);
    halves->limits.workPerReport = 1'000'000;
    halves->countdown = 1'000'000;
    halves->limits.reports = 2;
    ASSERT_EQ(runSearch(*halves, console), SearchEnd::Stopped);
    EXPECT_EQ(boardTextOf(*halves), first);

    solver->limits.reports = 2;
    console.str("");
    ASSERT_EQ(runSearch(*solver, console), SearchEnd::Stopped);
    EXPECT_EQ(console.str(), statusLine(solver->level, solver->bestLevel, 4));
    EXPECT_EQ(readFile("Result.csv"), boardTextOf(*solver));
    EXPECT_NE(readFile("Result.csv"), first);
}

// A piece on cell 0 gives level 1, which does not beat the starting best of 1;
// the piece on cell 1 gives 2. Levels below 200 write no best file.
TEST_F(BruteReports, LevelsCountCellsInRowOrder) {
    auto solver = seededSolver(2);
    solver->limits.workPerReport = 1;
    solver->countdown = 1;
    solver->limits.reports = 2;
    std::ostringstream console;
    ASSERT_EQ(runSearch(*solver, console), SearchEnd::Stopped);
    EXPECT_EQ(console.str(), statusLine(1, 1, 2) + statusLine(2, 2, 4));
    EXPECT_TRUE(consistentAtLevel("Result.csv", 2));
    EXPECT_EQ(filesIn(".").size(), 1u);
}

// A seeded run repeats exactly, stopped at every report or not, and every board
// it writes is consistent. From the planted top half it fills the board quickly;
// the full board ends it without a further Result.csv.
TEST_F(BruteReports, SeededRunRepeatsAndWritesOnlyConsistentBoards) {
    const Board16 planted = plantedSolution();
    std::ostringstream consoles[2];
    for (const char* dir : {"stepwise", "whole"}) {
        std::filesystem::create_directory(dir);
        std::filesystem::current_path(dir);
        const bool stepwise = dir[0] == 's';
        auto solver = seededSolver(5);
        for (int p = 0; p < 120; ++p) pushRecord(*solver, recordOf(*solver, planted[cellOfPosition(p)]));
        solver->limits.workPerReport = 1'000;
    solver->countdown = 1'000;
        SearchEnd end = SearchEnd::Stopped;
        std::string lastResult;
        while (end == SearchEnd::Stopped) {
            solver->limits.reports = stepwise ? solver->reports + 1 : 0;
            end = runSearch(*solver, consoles[stepwise ? 0 : 1]);
            if (end != SearchEnd::Stopped) break;
            ASSERT_TRUE(consistentAtLevel("Result.csv", solver->level)) << "report " << solver->reports;
            lastResult = readFile("Result.csv");
        }
        ASSERT_EQ(end, SearchEnd::Solved);
        if (stepwise) {
            EXPECT_EQ(readFile("Result.csv"), lastResult);
        }
        std::filesystem::current_path("..");
    }
    EXPECT_EQ(consoles[0].str(), consoles[1].str());
    const auto files = filesIn("stepwise");
    EXPECT_EQ(files, filesIn("whole"));
    EXPECT_EQ(files.size(), 58u);  // Result.csv, Best200.csv to Best256.csv
    for (const auto& [name, bytes] : files) {
        if (name == "Result.csv") continue;
        EXPECT_TRUE(consistentAtLevel("stepwise/" + name, std::stoi(name.substr(4, 3))));
    }
}

// The millions shown keep growing past the range of 32 bits.
TEST_F(BruteReports, TestsCountPastThirtyTwoBits) {
    auto solver = seededSolver(3);
    solver->tests = 2'147'483'646;
    std::ostringstream console;
    reportProgress(*solver, console);
    EXPECT_EQ(console.str(), statusLine(1, 1, 2'147'483'648LL));
}

// Stopped at every report and resumed, a seeded run walks exactly the placements
// of one run to the same report: the cells climbed back into take up the entries
// they held, the cells before the hint (their own chain tables) among them.
TEST_F(BruteReports, StoppedAtEveryReportTheRunWalksOnAsOneRun) {
    struct Row {
        RandomState seed;
        int plantedCells;  // search positions filled from the planted board first
        std::uint32_t period;
        int stops;
        int lowestStop, highestStop;  // the levels at the stops reach these
    };
    const Row rows[] = {
        {21, 0, 99'991, 12, 140, 170},     // deep in the tree from an empty board
        {24, 100, 20'011, 20, 119, 150},   // back and forth across the hint's row
        {25, 112, 101, 20, 125, 150},
    };
    const Board16 planted = plantedSolution();
    for (const Row& row : rows) {
        std::ostringstream consoles[2];
        std::string boards[2], results[2];
        int levels[2] = {}, bests[2] = {};
        std::uint64_t placements[2] = {};
        int lowest = CELL_COUNT, highest = 0;
        for (int stepwise = 0; stepwise < 2; ++stepwise) {
            auto solver = seededSolver(row.seed);
            for (int p = 0; p < row.plantedCells; ++p)
                pushRecord(*solver, recordOf(*solver, planted[cellOfPosition(p)]));
            solver->limits.workPerReport = row.period;
            solver->countdown = static_cast<int>(row.period);
            for (int run = 0; run < (stepwise ? row.stops : 1); ++run) {
                solver->limits.reports = stepwise ? solver->reports + 1 : row.stops;
                ASSERT_EQ(runSearch(*solver, consoles[stepwise]), SearchEnd::Stopped) << row.seed << " run " << run;
                lowest = std::min(lowest, solver->level);
                highest = std::max(highest, solver->level);
            }
            boards[stepwise] = boardTextOf(*solver);
            results[stepwise] = readFile("Result.csv");
            levels[stepwise] = solver->level;
            bests[stepwise] = solver->bestLevel;
            placements[stepwise] = solver->placements;
        }
        EXPECT_EQ(placements[1], static_cast<std::uint64_t>(row.period) * static_cast<std::uint64_t>(row.stops)) << row.seed;
        EXPECT_EQ(placements[0], placements[1]) << row.seed;
        EXPECT_EQ(consoles[0].str(), consoles[1].str()) << row.seed;
        EXPECT_EQ(boards[0], boards[1]) << row.seed;
        EXPECT_EQ(results[0], boards[0]) << row.seed;
        EXPECT_EQ(levels[0], levels[1]) << row.seed;
        EXPECT_EQ(bests[0], bests[1]) << row.seed;
        EXPECT_TRUE(consistentAtLevel("Result.csv", levels[0])) << row.seed;
        EXPECT_LE(lowest, row.lowestStop) << row.seed;
        EXPECT_GE(highest, row.highestStop) << row.seed;
    }
}
