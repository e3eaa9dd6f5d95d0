#include "frequency/frequency_solver.hpp"

#include <cstring>

#include "frequency/hash_tables.hpp"
#include "frequency/statistics.hpp"

namespace zentara::frequency {

int runFrequencySolver(FrequencyEngine& engine, std::ostream& out, const RunLimits& limits) {
    FrequencyTables& tables = engine.tables;
    SearchState& state = engine.search;
    const BoardWriteConsole boardWrites(out);
    if (!loadCheckedStatistics(tables, out)) return 1;
    Random random{limits.seed ? *limits.seed : timeSeedNow()};
    normaliseStatistics(tables);
    if (!buildHashTables(tables, random, out)) return 1;
    if (!resetBoard(tables, state, out)) return 1;
    if (runSearch(tables, state, out, static_cast<int>(limits.reports)) == SearchEnd::Stopped) return 0;
    // The best file is written here only after a full board (level 256).
    const std::uint64_t failuresBefore = boardWriteFailures();
    saveBoard(tables, state, true);
    reportProgress(tables, state, out);
    saveBoard(tables, state, false);
    if (state.level < CELL_COUNT) return 0;  // the tree searched through
    Board16 cells;
    boardCells(tables, state, cells);
    return endWithFullBoard(out, cells.data(), LAYOUT_16X16, failuresBefore);
}

const char* statisticsRefusal(FrequencyEngine& scratch, const std::uint32_t* counts, RandomState seed) {
    FrequencyTables& tables = scratch.tables;
    std::memcpy(tables.statistics.data(), counts, STAT_FILE_BYTES);
    StatFault fault;
    if (!checkStatCounts(counts, fault)) return "Invalid content of Stat.bin file!";
    Random random{seed};
    normaliseStatistics(tables);
    std::ostream quiet(nullptr);
    if (!buildHashTables(tables, random, quiet)) return "Hash buffer overflow!!!";
    if (tables.hintEntry == NO_ENTRY) return "Invalid statistic file!";
    return nullptr;
}

}  // namespace zentara::frequency
