// The frequency solver's run: load and check Stat.bin, seed, normalise, build the
// hash tables, search once through the tree, write the final files.
#pragma once

#include <optional>
#include <ostream>

#include "core/random.hpp"
#include "frequency/search.hpp"
#include "frequency/tables.hpp"

namespace zentara::frequency {

// About 80 MB: the program keeps one in static storage, tests make their own on the heap.
struct FrequencyEngine {
    FrequencyTables tables;
    SearchState search;
};

struct RunOptions {
    std::optional<RandomState> seed;  // none: the time seed, taken after Stat.bin has loaded
    int reportLimit = 0;              // > 0: stop after that many progress reports (no final files)
};

// Runs in the current directory and returns the exit code: 0 after the search, 1 on
// a missing or invalid Stat.bin or an overflowing entry pool.
int runFrequencySolver(FrequencyEngine& engine, std::ostream& out, const RunOptions& options = {});

// Whether frequency-solver would run on `counts` (STAT_COUNTERS of them) as its
// Stat.bin: the content checks, then the tables built as the program builds them,
// in `scratch`. Returns nullptr when it would, else the program's own message
// ("Invalid content of Stat.bin file!", "Hash buffer overflow!!!", "Invalid
// statistic file!"). The build draws its list weights from `seed`; a run's own
// draws can move the pool's size by a little (the cut of the long lists keeps the
// heavier entries), so a table right at the pool's limit may fare otherwise.
const char* statisticsRefusal(FrequencyEngine& scratch, const std::uint32_t* counts, RandomState seed = 1);

}  // namespace zentara::frequency
