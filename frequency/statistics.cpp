#include "frequency/statistics.hpp"

#include <algorithm>
#include <bit>
#include <cstdio>

#include "core/console.hpp"

namespace zentara::frequency {

// Stat.bin keeps its counters little-endian; we read them as they lie.
static_assert(std::endian::native == std::endian::little, "Stat.bin is read without byte swapping");

bool loadCheckedStatistics(FrequencyTables& tables, std::ostream& out) {
    std::int32_t* counts = tables.statistics.data();
    std::FILE* file = std::fopen("Stat.bin", "rb");
    if (file == nullptr) {
        printTo(out, "Cannot find Stat.bin file!\n");
        return false;
    }
    const std::size_t bytesRead = std::fread(counts, 1, STAT_FILE_BYTES, file);
    std::fclose(file);
    if (bytesRead < STAT_FILE_BYTES) {
        printTo(out, "Invalid size of Stat.bin file!\n");
        return false;
    }
    for (int i = 0; i < EDGE_CODES; ++i) {
        for (int j = 0; j < EDGE_CODES; ++j) {
            const std::int32_t value = counts[i * EDGE_CODES + j];
            // A negative count reads as a huge unsigned one and fails the same test.
            if (static_cast<std::uint32_t>(value) > MAX_STAT_COUNT || value != counts[j * EDGE_CODES + i]) {
                printTo(out, "Invalid content of Stat.bin file!\n");
                return false;
            }
        }
    }
    return true;
}

void normaliseStatistics(FrequencyTables& tables) {
    std::int32_t* s = tables.statistics.data();
    tables.aboveHint.fill(0);
    tables.leftOfHint.fill(0);

    // Step 1. Per row: partners, hint neighbours, provisional strength in per mille of
    // the row's mean positive count (64-bit: count x partners x 1000 reaches 10^13).
    for (int i = 0; i < EDGE_CODES; ++i) {
        std::int32_t* row = s + i * EDGE_CODES;
        std::int32_t partners = 0;
        std::int64_t sum = 0;
        for (int j = 0; j < EDGE_CODES; ++j) {
            if (row[j] <= 0) continue;
            ++partners;
            sum += row[j];
            if (i == HINT_LEFT_EDGE) insert(tables.leftOfHint, turnedToFace(j, bottom_first::RIGHT));
            if (i == HINT_TOP_EDGE) insert(tables.aboveHint, turnedToFace(j, bottom_first::BOTTOM));
        }
        tables.partnerCount[i] = partners;
        if (sum == 0) continue;
        for (int j = 0; j < EDGE_CODES; ++j) {
            const std::int64_t strength = static_cast<std::int64_t>(row[j]) * partners * 1000 / sum;
            row[j] = static_cast<std::int32_t>(std::min<std::int64_t>(strength, 65535));
        }
    }

    // Step 2. A pair is as strong as the stronger of its two sides.
    for (int i = 0; i < EDGE_CODES; ++i) {
        for (int j = i + 1; j < EDGE_CODES; ++j) {
            std::int32_t& a = s[i * EDGE_CODES + j];
            std::int32_t& b = s[j * EDGE_CODES + i];
            a = b = std::max(a, b);
        }
    }
}

}  // namespace zentara::frequency
