// The step loop, the status report and the board files.
#include <cstdio>
#include <ostream>

#include "berserker/berserker.hpp"
#include "core/checks.hpp"
#include "core/console.hpp"

namespace zentara::berserker {

namespace {

// Board files always show the saved board.
void writeSavedBoard(const Berserker& e, const char* name) {
    Board16 cells;
    boardCells(e, e.saved, cells);
    (void)writeBoardFile(name, cells.data(), LAYOUT_16X16);  // a failure is said on the console there
}

void writeBestFile(const Berserker& e) {
    char name[32];
    std::snprintf(name, sizeof name, "Best%d.csv", e.saved.level);
    writeSavedBoard(e, name);
}

void showStatus(Berserker& e, std::ostream& out) {
    ++e.millions;
    printTo(out, "\rLev %3d, cur %3d, max %3d, tst %6d mil, res %6d K, big res %3d", e.board.level, e.saved.level,
            e.bestLevel, e.millions, e.fallBackThousands, e.bigResets);
    if (--e.fileCountdown == 0) {
        e.fileCountdown = 2;
        if (e.saved.level == e.bestLevel && e.bestLevel >= BEST_FILE_LEVEL) writeBestFile(e);
        writeSavedBoard(e, "Result.csv");
    }
}

}  // namespace

bool writeResultFile(const Berserker& e) {
    Board16 cells;
    boardCells(e, e.saved, cells);
    return writeBoardFile("Result.csv", cells.data(), LAYOUT_16X16);
}

int finishRun(const Berserker& e, std::ostream& out) {
    (void)writeResultFile(e);
    if (e.saved.level < COMPLETE_LEVEL) return 0;
    Board16 cells;
    boardCells(e, e.saved, cells);
    return endWithFullBoard(out, cells.data(), LAYOUT_16X16, e.failuresBeforeFullBoard);
}

std::uint64_t stepsTaken(const Berserker& e) {
    if (e.millions == 0) return 0;
    return std::uint64_t(e.millions - 1) * STEPS_PER_STATUS + 1 + (STEPS_PER_STATUS - e.millionCountdown);
}

SearchEnd runSearch(Berserker& e, std::ostream& out, const RunLimits& limits) {
    // A board resumed complete is already the answer (and leaves no free cell to draw).
    if (e.board.level >= COMPLETE_LEVEL) {
        e.failuresBeforeFullBoard = boardWriteFailures();
        return SearchEnd::Complete;
    }
    Board& board = e.board;
    const CandidateTables& tables = e.tables;
    // The generator and the two countdowns live in registers; they are stored back
    // around the rare calls that use them.
    RandomState x = e.random;
    std::uint8_t failures = e.failureCountdown;
    int countdown = e.millionCountdown;
    std::int64_t reports = 0;
    for (;;) {
        // Step 1. The status every million steps, and a big reset every tenth
        // status without a new height.
        if (--countdown == 0) {
            e.random = x;
            showStatus(e, out);
            ZENTARA_RECOUNT(checkSearchState(e));
            if (--e.bigResetCountdown == 0) bigReset(e);
            countdown = STEPS_PER_STATUS;
            x = e.random;
            if (limits.reports > 0 && ++reports >= limits.reports) {
                e.failureCountdown = failures;
                e.millionCountdown = countdown;
                return SearchEnd::StatusLimit;
            }
        }
        // Step 2. A random free cell: the (i + 1)-th after the head, the head being the
        // first free cell, so that the last i comes round to the head itself.
        x = nextRandomState(x);
        int freeIndex = static_cast<int>(x % static_cast<std::uint32_t>(board.freeLength)) + 1;
        if (freeIndex == board.freeLength) freeIndex = 0;
        const int cell = board.freeCells[freeIndex];
        // Step 3. Its candidate list.
        const CandidateList list = candidateListOf(tables, board, cell);
        int chosen = NO_RECORD;
        if (list.count != 0) {
            // Step 4. Up to four draws; the first piece not on the board is taken.
            const CandidateEntry* entries = tables.entries.data() + list.start;
            for (int draw = 0; draw < 4; ++draw) {
                x = nextRandomState(x);
                const CandidateEntry entry = entries[x % list.count];
                if (board.pieceCell[entry.piece] == NO_CELL) {
                    chosen = entry.record;
                    break;
                }
            }
        }
        if (chosen == NO_RECORD) {
            // Step 6. After 256 failures in a row (the countdown wraps at 0) handle the stall.
            if (--failures == 0) {
                e.random = x;
                handleStall(e);
                x = e.random;
            }
            continue;
        }
        // Step 5. Place the piece.
        failures = 0;
        placeRecord(board, tables, chosen, freeIndex);
        if (board.level > e.heightSinceBigReset) {
            e.heightSinceBigReset = board.level;
            e.bigResetCountdown = 10;
        }
        if (board.level > e.bestLevel) {
            e.bestLevel = board.level;
            saveBoard(e);
            if (e.bestLevel == COMPLETE_LEVEL) e.failuresBeforeFullBoard = boardWriteFailures();
            if (board.level >= BEST_FILE_LEVEL) writeBestFile(e);
            writeSavedBoard(e, "Result.csv");
            if (e.bestLevel == COMPLETE_LEVEL) {
                e.random = x;
                e.failureCountdown = failures;
                e.millionCountdown = countdown;
                return SearchEnd::Complete;
            }
        }
    }
}

}  // namespace zentara::berserker
