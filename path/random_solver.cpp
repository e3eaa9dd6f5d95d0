#include "path/random_solver.hpp"

#include <cstdio>

#include "core/console.hpp"

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
            if (count >= solver.options.boardLevel) {
                char name[32];
                std::snprintf(name, sizeof name, "Best%03d.csv", count);
                writeBoard(name, solver.cells, solver.lists);
            }
        }
    }
    if (solver.runLevel >= solver.options.boardLevel) writeBoard("Result.csv", solver.cells, solver.lists);
}

}  // namespace

RunEnd runRandomSearch(RandomSolver& solver) {
    // Step 1. Empty board, full budget.
    PathCells& cells = solver.cells;
    const std::uint16_t* pool = solver.lists.pool.data();
    const std::uint32_t* first = solver.lists.first.data();
    UsedPieces used;
    clearPlacements(cells);
    const int start = cells.startCell;
    const std::uint32_t fullBudget = solver.options.runBudget > 0 ? solver.options.runBudget : 1;
    std::uint32_t budget = fullBudget;
    int cell = start;
    RunEnd end;

    // Step 2. Enter the start cell.
    std::uint32_t entry = first[cells.listOf(cell)];
    for (;;) {
        // Step 3. Try the current entry.
        const std::uint16_t oriented = pool[entry];
        if (oriented == END_OF_LIST) {
            // Step 5. Backtrack to the previous cell and go on after its entry.
            if (--budget == 0) {
                end = RunEnd::BudgetSpent;
                break;
            }
            if (cell == start) {
                end = RunEnd::Exhausted;
                break;
            }
            cell = cells.previous[cell];
            entry = cells.placement[cell];
            used.release(pieceOfOriented(pool[entry]));
            ++entry;
            continue;
        }
        if (!used.take(pieceOfOriented(oriented))) {
            ++entry;
            continue;
        }
        const bool firstPlacement = cells.placement[cell] == NO_PLACEMENT;
        cells.place(cell, entry, oriented);
        if (firstPlacement) firstVisit(solver);
        // Step 4. Move on; nothing is undone on the cell left behind.
        cell = cells.next[cell];
        if (cell == HINT_CELL) {
            end = RunEnd::Complete;
            break;
        }
        entry = first[cells.listOf(cell)];
    }
    solver.used = used;
    solver.backtrackSteps += fullBudget - budget;
    return end;
}

void finishRandomRun(RandomSolver& solver, std::ostream& out) {
    ++solver.runs;
    printTo(out, "\rLevel %3d, Max %3d, Resets %4d, Tests %4d millions ", solver.runLevel, solver.maxLevel,
            solver.runs, solver.runs * RUN_BUDGET_MILLIONS);
    solver.runLevel = 1;
    perturbCandidateLists(solver.lists, solver.random, PERTURB_SWAPS);
}

void runRandomSolver(RandomSolver& solver, std::ostream& out) {
    for (long reports = 0; solver.options.statusLimit == 0 || reports < solver.options.statusLimit; ++reports) {
        runRandomSearch(solver);
        finishRandomRun(solver, out);
    }
}

}  // namespace zentara::path
