// The two path solvers' rules written the plain way: a recursive search along
// the same path over the same lists (class and neighbour-colour key), a used
// array, and only the bookkeeping of the solver it stands for: the seeded path
// solver's placements, first visits, statuses and board files; the random-restart
// solver's budget of backtracking steps, run level and board files. Each visits
// the same tree as its engine, so its maximum level and board must equal the
// engine's; it only runs slower. The yardsticks of the engines' speed.
#pragma once

#include <cstdint>

#include "path/candidate_lists.hpp"
#include "path/path_cells.hpp"

namespace zentara::bench {

struct PathBaselineResult {
    std::uint64_t placements = 0;
    std::uint64_t backtrackSteps = 0;
    int maxLevel = 1;
    std::uint32_t checksum = 0;  // the placed cells as the bench sums them
};

// The seeded path solver's rules: searches the lists as they stand along the path
// of `cells` (set up, nothing placed) until `statusLimit` statuses, `bestLevel`
// being the first level whose boards are written.
PathBaselineResult runPathBaseline(const path::CandidateLists& lists, const path::PathCells& cells, long statusLimit,
                                   int bestLevel);

// The random-restart solver's rules: one run from an empty board until `budget`
// backtracking steps are spent (or the tree ends), boards written from `bestLevel`.
PathBaselineResult runRandomBaseline(const path::CandidateLists& lists, const path::PathCells& cells,
                                     std::uint32_t budget, int bestLevel);

}  // namespace zentara::bench
