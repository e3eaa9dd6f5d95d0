// Included by berserker.hpp: the operations of every step.
#pragma once

namespace zentara::berserker {

// The candidate list for a cell, from its class and the colours its known sides
// require (the bottom of the cell above, the left of the cell to the right, the
// top of the cell below, the right of the cell to the left; frame cells hold 0).
// Unknown sides are masked out, so stale sides of emptied cells never count.
inline CandidateList candidateListOf(const CandidateTables& tables, const Board& board, int arrayCell) {
    const Cell* c = board.cells.data() + arrayCell;
    const KeyRecipe& recipe = KEY_RECIPES[c->flags & KNOWN_SIDES];
    const std::uint32_t top = sideColour(c[-FRAMED_SIDE].sides, 2) & recipe.mask[0];
    const std::uint32_t right = sideColour(c[1].sides, 3) & recipe.mask[1];
    const std::uint32_t bottom = sideColour(c[FRAMED_SIDE].sides, 0) & recipe.mask[2];
    const std::uint32_t left = sideColour(c[-1].sides, 1) & recipe.mask[3];
    const std::uint32_t key = top << recipe.shift[0] | right << recipe.shift[1] | bottom << recipe.shift[2] |
                              left << recipe.shift[3];
    return tables.lists[recipe.base + key];
}

// Places record `recordIndex` on the cell at position `freeIndex` of the free list.
inline void placeRecord(Board& board, const CandidateTables& tables, int recordIndex, int freeIndex) {
    const Record& record = tables.records[recordIndex];
    const int cell = board.freeCells[freeIndex];
    board.pieceCell[record.piece] = static_cast<std::int16_t>(cell);
    // Unlink: close the gap, keeping the order of the other free cells.
    std::uint16_t* free = board.freeCells.data();
    for (int i = freeIndex + 1; i < board.freeLength; ++i) free[i - 1] = free[i];
    --board.freeLength;
    Cell& c = board.cells[cell];
    c.sides = record.sides;
    c.placement = static_cast<std::int16_t>(recordIndex);
    c.piece = record.piece;
    for (int k = 0; k < 4; ++k) board.cells[cell + NEIGHBOUR_OFFSET[k]].flags |= BIT_ON_NEIGHBOUR[k];
    ++board.level;
}

// Removes the piece of an array cell: nothing happens outside the array, on a
// cell that never changes or on an empty cell. Returns whether a piece went.
inline bool removePiece(Board& board, int arrayCell) {
    if (arrayCell < 0 || arrayCell >= ARRAY_CELLS) return false;
    Cell& c = board.cells[arrayCell];
    if ((c.flags & NEVER_CHANGES) || c.placement == NO_RECORD) return false;
    c.placement = NO_RECORD;
    board.pieceCell[c.piece] = NO_CELL;
    board.freeCells[board.freeLength++] = static_cast<std::uint16_t>(arrayCell);
    for (int k = 0; k < 4; ++k)
        board.cells[arrayCell + NEIGHBOUR_OFFSET[k]].flags &= static_cast<std::uint8_t>(~BIT_ON_NEIGHBOUR[k]);
    --board.level;
    return true;
}

}  // namespace zentara::berserker
