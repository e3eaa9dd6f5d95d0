// What the block-set solver shows: the board and block-list files and the status
// line. Files are replaced whole (never left half-written); one that cannot be
// written is skipped, said on the console, except the numbered best board, which
// falls back to Best.csv.
#pragma once

#include <cstdio>

#include "blockset/block_state.hpp"

namespace zentara::blockset {

// The small boards write nothing until they hold a full board.
template <class P>
bool filesDue(const BlockSolver<P>& s) {
    return !P::COUNTS_SOLUTIONS || s.maxLevel >= P::CELLS;
}

template <class P>
void boardCells(const BlockSolver<P>& s, std::array<PlacedCell, P::CELLS>& cells) {
    cells = {};
    for (int i = 0; i < P::CELLS; ++i) {
        const BoardCell& cell = s.board[i];
        const bool hintCell = P::HAS_HINT && i == HINT_CELL;
        if (cell.record == NO_RECORD || (i >= s.level && !hintCell)) continue;  // empty
        const BlockRecord& r = s.records[cell.record];
        cells[i] = PlacedCell{static_cast<std::int16_t>(r.pieceIndex), static_cast<std::uint8_t>(r.fileRotation())};
    }
}

// A failed write is said on the console (core/board_file.hpp); the numbered file's
// own failure is not, as Best.csv takes its place.
template <class P>
void writeBoardFile(const BlockSolver<P>& s, bool numbered) {
    if (!filesDue(s)) return;
    std::array<PlacedCell, P::CELLS> cells;
    boardCells(s, cells);
    if (!numbered) {
        (void)zentara::writeBoardFile("Result.csv", cells.data(), P::LAYOUT);
        return;
    }
    char name[32];
    std::snprintf(name, sizeof name, "Best%0*d.csv", P::NUMBER_DIGITS, static_cast<int>(s.maxLevel));
    if (!zentara::tryBoardFile(name, cells.data(), P::LAYOUT))
        (void)zentara::writeBoardFile("Best.csv", cells.data(), P::LAYOUT);
}

// The set listing: every record in record order with its current rotation.
template <class P>
void writeBlockFile(const BlockSolver<P>& s, bool numbered) {
    if (!filesDue(s)) return;
    std::array<PlacedCell, P::PIECES> cells{};
    for (int i = 0; i < P::PIECES; ++i)
        cells[i] = PlacedCell{static_cast<std::int16_t>(s.records[i].pieceIndex),
                              static_cast<std::uint8_t>(s.records[i].fileRotation())};
    char name[32];
    if (numbered)
        std::snprintf(name, sizeof name, "Set%0*d.csv", P::NUMBER_DIGITS, static_cast<int>(s.maxLevel));
    else
        std::snprintf(name, sizeof name, "Blocks.csv");
    (void)zentara::writeBoardFile(name, cells.data(), P::LAYOUT);
}

// Called by the placement search at every new maximum level.
template <class P>
void writeProgressFiles(const BlockSolver<P>& s) {
    if constexpr (P::COUNTS_SOLUTIONS) {
        writeBoardFile(s, true);
        writeBlockFile(s, true);
        writeBoardFile(s, false);
        writeBlockFile(s, false);
    } else {
        writeBoardFile(s, true);
        writeBoardFile(s, false);
        writeBlockFile(s, false);
    }
}

template <class P>
void printStatus(BlockSolver<P>& s, const char* prefix) {
    if constexpr (P::COUNTS_SOLUTIONS)
        printTo(*s.out, "\r%sVariants %d, Max. level %d, Solutions: %d  ", prefix, s.variants, s.maxLevel,
                s.solutions);
    else
        printTo(*s.out, "\r%sVariants %d, Max. level %d  ", prefix, s.variants, s.maxLevel);
    ++s.statusLines;
}

// Once per variant; a line at every STATUS_COUNTDOWN-th call.
template <class P>
void showStatus(BlockSolver<P>& s) {
    if (--s.statusCountdown <= 0) {
        s.statusCountdown = P::STATUS_COUNTDOWN;
        printStatus(s, "");
    }
}

}  // namespace zentara::blockset
