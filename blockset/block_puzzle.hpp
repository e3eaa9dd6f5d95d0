// The three puzzles of the block-set programs: each board with the pieces it runs
// on (core/pieces.hpp); the 16 x 16 puzzle also with its working colour order.
#pragma once

#include "blockset/block_boards.hpp"
#include "core/pieces.hpp"

namespace zentara::blockset {

// The 16 x 16 puzzle works in its own colour numbers: working number w stands for
// table colour COLOUR_ORDER[w]. Rim colours keep their numbers; the working number of
// an inner colour is the order in which sets are formed and colours balanced. The
// order is puzzle data, measured for the pieces by make-puzzles when they are
// compiled in, or by block-solver at start (blockset/main_16x16.cpp).
struct Puzzle16x16 : Board16x16 {
    static inline const PieceTable& TABLE = pieces_detail::runSets[0].bottomFirst;
    static inline const ColourMap& COLOUR_ORDER = pieces_detail::runSets[0].colourOrder;
};

struct Puzzle6x12 : Board6x12 {
    static inline const PieceTable& TABLE = pieces_detail::runSets[1].bottomFirst;  // the first 72 entries
};

struct Puzzle6x6 : Board6x6 {
    static inline const PieceTable& TABLE = pieces_detail::runSets[2].bottomFirst;  // the first 36 entries
};

}  // namespace zentara::blockset
