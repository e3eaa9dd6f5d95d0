// The search: depth-first in reading order. Every cell has code of its own,
// generated from its constants in CELL_RULES; a cell's step calls the next
// cell's, and a return is the step back (the hint cell is passed over at
// compile time). Backing up never reads the board for where to go: the list
// position and join count of a cell live in its step while it runs, and the
// board keeps them for the period-best copy and the files.
//
// Measured on score-bench (same seed, same tests): the one loop driven by the
// table of cell constants that this replaces took 128 instructions and 2.2
// mispredicted branches per test; code per cell takes 100 and 1.2, the branch
// history of each cell's scan its own (1.23x the tests per second, best of five).
// Earlier, with the one loop: a copy of the scan loop per row ran 5% slower; a
// branch-free scan of four entries at a time ran 15-30% slower, the longer chain
// of dependent loads costing more than the mispredicted branches it saved. Most of the time goes to the one unpredictable question per
// entry, whether its piece is on the board.
#include <cstring>

#include "score/cell_rules.hpp"
#include "score/score_solver.hpp"

namespace zentara::score {

namespace {

constexpr int LAST_CELL = CELL_COUNT - 1;

// How a step ends: back to the cell before, or up through every step at once
// (the report ended the run or reset the board, so nothing may be taken back).
enum class Flow { Back, EndRun, Restart };

struct ScoreWalk {
    ScoreSolver& s;
    SearchCell* board;
    const OrientedPiece* records;
    const std::uint8_t* usedFlags;
    const CandidateList* lists;
    // The counters; they go back to the record before any call that reads them
    // (record boards, reports) and come back after.
    std::int32_t level, score, periodLevel, periodScore, bestLevel, bestScore;
    std::uint32_t countdown;
    std::uint64_t leftEmpty = 0;

    void store() {
        s.level = level;
        s.score = score;
        s.periodLevel = periodLevel;
        s.periodScore = periodScore;
        s.bestLevel = bestLevel;
        s.bestScore = bestScore;
    }
    void load() {
        level = s.level;
        score = s.score;
        periodLevel = s.periodLevel;
        periodScore = s.periodScore;
        bestLevel = s.bestLevel;
        bestScore = s.bestScore;
    }

    // The used flag of an entry by its offset in the record array (its
    // oriented-piece number), without reading the record itself.
    bool isUsed(Slot entry) const { return usedFlags[entry - records] != 0; }

    // Count a test; every testsPerReport-th runs the report.
    bool countTest(Flow& flow) {
        if (--countdown != 0) [[likely]]
            return true;
        store();
        s.cellsLeftEmpty += leftEmpty;
        leftEmpty = 0;
        reportProgress(s);
        countdown = s.testsPerReport;
        if (s.endRun) {
            flow = Flow::EndRun;
            return false;
        }
        if (s.resetRequested) {
            flow = Flow::Restart;
            return false;
        }
        load();
        return true;
    }

    // A few cells are inlined into each function: all 255 in one took long to
    // compile, one function per cell cost more instructions.
    static constexpr int INLINED_CELLS = 8;

    template <int CELL>
    Flow enter() {
        if constexpr (CELL % INLINED_CELLS == 0)
            return enterOutlined<CELL>();
        else
            return enterCell<CELL>();
    }
    template <int CELL>
    [[gnu::noinline]] Flow enterOutlined() {
        return enterCell<CELL>();
    }

    // Step 2. Enter a cell (coming forward from the cell just placed or left
    // empty; cell 0 at the start): its list by the colours of the cells above and
    // to the left (an empty one selects the any-colour list), and its join count.
    template <int CELL>
    Flow enterCell() {
        constexpr CellRule rule = CELL_RULES[CELL];
        const std::uint32_t topKey = board[rule.above].colours & 0xFF;
        const std::uint32_t leftKey = board[rule.left].colours >> 24;
        const auto joinCount = static_cast<std::uint8_t>(rule.hintJoin + (topKey != ANY_KEY ? rule.aboveJoin : 0) +
                                                         (leftKey != ANY_KEY ? rule.leftJoin : 0));
        if (CELL != 0 && joinCount == 0) return Flow::Back;  // both neighbours empty: not tried
        const Slot* position = lists[rule.listOffset + topKey * KEY_COUNT + leftKey].first;

        for (;;) {
            // Step 3. Scan: pass over entries whose piece is on the board (and, next
            // to the hint, entries that do not fit it). Passing over is no test.
            Slot record;
            if constexpr (rule.filter == NO_FILTER) {
                while ((record = *position) != nullptr && isUsed(record)) ++position;
            } else if constexpr (rule.filter == BOTTOM_FITS_HINT) {
                while ((record = *position) != nullptr &&
                       ((record->colours & 0xFF) != HINT_TOP_COLOUR || isUsed(record)))
                    ++position;
            } else {
                while ((record = *position) != nullptr &&
                       ((record->colours >> 24) != HINT_LEFT_COLOUR || isUsed(record)))
                    ++position;
            }
            if (record == nullptr) break;

            // Step 4. Place, with the bookkeeping in this order: score and
            // period-best board, level and period level, then the bests and the
            // record board.
            setPieceUsed(s, record->piece, 1);
            SearchCell& c = board[CELL];
            c.joinCount = joinCount;
            c.position = position;
            c.colours = record->colours;
            score += joinCount;
            if (score > periodScore) {
                periodScore = score;
                std::memcpy(s.periodBestBoard.data(), board, sizeof s.periodBestBoard);
            }
            ++level;
            if (level > periodLevel) periodLevel = level;
            if (level > bestLevel) [[unlikely]] {
                bestLevel = level;
                if (score > bestScore) bestScore = score;
                store();
                writeRecordBoard(s);
            } else if (score > bestScore) [[unlikely]] {
                bestScore = score;
                store();
                writeRecordBoard(s);
            }
            Flow flow = Flow::Back;
            if (!countTest(flow)) return flow;
            // A full board goes on at once: cell 255 is taken back straight away.
            if constexpr (CELL != LAST_CELL) {
                flow = enter<CELL_RULES[CELL].next>();
                if (flow != Flow::Back) return flow;
            }

            // Take back: the piece goes back and the scan goes on from the next
            // entry with the same join count (the neighbours before have not changed).
            c.colours = EMPTY_COLOURS;
            setPieceUsed(s, record->piece, 0);
            score -= joinCount;
            --level;
            ++position;
        }

        // Step 5. End of list: back up, except in rows 12..15 while the score
        // allows the cell to stay empty (on its terminator, nothing else changes).
        if constexpr (rule.emptyThreshold == NEVER_EMPTY) {
            return Flow::Back;
        } else {
            if (score < rule.emptyThreshold) return Flow::Back;
            board[CELL].position = position;
            ++leftEmpty;
            Flow flow = Flow::Back;
            if (!countTest(flow)) return flow;
            // Coming back, a cell left empty passes the step back on to the cell before.
            if constexpr (CELL != LAST_CELL) return enter<CELL_RULES[CELL].next>();
            return Flow::Back;
        }
    }
};

}  // namespace

SearchEnd runSearch(ScoreSolver& s) {
    ScoreWalk walk{s, s.workBoard.data(), s.tables.records.data(), s.usedOriented.data(), s.tables.lists.data(),
                   0, 0, 0, 0, 0, 0, s.testCountdown};
    s.endRun = false;
    for (;;) {
        // Step 1. Start: cell 0 from the first entry of its list.
        s.resetRequested = false;
        walk.load();
        const Flow flow = walk.enter<0>();
        if (flow == Flow::Restart) continue;
        s.testCountdown = walk.countdown;
        if (flow == Flow::EndRun) return s.endReason;
        // Cell 0's list is exhausted.
        walk.store();
        s.cellsLeftEmpty += walk.leftEmpty;
        s.endReason = SearchEnd::Exhausted;
        return SearchEnd::Exhausted;
    }
}

}  // namespace zentara::score
