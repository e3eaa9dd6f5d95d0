// The plain baseline every fast search is measured against: a recursive
// depth-first backtracker in reading order over candidate lists keyed by the top
// and left colour, with a used-piece bit set. What a competent programmer writes
// first; kept deliberately simple.
#pragma once

#include <cstdint>

#include "core/random.hpp"

namespace zentara::bench {

struct BaselineResult {
    std::uint64_t placements = 0;
    int bestDepth = 0;              // cells filled in reading order, the hint cell included
    std::uint32_t bestChecksum = 0; // FNV-1a over the oriented-piece numbers of the best board
    double seconds = 0;             // processor time of the search
};

// Runs until `placementLimit` placements (or the board is full). The lists are
// shuffled once from `seed` so that different seeds search different trees.
BaselineResult runBaseline(std::uint64_t placementLimit, RandomState seed);

}  // namespace zentara::bench
