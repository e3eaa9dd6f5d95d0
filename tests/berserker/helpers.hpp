// Shared helpers of the berserker tests: engines, the planted solution and an
// independent check of every invariant of a board record.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "berserker/berserker.hpp"
#include "core/board_file.hpp"
#include "core/pieces.hpp"
#include "tests/support/planted.hpp"
#include "tests/support/temp_dir.hpp"

namespace zentara::berserker::testing {

inline std::unique_ptr<Berserker> makeEngine(RandomState seed) {
    auto engine = std::make_unique<Berserker>();
    setUp(*engine, seed);
    return engine;
}

inline Board16 plantedSolution() { return zentara::testing::plantedSolution16(); }

inline PlacedCell placed(int piece, int rotation) {
    return PlacedCell{static_cast<std::int16_t>(piece), static_cast<std::uint8_t>(rotation)};
}

inline std::string boardText(const Berserker& e, const Board& board) {
    Board16 cells;
    boardCells(e, board, cells);
    BoardText text;
    formatBoard(cells.data(), LAYOUT_16X16, text);
    return std::string(text.view());
}

// Checks a board record against what its placements imply, recomputing
// everything from scratch: known bits, pieces' cells, free list and level.
inline void expectBoardInvariants(const Berserker& e, const Board& b) {
    int level = 0;
    std::array<int, PIECE_COUNT> seen{};
    std::array<bool, ARRAY_CELLS> inFreeList{};
    ASSERT_GE(b.freeLength, 0);
    ASSERT_LE(b.freeLength, FREE_CAPACITY);
    for (int i = 0; i < b.freeLength; ++i) {
        const int cell = b.freeCells[i];
        ASSERT_GE(boardCellOf(cell), 0) << "frame cell " << cell << " in the free list";
        ASSERT_FALSE(inFreeList[cell]) << "cell " << cell << " twice in the free list";
        inFreeList[cell] = true;
    }
    for (int a = 0; a < ARRAY_CELLS; ++a) {
        const Cell& c = b.cells[a];
        const int boardCell = boardCellOf(a);
        if (boardCell < 0) {
            EXPECT_TRUE(c.flags & NEVER_CHANGES) << a;
            EXPECT_EQ(c.placement, NO_RECORD) << a;
            continue;
        }
        const bool fixed = boardCell == HINT_CELL || boardCell == 210 || boardCell == 45;
        EXPECT_EQ(bool(c.flags & NEVER_CHANGES), fixed) << boardCell;
        std::uint8_t known = 0;
        for (int k = 0; k < 4; ++k) {
            const int n = a + NEIGHBOUR_OFFSET[k];
            if (boardCellOf(n) < 0 || b.cells[n].placement != NO_RECORD) known |= std::uint8_t(1 << k);
        }
        EXPECT_EQ(c.flags & KNOWN_SIDES, known) << "known sides of cell " << boardCell;
        if (c.placement == NO_RECORD) {
            EXPECT_TRUE(inFreeList[a]) << "empty cell " << boardCell << " missing from the free list";
            continue;
        }
        EXPECT_FALSE(inFreeList[a]) << "filled cell " << boardCell << " in the free list";
        const Record& r = e.tables.records[c.placement];
        EXPECT_EQ(c.piece, r.piece);
        EXPECT_EQ(c.sides, r.sides);
        EXPECT_EQ(b.pieceCell[r.piece], a) << "piece " << int(r.piece);
        ++seen[r.piece];
        ++level;
    }
    for (int p = 0; p < PIECE_COUNT; ++p) {
        EXPECT_LE(seen[p], 1) << "piece " << p;
        if (seen[p] == 0) {
            EXPECT_EQ(b.pieceCell[p], NO_CELL) << "piece " << p;
        }
    }
    EXPECT_EQ(b.level, level);
    EXPECT_EQ(b.freeLength, CELL_COUNT - level);
}

}  // namespace zentara::berserker::testing

namespace zentara::berserker::testing {

inline bool sameBoard(const Board& a, const Board& b) {
    if (a.level != b.level || a.freeLength != b.freeLength) return false;
    for (int i = 0; i < ARRAY_CELLS; ++i) {
        const Cell &x = a.cells[i], &y = b.cells[i];
        if (x.flags != y.flags || x.placement != y.placement) return false;
        if (x.placement != NO_RECORD && (x.sides != y.sides || x.piece != y.piece)) return false;
    }
    for (int i = 0; i < a.freeLength; ++i)
        if (a.freeCells[i] != b.freeCells[i]) return false;
    return a.pieceCell == b.pieceCell;
}

// A generator state whose next draw is `value`.
inline RandomState stateBefore(std::uint32_t value) {
    std::uint32_t inverse = RANDOM_MULTIPLIER;  // Newton's iteration for the inverse modulo 2^32
    for (int i = 0; i < 5; ++i) inverse *= 2 - RANDOM_MULTIPLIER * inverse;
    return (value - RANDOM_INCREMENT) * inverse;
}

}  // namespace zentara::berserker::testing
