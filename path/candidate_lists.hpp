// The oriented pieces in top-first order, the cell classes and the candidate
// lists of the path solvers: one list per class and per colours of the known sides.
#pragma once

#include <array>
#include <bit>
#include <cstdint>

#include "core/pieces.hpp"
#include "core/puzzle.hpp"
#include "core/random.hpp"

namespace zentara::path {

// A class has one base-3 digit per side: top + 3 right + 9 bottom + 27 left.
inline constexpr int CLASS_COUNT = 81;
inline constexpr int HINT_CLASS = 81;  // the hint cell: fixed, never searched
inline constexpr int DIGIT_OPEN = 0;   // the neighbour on that side is filled later
inline constexpr int DIGIT_FRAME = 1;  // the side faces the frame
inline constexpr int DIGIT_KNOWN = 2;  // the neighbour is filled earlier (or is the hint cell)
inline constexpr std::array<int, 4> SIDE_WEIGHT{1, 3, 9, 27};  // top, right, bottom, left

// Key colours are packed 5 bits each; the first known side in the order left,
// bottom, right, top lands in the highest bits.
inline constexpr int KEY_BITS = 5;
inline constexpr int KEY_COLOURS = 23;

constexpr int classDigit(int cellClass, int side) { return cellClass / SIDE_WEIGHT[side] % 3; }

constexpr int knownSides(int cellClass) {
    int k = 0;
    for (int side = 0; side < 4; ++side) k += classDigit(cellClass, side) == DIGIT_KNOWN;
    return k;
}

constexpr std::uint32_t listsOfClass(int cellClass) {
    const int k = knownSides(cellClass);
    return k == 0 ? 1u : static_cast<std::uint32_t>(KEY_COLOURS) << (KEY_BITS * (k - 1));
}

// First list of each class; entry 81 is the total.
inline constexpr std::array<std::uint32_t, CLASS_COUNT + 1> CLASS_BASE = [] {
    std::array<std::uint32_t, CLASS_COUNT + 1> base{};
    for (int c = 0; c < CLASS_COUNT; ++c) base[c + 1] = base[c] + listsOfClass(c);
    return base;
}();
inline constexpr std::uint32_t LIST_COUNT = CLASS_BASE[CLASS_COUNT];
static_assert(LIST_COUNT == 960496);

// Masks for drawing a list number by the count of known sides. They leave bit 5
// (and for three and four sides bits 10 and 15) clear, so those lists are never
// drawn for a swap; kept as they are because runs depend on the draws.
inline constexpr std::array<std::uint32_t, 5> LIST_MASK{1, 31, 991, 31711, 1014751};

// The four side colours (top, right, bottom, left) of every oriented piece, in
// order of oriented-piece number, and the same four as one word, byte 0 the top,
// as the cells keep them: from the set the programs run on, filled by
// fillOrientedSides() before the lists and the cells are set up.
static_assert(std::endian::native == std::endian::little, "the cells' colour words are read byte by byte");
struct OrientedSides {
    std::array<PieceEntry, ORIENTED_COUNT> sides;
    std::array<std::uint32_t, ORIENTED_COUNT> words;
};
inline OrientedSides orientedSides{};
inline const std::array<PieceEntry, ORIENTED_COUNT>& ORIENTED_SIDES = orientedSides.sides;
inline const std::array<std::uint32_t, ORIENTED_COUNT>& ORIENTED_SIDE_WORDS = orientedSides.words;
void fillOrientedSides();

inline constexpr std::uint16_t HINT_ORIENTED = orientedNumber(HINT_PIECE, HINT_ROTATION);
inline constexpr std::uint16_t END_OF_LIST = 0xFFFF;

// The known-side choices of one oriented piece, walked like an odometer whose
// wheels are top, right, bottom, left (top fastest): a border side stays at
// DIGIT_FRAME, every other side turns between DIGIT_OPEN and DIGIT_KNOWN.
// Calls visit(class, key) once per choice. The hint piece is in no list.
template <class Visit>
void forEachListOf(int oriented, Visit&& visit) {
    if (pieceOfOriented(oriented) == HINT_PIECE) return;
    if (repeatsSmallerRotation(pieceSet().topFirst[pieceOfOriented(oriented)], rotationOfOriented(oriented))) return;
    const PieceEntry& sides = ORIENTED_SIDES[oriented];
    std::array<int, 4> wheel{};
    int wheels = 0;
    int frameClass = 0;
    for (int side = 0; side < 4; ++side) {
        if (sides[side] == BORDER_COLOUR)
            frameClass += DIGIT_FRAME * SIDE_WEIGHT[side];
        else
            wheel[wheels++] = side;
    }
    for (int choice = 0; choice < (1 << wheels); ++choice) {
        int cellClass = frameClass;
        bool known[4] = {false, false, false, false};
        for (int w = 0; w < wheels; ++w)
            if (choice >> w & 1) {
                known[wheel[w]] = true;
                cellClass += DIGIT_KNOWN * SIDE_WEIGHT[wheel[w]];
            }
        std::uint32_t key = 0;
        for (int side : {top_first::LEFT, top_first::BOTTOM, top_first::RIGHT, top_first::TOP})
            if (known[side]) key = key << KEY_BITS | sides[side];
        visit(cellClass, key);
    }
}

// List entries of a set none of whose pieces looks alike in two rotations, as
// ours: each oriented piece but the hint's in the lists of every choice of its
// known sides. A set with such pieces has fewer, and its pool a longer tail of
// end markers.
inline constexpr std::uint32_t ENTRY_COUNT = 4u * 4 * 4 + 56u * 4 * 8 + 195u * 4 * 16;

// The pool starts with the hint's own one-entry list; every list ends in END_OF_LIST.
inline constexpr std::uint32_t HINT_LIST = 0;
inline constexpr std::uint32_t POOL_SIZE = 2 + ENTRY_COUNT + LIST_COUNT;

// How entries go into a list while it is filled.
enum class InsertMode {
    Append = 0,    // after the last entry
    ByScore = 1,   // descending piece score, equal scores in insertion order
    Random = 2,    // at a position drawn with randomUpTo(count)
};

using PieceScores = std::array<std::uint16_t, PIECE_COUNT>;

// Sum over the sides of 240 / (how often that colour occurs in the table), plus 2
// for each colour on the piece beyond the first: rare colours score high.
PieceScores computePieceScores();

struct CandidateLists {
    std::array<std::uint32_t, LIST_COUNT> first;  // pool index of the first entry
    std::array<std::uint16_t, LIST_COUNT> count;
    std::array<std::uint16_t, POOL_SIZE> pool;    // oriented-piece numbers

    std::uint32_t listIndex(int cellClass, std::uint32_t key) const { return CLASS_BASE[cellClass] + key; }
};

// The pool as the walk reads it, entry for entry: the oriented piece's colours
// five bits each (top, right, bottom, left from the lowest bit) and its oriented
// number from bit 20, so that one load gives the piece to test and the colours
// the next cell's key needs. The walk's end marker reads as piece PIECE_COUNT.
using WalkEntry = std::uint32_t;
inline constexpr int WALK_ORIENTED_SHIFT = 20;
inline constexpr int WALK_PIECE_SHIFT = WALK_ORIENTED_SHIFT + 2;
inline constexpr WalkEntry WALK_END = WalkEntry{PIECE_COUNT} << WALK_PIECE_SHIFT;

inline WalkEntry walkEntryOf(int oriented) {
    WalkEntry e = static_cast<WalkEntry>(oriented) << WALK_ORIENTED_SHIFT;
    for (int side = 0; side < 4; ++side) e |= WalkEntry{ORIENTED_SIDES[oriented][side]} << (KEY_BITS * side);
    return e;
}

struct WalkPool {
    std::array<WalkEntry, POOL_SIZE> entries;
};

// Copies the lists' pool as they stand (the walk starts from it).
void fillWalkPool(WalkPool& walkPool, const CandidateLists& lists);

// Counting pass, layout, filling pass. Draws from `random` only in InsertMode::Random.
void buildCandidateLists(CandidateLists& lists, InsertMode mode, Random& random, const PieceScores& scores);

// Entries of the longest list, hint list aside (one entry): the largest random
// insertion draws randomUpTo of one less.
std::uint16_t largestListCount();

// Swaps two entries of a randomly drawn list `swaps` times (lists of fewer than
// three entries are left alone).
void perturbCandidateLists(CandidateLists& lists, Random& random, int swaps);

}  // namespace zentara::path
