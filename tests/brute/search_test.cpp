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
    std::ostringstream console;
};

struct PlainRun {
    std::uint64_t placements = 0;
    int bestLevel = 1;
    Board16 board{};
};

// The search as plainly as it can be written: depth first in row order over the
// linked chains, a record taken when its piece is free (and, on the two cells
// before the hint, when it meets the hint), for at most `limit` placements.
PlainRun plainSearch(const BruteSolver& s, std::uint64_t limit) {
    using namespace bottom_first;
    std::array<const LinkedPiece*, CELL_COUNT> onCell{};
    onCell[HINT_CELL] = &s.records[HINT_RECORD];
    std::array<bool, PIECE_COUNT> used{};
    used[HINT_PIECE] = true;
    const auto firstOf = [&](int cell) {
        const int row = cell / BOARD_WIDTH, column = cell % BOARD_WIDTH;
        const Colour left = column == 0 ? BORDER_COLOUR : onCell[cell - 1]->colours[RIGHT];
        const Colour top = row == 0 ? BORDER_COLOUR : onCell[cell - BOARD_WIDTH]->colours[BOTTOM];
        const int table = (row == BOARD_HEIGHT - 1 ? 1 : 0) + (column == BOARD_WIDTH - 1 ? 2 : 0);
        return s.chainHeads[table * CHAIN_HEADS + chainIndex(left, top)];
    };
    const PieceEntry& hint = onCell[HINT_CELL]->colours;
    const auto fits = [&](int cell, const LinkedPiece* r) {
        if (used[r->piece]) return false;
        if (cell == HINT_CELL - BOARD_WIDTH) return r->colours[BOTTOM] == hint[TOP];
        if (cell == HINT_CELL - 1) return r->colours[RIGHT] == hint[LEFT];
        return true;
    };
    std::array<const LinkedPiece*, SEARCH_CELLS> candidate{};  // the next to try on each position
    candidate[0] = firstOf(0);
    PlainRun run;
    int p = 0;
    while (run.placements < limit) {
        const int cell = cellOfPosition(p);
        const LinkedPiece* r = candidate[p];
        while (r != nullptr && !fits(cell, r)) r = r->next;
        if (r == nullptr) {  // back to the cell before
            if (p == 0) break;
            const int back = cellOfPosition(--p);
            used[onCell[back]->piece] = false;
            onCell[back] = nullptr;
            continue;
        }
        onCell[cell] = r;
        used[r->piece] = true;
        candidate[p] = r->next;
        ++run.placements;
        run.bestLevel = std::max(run.bestLevel, cell + 1);
        if (++p == SEARCH_CELLS) break;
        candidate[p] = firstOf(cellOfPosition(p));
    }
    for (int cell = 0; cell < CELL_COUNT; ++cell)
        if (onCell[cell] != nullptr) run.board[cell] = PlacedCell{onCell[cell]->piece, onCell[cell]->rotation};
    return run;
}
}  // namespace

// Seeded runs walk the placements of the plain search, to the same board and best
// level: runs that go back above the middle rows and down again many times (seed
// 56: 188 times onto cell 96 in its first 300,000 placements) and one far below.
TEST_F(BruteSearch, WalksThePlacementsOfAPlainSearch) {
    const struct {
        RandomState seed;
        std::uint64_t placements;
    } rows[] = {{56, 300'000}, {51, 300'000}, {1, 1'500'000}};
    for (const auto& row : rows) {
        auto solver = seededSolver(row.seed);
        const PlainRun plain = plainSearch(*solver, row.placements);
        solver->limits.workPerReport = static_cast<std::uint32_t>(row.placements);
        solver->countdown = static_cast<int>(row.placements);
        solver->limits.reports = 1;
        EXPECT_EQ(runSearch(*solver, console), SearchEnd::Stopped) << row.seed;
        EXPECT_EQ(solver->placements, plain.placements) << row.seed;
        EXPECT_EQ(solver->bestLevel, plain.bestLevel) << row.seed;
        EXPECT_EQ(boardTextOf(*solver), plantedText(plain.board, CELL_COUNT - 1)) << row.seed;
    }
}

// Through planted chains the search walks straight to the solution: 255
// placements, every level from 2 on a new best, but files only from 200 on,
// each the board of its moment; one that cannot be written is skipped.
TEST_F(BruteSearch, PlantedChainsWalkStraightToTheSolution) {
    std::filesystem::create_directory("Best230.csv");
    auto solver = seededSolver(11);
    promotePlanted(*solver, planted);
    EXPECT_EQ(runSearch(*solver, console), SearchEnd::Solved);
    EXPECT_EQ(solver->placements, 255u);
    EXPECT_EQ(solver->bestLevel, 256);
    EXPECT_EQ(console.str(), "");
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
        const std::string name = entry.path().filename().string();
        const int level = std::stoi(name.substr(4, 3));
        ASSERT_EQ(name, "Best" + std::to_string(level) + ".csv");  // no Result.csv, no temporary file
        if (level == 230) continue;
        EXPECT_EQ(readFile(name), plantedText(planted, level - 1));
        EXPECT_TRUE(consistentAtLevel(name, level));
        ++files;
    }
    EXPECT_EQ(files, 56);  // Best200.csv to Best256.csv but the blocked one
    EXPECT_TRUE(std::filesystem::is_directory("Best230.csv"));
}

// Resumed from a partial board, the first key comes from the board's copies.
TEST_F(BruteSearch, ResumesFromPlantedPartialBoards) {
    for (int cell : {1, 16, 119, 134, 136, 151, 240, 255}) {
        auto solver = seededSolver(12);
        promotePlanted(*solver, planted);
        for (int p = 0; p < positionOfCell(cell); ++p) pushRecord(*solver, recordOf(*solver, planted[cellOfPosition(p)]));
        EXPECT_EQ(runSearch(*solver, console), SearchEnd::Solved) << cell;
        EXPECT_EQ(solver->placements, static_cast<std::uint64_t>(SEARCH_CELLS - positionOfCell(cell))) << cell;
        EXPECT_EQ(boardTextOf(*solver), plantedText(planted, 255)) << cell;
    }
}

// The full board found, its file not written (Best256.csv a link into a directory
// that is not there): the failure is said, the board goes to the console, exit 1.
TEST_F(BruteSearch, FullBoardThatCannotBeWrittenGoesToTheConsole) {
    std::filesystem::create_symlink("gone/Best256.csv", "Best256.csv");
    auto solver = seededSolver(12);
    promotePlanted(*solver, planted);
    for (int p = 0; p < positionOfCell(240); ++p) pushRecord(*solver, recordOf(*solver, planted[cellOfPosition(p)]));
    const BoardWriteConsole watch(console);
    const SearchEnd end = runSearch(*solver, console);
    ASSERT_EQ(end, SearchEnd::Solved);
    EXPECT_EQ(finishRun(*solver, end, console), 1);
    EXPECT_EQ(console.str(), "\nBoard not written: Best256.csv: No such file or directory; trying again with the next board\n"
                             "\nThe full board could not be written to its file; here it is:\n" +
                                 plantedText(planted, 255));
    std::filesystem::remove("Best256.csv");
    console.str("");
    auto again = seededSolver(12);
    promotePlanted(*again, planted);
    EXPECT_EQ(finishRun(*again, runSearch(*again, console), console), 0);
    EXPECT_EQ(readFile("Best256.csv"), plantedText(planted, 255));
}

// Above and left of the hint the key cannot see it: a free record that would
// not meet it is passed over, though it stands before the planted one.
TEST_F(BruteSearch, CellsBeforeTheHintPassOverRecordsThatMissIt) {
    for (int cell : {119, 134}) {
        auto solver = seededSolver(13);
        promotePlanted(*solver, planted);
        const int side = cell == 119 ? bottom_first::BOTTOM : bottom_first::RIGHT;
        // Another turn of the piece of the next cell: free here, used before any later cell could take it.
        const PlacedCell next = planted[cellOfPosition(positionOfCell(cell) + 1)];
        int r = 0;
        while (r == next.rotation || solver->records[orientedNumber(next.piece, r)].colours[side] == pieceSet().hintSides()[(side + 2) & 3]) ++r;
        LinkedPiece& own = recordOf(*solver, planted[cell]);
        moveRecord(*solver, solver->records[orientedNumber(next.piece, r)], headOf(own), &own);
        EXPECT_EQ(runSearch(*solver, console), SearchEnd::Solved) << cell;
        EXPECT_EQ(solver->placements, 255u) << cell;
    }
}

// When cell 0 runs out of candidates the search ends at once and writes nothing.
TEST_F(BruteSearch, ExhaustedFirstCellEndsTheSearch) {
    auto solver = seededSolver(14);
    LinkedPiece& corner = solver->records[orientedNumber(0, 1)];  // the only candidate left on cell 0
    solver->chainHeads[chainIndex(0, 0)] = nullptr;
    moveRecord(*solver, corner, chainIndex(0, 0));
    solver->chainHeads[chainIndex(corner.colours[bottom_first::RIGHT], 0)] = nullptr;  // and nothing after it
    EXPECT_EQ(runSearch(*solver, console), SearchEnd::Exhausted);
    EXPECT_EQ(solver->placements, 1u);
    EXPECT_EQ(solver->bestLevel, 1);
    EXPECT_EQ(solver->level, 1);  // the level of the empty board it leaves
    EXPECT_EQ(solver->placed[0], nullptr);
    EXPECT_TRUE(std::filesystem::is_empty("."));
}
