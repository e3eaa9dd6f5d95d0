// Merged neighbour statistics: several Stat.bin files added into one, so that
// many score-solver instances can feed one frequency-solver.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace zentara {

inline constexpr int STAT_EDGE_CODES = 1024;
inline constexpr std::size_t STAT_COUNTERS = 1024u * 1024u;
inline constexpr std::size_t STAT_FILE_BYTES = 4 * STAT_COUNTERS;  // 4,194,304
// The largest count the frequency solver accepts; merged counts stop there.
inline constexpr std::uint32_t STAT_COUNT_LIMIT = 10'000'000;

// Counter [i][j] at index i * 1024 + j, as the file holds them (little-endian).
using StatTable = std::vector<std::uint32_t>;

// Checks a file's bytes exactly as the frequency solver does when it loads
// Stat.bin: at least 4,194,304 bytes (only those are used), every count at most
// 10,000,000 taken as unsigned, and [i][j] equal to [j][i], cells checked row by
// row. On success fills `table`; otherwise `reason` names the first fault.
bool checkStatBytes(std::string_view bytes, StatTable& table, std::string& reason);

// Reads and checks one file; `reason` also covers a file that cannot be read.
bool loadStatFile(const std::string& path, StatTable& table, std::string& reason);

// total += add, each count stopping at STAT_COUNT_LIMIT. Both tables symmetric
// give a symmetric sum, since [i][j] and [j][i] see the same additions.
void addSaturating(StatTable& total, const StatTable& add);

// The 4,194,304 bytes of a table.
std::string statBytes(const StatTable& table);

// The stat-merge program: stat-merge OUT IN...
// Exit 0 when OUT was written, 1 when an input was refused or OUT could not be
// written (OUT is then untouched), 2 for a usage error.
int runStatMerge(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace zentara
