#include "path/random_solver.hpp"

#include <cstdio>

#include "core/checks.hpp"
#include "core/console.hpp"
#include "path/path_walk.hpp"

namespace zentara::path {

void setUpRandomSolver(RandomSolver& solver, int pathMode, RandomState seed) {
    solver.random.state = seed;
    buildCandidateLists(solver.lists, InsertMode::Random, solver.random, PieceScores{});
    setUpPath(solver.cells, pathMode);
    solver.runLevel = 1;
    solver.maxLevel = 1;
    solver.runs = 0;
    solver.backtrackSteps = 0;
}

namespace {

// A cell gets its first placement of the run: record the depth, write the boards.
[[gnu::noinline]] void firstVisit(RandomSolver& solver) {
    const int count = countPlaced(solver.cells);
    if (count > solver.runLevel) {
        solver.runLevel = count;
        if (count > solver.maxLevel) {
            solver.maxLevel = count;
            if (count >= orOwn(solver.limits.bestLevel, RANDOM_BOARD_LEVEL)) {
                char name[32];
                std::snprintf(name, sizeof name, "Best%03d.csv", count);
                writeBoard(name, solver.cells, solver.lists);
            }
        }
    }
    if (solver.runLevel >= orOwn(solver.limits.bestLevel, RANDOM_BOARD_LEVEL)) writeBoard("Result.csv", solver.cells, solver.lists);
}

}  // namespace

RunEnd runRandomSearch(RandomSolver& solver) {
    // Step 1. Empty board, full budget; every step back spends one unit.
    struct Hooks {
        RandomSolver& solver;
        std::uint32_t budget;
        // Two tests a used entry, the end first: one test each ran at 0.95x here
        // (same-rules ratio 1.71-1.77 -> 1.63-1.66).
        static constexpr bool oneTestPerSkip() { return false; }
        [[gnu::always_inline]] bool backtrack() { return --budget == 0; }
        [[gnu::always_inline]] bool placed(int, bool firstPlacement) {
            if (firstPlacement) firstVisit(solver);
            return false;
        }
    };
    clearPlacements(solver.cells);
    const std::uint32_t fullBudget = orOwn(solver.limits.runBudget, RUN_BUDGET);
    Hooks hooks{solver, fullBudget};
    solver.used.clear();
    const WalkEnd end = walkPath(solver, hooks);
    ZENTARA_RECOUNT(checkWalkState(solver.cells, solver.lists, solver.used));
    solver.backtrackSteps += fullBudget - hooks.budget;
    if (end == WalkEnd::Complete) return RunEnd::Complete;
    return end == WalkEnd::Exhausted ? RunEnd::Exhausted : RunEnd::BudgetSpent;
}

void finishRandomRun(RandomSolver& solver, std::ostream& out) {
    ++solver.runs;
    printTo(out, "\rLevel %3d, Max %3d, Resets %4d, Tests %4d millions ", solver.runLevel, solver.maxLevel,
            solver.runs, solver.runs * RUN_BUDGET_MILLIONS);
    solver.runLevel = 1;
    perturbCandidateLists(solver.lists, solver.random, PERTURB_SWAPS);
}

void runRandomSolver(RandomSolver& solver, std::ostream& out) {
    const BoardWriteConsole boardWrites(out);
    for (long reports = 0; solver.limits.reports == 0 || reports < solver.limits.reports; ++reports) {
        runRandomSearch(solver);
        finishRandomRun(solver, out);
    }
}

}  // namespace zentara::path
