// The piece sets the programs run on: the compiled-in sets, or the user's list
// given with --pieces, loaded and checked at start (core/set_loader.hpp) before
// any engine builds its tables. Engines read a set while they build their tables
// and keep what the hot loops need in their own records.
//
// The compiled-in sets' invariants are checked at compile time in
// table_checks.cpp; a loaded list passes the same checks in core/set_import.cpp.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>

#include "core/puzzle.hpp"

namespace zentara {

using PieceTable = std::array<PieceEntry, PIECE_COUNT>;
using ColourMap = std::array<Colour, 23>;

struct PieceSet {
    PuzzleKind kind = PuzzleKind::Board16x16;
    Geometry geometry = BOARD_16X16;
    int pieces = PIECE_COUNT;
    // Bottom-first order (bottom, left, top, right): score, brute and block-set
    // solvers. A small set uses the first `pieces` entries.
    PieceTable bottomFirst{};
    // 16 x 16, top-first order (top, right, bottom, left): the same pieces turned
    // by two places, colours renumbered by topFirstColour. Used by the path, shift
    // and berserker solvers.
    PieceTable topFirst{};
    ColourMap topFirstColour{};
    // 16 x 16: block-solver's working colour order (working number w stands for
    // colour colourOrder[w]); block-solver measures it at start where not known.
    ColourMap colourOrder{};
    bool colourOrderKnown = false;
    // 16 x 16: the pieces the programs fix, the hint first (every program fixes
    // it), then the further clues that the shift and berserker solvers fix.
    std::array<FixedPlacement, CELL_COUNT> fixed{};
    int fixedCount = 0;
    // Files number the pieces as the user's list does, the tables as the programs
    // need them: the list's hint piece stands at HINT_PIECE, turned so that
    // HINT_ROTATION shows it as the list declares, and the piece it displaced
    // stands at the hint's list index. Our sets number both alike.
    int hintListPiece = HINT_PIECE;
    int hintListTurn = 0;
    bool builtIn = true;

    std::span<const FixedPlacement> clues() const { return {fixed.data(), static_cast<std::size_t>(fixedCount)}; }
    bool listNumbersDiffer() const { return hintListPiece != HINT_PIECE || hintListTurn != 0; }
    // The hint as it lies on its cell, bottom-first.
    PieceEntry hintSides() const { return rotate(bottomFirst[HINT_PIECE], HINT_ROTATION); }
};

namespace pieces_detail {
extern std::array<PieceSet, 3> runSets;
}

// The set the programs run on for a puzzle (the 16 x 16 one by default).
inline const PieceSet& pieceSet(PuzzleKind kind = PuzzleKind::Board16x16) {
    return pieces_detail::runSets[static_cast<std::size_t>(kind)];
}
// The compiled-in set, whatever runs.
const PieceSet& builtInSet(PuzzleKind kind);
// Makes `set` the one its puzzle runs on; called at start, before any engine
// builds its tables.
void runOnPieceSet(const PieceSet& set);

// Twelve lower-case hex digits naming what the programs run on (core/set_identity.hpp).
std::string fingerprintOf(const PieceSet& set);
// "16x16 3f9a2c41d07b": the size and fingerprint of a set, and of the set a puzzle runs on.
std::string setName(const PieceSet& set);
std::string runSetName(PuzzleKind kind);

// The one exchange both ways between the 16 x 16 table's numbering and the list's:
// a table index to its list index and back, and the rotations as files count them.
inline int swapHintIndex(int piece) {
    const int listHint = pieceSet().hintListPiece;
    return piece == HINT_PIECE ? listHint : piece == listHint ? HINT_PIECE : piece;
}
inline int listPieceOf(int tablePiece) { return swapHintIndex(tablePiece); }
inline int tablePieceOf(int listPiece) { return swapHintIndex(listPiece); }
inline int listRotationOf(int tablePiece, int rotation) {
    return tablePiece == HINT_PIECE ? (rotation + pieceSet().hintListTurn) & 3 : rotation;
}
inline int tableRotationOf(int tablePiece, int rotation) {
    return tablePiece == HINT_PIECE ? (rotation - pieceSet().hintListTurn) & 3 : rotation;
}

}  // namespace zentara
