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

// The recursive search of both: `rules.placed(step)` after every placement and
// `rules.exhausted()` when a cell's list has run out say whether to stop.
template <class Rules>
bool search(PlainPath& p, Rules& rules, std::size_t step) {
    if (step == p.steps.size()) return true;
    const PlainPath::Step& s = p.steps[step];
    const std::uint32_t list = p.listOf(s);
    const std::uint32_t first = p.lists->first[list];
    for (std::uint32_t i = first; i < first + p.lists->count[list]; ++i) {
        const int oriented = p.lists->pool[i];
        const int piece = pieceOfOriented(oriented);
        if (p.used[piece]) continue;
        p.used[piece] = true;
        p.sides[s.cell] = ORIENTED_SIDES[oriented];
        p.placed[s.cell] = oriented;
        ++p.placements;
        if (rules.placed(static_cast<int>(step))) return true;
        if (search(p, rules, step + 1)) return true;
        p.used[piece] = false;
    }
    return rules.exhausted();
}

// The seeded path solver: every millionth placement a progress step, every
// second one a status that drops the placements beyond the current cell.
struct PathRules {
    PlainPath& p;
    std::uint32_t countdown = PLACEMENTS_PER_PROGRESS;
    int statusCountdown = PROGRESS_PER_STATUS;
    long statuses = 0, statusLimit = 0;

    bool placed(int step) {
        if (step > p.reached) {  // first visit: the depth, cells before it and the hint
            p.reached = step;
            const int count = p.reached + 2;
            if (count > p.maxLevel) {
                p.maxLevel = count;
                if (count >= p.bestLevel) {
                    char name[32];
                    std::snprintf(name, sizeof name, "Best%d.csv", count);
                    p.write(name);
                }
            }
        }
        if (--countdown != 0) return false;
        countdown = PLACEMENTS_PER_PROGRESS;
        if (--statusCountdown != 0) return false;
        statusCountdown = PROGRESS_PER_STATUS;
        for (int later = step + 1; later <= p.reached; ++later) p.placed[p.steps[later].cell] = -1;
        p.reached = step;
        p.write("Result.csv");
        return ++statuses >= statusLimit;
    }
    static bool exhausted() { return false; }
};

// The random-restart solver: every step back spends one unit of the budget.
struct RandomRules {
    PlainPath& p;
    std::uint32_t budget = 0;
    std::uint64_t backtrackSteps = 0;

    bool placed(int step) {
        if (step > p.reached) {  // first visit in this run
            p.reached = step;
            p.maxLevel = p.reached + 2;
            if (p.maxLevel >= p.bestLevel) {
                char name[32];
                std::snprintf(name, sizeof name, "Best%03d.csv", p.maxLevel);
                p.write(name);
                p.write("Result.csv");
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
    auto p = std::make_unique<PlainPath>(lists, cells, bestLevel);
    PathRules rules{*p};
    rules.statusLimit = statusLimit;
    search(*p, rules, 0);
    return p->result();
}

PathBaselineResult runRandomBaseline(const CandidateLists& lists, const PathCells& cells, std::uint32_t budget,
                                     int bestLevel) {
    auto p = std::make_unique<PlainPath>(lists, cells, bestLevel);
    RandomRules rules{*p, budget};
    search(*p, rules, 0);
    PathBaselineResult r = p->result();
    r.backtrackSteps = rules.backtrackSteps;
    return r;
}

}  // namespace zentara::bench
