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

// What both plain searches share: the path, the board and the used pieces.
struct PlainPath {
    struct Step {
        int cell;
        std::uint32_t classBase;
        std::vector<std::pair<int, int>> known;  // (neighbour, its side that faces the cell), in key order
    };
    const CandidateLists* lists = nullptr;
    std::vector<Step> steps;
    PieceEntry sides[CELL_COUNT]{};  // top, right, bottom, left
    int placed[CELL_COUNT];          // oriented piece, -1 when the cell has none in this run
    bool used[PIECE_COUNT]{};
    int reached = -1;                // deepest step with a placement since the run or the last status
    int maxLevel = 1, bestLevel = 0;
    std::uint64_t placements = 0;

    PlainPath(const CandidateLists& candidateLists, const PathCells& cells, int firstBestLevel)
        : lists(&candidateLists), bestLevel(firstBestLevel) {
        for (int& p : placed) p = -1;
        placed[HINT_CELL] = HINT_ORIENTED;
        sides[HINT_CELL] = ORIENTED_SIDES[HINT_ORIENTED];
        used[HINT_PIECE] = true;
        // The path and, per cell, its known neighbours in key order (left, bottom, right, top).
        static constexpr int FACING[4] = {top_first::BOTTOM, top_first::LEFT, top_first::TOP, top_first::RIGHT};
        const Geometry& g = BOARD_16X16;
        for (int cell = cells.startCell; cell != HINT_CELL; cell = cells.next[cell]) {
            Step step{cell, CLASS_BASE[cells.cellClass[cell]], {}};
            const int neighbour[4] = {g.above(cell), g.right(cell), g.below(cell), g.left(cell)};
            for (int side : {top_first::LEFT, top_first::BOTTOM, top_first::RIGHT, top_first::TOP})
                if (classDigit(cells.cellClass[cell], side) == DIGIT_KNOWN)
                    step.known.emplace_back(neighbour[side], FACING[side]);
            steps.push_back(step);
        }
    }

    std::uint32_t listOf(const Step& s) const {
        std::uint32_t key = 0;
        for (const auto& [neighbour, side] : s.known) key = key << KEY_BITS | sides[neighbour][side];
        return s.classBase + key;
    }

    void write(const char* name) const {
        Board16 board;
        for (int c = 0; c < CELL_COUNT; ++c)
            if (placed[c] >= 0)
                board[c] = PlacedCell{static_cast<std::int16_t>(pieceOfOriented(placed[c])),
                                      static_cast<std::uint8_t>(rotationOfOriented(placed[c]))};
        (void)writeBoardFile(name, board.data(), LAYOUT_16X16);
    }

    PathBaselineResult result() const {
        std::uint16_t values[CELL_COUNT];
        for (int c = 0; c < CELL_COUNT; ++c) values[c] = placed[c] < 0 ? 0xFFFF : static_cast<std::uint16_t>(placed[c]);
        PathBaselineResult r;
        r.placements = placements;
        r.maxLevel = maxLevel;
        r.checksum = boardChecksum(values, CELL_COUNT);
        return r;
    }
};

// The recursive search of both: `afterPlacement(step)` after every placement and
// `exhausted()` when a cell's list has run out, of the rules that derive from
// it, say whether to stop.
template <class Rules>
struct PlainSearch : PlainPath {
    using PlainPath::PlainPath;

    bool search(std::size_t step) {
        if (step == steps.size()) return true;
        const Step& s = steps[step];
        const std::uint32_t list = listOf(s);
        const std::uint32_t first = lists->first[list];
        for (std::uint32_t i = first; i < first + lists->count[list]; ++i) {
            const int oriented = lists->pool[i];
            const int piece = pieceOfOriented(oriented);
            if (used[piece]) continue;
            used[piece] = true;
            sides[s.cell] = ORIENTED_SIDES[oriented];
            placed[s.cell] = oriented;
            ++placements;
            if (static_cast<Rules*>(this)->afterPlacement(static_cast<int>(step))) return true;
            if (search(step + 1)) return true;
            used[piece] = false;
        }
        return static_cast<Rules*>(this)->exhausted();
    }
};

// The seeded path solver: every millionth placement a progress step, every
// second one a status that drops the placements beyond the current cell.
struct PathRules : PlainSearch<PathRules> {
    using PlainSearch::PlainSearch;
    std::uint32_t countdown = PLACEMENTS_PER_PROGRESS;
    int statusCountdown = PROGRESS_PER_STATUS;
    long statuses = 0, statusLimit = 0;

    bool afterPlacement(int step) {
        if (step > reached) {  // first visit: the depth, cells before it and the hint
            reached = step;
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
        if (--countdown != 0) return false;
        countdown = PLACEMENTS_PER_PROGRESS;
        if (--statusCountdown != 0) return false;
        statusCountdown = PROGRESS_PER_STATUS;
        for (int later = step + 1; later <= reached; ++later) placed[steps[later].cell] = -1;
        reached = step;
        write("Result.csv");
        return ++statuses >= statusLimit;
    }
    static bool exhausted() { return false; }
};

// The random-restart solver: every step back spends one unit of the budget.
struct RandomRules : PlainSearch<RandomRules> {
    using PlainSearch::PlainSearch;
    std::uint32_t budget = 0;
    std::uint64_t backtrackSteps = 0;

    bool afterPlacement(int step) {
        if (step > reached) {  // first visit in this run
            reached = step;
            maxLevel = reached + 2;
            if (maxLevel >= bestLevel) {
                char name[32];
                std::snprintf(name, sizeof name, "Best%03d.csv", maxLevel);
                write(name);
                write("Result.csv");
            }
        }
        return false;
    }
    bool exhausted() {
        ++backtrackSteps;
        return --budget == 0;
    }
};

}  // namespace

PathBaselineResult runPathBaseline(const CandidateLists& lists, const PathCells& cells, long statusLimit,
                                   int bestLevel) {
    auto b = std::make_unique<PathRules>(lists, cells, bestLevel);
    b->statusLimit = statusLimit;
    b->search(0);
    return b->result();
}

PathBaselineResult runRandomBaseline(const CandidateLists& lists, const PathCells& cells, std::uint32_t budget,
                                     int bestLevel) {
    auto b = std::make_unique<RandomRules>(lists, cells, bestLevel);
    b->budget = budget;
    b->search(0);
    PathBaselineResult r = b->result();
    r.backtrackSteps = b->backtrackSteps;
    return r;
}

}  // namespace zentara::bench
