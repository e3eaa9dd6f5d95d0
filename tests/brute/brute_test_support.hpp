// Helpers of the brute-force solver's tests: solvers from a seed, the planted
// solution as records, and chain surgery that makes the search walk straight
// to a known board.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

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
    const std::string path = zentara::testing::sourcePath("data/solution_16x16.csv").string();
    EXPECT_TRUE(checkBoardFile(path.c_str(), check, reason)) << reason;
    Board16 cells;
    for (int c = 0; c < CELL_COUNT; ++c) cells[c] = check.cells[c];
    return cells;
}

inline LinkedPiece& plantedRecord(BruteSolver& solver, const Board16& planted, int cell) {
    return solver.records[orientedNumber(planted[cell].piece, planted[cell].rotation)];
}

inline int headOf(const LinkedPiece& record) {
    using namespace bottom_first;
    return chainTableOf(record.colours) * CHAIN_HEADS + chainIndex(record.colours[LEFT], record.colours[TOP]);
}

// Takes the record out of the chain that holds it, if any.
inline void unlink(BruteSolver& solver, LinkedPiece& record) {
    for (LinkedPiece*& first : solver.chainHeads)
        for (LinkedPiece** link = &first; *link != nullptr; link = &(*link)->next)
            if (*link == &record) {
                *link = record.next;
                return;
            }
}

inline void moveToFront(BruteSolver& solver, LinkedPiece& record, int head) {
    unlink(solver, record);
    record.next = solver.chainHeads[head];
    solver.chainHeads[head] = &record;
}

// Moves the record into the chain of `successor`, just before it.
inline void moveBefore(BruteSolver& solver, LinkedPiece& record, LinkedPiece& successor) {
    unlink(solver, record);
    LinkedPiece** link = &solver.chainHeads[headOf(successor)];
    while (*link != &successor) link = &(*link)->next;
    record.next = &successor;
    *link = &record;
}

// Pieces on the board when the last placement was on cell level - 1.
constexpr int piecesAtLevel(int level) { return level <= HINT_CELL ? level + 1 : level; }

// Moves the planted records to the fronts of their chains, later cells first, so
// that a chain serving several cells lists their records in cell order: on every
// cell the search meets only pieces already placed before the planted one, and
// walks straight to the full board. A search that strays from it stops at its
// first report instead of running on through the whole tree.
inline void promotePlanted(BruteSolver& solver, const Board16& planted) {
    solver.placementsPerReport = solver.countdown = 100'000;
    solver.reportLimit = 1;
    for (int cell = CELL_COUNT - 1; cell >= 0; --cell) {
        if (cell == HINT_CELL) continue;
        LinkedPiece& record = plantedRecord(solver, planted, cell);
        moveToFront(solver, record, headOf(record));
    }
}

// The planted board on the first `positions` cells of the search order, the rest empty.
inline Board16 plantedPrefix(const Board16& planted, int positions) {
    Board16 cells{};
    cells[HINT_CELL] = planted[HINT_CELL];
    for (int p = 0; p < positions; ++p) cells[cellOfPosition(p)] = planted[cellOfPosition(p)];
    return cells;
}

inline std::string boardText(const Board16& cells) {
    BoardText text;
    formatBoard(cells.data(), LAYOUT_16X16, text);
    return std::string(text.view());
}

inline std::string boardTextOf(const BruteSolver& solver) {
    Board16 cells{};
    for (int c = 0; c < CELL_COUNT; ++c)
        if (solver.placed[c] != nullptr) cells[c] = PlacedCell{solver.placed[c]->piece, solver.placed[c]->rotation};
    return boardText(cells);
}

// The independent checker's verdict on a file the search wrote.
inline ::testing::AssertionResult consistentBoardFile(const std::string& name, int expectedPieces) {
    BoardCheck check;
    std::string reason;
    if (!checkBoardFile(name.c_str(), check, reason)) return ::testing::AssertionFailure() << name << ": " << reason;
    if (!check.consistent() || !check.hintInPlace)
        return ::testing::AssertionFailure() << name << ":\n" << formatCheckReport(name.c_str(), check);
    if (expectedPieces >= 0 && check.piecesPlaced != expectedPieces)
        return ::testing::AssertionFailure() << name << ": " << check.piecesPlaced << " pieces, expected " << expectedPieces;
    return ::testing::AssertionSuccess();
}

}  // namespace zentara::brute::testing
