// The weighted lists: insertion order, the cut of long lists, the pair tables as
// intersections, the hint entry, the pool limit and repeatability from a seed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <sstream>
#include <vector>

#include "frequency/hash_tables.hpp"
#include "frequency/statistics.hpp"
#include "tests/frequency/solver_run.hpp"
#include "core/stat_builder.hpp"
#include "tests/support/temp_dir.hpp"

using namespace zentara;
using namespace zentara::frequency;
using zentara::testing::makeEngine;
using zentara::StatCounts;

namespace {

class FrequencyTablesTest : public zentara::testing::TempDirTest {};

struct Listed {
    int number;
    std::uint32_t weight;
    friend bool operator==(const Listed&, const Listed&) = default;
};

std::vector<Listed> entriesOf(const FrequencyTables& t, std::uint32_t list) {
    std::vector<Listed> out;
    const WeightedList& header = t.lists[list];
    for (std::int32_t k = 0; k < header.count; ++k) {
        const std::uint32_t e = t.pool[header.first + k];
        out.push_back({entryNumber(e), entryWeight(e)});
    }
    return out;
}

// Builds from counts as loaded: from the Stat.bin in the current directory, or
// (`counts`) from pairs that need not be seams of these pieces.
void build(FrequencyTables& t, RandomState seed, std::string* console = nullptr, const StatCounts* counts = nullptr) {
    std::ostringstream out;
    if (counts != nullptr) std::memcpy(t.statistics.data(), counts->counts.data(), STAT_FILE_BYTES);
    else ASSERT_TRUE(loadCheckedStatistics(t, out));
    Random random{seed};
    normaliseStatistics(t);
    ASSERT_TRUE(buildHashTables(t, random, out));
    if (console) *console = out.str();
}

// The planted seams plus enough random boards that some edges meet more than 10
// partners, so that some lists are cut.
StatCounts richStatistics(RandomState seed) {
    return zentara::plantedWithRandomBoards(
        zentara::readBoard16(zentara::testing::sourcePath("data/solution_16x16.csv").string()), 20, 14, seed);
}

}  // namespace

TEST_F(FrequencyTablesTest, InsertKeepsWeightOrderAndTheCutSparesTheHint) {
    auto engine = makeEngine();
    FrequencyTables& t = engine->tables;
    t.hintEntry = NO_ENTRY;
    const std::uint32_t withHint = BELOW_OPEN + 7, eleven = RIGHT_RIM + 3, ten = BELOW_RIM + 9, twelve = RIGHT_OPEN;
    const std::vector<Listed> hintList = {{HINT_ORIENTED, 12}, {200, 10}, {201, 20}, {202, 12}, {203, 19}, {204, 18},
                                          {205, 17},           {206, 16}, {207, 15}, {208, 14}, {209, 13}};
    for (std::size_t k = 0; k < hintList.size(); ++k) insertWeighted(t, withHint, 0, 0, true);
    for (int k = 0; k < 11; ++k) insertWeighted(t, eleven, 0, 0, true);
    for (int k = 0; k < 10; ++k) insertWeighted(t, ten, 0, 0, true);
    for (int k = 0; k < 12; ++k) insertWeighted(t, twelve, 0, 0, true);
    ASSERT_TRUE(allocateLists(t, START_LIST, SINGLE_TABLES_END));
    EXPECT_EQ(t.slotsTaken, 12 + 12 + 11 + 13 + (SINGLE_TABLES_END - 4));

    for (const Listed& e : hintList) {
        insertWeighted(t, withHint, e.number, e.weight, false);
        ASSERT_NE(t.hintEntry, NO_ENTRY);
        ASSERT_EQ(entryNumber(t.pool[t.hintEntry]), HINT_ORIENTED);  // the hint entry moves with its entry
    }
    for (int k = 0; k < 11; ++k) insertWeighted(t, eleven, 300 + k, static_cast<std::uint32_t>(k % 3), false);
    for (int k = 0; k < 10; ++k) insertWeighted(t, ten, 400 + k, static_cast<std::uint32_t>(k), false);
    for (int k = 0; k < 12; ++k) insertWeighted(t, twelve, 500 + k, 7, false);

    // Highest weight first; of equal weights, the earlier insertion first.
    const std::vector<Listed> sorted = {{201, 20}, {203, 19}, {204, 18}, {205, 17}, {206, 16}, {207, 15},
                                        {208, 14}, {209, 13}, {HINT_ORIENTED, 12}, {202, 12}, {200, 10}};
    EXPECT_EQ(entriesOf(t, withHint), sorted);
    const std::uint32_t hintSlot = t.lists[withHint].first + 8;
    EXPECT_EQ(t.hintEntry, hintSlot);
    EXPECT_EQ(entriesOf(t, eleven)[0], (Listed{302, 2}));
    EXPECT_EQ(entriesOf(t, eleven)[3], (Listed{301, 1}));

    cutLongSingleLists(t);
    // 11 keep 8 - but the end word would land on the hint entry, so 7.
    EXPECT_EQ(t.lists[withHint].count, 7);
    EXPECT_EQ(t.pool[t.lists[withHint].first + 7], END_WORD);
    EXPECT_EQ(t.hintEntry, hintSlot);
    EXPECT_EQ(t.pool[hintSlot], makeEntry(HINT_ORIENTED, 12));
    EXPECT_EQ(t.lists[eleven].count, 8);
    EXPECT_EQ(t.pool[t.lists[eleven].first + 8], END_WORD);
    EXPECT_EQ(t.lists[ten].count, 10);
    EXPECT_EQ(t.pool[t.lists[ten].first + 10], END_WORD);
    EXPECT_EQ(t.lists[twelve].count, 9);
    EXPECT_EQ(t.pool[t.lists[twelve].first + 9], END_WORD);
    EXPECT_EQ(entriesOf(t, twelve).back(), (Listed{508, 7}));
}

TEST_F(FrequencyTablesTest, BuildCutsLongListsToTheirHeaviestEntries) {
    StatCounts stat;
    // Edge 0 of pieces 100, 101 and 102 meets 11, 10 and 12 partners; the partners'
    // opposite edges are never seen, so all of them stand in the rim lists.
    const int partners[3] = {11, 10, 12};
    for (int p = 0; p < 3; ++p)
        for (int k = 0; k < partners[p]; ++k) stat.addPair(4 * (100 + p), 4 * (150 + 20 * p + k) + 1, 1 + k);
    auto engine = makeEngine();
    FrequencyTables& t = engine->tables;
    build(t, 99, nullptr, &stat);

    const int kept[3] = {8, 10, 9};
    for (int p = 0; p < 3; ++p) {
        const int edge = 4 * (100 + p);
        for (std::uint32_t list : {BELOW_RIM + static_cast<std::uint32_t>(turnedToFace(edge, bottom_first::BOTTOM)),
                                   RIGHT_RIM + static_cast<std::uint32_t>(turnedToFace(edge, bottom_first::RIGHT))}) {
            SCOPED_TRACE(list);
            const WeightedList& header = t.lists[list];
            ASSERT_EQ(header.count, kept[p]);
            EXPECT_EQ(t.pool[header.first + header.count], END_WORD);
            const auto entries = entriesOf(t, list);
            EXPECT_TRUE(std::is_sorted(entries.begin(), entries.end(),
                                       [](const Listed& a, const Listed& b) { return a.weight > b.weight; }));
            // The dropped quarter (still in its slots, after the end word) weighs no more.
            for (int k = kept[p] + 1; k < partners[p]; ++k)
                EXPECT_LE(entryWeight(t.pool[header.first + k]), entries.back().weight);
        }
    }
}

TEST_F(FrequencyTablesTest, PairTablesAreTheIntersectionsInBelowListOrder) {
    richStatistics(4242).writeStatBin();
    auto engine = makeEngine();
    FrequencyTables& t = engine->tables;
    std::string console;
    build(t, 2026, &console);

    // The start list: the four corners in rotation 1, heaviest first, ties in the order 5, 13, 1, 9.
    const auto start = entriesOf(t, START_LIST);
    ASSERT_EQ(start.size(), 4u);
    auto rank = [](int n) { return n == 5 ? 0 : n == 13 ? 1 : n == 1 ? 2 : n == 9 ? 3 : 99; };
    for (std::size_t k = 0; k < 4; ++k) EXPECT_LT(rank(start[k].number), 4);
    for (std::size_t k = 1; k < 4; ++k)
        EXPECT_TRUE(start[k - 1].weight > start[k].weight ||
                    (start[k - 1].weight == start[k].weight && rank(start[k - 1].number) < rank(start[k].number)));

    // Every pair list, rebuilt by comparing the two single lists entry by entry.
    struct PairTable {
        std::uint32_t table, below, right;
    };
    const PairTable order[4] = {{PAIR_OPEN, BELOW_OPEN, RIGHT_OPEN},
                                {PAIR_BOTTOM_RIM, BELOW_RIM, RIGHT_OPEN},
                                {PAIR_RIGHT_RIM, BELOW_OPEN, RIGHT_RIM},
                                {PAIR_CORNER_RIM, BELOW_RIM, RIGHT_RIM}};
    std::uint32_t lastHintList = LIST_COUNT;
    std::int64_t singleSlots = 0, slots = 0, histogram[8] = {};
    std::vector<std::vector<Listed>> single(SINGLE_TABLES_END);
    for (std::uint32_t i = 0; i < SINGLE_TABLES_END; ++i) {
        single[i] = entriesOf(t, i);
        singleSlots += t.lists[i].count + 1;
    }
    // The single lists keep the slots of their cut entries; the pair lists follow them.
    EXPECT_GT(t.lists[PAIR_OPEN].first, singleSlots) << "some lists should have been cut";
    slots = t.lists[PAIR_OPEN].first;
    for (const PairTable& p : order) {
        for (int u = 0; u < EDGE_CODES; ++u) {
            const auto& below = single[p.below + static_cast<std::uint32_t>(u)];
            for (int w = 0; w < EDGE_CODES; ++w) {
                const std::uint32_t list = pairList(p.table, u, w);
                const WeightedList& header = t.lists[list];
                ASSERT_EQ(t.pool[header.first + static_cast<std::uint32_t>(header.count)], END_WORD);
                slots += header.count + 1;
                if (below.empty() || single[p.right + static_cast<std::uint32_t>(w)].empty()) {
                    ASSERT_EQ(header.count, 0);
                    continue;
                }
                std::vector<Listed> expected;
                for (const Listed& a : below)
                    for (const Listed& b : single[p.right + static_cast<std::uint32_t>(w)])
                        if (a.number == b.number) expected.push_back({a.number, a.weight * b.weight / 1000});
                std::stable_sort(expected.begin(), expected.end(), [&](const Listed& x, const Listed& y) {
                    if (x.weight != y.weight) return x.weight > y.weight;
                    auto at = [&](int n) {
                        return std::find_if(below.begin(), below.end(), [n](const Listed& e) { return e.number == n; });
                    };
                    return at(x.number) < at(y.number);
                });
                ASSERT_EQ(entriesOf(t, list), expected) << "table " << p.table << " u " << u << " w " << w;
                for (const Listed& e : expected)
                    if (e.number == HINT_ORIENTED) lastHintList = list;
                if (p.table == PAIR_OPEN) ++histogram[std::min(header.count, 7)];
            }
        }
    }
    EXPECT_EQ(t.slotsTaken, slots);
    std::ostringstream expectedConsole;
    expectedConsole << "Generating hash tables...\rHash buffer size: " << slots << "\nNeighbor statistic 1:"
                    << histogram[1] << ",2:" << histogram[2] << ",3:" << histogram[3] << ",4:" << histogram[4]
                    << ",5:" << histogram[5] << ",6:" << histogram[6] << ",7>:" << histogram[7] << "\n";
    EXPECT_EQ(console, expectedConsole.str());
    EXPECT_GT(histogram[2], 0) << "the random boards should give some cells a choice";

    // The hint entry is the 554 of the last pair list that received it.
    ASSERT_NE(lastHintList, LIST_COUNT);
    const WeightedList& hintList = t.lists[lastHintList];
    EXPECT_GE(t.hintEntry, hintList.first);
    EXPECT_LT(t.hintEntry, hintList.first + static_cast<std::uint32_t>(hintList.count));
    EXPECT_EQ(entryNumber(t.pool[t.hintEntry]), HINT_ORIENTED);
}

TEST_F(FrequencyTablesTest, SameSeedBuildsTheSameTablesAnotherSeedReordersThem) {
    richStatistics(77).writeStatBin();
    auto first = makeEngine();
    auto second = makeEngine();
    std::string consoleA, consoleB;
    build(first->tables, 31337, &consoleA);
    build(second->tables, 31337, &consoleB);
    EXPECT_EQ(consoleA, consoleB);
    ASSERT_EQ(first->tables.slotsTaken, second->tables.slotsTaken);
    EXPECT_EQ(first->tables.hintEntry, second->tables.hintEntry);
    EXPECT_EQ(std::memcmp(first->tables.pool.data(), second->tables.pool.data(),
                          static_cast<std::size_t>(first->tables.slotsTaken) * 4),
              0);
    EXPECT_EQ(std::memcmp(first->tables.lists.data(), second->tables.lists.data(), sizeof first->tables.lists), 0);

    build(second->tables, 31338);
    EXPECT_NE(std::memcmp(first->tables.pool.data(), second->tables.pool.data(),
                          static_cast<std::size_t>(first->tables.slotsTaken) * 4),
              0);
}

TEST_F(FrequencyTablesTest, PoolOverflowIsReportedBeforeAnythingIsWrittenPastIt) {
    // Every edge of 80 inner pieces meets every other: the pair lists need far more
    // than the pool's 10,000,000 slots. (Taken in as loaded: no file of seams of
    // these pieces comes near, even one with every pair of one colour.)
    StatCounts stat;
    const int firstEdge = 4 * 100, lastEdge = 4 * 180;
    for (int a = firstEdge; a < lastEdge; ++a)
        for (int b = a; b < lastEdge; ++b) stat.addPair(a, b, 1);
    auto engine = makeEngine();
    FrequencyTables& t = engine->tables;
    std::memcpy(t.statistics.data(), stat.counts.data(), STAT_FILE_BYTES);
    normaliseStatistics(t);
    Random random{5};
    std::ostringstream out;
    EXPECT_FALSE(buildHashTables(t, random, out));
    const std::string console = out.str();
    const std::string head = "Generating hash tables...\rHash buffer size: ";
    const std::string tail = "\nHash buffer overflow!!!\n";
    ASSERT_EQ(console.substr(0, head.size()), head);
    ASSERT_GT(console.size(), head.size() + tail.size());
    EXPECT_EQ(console.substr(console.size() - tail.size()), tail);
    const long long size = std::stoll(console.substr(head.size()));
    EXPECT_GT(size, static_cast<long long>(POOL_SLOTS));
    EXPECT_EQ(size, t.slotsTaken);
}
