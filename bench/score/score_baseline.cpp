#include "bench/score/score_baseline.hpp"

#include <memory>
#include <vector>

#include "bench/bench.hpp"
#include "score/score_solver.hpp"

namespace zentara::bench {

namespace {

using score::OrientedPiece;

struct Cell {
    const OrientedPiece* piece;  // null: empty
    std::uint32_t colours;       // bytes bottom, left, top, right; NO_COLOUR when empty
    int joins;
};

struct ScoreBaseline {
    std::vector<const OrientedPiece*> lists[4][24][24];  // [class][top][left], 23 = any colour
    Cell board[CELL_COUNT];
    Cell periodBest[CELL_COUNT];
    bool used[PIECE_COUNT];
    int level, score, periodLevel, periodScore, bestLevel = 1, bestScore = 0;
    std::uint64_t testsLeft = 0, placements = 0;

    void reset(const score::CandidateTables& tables) {
        for (int c = 0; c < 4; ++c)
            for (int top = 0; top < 24; ++top)
                for (int left = 0; left < 24; ++left) {
                    std::vector<const OrientedPiece*>& list = lists[c][top][left];
                    list.clear();
                    for (const score::Slot* s = tables.table(c, top, left).first; *s != nullptr; ++s) list.push_back(*s);
                }
        for (Cell& cell : board) cell = Cell{nullptr, score::EMPTY_COLOURS, 0};
        for (bool& u : used) u = false;
        const OrientedPiece* hint = *tables.hintList.first;
        board[HINT_CELL] = Cell{hint, hint->colours, 0};
        used[HINT_PIECE] = true;
        level = periodLevel = 1;
        score = periodScore = 0;
    }

    // Counts a test; true when the period is over.
    bool countTest() { return --testsLeft == 0; }

    // Returns true when the period's tests are spent.
    bool solve(int cell) {
        if (cell == CELL_COUNT) return false;
        if (cell == HINT_CELL) return solve(cell + 1);
        const int row = cell / 16, column = cell % 16;
        const int top = row == 0 ? 0 : board[cell - 16].colours & 0xFF;
        const int left = column == 0 ? 0 : board[cell - 1].colours >> 24;
        const int joins = (row > 0 && top != NO_COLOUR) + (column > 0 && left != NO_COLOUR) +
                          (cell == HINT_CELL - 16 || cell == HINT_CELL - 1);
        if (joins == 0 && cell != 0) return false;  // both neighbours empty: not tried
        const int tableClass = (row == 15 ? 2 : 0) + (column == 15 ? 1 : 0);
        for (const OrientedPiece* p : lists[tableClass][top][left]) {
            if (cell == HINT_CELL - 16 && (p->colours & 0xFF) != 8) continue;
            if (cell == HINT_CELL - 1 && (p->colours >> 24) != 12) continue;
            if (used[p->piece]) continue;
            used[p->piece] = true;
            board[cell] = Cell{p, p->colours, joins};
            score += joins;
            if (score > periodScore) {
                periodScore = score;
                for (int c = 0; c < CELL_COUNT; ++c) periodBest[c] = board[c];
            }
            ++level;
            if (level > periodLevel) periodLevel = level;
            if (level > bestLevel) {
                bestLevel = level;
                if (score > bestScore) bestScore = score;
            } else if (score > bestScore) {
                bestScore = score;
            }
            ++placements;
            if (countTest() || solve(cell + 1)) return true;
            board[cell] = Cell{nullptr, score::EMPTY_COLOURS, 0};
            used[p->piece] = false;
            score -= joins;
            --level;
        }
        // Rows 12 to 15 may stay empty while few joins are missing.
        if (row < 12) return false;
        static constexpr int BASE[4] = {352, 375, 394, 408};
        if (score < BASE[row - 12] + 2 * column) return false;
        return countTest() || solve(cell + 1);
    }
};

}  // namespace

ScoreBaselineResult runScoreBaseline(RandomState seed, int periods, std::uint32_t testsPerPeriod) {
    auto tables = std::make_unique<score::CandidateTables>();
    auto b = std::make_unique<ScoreBaseline>();
    RandomState random = seed;
    ScoreBaselineResult result;
    for (int period = 0; period < periods; ++period) {
        score::buildCandidateTables(*tables, random);
        b->reset(*tables);
        b->testsLeft = testsPerPeriod;
        b->solve(0);
        result.tests += testsPerPeriod - b->testsLeft;
    }
    std::uint16_t values[CELL_COUNT];
    for (int c = 0; c < CELL_COUNT; ++c) {
        const OrientedPiece* p = b->periodBest[c].piece;
        values[c] = p == nullptr ? 0xFFFF : static_cast<std::uint16_t>(orientedNumber(p->piece, p->rotation));
    }
    result.placements = b->placements;
    result.bestLevel = b->bestLevel;
    result.bestScore = b->bestScore;
    result.periodBestChecksum = boardChecksum(values, CELL_COUNT);
    return result;
}

}  // namespace zentara::bench
