// Helpers of the brute-force solver's tests: seeded solvers, the planted
// solution, and chain surgery that makes the search walk straight to it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "brute/brute_solver.hpp"
#include "core/board_check.hpp"
#include "tests/support/temp_dir.hpp"

namespace zentara::brute::testing {

inline std::unique_ptr<BruteSolver> seededSolver(RandomState seed) {
    auto solver = std::make_unique<BruteSolver>();
    solver->random.state = seed;
    buildChains(*solver);
    resetBoard(*solver);
    return solver;
}

inline Board16 plantedSolution() {
    BoardCheck check;
    std::string reason;
    EXPECT_TRUE(checkBoardFile(zentara::testing::sourcePath("data/solution_16x16.csv").c_str(), check, reason));
    Board16 cells;
    std::copy(check.cells.begin(), check.cells.end(), cells.begin());
    return cells;
}

inline LinkedPiece& recordOf(BruteSolver& solver, const PlacedCell& cell) {
    return solver.records[orientedNumber(cell.piece, cell.rotation)];
}

inline int headOf(const LinkedPiece& record) {
    return chainTableOf(record.colours) * CHAIN_HEADS +
           chainIndex(record.colours[bottom_first::LEFT], record.colours[bottom_first::TOP]);
}

// Moves the record out of its chain to just before `successor` (null: to the front of `head`).
inline void moveRecord(BruteSolver& solver, LinkedPiece& record, int head, const LinkedPiece* successor = nullptr) {
    for (LinkedPiece*& first : solver.chainHeads)
        for (LinkedPiece** link = &first; *link != nullptr; link = &(*link)->next)
            if (*link == &record) {
                *link = record.next;
                break;
            }
    LinkedPiece** link = &solver.chainHeads[head];
    while (successor != nullptr && *link != successor) link = &(*link)->next;
    record.next = *link;
    *link = &record;
}

// Moves the planted records to the fronts of their chains, later cells first: a
// chain serving several cells then lists them in cell order, and on every cell
// the search meets only used pieces before the planted one. A search that
// strays stops at its first report instead of running through the tree.
inline void promotePlanted(BruteSolver& solver, const Board16& planted) {
    for (int cell = CELL_COUNT - 1; cell >= 0; --cell)
        if (cell != HINT_CELL) moveRecord(solver, recordOf(solver, planted[cell]), headOf(recordOf(solver, planted[cell])));
    solver.limits.workPerReport = 100'000;
    solver.countdown = 100'000;
    solver.limits.reports = 1;
}

// The planted board up to and including `lastCell`, the hint always on it.
inline std::string plantedText(const Board16& planted, int lastCell) {
    Board16 cells{};
    for (int c = 0; c <= lastCell; ++c) cells[c] = planted[c];
    cells[HINT_CELL] = planted[HINT_CELL];
    BoardText text;
    formatBoard(cells.data(), LAYOUT_16X16, text);
    return std::string(text.view());
}

inline std::string boardTextOf(const BruteSolver& solver) {
    Board16 cells{};
    for (int c = 0; c < CELL_COUNT; ++c)
        if (solver.placed[c] != nullptr) cells[c] = PlacedCell{solver.placed[c]->piece, solver.placed[c]->rotation};
    return plantedText(cells, CELL_COUNT - 1);
}

// The independent checker on a written file: consistent, hint in place, and the
// pieces of a board whose last placement gave `level`.
inline ::testing::AssertionResult consistentAtLevel(const std::string& name, int level) {
    BoardCheck check;
    std::string reason;
    if (!checkBoardFile(name.c_str(), check, reason)) return ::testing::AssertionFailure() << name << ": " << reason;
    const int pieces = level <= HINT_CELL ? level + 1 : level;
    if (!check.consistent() || !check.hintInPlace || check.piecesPlaced != pieces)
        return ::testing::AssertionFailure() << formatCheckReport(name.c_str(), check);
    return ::testing::AssertionSuccess();
}

}  // namespace zentara::brute::testing
