// The per-cell constants of the search, built at compile time: where each cell
// reads its two list keys, which of them count as joins, its class table, the
// hint filter, the leave-empty threshold and its neighbours in visiting order.
#pragma once

#include <array>
#include <climits>
#include <cstdint>

#include "core/pieces.hpp"
#include "score/score_solver.hpp"

namespace zentara::score {

// The hint piece as it lies on its cell; its neighbours must show its colours
// (top 8, left 12, right 9, bottom 9 on our set; a user's set brings its own, which
// the tables keep: CandidateTables::hintTopColour and hintLeftColour).
inline constexpr int CELL_ABOVE_HINT = HINT_CELL - BOARD_WIDTH;  // 119
inline constexpr int CELL_LEFT_OF_HINT = HINT_CELL - 1;          // 134

inline constexpr std::int32_t NEVER_EMPTY = INT16_MAX;  // above any score (at most 480)
inline constexpr std::array<std::int32_t, 4> EMPTY_BASE = {352, 375, 394, 408};  // rows 12..15
inline constexpr int FIRST_EMPTY_ROW = 12;

// Score needed to leave a cell empty: R(row) + 2 x column in rows 12..15.
constexpr std::int32_t emptyThreshold(int cell) {
    const int row = cell / BOARD_WIDTH, column = cell % BOARD_WIDTH;
    return row >= FIRST_EMPTY_ROW ? EMPTY_BASE[row - FIRST_EMPTY_ROW] + 2 * column : NEVER_EMPTY;
}

enum HintFilter : std::uint8_t { NO_FILTER = 0, BOTTOM_FITS_HINT = 1, RIGHT_FITS_HINT = 2 };

// 16 bytes, so that a cell's rule is one shift away from its index.
struct CellRule {
    std::uint16_t above;       // cell whose bottom colour is the top key (the sentinel in row 0)
    std::uint16_t left;        // cell whose right colour is the left key (the sentinel in column 0)
    std::uint16_t listOffset;  // class table of the cell
    std::uint16_t previous;    // visiting order, the hint cell left out
    std::uint16_t next;
    std::uint8_t aboveJoin;    // 1 when a placed cell above closes a join
    std::uint8_t leftJoin;
    std::uint8_t hintJoin;     // 1 next to the hint from above or from the left
    std::uint8_t filter;       // HintFilter: cells 119 and 134 take only entries that fit the hint
    std::int16_t emptyThreshold;
};
static_assert(sizeof(CellRule) == 16);

inline constexpr std::array<CellRule, CELL_COUNT> CELL_RULES = [] {
    std::array<CellRule, CELL_COUNT> rules{};
    for (int cell = 0; cell < CELL_COUNT; ++cell) {
        const int row = cell / BOARD_WIDTH, column = cell % BOARD_WIDTH;
        CellRule& r = rules[cell];
        r.above = static_cast<std::uint16_t>(row > 0 ? cell - BOARD_WIDTH : BORDER_SENTINEL);
        r.left = static_cast<std::uint16_t>(column > 0 ? cell - 1 : BORDER_SENTINEL);
        r.aboveJoin = row > 0;
        r.leftJoin = column > 0;
        const int tableClass = (row == BOARD_HEIGHT - 1 ? BOTTOM_BORDER_TABLE : OPEN_TABLE) +
                               (column == BOARD_WIDTH - 1 ? RIGHT_BORDER_TABLE : OPEN_TABLE);
        r.listOffset = static_cast<std::uint16_t>(tableClass * LISTS_PER_TABLE);
        // Cells 136 and 151 need no rule of their own: the hint on the board shows
        // them its colours (9 and 9 on our set) and counts as a placed neighbour.
        if (cell == CELL_ABOVE_HINT) {
            r.hintJoin = 1;
            r.filter = BOTTOM_FITS_HINT;
        } else if (cell == CELL_LEFT_OF_HINT) {
            r.hintJoin = 1;
            r.filter = RIGHT_FITS_HINT;
        }
        r.emptyThreshold = static_cast<std::int16_t>(emptyThreshold(cell));
        r.previous = static_cast<std::uint16_t>(cell == HINT_CELL + 1 ? HINT_CELL - 1 : (cell > 0 ? cell - 1 : 0));
        r.next = static_cast<std::uint16_t>(cell == HINT_CELL - 1 ? HINT_CELL + 1 : cell + 1);
    }
    return rules;
}();

static_assert(emptyThreshold(192) == 352 && emptyThreshold(207) == 382 && emptyThreshold(208) == 375 &&
              emptyThreshold(240) == 408 && emptyThreshold(255) == 438);

}  // namespace zentara::score
