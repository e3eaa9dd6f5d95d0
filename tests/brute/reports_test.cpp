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

std::map<std::string, std::string> filesHere() {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator("."))
        files[entry.path().filename().string()] = readFile(entry.path());
    return files;
}

}  // namespace

// The first report comes after exactly 2,000,000 placements, shows 2 millions and
// writes Result.csv with the board of that moment; the same board stands after
// two reports of 1,000,000 placements each.
TEST_F(BruteReports, FirstReportAfterExactlyTwoMillionPlacements) {
    auto solver = seededSolver(1);
    solver->reportLimit = 1;
    std::ostringstream console;
    ASSERT_EQ(runSearch(*solver, console), SearchEnd::Stopped);
    EXPECT_EQ(solver->placements, 2'000'000u);
    EXPECT_EQ(console.str(), statusLine(solver->level, solver->bestLevel, 2));
    const std::string first = readFile("Result.csv");
    EXPECT_EQ(first, boardTextOf(*solver));
    EXPECT_TRUE(consistentBoardFile("Result.csv", piecesAtLevel(solver->level)));

    auto halves = seededSolver(1);
    halves->placementsPerReport = halves->countdown = 1'000'000;
    halves->reportLimit = 2;
    std::filesystem::create_directory("halves");
    std::filesystem::current_path("halves");
    std::ostringstream halvesConsole;
    ASSERT_EQ(runSearch(*halves, halvesConsole), SearchEnd::Stopped);
    EXPECT_EQ(readFile("Result.csv"), first);
    std::filesystem::current_path("..");

    // Resumed, the search rewrites Result.csv at its next report.
    solver->reportLimit = 2;
    console.str("");
    ASSERT_EQ(runSearch(*solver, console), SearchEnd::Stopped);
    EXPECT_EQ(solver->placements, 4'000'000u);
    EXPECT_EQ(console.str(), statusLine(solver->level, solver->bestLevel, 4));
    EXPECT_EQ(readFile("Result.csv"), boardTextOf(*solver));
    EXPECT_NE(readFile("Result.csv"), first);
}

// The level after a placement on cell c is c + 1: the first piece gives level 1,
// which does not beat the starting best level of 1; the second raises it to 2.
TEST_F(BruteReports, LevelsCountCellsInRowOrder) {
    auto solver = seededSolver(2);
    solver->placementsPerReport = solver->countdown = 1;
    solver->reportLimit = 1;
    std::ostringstream console;
    ASSERT_EQ(runSearch(*solver, console), SearchEnd::Stopped);
    EXPECT_EQ(console.str(), statusLine(1, 1, 2));
    Board16 expected{};
    expected[HINT_CELL] = PlacedCell{HINT_PIECE, HINT_ROTATION};
    const LinkedPiece* first = solver->chainHeads[chainIndex(BORDER_COLOUR, BORDER_COLOUR)];
    expected[0] = PlacedCell{first->piece, first->rotation};
    EXPECT_EQ(readFile("Result.csv"), boardText(expected));

    solver->reportLimit = 2;
    ASSERT_EQ(runSearch(*solver, console), SearchEnd::Stopped);
    EXPECT_EQ(console.str(), statusLine(1, 1, 2) + statusLine(2, 2, 4));
    EXPECT_TRUE(consistentBoardFile("Result.csv", piecesAtLevel(2)));
    EXPECT_EQ(filesHere().size(), 1u);  // levels below 200 write no best file
}

// A seeded run repeats exactly, whether it stops at every report or not, and
// every board it writes is consistent. From the planted top half it fills the
// board within a test's time; the full board ends it without a last Result.csv.
TEST_F(BruteReports, SeededRunRepeatsAndWritesOnlyConsistentBoards) {
    const Board16 planted = plantedSolution();
    constexpr int START = 120, INTERVAL = 1'000;
    auto start = [&](RandomState seed) {
        auto solver = seededSolver(seed);
        for (int p = 0; p < START; ++p) pushRecord(*solver, plantedRecord(*solver, planted, cellOfPosition(p)));
        solver->placementsPerReport = solver->countdown = INTERVAL;
        return solver;
    };
    auto enter = [](const char* dir) {
        std::filesystem::create_directory(dir);
        std::filesystem::current_path(dir);
    };

    enter("stepwise");
    auto stepwise = start(5);
    std::ostringstream stepwiseConsole;
    SearchEnd end = SearchEnd::Stopped;
    std::string lastResult;
    for (int report = 1; end == SearchEnd::Stopped && report < 1000; ++report) {
        stepwise->reportLimit = report;
        end = runSearch(*stepwise, stepwiseConsole);
        if (end == SearchEnd::Stopped) {
            ASSERT_TRUE(consistentBoardFile("Result.csv", piecesAtLevel(stepwise->level))) << "report " << report;
            lastResult = readFile("Result.csv");
        }
    }
    ASSERT_EQ(end, SearchEnd::Solved);
    EXPECT_GT(stepwise->reports, 10);
    EXPECT_EQ(readFile("Result.csv"), lastResult);  // not rewritten after the last report
    const auto stepwiseFiles = filesHere();
    for (const auto& [name, bytes] : stepwiseFiles) {
        if (name == "Result.csv") continue;
        EXPECT_EQ(bytes.size(), 1552u);
        EXPECT_TRUE(consistentBoardFile(name, std::stoi(name.substr(4, 3)))) << name;
    }
    EXPECT_EQ(stepwiseFiles.size(), 1u + 57u);  // Result.csv, Best200.csv to Best256.csv
    std::filesystem::current_path("..");

    enter("whole");
    auto whole = start(5);
    std::ostringstream wholeConsole;
    ASSERT_EQ(runSearch(*whole, wholeConsole), SearchEnd::Solved);
    EXPECT_EQ(wholeConsole.str(), stepwiseConsole.str());
    EXPECT_EQ(filesHere(), stepwiseFiles);
    EXPECT_EQ(whole->placements, stepwise->placements);
    std::filesystem::current_path("..");

    enter("other");
    auto other = start(6);
    std::ostringstream otherConsole;
    ASSERT_EQ(runSearch(*other, otherConsole), SearchEnd::Solved);
    EXPECT_NE(otherConsole.str(), stepwiseConsole.str());
    EXPECT_TRUE(consistentBoardFile("Best256.csv", 256));
    std::filesystem::current_path("..");
}

// The millions shown keep growing past the range of 32 bits.
TEST_F(BruteReports, TestsCountPastThirtyTwoBits) {
    auto solver = seededSolver(3);
    solver->tests = 2'147'483'646;
    std::ostringstream console;
    reportProgress(*solver, console);
    EXPECT_EQ(console.str(), statusLine(1, 1, 2'147'483'648LL));
    EXPECT_TRUE(consistentBoardFile("Result.csv", piecesAtLevel(0)));
}
