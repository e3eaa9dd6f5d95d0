#include "frequency/search.hpp"

#include <array>
#include <cstdio>

#include "core/board_file.hpp"
#include "core/checks.hpp"
#include "core/console.hpp"

namespace zentara::frequency {

namespace {

enum HintFilter : std::uint8_t { NO_FILTER = 0, ABOVE_HINT = 1, LEFT_OF_HINT = 2 };

// Where a cell takes its candidates: lists[table + u x uStride + w x wStride], with u
// the oriented piece above and w the one to the left. One table row per cell keeps
// the loop free of per-cell code; a switch on the cell kind measured the same
// (both about 1.7 x the baseline backtracker, within the noise of a shared machine).
struct CellRule {
    std::uint32_t table;
    std::uint16_t uStride;
    std::uint8_t wStride;
    std::uint8_t filter;
};

constexpr std::array<CellRule, CELL_COUNT> CELL_RULES = [] {
    std::array<CellRule, CELL_COUNT> rules{};
    for (int cell = 0; cell < CELL_COUNT; ++cell) {
        const bool top = BOARD_16X16.topFacesFrame(cell), left = BOARD_16X16.leftFacesFrame(cell);
        const bool right = BOARD_16X16.rightFacesFrame(cell), bottom = BOARD_16X16.bottomFacesFrame(cell);
        CellRule& r = rules[cell];
        if (top && left) {
            r = {START_LIST, 0, 0, NO_FILTER};
        } else if (top) {
            r = {right ? RIGHT_RIM : RIGHT_OPEN, 0, 1, NO_FILTER};
        } else if (left) {
            r = {bottom ? BELOW_RIM : BELOW_OPEN, 1, 0, NO_FILTER};
        } else {
            const std::uint32_t table = bottom ? (right ? PAIR_CORNER_RIM : PAIR_BOTTOM_RIM)
                                               : (right ? PAIR_RIGHT_RIM : PAIR_OPEN);
            r = {table, EDGE_CODES, 1, NO_FILTER};
        }
    }
    rules[HINT_CELL - BOARD_WIDTH].filter = ABOVE_HINT;
    rules[HINT_CELL - 1].filter = LEFT_OF_HINT;
    return rules;
}();

static_assert(CELL_RULES[0].table == START_LIST && CELL_RULES[15].table == RIGHT_RIM);
static_assert(CELL_RULES[240].table == BELOW_RIM && CELL_RULES[255].table == PAIR_CORNER_RIM);
static_assert(CELL_RULES[31].table == PAIR_RIGHT_RIM && CELL_RULES[241].table == PAIR_BOTTOM_RIM);

}  // namespace

bool resetBoard(const FrequencyTables& tables, SearchState& state, std::ostream& out) {
    if (tables.hintEntry == NO_ENTRY) {
        printTo(out, "Invalid statistic file!\n");
        return false;
    }
    for (std::uint32_t& slot : state.board) slot = NO_ENTRY;
    for (std::uint16_t& number : state.oriented) number = 0;
    for (std::uint64_t& word : state.used) word = 0;
    state.board[HINT_CELL] = tables.hintEntry;
    state.oriented[ORIENTED_PAD + HINT_CELL] = static_cast<std::uint16_t>(entryNumber(tables.pool[tables.hintEntry]));
    state.used[HINT_PIECE / 64] |= 1ull << (HINT_PIECE % 64);
    state.level = 1;
    state.bestLevel = 1;
    state.tests = 0;
    state.placementCountdown = PLACEMENTS_PER_REPORT;
    state.reportCountdown = REPORTS_PER_RESULT_FILE;
    state.placements = 0;
    state.reports = 0;
    return true;
}

void saveBoard(const FrequencyTables& tables, const SearchState& state, bool bestFile) {
    char name[32];
    if (bestFile) {
        if (state.level < FIRST_BEST_FILE_LEVEL) return;
        std::snprintf(name, sizeof name, "Best%03d.csv", state.level);
    } else {
        std::snprintf(name, sizeof name, "Result.csv");
    }
    Board16 cells;
    boardCells(tables, state, cells);
    (void)writeBoardFile(name, cells.data(), LAYOUT_16X16);  // a failure is said on the console there
}

void boardCells(const FrequencyTables& tables, const SearchState& state, Board16& cells) {
    cells = Board16{};
    for (int cell = 0; cell < CELL_COUNT; ++cell) {
        if (state.board[cell] == NO_ENTRY) continue;
        const int number = entryNumber(tables.pool[state.board[cell]]);
        cells[cell] = PlacedCell{static_cast<std::int16_t>(pieceOfOriented(number)),
                                 static_cast<std::uint8_t>(rotationOfOriented(number))};
    }
}

void reportProgress(const FrequencyTables& tables, SearchState& state, std::ostream& out) {
    ZENTARA_RECOUNT(checkSearchState(tables, state));
    state.tests += 10;
    ++state.reports;
    printTo(out, "\rCurrent level: %3d, Best level: %3d, Tests: %lld millions... ", state.level, state.bestLevel,
            static_cast<long long>(state.tests));
    if (--state.reportCountdown == 0) {
        state.reportCountdown = REPORTS_PER_RESULT_FILE;
        saveBoard(tables, state, false);
    }
}

SearchEnd runSearch(const FrequencyTables& tables, SearchState& state, std::ostream& out, int reportLimit) {
    const std::uint32_t* const pool = tables.pool.data();
    const WeightedList* const lists = tables.lists.data();
    std::uint32_t* const board = state.board;
    std::uint16_t* const oriented = state.oriented + ORIENTED_PAD;
    std::uint64_t* const used = state.used;
    const OrientedSet* const hintSets[3] = {nullptr, &tables.aboveHint, &tables.leftOfHint};

    auto firstCandidate = [&](int cell) {
        const CellRule& rule = CELL_RULES[cell];
        return lists[rule.table + oriented[cell - BOARD_WIDTH] * std::uint32_t{rule.uStride} +
                     oriented[cell - 1] * std::uint32_t{rule.wStride}]
            .first;
    };

    // Counters live in locals and go back to the state only around the rare reports.
    std::int32_t level = state.level;
    std::int32_t bestLevel = state.bestLevel;
    std::int32_t countdown = state.placementCountdown;
    const std::int32_t startCountdown = countdown;
    std::int64_t reportedPlacements = 0;
    auto syncState = [&] {
        state.level = level;
        state.bestLevel = bestLevel;
        state.placementCountdown = countdown;
    };

    SearchEnd end = SearchEnd::Exhausted;
    int cell = 0;
    std::uint32_t cursor = firstCandidate(0);
    for (;;) {
        // Step 1. The cell's current entry; the end word means the cell is exhausted.
        const std::uint32_t entry = pool[cursor];
        if (static_cast<std::int32_t>(entry) < 0) {
            if (cell == 0) break;
            // Step 2. Go back one cell (over the hint cell), take its piece off and
            // move that cell's cursor on.
            cell -= 1 + (cell == HINT_CELL + 1);
            cursor = board[cell];
            const unsigned piece = oriented[cell] >> 2u;
            used[piece >> 6] &= ~(1ull << (piece & 63));
            board[cell] = NO_ENTRY;
            --level;
            ++cursor;
            continue;
        }
        // Step 3. The two cells next to the hint take only its recorded neighbours;
        // every cell takes only unused pieces.
        const unsigned number = entry & 0xFFFFu;
        const unsigned piece = number >> 2u;
        const std::uint8_t filter = CELL_RULES[cell].filter;
        if (filter != NO_FILTER && !contains(*hintSets[filter], static_cast<int>(number))) {
            ++cursor;
            continue;
        }
        const std::uint64_t bit = 1ull << (piece & 63);
        if (used[piece >> 6] & bit) {
            ++cursor;
            continue;
        }
        // Step 4. Place it.
        used[piece >> 6] |= bit;
        board[cell] = cursor;
        oriented[cell] = static_cast<std::uint16_t>(number);
        ++level;
        if (level > bestLevel) {
            bestLevel = level;
            syncState();
            saveBoard(tables, state, true);
        }
        if (--countdown == 0) {
            countdown = PLACEMENTS_PER_REPORT;
            reportedPlacements += PLACEMENTS_PER_REPORT;
            syncState();
            reportProgress(tables, state, out);
            if (reportLimit > 0 && state.reports >= reportLimit) {
                end = SearchEnd::Stopped;
                break;
            }
        }
        // Step 5. Full board, or on to the next cell of the order (over the hint cell).
        if (cell == CELL_COUNT - 1) {
            end = SearchEnd::BoardFull;
            break;
        }
        cell += 1 + (cell == HINT_CELL - 1);
        cursor = firstCandidate(cell);
    }
    syncState();
    state.placements += reportedPlacements + (startCountdown - countdown);
    return end;
}

}  // namespace zentara::frequency
