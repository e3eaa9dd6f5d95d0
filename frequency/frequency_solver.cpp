#include "frequency/frequency_solver.hpp"

#include "frequency/hash_tables.hpp"
#include "frequency/statistics.hpp"

namespace zentara::frequency {

int runFrequencySolver(FrequencyEngine& engine, std::ostream& out, const RunOptions& options) {
    FrequencyTables& tables = engine.tables;
    SearchState& state = engine.search;
    if (!loadCheckedStatistics(tables, out)) return 1;
    Random random{options.seed ? *options.seed : timeSeedNow()};
    normaliseStatistics(tables);
    if (!buildHashTables(tables, random, out)) return 1;
    if (!resetBoard(tables, state, out)) return 1;
    if (runSearch(tables, state, out, options.reportLimit) == SearchEnd::Stopped) return 0;
    // The best file is written here only after a full board (level 256).
    saveBoard(tables, state, true);
    reportProgress(tables, state, out);
    saveBoard(tables, state, false);
    return 0;
}

}  // namespace zentara::frequency
