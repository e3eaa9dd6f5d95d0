// Invariant checks: recounts of what the hot loops maintain incrementally (used
// pieces, levels, scores, list ends), made at report points or after a
// placement. Built in Debug and sanitizer builds (ZENTARA_CHECKS=ON), compiled
// out of Release builds, so the hot loops there stay exactly as written.
//
// In an engine: ZENTARA_RECOUNT(checkSomething(state)); the recount function
// itself is ordinary code in the engine's own check file and states its
// invariants with ZENTARA_CHECK.
#pragma once

#include "core/board_file.hpp"

namespace zentara {

// Prints the failed invariant with its place and aborts.
[[noreturn]] void invariantFailed(const char* condition, const char* file, int line);

// A search's board, as the board files show it, holds `placed` pieces and the
// independent board checker finds no fault on it (seams, frame, pieces twice).
void checkBoard(const Board16& cells, int placed);

// `inUse(piece)` holds exactly for the pieces on the board.
template <class InUse>
void checkUsedPieces(const Board16& cells, InUse inUse) {
    std::array<bool, PIECE_COUNT> onBoard{};
    for (const PlacedCell& cell : cells)
        if (!cell.empty()) onBoard[cell.piece] = true;
    for (int piece = 0; piece < PIECE_COUNT; ++piece)
        if (onBoard[piece] != static_cast<bool>(inUse(piece))) invariantFailed("used pieces match the board", __FILE__, __LINE__);
}

}  // namespace zentara

#if defined(ZENTARA_CHECKS) && ZENTARA_CHECKS
#define ZENTARA_CHECK(condition) \
    ((condition) ? static_cast<void>(0) : ::zentara::invariantFailed(#condition, __FILE__, __LINE__))
#define ZENTARA_RECOUNT(call) call
#else
#define ZENTARA_CHECK(condition) static_cast<void>(sizeof(!(condition)))  // not evaluated
#define ZENTARA_RECOUNT(call) static_cast<void>(0)
#endif
