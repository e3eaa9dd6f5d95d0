// The frequency solver's one exhaustive depth-first search over the hash tables,
// with its board files and status line.
#pragma once

#include <cstdint>
#include <ostream>

#include "core/board_file.hpp"
#include "core/puzzle.hpp"
#include "frequency/tables.hpp"

namespace zentara::frequency {

inline constexpr int PLACEMENTS_PER_REPORT = 10'000'000;
inline constexpr int REPORTS_PER_RESULT_FILE = 5;
inline constexpr int FIRST_BEST_FILE_LEVEL = 200;

// Oriented numbers are kept with this many leading pad slots, so that the cells of
// row 0 and column 0 can read an "above" and a "left" value like every other cell.
inline constexpr int ORIENTED_PAD = BOARD_WIDTH + 1;

struct SearchState {
    // Pool slot per cell (NO_ENTRY when empty); also the cell's cursor into its list.
    std::uint32_t board[CELL_COUNT];
    std::uint16_t oriented[ORIENTED_PAD + CELL_COUNT];  // cell c at index ORIENTED_PAD + c
    std::uint64_t used[PIECE_COUNT / 64];
    std::int32_t level;      // pieces on the board, the hint included
    std::int32_t bestLevel;
    std::int64_t tests;      // millions of placements shown; 64 bits so a months-long run never wraps
    std::int32_t placementCountdown;
    std::int32_t reportCountdown;
    std::int64_t placements;  // all placements of the run, for benchmarks
    std::int32_t reports;
};

enum class SearchEnd { Exhausted, BoardFull, Stopped };

// Empties the board, sets the level to 1 and puts the hint entry on cell 135.
// Prints "Invalid statistic file!" and returns false when no list holds the hint.
bool resetBoard(const FrequencyTables& tables, SearchState& state, std::ostream& out);

// Searches from cell 0 until the tree is exhausted or the board is full; with
// reportLimit > 0 also stops right after that many progress reports.
SearchEnd runSearch(const FrequencyTables& tables, SearchState& state, std::ostream& out, int reportLimit = 0);

// "Best%03d.csv" (only from level 200 on) or "Result.csv"; an unwritable file is
// skipped, said on the console once (core/board_file.hpp).
void saveBoard(const FrequencyTables& tables, const SearchState& state, bool bestFile);
// The board as board files show it.
void boardCells(const FrequencyTables& tables, const SearchState& state, Board16& cells);

// Recounts the board, level, used pieces and list ends against what the search
// keeps (checked builds, at the report point).
void checkSearchState(const FrequencyTables& tables, const SearchState& state);

// Status line, and "Result.csv" at every fifth call.
void reportProgress(const FrequencyTables& tables, SearchState& state, std::ostream& out);

}  // namespace zentara::frequency
