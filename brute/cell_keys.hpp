// The key of every cell of the search order, fixed in advance: which flat chain
// table serves the cell and where its left and top colours come from. The two
// cells whose record must meet the hint piece on a side the key does not cover
// walk tables of their own that hold only the records that do.
#pragma once

#include <array>
#include <cstdint>

#include "brute/brute_solver.hpp"
#include "core/pieces.hpp"

namespace zentara::brute {

// Entries of BruteSolver::colourCopies after the 256 cells.
inline constexpr int FRAME_ENTRY = CELL_COUNT;     // four border colours
inline constexpr int HINT_ENTRY = CELL_COUNT + 1;  // the hint's colours, never changed

// Whether a record of the open chains belongs to a flat table: in the two
// tables of the cells before the hint, only when it meets the hint (`hint`: its
// colours as it lies on its cell).
constexpr bool inFlatTable(int table, const PieceEntry& colours, const PieceEntry& hint) {
    using namespace bottom_first;
    if (table == MEETS_HINT_BELOW) return colours[BOTTOM] == hint[TOP];
    if (table == MEETS_HINT_RIGHT) return colours[RIGHT] == hint[LEFT];
    return true;
}
// The linked table a flat table copies.
constexpr int sourceTable(int table) { return table < CHAIN_TABLES ? table : OPEN_CHAINS; }

struct CellKey {
    std::uint16_t cell;
    std::uint16_t chainBase;  // table * FLAT_TABLE_HEADS
    std::uint16_t topByte;    // index into colourCopies
    // Left colour = (right colour of the record on the cell before & leftKeep) | leftConstant.
    // Taking it from the record just placed rather than from its copy on the board
    // saves a store-to-load round trip on the search's critical path (about 10 %
    // more placements per second on the bench).
    Colour leftKeep;      // 0xFF, or 0 where the left colour is a constant
    Colour leftConstant;  // the frame's 0 in column 0
    // The cell after the hint: its left colour is the hint's right one, the set's
    // colour, read from the hint's entry of colourCopies (one cell in 255).
    bool leftFromHint;
};

constexpr std::uint16_t copyByte(int entry, int side) { return static_cast<std::uint16_t>(4 * entry + side); }

constexpr CellKey keyOfCell(int cell) {
    using namespace bottom_first;
    const int row = cell / BOARD_WIDTH;
    const int column = cell % BOARD_WIDTH;
    int table = OPEN_CHAINS;
    if (row == BOARD_HEIGHT - 1) table = column == BOARD_WIDTH - 1 ? CORNER_CHAINS : BOTTOM_RIM_CHAINS;
    else if (column == BOARD_WIDTH - 1) table = RIGHT_RIM_CHAINS;

    CellKey key{};
    key.cell = static_cast<std::uint16_t>(cell);
    key.leftKeep = column == 0 ? 0 : 0xFF;
    key.leftConstant = BORDER_COLOUR;
    key.topByte = row == 0 ? copyByte(FRAME_ENTRY, TOP) : copyByte(cell - BOARD_WIDTH, BOTTOM);
    // Right of and below the hint the key reads the hint's colours from its entry.
    if (cell == HINT_CELL + 1) {
        key.leftKeep = 0;
        key.leftFromHint = true;
    }
    if (cell == HINT_CELL + BOARD_WIDTH) key.topByte = copyByte(HINT_ENTRY, BOTTOM);
    // Above and left of it the hint is not yet behind the cell: its table holds
    // only the records that meet it.
    if (cell == HINT_CELL - BOARD_WIDTH) table = MEETS_HINT_BELOW;
    if (cell == HINT_CELL - 1) table = MEETS_HINT_RIGHT;
    key.chainBase = static_cast<std::uint16_t>(table * FLAT_TABLE_HEADS);
    return key;
}

inline constexpr std::array<CellKey, SEARCH_CELLS> CELL_KEYS = [] {
    std::array<CellKey, SEARCH_CELLS> keys{};
    for (int position = 0; position < SEARCH_CELLS; ++position) keys[position] = keyOfCell(cellOfPosition(position));
    return keys;
}();

}  // namespace zentara::brute
