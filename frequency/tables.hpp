// The frequency solver's data: the neighbour statistics read from Stat.bin, the
// weighted candidate lists keyed by the oriented pieces above and to the left of a
// cell, and the one entry pool all lists live in. Everything is fixed-size, so a
// program keeps one instance in static storage and never allocates.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "core/puzzle.hpp"
#include "core/stat_file.hpp"

namespace zentara::frequency {

// Edge code = 4 x piece index + table edge (bottom-first order); rows and columns of Stat.bin.
// Size, layout and checks of the file: core/stat_file.hpp.
inline constexpr int EDGE_CODES = STAT_EDGE_CODES;
inline constexpr int STAT_CELLS = STAT_COUNTERS;

inline constexpr std::uint32_t POOL_SLOTS = 10'000'000;
inline constexpr std::uint32_t END_WORD = 0xFFFFFFFFu;  // reads as negative: ends every list
inline constexpr std::uint32_t NO_ENTRY = 0xFFFFFFFFu;  // no pool slot (empty cell, no hint entry)

inline constexpr int HINT_ORIENTED = orientedNumber(HINT_PIECE, HINT_ROTATION);  // 554
inline constexpr int HINT_TOP_EDGE = 4 * HINT_PIECE + 0;   // 552: edge 0 faces up in rotation 2
inline constexpr int HINT_LEFT_EDGE = 4 * HINT_PIECE + 3;  // 555: edge 3 faces left

// Lists longer than this are cut to three quarters after the single lists are filled.
inline constexpr int CUT_THRESHOLD = 10;

// All list headers sit in one array, the tables one after the other in allocation
// order, so that a cell finds its list as base + u x uStride + w x wStride.
inline constexpr std::uint32_t PAIR_LISTS = EDGE_CODES * EDGE_CODES;
inline constexpr std::uint32_t START_LIST = 0;
inline constexpr std::uint32_t BELOW_OPEN = 1;
inline constexpr std::uint32_t BELOW_RIM = BELOW_OPEN + EDGE_CODES;
inline constexpr std::uint32_t RIGHT_OPEN = BELOW_RIM + EDGE_CODES;
inline constexpr std::uint32_t RIGHT_RIM = RIGHT_OPEN + EDGE_CODES;
inline constexpr std::uint32_t SINGLE_TABLES_END = RIGHT_RIM + EDGE_CODES;
inline constexpr std::uint32_t PAIR_OPEN = SINGLE_TABLES_END;
inline constexpr std::uint32_t PAIR_RIGHT_RIM = PAIR_OPEN + PAIR_LISTS;
inline constexpr std::uint32_t PAIR_BOTTOM_RIM = PAIR_RIGHT_RIM + PAIR_LISTS;
inline constexpr std::uint32_t PAIR_CORNER_RIM = PAIR_BOTTOM_RIM + PAIR_LISTS;
inline constexpr std::uint32_t LIST_COUNT = PAIR_CORNER_RIM + PAIR_LISTS;

constexpr std::uint32_t pairList(std::uint32_t table, int u, int w) {
    return table + static_cast<std::uint32_t>(u) * EDGE_CODES + static_cast<std::uint32_t>(w);
}

// A list's entries lie consecutively in the pool, highest weight first; the slot
// after the last entry holds END_WORD.
struct WeightedList {
    std::uint32_t first = 0;
    std::int32_t count = 0;
};

// WeightedEntry: bits 0-15 the oriented-piece number, bits 16-31 the weight.
constexpr std::uint32_t makeEntry(int number, std::uint32_t weight) {
    return static_cast<std::uint32_t>(number) | weight << 16;
}
constexpr int entryNumber(std::uint32_t entry) { return static_cast<int>(entry & 0xFFFFu); }
constexpr std::uint32_t entryWeight(std::uint32_t entry) { return entry >> 16; }

// 1024 bits, bit n in byte n / 8, lowest bit first.
using OrientedSet = std::array<std::uint8_t, ORIENTED_COUNT / 8>;
constexpr bool contains(const OrientedSet& set, int n) { return (set[n >> 3] >> (n & 7)) & 1; }
constexpr void insert(OrientedSet& set, int n) { set[n >> 3] |= static_cast<std::uint8_t>(1u << (n & 7)); }

// The oriented piece of edge code `edge` turned so that the edge faces `side`
// (bottom-first sides: rotation r shows table edge (side - r) mod 4 on `side`).
constexpr int turnedToFace(int edge, int side) { return (edge & ~3) | ((side - edge) & 3); }

struct FrequencyTables {
    // Raw counts as loaded, [edge code][edge code]; after normalisation the strengths.
    std::array<std::int32_t, STAT_CELLS> statistics;
    // Partners with a positive raw count; 0 marks an edge that faces the frame.
    std::array<std::int32_t, EDGE_CODES> partnerCount;
    OrientedSet aboveHint;   // allowed on cell 119
    OrientedSet leftOfHint;  // allowed on cell 134

    std::array<WeightedList, LIST_COUNT> lists;
    std::array<std::uint32_t, POOL_SLOTS> pool;
    std::int64_t slotsTaken;  // 64 bits: a hostile file may ask for more than 2^31 slots
    std::uint32_t hintEntry;  // pool slot holding the last inserted 554, or NO_ENTRY

    // Scratch of the pair-table build: for every oriented piece, the lists of one
    // single table that hold it (list index | weight << 10), in list order.
    std::array<std::uint32_t, ORIENTED_COUNT + 1> holderStart;
    std::array<std::uint32_t, ORIENTED_COUNT> holderFill;
    std::array<std::uint16_t, STAT_CELLS> holders;  // one per candidate pair at most
};

}  // namespace zentara::frequency
