// The seeded path solver: the path search over lists rebuilt from the generator
// at every run, so that a run repeats from the seed it reports.
#pragma once

#include <cstdint>
#include <ostream>

#include "core/fresh_starts.hpp"
#include "core/random.hpp"
#include "core/run_limits.hpp"
#include "path/candidate_lists.hpp"
#include "path/path_cells.hpp"

namespace zentara::path {

// The settings are compiled in and shown in the start report.
struct PathSolverSettings {
    int RandomMode = 2;       // 0 append, 1 by descending piece score, 2 random position
    RandomState RandomSeed = 0;  // 0 takes the time seed
    int PathMode = 4;
    int AutoReset = 0;        // non-zero restarts a run that stops making progress
    int ResetLevel = 256;     // ... while its maximum level is below this
};

inline constexpr PathSolverSettings PATH_SOLVER_SETTINGS{};

inline constexpr std::uint32_t PLACEMENTS_PER_PROGRESS = 1000000;
inline constexpr int PROGRESS_PER_STATUS = 2;
inline constexpr int PATH_BEST_LEVEL = 180;  // best-board files from this level on
inline constexpr int RESET_SCALE = 200;

enum class SearchEnd {
    Complete,   // the path reached the hint cell
    Exhausted,  // the first cell's list ran out: the whole tree has been searched
    Reset,      // the automatic reset asked for a new run
    Stopped,    // the status limit was reached
};

struct PathSolver {
    PathSolverSettings settings;
    RunLimits limits;  // status lines (reports) and the first best-board level
    std::uint64_t failuresBeforeFullBoard = 0;  // board write failures before the full board's file
    Random random;
    PieceScores scores{};
    PathCells cells;
    CandidateLists lists;
    UsedPieces used;
    WalkPool walkPool;  // the walk's copy of the lists' pool
    RandomState runSeed = 0;
    int maxLevel = 1;  // of the current run
    long millions = 0;  // progress steps in the life of the program
    int statusCountdown = PROGRESS_PER_STATUS;
    int resetCounter = 0;
    long statusReports = 0;
    std::uint64_t placements = 0;
    // Which states the runs started from, so that with automatic reset no run
    // repeats an earlier one's lists (last: the walk never reads it).
    FreshStarts freshStarts;
};

// Takes the seed (RandomSeed, or `timeSeed` when that is 0) and prints the start report.
void startPathSolver(PathSolver& solver, const PathSolverSettings& settings, RandomState timeSeed,
                     std::ostream& out);

// Records the run seed, rebuilds scores and lists from the generator, sets up the
// path. A run whose start state an earlier run had (it would build that run's
// lists again) starts instead from a fresh seed, the one it reports.
void beginPathRun(PathSolver& solver);

// Searches from the start cell until the board is complete, the tree is
// exhausted, a reset is requested or the status limit is reached.
SearchEnd searchPath(PathSolver& solver, std::ostream& out);

// Every 1,000,000 placements; `cell` is the cell just placed. Returns true when
// the search is to stop (reset requested or status limit reached).
bool progressStep(PathSolver& solver, int cell, std::ostream& out);

// Runs until one ends without a reset request; prints "\n" after every run.
SearchEnd runPathSolver(PathSolver& solver, std::ostream& out);

// The exit status after runPathSolver ended with `end`: 1 when it ended at a full
// board that could not be written (the board is then shown on the console), else 0.
int finishPathRun(const PathSolver& solver, SearchEnd end, std::ostream& out);

}  // namespace zentara::path
