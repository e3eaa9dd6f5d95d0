// Board files and the status line.
#include <cstdio>

#include "brute/brute_solver.hpp"
#include "core/board_file.hpp"
#include "core/checks.hpp"
#include "core/console.hpp"

namespace zentara::brute {

void saveBoard(const BruteSolver& solver, bool bestFile) {
    char name[32];
    if (bestFile) {
        if (solver.bestLevel < FIRST_BEST_FILE_LEVEL) return;
        std::snprintf(name, sizeof name, "Best%03d.csv", solver.bestLevel);
    } else {
        std::snprintf(name, sizeof name, "Result.csv");
    }
    Board16 cells;
    for (int cell = 0; cell < CELL_COUNT; ++cell) {
        const LinkedPiece* record = solver.placed[cell];
        if (record != nullptr) cells[cell] = PlacedCell{record->piece, record->rotation};
    }
    // Replaced atomically: a reader never sees half a board, and a failed write
    // leaves the previous file in place.
    (void)writeBoardFile(name, cells.data(), LAYOUT_16X16);
}

int finishRun(const BruteSolver& solver, SearchEnd end, std::ostream& out) {
    if (end != SearchEnd::Solved) return 0;
    Board16 cells;
    for (int cell = 0; cell < CELL_COUNT; ++cell) {
        const LinkedPiece* record = solver.placed[cell];
        if (record != nullptr) cells[cell] = PlacedCell{record->piece, record->rotation};
    }
    return endWithFullBoard(out, cells.data(), LAYOUT_16X16, solver.failuresBeforeFullBoard);
}

void reportProgress(BruteSolver& solver, std::ostream& out) {
    ZENTARA_RECOUNT(checkSearchState(solver));
    solver.tests += 2;
    ++solver.reports;
    printTo(out, "\rCurrent level: %3d, Best level: %3d, Tests: %lld millions... ", solver.level, solver.bestLevel,
            static_cast<long long>(solver.tests));
    saveBoard(solver, false);
}

}  // namespace zentara::brute
