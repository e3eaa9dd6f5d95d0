#include "path/path_solver.hpp"

#include <cstdio>

#include "core/checks.hpp"
#include "core/console.hpp"
#include "path/path_walk.hpp"

namespace zentara::path {

void startPathSolver(PathSolver& solver, const PathSolverSettings& settings, RandomState timeSeed,
                     std::ostream& out) {
    solver.settings = settings;
    solver.random.state = settings.RandomSeed != 0 ? settings.RandomSeed : timeSeed;
    printTo(out, "Starting solving Zentara puzzle.\nRandomMode %d, RandomSeed %d, PathMode %d, AutoReset %d, ResetLevel %d.\n",
            settings.RandomMode, static_cast<int>(solver.random.state), settings.PathMode, settings.AutoReset,
            settings.ResetLevel);
    startFreshStarts(solver.freshStarts, solver.random.state, drawKeyBits(static_cast<std::uint16_t>(largestListCount() - 1)));
}

namespace {

InsertMode insertModeOf(int randomMode) {
    if (randomMode == 0) return InsertMode::Append;
    if (randomMode == 1) return InsertMode::ByScore;
    return InsertMode::Random;
}

// A cell gets its first placement since the run began (or since the status
// trimmed the board): a new maximum of 180 or more is written.
[[gnu::noinline]] void firstVisit(PathSolver& solver) {
    const int count = countPlaced(solver.cells);
    if (count <= solver.maxLevel) return;
    solver.maxLevel = count;
    if (count == CELL_COUNT) solver.failuresBeforeFullBoard = boardWriteFailures();
    if (count >= orOwn(solver.limits.bestLevel, PATH_BEST_LEVEL)) {
        char name[32];
        std::snprintf(name, sizeof name, "Best%d.csv", count);
        writeBoard(name, solver.cells, solver.lists);
    }
}

bool statusLimitReached(const PathSolver& solver) {
    return solver.limits.reports != 0 && solver.statusReports >= solver.limits.reports;
}

}  // namespace

void beginPathRun(PathSolver& solver) {
    // Only random insertion draws; the other modes build the same lists every run.
    if (insertModeOf(solver.settings.RandomMode) == InsertMode::Random &&
        enterUnit(solver.freshStarts, solver.random.state))
        solver.random.state = freshUnitSeed(solver.freshStarts);
    solver.runSeed = solver.random.state;
    solver.scores = computePieceScores();
    solver.used.clear();
    buildCandidateLists(solver.lists, insertModeOf(solver.settings.RandomMode), solver.random, solver.scores);
    setUpPath(solver.cells, solver.settings.PathMode);
    solver.maxLevel = 1;
}

bool progressStep(PathSolver& solver, int cell, std::ostream& out) {
    // Step 1. Count the million; a status every second one.
    ZENTARA_RECOUNT(checkWalkState(solver.cells, solver.lists, solver.used));
    ++solver.millions;
    if (--solver.statusCountdown > 0) return false;

    // Step 2. The current level: placements stay behind when the search backs
    // up, so this counts every cell up to the deepest reached since the last status.
    solver.statusCountdown = PROGRESS_PER_STATUS;
    PathCells& cells = solver.cells;
    const int level = countPlaced(cells);

    // Step 3. The status line.
    printTo(out, "\rRandomSeed %d, Current level %d, max. %d, variants %ld millions   ",
            static_cast<int>(solver.runSeed), level, solver.maxLevel, solver.millions);

    // Step 4. Result.csv shows the board up to the current cell; the placements
    // beyond it are dropped only when the file was written.
    Board16 board;
    exportBoard(cells, solver.lists, board);
    int beyond = cells.next[cell];
    for (int c = beyond; c != HINT_CELL && cells.placement[c] != NO_PLACEMENT; c = cells.next[c]) board[c] = PlacedCell{};
    if (writeBoardFile("Result.csv", board.data(), LAYOUT_16X16))
        for (int c = beyond; c != HINT_CELL && cells.placement[c] != NO_PLACEMENT; c = cells.next[c])
            cells.placement[c] = NO_PLACEMENT;

    // Step 5. The automatic reset: the closer the maximum is to ResetLevel, the
    // more statuses without reaching it are allowed.
    bool stop = false;
    if (solver.maxLevel < solver.settings.ResetLevel && solver.settings.AutoReset != 0) {
        ++solver.resetCounter;
        if (solver.resetCounter > RESET_SCALE / (solver.settings.ResetLevel - solver.maxLevel + 1)) {
            solver.resetCounter = 0;
            stop = true;
        }
    }
    ++solver.statusReports;
    return stop;
}

SearchEnd searchPath(PathSolver& solver, std::ostream& out) {
    // Backtracking is not counted; every placement is, and every millionth runs
    // the progress step, which may stop the run. The countdown is the only
    // count the walk keeps; the placements follow from it at the end.
    struct Hooks {
        PathSolver& solver;
        std::ostream& out;
        std::uint32_t countdown = PLACEMENTS_PER_PROGRESS;
        std::uint64_t placements = 0;  // up to the last progress step
        SearchEnd stopReason = SearchEnd::Stopped;
        // This tree passes over about three used entries a placement: one test
        // each pays (path-bench: same-rules ratio 1.39-1.42 -> 1.49-1.52).
        static constexpr bool oneTestPerSkip() { return true; }
        static bool backtrack() { return false; }
        // Inlined into every step: left to itself the compiler called it from
        // a third of them (541 of 1,785); inlined, 98 -> 90 instructions a
        // placement and 1.07x.
        [[gnu::always_inline]] bool placed(int cell, bool firstPlacement) {
            if (firstPlacement) firstVisit(solver);
            if (--countdown != 0) return false;
            return progress(cell);
        }
        [[gnu::noinline]] bool progress(int cell) {
            placements += PLACEMENTS_PER_PROGRESS;
            countdown = PLACEMENTS_PER_PROGRESS;
            if (progressStep(solver, cell, out)) {
                stopReason = statusLimitReached(solver) ? SearchEnd::Stopped : SearchEnd::Reset;
                return true;
            }
            if (statusLimitReached(solver)) {
                stopReason = SearchEnd::Stopped;
                return true;
            }
            return false;
        }
    };
    Hooks hooks{solver, out};
    const WalkEnd end = walkPath(solver, hooks);
    solver.placements += hooks.placements + (PLACEMENTS_PER_PROGRESS - hooks.countdown);
    if (end == WalkEnd::Complete) return SearchEnd::Complete;
    return end == WalkEnd::Exhausted ? SearchEnd::Exhausted : hooks.stopReason;
}

SearchEnd runPathSolver(PathSolver& solver, std::ostream& out) {
    const BoardWriteConsole boardWrites(out);
    for (;;) {
        beginPathRun(solver);
        const SearchEnd end = searchPath(solver, out);
        printTo(out, "\n");
        if (end != SearchEnd::Reset) return end;
    }
}

int finishPathRun(const PathSolver& solver, SearchEnd end, std::ostream& out) {
    if (end != SearchEnd::Complete) return 0;
    Board16 board;
    exportBoard(solver.cells, solver.lists, board);
    return endWithFullBoard(out, board.data(), LAYOUT_16X16, solver.failuresBeforeFullBoard);
}

}  // namespace zentara::path
