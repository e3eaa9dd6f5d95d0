// The second half of a variant: with every rotation fixed, each piece belongs to
// exactly one candidate list, keyed by the colours it shows at the top and on the
// left. A depth-first search in row order places them.
#pragma once

#include "blockset/block_output.hpp"
#include "blockset/block_state.hpp"

namespace zentara::blockset {

// One cell of the visiting order with everything the search needs about it fixed in
// advance: its list table and the cells its top and left colours come from (the
// frame cell P::CELLS for the board's top row and left column).
struct CellStep {
    std::int16_t cell;
    std::int16_t above;
    std::int16_t left;
    std::uint8_t table;
    // The cells above and left of the hint piece must also match it: the side of the
    // piece (record order) that faces the hint, or 4 for every other cell.
    std::uint8_t hintSide;
};

template <class P>
inline constexpr int VISITED_CELLS = P::HAS_HINT ? P::CELLS - 1 : P::CELLS;

template <class P>
inline constexpr std::array<CellStep, VISITED_CELLS<P>> CELL_PLAN = [] {
    std::array<CellStep, VISITED_CELLS<P>> plan{};
    int step = 0;
    for (int cell = 0; cell < P::CELLS; ++cell) {
        if (P::HAS_HINT && cell == HINT_CELL) continue;
        const int row = cell / P::WIDTH, column = cell % P::WIDTH;
        const bool lastRow = row == P::HEIGHT - 1, lastColumn = column == P::WIDTH - 1;
        CellStep c{};
        c.cell = static_cast<std::int16_t>(cell);
        c.above = static_cast<std::int16_t>(row == 0 ? P::CELLS : cell - P::WIDTH);
        c.left = static_cast<std::int16_t>(column == 0 ? P::CELLS : cell - 1);
        c.table = lastRow ? (lastColumn ? CORNER_TABLE : BOTTOM_BORDER_TABLE)
                          : (lastColumn ? RIGHT_BORDER_TABLE : OPEN_TABLE);
        c.hintSide = 4;
        if (P::HAS_HINT && cell == HINT_CELL - P::WIDTH) c.hintSide = SIDE_BOTTOM;
        if (P::HAS_HINT && cell == HINT_CELL - 1) c.hintSide = SIDE_RIGHT;
        plan[step++] = c;
    }
    return plan;
}();

// Rebuilds the four candidate tables for the rotations just assigned (each list in
// reverse record order) and puts the hint piece on its cell.
template <class P>
void buildCandidateLists(BlockSolver<P>& s) {
    for (auto& table : s.heads) table.fill(NO_RECORD);
    for (int i = 0; i < P::PIECES; ++i) {
        BlockRecord& r = s.records[i];
        r.flags &= static_cast<std::uint8_t>(~FLAG_IN_USE);
        if (r.isHint()) continue;
        const int bottom = r.shows(SIDE_BOTTOM), right = r.shows(SIDE_RIGHT);
        const int table = bottom != BORDER_COLOUR ? (right != BORDER_COLOUR ? OPEN_TABLE : RIGHT_BORDER_TABLE)
                                                  : (right != BORDER_COLOUR ? BOTTOM_BORDER_TABLE : CORNER_TABLE);
        RecordIndex& head = s.heads[table][r.shows(SIDE_TOP) + P::COLOURS * r.shows(SIDE_LEFT)];
        r.next = head;
        head = static_cast<RecordIndex>(i);
    }
    if constexpr (P::HAS_HINT) {
        BlockRecord& hint = s.records[s.hintRecord];
        BoardCell& cell = s.board[HINT_CELL];
        for (int i = 0; i < 4; ++i) cell.colours[i] = hint.colours[i];
        cell.record = s.hintRecord;
        hint.flags |= FLAG_IN_USE;
    }
}

// The placement search of one variant. True when the board is full; false when
// every continuation of the first cell has failed.
template <class P>
bool placePieces(BlockSolver<P>& s) {
    constexpr auto& plan = CELL_PLAN<P>;
    constexpr int LAST_STEP = VISITED_CELLS<P> - 1;
    // What the pieces next to the hint must show towards it: its top, its left.
    std::array<Colour, 4> facingHint{};
    if constexpr (P::HAS_HINT) {
        facingHint[SIDE_BOTTOM] = s.records[s.hintRecord].colours[SIDE_TOP];
        facingHint[SIDE_RIGHT] = s.records[s.hintRecord].colours[SIDE_LEFT];
    }
    BlockRecord* const records = s.records.data();
    BoardCell* const board = s.board.data();
    int step = 0;
    int candidate = s.heads[plan[0].table][board[plan[0].above].colours[SIDE_BOTTOM] +
                                           P::COLOURS * board[plan[0].left].colours[SIDE_RIGHT]];
    for (;;) {
        const CellStep& here = plan[step];
        // Step 1. Walk the list to the first record not in use.
        while (candidate != NO_RECORD) {
            const BlockRecord& r = records[candidate];
            bool fits = !r.inUse();
            if constexpr (P::HAS_HINT) {
                if (here.hintSide != 4) fits = fits && r.shows(here.hintSide) == facingHint[here.hintSide];
            }
            if (fits) break;
            candidate = r.next;
        }
        // Step 2. List exhausted: back to the previous cell and on with its next record.
        if (candidate == NO_RECORD) {
            if (step == 0) return false;
            --step;
            BlockRecord& previous = records[board[plan[step].cell].record];
            previous.flags &= static_cast<std::uint8_t>(~FLAG_IN_USE);
            candidate = previous.next;
            continue;
        }
        // Step 3. Place the piece as it lies.
        BlockRecord& r = records[candidate];
        r.flags |= FLAG_IN_USE;
        BoardCell& cell = board[here.cell];
        std::memcpy(cell.colours.data(), &r.colours[r.rotation], 4);
        cell.record = candidate;
        s.level = here.cell + 1;
        if (s.level > s.maxLevel) {
            s.maxLevel = s.level;
            writeProgressFiles(s);
        }
        if (step == LAST_STEP) return true;
        // Step 4. On to the next cell, at the head of its list.
        const CellStep& next = plan[++step];
        candidate = s.heads[next.table][board[next.above].colours[SIDE_BOTTOM] +
                                        P::COLOURS * board[next.left].colours[SIDE_RIGHT]];
    }
}

}  // namespace zentara::blockset
