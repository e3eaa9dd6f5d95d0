// The search: depth-first in reading order, no stack. The list positions stored
// in the board cells are the whole backtracking state; every cell runs the same
// few steps with its constants taken from CELL_RULES.
//
// Measured alternatives (same seed, same tests): a copy of the scan loop per row,
// to give each row its own branch history, ran 5% slower; a branch-free scan of
// four entries at a time ran 15-30% slower, the longer chain of dependent loads
// costing more than the mispredicted branches it saved. Most of the time goes to
// the one unpredictable question per entry, whether its piece is on the board.
#include <cstring>

#include "score/cell_rules.hpp"
#include "score/score_solver.hpp"

namespace zentara::score {

namespace {

constexpr int LAST_CELL = CELL_COUNT - 1;

}  // namespace

SearchEnd runSearch(ScoreSolver& s) {
    SearchCell* const board = s.workBoard.data();
    // The used flag of an entry by its offset in the record array (its
    // oriented-piece number), without reading the record itself.
    const OrientedPiece* const records = s.tables.records.data();
    const std::uint8_t* const usedFlags = s.usedOriented.data();
    auto isUsed = [records, usedFlags](Slot entry) { return usedFlags[entry - records] != 0; };
    const CandidateList* const lists = s.tables.lists.data();

    // The counters live in registers; they go back to the record before any call
    // that reads them (record boards, reports) and come back after.
    std::int32_t level, score, periodLevel, periodScore, bestLevel, bestScore;
    std::uint32_t countdown = s.testCountdown;
    std::uint64_t leftEmpty = 0;
    auto store = [&] {
        s.level = level;
        s.score = score;
        s.periodLevel = periodLevel;
        s.periodScore = periodScore;
        s.bestLevel = bestLevel;
        s.bestScore = bestScore;
    };
    auto load = [&] {
        level = s.level;
        score = s.score;
        periodLevel = s.periodLevel;
        periodScore = s.periodScore;
        bestLevel = s.bestLevel;
        bestScore = s.bestScore;
    };

    int cell;
    const Slot* position;
    std::uint8_t joinCount;
    Slot record;
    s.endRun = false;

start:
    // Step 1. Start: cell 0 from the first entry of its list.
    s.resetRequested = false;
    load();
    cell = 0;
    joinCount = 0;
    position = lists[OPEN_TABLE * LISTS_PER_TABLE].first;
    goto scan;

enter: {
    // Step 2. Enter a cell: its list by the colours of the cells above and to the
    // left (an empty one selects the any-colour list), and its join count.
    const CellRule& rule = CELL_RULES[cell];
    const std::uint32_t topKey = board[rule.above].colours & 0xFF;
    const std::uint32_t leftKey = board[rule.left].colours >> 24;
    joinCount = static_cast<std::uint8_t>(rule.hintJoin + (topKey != ANY_KEY ? rule.aboveJoin : 0) +
                                          (leftKey != ANY_KEY ? rule.leftJoin : 0));
    if (joinCount == 0) {  // both neighbours empty: not tried
        cell = rule.previous;
        goto takeBack;
    }
    position = lists[rule.listOffset + topKey * KEY_COUNT + leftKey].first;
}

scan: {
    // Step 3. Scan: pass over entries whose piece is on the board (and, next to
    // the hint, entries that do not fit it). Passing over is no test.
    const std::uint8_t filter = CELL_RULES[cell].filter;
    if (filter == NO_FILTER) [[likely]] {
        while ((record = *position) != nullptr && isUsed(record)) ++position;
    } else if (filter == BOTTOM_FITS_HINT) {
        while ((record = *position) != nullptr &&
               ((record->colours & 0xFF) != HINT_TOP_COLOUR || isUsed(record)))
            ++position;
    } else {
        while ((record = *position) != nullptr &&
               ((record->colours >> 24) != HINT_LEFT_COLOUR || isUsed(record)))
            ++position;
    }
    if (record == nullptr) goto endOfList;

    // Step 4. Place, with the bookkeeping in this order: score and period-best
    // board, level and period level, then the bests and the record board.
    setPieceUsed(s, record->piece, 1);
    SearchCell& c = board[cell];
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
    goto countTest;
}

endOfList:
    // Step 5. End of list: back up, except in rows 12..15 while the score allows
    // the cell to stay empty (on its terminator, nothing else changes).
    if (score < CELL_RULES[cell].emptyThreshold) {
        if (cell == 0) {
            store();
            s.testCountdown = countdown;
            s.cellsLeftEmpty += leftEmpty;
            s.endReason = SearchEnd::Exhausted;
            return SearchEnd::Exhausted;
        }
        cell = CELL_RULES[cell].previous;
        goto takeBack;
    }
    board[cell].position = position;
    ++leftEmpty;

countTest:
    if (--countdown == 0) [[unlikely]] {
        store();
        s.cellsLeftEmpty += leftEmpty;
        leftEmpty = 0;
        reportProgress(s);
        countdown = s.testsPerReport;
        if (s.endRun) {
            s.testCountdown = countdown;
            return s.endReason;
        }
        if (s.resetRequested) goto start;
        load();
    }
    if (cell == LAST_CELL) goto takeBack;  // a full board goes on at once
    cell = CELL_RULES[cell].next;
    goto enter;

takeBack: {
    // Take back: cells left empty are passed over; a placed cell gives its piece
    // back and is scanned on from its next entry with the same join count.
    SearchCell* c = &board[cell];
    while ((record = *c->position) == nullptr) {
        cell = CELL_RULES[cell].previous;
        c = &board[cell];
    }
    c->colours = EMPTY_COLOURS;
    setPieceUsed(s, record->piece, 0);
    joinCount = c->joinCount;
    score -= joinCount;
    --level;
    position = c->position + 1;
    goto scan;
}
}

}  // namespace zentara::score
