#include <gtest/gtest.h>

#include <memory>

#include "path/path_cells.hpp"

namespace zentara::path {
namespace {

TEST(Paths, EveryPathVisitsEachCellOnceAndEndsAtTheHint) {
    auto cells = std::make_unique<PathCells>();
    for (int mode = 0; mode < PATH_MODES; ++mode) {
        setUpPath(*cells, mode);
        std::array<int, CELL_COUNT> seen{};
        int cell = cells->startCell;
        EXPECT_EQ(cells->previous[cell], cell) << mode;
        for (int step = 0; step < PATH_LENGTH; ++step) {
            ASSERT_NE(cell, HINT_CELL) << "mode " << mode << " step " << step;
            ++seen[cell];
            const int next = cells->next[cell];
            if (next != HINT_CELL) {
                EXPECT_EQ(cells->previous[next], cell);
            }
            cell = next;
        }
        EXPECT_EQ(cell, HINT_CELL) << mode;
        for (int c = 0; c < CELL_COUNT; ++c) EXPECT_EQ(seen[c], c == HINT_CELL ? 0 : 1) << "mode " << mode << " cell " << c;
    }
}

TEST(Paths, OrdersFollowTheirRules) {
    // Mode 1: row 0, then row 15.
    EXPECT_EQ(PATH_ORDERS[1][15], 15);
    EXPECT_EQ(PATH_ORDERS[1][16], 240);
    // Mode 2: rows 0, 15, 14, 1.
    EXPECT_EQ(PATH_ORDERS[2][32], 224);
    EXPECT_EQ(PATH_ORDERS[2][48], 16);
    // Mode 6: column 0 from row 15 up to row 8, then column 1; the upper half
    // starts at cell 127 and ends at cell 0.
    const std::array<int, 9> mode6{240, 224, 208, 192, 176, 160, 144, 128, 241};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(PATH_ORDERS[6][i], mode6[i]);
    EXPECT_EQ(PATH_ORDERS[6][127], 127);
    EXPECT_EQ(PATH_ORDERS[6][254], 0);
    // Tables: mode 3 starts along the top-right corner, mode 4 and 5 at the bottom left.
    EXPECT_EQ(PATH_ORDERS[3][1], 14);
    EXPECT_EQ(PATH_ORDERS[3][2], 31);
    EXPECT_EQ(PATH_ORDERS[3][254], 92);
    EXPECT_EQ(PATH_ORDERS[4][1], 241);
    EXPECT_EQ(PATH_ORDERS[4][254], 121);
    EXPECT_EQ(PATH_ORDERS[5][1], 224);
    EXPECT_EQ(PATH_ORDERS[5][254], 15);
    // Out-of-range settings take the row-by-row path.
    EXPECT_EQ(normalisedPathMode(7), 0);
    EXPECT_EQ(normalisedPathMode(-1), 0);
    EXPECT_EQ(normalisedPathMode(6), 6);
}

TEST(Paths, ClassesComeFromTheFrameAndThePathOrder) {
    auto cells = std::make_unique<PathCells>();
    setUpPath(*cells, 0);
    EXPECT_EQ(cells->cellClass[0], 1 + 27);          // top and left frame
    EXPECT_EQ(cells->cellClass[1], 1 + 2 * 27);      // top frame, left known
    EXPECT_EQ(cells->cellClass[17], 2 + 2 * 27);     // top and left known
    EXPECT_EQ(cells->cellClass[134], 2 + 2 * 3 + 2 * 27);  // the hint on its right is known
    EXPECT_EQ(cells->cellClass[151], 2 + 2 * 27);    // below the hint
    EXPECT_EQ(cells->cellClass[255], 2 + 3 + 9 + 2 * 27);
    EXPECT_EQ(cells->cellClass[HINT_CELL], HINT_CLASS);
    setUpPath(*cells, 4);
    EXPECT_EQ(cells->cellClass[240], 9 + 27);        // bottom and left frame, nothing known
    EXPECT_EQ(cells->cellClass[241], 9 + 2 * 27);

    // In every path, of two neighbouring searched cells exactly the later one
    // counts the earlier one as known; the hint is known to all its neighbours.
    const Geometry& g = BOARD_16X16;
    for (int mode = 0; mode < PATH_MODES; ++mode) {
        setUpPath(*cells, mode);
        std::array<int, CELL_COUNT> step{};
        for (int s = 0; s < PATH_LENGTH; ++s) step[PATH_ORDERS[mode][s]] = s;
        for (int cell = 0; cell < CELL_COUNT; ++cell) {
            if (cell == HINT_CELL) continue;
            const std::array<int, 4> neighbour{g.above(cell), g.right(cell), g.below(cell), g.left(cell)};
            for (int side = 0; side < 4; ++side) {
                const int digit = classDigit(cells->cellClass[cell], side);
                if (neighbour[side] < 0)
                    EXPECT_EQ(digit, DIGIT_FRAME);
                else if (neighbour[side] == HINT_CELL || step[neighbour[side]] < step[cell])
                    EXPECT_EQ(digit, DIGIT_KNOWN) << "mode " << mode << " cell " << cell << " side " << side;
                else
                    EXPECT_EQ(digit, DIGIT_OPEN) << "mode " << mode << " cell " << cell << " side " << side;
            }
        }
    }
}

TEST(Paths, CellsNextToTheHintKeyOnTheHintColours) {
    auto cells = std::make_unique<PathCells>();
    setUpPath(*cells, 0);
    const PieceEntry hint = rotate(pieceSet().topFirst[HINT_PIECE], HINT_ROTATION);
    for (int side = 0; side < 4; ++side) EXPECT_EQ(cells->sideBytes()[HINT_CELL * 4 + side], hint[side]);
    // Cell 134 knows left, right (the hint) and top: the key is left, right, top.
    ASSERT_EQ(cells->knownCount[134], 3);
    EXPECT_EQ(cells->knownColourAt[134][1], HINT_CELL * 4 + top_first::LEFT);
    const std::uint32_t key134 = cells->listOf(134) - CLASS_BASE[cells->cellClass[134]];
    EXPECT_EQ(key134 >> 5 & 31, hint[top_first::LEFT]);
    // Cell 119 (above the hint) keys on the hint's top colour as its bottom side.
    ASSERT_EQ(cells->knownCount[119], 3);
    EXPECT_EQ(cells->knownColourAt[119][1], HINT_CELL * 4 + top_first::TOP);
    // Cell 151 (below) and 136 (right) see the hint's bottom and right colours.
    EXPECT_EQ(cells->knownColourAt[151][1], HINT_CELL * 4 + top_first::BOTTOM);
    EXPECT_EQ(cells->knownColourAt[136][0], HINT_CELL * 4 + top_first::RIGHT);
}

}  // namespace
}  // namespace zentara::path
