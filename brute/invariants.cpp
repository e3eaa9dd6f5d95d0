// Recounts of what the search keeps incrementally, for its report point: the used
// pieces against the board, the level against the placed cells, the colour copies
// and seams against the records, the terminator that ends every flat chain, and
// the deep chains against the flat ones.
#include "brute/brute_solver.hpp"
#include "core/checks.hpp"

namespace zentara::brute {

void checkSearchState(const BruteSolver& s) {
    std::array<int, PIECE_COUNT> onBoard{};
    int lastCell = -1;
    for (int cell = 0; cell < CELL_COUNT; ++cell) {
        const LinkedPiece* record = s.placed[cell];
        if (record == nullptr) continue;
        ++onBoard[record->piece];
        if (cell != HINT_CELL) lastCell = cell;
        for (int side = 0; side < 4; ++side) ZENTARA_CHECK(s.colourCopies[4 * cell + side] == record->colours[side]);
        // Reading order: the cells above and to the left were placed first (the
        // fixed hint excepted), and every seam matches.
        const LinkedPiece* above = cell >= BOARD_WIDTH ? s.placed[cell - BOARD_WIDTH] : nullptr;
        const LinkedPiece* left = cell % BOARD_WIDTH > 0 ? s.placed[cell - 1] : nullptr;
        if (cell != HINT_CELL) {
            ZENTARA_CHECK(cell < BOARD_WIDTH || above != nullptr);
            ZENTARA_CHECK(cell % BOARD_WIDTH == 0 || left != nullptr);
        }
        if (above != nullptr) ZENTARA_CHECK(record->colours[bottom_first::TOP] == above->colours[bottom_first::BOTTOM]);
        if (left != nullptr) ZENTARA_CHECK(record->colours[bottom_first::LEFT] == left->colours[bottom_first::RIGHT]);
    }
    ZENTARA_CHECK(s.level == lastCell + 1 || (lastCell < 0 && s.level == 1));
    ZENTARA_CHECK(s.bestLevel >= s.level);
    for (int piece = 0; piece < PIECE_COUNT; ++piece) {
        ZENTARA_CHECK(onBoard[piece] <= 1);
        ZENTARA_CHECK(s.used[piece] == onBoard[piece]);
    }
    ZENTARA_CHECK(s.used[PIECE_COUNT] == 0);  // the terminators' piece is never in use
    for (const FlatHead& head : s.flatHeads) {
        int entry = head.first;
        ZENTARA_CHECK(s.flatEntries[entry].piece == head.piece);
        while (s.flatEntries[entry].piece != END_OF_CHAIN) {
            ++entry;
            ZENTARA_CHECK(entry < FLAT_ENTRIES);
        }
    }

    // With the deep position on the board, the deep chains are the flat ones
    // without the pieces on the cells before it, in the same order.
    if (s.placed[cellOfPosition(DEEP_POSITION)] == nullptr) return;
    std::array<bool, PIECE_COUNT + 1> before{};
    for (int p = 0; p < DEEP_POSITION; ++p) before[s.placed[cellOfPosition(p)]->piece] = true;
    for (std::size_t head = 0; head < s.flatHeads.size(); ++head) {
        int deep = s.deepHeads[head].first;
        ZENTARA_CHECK(s.deepEntries[deep].piece == s.deepHeads[head].piece);
        for (int entry = s.flatHeads[head].first; s.flatEntries[entry].piece != END_OF_CHAIN; ++entry) {
            if (before[s.flatEntries[entry].piece]) continue;
            ZENTARA_CHECK(s.deepEntries[deep].record == s.flatEntries[entry].record);
            ++deep;
        }
        ZENTARA_CHECK(s.deepEntries[deep].piece == END_OF_CHAIN);
    }
    // and the cells from it on hold entries of the deep chains, climbed back into too.
    const auto deepFirst = reinterpret_cast<std::uintptr_t>(s.deepEntries.data());
    for (int p = DEEP_POSITION; p <= positionOfCell(s.level - 1); ++p) {
        const auto entry = reinterpret_cast<std::uintptr_t>(s.stack[p]);
        ZENTARA_CHECK(entry >= deepFirst && entry < deepFirst + sizeof s.deepEntries);
    }
}

}  // namespace zentara::brute
