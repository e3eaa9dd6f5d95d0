// The brute-force solver: one exhaustive depth-first search in row order over
// chains of oriented pieces keyed by the colours left of and above a cell. The
// chain order is drawn once from the seed; after that the run is fully
// determined and walks the whole tree once.
#pragma once

#include <array>
#include <cstdint>
#include <ostream>

#include "core/puzzle.hpp"
#include "core/random.hpp"
#include "core/run_limits.hpp"

namespace zentara::brute {

// One oriented piece, linked into the chain of its key.
struct LinkedPiece {
    LinkedPiece* next = nullptr;  // null at the end of the chain
    PieceEntry colours{};               // board sides: bottom, left, top, right
    std::uint8_t piece = 0;
    std::uint8_t rotation = 0;
};

// A chain's index in its table: left colour + 256 * top colour.
inline constexpr int CHAIN_HEADS = 23 * 256;
constexpr int chainIndex(Colour left, Colour top) { return left + 256 * top; }

// The four chain tables, told apart by the record's bottom and right colours.
enum ChainTable : std::uint8_t {
    OPEN_CHAINS = 0,        // bottom and right not border: row 0, column 0, inner cells
    BOTTOM_RIM_CHAINS = 1,  // bottom border only: cells 240 to 254
    RIGHT_RIM_CHAINS = 2,   // right border only: column 15 above the last row
    CORNER_CHAINS = 3,      // both: cell 255
};
inline constexpr int CHAIN_TABLES = 4;

// The chains as the search walks them: each chain copied, in its order, into one
// contiguous run of entries ended by a terminator, so that the walk is a run of
// sequential loads instead of a pointer chase (with the piece of the first entry
// kept in the head, about 6 % more placements per second against the baseline:
// 1.08x against 1.01x over 200,000,000 placements).
inline constexpr std::uint16_t END_OF_CHAIN = 256;  // the piece of a terminator, never used
struct FlatEntry {
    PieceEntry colours{};  // board sides: bottom, left, top, right
    std::uint16_t piece = END_OF_CHAIN;
    std::uint16_t record = 0;  // oriented-piece number
};
// A flat chain's head carries the piece of its first entry, so that the test of
// the first candidate of a cell needs no load of the entry.
struct FlatHead {
    std::uint16_t first = 0;  // index of the first entry
    std::uint16_t piece = END_OF_CHAIN;
};
// Heads of the flat chains: left + 32 * top within a table; 32 rather than 23
// so that the index is a shift and an add.
inline constexpr int FLAT_TABLE_HEADS = 32 * 32;
constexpr int flatHeadIndex(int table, Colour left, Colour top) { return table * FLAT_TABLE_HEADS + left + 32 * top; }
// Two more flat tables copy the open chains, each with only the records that
// meet the hint from one of the two cells before it, so that those cells walk
// their chains as every other cell does, with no colour test per candidate
// (see cell_keys.hpp): 53.7 -> 52.7 instructions and 1.23 -> 1.20 mispredicted
// branches a placement, about 3 % more placements a second.
inline constexpr int MEETS_HINT_BELOW = CHAIN_TABLES;     // the cell above the hint: bottom side
inline constexpr int MEETS_HINT_RIGHT = CHAIN_TABLES + 1;  // the cell left of it: right side
inline constexpr int FLAT_TABLES = CHAIN_TABLES + 2;
// In each table every record at most once with one terminator per non-empty
// chain, and the shared terminator of the empty chains at 0.
inline constexpr int FLAT_ENTRIES = FLAT_TABLES * 2 * ORIENTED_COUNT + 1;

constexpr ChainTable chainTableOf(const PieceEntry& colours) {
    const bool bottomBorder = colours[bottom_first::BOTTOM] == BORDER_COLOUR;
    const bool rightBorder = colours[bottom_first::RIGHT] == BORDER_COLOUR;
    return static_cast<ChainTable>((bottomBorder ? 1 : 0) + (rightBorder ? 2 : 0));
}

// From this position of the search order on, the cells walk a second copy of the
// flat chains, made each time the search enters the position, without the entries
// whose piece lies on a cell before it: those stay in use for as long as any cell
// from here on is on the board, and over a run they are more than half of the
// entries the walk would pass over (0.88 of 1.58 a placement on seed 1). The
// copy takes about 5 microseconds, and a run of seed 1 makes it five times in its
// first 200 M placements. From position 96 on: 1.13x; from 88, 104 or 112: 0.98x,
// 0.97x and 0.67x that (at 112 the copy is made every 7,400 placements).
inline constexpr int DEEP_POSITION = 96;

inline constexpr int HINT_RECORD = orientedNumber(HINT_PIECE, HINT_ROTATION);  // 554
inline constexpr int PLACEMENTS_PER_REPORT = 2'000'000;
inline constexpr int FIRST_BEST_FILE_LEVEL = 200;
inline constexpr int SEARCH_CELLS = CELL_COUNT - 1;  // every cell but the hint's

// Why runSearch returned.
enum class SearchEnd {
    Solved,     // cell 255 was filled
    Exhausted,  // cell 0 ran out of candidates
    Stopped,    // the caller's report limit was reached; runSearch continues from here
};

struct BruteSolver {
    std::array<LinkedPiece, ORIENTED_COUNT> records{};
    // Chain heads of the four tables, table t at [t * CHAIN_HEADS].
    std::array<LinkedPiece*, CHAIN_TABLES * CHAIN_HEADS> chainHeads{};

    // The board, which is also the search's only stack. Cell c's colours are
    // copied to colourCopies[4c .. 4c + 3] (bottom, left, top, right) so that a key
    // is read without following the record; two constant entries follow the cells
    // (the frame and the hint piece), read by the cells whose top colour is a constant.
    std::array<Colour, 4 * (CELL_COUNT + 2)> colourCopies{};
    std::array<const LinkedPiece*, CELL_COUNT> placed{};  // null: empty
    // The used-piece set, one byte per piece rather than one bit: the test on
    // every candidate is then a single load with no shift or mask. The byte after
    // the pieces belongs to the terminators and stays 0, so the walk stops there.
    std::array<std::uint8_t, PIECE_COUNT + 1> used{};

    // The flat copy of the chains, made from the linked ones at every runSearch
    // (so that chains rearranged after buildChains are searched as they stand),
    // and the entry each cell of the search order holds (its place in its chain).
    std::array<FlatEntry, FLAT_ENTRIES> flatEntries{};
    std::array<FlatHead, FLAT_TABLES * FLAT_TABLE_HEADS> flatHeads{};
    // The deep copy (see DEEP_POSITION), walked by the cells from it on.
    std::array<FlatEntry, FLAT_ENTRIES> deepEntries{};
    std::array<FlatHead, FLAT_TABLES * FLAT_TABLE_HEADS> deepHeads{};
    std::array<const FlatEntry*, SEARCH_CELLS> stack{};
    // Cells of the search order now on the board (hint not counted); while
    // runSearch runs, those it has still to climb back into.
    int filled = 0;

    // After a placement on cell c: c + 1. The search sets it only where it is
    // read (reports, new bests, its end), from the cells on the stack.
    int level = 1;
    int bestLevel = 1;  // never reset
    // Shown in millions. 64 bits: at 60 M placements a second a 32-bit count
    // would wrap after about a year of one exhaustive run.
    std::int64_t tests = 0;
    int countdown = PLACEMENTS_PER_REPORT;

    Random random{};

    // Run control for tests and the bench; the program keeps the defaults.
    RunLimits limits{};  // reports in total, placements per report (workPerReport)
    std::uint64_t failuresBeforeFullBoard = 0;  // board write failures before the full board's file
    std::int64_t reports = 0;
    std::ostream* reportOut = nullptr;  // runSearch's console while it runs
    std::uint64_t placements = 0;  // statistics; exact whenever runSearch is not running
};

// Fills the 1024 records and links every record outside the hint piece into
// its chain at a position drawn from solver.random (one draw per record).
void buildChains(BruteSolver& solver);

// Empties the board and puts the hint piece on its cell; levels start at 1.
void resetBoard(BruteSolver& solver);

// Puts a record on the next cell of the search order as a placement would, but
// without counting it (to start a search from a given partial board).
void pushRecord(BruteSolver& solver, const LinkedPiece& record);

// The depth-first search. Starts by entering the cell after the ones filled.
SearchEnd runSearch(BruteSolver& solver, std::ostream& out);

// The exit status after a search that ended with `end`: 1 when the full board
// found could not be written (it is then shown on the console), else 0.
int finishRun(const BruteSolver& solver, SearchEnd end, std::ostream& out);

// "Best%03d.csv" for the best level when bestFile is set (only from level 200
// on), otherwise "Result.csv". A file that cannot be written is skipped.
void saveBoard(const BruteSolver& solver, bool bestFile);

// Recounts the board, level, used pieces and chain ends against what the search
// keeps (checked builds, at the report point).
void checkSearchState(const BruteSolver& solver);

// Counts a report, prints the status line and rewrites "Result.csv".
void reportProgress(BruteSolver& solver, std::ostream& out);

// The cell of position i of the search order: row order without the hint cell.
constexpr int cellOfPosition(int position) { return position < HINT_CELL ? position : position + 1; }
constexpr int positionOfCell(int cell) { return cell < HINT_CELL ? cell : cell - 1; }

}  // namespace zentara::brute
