// Builds Stat.bin files for tests and benchmarks: counts gathered from boards the
// way the score solver gathers them (every matched seam adds 1 to both of its
// counters), and seeded random boards to gather from besides the planted one.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/board_file.hpp"
#include "core/pieces.hpp"
#include "core/random.hpp"
#include "core/stat_file.hpp"

namespace zentara {

struct StatCounts {
    static constexpr int EDGES = STAT_EDGE_CODES;
    std::vector<std::uint32_t> counts = std::vector<std::uint32_t>(EDGES * EDGES, 0);

    std::uint32_t& at(int edgeA, int edgeB) { return counts[static_cast<std::size_t>(edgeA) * EDGES + edgeB]; }

    // Both directions, as the file is symmetric.
    void addPair(int edgeA, int edgeB, std::uint32_t n = 1) {
        at(edgeA, edgeB) += n;
        if (edgeA != edgeB) at(edgeB, edgeA) += n;
    }

    static Colour colourOn(const PlacedCell& cell, int side) {
        return pieceSet().bottomFirst[cell.piece][(side - cell.rotation) & 3];
    }
    static int seamEdge(const PlacedCell& cell, int side) { return 4 * cell.piece + ((side - cell.rotation) & 3); }

    // Every seam of the board whose two sides match, n times.
    void addBoard(const Board16& board, std::uint32_t n = 1) {
        using namespace bottom_first;
        for (int cell = 0; cell < CELL_COUNT; ++cell) {
            const PlacedCell& here = board[cell];
            if (here.empty()) continue;
            if (cell % 16 > 0 && !board[cell - 1].empty() &&
                colourOn(here, LEFT) == colourOn(board[cell - 1], RIGHT))
                addPair(seamEdge(here, LEFT), seamEdge(board[cell - 1], RIGHT), n);
            if (cell >= 16 && !board[cell - 16].empty() && colourOn(here, TOP) == colourOn(board[cell - 16], BOTTOM))
                addPair(seamEdge(here, TOP), seamEdge(board[cell - 16], BOTTOM), n);
        }
    }

    std::string bytes() const {
        std::string out(counts.size() * 4, '\0');
        for (std::size_t i = 0; i < counts.size(); ++i) {
            const std::uint32_t v = counts[i];
            for (int k = 0; k < 4; ++k) out[4 * i + k] = static_cast<char>(v >> (8 * k));  // little-endian
        }
        return out;
    }
    // Through the one writer, as score-solver saves: a failure is the caller's to see.
    int writeStatBin(const char* name = STAT_FILE_NAME) const { return saveStatFile(name, counts.data()); }
};

// The n-th edge code after `edge` (in code order, wrapping round) whose side shows
// the same colour: a pair the search could count on these pieces, where a table
// of arbitrary pairs would be refused as another set's.
inline int sameColourEdge(int edge, int n = 1) {
    const auto colour = [](int e) { return pieceSet().bottomFirst[e / 4][e % 4]; };
    int e = edge;
    while (n > 0) {
        e = (e + 1) % STAT_EDGE_CODES;
        n -= colour(e) == colour(edge);
    }
    return e;
}

// A board file read by the lenient board reader (e.g. data/solution_16x16.csv).
inline Board16 readBoard16(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    Board16 board{};
    parseBoardBytes(text, board);
    return board;
}

// A seeded random board in reading order: each cell gets a random unused piece and
// rotation whose sides match the pieces above and to the left and show the border
// colour exactly towards the frame, or stays empty when none does. Its seams never
// join two different colours or touch the frame, so boards built from its
// statistics stay consistent.
inline Board16 randomMatchingBoard(RandomState seed) {
    Random random{seed};
    Board16 board{};
    bool used[PIECE_COUNT] = {};
    PlacedCell fits[ORIENTED_COUNT];
    for (int cell = 0; cell < CELL_COUNT; ++cell) {
        int n = 0;
        for (int piece = 0; piece < PIECE_COUNT; ++piece) {
            if (used[piece]) continue;
            for (int r = 0; r < 4; ++r) {
                const PlacedCell here{static_cast<std::int16_t>(piece), static_cast<std::uint8_t>(r)};
                bool ok = true;
                for (int side = 0; side < 4; ++side) {
                    const bool frame = (side == bottom_first::BOTTOM && cell >= 240) ||
                                       (side == bottom_first::LEFT && cell % 16 == 0) ||
                                       (side == bottom_first::TOP && cell < 16) ||
                                       (side == bottom_first::RIGHT && cell % 16 == 15);
                    ok = ok && frame == (StatCounts::colourOn(here, side) == BORDER_COLOUR);
                }
                if (cell >= 16 && !board[cell - 16].empty())
                    ok = ok && StatCounts::colourOn(here, bottom_first::TOP) ==
                                   StatCounts::colourOn(board[cell - 16], bottom_first::BOTTOM);
                if (cell % 16 > 0 && !board[cell - 1].empty())
                    ok = ok && StatCounts::colourOn(here, bottom_first::LEFT) ==
                                   StatCounts::colourOn(board[cell - 1], bottom_first::RIGHT);
                if (ok) fits[n++] = here;
            }
        }
        if (n == 0) continue;
        board[cell] = fits[random.highHalf() % static_cast<std::uint32_t>(n)];
        used[board[cell].piece] = true;
    }
    return board;
}

// Stat.bin counts gathered from a list of boards.
inline StatCounts statFromBoards(const std::vector<Board16>& boards, std::uint32_t n = 1) {
    StatCounts stat;
    for (const Board16& board : boards) stat.addBoard(board, n);
    return stat;
}

// The planted board gathered `plantedTimes` times, then `randomBoards` seeded random
// boards once each: the planted solution stays in every list (no edge meets more
// than 10 partners while randomBoards < 10, so no list is cut), and the search has
// plenty of dead ends to work through before it finds it.
inline StatCounts plantedWithRandomBoards(const Board16& plantedBoard, std::uint32_t plantedTimes, int randomBoards,
                                          RandomState seed) {
    StatCounts stat = statFromBoards({plantedBoard}, plantedTimes);
    for (int k = 0; k < randomBoards; ++k) stat.addBoard(randomMatchingBoard(seed + static_cast<RandomState>(k)));
    return stat;
}

}  // namespace zentara
