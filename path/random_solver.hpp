// The random-restart path solver: depth-first runs of 20,000,000 backtracking
// steps along one path, with the candidate lists perturbed between runs.
#pragma once

#include <cstdint>
#include <ostream>

#include "core/random.hpp"
#include "core/run_limits.hpp"
#include "path/candidate_lists.hpp"
#include "path/path_cells.hpp"

namespace zentara::path {

inline constexpr std::uint32_t RUN_BUDGET = 20000000;
inline constexpr int RUN_BUDGET_MILLIONS = RUN_BUDGET / 1000000;
inline constexpr int PERTURB_SWAPS = 500;
inline constexpr int RANDOM_BOARD_LEVEL = 200;  // boards are written from this depth on

enum class RunEnd {
    BudgetSpent,
    Complete,   // the path reached the hint cell
    Exhausted,  // the first cell's list ran out: nothing left to try in this order
};

struct RandomSolver {
    RunLimits limits;  // run budget, first board level, status lines (reports)
    Random random;
    PathCells cells;
    CandidateLists lists;
    UsedPieces used;
    WalkPool walkPool;  // the walk's copy of the lists' pool
    int runLevel = 1;  // deepest count of placed cells in this run, the hint included
    int maxLevel = 1;  // over all runs
    int runs = 0;
    std::uint64_t backtrackSteps = 0;  // over all runs
};

// Builds the lists (random order from `seed`) and the path of `pathMode`.
void setUpRandomSolver(RandomSolver& solver, int pathMode, RandomState seed);

// One run from an empty board.
RunEnd runRandomSearch(RandomSolver& solver);

// Status line, run level back to 1, the lists perturbed.
void finishRandomRun(RandomSolver& solver, std::ostream& out);

// Runs and perturbations in turn, until options.statusLimit status lines (for ever when 0).
void runRandomSolver(RandomSolver& solver, std::ostream& out);

}  // namespace zentara::path
