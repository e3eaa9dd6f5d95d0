// Merged neighbour statistics: several Stat.bin files added into one, so that
// many score-solver instances can feed one frequency-solver.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "core/stat_file.hpp"

namespace zentara {

// STAT_COUNTERS counters, [i][j] at index i * 1024 + j, as the file holds them.
using StatTable = std::vector<std::uint32_t>;

// Reads one file and checks it as frequency-solver checks its Stat.bin: readable
// regular file, at least 4,194,304 bytes (only those are used), every count at
// most 10,000,000 and [i][j] equal to [j][i]. On failure `reason` names the first
// fault. (Whether frequency-solver could build its tables from it is a separate,
// slower check, done by runStatMerge.)
bool loadStatFile(const std::string& path, StatTable& table, std::string& reason);

// The 4,194,304 bytes of a table.
std::string statBytes(const StatTable& table);

// The stat-merge program: stat-merge OUT IN...
// Exit 0 when OUT was written, 1 when an input was refused or OUT could not or
// should not be written (OUT is then untouched), 2 for a usage error.
int runStatMerge(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace zentara
