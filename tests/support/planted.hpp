// Test support: the planted 16 x 16 solution, the strongest oracle the tests have.
#pragma once

#include "core/board_file.hpp"
#include "tests/support/temp_dir.hpp"

namespace zentara::testing {

inline Board16 plantedSolution16() {
    Board16 cells{};
    parseBoardBytes(readFile(sourcePath("data/solution_16x16.csv")), cells);
    return cells;
}

}  // namespace zentara::testing
