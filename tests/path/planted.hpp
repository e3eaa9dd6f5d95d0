// Test helpers: the planted 16 x 16 solution, moved to the front of the lists the
// search will take along a path, and the board checker over written files.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>
#include <string>

#include "core/board_check.hpp"
#include "core/board_file.hpp"
#include "path/path_cells.hpp"
#include "tests/support/planted.hpp"
#include "tests/support/temp_dir.hpp"

namespace zentara::path::testing {

inline Board16 plantedSolution() { return zentara::testing::plantedSolution16(); }

inline std::uint16_t orientedOf(const PlacedCell& cell) {
    return static_cast<std::uint16_t>(orientedNumber(cell.piece, cell.rotation));
}

// Orders the lists so that along the path every cell finds the solution's piece
// first among the pieces still free: cells that share a list get their pieces in
// path order. Fails when a piece is missing from its list, that is when a key or
// a list is wrong.
inline ::testing::AssertionResult plantSolution(PathCells& cells, CandidateLists& lists, const Board16& solution) {
    for (int cell = 0; cell < CELL_COUNT; ++cell)
        if (cell != HINT_CELL) cells.place(cell, NO_PLACEMENT, orientedOf(solution[cell]));
    clearPlacements(cells);
    std::vector<int> order;
    for (int cell = cells.startCell; cell != HINT_CELL; cell = cells.next[cell]) order.push_back(cell);
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        const int cell = *it;
        const std::uint32_t list = cells.listOf(cell);
        std::uint16_t* entries = &lists.pool[lists.first[list]];
        const std::uint16_t wanted = orientedOf(solution[cell]);
        int at = 0;
        while (entries[at] != END_OF_LIST && entries[at] != wanted) ++at;
        if (entries[at] == END_OF_LIST)
            return ::testing::AssertionFailure() << "piece " << wanted << " missing from the list of cell " << cell;
        std::rotate(entries, entries + at, entries + at + 1);
    }
    return ::testing::AssertionSuccess();
}

// Every board file in the current directory is consistent; returns how many there are.
inline int checkAllBoards() {
    int n = 0;
    for (const auto& file : std::filesystem::directory_iterator(".")) {
        if (file.path().extension() != ".csv") continue;
        BoardCheck check;
        std::string reason;
        EXPECT_TRUE(checkBoardFile(file.path().c_str(), check, reason)) << file.path() << ": " << reason;
        EXPECT_TRUE(check.consistent()) << file.path();
        EXPECT_TRUE(check.hintInPlace) << file.path();
        EXPECT_EQ(zentara::testing::readFile(file.path()).size(), 1552u) << file.path();
        ++n;
    }
    return n;
}

inline int piecesIn(const char* name) {
    BoardCheck check;
    std::string reason;
    return checkBoardFile(name, check, reason) ? check.piecesPlaced : -1;
}

}  // namespace zentara::path::testing
