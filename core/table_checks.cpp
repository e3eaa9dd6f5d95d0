// Compile-time checks of the invariants every program relies on. A replaced data
// file that breaks one stops the build with a message naming it. Every program
// links the core, so none can be built from a broken table. A user's set never
// gets this far broken: the import (core/set_import.cpp) makes the same checks on
// the list, with messages naming piece and line, at configure time or at start.
#include <cstdint>

#include "core/puzzle.hpp"
#include "data/puzzle_16x16.hpp"
#include "data/puzzle_6x12.hpp"
#include "data/puzzle_6x6.hpp"

namespace zentara {

namespace table_checks {

constexpr const auto& PIECES_BOTTOM_FIRST = data::PIECES_16X16;
constexpr const auto& TOP_FIRST_COLOUR = data::TOP_FIRST_COLOUR;
constexpr const auto& COLOUR_ORDER = data::COLOUR_ORDER;
constexpr const auto& PIECES_6X12 = data::PIECES_6X12;
constexpr const auto& PIECES_6X6 = data::PIECES_6X6;
constexpr auto LOCAL_SEARCH_FIXED = [] {
    std::array<FixedPlacement, data::FIXED_PIECES.size()> fixed{};
    for (std::size_t i = 0; i < fixed.size(); ++i)
        fixed[i] = {data::FIXED_PIECES[i][0], data::FIXED_PIECES[i][1], data::FIXED_PIECES[i][2]};
    return fixed;
}();
static_assert(LOCAL_SEARCH_FIXED[0].piece == HINT_PIECE && LOCAL_SEARCH_FIXED[0].cell == HINT_CELL &&
                  LOCAL_SEARCH_FIXED[0].rotation == HINT_ROTATION,
              "the hint comes first, where every program fixes it");

template <std::size_t N>
constexpr int sidesOfColour(const std::array<PieceEntry, N>& t, int colour) {
    int n = 0;
    for (const PieceEntry& e : t)
        for (Colour c : e) n += (c == colour);
    return n;
}

constexpr bool classOrderAndOrientation() {
    for (int p = 0; p < PIECE_COUNT; ++p) {
        const PieceEntry& e = PIECES_BOTTOM_FIRST[p];
        const int cls = pieceClass(e);
        if (p < FIRST_EDGE_PIECE) {
            if (cls != 2 || e[bottom_first::BOTTOM] != 0 || e[bottom_first::LEFT] != 0) return false;
        } else if (p < FIRST_INNER_PIECE) {
            if (cls != 1 || e[bottom_first::BOTTOM] != 0) return false;
        } else if (cls != 0) {
            return false;
        }
    }
    return true;
}

// Rim colours only on the sides that run along the rim, inner colours elsewhere.
constexpr bool rimColoursOnRimSeams() {
    for (int p = 0; p < FIRST_INNER_PIECE; ++p) {
        const PieceEntry& e = PIECES_BOTTOM_FIRST[p];
        const bool corner = p < FIRST_EDGE_PIECE;
        for (int k = 0; k < 4; ++k) {
            if (e[k] == 0) continue;
            const bool alongRim = corner || k == bottom_first::LEFT || k == bottom_first::RIGHT;
            if (alongRim != (e[k] >= 1 && e[k] <= 5)) return false;
        }
    }
    for (int p = FIRST_INNER_PIECE; p < PIECE_COUNT; ++p)
        for (Colour c : PIECES_BOTTOM_FIRST[p])
            if (c < 6 || c > 22) return false;
    return true;
}

constexpr bool colourCounts() {
    if (sidesOfColour(PIECES_BOTTOM_FIRST, 0) != 64) return false;
    for (int c = 1; c <= 5; ++c)
        if (sidesOfColour(PIECES_BOTTOM_FIRST, c) != 24) return false;
    for (int c = 6; c <= 22; ++c)
        if (sidesOfColour(PIECES_BOTTOM_FIRST, c) != (c <= 10 ? 48 : 50)) return false;
    return true;
}

template <std::size_t N>
constexpr bool allDistinct(const std::array<PieceEntry, N>& t) {
    // Compare one canonical number per piece (the least of its four rotations
    // packed into 32 bits) rather than every rotation of every pair: clang's
    // default limit on constant-evaluation steps allows only the cheaper form.
    std::array<std::uint32_t, N> canonical{};
    for (std::size_t a = 0; a < N; ++a) {
        std::uint32_t least = 0xFFFFFFFFu;
        for (int r = 0; r < 4; ++r) {
            const std::uint32_t packed = packSides(rotate(t[a], r));
            if (packed < least) least = packed;
        }
        canonical[a] = least;
    }
    for (std::size_t a = 0; a < N; ++a)
        for (std::size_t b = a + 1; b < N; ++b)
            if (canonical[a] == canonical[b]) return false;
    return true;
}

// The pieces the programs fix are inner pieces on inner cells. Their colours are
// the set's (the programs take them from the table): on our set the hint shows
// top 8, left 12, right 9 and bottom 9; a user's set brings its own.
// Every clue can be met: the piece's class is its cell's, its border faces that
// cell's frame, and no two clues share a piece or a cell.
constexpr bool fixedPiecesFit() {
    using namespace bottom_first;
    const Geometry& g = BOARD_16X16;
    for (std::size_t i = 0; i < LOCAL_SEARCH_FIXED.size(); ++i) {
        const FixedPlacement& f = LOCAL_SEARCH_FIXED[i];
        if (f.piece < 0 || f.piece >= PIECE_COUNT || f.cell < 0 || f.cell >= CELL_COUNT) return false;
        const PieceEntry s = rotate(PIECES_BOTTOM_FIRST[f.piece], f.rotation);
        const int cellClass = g.isCorner(f.cell) ? 2 : g.isRim(f.cell) ? 1 : 0;
        if (pieceClass(s) != cellClass) return false;
        if ((s[TOP] == BORDER_COLOUR) != g.topFacesFrame(f.cell) || (s[LEFT] == BORDER_COLOUR) != g.leftFacesFrame(f.cell) ||
            (s[BOTTOM] == BORDER_COLOUR) != g.bottomFacesFrame(f.cell) ||
            (s[RIGHT] == BORDER_COLOUR) != g.rightFacesFrame(f.cell))
            return false;
        for (std::size_t j = 0; j < i; ++j)
            if (LOCAL_SEARCH_FIXED[j].piece == f.piece || LOCAL_SEARCH_FIXED[j].cell == f.cell) return false;
    }
    return true;
}

constexpr bool colourMap() {
    bool seen[23]{};
    for (int c = 0; c < 23; ++c) {
        const int m = TOP_FIRST_COLOUR[c];
        if (m > 22 || seen[m]) return false;
        seen[m] = true;
        const bool rimTarget = m == 1 || m == 2 || m == 3 || m == 4 || m == 8;
        const bool shortTarget = m == 5 || m == 6 || m == 7 || m == 14 || m == 15;
        if (c == 0 && m != 0) return false;
        if ((c >= 1 && c <= 5) != rimTarget) return false;
        if ((c >= 6 && c <= 10) != shortTarget) return false;
    }
    return true;
}

// The block-set solver's working colour order: every colour once, and the border
// and rim colours keep their numbers (only the inner colours are ordered).
constexpr bool colourOrderIsPermutation() {
    bool seen[23]{};
    for (Colour c : COLOUR_ORDER) {
        if (c > 22 || seen[c]) return false;
        seen[c] = true;
    }
    return true;
}

constexpr bool colourOrderKeepsRim() {
    for (int w = 0; w <= 5; ++w)
        if (COLOUR_ORDER[w] != w) return false;
    return true;
}

// Small sets: colour range, class counts; pieces may stand in any order and rotation.
template <std::size_t N>
constexpr bool smallSet(const std::array<PieceEntry, N>& t, int maxColour, int corners, int edges) {
    int counts[3]{};
    for (const PieceEntry& e : t) {
        const int cls = pieceClass(e);
        if (cls > 2) return false;
        if (cls == 2) {
            // border sides adjacent
            bool adjacent = false;
            for (int k = 0; k < 4; ++k) adjacent |= (e[k] == 0 && e[(k + 1) & 3] == 0);
            if (!adjacent) return false;
        }
        ++counts[cls];
        for (int k = 0; k < 4; ++k) {
            if (e[k] > maxColour) return false;
            // Sides next to a border side are rim sides and carry a rim colour 1..4.
            const bool nextToBorder = e[(k + 1) & 3] == 0 || e[(k + 3) & 3] == 0;
            if (e[k] != 0 && nextToBorder != (e[k] <= 4)) return false;
        }
    }
    return counts[2] == corners && counts[1] == edges;
}

static_assert(classOrderAndOrientation(),
              "16 x 16 table: pieces 0-3 must be corners (border bottom and left), 4-59 edges (border bottom), "
              "60-255 inner pieces");
static_assert(rimColoursOnRimSeams(), "16 x 16 table: rim colours 1-5 only along the rim, inner colours 6-22 elsewhere");
static_assert(colourCounts(),
              "16 x 16 table: BORDER_COLOUR on 64 sides, rim colours 24 sides each, 6-10 on 48 and 11-22 on 50");
static_assert(allDistinct(PIECES_BOTTOM_FIRST), "16 x 16 table: two pieces are equal under rotation");
static_assert(fixedPiecesFit(),
              "16 x 16 table: each fixed piece fits its cell (its class, its border towards the frame), one per cell");
static_assert(colourMap(), "colour map: must be one-to-one, 0 to 0, 1-5 to {1,2,3,4,8}, 6-10 to {5,6,7,14,15}");
static_assert(colourOrderIsPermutation(), "colour order: must hold every colour 0-22 exactly once");
static_assert(colourOrderKeepsRim(), "colour order: the border and rim colours 0-5 must keep their places 0-5");
static_assert(smallSet(PIECES_6X12, 8, 4, 28), "6 x 12 table: colours 0-8, 4 corners, 28 edges, rim colours 1-4");
static_assert(smallSet(PIECES_6X6, 7, 4, 16), "6 x 6 table: colours 0-7, 4 corners, 16 edges, rim colours 1-4");

}  // namespace table_checks

}  // namespace zentara
