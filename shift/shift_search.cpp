// The iteration: shift the first fitting record into a random empty cell, or count
// a failure and remove pieces in a burst when the allowance runs out.
#include <array>
#include <cstdio>
#include <ostream>

#include "shift/shift_search.hpp"

namespace zentara::shift {

void removalBurst(ShiftSearch& s) {
    Tuning& t = s.tuning;
    t.failureAllowance = t.re;
    int n = t.removalCount;
    t.removalCount = 1;
    // Never more than there are removable pieces, or the cell draw below would not end.
    const int removable = s.level - fixedCount();
    if (n > removable) n = removable;
    RandomState random = s.random;
    for (; n > 0; --n) {
        int cell;
        do {
            random = nextRandomState(random);
            cell = static_cast<int>(random >> 24);
        } while (s.board.placement[cell] == NO_RECORD || (s.board.flags[cell] & FIXED_CELL));
        removePiece(s, cell);
    }
    s.random = random;
}

namespace {

// Generator jumps of 1 to 4 steps: state_k = A_k * state + C_k.
struct Jump {
    std::uint32_t multiplier;
    std::uint32_t increment;
};
constexpr std::array<Jump, 5> JUMPS = [] {
    std::array<Jump, 5> jumps{};
    jumps[0] = {1u, 0u};
    for (int k = 1; k < 5; ++k)
        jumps[k] = {jumps[k - 1].multiplier * RANDOM_MULTIPLIER,
                    jumps[k - 1].increment * RANDOM_MULTIPLIER + RANDOM_INCREMENT};
    return jumps;
}();

// Steps the generator until its top byte names an empty cell; the state ends exactly
// where one step at a time would leave it. Four states are formed from the same
// start at once, so the multiplies do not wait on each other: at level 250 about 64
// steps are needed per pick, and the chained loop was a fifth of the run time.
inline int pickEmptyCell(const ShiftBoard& b, RandomState& state) {
    RandomState s = state;
    for (;;) {
        const RandomState s1 = JUMPS[1].multiplier * s + JUMPS[1].increment;
        const RandomState s2 = JUMPS[2].multiplier * s + JUMPS[2].increment;
        const RandomState s3 = JUMPS[3].multiplier * s + JUMPS[3].increment;
        const RandomState s4 = JUMPS[4].multiplier * s + JUMPS[4].increment;
        const bool e1 = b.placement[s1 >> 24] == NO_RECORD;
        const bool e2 = b.placement[s2 >> 24] == NO_RECORD;
        const bool e3 = b.placement[s3 >> 24] == NO_RECORD;
        const bool e4 = b.placement[s4 >> 24] == NO_RECORD;
        if (e1 | e2 | e3 | e4) {
            state = e1 ? s1 : e2 ? s2 : e3 ? s3 : s4;
            return static_cast<int>(state >> 24);
        }
        s = s4;
    }
}

// A new best level: the numbered best file from level 200 on, and a snapshot.
void recordNewBest(ShiftSearch& s) {
    if (s.level >= FIRST_BEST_FILE_LEVEL) {
        char name[32];
        std::snprintf(name, sizeof name, "Best%d.csv", s.level);
        writeBoard(s, name);
    }
    takeSnapshot(s);
}

}  // namespace

SearchEnd runSearch(ShiftSearch& s, std::ostream& out) {
    if (s.level == CELL_COUNT) return SearchEnd::Complete;  // a resumed board may already be full
    ShiftBoard& b = s.board;
    // The generator and the iteration counters live in registers; they are stored back
    // before every call that draws numbers or reads them.
    RandomState random = s.random;
    std::uint64_t iterations = 0;
    int stepCountdown = s.stepCountdown;
    SearchEnd end = SearchEnd::Complete;

    for (;;) {
        ++iterations;
        // Step 1. A random empty cell from the top byte of the generator.
        const int cell = pickEmptyCell(b, random);

        // Step 2. The first record in list order that fits the cell's known sides.
        const std::uint32_t mask = b.mask[cell];
        const int position = findFirstFit(s.list, mask, b.required[cell] & mask);
        const bool stepDue = --stepCountdown == 0;
        if (stepDue) stepCountdown = ITERATIONS_PER_STEP;

        if (position >= 0) {
            // Step 3. Shift it here, taking it from wherever it lay.
            s.tuning.failureAllowance = s.tuning.ok;
            const int record = moveToBack(s.list, position);
            const int from = b.pieceCell[ORIENTED_RECORDS[record].piece];
            if (from != NO_CELL) removePiece(s, from);
            placePiece(s, cell, record);
            bool stop = false;
            if (stepDue) {
                s.random = random;
                stop = periodicStep(s, out);
                random = s.random;
            }
            if (s.level > s.maxLevel) {
                s.maxLevel = s.level;
                if (s.level == CELL_COUNT) break;
                recordNewBest(s);
            }
            if (stop) {
                end = SearchEnd::StatusLimit;
                break;
            }
        } else if (stepDue) {
            // Step 4. A failure on a step iteration is not counted.
            s.random = random;
            const bool stop = periodicStep(s, out);
            random = s.random;
            if (stop) {
                end = SearchEnd::StatusLimit;
                break;
            }
        } else if (--s.tuning.failureAllowance == 0) {
            s.random = random;
            removalBurst(s);
            random = s.random;
        }
    }
    s.random = random;
    s.stepCountdown = stepCountdown;
    s.iterations += iterations;
    return end;
}

int runShiftSolver(ShiftSearch& s, std::ostream& out, const RunLimits& limits) {
    const BoardWriteConsole boardWrites(out);
    setUp(s, limits.seed ? *limits.seed : timeSeedNow());
    s.limits = limits;
    (void)resumeFromBestFile(s, out);
    if (runSearch(s, out) != SearchEnd::Complete) return 0;
    const std::uint64_t failuresBefore = boardWriteFailures();
    recordNewBest(s);
    Board16 cells;
    boardCells(s.board, cells);
    return endWithFullBoard(out, cells.data(), LAYOUT_16X16, failuresBefore);
}

}  // namespace zentara::shift
