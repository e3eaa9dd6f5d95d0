// The frequency solver's run: load and check Stat.bin, seed, normalise, build the
// hash tables, search once through the tree, write the final files.
#pragma once

#include <ostream>

#include "core/random.hpp"
#include "core/run_limits.hpp"
#include "frequency/search.hpp"
#include "frequency/tables.hpp"

namespace zentara::frequency {

// About 80 MB: the program keeps one in static storage, tests make their own on the heap.
struct FrequencyEngine {
    FrequencyTables tables;
    SearchState search;
};

// Runs in the current directory and returns the exit code: 0 after the search, 1 on
// a missing or invalid Stat.bin or an overflowing entry pool. Without a seed in
// `limits` it takes the time seed after Stat.bin has loaded; a report limit ends
// the run without the final files.
int runFrequencySolver(FrequencyEngine& engine, std::ostream& out, const RunLimits& limits = {});

// Whether frequency-solver would run on `counts` (STAT_COUNTERS of them) as its
// Stat.bin: the content checks, then the tables built as the program builds them,
// in `scratch`. Returns nullptr when it would, else the program's own message
// ("Invalid content of Stat.bin file!", "Hash buffer overflow!!!", "Invalid
// statistic file!"). The build draws its list weights from `seed`; a run's own
// draws can move the pool's size by a little (the cut of the long lists keeps the
// heavier entries), so a table right at the pool's limit may fare otherwise.
const char* statisticsRefusal(FrequencyEngine& scratch, const std::uint32_t* counts, RandomState seed = 1);

}  // namespace zentara::frequency
