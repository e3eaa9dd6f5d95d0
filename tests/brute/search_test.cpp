#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "brute/cell_keys.hpp"
#include "brute_test_support.hpp"

using namespace zentara;
using namespace zentara::brute;
using namespace zentara::brute::testing;
using zentara::testing::readFile;

namespace {

class BruteSearch : public zentara::testing::TempDirTest {
protected:
    Board16 planted = plantedSolution();
};

std::string bestName(int level) { return "Best" + std::to_string(level) + ".csv"; }

}  // namespace

// With every planted record first in its chain the search meets no dead end:
// 255 placements, one per cell, give the planted board. Every level from 2 on is
// a new best, but only 200 and above are written, each file the board of its
// moment; the board never reaches a report, so no Result.csv appears.
TEST_F(BruteSearch, PlantedChainsWalkStraightToTheSolution) {
    auto solver = seededSolver(11);
    promotePlanted(*solver, planted);
    std::ostringstream console;
    EXPECT_EQ(runSearch(*solver, console), SearchEnd::Solved);
    EXPECT_EQ(solver->placements, 255u);
    EXPECT_EQ(solver->level, 256);
    EXPECT_EQ(solver->bestLevel, 256);
    EXPECT_EQ(boardTextOf(*solver), boardText(planted));
    EXPECT_EQ(console.str(), "");
    EXPECT_FALSE(std::filesystem::exists("Result.csv"));

    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
        const std::string name = entry.path().filename().string();
        ASSERT_EQ(name.substr(0, 4), "Best") << name;
        const int level = std::stoi(name.substr(4, 3));
        ASSERT_GE(level, 200) << name;
        EXPECT_EQ(name, bestName(level));
        EXPECT_EQ(readFile(name), boardText(plantedPrefix(planted, positionOfCell(level - 1) + 1))) << name;
        EXPECT_TRUE(consistentBoardFile(name, level));
        ++files;
    }
    EXPECT_EQ(files, 57);  // Best200.csv to Best256.csv
    EXPECT_EQ(readFile("Best213.csv").size(), 1552u);
    BoardCheck full;
    std::string reason;
    ASSERT_TRUE(checkBoardFile("Best256.csv", full, reason)) << reason;
    EXPECT_TRUE(full.complete());
}

// A search resumed from any partial board reads its first key from the board's
// colour copies (the constants at 136 and 151 included) and still walks straight.
TEST_F(BruteSearch, ResumesFromPlantedPartialBoards) {
    for (int cell : {1, 15, 16, 119, 134, 136, 151, 240, 255}) {
        auto solver = seededSolver(12);
        promotePlanted(*solver, planted);
        const int positions = positionOfCell(cell);
        for (int p = 0; p < positions; ++p) pushRecord(*solver, plantedRecord(*solver, planted, cellOfPosition(p)));
        std::ostringstream console;
        EXPECT_EQ(runSearch(*solver, console), SearchEnd::Solved) << "from cell " << cell;
        EXPECT_EQ(solver->placements, static_cast<std::uint64_t>(SEARCH_CELLS - positions)) << "from cell " << cell;
        EXPECT_EQ(boardTextOf(*solver), boardText(planted)) << "from cell " << cell;
    }
}

// Above and left of the hint the key cannot see it: a record that would not meet
// the hint is passed over there, though it stands before the planted one.
TEST_F(BruteSearch, CellsBeforeTheHintPassOverRecordsThatMissIt) {
    for (int cell : {119, 134}) {
        auto solver = seededSolver(13);
        promotePlanted(*solver, planted);
        const int side = cell == 119 ? bottom_first::BOTTOM : bottom_first::RIGHT;
        const Colour hintSide = HINT_COLOURS[(side + 2) & 3];
        // The decoy: another turn of the piece planted on the next cell, so that it is
        // free here and used before any later cell of the same chain could take it.
        const int next = cellOfPosition(positionOfCell(cell) + 1);
        LinkedPiece* decoy = nullptr;
        for (int r = 0; r < 4 && decoy == nullptr; ++r) {
            LinkedPiece& candidate = solver->records[orientedNumber(planted[next].piece, r)];
            if (r != planted[next].rotation && candidate.colours[side] != hintSide) decoy = &candidate;
        }
        ASSERT_NE(decoy, nullptr);
        moveBefore(*solver, *decoy, plantedRecord(*solver, planted, cell));

        std::ostringstream console;
        EXPECT_EQ(runSearch(*solver, console), SearchEnd::Solved) << "cell " << cell;
        EXPECT_EQ(solver->placements, 255u) << "cell " << cell;
        EXPECT_EQ(boardTextOf(*solver), boardText(planted)) << "cell " << cell;
    }
}

// When cell 0 runs out of candidates the search ends at once and writes nothing.
TEST_F(BruteSearch, ExhaustedFirstCellEndsTheSearch) {
    auto solver = seededSolver(14);
    // Leave cell 0 one corner, whose right colour leads to an empty chain on cell 1.
    LinkedPiece& corner = solver->records[orientedNumber(0, 1)];
    const int cell0Head = chainIndex(BORDER_COLOUR, BORDER_COLOUR);
    solver->chainHeads[cell0Head] = nullptr;
    moveToFront(*solver, corner, cell0Head);
    solver->chainHeads[chainIndex(corner.colours[bottom_first::RIGHT], BORDER_COLOUR)] = nullptr;

    std::ostringstream console;
    EXPECT_EQ(runSearch(*solver, console), SearchEnd::Exhausted);
    EXPECT_EQ(solver->placements, 1u);
    EXPECT_EQ(solver->level, 1);
    EXPECT_EQ(solver->bestLevel, 1);
    EXPECT_EQ(solver->filled, 0);
    EXPECT_EQ(solver->placed[0], nullptr);
    EXPECT_EQ(console.str(), "");
    EXPECT_TRUE(std::filesystem::is_empty("."));
}

// A best file that cannot be written is skipped; the search and the later files go on.
TEST_F(BruteSearch, UnwritableBestFileIsSkipped) {
    std::filesystem::create_directory("Best230.csv");
    auto solver = seededSolver(15);
    promotePlanted(*solver, planted);
    std::ostringstream console;
    EXPECT_EQ(runSearch(*solver, console), SearchEnd::Solved);
    EXPECT_TRUE(std::filesystem::is_directory("Best230.csv"));
    EXPECT_TRUE(consistentBoardFile("Best229.csv", 229));
    EXPECT_TRUE(consistentBoardFile("Best231.csv", 231));
    EXPECT_TRUE(consistentBoardFile("Best256.csv", 256));
    int leftovers = 0;  // no temporary file stays behind
    for (const auto& entry : std::filesystem::directory_iterator("."))
        leftovers += entry.path().filename().string().substr(0, 1) == ".";
    EXPECT_EQ(leftovers, 0);
}
