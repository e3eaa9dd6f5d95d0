// Helpers shared by the shift solver tests: the planted solution, board files
// written from it, and the board checker on files the solver writes.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/board_check.hpp"
#include "core/board_file.hpp"
#include "shift/shift_search.hpp"
#include "tests/support/planted.hpp"
#include "tests/support/temp_dir.hpp"

namespace zentara::shift::testing {

inline Board16 plantedSolution() { return zentara::testing::plantedSolution16(); }

inline std::string boardText(const Board16& cells) {
    BoardText text;
    formatBoard(cells.data(), LAYOUT_16X16, text);
    return std::string(text.view());
}

// The planted solution with `count` non-fixed cells emptied, chosen by a fixed generator.
inline Board16 plantedWithHoles(int count, RandomState seed) {
    Board16 cells = plantedSolution();
    Random random{seed};
    while (count > 0) {
        const int cell = static_cast<int>(random.topByte());
        bool fixed = false;
        for (const FixedPlacement& f : pieceSet().clues()) fixed |= f.cell == cell;
        if (fixed || cells[cell].empty()) continue;
        cells[cell] = PlacedCell{};
        --count;
    }
    return cells;
}

inline std::unique_ptr<ShiftSearch> freshSearch(RandomState seed = 1) {
    auto search = std::make_unique<ShiftSearch>();
    setUp(*search, seed);
    return search;
}

// Checks a written board file and returns the checker's figures.
inline BoardCheck checkedFile(const std::string& name) {
    BoardCheck check;
    std::string reason;
    // Every board a program writes must pass the independent checker.
    EXPECT_TRUE(checkBoardFile(name.c_str(), check, reason)) << name << ": " << reason;
    EXPECT_EQ(zentara::testing::readFile(name).size(), 1552u) << name;
    EXPECT_TRUE(check.consistent()) << name;
    EXPECT_TRUE(check.hintInPlace) << name;
    return check;
}

}  // namespace zentara::shift::testing
