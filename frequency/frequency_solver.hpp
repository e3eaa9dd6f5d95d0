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

}  // namespace zentara::frequency
