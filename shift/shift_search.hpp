// The shift solver: a randomised local search that shifts the first fitting
// oriented piece into a random empty cell, removes pieces in bursts when stuck,
// tunes its two failure allowances (OK and RE) by hill climbing on the average
// level, and resumes from the deepest best-board file in the working directory.
#pragma once

#include <array>
#include <cstdint>
#include <iosfwd>

#include "core/board_file.hpp"
#include "core/pieces.hpp"
#include "core/puzzle.hpp"
#include "core/random.hpp"
#include "core/run_limits.hpp"

namespace zentara::shift {

inline constexpr std::uint16_t NO_RECORD = 0xFFFF;
inline constexpr std::int16_t NO_CELL = -1;
// The pieces fixed on the board: the set's clues, 3 on ours.
inline int fixedCount() { return static_cast<int>(pieceSet().clues().size()); }
// Every rotation of every piece that is not fixed: 1012 on our set.
inline int listLength() { return 4 * (PIECE_COUNT - fixedCount()); }
// The scan reads 16 entries at a time, so the list storage is padded to a multiple of 16.
inline constexpr int LIST_CAPACITY = 1024;
inline constexpr int ITERATIONS_PER_STEP = 1000;
inline constexpr int FIRST_BEST_FILE_LEVEL = 200;

// Cell flags: which sides face the frame, and whether the cell is fixed.
inline constexpr std::uint8_t TOP_FRAME = 0x01;
inline constexpr std::uint8_t RIGHT_FRAME = 0x02;
inline constexpr std::uint8_t BOTTOM_FRAME = 0x04;
inline constexpr std::uint8_t LEFT_FRAME = 0x08;
inline constexpr std::uint8_t FIXED_CELL = 0x10;

// Byte k of a side word holds side k (top, right, bottom, left from the lowest byte),
// so a fit test is one masked 32-bit comparison.
constexpr int sideShift(int side) { return 8 * side; }

struct OrientedRecord {
    std::uint32_t colours;  // top, right, bottom, left from the lowest byte
    std::uint8_t piece;
    std::uint8_t rotation;
};

// All 1024 oriented pieces in oriented-number order, from the top-first table of
// the set the programs run on: filled by setUp.
inline std::array<OrientedRecord, ORIENTED_COUNT> orientedRecords{};
inline const std::array<OrientedRecord, ORIENTED_COUNT>& ORIENTED_RECORDS = orientedRecords;
void fillOrientedRecords();

// Everything the snapshot copies: the cell records and where each piece lies.
struct ShiftBoard {
    std::array<std::uint16_t, CELL_COUNT> placement;  // oriented number, or NO_RECORD
    std::array<std::uint32_t, CELL_COUNT> required;   // per side the colour a piece must show
    std::array<std::uint32_t, CELL_COUNT> mask;       // per side 0xFF while the requirement applies
    std::array<std::uint8_t, CELL_COUNT> flags;
    std::array<std::int16_t, PIECE_COUNT> pieceCell;  // cell of each piece, or NO_CELL
};

// The move-to-back list of candidate records. Held as a contiguous array rather
// than linked records: the order and the first-fit rule are the same, but the scan
// becomes a streaming SIMD comparison instead of a chain of dependent loads.
struct ShiftList {
    alignas(64) std::array<std::uint32_t, LIST_CAPACITY> colours;  // side words, list order
    std::array<std::uint16_t, LIST_CAPACITY> record;               // oriented numbers, list order
    int length;
};

enum class Tuned : std::uint8_t { Ok, Re };

struct Tuning {
    int ok = 50;
    int re = 50;
    int failureAllowance = 10;
    int removalCount = 1;
    int okStep = 1;
    int reStep = 1;
    int savedOk = 50;
    int savedRe = 50;
    Tuned tuned = Tuned::Ok;
    std::int64_t shifts = 0;  // periodic steps; 64 bits, a run lasts for weeks
    int levelSum = 1;
    int previousAverage = 1;
    int periodCountdown = 100;
    int switchCountdown = 10;
    int stagnationCountdown = 50;
    int undoCountdown = 5000;
    int statusCountdown = 10;
    int undoDisplay = 0;
    int resetDisplay = 0;
};

struct Snapshot {
    ShiftBoard board;
    int ok = -1;  // -1 while no snapshot exists
    int re = -1;
};

struct ShiftSearch {
    ShiftBoard board;
    ShiftList list;
    int level = 0;
    int maxLevel = 1;
    Tuning tuning;
    Snapshot snapshot;
    RandomState random = 0;
    int stepCountdown = ITERATIONS_PER_STEP;  // iterations until the next periodic step
    std::uint64_t iterations = 0;
    std::uint64_t statusReports = 0;
    RunLimits limits{};  // status reports; the seed is runShiftSolver's
};

// Set-up: clear the board, set the frame, build the list, place the fixed pieces.
void setUp(ShiftSearch& s, RandomState seed);

// Places oriented piece `record` on the empty cell and publishes its colours to the neighbours.
inline void placePiece(ShiftSearch& s, int cell, int record) {
    ShiftBoard& b = s.board;
    const std::uint32_t colours = ORIENTED_RECORDS[record].colours;
    const std::uint8_t flags = b.flags[cell];
    b.placement[cell] = static_cast<std::uint16_t>(record);
    b.pieceCell[ORIENTED_RECORDS[record].piece] = static_cast<std::int16_t>(cell);
    // Each neighbour gets our side's colour on its facing side: above sees our top as its
    // bottom, the right neighbour our right as its left, and so on.
    auto publish = [&](int neighbour, int ourSide, int theirSide) {
        const std::uint32_t colour = (colours >> sideShift(ourSide)) & 0xFFu;
        const std::uint32_t lane = 0xFFu << sideShift(theirSide);
        b.required[neighbour] = (b.required[neighbour] & ~lane) | (colour << sideShift(theirSide));
        b.mask[neighbour] |= lane;
    };
    using namespace top_first;
    if (!(flags & TOP_FRAME)) publish(cell - BOARD_WIDTH, TOP, BOTTOM);
    if (!(flags & RIGHT_FRAME)) publish(cell + 1, RIGHT, LEFT);
    if (!(flags & BOTTOM_FRAME)) publish(cell + BOARD_WIDTH, BOTTOM, TOP);
    if (!(flags & LEFT_FRAME)) publish(cell - 1, LEFT, RIGHT);
    ++s.level;
}

// Takes the piece off the cell; the neighbours' requirements on the facing sides lapse.
inline void removePiece(ShiftSearch& s, int cell) {
    ShiftBoard& b = s.board;
    const std::uint8_t flags = b.flags[cell];
    using namespace top_first;
    if (!(flags & TOP_FRAME)) b.mask[cell - BOARD_WIDTH] &= ~(0xFFu << sideShift(BOTTOM));
    if (!(flags & RIGHT_FRAME)) b.mask[cell + 1] &= ~(0xFFu << sideShift(LEFT));
    if (!(flags & BOTTOM_FRAME)) b.mask[cell + BOARD_WIDTH] &= ~(0xFFu << sideShift(TOP));
    if (!(flags & LEFT_FRAME)) b.mask[cell - 1] &= ~(0xFFu << sideShift(RIGHT));
    b.pieceCell[ORIENTED_RECORDS[b.placement[cell]].piece] = NO_CELL;
    b.placement[cell] = NO_RECORD;
    --s.level;
}

// True when the side word satisfies every requirement that applies on the cell.
inline bool fitsCell(const ShiftBoard& b, int cell, std::uint32_t colours) {
    return (colours & b.mask[cell]) == (b.required[cell] & b.mask[cell]);
}

// List position of the first record whose masked side word equals `wanted`
// (already masked), or -1.
int findFirstFit(const ShiftList& list, std::uint32_t mask, std::uint32_t wanted);

// The scans behind findFirstFit, one per instruction set; the fastest one the machine
// has is chosen at start. All return the same position.
namespace scan {
using Function = int (*)(const std::uint32_t* colours, int length, std::uint32_t mask, std::uint32_t wanted);
int portable(const std::uint32_t* colours, int length, std::uint32_t mask, std::uint32_t wanted);
#if defined(__x86_64__)
int sse2(const std::uint32_t* colours, int length, std::uint32_t mask, std::uint32_t wanted);
int avx2(const std::uint32_t* colours, int length, std::uint32_t mask, std::uint32_t wanted);
int avx512(const std::uint32_t* colours, int length, std::uint32_t mask, std::uint32_t wanted);
#endif
Function fastest();
}  // namespace scan

// Moves the entry at `position` to the tail and returns its oriented number.
int moveToBack(ShiftList& list, int position);

// The current board as files show it.
void boardCells(const ShiftBoard& b, Board16& out);

// Writes the current board; a file that cannot be written is skipped.
void writeBoard(const ShiftSearch& s, const char* name);

void takeSnapshot(ShiftSearch& s);
// Back to the snapshot's cells and thresholds, when one exists; list order, saved
// values, steps and countdowns stay as they are.
void fallBack(ShiftSearch& s);

// Offers every non-empty cell of a read board to the placement rule; a refused
// cell is reported with its 1-based row and column. Ends with max. = level and a snapshot.
void resumeFromCells(ShiftSearch& s, const Board16& cells, const char* name, std::ostream& out);
// Resumes from the deepest best-board file; false when none qualifies.
bool resumeFromBestFile(ShiftSearch& s, std::ostream& out);

// Removes `removal count` random pieces (not fixed ones) and resets the count to 1.
void removalBurst(ShiftSearch& s);

// The tuning at the end of a period: hill climbing of OK or RE, the parameter
// switch and the stagnation reset.
void tuneParameters(ShiftSearch& s);

// Recounts everything the search keeps incrementally (builds with invariant checks).
void checkSearchState(const ShiftSearch& s);

// Every 1000 iterations. Returns true when the caller's status-report limit is reached.
bool periodicStep(ShiftSearch& s, std::ostream& out);

enum class SearchEnd { Complete, StatusLimit };

// Iterates until the board is full (or the status-report limit is reached).
SearchEnd runSearch(ShiftSearch& s, std::ostream& out);

// The whole program: set-up with `seed`, resume, search, then the final best file.
// Without limits (as the program runs) it takes the time seed and runs until the
// board is complete. Returns the exit status: 0, or 1 when the full board could
// not be written to its file (it is then shown on the console instead).
int runShiftSolver(ShiftSearch& s, std::ostream& out, const RunLimits& limits = {});

}  // namespace zentara::shift
