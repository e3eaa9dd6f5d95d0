#include "frequency/hash_tables.hpp"

#include <algorithm>

#include "core/console.hpp"

namespace zentara::frequency {

void insertWeighted(FrequencyTables& tables, std::uint32_t list, int number, std::uint32_t weight,
                    bool countOnly) {
    WeightedList& header = tables.lists[list];
    if (countOnly) {
        ++header.count;
        return;
    }
    std::uint32_t* pool = tables.pool.data();
    std::uint32_t slot = header.first + static_cast<std::uint32_t>(header.count);
    // Step 1. Lighter entries move one slot on, taking the hint entry with them.
    while (slot > header.first && entryWeight(pool[slot - 1]) < weight) {
        pool[slot] = pool[slot - 1];
        if (tables.hintEntry == slot - 1) tables.hintEntry = slot;
        --slot;
    }
    // Step 2. The new entry goes into the freed slot.
    pool[slot] = makeEntry(number, weight);
    ++header.count;
    if (number == HINT_ORIENTED) tables.hintEntry = slot;
}

bool allocateLists(FrequencyTables& tables, std::uint32_t begin, std::uint32_t end) {
    bool fits = true;
    for (std::uint32_t i = begin; i < end; ++i) {
        WeightedList& header = tables.lists[i];
        const std::int64_t need = static_cast<std::int64_t>(header.count) + 1;
        if (fits && tables.slotsTaken + need <= POOL_SLOTS) {
            header.first = static_cast<std::uint32_t>(tables.slotsTaken);
            tables.pool[header.first + static_cast<std::uint32_t>(header.count)] = END_WORD;
        } else {
            // Overflow: keep counting what the lists would need, write nothing more.
            fits = false;
            header.first = 0;
        }
        header.count = 0;
        tables.slotsTaken += need;
    }
    return fits;
}

void buildSingleLists(FrequencyTables& tables, Random& random, bool countOnly) {
    // Step 1. The four corners in rotation 1 (frame sides up and left) on cell 0.
    static constexpr int START_PIECES[4] = {5, 13, 1, 9};
    for (int number : START_PIECES) insertWeighted(tables, START_LIST, number, random.highHalf() & 15, countOnly);

    // Step 2. Every candidate pair (edge i meets edge j) gives one entry below the
    // owner of i (i facing down) and one right of it (i facing right).
    const std::int32_t* strength = tables.statistics.data();
    for (int i = 0; i < EDGE_CODES; ++i) {
        const int u = turnedToFace(i, bottom_first::BOTTOM);
        const int w = turnedToFace(i, bottom_first::RIGHT);
        for (int j = 0; j < EDGE_CODES; ++j) {
            const std::int32_t v = strength[i * EDGE_CODES + j];
            if (v == 0) continue;
            const int below = turnedToFace(j, bottom_first::TOP);
            const int right = turnedToFace(j, bottom_first::LEFT);
            const int opposite = j ^ 2;  // below's bottom edge and right's right edge
            const bool open = tables.partnerCount[opposite] != 0;
            const std::uint32_t v32 = static_cast<std::uint32_t>(v);
            insertWeighted(tables, (open ? BELOW_OPEN : BELOW_RIM) + static_cast<std::uint32_t>(u), below,
                           (v32 + random.highHalf()) % 64, countOnly);
            insertWeighted(tables, (open ? RIGHT_OPEN : RIGHT_RIM) + static_cast<std::uint32_t>(w), right,
                           (v32 + random.highHalf()) % 64, countOnly);
        }
    }
}

void cutLongSingleLists(FrequencyTables& tables) {
    for (std::uint32_t i = BELOW_OPEN; i < SINGLE_TABLES_END; ++i) {
        WeightedList& header = tables.lists[i];
        if (header.count <= CUT_THRESHOLD) continue;
        std::int32_t keep = header.count * 3 / 4;
        // The board refers to the hint entry for the whole run: never overwrite it.
        if (header.first + static_cast<std::uint32_t>(keep) == tables.hintEntry) --keep;
        tables.pool[header.first + static_cast<std::uint32_t>(keep)] = END_WORD;
        header.count = keep;
    }
}

namespace {

// For every oriented piece, the lists of one single table that hold it, with its
// weight there, in increasing list order. Single-list weights are below 64, so list
// index and weight share 16 bits.
void indexHolders(FrequencyTables& tables, std::uint32_t table) {
    auto& start = tables.holderStart;
    start.fill(0);
    const std::uint32_t* pool = tables.pool.data();
    for (int w = 0; w < EDGE_CODES; ++w) {
        const WeightedList& list = tables.lists[table + static_cast<std::uint32_t>(w)];
        for (std::int32_t k = 0; k < list.count; ++k) ++start[entryNumber(pool[list.first + k]) + 1];
    }
    for (int n = 0; n < ORIENTED_COUNT; ++n) start[n + 1] += start[n];
    std::copy(start.begin(), start.begin() + ORIENTED_COUNT, tables.holderFill.begin());
    for (int w = 0; w < EDGE_CODES; ++w) {
        const WeightedList& list = tables.lists[table + static_cast<std::uint32_t>(w)];
        for (std::int32_t k = 0; k < list.count; ++k) {
            const std::uint32_t entry = pool[list.first + k];
            tables.holders[tables.holderFill[entryNumber(entry)]++] =
                static_cast<std::uint16_t>(w | entryWeight(entry) << 10);
        }
    }
}

// pairTable[u][w] lists the pieces of below[u] that also stand in right[w], in the
// order of below[u]. Walking below[u] and, for each piece, only the right lists that
// hold it makes the work proportional to the entries produced, instead of comparing
// every pair of lists entry by entry (billions of comparisons on a well-filled file).
void buildPairTable(FrequencyTables& tables, std::uint32_t pairTable, std::uint32_t below, std::uint32_t right,
                    bool countOnly) {
    indexHolders(tables, right);
    for (int u = 0; u < EDGE_CODES; ++u) {
        const WeightedList& a = tables.lists[below + static_cast<std::uint32_t>(u)];
        for (std::int32_t k = 0; k < a.count; ++k) {
            const std::uint32_t entry = tables.pool[a.first + k];
            const int number = entryNumber(entry);
            const std::uint32_t weightA = entryWeight(entry);
            for (std::uint32_t h = tables.holderStart[number]; h < tables.holderStart[number + 1]; ++h) {
                const int w = tables.holders[h] & 1023;
                const std::uint32_t weightB = tables.holders[h] >> 10;
                const std::uint32_t weight = std::min<std::uint32_t>(weightA * weightB / 1000, 65535);
                insertWeighted(tables, pairList(pairTable, u, w), number, weight, countOnly);
            }
        }
    }
}

}  // namespace

void buildPairTables(FrequencyTables& tables, bool countOnly) {
    buildPairTable(tables, PAIR_OPEN, BELOW_OPEN, RIGHT_OPEN, countOnly);
    buildPairTable(tables, PAIR_BOTTOM_RIM, BELOW_RIM, RIGHT_OPEN, countOnly);
    buildPairTable(tables, PAIR_RIGHT_RIM, BELOW_OPEN, RIGHT_RIM, countOnly);
    buildPairTable(tables, PAIR_CORNER_RIM, BELOW_RIM, RIGHT_RIM, countOnly);
}

bool buildHashTables(FrequencyTables& tables, Random& random, std::ostream& out) {
    printTo(out, "Generating hash tables...");
    for (WeightedList& list : tables.lists) list = WeightedList{};
    tables.slotsTaken = 0;
    tables.hintEntry = NO_ENTRY;

    buildSingleLists(tables, random, true);
    bool fits = allocateLists(tables, START_LIST, SINGLE_TABLES_END);
    if (fits) {
        buildSingleLists(tables, random, false);
        cutLongSingleLists(tables);
        buildPairTables(tables, true);
        fits = allocateLists(tables, PAIR_OPEN, LIST_COUNT);
        if (fits) buildPairTables(tables, false);
    }

    printTo(out, "\rHash buffer size: %lld\n", static_cast<long long>(tables.slotsTaken));
    if (!fits) {
        printTo(out, "Hash buffer overflow!!!\n");
        return false;
    }

    // Lists of pairOpen by length: 1 to 6, and 7 or more.
    int lengths[8] = {};
    for (std::uint32_t i = PAIR_OPEN; i < PAIR_OPEN + PAIR_LISTS; ++i) ++lengths[std::min(tables.lists[i].count, 7)];
    printTo(out, "Neighbor statistic 1:%d,2:%d,3:%d,4:%d,5:%d,6:%d,7>:%d\n", lengths[1], lengths[2], lengths[3],
            lengths[4], lengths[5], lengths[6], lengths[7]);
    return true;
}

}  // namespace zentara::frequency
