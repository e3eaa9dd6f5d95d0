// The floor brute-bench measures the search against: the engine's own sequence
// of placements replayed with only what no search of these chains can avoid per
// placement. Per placement the replay loads the entry from its chain, takes the
// next cell's key from the entry's right colour and loads that cell's head: the
// engine's chain of dependent loads. Then one branch, known only once the head is
// loaded (the step's bit is salted with the head's), says whether the next
// placement is on that cell or, after a dead end, back on a cell nearer the
// start: the one unpredictable dead end per placement. It does not walk over
// used pieces, keep a used set, copy colours, count or report.
#pragma once

#include <cstdint>
#include <vector>

#include "brute/brute_solver.hpp"

namespace zentara::bench {

// One placement of the sequence, packed: the position of its cell (8 bits), the
// place of the entry in its chain (9 bits), the next cell's head index without
// the left colour (13 bits), whether the left colour counts there (1 bit), and
// whether this placement follows a dead end, xor the lowest bit of the first
// entry of the head loaded before it (1 bit).
using FloorStep = std::uint32_t;

struct FloorTrace {
    std::vector<FloorStep> steps;
    // For each step, the entries the walk passed over (pieces in use) since the
    // placement before, at most 255: what the floor with the walk replays. From
    // the deep position on, only those the search's deep chains keep.
    std::vector<std::uint8_t> passed;
    std::uint16_t start = 0;     // the first entry of cell 0's chain
    std::uint32_t checksum = 0;  // the board after the last step, as the bench signs it
};

// Walks the solver's flat chains (as the last runSearch left them) as the engine
// does, from an empty board, for `placements` placements, and keeps each. No
// steps when a chain is too long to pack.
FloorTrace recordFloorTrace(const brute::BruteSolver& solver, std::uint64_t placements);

// Replays the steps; returns the checksum of the board after the last one.
std::uint32_t replayFloor(const brute::BruteSolver& solver, const FloorTrace& trace);

// The same with the walk over entries of pieces in use put back: before each
// step, a loop over as many entries as the search passed, loading each entry's
// piece and that piece's used byte, one branch an entry as in the search. Not a
// floor: it shows how much of the gap to the floor that walk explains.
std::uint32_t replayFloorWithWalk(const brute::BruteSolver& solver, const FloorTrace& trace);

}  // namespace zentara::bench
