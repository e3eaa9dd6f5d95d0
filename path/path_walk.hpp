// The depth-first walk along the path that both path solvers run: no recursion
// (the path's links replace a stack), one list per cell entry, used pieces
// skipped, and a cell's placement left behind when the walk moves on. What the
// two programs count, and when they stop, comes in through two hooks:
//   bool backtrack()                      before every step back; true stops the walk
//   bool placed(int cell, bool first)     after every placement (first: the cell had
//                                         none before in this run); true stops the walk
// Both are inlined, so each program gets the loop with only its own bookkeeping
// (one loop instead of two copies cost nothing on path-bench: see path_solver.cpp).
#pragma once

#include "path/candidate_lists.hpp"
#include "path/path_cells.hpp"

namespace zentara::path {

enum class WalkEnd {
    Complete,   // the path reached the hint cell
    Exhausted,  // the start cell's list ran out
    Stopped,    // a hook asked to stop
};

template <class Hooks>
WalkEnd walkPath(PathCells& cells, const CandidateLists& lists, UsedPieces& used, Hooks& hooks) {
    const std::uint16_t* const pool = lists.pool.data();
    const std::uint32_t* const first = lists.first.data();
    const int start = cells.startCell;
    int cell = start;

    // Enter the start cell.
    std::uint32_t entry = first[cells.listOf(cell)];
    for (;;) {
        // Step 1. Try the current entry; at the end of the list back up.
        const std::uint16_t oriented = pool[entry];
        if (oriented == END_OF_LIST) {
            if (hooks.backtrack()) return WalkEnd::Stopped;
            if (cell == start) return WalkEnd::Exhausted;
            cell = cells.previous[cell];
            entry = cells.placement[cell];
            used.release(pieceOfOriented(pool[entry]));
            ++entry;
            continue;
        }
        // Step 2. Skip pieces in use.
        if (!used.take(pieceOfOriented(oriented))) {
            ++entry;
            continue;
        }
        // Step 3. Place; the program counts it.
        const bool firstPlacement = cells.placement[cell] == NO_PLACEMENT;
        cells.place(cell, entry, oriented);
        if (hooks.placed(cell, firstPlacement)) return WalkEnd::Stopped;
        // Step 4. Move on; nothing is undone on the cell left behind.
        cell = cells.next[cell];
        if (cell == HINT_CELL) return WalkEnd::Complete;
        entry = first[cells.listOf(cell)];
    }
}

}  // namespace zentara::path
