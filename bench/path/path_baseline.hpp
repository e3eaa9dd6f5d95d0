// The seeded path solver's rules written the plain way: a recursive search along
// the same path over the same lists (class and neighbour-colour key), a used
// array, placements counted and first visits, statuses and board files handled
// as the engine does. It visits the same tree, so its maximum level and board
// must equal the engine's; it only runs slower. The yardstick of the engine's speed.
#pragma once

#include <cstdint>

#include "path/candidate_lists.hpp"
#include "path/path_cells.hpp"

namespace zentara::bench {

struct PathBaselineResult {
    std::uint64_t placements = 0;
    int maxLevel = 1;
    std::uint32_t checksum = 0;  // the placed cells as the bench sums them
};

// Searches the lists as they stand along the path of `cells` (set up, nothing
// placed) until `statusLimit` statuses, `bestLevel` being the first level whose
// boards are written.
PathBaselineResult runPathBaseline(const path::CandidateLists& lists, const path::PathCells& cells, long statusLimit,
                                   int bestLevel);

}  // namespace zentara::bench
