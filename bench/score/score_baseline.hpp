// The score solver's rules written the plain way: a recursive search in reading
// order over colour-keyed vectors with a used array, the same lists in the same
// order (built by the engine's own builder from the same seed), the same join
// counts, leave-empty thresholds, period-best copy and test counting. It visits
// the same tree as the engine, so its bests and last period-best board must
// equal the engine's; it only runs slower. What a competent programmer writes
// first for these rules, and the yardstick of the engine's speed.
#pragma once

#include <cstdint>

#include "core/random.hpp"

namespace zentara::bench {

struct ScoreBaselineResult {
    std::uint64_t tests = 0;
    std::uint64_t placements = 0;
    int bestLevel = 1;
    int bestScore = 0;
    std::uint32_t periodBestChecksum = 0;  // the last period's best board, as the bench sums it
};

// Runs `periods` report periods of `testsPerPeriod` tests each, rebuilding the
// lists from the generator between periods as the engine's reset does.
ScoreBaselineResult runScoreBaseline(RandomState seed, int periods, std::uint32_t testsPerPeriod);

}  // namespace zentara::bench
