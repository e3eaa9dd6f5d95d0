// The key of every cell of the search order, fixed in advance: which chain
// table serves the cell, where its left and top colours come from, and the one
// extra colour test of the two cells whose record must meet the hint piece on a
// side the key does not cover.
#pragma once

#include <array>
#include <cstdint>

#include "brute/brute_solver.hpp"
#include "core/pieces.hpp"

namespace zentara::brute {

// The hint piece as it lies on its cell; the cells around it take their
// constants and filters from these colours.
inline constexpr PieceEntry HINT_COLOURS = rotate(PIECES_BOTTOM_FIRST[HINT_PIECE], HINT_ROTATION);

// Entries of BruteSolver::colourCopies after the 256 cells.
inline constexpr int FRAME_ENTRY = CELL_COUNT;     // four border colours
inline constexpr int HINT_ENTRY = CELL_COUNT + 1;  // the hint's colours, never changed

inline constexpr std::uint8_t NO_FILTER = 0xFF;

struct CellKey {
    std::uint16_t cell;
    std::uint16_t chainBase;  // table * FLAT_TABLE_HEADS
    std::uint16_t topByte;    // index into colourCopies
    // Left colour = (right colour of the record on the cell before & leftKeep) | leftConstant.
    // Taking it from the record just placed rather than from its copy on the board
    // saves a store-to-load round trip on the search's critical path (about 10 %
    // more placements per second on the bench).
    Colour leftKeep;      // 0xFF, or 0 where the left colour is a constant
    Colour leftConstant;  // the frame's 0 in column 0, the hint's right colour on the cell after it
    std::uint8_t filterSide;  // NO_FILTER, or the side that must show filterColour
    Colour filterColour;
};

constexpr std::uint16_t copyByte(int entry, int side) { return static_cast<std::uint16_t>(4 * entry + side); }

constexpr CellKey keyOfCell(int cell) {
    using namespace bottom_first;
    const int row = cell / BOARD_WIDTH;
    const int column = cell % BOARD_WIDTH;
    ChainTable table = OPEN_CHAINS;
    if (row == BOARD_HEIGHT - 1) table = column == BOARD_WIDTH - 1 ? CORNER_CHAINS : BOTTOM_RIM_CHAINS;
    else if (column == BOARD_WIDTH - 1) table = RIGHT_RIM_CHAINS;

    CellKey key{};
    key.cell = static_cast<std::uint16_t>(cell);
    key.chainBase = static_cast<std::uint16_t>(table * FLAT_TABLE_HEADS);
    key.leftKeep = column == 0 ? 0 : 0xFF;
    key.leftConstant = BORDER_COLOUR;
    key.topByte = row == 0 ? copyByte(FRAME_ENTRY, TOP) : copyByte(cell - BOARD_WIDTH, BOTTOM);
    key.filterSide = NO_FILTER;
    // Right of and below the hint the key reads the hint's colour as a constant.
    if (cell == HINT_CELL + 1) {
        key.leftKeep = 0;
        key.leftConstant = HINT_COLOURS[RIGHT];
    }
    if (cell == HINT_CELL + BOARD_WIDTH) key.topByte = copyByte(HINT_ENTRY, BOTTOM);
    // Above and left of it the hint is not yet behind the cell, so the record is filtered.
    if (cell == HINT_CELL - BOARD_WIDTH) {
        key.filterSide = BOTTOM;
        key.filterColour = HINT_COLOURS[TOP];
    }
    if (cell == HINT_CELL - 1) {
        key.filterSide = RIGHT;
        key.filterColour = HINT_COLOURS[LEFT];
    }
    return key;
}

inline constexpr std::array<CellKey, SEARCH_CELLS> CELL_KEYS = [] {
    std::array<CellKey, SEARCH_CELLS> keys{};
    for (int position = 0; position < SEARCH_CELLS; ++position) keys[position] = keyOfCell(cellOfPosition(position));
    return keys;
}();

}  // namespace zentara::brute
