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
// of dependent loads costing more than the mispredicted branches it saved. Most
// of the time goes to the one unpredictable question per entry, whether its
// piece is on the board.
//
// The next cell's list hangs on the piece just placed, so the latency of that
// chain sets the pace: slot words (colours and oriented number in one load,
// beside the pool), list starts at four bytes a list, the left colours, score
// and level in registers, the solver reached at fixed offsets, and a terminator
// that stops the scan by its used flag took the search from 102 to 86
// instructions per test (loads 41 to 29, mispredicted branches 1.24 either way)
// and 1.16x the tests per second (median of nine, interleaved). A register
// copy of the scan pointer (an empty asm kept the scans out of stack slots)
// and fewer cells inlined per function (2 or 4) gained nothing measurable.
#include <cstring>

#include "score/cell_rules.hpp"
#include "score/score_solver.hpp"

namespace zentara::score {

namespace {

constexpr int LAST_CELL = CELL_COUNT - 1;

// How a step ends: back to the cell before, or up through every step at once
// (the report ended the run or reset the board, so nothing may be taken back).
enum class Flow { Back, EndRun, Restart };

// The level and score travel with the steps, in registers; they go to the
// record before any call that reads them (record boards, reports).
void storeCounters(ScoreSolver& s, std::int32_t score, std::int32_t level) {
    s.level = level;
    s.score = score;
}

// The used flag of an entry by the oriented number in its slot word.
bool isUsed(const ScoreSolver& s, std::uint64_t word) { return s.usedOriented[static_cast<std::uint32_t>(word)] != 0; }

// Marks the piece of an oriented number used (1) or free (0) in all four rotations.
void setUsed(ScoreSolver& s, std::uint32_t oriented, std::uint32_t used) {
    const std::uint32_t flags = used * 0x01010101u;
    std::memcpy(&s.usedOriented[oriented & ~3u], &flags, sizeof flags);
}

[[gnu::noinline]] Flow report(ScoreSolver& s, std::int32_t score, std::int32_t level) {
    storeCounters(s, score, level);
    reportProgress(s);
    s.testCountdown = s.testsPerReport;
    if (s.endRun) return Flow::EndRun;
    if (s.resetRequested) return Flow::Restart;
    return Flow::Back;
}

// Count a test; every testsPerReport-th runs the report. Back: go on.
[[gnu::always_inline]] inline Flow countTest(ScoreSolver& s, std::int32_t score, std::int32_t level) {
    if (--s.testCountdown != 0) [[likely]]
        return Flow::Back;
    return report(s, score, level);
}

[[gnu::noinline]] void recordBoard(ScoreSolver& s, std::int32_t score, std::int32_t level) {
    storeCounters(s, score, level);
    writeRecordBoard(s);
}

// A few cells are inlined into each function: all 255 in one took long to
// compile, one function per cell cost more instructions.
constexpr int INLINED_CELLS = 8;

template <int CELL>
Flow enterCell(ScoreSolver& s, std::uint32_t leftColours, std::int32_t score, std::int32_t level);

template <int CELL>
[[gnu::noinline]] Flow enterOutlined(ScoreSolver& s, std::uint32_t leftColours, std::int32_t score,
                                     std::int32_t level) {
    return enterCell<CELL>(s, leftColours, score, level);
}

// The colours of the cell to the left, the score and the level come in
// registers from the step before, not through the board: the next cell's list
// hangs on the piece just placed, and reading its colours back from the board
// put a store-to-load forwarding on that chain every test. Everything else is
// reached from the one solver reference at fixed offsets (a walk record of
// pointers was reloaded after every byte store, which may alias it).
template <int CELL>
Flow enter(ScoreSolver& s, std::uint32_t leftColours, std::int32_t score, std::int32_t level) {
    if constexpr (CELL % INLINED_CELLS == 0)
        return enterOutlined<CELL>(s, leftColours, score, level);
    else
        return enterCell<CELL>(s, leftColours, score, level);
}

// Step 2. Enter a cell (coming forward from the cell just placed or left
// empty; cell 0 at the start): its list by the colours of the cells above and
// to the left (an empty one selects the any-colour list), and its join count.
template <int CELL>
Flow enterCell(ScoreSolver& s, const std::uint32_t leftColours, const std::int32_t score, const std::int32_t level) {
    constexpr CellRule rule = CELL_RULES[CELL];
    WorkBoard& board = s.workBoard;
    const std::uint32_t topKey = rule.above == BORDER_SENTINEL ? 0 : board[rule.above].colours & 0xFF;
    // Column 0 reads the border colour; the cell right of the hint is not
    // entered from its left neighbour.
    const std::uint32_t leftKey = rule.left == BORDER_SENTINEL ? 0
                                  : rule.left == HINT_CELL     ? board[HINT_CELL].colours >> 24
                                                               : leftColours >> 24;
    const auto joinCount = static_cast<std::uint8_t>(rule.hintJoin + (topKey != ANY_KEY ? rule.aboveJoin : 0) +
                                                     (leftKey != ANY_KEY ? rule.leftJoin : 0));
    if (CELL != 0 && joinCount == 0) return Flow::Back;  // both neighbours empty: not tried
    const std::uint64_t* entry =
        &s.tables.slotWords[s.tables.listStarts[rule.listOffset + topKey * KEY_COUNT + leftKey]];

    for (;;) {
        // Step 3. Scan: pass over entries whose piece is on the board (and, next
        // to the hint, entries that do not fit it). Passing over is no test.
        std::uint64_t word;
        if constexpr (rule.filter == NO_FILTER) {
            while (isUsed(s, word = *entry)) ++entry;
        } else if constexpr (rule.filter == BOTTOM_FITS_HINT) {
            while ((word = *entry) != END_WORD && ((word >> 32 & 0xFF) != s.tables.hintTopColour || isUsed(s, word))) ++entry;
        } else {
            while ((word = *entry) != END_WORD && ((word >> 56) != s.tables.hintLeftColour || isUsed(s, word)))
                ++entry;
        }
        if (word == END_WORD) break;

        // Step 4. Place, with the bookkeeping in this order: score and
        // period-best board, level and period level, then the bests and the
        // record board.
        const auto colours = static_cast<std::uint32_t>(word >> 32);
        const auto oriented = static_cast<std::uint32_t>(word);
        setUsed(s, oriented, 1);
        SearchCell& c = board[CELL];
        c.joinCount = joinCount;
        c.position = &s.tables.pool[static_cast<std::size_t>(entry - s.tables.slotWords.data())];
        c.colours = colours;
        const std::int32_t placedScore = score + joinCount;
        const bool periodScoreRaised = placedScore > s.periodScore;
        if (periodScoreRaised) [[unlikely]] {
            s.periodScore = placedScore;
            std::memcpy(s.periodBestBoard.data(), board.data(), sizeof s.periodBestBoard);
        }
        const std::int32_t placedLevel = level + 1;
        // The bests are never below the period's, so only a raised period
        // level or score can raise them: two tests a placement instead of four
        // (with the oriented number low in the slot word, 86 -> 80 instructions
        // and 1.24 -> 1.18 mispredicted branches a test, 1.06x the tests per second).
        if (placedLevel > s.periodLevel || periodScoreRaised) [[unlikely]] {
            if (placedLevel > s.periodLevel) s.periodLevel = placedLevel;
            if (placedLevel > s.bestLevel) {
                s.bestLevel = placedLevel;
                if (placedScore > s.bestScore) s.bestScore = placedScore;
                recordBoard(s, placedScore, placedLevel);
            } else if (placedScore > s.bestScore) {
                s.bestScore = placedScore;
                recordBoard(s, placedScore, placedLevel);
            }
        }
        Flow flow = countTest(s, placedScore, placedLevel);
        if (flow != Flow::Back) [[unlikely]]
            return flow;
        // A full board goes on at once: cell 255 is taken back straight away.
        if constexpr (CELL != LAST_CELL) {
            flow = enter<CELL_RULES[CELL].next>(s, colours, placedScore, placedLevel);
            if (flow != Flow::Back) return flow;
        }

        // Take back: the piece goes back and the scan goes on from the next
        // entry with the same join count (the neighbours before have not changed).
        c.colours = EMPTY_COLOURS;
        setUsed(s, oriented, 0);
        ++entry;
    }

    // Step 5. End of list: back up, except in rows 12..15 while the score
    // allows the cell to stay empty (on its terminator, nothing else changes).
    if constexpr (rule.emptyThreshold == NEVER_EMPTY) {
        return Flow::Back;
    } else {
        if (score < rule.emptyThreshold) return Flow::Back;
        board[CELL].position = &s.tables.pool[static_cast<std::size_t>(entry - s.tables.slotWords.data())];
        ++s.cellsLeftEmpty;
        if (const Flow flow = countTest(s, score, level); flow != Flow::Back) [[unlikely]]
            return flow;
        // Coming back, a cell left empty passes the step back on to the cell before.
        if constexpr (CELL != LAST_CELL) return enter<CELL_RULES[CELL].next>(s, EMPTY_COLOURS, score, level);
        return Flow::Back;
    }
}

}  // namespace

SearchEnd runSearch(ScoreSolver& s) {
    s.endRun = false;
    for (;;) {
        // Step 1. Start: cell 0 from the first entry of its list.
        s.resetRequested = false;
        const std::int32_t startScore = s.score, startLevel = s.level;
        const Flow flow = enter<0>(s, EMPTY_COLOURS, startScore, startLevel);
        if (flow == Flow::Restart) continue;
        if (flow == Flow::EndRun) return s.endReason;
        // Cell 0's list is exhausted.
        storeCounters(s, startScore, startLevel);
        s.endReason = SearchEnd::Exhausted;
        return SearchEnd::Exhausted;
    }
}

}  // namespace zentara::score
