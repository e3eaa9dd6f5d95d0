#include "bench/brute/brute_floor.hpp"

#include <algorithm>
#include <array>

#include "bench/bench.hpp"
#include "brute/cell_keys.hpp"

namespace zentara::bench {

namespace {

using namespace brute;

constexpr int POSITION_BITS = 8;
constexpr int PLACE_SHIFT = POSITION_BITS;
constexpr int PLACE_BITS = 9;
constexpr int HEAD_SHIFT = PLACE_SHIFT + PLACE_BITS;
constexpr int HEAD_BITS = 13;
constexpr int KEEP_SHIFT = HEAD_SHIFT + HEAD_BITS;
constexpr int BACK_SHIFT = KEEP_SHIFT + 1;
static_assert(BACK_SHIFT == 31);
static_assert(SEARCH_CELLS <= 1 << POSITION_BITS);
static_assert(FLAT_TABLES * FLAT_TABLE_HEADS <= 1 << HEAD_BITS);

std::uint32_t checksumOf(const std::array<const FlatEntry*, SEARCH_CELLS>& at, int count) {
    std::uint16_t board[CELL_COUNT];
    for (int cell = 0; cell < CELL_COUNT; ++cell) board[cell] = 0xFFFF;
    board[HINT_CELL] = static_cast<std::uint16_t>(HINT_RECORD);
    for (int p = 0; p < count; ++p) board[cellOfPosition(p)] = at[p]->record;
    return boardChecksum(board, CELL_COUNT);
}

}  // namespace

FloorTrace recordFloorTrace(const BruteSolver& s, std::uint64_t placements) {
    using namespace bottom_first;
    FloorTrace trace;
    trace.steps.reserve(placements);
    trace.passed.reserve(placements);
    // The walk of the search, as plain as it comes: one loop, the board as its stack.
    std::array<Colour, 4 * (CELL_COUNT + 2)> copies{};
    copies.fill(BORDER_COLOUR);
    const PieceEntry hintSides = pieceSet().hintSides();
    for (int side = 0; side < 4; ++side) {
        copies[4 * HINT_CELL + side] = hintSides[side];
        copies[4 * HINT_ENTRY + side] = hintSides[side];
    }
    std::array<std::uint8_t, PIECE_COUNT + 1> used{};
    used[HINT_PIECE] = 1;
    std::array<int, PIECE_COUNT + 1> positionOf{};  // of each piece in use
    std::array<const FlatEntry*, SEARCH_CELLS> at{};
    std::array<unsigned, SEARCH_CELLS> chainStart{};  // first entry of each entered cell's chain

    // Enters a cell: its chain from its key; returns the step bits of the key.
    const auto enter = [&](int position) {
        const CellKey& key = CELL_KEYS[position];
        const Colour right = position == 0 ? BORDER_COLOUR : at[position - 1]->colours[RIGHT];
        const Colour leftConstant = key.leftFromHint ? copies[4 * HINT_ENTRY + RIGHT] : key.leftConstant;
        const unsigned base = key.chainBase + leftConstant + 32u * copies[key.topByte];
        chainStart[position] = s.flatHeads[base + (right & key.leftKeep)].first;
        return base << HEAD_SHIFT | (key.leftKeep != 0 ? 1u : 0u) << KEEP_SHIFT;
    };
    enter(0);
    trace.start = static_cast<std::uint16_t>(chainStart[0]);
    unsigned loaded = chainStart[0];  // the first entry of the head the replay loaded last
    int previous = -1;                // the position of the last placement
    int p = 0;
    int onBoard = 0;  // positions filled when the walk ends
    const FlatEntry* entry = &s.flatEntries[chainStart[0]];
    unsigned passed = 0;  // entries of pieces in use passed since the last placement
    while (placements > 0) {
        while (used[entry->piece]) {
            // From the deep position on the search's chains leave out the pieces on the cells before it.
            if (p < DEEP_POSITION || positionOf[entry->piece] >= DEEP_POSITION) ++passed;
            ++entry;
        }
        if (entry->piece == END_OF_CHAIN) {  // a dead end: back to the cell before
            if (p == 0) break;
            entry = at[--p];
            used[entry->piece] = 0;
            ++entry;
            continue;
        }
        const auto place = static_cast<unsigned>(entry - &s.flatEntries[chainStart[p]]);
        if (place >= 1u << PLACE_BITS) return FloorTrace{};
        used[entry->piece] = 1;
        positionOf[entry->piece] = p;
        at[p] = entry;
        for (int side = 0; side < 4; ++side) copies[4 * CELL_KEYS[p].cell + side] = entry->colours[side];
        const unsigned back = (p != previous + 1 ? 1u : 0u) ^ (loaded & 1u);
        FloorStep step = static_cast<FloorStep>(p) | place << PLACE_SHIFT | back << BACK_SHIFT;
        previous = p;
        const bool last = trace.steps.size() + 1 == placements || p + 1 == SEARCH_CELLS;
        if (p + 1 < SEARCH_CELLS) {
            step |= enter(p + 1);
            loaded = chainStart[p + 1];
        }
        trace.steps.push_back(step);
        trace.passed.push_back(static_cast<std::uint8_t>(std::min(passed, 255u)));
        passed = 0;
        if (last) {
            onBoard = p + 1;
            break;
        }
        entry = &s.flatEntries[chainStart[++p]];
    }
    trace.checksum = checksumOf(at, onBoard);
    return trace;
}

namespace {

template <bool WALK>
std::uint32_t replay(const BruteSolver& s, const FloorTrace& trace) {
    std::array<const FlatEntry*, SEARCH_CELLS> at{};
    std::array<unsigned, SEARCH_CELLS> chainStart{};
    unsigned loaded = trace.start;
    unsigned position = 0;
    unsigned walked = 0;  // the used bytes the walk read, summed so that the loads stay
    for (std::size_t i = 0; i < trace.steps.size(); ++i) {
        const FloorStep step = trace.steps[i];
        position = step & ((1u << POSITION_BITS) - 1);
        unsigned first = loaded;
        if (((loaded ^ step >> BACK_SHIFT) & 1u) != 0) [[unlikely]] {
            // A dead end: the placement is on a cell nearer the start, in the
            // chain it was entered with. The empty asm keeps this a branch, as
            // the engine's dead end is one.
            asm volatile("");
            first = chainStart[position];
        }
        chainStart[position] = first;
        const unsigned index = first + (step >> PLACE_SHIFT & ((1u << PLACE_BITS) - 1));
        const FlatEntry* entry = &s.flatEntries[index];
        if constexpr (WALK) {
            // The entries just before the placed one stand in for those the search
            // passed; the empty asm keeps one branch an entry, as in the search.
            for (const FlatEntry* over = entry - std::min<unsigned>(trace.passed[i], index); over != entry; ++over) {
                walked += s.used[over->piece];
                asm volatile("" : "+r"(walked));
            }
        }
        at[position] = entry;
        const unsigned keep = 0u - (step >> KEEP_SHIFT & 1u);
        loaded = s.flatHeads[(step >> HEAD_SHIFT & ((1u << HEAD_BITS) - 1)) + (entry->colours[bottom_first::RIGHT] & keep)].first;
    }
    if constexpr (WALK) asm volatile("" : : "r"(walked));
    return checksumOf(at, trace.steps.empty() ? 0 : static_cast<int>(position) + 1);
}

}  // namespace

std::uint32_t replayFloor(const BruteSolver& s, const FloorTrace& trace) { return replay<false>(s, trace); }

std::uint32_t replayFloorWithWalk(const BruteSolver& s, const FloorTrace& trace) { return replay<true>(s, trace); }

}  // namespace zentara::bench
