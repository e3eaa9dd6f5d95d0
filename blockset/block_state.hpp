// The working records of the block-set solver: one 16-byte record per piece, the
// sets they are grouped into, the board, the balance counts of the orientation
// assignment, the candidate lists of the placement search and the counters.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <ostream>

#include "blockset/block_boards.hpp"
#include "core/random.hpp"
#include "core/run_limits.hpp"

namespace zentara::blockset {

using RecordIndex = std::int16_t;
inline constexpr RecordIndex NO_RECORD = -1;

inline constexpr std::uint8_t FLAG_HINT = 1u << 0;
inline constexpr std::uint8_t FLAG_IN_USE = 1u << 2;

// Record side order: bottom, right, top, left (anticlockwise from the bottom).
inline constexpr int SIDE_BOTTOM = 0, SIDE_RIGHT = 1, SIDE_TOP = 2, SIDE_LEFT = 3;

struct alignas(16) BlockRecord {
    // The base orientation twice over: turned q more quarter turns clockwise the piece
    // shows bottom, right, top, left = colours[q .. q + 3], one 4-byte read.
    std::array<Colour, 8> colours;
    std::uint8_t flags;
    std::uint8_t pieceIndex;
    std::uint8_t baseRotation;  // clockwise quarter turns from the table orientation
    std::uint8_t rotation;      // clockwise quarter turns from the base orientation
    RecordIndex next;           // next record of the same candidate list

    constexpr bool inUse() const { return (flags & FLAG_IN_USE) != 0; }
    constexpr bool isHint() const { return (flags & FLAG_HINT) != 0; }
    // Colour shown towards board side (record order) `side` in the assigned rotation.
    constexpr Colour shows(int side) const { return colours[rotation + side]; }
    constexpr int fileRotation() const { return (baseRotation + rotation) & 3; }
};
static_assert(sizeof(BlockRecord) == 16);

// One set: its first record and how many consecutive records it holds.
struct BlockSet {
    RecordIndex first = 0;
    std::uint8_t count = 0;
};

struct BoardCell {
    std::array<Colour, 4> colours;  // as the piece lies: bottom, right, top, left
    std::int32_t record;            // NO_RECORD while never filled
};

// Four signed counts of one colour (per rim side or per direction) in one word.
struct alignas(4) BalanceRow {
    std::array<std::int8_t, 4> entry;
};

enum CandidateTable : std::uint8_t { OPEN_TABLE, RIGHT_BORDER_TABLE, BOTTOM_BORDER_TABLE, CORNER_TABLE };

enum class RunEnd { FullBoard, Stopped };

template <class P>
struct BlockSolver {
    static constexpr int COLOURS = P::COLOURS;
    static constexpr int HEADS = COLOURS * COLOURS;  // key: top + COLOURS * left

    // Records and sets (record order is set once by buildSets).
    std::array<BlockRecord, P::PIECES> records{};
    std::array<BlockSet, COLOURS> leftSet{}, rightSet{}, doubleSet{}, oddSet{}, pairSet{};
    BlockSet cornerSet{}, crossSet{};
    RecordIndex hintRecord = NO_RECORD;  // 16 x 16: left behind every set, the last record
    std::array<std::array<std::uint8_t, 4>, 24> permutations{};

    // Orientation assignment.
    std::array<BalanceRow, COLOURS> balance{};
    std::array<BalanceRow, COLOURS> snapshot{};
    std::array<std::uint8_t, 4> sideRoom{};
    std::int32_t innerAttempts = 0;
    BlockRandom random{};
    std::uint32_t word = 0;  // random bits, consumed two at a time

    // Placement search. The extra last cell is the frame: all sides BORDER_COLOUR, so
    // row 0 and column 0 read their top and left from it like from any neighbour.
    std::array<BoardCell, P::CELLS + 1> board{};
    std::array<std::array<RecordIndex, HEADS>, 4> heads{};
    // The same lists as the search walks them (placement.hpp): records, then one
    // closing node per list.
    std::array<RecordIndex, P::PIECES + 4 * HEADS> listNext{}, listPrevious{};

    // Counters.
    std::int32_t variants = 0;
    std::int32_t level = 0;
    std::int32_t maxLevel = 0;
    std::int32_t statusCountdown = P::STATUS_COUNTDOWN;
    std::int32_t solutions = 0;
    std::int32_t fileCountdown = P::FILE_COUNTDOWN_START;

    // Where the run reports, and when a caller wants it to end.
    std::ostream* out = &std::cout;
    int exitCode = 0;  // 1: the full board could not be written (it went to the console)
    // The programs seed from this clock right after the banner, before the tables are
    // built; null (tests) keeps the seed already in `random`.
    LocalTime (*seedClock)() = nullptr;
    RunLimits limits{};  // variants, status lines (reports), full boards; the programs set none
    std::int64_t statusLines = 0;

    BlockSolver() {
        for (BoardCell& c : board) c = BoardCell{{0, 0, 0, 0}, NO_RECORD};
    }

    std::uint32_t draw() { return random.next(); }
};

}  // namespace zentara::blockset
