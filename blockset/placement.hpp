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

// The walk from one cell of the visiting order on, as code of its own for every
// cell: its list table and the places of its top and left colours are constants,
// and each cell's loop branches on its own history. Returns true when the board
// is full.
template <class P>
struct PlacementWalk {
    BlockSolver<P>& s;
    const BlockRecord* records;
    BoardCell* board;
    RecordIndex* next;
    RecordIndex* previous;
    std::array<Colour, 4> facingHint;
    int level;  // of the last placement; not lowered on backtracking

    // Every INLINED_STEPS-th cell starts a function of its own, the cells between
    // are inlined into it: all 255 cells of the 16 x 16 board in one function took
    // minutes to compile; a function per cell cost 35% more instructions.
    static constexpr int INLINED_STEPS = 8;

    template <int STEP>
    bool enter() {
        if constexpr (STEP % INLINED_STEPS == 0)
            return fromOutlined<STEP>();
        else
            return from<STEP>();
    }

    template <int STEP>
    [[gnu::noinline]] bool fromOutlined() {
        return from<STEP>();
    }

    template <int STEP>
    bool from() {
        constexpr CellStep here = CELL_PLAN<P>[STEP];
        const auto list = static_cast<RecordIndex>(listNode<P>(here.table, board[here.above].colours[SIDE_BOTTOM] +
                                                                               P::COLOURS * board[here.left].colours[SIDE_RIGHT]));
        for (RecordIndex candidate = next[list]; candidate != list; candidate = next[candidate]) {
            const BlockRecord& r = records[candidate];
            if constexpr (P::HAS_HINT && here.hintSide != 4) {
                if (r.shows(here.hintSide) != facingHint[here.hintSide]) continue;
            }
            // Place the piece as it lies; it leaves its list (which is what being in
            // use means here: the in-use flags are not kept during the walk).
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
            if constexpr (STEP == VISITED_CELLS<P> - 1) {
                return true;
            } else {
                if (enter<STEP + 1>()) return true;
            }
            // Taken back: into its list again, and on with the record after it.
            next[previous[candidate]] = candidate;
            previous[next[candidate]] = candidate;
        }
        return false;
    }
};

// The placement search of one variant. True when the board is full; false when
// every continuation of the first cell has failed.
//
// Measured on the first variant of 6 x 12 seed 1 (10.0 M placements): skipping
// in-use records in the singly linked lists took 62 instructions and 1.63
// mispredicted branches per placement; the unlinking walk as one loop over a
// table of cells took 56 and 0.79 (1.5x less processor time per variant over
// seeds 2 to 5); the code per cell below takes 46 and 0.39, 1.95x less processor
// time per variant than the first (median of seeds 2 to 5).
template <class P>
bool placePieces(BlockSolver<P>& s) {
    linkSearchLists(s);
    PlacementWalk<P> walk{s, s.records.data(), s.board.data(), s.listNext.data(), s.listPrevious.data(), {}, s.level};
    if constexpr (P::HAS_HINT) {
        // What the pieces next to the hint must show towards it: its top, its left.
        walk.facingHint[SIDE_BOTTOM] = s.records[s.hintRecord].colours[SIDE_TOP];
        walk.facingHint[SIDE_RIGHT] = s.records[s.hintRecord].colours[SIDE_LEFT];
    }
    const bool full = walk.template enter<0>();
    s.level = walk.level;
    return full;
}

}  // namespace zentara::blockset
