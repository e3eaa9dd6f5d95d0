#include "core/pieces.hpp"

#include "core/set_identity.hpp"
#include "data/puzzle_16x16.hpp"
#include "data/puzzle_6x12.hpp"
#include "data/puzzle_6x6.hpp"

namespace zentara {

namespace {

constexpr PieceSet builtIn16() {
    PieceSet s;
    s.kind = PuzzleKind::Board16x16;
    s.geometry = BOARD_16X16;
    s.pieces = PIECE_COUNT;
    s.bottomFirst = data::PIECES_16X16;
    s.topFirstColour = data::TOP_FIRST_COLOUR;
    for (int p = 0; p < PIECE_COUNT; ++p)
        for (int k = 0; k < 4; ++k) s.topFirst[p][k] = s.topFirstColour[s.bottomFirst[p][(k + 2) & 3]];
    s.colourOrder = data::COLOUR_ORDER;
    s.colourOrderKnown = true;
    for (const auto& f : data::FIXED_PIECES) s.fixed[s.fixedCount++] = {f[0], f[1], f[2]};
    s.hintListPiece = data::HINT_IN_LIST[0] - 1;
    s.hintListTurn = data::HINT_IN_LIST[1];
    return s;
}

template <std::size_t N>
constexpr PieceSet builtInSmall(PuzzleKind kind, const Geometry& g, const std::array<PieceEntry, N>& table) {
    PieceSet s;
    s.kind = kind;
    s.geometry = g;
    s.pieces = static_cast<int>(N);
    for (std::size_t p = 0; p < N; ++p) s.bottomFirst[p] = table[p];
    return s;
}

constexpr std::array<PieceSet, 3> BUILT_IN{builtIn16(), builtInSmall(PuzzleKind::Board6x12, BOARD_6X12, data::PIECES_6X12),
                                           builtInSmall(PuzzleKind::Board6x6, BOARD_6X6, data::PIECES_6X6)};

}  // namespace

namespace pieces_detail {
constinit std::array<PieceSet, 3> runSets = BUILT_IN;
}

const PieceSet& builtInSet(PuzzleKind kind) { return BUILT_IN[static_cast<std::size_t>(kind)]; }

void runOnPieceSet(const PieceSet& set) { pieces_detail::runSets[static_cast<std::size_t>(set.kind)] = set; }

std::string fingerprintOf(const PieceSet& set) {
    return puzzle_import::setFingerprint(set.kind, std::span<const PieceEntry>(set.bottomFirst.data(), set.pieces),
                                         set.clues(), set.hintListPiece, set.hintListTurn);
}

std::string setName(const PieceSet& set) {
    return std::string(puzzle_import::shapeOf(set.kind).name) + " " + fingerprintOf(set);
}

std::string runSetName(PuzzleKind kind) { return setName(pieceSet(kind)); }

}  // namespace zentara
