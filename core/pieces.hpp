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

inline constexpr const std::array<PieceEntry, 72>& PIECES_6X12 = data::PIECES_6X12;
inline constexpr const std::array<PieceEntry, 36>& PIECES_6X6 = data::PIECES_6X6;

}  // namespace zentara
