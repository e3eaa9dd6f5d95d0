#include "frequency/statistics.hpp"

#include <algorithm>

#include "core/console.hpp"

namespace zentara::frequency {

bool loadCheckedStatistics(FrequencyTables& tables, std::ostream& out) {
    std::uint32_t* counts = reinterpret_cast<std::uint32_t*>(tables.statistics.data());
    // Not there, not readable, or not a regular file (a FIFO is refused at once).
    const StatLoad load = loadStatFile(STAT_FILE_NAME, counts);
    switch (load.refusal) {
        case StatRefusal::None: break;
        case StatRefusal::Missing:
        case StatRefusal::Unreadable: printTo(out, "Cannot find Stat.bin file!\n"); return false;
        case StatRefusal::Size: printTo(out, "Invalid size of Stat.bin file!\n"); return false;
        case StatRefusal::Content: printTo(out, "Invalid content of Stat.bin file!\n"); return false;
        case StatRefusal::Foreign: {
            char reason[200];
            describeStatLoad(load, reason, sizeof reason);
            printTo(out, "%s %s\n", STAT_FILE_NAME, reason);
            return false;
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
