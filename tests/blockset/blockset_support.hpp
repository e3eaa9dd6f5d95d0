// Helpers for the block-set tests: planted solutions, the checker on files, and
// solvers set up the way a program sets them up.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <set>
#include <sstream>
#include <string>

#include "blockset/block_solver.hpp"
#include "core/board_check.hpp"
#include "tests/support/temp_dir.hpp"

namespace zentara::blockset::testing {

template <class P>
constexpr PuzzleKind KIND = P::CELLS == 256 ? PuzzleKind::Board16x16
                            : P::CELLS == 72 ? PuzzleKind::Board6x12
                                             : PuzzleKind::Board6x6;

template <class P>
const char* solutionFile() {
    return P::CELLS == 256 ? "data/solution_16x16.csv" : P::CELLS == 72 ? "data/solution_6x12.csv" : "data/solution_6x6.csv";
}

// The planted solution as cells (piece, file rotation) in cell order.
template <class P>
std::vector<PlacedCell> plantedCells() {
    BoardCheck check;
    std::string reason;
    EXPECT_TRUE(checkBoardFile(zentara::testing::sourcePath(solutionFile<P>()).c_str(), check, reason)) << reason;
    return check.cells;
}

// A solver after start-up, writing its console output into `out`.
template <class P>
std::unique_ptr<BlockSolver<P>> startedSolver(std::ostream& out, BlockRandom seed = {}) {
    auto s = std::make_unique<BlockSolver<P>>();
    s->out = &out;
    s->random = seed;
    buildRecords(*s);
    buildSets(*s);
    buildPermutations(*s);
    return s;
}

// Gives every record the rotation its piece has in the planted solution.
template <class P>
void plantRotations(BlockSolver<P>& s) {
    const std::vector<PlacedCell> cells = plantedCells<P>();
    for (const PlacedCell& c : cells)
        for (BlockRecord& r : s.records)
            if (r.pieceIndex == c.piece && !r.isHint())
                r.rotation = static_cast<std::uint8_t>((c.rotation - r.baseRotation) & 3);
}

// The checker's verdict on a board file the solver wrote.
inline BoardCheck checkWritten(const char* name, PuzzleKind kind) {
    BoardCheck check;
    std::string reason;
    EXPECT_TRUE(checkBoardFile(name, check, reason)) << name << ": " << reason;
    EXPECT_EQ(check.kind, kind) << name;
    return check;
}

// Every numbered board a 16 x 16 run wrote up to `maxLevel` (136 is never a level):
// the checker accepts it, the hint stands on its cell, and exactly the cells before
// the level are filled.
inline void expectBestBoards16x16(int maxLevel) {
    for (int level = 1; level <= maxLevel; ++level) {
        if (level == HINT_CELL + 1) continue;
        char name[32];
        std::snprintf(name, sizeof name, "Best%03d.csv", level);
        const BoardCheck check = checkWritten(name, PuzzleKind::Board16x16);
        EXPECT_TRUE(check.consistent()) << name;
        EXPECT_TRUE(check.hintInPlace) << name;
        EXPECT_EQ(check.piecesPlaced, level > HINT_CELL ? level : level + 1) << name;
        for (int cell = 0; cell < CELL_COUNT; ++cell)
            EXPECT_EQ(check.cells[cell].empty(), cell >= level && cell != HINT_CELL) << name << " cell " << cell;
        EXPECT_EQ(zentara::testing::readFile(name).size(), static_cast<std::size_t>(LAYOUT_16X16.fileBytes())) << name;
    }
}

}  // namespace zentara::blockset::testing
