// The score solver: a depth-first search in reading order over pre-shuffled
// candidate lists that scores partial boards by their matched joins, restarts
// with fresh orders every report period and gathers neighbour statistics.
//
// All state lives in one plain record, ScoreSolver. The program keeps one in
// static storage; tests and other programs' tests make their own on the heap.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <ostream>

#include "core/board_file.hpp"
#include "core/fresh_starts.hpp"
#include "core/pieces.hpp"
#include "core/puzzle.hpp"
#include "core/random.hpp"
#include "core/stat_file.hpp"
#include "core/run_limits.hpp"

namespace zentara::score {

// ---------------------------------------------------------------- candidate tables

// One piece in one rotation. The colour word holds the four sides in bottom-first
// order, byte 0 (lowest) bottom, 1 left, 2 top, 3 right; the search copies it whole
// into the board cell.
struct OrientedPiece {
    std::uint8_t piece;
    std::uint8_t rotation;
    std::uint32_t colours;
};
static_assert(sizeof(OrientedPiece) == 8);

using Slot = const OrientedPiece*;

// Contiguous slots ending in a null slot. The search walks by pointer to the null
// and never reads the count.
struct CandidateList {
    Slot* first;
    std::int32_t count;
};

inline constexpr int KEY_COUNT = 24;               // colours 0..22, and 23 = any colour
inline constexpr int ANY_KEY = NO_COLOUR;          // an empty neighbour selects the any-colour list
inline constexpr int LISTS_PER_TABLE = KEY_COUNT * KEY_COUNT;

// The class tables by the border status of the bottom and right sides, in the
// order their lists are carved from the pool.
enum TableClass : int { OPEN_TABLE = 0, RIGHT_BORDER_TABLE = 1, BOTTOM_BORDER_TABLE = 2, CORNER_TABLE = 3 };
inline constexpr int TABLE_COUNT = 4;

// Every piece but the hint stands in three lists (exact, any-left, any-top); the
// hint list holds one entry; every list adds its terminator.
inline constexpr int CLASS_TABLE_ENTRIES = 3 * (PIECE_COUNT - 1) * 4;  // 3,060
inline constexpr int POOL_SLOTS = 2 + CLASS_TABLE_ENTRIES + TABLE_COUNT * LISTS_PER_TABLE;

inline constexpr std::uint32_t EMPTY_COLOURS = 0x17171717u;  // NO_COLOUR on all four sides

// A terminator's slot word: its oriented number is one past the last, whose used
// flag stays 0, so the scan stops on it without a test of its own.
inline constexpr std::uint64_t END_WORD = std::uint64_t{EMPTY_COLOURS} << 32 | ORIENTED_COUNT;

// The oriented number in the low half indexes the used flags as it is loaded, no
// shift in the scan; the colours above (with the period tests of the search,
// 86 -> 80 instructions a test, 1.06x the tests per second).
constexpr std::uint64_t slotWord(const OrientedPiece& record) {
    return std::uint64_t{record.colours} << 32 | static_cast<std::uint32_t>(orientedNumber(record.piece, record.rotation));
}

struct CandidateTables {
    std::array<OrientedPiece, ORIENTED_COUNT> records;
    CandidateList hintList;
    // [class][top key][left key], flattened so that the search adds one offset.
    std::array<CandidateList, TABLE_COUNT * LISTS_PER_TABLE> lists;
    std::array<Slot, POOL_SLOTS> pool;
    // Beside every pool slot, its record's oriented number (low half) and colour
    // word (high half), END_WORD beside a terminator: the search reads what it
    // tests and what it places in one load instead of two dependent ones.
    std::array<std::uint64_t, POOL_SLOTS> slotWords;
    // Where each list of `lists` starts in the pool and in the slot words: four
    // bytes a list, so that the search finds the first word from the left key
    // by one scaled load (no multiply by the 16-byte list on that chain).
    std::array<std::uint32_t, TABLE_COUNT * LISTS_PER_TABLE> listStarts;
    // Entries of the longest list: its draws decide which state bits shape the orders.
    std::int32_t largestList;
    // The colours the cells above and left of the hint must show it: the set's,
    // read where the tables are built.
    std::uint32_t hintTopColour;
    std::uint32_t hintLeftColour;

    CandidateList& table(int tableClass, int topKey, int leftKey) {
        return lists[tableClass * LISTS_PER_TABLE + topKey * KEY_COUNT + leftKey];
    }
    const CandidateList& table(int tableClass, int topKey, int leftKey) const {
        return lists[tableClass * LISTS_PER_TABLE + topKey * KEY_COUNT + leftKey];
    }
};

// Rebuilds all records and lists, every list in a fresh uniformly random order
// drawn from `random`, or with `fresh`, from the copies of a fresh unit (random
// left alone). The layout (which list holds what) never changes.
void buildCandidateTables(CandidateTables& tables, RandomState& random, const FreshStarts* fresh = nullptr);

// The orders of every list at once, as one number: equal for equal orders.
std::uint64_t listOrdersHash(const CandidateTables& tables);

// ---------------------------------------------------------------- search state

struct SearchCell {
    const Slot* position;  // slot of the placed record; the terminator when left empty
    std::uint32_t colours;
    std::uint8_t joinCount;
};

// The board plus one extra cell that shows the border colour on every side: cells
// of row 0 and column 0 read their fixed key 0 from it, so every cell selects its
// list by the same two loads.
inline constexpr int BORDER_SENTINEL = CELL_COUNT;
using WorkBoard = std::array<SearchCell, CELL_COUNT + 1>;
using PeriodBoard = std::array<SearchCell, CELL_COUNT>;

// ---------------------------------------------------------------- statistics

// The counters and Stat.bin itself: core/stat_file.hpp.

// ---------------------------------------------------------------- run control

inline constexpr std::uint32_t TESTS_PER_REPORT = 10'000'000;
inline constexpr int RECORD_SCORE = 430;   // record boards only from this score on
inline constexpr int GATHER_LEVEL = 150;   // periods deeper than this feed the statistics
inline constexpr int RESULT_PERIOD = 5;    // reports per Result.csv and Stat.bin
inline constexpr int STATISTICS_REPORT_PERIOD = 10;  // saves per Stat.txt
inline constexpr int RESET_PERIOD = 1;     // reports per reset

enum class SearchEnd {
    Exhausted,    // cell 0 ran out of candidates
    ReportLimit,  // the caller's number of reports was reached
    Stopped,      // SIGINT, SIGTERM or SIGHUP: files saved (or exitCode 1) at the last report
};

struct ScoreSolver {
    CandidateTables tables;
    RandomState random = 0;
    // Which start states the rebuilds have had, so that none comes round again.
    FreshStarts freshStarts;

    WorkBoard workBoard{};
    // Its cells point into the lists, so it reads right only until the next
    // rebuild; reportedBoard keeps it as it stood at the last report.
    PeriodBoard periodBestBoard{};
    Board16 reportedBoard{};
    // The used-piece set, one byte per oriented piece so that the search tests an
    // entry by its oriented number without reading the record; a piece sets its
    // four bytes with one store. The four bytes after them are never set (END_WORD).
    alignas(4) std::array<std::uint8_t, ORIENTED_COUNT + 4> usedOriented{};

    std::int32_t level = 1;
    std::int32_t score = 0;
    std::int32_t periodLevel = 1;
    std::int32_t periodScore = 0;
    std::int32_t bestLevel = 1;
    std::int32_t bestScore = 0;
    bool resetRequested = false;
    std::uint32_t testCountdown = TESTS_PER_REPORT;

    std::int32_t testsTotal = 0;   // millions
    std::int32_t resetsTotal = 0;
    std::int32_t resultCountdown = RESULT_PERIOD;
    std::int32_t statisticsReportCountdown = STATISTICS_REPORT_PERIOD;
    std::int32_t resetCountdown = RESET_PERIOD;

    // Run limits and the console; the program leaves them at their defaults.
    std::ostream* out = nullptr;
    std::uint32_t testsPerReport = TESTS_PER_REPORT;  // tests may shorten the period
    std::int32_t reportLimit = 0;                     // 0: no limit
    std::int32_t reportsDone = 0;
    bool endRun = false;
    SearchEnd endReason = SearchEnd::Exhausted;
    std::uint64_t cellsLeftEmpty = 0;  // tests that placed nothing (benchmark figure)
    int saveError = 0;  // why the last save of Stat.bin failed; 0 when it worked
    int exitCode = 0;   // 1 when the run ends without its statistics on disk

    std::array<std::uint32_t, STAT_COUNTERS> statistics{};
};

// The search: returns when cell 0's list is exhausted, after the report that
// reaches `reportLimit`, or after the report that saw a stop request. A later call
// starts a fresh run (every report resets the board), so a run split over several
// calls is the same run.
SearchEnd runSearch(ScoreSolver& solver);

// Recounts the board, level, score, used pieces and list ends against what the
// search keeps (checked builds, at the report point).
void checkSearchState(const ScoreSolver& solver);

// Run control.
// The lists of the run's first period, from `seed`, and of every reset after it.
void buildFirstLists(ScoreSolver& solver, RandomState seed);
void rebuildLists(ScoreSolver& solver);
void resetBoard(ScoreSolver& solver);
void reportProgress(ScoreSolver& solver);
void writeResultBoard(const ScoreSolver& solver);
void writeRecordBoard(const ScoreSolver& solver);

// Neighbour statistics.
// Load: usable when Stat.bin was read and passes frequency-solver's checks, or
// does not exist (zero counts); else why not. Save: 0 or the reason.
StatLoad loadStatistics(ScoreSolver& solver);
void gatherStatistics(ScoreSolver& solver);
int saveStatistics(const ScoreSolver& solver);
bool writeStatisticsReport(const ScoreSolver& solver);

// The cells of a search board as board files show them (empty cells as -1).
void toPlacedCells(const SearchCell* board, Board16& out);

// Marks piece p used (1) or free (0) in all four of its rotations.
inline void setPieceUsed(ScoreSolver& s, int piece, std::uint32_t used) {
    const std::uint32_t word = used * 0x01010101u;
    std::memcpy(&s.usedOriented[orientedNumber(piece, 0)], &word, sizeof word);
}
inline bool pieceUsed(const ScoreSolver& s, int piece) { return s.usedOriented[orientedNumber(piece, 0)] != 0; }

// The program from its banner on, in the current directory: banner, load
// Stat.bin, seed, build the lists, reset, search. Priority and signal handlers
// are the caller's. Returns the program's exit code: 0 when the run ended with its
// statistics saved; 1, after one line that says why, when Stat.bin cannot be read
// (nothing is written then) or its last save failed. Without a seed in `limits`
// it takes the local-time seed after loading Stat.bin.
int runScoreSolver(ScoreSolver& solver, std::ostream& out, const RunLimits& limits = {});

}  // namespace zentara::score
