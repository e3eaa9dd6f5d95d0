// The depth-first walk along the path that both path solvers run: one list per
// cell entry, used pieces skipped, and a cell's placement left behind when the
// walk moves on. What the two programs count, and when they stop, comes in
// through two hooks:
//   bool backtrack()                      before every step back; true stops the walk
//   bool placed(int cell, bool first)     after every placement (first: the cell had
//                                         none before in this run); true stops the walk
// Both are inlined, so each program gets the walk with only its own bookkeeping.
// And one choice of layout:
//   bool oneTestPerSkip()   (constexpr) a used entry is passed over with one branch, not two
//                           (the end of the list tested after a run of them)
//
// Every step of the path has code of its own (as the brute-force search has per
// cell): a step calls the next one's, and a return is the step back. Against the
// one loop along the path's links that this replaces, on path-bench under
// cachegrind: mispredicted branches per placement 2.03 -> 1.42 (path-solver) and
// per backtracking step 2.08 -> 1.13 (random-solver), instructions 92 -> 103 and
// 78 -> 87; on a loaded 2-core machine path-solver 47.8 -> 50.6 M placements/s,
// random-solver 65.3 -> 65.6 M steps/s (medians of five rounds).
//
// The code is also per path: the seven paths are fixed, so a step's cell, class,
// first list and key reads are constants of its code (step_plans.hpp), not
// loads from a step table. Instructions per placement 132 -> 98 (path-solver)
// and per backtracking step 96 -> 69 (random-solver); 1.24x and 1.31x the
// speed (medians of seven alternating runs), for seven times the code.
#pragma once

#include "path/candidate_lists.hpp"
#include "path/path_cells.hpp"

namespace zentara::path {

enum class WalkEnd {
    Complete,   // the path reached the hint cell
    Exhausted,  // the start cell's list ran out
    Stopped,    // a hook asked to stop
};

namespace walk_steps {

// How a step ends: back to the step before, or up through every step at once.
enum class Flow { Back, Stopped, Complete };

// A few steps are inlined into each function, as in the brute-force search.
// With the code per path, 4 ran at 0.90x (path-solver) and 0.94x (random-solver)
// of 8, and 16 at 0.98x and 1.00x.
inline constexpr int INLINED_STEPS = 8;

template <int MODE, int STEP, class Solver, class Hooks>
Flow enterStep(Solver& s, Hooks& hooks, WalkEntry previous);

template <int MODE, int STEP, class Solver, class Hooks>
[[gnu::noinline]] Flow enterOutlined(Solver& s, Hooks& hooks, WalkEntry previous) {
    return enterStep<MODE, STEP>(s, hooks, previous);
}

template <int MODE, int STEP, class Solver, class Hooks>
Flow enter(Solver& s, Hooks& hooks, WalkEntry previous) {
    if constexpr (STEP % INLINED_STEPS == 0)
        return enterOutlined<MODE, STEP>(s, hooks, previous);
    else
        return enterStep<MODE, STEP>(s, hooks, previous);
}

// The list of the step's cell: class and known colours are constants of the
// step, and the colour of the previous step's cell comes from its entry.
template <int MODE, int STEP>
std::uint32_t listOfStep(const Colour* sides, WalkEntry previous) {
    constexpr StepPlan at = PATH_PLANS[MODE][STEP];
    std::uint32_t key = 0;
    for (int i = 0; i < at.knownCount; ++i)
        key = key << KEY_BITS |
              (at.reads[i] == FROM_PREVIOUS ? previous >> at.previousShift & ((1u << KEY_BITS) - 1) : sides[at.reads[i]]);
    return at.classBase + key;
}

// Each step of each path has code of its own, and so branches of its own for the
// predictor; a step calls the next one's, and a return is the step back.
// `previous` is the walk entry just placed on the step before: the next key takes
// that neighbour's colour from it in a register instead of loading it back from
// the `sides` just stored (alone: path-solver 1.01x, random-solver 1.03x).
template <int MODE, int STEP, class Solver, class Hooks>
Flow enterStep(Solver& s, Hooks& hooks, WalkEntry previous) {
    constexpr int cell = PATH_PLANS[MODE][STEP].cell;
    const WalkEntry* const pool = s.walkPool.entries.data();
    // A pointer walks the list, not an index: the index is worked out only on a
    // placement (instructions 89 -> 88 a placement, 69 -> 68 a step; 1.04x both).
    const WalkEntry* at = pool + s.lists.first[listOfStep<MODE, STEP>(s.cells.sideBytes(), previous)];
    WalkEntry e = *at;
    for (;;) {
        // Step 1. At the end of the list back up. One load gives piece and
        // colours: the oriented number and its ORIENTED_SIDES row are no longer
        // a second dependent load on the way to the next key (path-bench, medians
        // of seven alternating runs: path-solver 1.04x, random-solver 1.11x).
        if (e == WALK_END) return hooks.backtrack() ? Flow::Stopped : Flow::Back;
        // Step 2. Skip pieces in use. The end marker reads as a free piece, so
        // that a run of used entries costs one branch each, with the end tested
        // once after it (see oneTestPerSkip).
        if constexpr (Hooks::oneTestPerSkip()) {
            while (s.used.inUse[e >> WALK_PIECE_SHIFT]) e = *++at;
            if (e == WALK_END) return hooks.backtrack() ? Flow::Stopped : Flow::Back;
        } else if (s.used.inUse[e >> WALK_PIECE_SHIFT]) {
            e = *++at;
            continue;
        }
        const int piece = static_cast<int>(e >> WALK_PIECE_SHIFT);
        s.used.inUse[piece] = true;
        // Step 3. Place; the program counts it.
        const bool firstPlacement = s.cells.placement[cell] == NO_PLACEMENT;
        s.cells.place(cell, static_cast<std::uint32_t>(at - pool), static_cast<int>(e >> WALK_ORIENTED_SHIFT));
        if (hooks.placed(cell, firstPlacement)) return Flow::Stopped;
        // Step 4. Move on; nothing is undone on the cell left behind. Back here,
        // the piece is free again and the walk goes on from the next entry.
        if constexpr (STEP + 1 == PATH_LENGTH) {
            return Flow::Complete;
        } else {
            const Flow flow = enter<MODE, STEP + 1>(s, hooks, e);
            if (flow != Flow::Back) return flow;
        }
        s.used.release(piece);
        e = *++at;
    }
}

}  // namespace walk_steps

template <class Solver, class Hooks>
WalkEnd walkPath(Solver& solver, Hooks& hooks) {
    fillWalkPool(solver.walkPool, solver.lists);
    walk_steps::Flow flow = walk_steps::Flow::Back;
    switch (solver.cells.pathMode) {
        case 0: flow = walk_steps::enter<0, 0>(solver, hooks, 0); break;
        case 1: flow = walk_steps::enter<1, 0>(solver, hooks, 0); break;
        case 2: flow = walk_steps::enter<2, 0>(solver, hooks, 0); break;
        case 3: flow = walk_steps::enter<3, 0>(solver, hooks, 0); break;
        case 4: flow = walk_steps::enter<4, 0>(solver, hooks, 0); break;
        case 5: flow = walk_steps::enter<5, 0>(solver, hooks, 0); break;
        default: flow = walk_steps::enter<6, 0>(solver, hooks, 0); break;
    }
    static_assert(PATH_MODES == 7);
    switch (flow) {
        case walk_steps::Flow::Complete: return WalkEnd::Complete;
        case walk_steps::Flow::Stopped: return WalkEnd::Stopped;
        case walk_steps::Flow::Back: break;
    }
    return WalkEnd::Exhausted;
}

}  // namespace zentara::path
