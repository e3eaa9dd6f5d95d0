// The berserker solver: grows a partial board by random placements next to known
// sides, knocks out random 3 x 3 blocks or falls back to its saved board when it
// stalls, and knocks out 100 random cells when it stops gaining height.
//
// The engine is one plain record (Berserker) and free functions. The program keeps
// one instance in static storage; the seed, the console stream and a stop after a
// number of status reports are inputs so that a run can be repeated exactly.
#pragma once

#include <array>
#include <cstdint>
#include <iosfwd>

#include "core/board_file.hpp"
#include "core/pieces.hpp"
#include "core/puzzle.hpp"
#include "core/random.hpp"
#include "core/run_limits.hpp"

namespace zentara::berserker {

// The 16 x 16 board inside a frame of one cell on every side.
inline constexpr int FRAMED_SIDE = BOARD_WIDTH + 2;                 // 18
inline constexpr int ARRAY_CELLS = FRAMED_SIDE * FRAMED_SIDE;       // 324
// The fixed pieces are the set's clues (3 on ours); the hint is always one of them.
inline int fixedCount() { return static_cast<int>(pieceSet().clues().size()); }
// Records: every rotation of a free piece, the one rotation of a fixed piece;
// 1015 on our set, at most this many with the hint alone fixed.
inline constexpr int MAX_RECORDS = (PIECE_COUNT - 1) * 4 + 1;
inline constexpr int FREE_CAPACITY = CELL_COUNT - 1;  // cells not fixed: 253 on our set
inline constexpr int COMPLETE_LEVEL = CELL_COUNT;
inline constexpr int BEST_FILE_LEVEL = 200;  // best files are written from this level on
inline constexpr int STEPS_PER_STATUS = 1000000;
inline constexpr int NO_CELL = -1;
inline constexpr int NO_RECORD = -1;

// Cell flags. Bits 0..3 say which sides are known (face the frame or a piece).
inline constexpr std::uint8_t KNOWN_TOP = 0x01;
inline constexpr std::uint8_t KNOWN_RIGHT = 0x02;
inline constexpr std::uint8_t KNOWN_BOTTOM = 0x04;
inline constexpr std::uint8_t KNOWN_LEFT = 0x08;
inline constexpr std::uint8_t KNOWN_SIDES = 0x0F;
inline constexpr std::uint8_t NEVER_CHANGES = 0x10;  // frame cells and the fixed cells

constexpr int arrayCellOf(int boardCell) {
    return FRAMED_SIDE * (boardCell / BOARD_WIDTH + 1) + boardCell % BOARD_WIDTH + 1;
}
// The board cell of an array cell, NO_CELL for a frame cell.
constexpr int boardCellOf(int arrayCell) {
    const int row = arrayCell / FRAMED_SIDE - 1;
    const int column = arrayCell % FRAMED_SIDE - 1;
    if (row < 0 || row >= BOARD_HEIGHT || column < 0 || column >= BOARD_WIDTH) return NO_CELL;
    return BOARD_WIDTH * row + column;
}

// Array offsets of the neighbours, in side order top, right, bottom, left.
inline constexpr std::array<int, 4> NEIGHBOUR_OFFSET{-FRAMED_SIDE, 1, FRAMED_SIDE, -1};
// The bit a piece sets on each neighbour: the neighbour's side that faces it.
inline constexpr std::array<std::uint8_t, 4> BIT_ON_NEIGHBOUR{KNOWN_BOTTOM, KNOWN_LEFT, KNOWN_TOP, KNOWN_RIGHT};

// Four side colours packed in one word, byte k = side k (top, right, bottom, left),
// so that placing a piece copies one word (packSides of a top-first entry).
using Sides = std::uint32_t;
constexpr Colour sideColour(Sides sides, int side) { return static_cast<Colour>(sides >> (8 * side)); }

// An oriented piece: piece index, rotation and sides after the rotation.
struct Record {
    Sides sides;
    std::uint8_t piece;
    std::uint8_t rotation;
};

// One entry of a candidate list; the piece index sits beside the record so that
// the in-use test of a draw is a single table read.
struct CandidateEntry {
    std::uint16_t record;
    std::uint16_t piece;
};

struct CandidateList {
    std::uint16_t start;
    std::uint16_t count;
};

// How a class (the 4 known-side bits) turns the required colours into a list
// index: each known side contributes its colour shifted into the next 5 bits, in
// the order top, right, bottom, left, most significant first.
struct KeyRecipe {
    std::array<std::uint32_t, 4> mask;  // 0x1F on a known side, 0 otherwise
    std::array<std::uint8_t, 4> shift;
    std::uint32_t base;                 // first list of the class
    std::uint32_t size;                 // 32^(known sides)
};

inline constexpr std::array<KeyRecipe, 16> KEY_RECIPES = [] {
    std::array<KeyRecipe, 16> recipes{};
    std::uint32_t base = 0;
    for (int cls = 0; cls < 16; ++cls) {
        KeyRecipe& r = recipes[cls];
        int known = 0;
        for (int k = 0; k < 4; ++k) known += (cls >> k) & 1;
        int position = known;
        for (int k = 0; k < 4; ++k) {
            if ((cls >> k) & 1) {
                --position;
                r.mask[k] = 0x1F;
                r.shift[k] = static_cast<std::uint8_t>(5 * position);
            }
        }
        r.base = base;
        r.size = 1u << (5 * known);
        base += r.size;
    }
    return recipes;
}();

inline constexpr int LIST_TABLE_SIZE = static_cast<int>(KEY_RECIPES[15].base + KEY_RECIPES[15].size);
// Each non-fixed record lies in at most one list of each of the 15 classes.
inline constexpr int MAX_ENTRIES = (MAX_RECORDS - 1) * 15;

// The records, the record of every (piece, rotation) and the candidate lists.
struct CandidateTables {
    std::array<Record, MAX_RECORDS> records;
    int recordCount;
    std::array<std::array<std::int16_t, 4>, PIECE_COUNT> recordOf;  // NO_RECORD where none
    std::array<CandidateEntry, MAX_ENTRIES> entries;
    int entryCount;
    std::array<CandidateList, LIST_TABLE_SIZE> lists;
};

struct Cell {
    Sides sides;              // of the piece last placed here; not cleared on removal
    std::int16_t placement;   // record index or NO_RECORD
    std::uint8_t piece;       // piece index of the placement
    std::uint8_t flags;
};

// Everything the saved board copies. The free cells are kept as an array in list
// order, the head first: reaching the i-th free cell is one read instead of a walk
// along the links (the walk averaged tens of dependent loads per step), unlinking
// a cell closes the gap and a freed cell is appended at the tail, so the order is
// exactly that of the circular list with a head.
struct Board {
    std::array<Cell, ARRAY_CELLS> cells;
    std::array<std::int16_t, PIECE_COUNT> pieceCell;  // array cell holding the piece, or NO_CELL
    std::array<std::uint16_t, FREE_CAPACITY> freeCells;
    int freeLength;
    int level;  // board cells holding a piece, fixed cells included
};

struct Berserker {
    CandidateTables tables;
    Board board;
    Board saved;  // its level is the saved level
    RandomState random = 0;
    int bestLevel = 3;
    int millions = 0;           // "tst"
    int fallBackThousands = 0;  // "res"
    int bigResets = -1;
    std::uint8_t failureCountdown = 10;
    int fallBackCountdown = 1000;
    int bigResetCountdown = 1;  // the very first step shows a status and makes a big reset
    int heightSinceBigReset = 0;
    int fileCountdown = 2;
    int millionCountdown = 1;
    std::uint64_t failuresBeforeFullBoard = 0;  // board write failures before the full board's files
};

// Builds the records and the candidate lists from the top-first piece table.
void buildCandidateTables(CandidateTables& tables);

// Sets up the board with the fixed pieces, builds the tables and resets every
// counter; the generator starts from `seed`.
void setUp(Berserker& engine, RandomState seed);

// Places the non-empty cells of `cells` that name a record, land on an empty
// cell, use a piece not yet on the board and fit the frame and the pieces already
// placed. Every other cell is refused with one line on `out` naming the file
// (`name`) and the cell, as shift-solver says it; a fixed cell holding its own
// fixed piece is neither. Then the best level becomes the level and the board is
// saved. Returns the number of pieces placed.
int resumeFromCells(Berserker& engine, const Board16& cells, const char* name, std::ostream& out);
int resumeFromCells(Berserker& engine, const Board16& cells);  // no lines

// Resumes from the deepest best-board file in the current directory (or saves the
// fixed pieces alone when there is none). Returns whether a file was read.
bool resumeFromBestFile(Berserker& engine, std::ostream& out);

// Whether the record may stand on the cell: every known side shows the colour
// the frame or the neighbour requires and no other side shows the border colour.
bool fitsCell(const Record& record, const Board& board, int arrayCell);

// The candidate list for a cell of the board, from its class and required colours.
inline CandidateList candidateListOf(const CandidateTables& tables, const Board& board, int arrayCell);

// Places record `recordIndex` on the free cell at position `freeIndex` of the list.
inline void placeRecord(Board& board, const CandidateTables& tables, int recordIndex, int freeIndex);

// Removes the piece of an array cell; nothing happens outside the array, on a cell
// that never changes or on an empty cell. Returns whether a piece was removed.
inline bool removePiece(Board& board, int arrayCell);

// Removes the pieces of the 3 x 3 block of array cells centred on `centre`.
void knockOutBlock(Board& board, int centre);

void saveBoard(Berserker& engine);
void restoreBoard(Berserker& engine);
void bigReset(Berserker& engine);
void handleStall(Berserker& engine);

// Recounts everything the step loop keeps incrementally, for both boards (builds
// with invariant checks).
void checkSearchState(const Berserker& engine);

// The cells of a board as board files show them.
void boardCells(const Berserker& engine, const Board& board, Board16& out);

enum class SearchEnd { Complete, StatusLimit };

// The step loop. Ends with a complete board, or after `limits.reports` status reports
// when that is above 0 (the report, its files and any big reset done).
SearchEnd runSearch(Berserker& engine, std::ostream& out, const RunLimits& limits = {});

// The end of a run at a full board: Result.csv once more, and when a write of the
// full board failed, the board on the console. Returns the exit status (0 or 1).
int finishRun(const Berserker& engine, std::ostream& out);

// Steps taken so far (the step that showed the last status included).
std::uint64_t stepsTaken(const Berserker& engine);

// Writes Result.csv with the saved board.
bool writeResultFile(const Berserker& engine);

}  // namespace zentara::berserker

// The operations of every step, inline so that the step loop keeps its registers.
#include "berserker/board_ops.inl"
