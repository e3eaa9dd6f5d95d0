// The piece and board model shared by every program: colours, piece tables,
// rotations, oriented-piece numbers, cell geometry and the fixed placements.
#pragma once

#include <array>
#include <cstdint>

namespace zentara {

using Colour = std::uint8_t;
// Four side colours in the table's own edge order (bottom-first or top-first).
using PieceEntry = std::array<Colour, 4>;

inline constexpr Colour BORDER_COLOUR = 0;
inline constexpr Colour NO_COLOUR = 23;  // empty-cell marker of the score solver only

inline constexpr int BOARD_WIDTH = 16;
inline constexpr int BOARD_HEIGHT = 16;
inline constexpr int CELL_COUNT = 256;
inline constexpr int PIECE_COUNT = 256;
inline constexpr int ORIENTED_COUNT = 4 * PIECE_COUNT;
inline constexpr int CORNER_PIECES = 4;        // indices 0..3
inline constexpr int FIRST_EDGE_PIECE = 4;     // indices 4..59
inline constexpr int FIRST_INNER_PIECE = 60;   // indices 60..255
inline constexpr int SEAM_COUNT = 480;         // inner seams of the 16 x 16 board

inline constexpr int HINT_PIECE = 138;
inline constexpr int HINT_CELL = 135;
inline constexpr int HINT_ROTATION = 2;

// The three puzzles of the family, each with a piece set of its own.
enum class PuzzleKind { Board16x16, Board6x12, Board6x6 };

struct FixedPlacement {
    int piece;
    int cell;
    int rotation;
};

inline constexpr FixedPlacement HINT_PLACEMENT{HINT_PIECE, HINT_CELL, HINT_ROTATION};
// The clue pieces of our 16 x 16 set and of every set make-puzzles generates: the
// hint and two more, which the shift and berserker solvers fix too. The programs
// fix the clues of the set they are built for (pieceSet().clues(), core/pieces.hpp).
inline constexpr std::array<FixedPlacement, 3> GENERATED_FIXED{{
    HINT_PLACEMENT,
    {180, 210, 3},
    {254, 45, 3},
}};

// Side positions within an entry for the two edge orders. Both run clockwise.
namespace bottom_first {
inline constexpr int BOTTOM = 0, LEFT = 1, TOP = 2, RIGHT = 3;
}
namespace top_first {
inline constexpr int TOP = 0, RIGHT = 1, BOTTOM = 2, LEFT = 3;
}

// A piece turned r clockwise quarter turns: side k shows table byte (k - r) mod 4.
constexpr PieceEntry rotate(const PieceEntry& entry, int r) {
    PieceEntry out{};
    for (int k = 0; k < 4; ++k) out[k] = entry[(k - r) & 3];
    return out;
}

// Whether the piece turned r quarter turns shows what a smaller turn already
// shows: a piece with both pairs of opposite sides equal looks alike in rotations
// r and r + 2 (in all four when its four sides are equal). Lists of oriented
// pieces keep only the first of alike rotations, so that no board is tried twice.
constexpr bool repeatsSmallerRotation(const PieceEntry& entry, int r) {
    for (int q = 0; q < r; ++q)
        if (rotate(entry, q) == rotate(entry, r)) return true;
    return false;
}

constexpr int orientedNumber(int piece, int rotation) { return 4 * piece + rotation; }
constexpr int pieceOfOriented(int oriented) { return oriented >> 2; }
constexpr int rotationOfOriented(int oriented) { return oriented & 3; }

// The four sides of an entry in one word, byte k = side k of the entry's own
// order: the word a 4-byte copy of the entry gives on this little-endian platform,
// so a piece is placed, compared or keyed with one 32-bit operation.
constexpr std::uint32_t packSides(const PieceEntry& entry) {
    return std::uint32_t{entry[0]} | std::uint32_t{entry[1]} << 8 | std::uint32_t{entry[2]} << 16 |
           std::uint32_t{entry[3]} << 24;
}

// 2 for a corner, 1 for an edge piece, 0 for an inner piece.
constexpr int pieceClass(const PieceEntry& entry) {
    int n = 0;
    for (Colour c : entry) n += (c == BORDER_COLOUR);
    return n;
}

// Two entries are the same piece when one is a rotation of the other.
constexpr bool equalUnderRotation(const PieceEntry& a, const PieceEntry& b) {
    for (int r = 0; r < 4; ++r)
        if (rotate(a, r) == b) return true;
    return false;
}

// Board geometry for a board of the given width and height (16 x 16 by default).
struct Geometry {
    int width = BOARD_WIDTH;
    int height = BOARD_HEIGHT;

    constexpr int cells() const { return width * height; }
    constexpr int row(int cell) const { return cell / width; }
    constexpr int column(int cell) const { return cell % width; }
    // Neighbour indices, -1 where the side faces the frame.
    constexpr int above(int cell) const { return row(cell) > 0 ? cell - width : -1; }
    constexpr int right(int cell) const { return column(cell) < width - 1 ? cell + 1 : -1; }
    constexpr int below(int cell) const { return row(cell) < height - 1 ? cell + width : -1; }
    constexpr int left(int cell) const { return column(cell) > 0 ? cell - 1 : -1; }
    constexpr bool topFacesFrame(int cell) const { return row(cell) == 0; }
    constexpr bool rightFacesFrame(int cell) const { return column(cell) == width - 1; }
    constexpr bool bottomFacesFrame(int cell) const { return row(cell) == height - 1; }
    constexpr bool leftFacesFrame(int cell) const { return column(cell) == 0; }
    constexpr bool isRim(int cell) const {
        return topFacesFrame(cell) || rightFacesFrame(cell) || bottomFacesFrame(cell) ||
               leftFacesFrame(cell);
    }
    constexpr bool isCorner(int cell) const {
        return (topFacesFrame(cell) || bottomFacesFrame(cell)) &&
               (leftFacesFrame(cell) || rightFacesFrame(cell));
    }
    // Seams between two cells of the board.
    constexpr int seams() const { return (width - 1) * height + width * (height - 1); }
};

inline constexpr Geometry BOARD_16X16{16, 16};
inline constexpr Geometry BOARD_6X12{12, 6};
inline constexpr Geometry BOARD_6X6{6, 6};

}  // namespace zentara
