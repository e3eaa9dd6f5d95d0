// The compiled-in piece sets and the derived top-first table. Their invariants are
// checked at compile time in table_checks.cpp (once, not in every file that
// includes this header: the checks cost seconds of constant evaluation).
#pragma once

#include <array>

#include "core/puzzle.hpp"
#include "data/puzzle_16x16.hpp"
#include "data/puzzle_6x12.hpp"
#include "data/puzzle_6x6.hpp"

namespace zentara {

using PieceTable = std::array<PieceEntry, PIECE_COUNT>;

// Bottom-first order (bottom, left, top, right): score, brute and block-set solvers.
inline constexpr const PieceTable& PIECES_BOTTOM_FIRST = data::PIECES_16X16;
inline constexpr const std::array<Colour, 23>& TOP_FIRST_COLOUR = data::TOP_FIRST_COLOUR;
// The block-set solver's working colour order for these pieces: working number w
// stands for bottom-first colour COLOUR_ORDER[w].
inline constexpr const std::array<Colour, 23>& COLOUR_ORDER = data::COLOUR_ORDER;

// Top-first order (top, right, bottom, left): the same pieces turned by two places,
// colours renumbered. Used by the path, shift and berserker solvers.
inline constexpr PieceTable PIECES_TOP_FIRST = [] {
    PieceTable t{};
    for (int p = 0; p < PIECE_COUNT; ++p)
        for (int k = 0; k < 4; ++k) t[p][k] = TOP_FIRST_COLOUR[PIECES_BOTTOM_FIRST[p][(k + 2) & 3]];
    return t;
}();

// The pieces the programs fix, from the set's data: the hint first (every program
// fixes it), then the further clue pieces that the shift and berserker solvers fix.
inline constexpr auto LOCAL_SEARCH_FIXED = [] {
    std::array<FixedPlacement, data::FIXED_PIECES.size()> fixed{};
    for (std::size_t i = 0; i < fixed.size(); ++i)
        fixed[i] = {data::FIXED_PIECES[i][0], data::FIXED_PIECES[i][1], data::FIXED_PIECES[i][2]};
    return fixed;
}();
static_assert(LOCAL_SEARCH_FIXED[0].piece == HINT_PIECE && LOCAL_SEARCH_FIXED[0].cell == HINT_CELL &&
                  LOCAL_SEARCH_FIXED[0].rotation == HINT_ROTATION,
              "the hint comes first, where every program fixes it");

// Files number the pieces as the user's list does, the tables as the programs need
// them: the list's hint piece stands at HINT_PIECE, turned so that HINT_ROTATION
// shows it as the list declares, and the piece it displaced stands at the hint's
// list index. Our sets number both alike.
inline constexpr int HINT_LIST_PIECE = data::HINT_IN_LIST[0] - 1;  // index
inline constexpr int HINT_LIST_TURN = data::HINT_IN_LIST[1];
inline constexpr bool LIST_NUMBERS_DIFFER = HINT_LIST_PIECE != HINT_PIECE || HINT_LIST_TURN != 0;

// The one exchange both ways: a table index to its list index and back.
constexpr int swapHintIndex(int piece) {
    return piece == HINT_PIECE ? HINT_LIST_PIECE : piece == HINT_LIST_PIECE ? HINT_PIECE : piece;
}
constexpr int listPieceOf(int tablePiece) { return swapHintIndex(tablePiece); }
constexpr int tablePieceOf(int listPiece) { return swapHintIndex(listPiece); }
// A rotation of table piece `tablePiece` as files count it, and back.
constexpr int listRotationOf(int tablePiece, int rotation) {
    return tablePiece == HINT_PIECE ? (rotation + HINT_LIST_TURN) & 3 : rotation;
}
constexpr int tableRotationOf(int tablePiece, int rotation) {
    return tablePiece == HINT_PIECE ? (rotation - HINT_LIST_TURN) & 3 : rotation;
}

inline constexpr const std::array<PieceEntry, 72>& PIECES_6X12 = data::PIECES_6X12;
inline constexpr const std::array<PieceEntry, 36>& PIECES_6X6 = data::PIECES_6X6;

}  // namespace zentara
