// The three puzzles of the block-set programs: each board with its compiled-in
// pieces; the 16 x 16 puzzle also with its working colour order.
#pragma once

#include "blockset/block_boards.hpp"
#include "core/pieces.hpp"

namespace zentara::blockset {

// The 16 x 16 puzzle works in its own colour numbers: working number w stands for
// table colour COLOUR_ORDER[w]. Rim colours keep their numbers; the working number of
// an inner colour is the order in which sets are formed and colours balanced. The
// order is puzzle data, measured for these pieces by make-puzzles.
struct Puzzle16x16 : Board16x16 {
    static constexpr const std::array<PieceEntry, 256>& TABLE = PIECES_BOTTOM_FIRST;
    static constexpr const std::array<Colour, 23>& COLOUR_ORDER = zentara::COLOUR_ORDER;
};

struct Puzzle6x12 : Board6x12 {
    static constexpr const std::array<PieceEntry, 72>& TABLE = PIECES_6X12;
};

struct Puzzle6x6 : Board6x6 {
    static constexpr const std::array<PieceEntry, 36>& TABLE = PIECES_6X6;
};

}  // namespace zentara::blockset
