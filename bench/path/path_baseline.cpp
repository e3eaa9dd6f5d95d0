#include "bench/path/path_baseline.hpp"

#include <cstdio>
#include <memory>
#include <vector>

#include "bench/bench.hpp"
#include "core/board_file.hpp"
#include "path/path_solver.hpp"

namespace zentara::bench {

namespace {

using namespace zentara::path;

struct Step {
    int cell;
    std::uint32_t classBase;
    std::vector<std::pair<int, int>> known;  // (neighbour, its side that faces the cell), in key order
};

struct PathBaseline {
    const CandidateLists* lists = nullptr;
    std::vector<Step> steps;
    PieceEntry sides[CELL_COUNT]{};  // top, right, bottom, left
    int placed[CELL_COUNT];          // oriented piece, -1 when the cell has none in this run
    bool used[PIECE_COUNT]{};
    int reached = -1;                // deepest step with a placement since the run or the last status
    int maxLevel = 1, bestLevel = 0;
    std::uint64_t placements = 0;
    std::uint32_t countdown = PLACEMENTS_PER_PROGRESS;
    int statusCountdown = PROGRESS_PER_STATUS;
    long statuses = 0, statusLimit = 0;

    void write(const char* name) const {
        Board16 board;
        for (int c = 0; c < CELL_COUNT; ++c)
            if (placed[c] >= 0)
                board[c] = PlacedCell{static_cast<std::int16_t>(pieceOfOriented(placed[c])),
                                      static_cast<std::uint8_t>(rotationOfOriented(placed[c]))};
        (void)writeBoardFile(name, board.data(), LAYOUT_16X16);
    }

    // Returns true when the search is to stop (board complete or status limit).
    bool solve(std::size_t step) {
        if (step == steps.size()) return true;
        const Step& s = steps[step];
        std::uint32_t key = 0;
        for (const auto& [neighbour, side] : s.known) key = key << KEY_BITS | sides[neighbour][side];
        const std::uint32_t list = s.classBase + key;
        const std::uint32_t first = lists->first[list];
        for (std::uint32_t i = first; i < first + lists->count[list]; ++i) {
            const int oriented = lists->pool[i];
            const int piece = pieceOfOriented(oriented);
            if (used[piece]) continue;
            used[piece] = true;
            sides[s.cell] = ORIENTED_SIDES[oriented];
            placed[s.cell] = oriented;
            ++placements;
            if (static_cast<int>(step) > reached) {  // first visit: the depth, cells before it and the hint
                reached = static_cast<int>(step);
                const int count = reached + 2;
                if (count > maxLevel) {
                    maxLevel = count;
                    if (count >= bestLevel) {
                        char name[32];
                        std::snprintf(name, sizeof name, "Best%d.csv", count);
                        write(name);
                    }
                }
            }
            if (--countdown == 0) {
                countdown = PLACEMENTS_PER_PROGRESS;
                if (--statusCountdown == 0) {
                    statusCountdown = PROGRESS_PER_STATUS;
                    for (int later = static_cast<int>(step) + 1; later <= reached; ++later) placed[steps[later].cell] = -1;
                    reached = static_cast<int>(step);
                    write("Result.csv");
                    if (++statuses >= statusLimit) return true;
                }
            }
            if (solve(step + 1)) return true;
            used[piece] = false;
        }
        return false;
    }
};

}  // namespace

PathBaselineResult runPathBaseline(const CandidateLists& lists, const PathCells& cells, long statusLimit,
                                   int bestLevel) {
    auto b = std::make_unique<PathBaseline>();
    b->lists = &lists;
    b->statusLimit = statusLimit;
    b->bestLevel = bestLevel;
    for (int& p : b->placed) p = -1;
    b->placed[HINT_CELL] = HINT_ORIENTED;
    b->sides[HINT_CELL] = ORIENTED_SIDES[HINT_ORIENTED];
    b->used[HINT_PIECE] = true;
    // The path and, per cell, its known neighbours in key order (left, bottom, right, top).
    static constexpr int FACING[4] = {top_first::BOTTOM, top_first::LEFT, top_first::TOP, top_first::RIGHT};
    const Geometry& g = BOARD_16X16;
    for (int cell = cells.startCell; cell != HINT_CELL; cell = cells.next[cell]) {
        Step step{cell, CLASS_BASE[cells.cellClass[cell]], {}};
        const int neighbour[4] = {g.above(cell), g.right(cell), g.below(cell), g.left(cell)};
        for (int side : {top_first::LEFT, top_first::BOTTOM, top_first::RIGHT, top_first::TOP})
            if (classDigit(cells.cellClass[cell], side) == DIGIT_KNOWN) step.known.emplace_back(neighbour[side], FACING[side]);
        b->steps.push_back(step);
    }
    b->solve(0);
    std::uint16_t values[CELL_COUNT];
    for (int c = 0; c < CELL_COUNT; ++c) values[c] = b->placed[c] < 0 ? 0xFFFF : static_cast<std::uint16_t>(b->placed[c]);
    PathBaselineResult result;
    result.placements = b->placements;
    result.maxLevel = b->maxLevel;
    result.checksum = boardChecksum(values, CELL_COUNT);
    return result;
}

}  // namespace zentara::bench
