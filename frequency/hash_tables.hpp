// The weighted candidate lists: single lists keyed by one neighbour, pair tables
// keyed by both, all counted first, then placed in the entry pool, then filled.
#pragma once

#include <ostream>

#include "core/random.hpp"
#include "frequency/tables.hpp"

namespace zentara::frequency {

// The one insertion routine of every build. Counting only bumps the count; filling
// keeps the list ordered by weight, highest first, equal weights in insertion order,
// and keeps tables.hintEntry on the slot that holds the last inserted 554.
void insertWeighted(FrequencyTables& tables, std::uint32_t list, int number, std::uint32_t weight,
                    bool countOnly);

// Places the lists [begin, end) one after the other from the next free pool slot:
// count + 1 slots each, the last holding END_WORD, counts reset to 0. Returns false
// (writing nothing past the pool) when the pool cannot hold them; slotsTaken still
// grows by what they need.
bool allocateLists(FrequencyTables& tables, std::uint32_t begin, std::uint32_t end);

// The start list and the four single tables from the strengths; draws weights from `random`.
void buildSingleLists(FrequencyTables& tables, Random& random, bool countOnly);

// Cuts every single list longer than CUT_THRESHOLD to three quarters of its entries,
// never writing its end word over the hint entry.
void cutLongSingleLists(FrequencyTables& tables);

// The four pair tables as intersections of a below list and a right list.
void buildPairTables(FrequencyTables& tables, bool countOnly);

// Everything above in order, with the console report. Returns false after printing
// "Hash buffer overflow!!!" when the pool is too small.
bool buildHashTables(FrequencyTables& tables, Random& random, std::ostream& out);

}  // namespace zentara::frequency
