// Loading, checking and normalising the neighbour statistics of Stat.bin.
#pragma once

#include <ostream>

#include "frequency/tables.hpp"

namespace zentara::frequency {

// Reads "Stat.bin" from the current directory into tables.statistics and checks it.
// On failure prints the one console line that says why and returns false.
bool loadCheckedStatistics(FrequencyTables& tables, std::ostream& out);

// Partner counts, the two hint neighbour sets, and the symmetric strength of every
// pair of edges (in place of the counts).
void normaliseStatistics(FrequencyTables& tables);

}  // namespace zentara::frequency
