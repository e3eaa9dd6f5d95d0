// Helpers shared by the score solver's tests: a solver on the heap, boards put
// together cell by cell, and an independent count of matched seams.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/board_file.hpp"
#include "core/pieces.hpp"
#include "score/score_solver.hpp"

namespace zentara::score::testing {

inline std::unique_ptr<ScoreSolver> builtSolver(RandomState seed) {
    auto solver = std::make_unique<ScoreSolver>();
    buildFirstLists(*solver, seed);
    resetBoard(*solver);
    return solver;
}

// The pool slot that holds the record of (piece, rotation) in any list.
inline const Slot* slotOf(const ScoreSolver& s, int piece, int rotation) {
    const OrientedPiece* record = &s.tables.records[orientedNumber(piece, rotation)];
    for (const Slot& slot : s.tables.pool)
        if (slot == record) return &slot;
    return nullptr;
}

inline void placeCell(ScoreSolver& s, SearchCell* board, int cell, int piece, int rotation) {
    const Slot* slot = slotOf(s, piece, rotation);
    ASSERT_NE(slot, nullptr) << "piece " << piece << " rotation " << rotation << " is in no list";
    board[cell].position = slot;
    board[cell].colours = (*slot)->colours;
}

// Every placed cell of a board file onto a search board (the rest left empty).
inline void placeBoard(ScoreSolver& s, SearchCell* board, const Board16& cells) {
    for (int c = 0; c < CELL_COUNT; ++c) {
        board[c] = SearchCell{nullptr, EMPTY_COLOURS, 0};
        if (!cells[c].empty()) placeCell(s, board, c, cells[c].piece, cells[c].rotation);
    }
}

// Independent of the solver: for each pair of neighbouring placed cells whose
// facing sides match, the two counters of the pair by table edge.
using Counts = std::map<int, std::uint32_t>;
inline void addSeams(const Board16& cells, Counts& counts) {
    auto side = [&](int cell, int s) { return rotate(pieceSet().bottomFirst[cells[cell].piece], cells[cell].rotation)[s]; };
    auto edge = [&](int cell, int s) { return (s - cells[cell].rotation) & 3; };
    auto add = [&](int a, int sa, int b, int sb) {
        ++counts[statIndex(cells[a].piece, edge(a, sa), cells[b].piece, edge(b, sb))];
        ++counts[statIndex(cells[b].piece, edge(b, sb), cells[a].piece, edge(a, sa))];
    };
    using namespace bottom_first;
    for (int c = 0; c < CELL_COUNT; ++c) {
        if (cells[c].empty()) continue;
        if (c % 16 < 15 && !cells[c + 1].empty() && side(c, RIGHT) == side(c + 1, LEFT)) add(c + 1, LEFT, c, RIGHT);
        if (c < 240 && !cells[c + 16].empty() && side(c, BOTTOM) == side(c + 16, TOP)) add(c + 16, TOP, c, BOTTOM);
    }
}

inline Board16 readBoard(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Board16 cells;
    parseBoardBytes(bytes, cells);
    return cells;
}

// One status line's figures.
struct Status {
    int level, score, bestLevel, bestScore, tests, resets;
};

inline std::vector<Status> parseStatus(const std::string& console) {
    std::vector<Status> lines;
    std::size_t at = 0;
    while ((at = console.find('\r', at)) != std::string::npos) {
        Status s{};
        EXPECT_EQ(std::sscanf(console.c_str() + at, "\rLevel/Score: %d/%d, Best: %d/%d, Tests: %d M, Resets: %d ", &s.level,
                              &s.score, &s.bestLevel, &s.bestScore, &s.tests, &s.resets),
                  6);
        lines.push_back(s);
        ++at;
    }
    return lines;
}

}  // namespace zentara::score::testing
