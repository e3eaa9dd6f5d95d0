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

// The lists as the search walks them: the same lists, in the same order, made
// circular and doubly linked through listNext and listPrevious, each closed by a
// node of its own after the records. A record placed on the board is unlinked from
// its list and linked back in when the search takes it off again (last out, first
// back, so every list is restored exactly), so a walk meets only records not in
// use, in list order: the same candidates as skipping the in-use ones, without
// the test and its mispredicted branch per skipped record.
template <class P>
inline constexpr int LIST_NODES = P::PIECES + 4 * BlockSolver<P>::HEADS;

template <class P>
constexpr int listNode(int table, int key) {
    return P::PIECES + table * BlockSolver<P>::HEADS + key;
}

template <class P>
void linkSearchLists(BlockSolver<P>& s) {
    for (int table = 0; table < 4; ++table)
        for (int key = 0; key < BlockSolver<P>::HEADS; ++key) {
            const auto node = static_cast<RecordIndex>(listNode<P>(table, key));
            RecordIndex last = node;
            for (RecordIndex r = s.heads[table][key]; r != NO_RECORD; r = s.records[r].next) {
                s.listNext[last] = r;
                s.listPrevious[r] = last;
                last = r;
            }
            s.listNext[last] = node;
            s.listPrevious[node] = last;
        }
}

// The placement search of one variant. True when the board is full; false when
// every continuation of the first cell has failed.
//
// Measured on the first variant of 6 x 12 seed 1 (10.0 M placements): skipping
// in-use records in the singly linked lists took 62 instructions and 1.63
// mispredicted branches per placement; the unlinking walk below takes 56 and
// 0.79, and 1.5x less processor time per variant over seeds 2 to 5.
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
    linkSearchLists(s);
    BlockRecord* const records = s.records.data();
    BoardCell* const board = s.board.data();
    RecordIndex* const next = s.listNext.data();
    RecordIndex* const previous = s.listPrevious.data();
    std::array<RecordIndex, VISITED_CELLS<P>> listOfStep;  // the list node each cell walks
    auto listFor = [board](const CellStep& c) {
        return static_cast<RecordIndex>(listNode<P>(c.table, board[c.above].colours[SIDE_BOTTOM] +
                                                                 P::COLOURS * board[c.left].colours[SIDE_RIGHT]));
    };
    int step = 0;
    int level = s.level;  // of the last placement; not lowered on backtracking
    RecordIndex list = listOfStep[0] = listFor(plan[0]);
    RecordIndex candidate = next[list];
    for (;;) {
        const CellStep& here = plan[step];
        // Step 1. The next record of the list; none are in use. Next to the hint, pass
        // over records that do not meet it.
        if constexpr (P::HAS_HINT) {
            if (here.hintSide != 4)
                while (candidate != list && records[candidate].shows(here.hintSide) != facingHint[here.hintSide])
                    candidate = next[candidate];
        }
        // Step 2. List exhausted: back to the previous cell, its record back into its
        // list, and on with the record after it.
        if (candidate == list) {
            if (step == 0) {
                s.level = level;
                return false;
            }
            --step;
            list = listOfStep[step];
            const RecordIndex placed = static_cast<RecordIndex>(board[plan[step].cell].record);
            next[previous[placed]] = placed;
            previous[next[placed]] = placed;
            candidate = next[placed];
            continue;
        }
        // Step 3. Place the piece as it lies; it leaves its list (which is what being
        // in use means here: the in-use flags are not kept during the walk).
        const BlockRecord& r = records[candidate];
        next[previous[candidate]] = next[candidate];
        previous[next[candidate]] = previous[candidate];
        BoardCell& cell = board[here.cell];
        std::memcpy(cell.colours.data(), &r.colours[r.rotation], 4);
        cell.record = candidate;
        level = here.cell + 1;
        if (level > s.maxLevel) {
            s.level = s.maxLevel = level;
            writeProgressFiles(s);
        }
        if (step == LAST_STEP) {
            s.level = level;
            return true;
        }
        // Step 4. On to the next cell, at the head of its list.
        ++step;
        list = listOfStep[step] = listFor(plan[step]);
        candidate = next[list];
    }
}

}  // namespace zentara::blockset
