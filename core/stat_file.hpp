// Stat.bin: the neighbour statistics that score-solver gathers and
// frequency-solver builds its lists from. One home for its size and layout, its
// reading and writing, the checks a table must pass to be used, and the merge.
//
// Layout: 1024 x 1024 counters of 32 bits, little-endian, no header; counter
// [i][j] at index i * 1024 + j, where an edge code is 4 x piece index + table
// edge (bottom-first). Counts are symmetric: each seam adds to [i][j] and [j][i].
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

#include "core/user_file.hpp"

namespace zentara {

static_assert(std::endian::native == std::endian::little, "Stat.bin is read and written without byte swapping");

inline constexpr char STAT_FILE_NAME[] = "Stat.bin";
inline constexpr int STAT_EDGE_CODES = 1024;
inline constexpr int STAT_COUNTERS = STAT_EDGE_CODES * STAT_EDGE_CODES;
inline constexpr std::size_t STAT_FILE_BYTES = 4'194'304;
static_assert(STAT_FILE_BYTES == sizeof(std::uint32_t) * STAT_COUNTERS);
// The largest count frequency-solver accepts; gathering and merging stop there.
inline constexpr std::uint32_t STAT_COUNT_LIMIT = 10'000'000;

constexpr int statIndex(int pieceA, int edgeA, int pieceB, int edgeB) {
    return ((pieceA * 4 + edgeA) * 256 + pieceB) * 4 + edgeB;
}

// Reads the first STAT_FILE_BYTES of `path` into `counters` (STAT_COUNTERS of
// them); what a shorter file does not cover is 0, bytes beyond are not read.
// A FIFO, device or directory is refused at once (NOT_REGULAR_FILE).
FileRead readStatFile(const char* path, std::uint32_t* counters);

// The content checks, in frequency-solver's order: row by row, the first cell
// whose count is above the limit or differs from its mirror [j][i].
struct StatFault {
    int row = -1;  // -1: none
    int column = -1;
    std::uint32_t value = 0;
    std::uint32_t mirror = 0;
};
bool checkStatCounts(const std::uint32_t* counters, StatFault& fault);
// "count 10000001 at [3][7] is above 10000000", "count 5 at [3][7] but 4 at [7][3]".
void describeStatFault(const StatFault& fault, char* text, std::size_t size);

// Whether every counted seam joins two edges of one colour, as every seam that
// the search counts on these pieces does. A count on edges of two colours comes
// from another piece set (whose edge codes name other sides): row by row, the
// first such cell.
bool checkStatSeams(const std::uint32_t* counters, StatFault& fault);

// The one rule for using a Stat.bin, frequency-solver's: it is read whole (exactly
// STAT_FILE_BYTES long: a longer file is no table either), its counts pass
// checkStatCounts and its seams checkStatSeams. Every program that takes in
// counts applies it, so that none adds to a file that frequency-solver would
// refuse from then on, nor to the counts of another piece set.
enum class StatRefusal { None, Missing, Unreadable, Size, Content, Foreign };
struct StatLoad {
    StatRefusal refusal = StatRefusal::None;
    FileRead read;
    StatFault fault;

    bool usable() const { return refusal == StatRefusal::None; }
};
StatLoad loadStatFile(const char* path, std::uint32_t* counters);
// One line without line end: "cannot read: Permission denied", "invalid size:
// 2097152 bytes, a statistics file holds 4194304", "invalid content: count ...",
// "belongs to another piece set: count 3 at [12][517] joins two edges of
// different colours".
void describeStatLoad(const StatLoad& load, char* text, std::size_t size);

// total += add, each count stopping at STAT_COUNT_LIMIT; two symmetric tables
// give a symmetric sum. Returns how many counts of the sum stand at the limit.
int addStatCounts(std::uint32_t* total, const std::uint32_t* add);

// Writes the table over `path` through the one writer, flushed to the disk: the
// file is then exactly the table. Returns 0 or the reason.
int saveStatFile(const char* path, const std::uint32_t* counters);

}  // namespace zentara
