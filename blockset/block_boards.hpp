// The three boards the block-set method runs on. One engine serves all three;
// everything that differs between them (sizes, colour ranges, room on the rim,
// retry budget, texts, cadences, end of run) is a constant of one of these
// descriptions, so the search code is the same for every board. The pieces (and
// the 16 x 16 colour order) come on top, in block_puzzle.hpp; without them the
// engine also runs on pieces given at run time (make-puzzles measures orders so).
#pragma once

#include <array>
#include <cstdint>

#include "core/board_file.hpp"
#include "core/console.hpp"
#include "core/puzzle.hpp"

namespace zentara::blockset {

struct Board16x16 {
    static constexpr int WIDTH = 16;
    static constexpr int HEIGHT = 16;
    static constexpr int CELLS = WIDTH * HEIGHT;
    static constexpr int PIECES = 256;
    static constexpr int COLOURS = 23;
    static constexpr int LAST_RIM_COLOUR = 5;
    static constexpr int FIRST_INNER_COLOUR = 6;
    static constexpr int LAST_INNER_COLOUR = 22;
    static constexpr int RIM_RECORDS = 60;  // corners and edge pieces
    static constexpr bool HAS_HINT = true;
    static constexpr bool RENUMBER_COLOURS = true;
    // Pairs are spread over the four sides independently, or (small boards) first
    // a share for bottom and left together.
    static constexpr bool SPREAD_BOTTOM_LEFT_FIRST = false;
    static constexpr std::array<std::uint8_t, 4> SIDE_ROOM{14, 14, 14, 14};  // bottom, left, top, right
    static constexpr int INNER_ATTEMPTS = 10000;
    static constexpr BoardLayout LAYOUT = LAYOUT_16X16;
    static constexpr int NUMBER_DIGITS = 3;  // Best%03d.csv, Set%03d.csv
    static constexpr Priority PRIORITY = Priority::Idle;
    static constexpr const char* BANNER = "Zentara Block Set Solver\n";
    static constexpr int STATUS_COUNTDOWN = 500;
    static constexpr bool COUNTS_SOLUTIONS = false;  // stops at the first full board
    static constexpr int FILE_COUNTDOWN_START = 0;
    static constexpr int FILE_COUNTDOWN_RELOAD = 0;
};

struct Board6x12 {
    static constexpr int WIDTH = 12;
    static constexpr int HEIGHT = 6;
    static constexpr int CELLS = WIDTH * HEIGHT;
    static constexpr int PIECES = 72;
    static constexpr int COLOURS = 9;
    static constexpr int LAST_RIM_COLOUR = 4;
    static constexpr int FIRST_INNER_COLOUR = 5;
    static constexpr int LAST_INNER_COLOUR = 8;
    static constexpr int RIM_RECORDS = 32;
    static constexpr bool HAS_HINT = false;
    static constexpr bool RENUMBER_COLOURS = false;
    static constexpr bool SPREAD_BOTTOM_LEFT_FIRST = true;
    static constexpr std::array<std::uint8_t, 4> SIDE_ROOM{10, 4, 10, 4};
    static constexpr int INNER_ATTEMPTS = 100;
    static constexpr BoardLayout LAYOUT = LAYOUT_6X12;
    static constexpr int NUMBER_DIGITS = 2;  // Best%02d.csv, Set%02d.csv
    static constexpr Priority PRIORITY = Priority::BelowNormal;
    static constexpr const char* BANNER = "Zentara Block Set Solver (6x12 Puzzle)\n";
    static constexpr int STATUS_COUNTDOWN = 1;  // a line after every variant
    static constexpr bool COUNTS_SOLUTIONS = true;
    static constexpr int FILE_COUNTDOWN_START = 1;
    static constexpr int FILE_COUNTDOWN_RELOAD = 1;
};

struct Board6x6 {
    static constexpr int WIDTH = 6;
    static constexpr int HEIGHT = 6;
    static constexpr int CELLS = WIDTH * HEIGHT;
    static constexpr int PIECES = 36;
    static constexpr int COLOURS = 8;
    static constexpr int LAST_RIM_COLOUR = 4;
    static constexpr int FIRST_INNER_COLOUR = 5;
    static constexpr int LAST_INNER_COLOUR = 7;
    static constexpr int RIM_RECORDS = 20;
    static constexpr bool HAS_HINT = false;
    static constexpr bool RENUMBER_COLOURS = false;
    static constexpr bool SPREAD_BOTTOM_LEFT_FIRST = true;
    static constexpr std::array<std::uint8_t, 4> SIDE_ROOM{4, 4, 4, 4};
    static constexpr int INNER_ATTEMPTS = 100;
    static constexpr BoardLayout LAYOUT = LAYOUT_6X6;
    static constexpr int NUMBER_DIGITS = 2;
    static constexpr Priority PRIORITY = Priority::BelowNormal;
    static constexpr const char* BANNER = "Zentara Block Set Solver (6x6 Puzzle)\n";
    static constexpr int STATUS_COUNTDOWN = 20000;
    static constexpr bool COUNTS_SOLUTIONS = true;
    static constexpr int FILE_COUNTDOWN_START = 1;
    static constexpr int FILE_COUNTDOWN_RELOAD = 200;  // files after the first solution, then every 200th
};

// Pieces on one rim side: the side's length without its two corners.
template <class P>
constexpr int sideLength(int side) {
    return (side & 1) == 0 ? P::WIDTH - 2 : P::HEIGHT - 2;
}

template <class P>
constexpr bool sideRoomMatchesBoard() {
    for (int s = 0; s < 4; ++s)
        if (P::SIDE_ROOM[s] != sideLength<P>(s)) return false;
    return P::RIM_RECORDS == 4 + 2 * (P::WIDTH - 2) + 2 * (P::HEIGHT - 2) && P::CELLS == P::PIECES &&
           P::LAYOUT.cells() == P::CELLS && P::LAYOUT.width == P::WIDTH;
}
static_assert(sideRoomMatchesBoard<Board16x16>());
static_assert(sideRoomMatchesBoard<Board6x12>());
static_assert(sideRoomMatchesBoard<Board6x6>());

}  // namespace zentara::blockset
