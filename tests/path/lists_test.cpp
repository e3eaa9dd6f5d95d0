#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

#include "path/candidate_lists.hpp"

namespace zentara::path {
namespace {

// The lists are big: each insert order is built once for the whole binary.
const CandidateLists& listsBuilt(InsertMode mode) {
    static std::unique_ptr<CandidateLists> built[3];
    auto& slot = built[static_cast<int>(mode)];
    if (!slot) {
        slot = std::make_unique<CandidateLists>();
        Random random{12345};
        buildCandidateLists(*slot, mode, random, computePieceScores());
    }
    return *slot;
}

std::vector<std::uint16_t> entriesOf(const CandidateLists& lists, std::uint32_t list) {
    std::vector<std::uint16_t> out;
    for (std::uint32_t p = lists.first[list]; lists.pool[p] != END_OF_LIST; ++p) out.push_back(lists.pool[p]);
    return out;
}

// Which list of class c an oriented piece belongs to, straight from the rule:
// frame sides border, other sides not, the known colours packed left, bottom, right, top.
bool expectedKey(int cellClass, int oriented, std::uint32_t& key) {
    if (pieceOfOriented(oriented) == HINT_PIECE) return false;
    const PieceEntry& s = ORIENTED_SIDES[oriented];
    key = 0;
    for (int side : {3, 2, 1, 0}) {
        const int digit = classDigit(cellClass, side);
        if ((digit == DIGIT_FRAME) != (s[side] == BORDER_COLOUR)) return false;
        if (digit == DIGIT_KNOWN) key = key * 32 + s[side];
    }
    return true;
}

TEST(CandidateLists, ClassesAndListCounts) {
    EXPECT_EQ(knownSides(0), 0);
    EXPECT_EQ(knownSides(80), 4);
    EXPECT_EQ(listsOfClass(28), 1u);
    EXPECT_EQ(listsOfClass(55), 23u);
    EXPECT_EQ(listsOfClass(80), 753664u);
    EXPECT_EQ(LIST_COUNT, 960496u);
    // 195 inner pieces (not the hint) in 16 lists per rotation, 56 edge pieces
    // in 8, 4 corners in 4.
    EXPECT_EQ(ENTRY_COUNT, 195u * 4 * 16 + 56u * 4 * 8 + 4u * 4 * 4);
    const CandidateLists& lists = listsBuilt(InsertMode::Random);
    EXPECT_EQ(lists.pool[HINT_LIST], HINT_ORIENTED);
    EXPECT_EQ(lists.pool[HINT_LIST + 1], END_OF_LIST);
    std::uint64_t total = 0;
    for (std::uint32_t i = 0; i < LIST_COUNT; ++i) {
        total += lists.count[i];
        ASSERT_EQ(lists.pool[lists.first[i] + lists.count[i]], END_OF_LIST) << i;
    }
    EXPECT_EQ(total, ENTRY_COUNT);
}

TEST(CandidateLists, ContentsFollowTheMembershipRule) {
    const CandidateLists& lists = listsBuilt(InsertMode::Random);
    // Inner cell with nothing known, the top-left corner, a top edge cell with its
    // left known, an inner cell knowing three and four sides, an impossible class
    // (frame on top and bottom) and the bottom-right corner with both inner sides known.
    for (int cellClass : {0, 28, 1 + 54, 2 + 6 + 54, 80, 1 + 9, 3 + 9 + 2 + 54}) {
        std::map<std::uint32_t, std::vector<std::uint16_t>> expected;
        for (int o = 0; o < ORIENTED_COUNT; ++o) {
            std::uint32_t key;
            if (expectedKey(cellClass, o, key)) expected[key].push_back(static_cast<std::uint16_t>(o));
        }
        std::uint64_t entries = 0;
        for (std::uint32_t key = 0; key < listsOfClass(cellClass); ++key) entries += lists.count[lists.listIndex(cellClass, key)];
        std::uint64_t wanted = 0;
        for (auto& [key, members] : expected) {
            wanted += members.size();
            std::vector<std::uint16_t> got = entriesOf(lists, lists.listIndex(cellClass, key));
            std::sort(got.begin(), got.end());
            EXPECT_EQ(got, members) << "class " << cellClass << " key " << key;
        }
        EXPECT_EQ(entries, wanted) << "class " << cellClass;
    }
    // The top-left corner holds exactly the four corners in rotation 1.
    EXPECT_EQ(entriesOf(lists, lists.listIndex(28, 0)).size(), 4u);
    EXPECT_EQ(lists.count[lists.listIndex(0, 0)], 195 * 4);
}

TEST(CandidateLists, InsertOrders) {
    const CandidateLists& appended = listsBuilt(InsertMode::Append);
    const CandidateLists& random = listsBuilt(InsertMode::Random);
    const CandidateLists& byScore = listsBuilt(InsertMode::ByScore);
    const PieceScores scores = computePieceScores();
    int shuffled = 0;
    for (std::uint32_t list = 0; list < LIST_COUNT; ++list) {
        if (appended.count[list] == 0) continue;
        const auto plain = entriesOf(appended, list);
        ASSERT_TRUE(std::is_sorted(plain.begin(), plain.end())) << list;
        auto drawn = entriesOf(random, list);
        shuffled += drawn != plain;
        std::sort(drawn.begin(), drawn.end());
        ASSERT_EQ(drawn, plain) << list;
        // Descending score; among equal scores (the rotations of one piece, for
        // one) the order of insertion, which is ascending oriented number.
        const auto scored = entriesOf(byScore, list);
        for (std::size_t i = 1; i < scored.size(); ++i) {
            const int before = scores[pieceOfOriented(scored[i - 1])], after = scores[pieceOfOriented(scored[i])];
            ASSERT_GE(before, after) << list;
            if (before == after) {
                ASSERT_LT(scored[i - 1], scored[i]) << list;
            }
        }
    }
    EXPECT_GT(shuffled, 1000);
    // The pieces of the rarest colours come first among the inner pieces.
    const std::uint16_t top = byScore.pool[byScore.first[byScore.listIndex(0, 0)]];
    for (int p = FIRST_INNER_PIECE; p < PIECE_COUNT; ++p)
        if (p != HINT_PIECE) {
            EXPECT_LE(scores[p], scores[pieceOfOriented(top)]);
        }
}

// The random order depends on the walk over the known-side choices and on the
// draws; the contents alone do not show either. Model of the filling pass: every
// oriented piece in turn, its choices counted like an odometer over the four
// sides (top fastest, border sides fixed, all others starting unknown), each
// entry put at randomUpTo(count) of its list.
TEST(CandidateLists, RandomOrderFollowsTheOdometerWalkAndTheDraws) {
    std::map<std::uint32_t, std::vector<std::uint16_t>> model;
    RandomState state = 12345;
    std::size_t entries = 0;
    for (int o = 0; o < ORIENTED_COUNT; ++o) {
        if (o / 4 == HINT_PIECE) continue;
        const PieceEntry s = rotate(pieceSet().topFirst[o / 4], o % 4);
        std::array<int, 4> digit{};
        for (int side = 0; side < 4; ++side) digit[side] = s[side] == BORDER_COLOUR ? 1 : 0;
        for (bool more = true; more;) {
            const int cellClass = digit[0] + 3 * digit[1] + 9 * digit[2] + 27 * digit[3];
            std::uint32_t key = 0;
            for (int side : {3, 2, 1, 0})
                if (digit[side] == 2) key = key * 32 + s[side];
            std::vector<std::uint16_t>& list = model[CLASS_BASE[cellClass] + key];
            const std::uint32_t at = randomUpTo(state, static_cast<std::uint16_t>(list.size()));
            list.insert(list.begin() + at, static_cast<std::uint16_t>(o));
            ++entries;
            int wheel = 0;
            while (wheel < 4 && digit[wheel] != 0) {
                if (digit[wheel] == 2) digit[wheel] = 0;
                ++wheel;
            }
            if (wheel < 4) digit[wheel] = 2;
            more = wheel < 4;
        }
    }
    EXPECT_EQ(entries, ENTRY_COUNT);
    const CandidateLists& lists = listsBuilt(InsertMode::Random);
    for (const auto& [list, members] : model) ASSERT_EQ(entriesOf(lists, list), members) << "list " << list;
}

TEST(CandidateLists, PieceScoresFavourRareColoursAndVariety) {
    const PieceScores scores = computePieceScores();
    std::array<int, KEY_COLOURS> occurrences{};
    for (const PieceEntry& e : pieceSet().topFirst)
        for (Colour c : e) ++occurrences[c];
    EXPECT_EQ(occurrences[BORDER_COLOUR], 64);
    // A corner: two border sides (240 / 64 = 3 each) and two rim colours.
    const PieceEntry& corner = pieceSet().topFirst[0];
    int expected = 0;
    for (Colour c : corner) expected += 240 / occurrences[c];
    std::vector<Colour> distinct(corner.begin(), corner.end());
    std::sort(distinct.begin(), distinct.end());
    expected += 2 * static_cast<int>(std::unique(distinct.begin(), distinct.end()) - distinct.begin() - 1);
    EXPECT_EQ(scores[0], expected);
}

// The draws of one swap: the class with randomUpTo(80), the list number from the
// low bits of the full state under the class's mask until it is in range, then
// two positions with randomUpTo(n - 1) when the list has three entries or more.
TEST(CandidateLists, PerturbationDrawsInTheirOrderAndForm) {
    auto lists = std::make_unique<CandidateLists>();
    *lists = listsBuilt(InsertMode::Append);
    std::map<std::uint32_t, std::vector<std::uint16_t>> model;
    RandomState state = 4711;
    const std::array<std::uint32_t, 5> masks{1, 31, 991, 31711, 1014751};
    for (int swap = 0; swap < 3000; ++swap) {
        const int cellClass = static_cast<int>(randomUpTo(state, 80));
        int known = 0;
        for (int c = cellClass; c > 0; c /= 3) known += c % 3 == 2;
        const std::uint32_t available = known == 0 ? 1 : 23u << (5 * (known - 1));
        std::uint32_t key;
        do {
            state = nextRandomState(state);
            key = state & masks[known];
        } while (key >= available);
        const std::uint32_t list = CLASS_BASE[cellClass] + key;
        if (!model.count(list)) model[list] = entriesOf(*lists, list);
        std::vector<std::uint16_t>& entries = model[list];
        if (entries.size() < 3) continue;
        const std::uint32_t a = randomUpTo(state, static_cast<std::uint16_t>(entries.size() - 1));
        const std::uint32_t b = randomUpTo(state, static_cast<std::uint16_t>(entries.size() - 1));
        std::swap(entries[a], entries[b]);
    }
    Random random{4711};
    perturbCandidateLists(*lists, random, 3000);
    EXPECT_EQ(random.state, state);
    int swapped = 0;
    for (const auto& [list, entries] : model) {
        EXPECT_EQ(entriesOf(*lists, list), entries) << "list " << list;
        swapped += entries != entriesOf(listsBuilt(InsertMode::Append), list);
    }
    EXPECT_GT(swapped, 10);
}

TEST(CandidateLists, PerturbationSwapsWithinDrawableListsAndRepeats) {
    auto a = std::make_unique<CandidateLists>();
    auto b = std::make_unique<CandidateLists>();
    *a = listsBuilt(InsertMode::Append);
    *b = *a;
    Random ra{777}, rb{777};
    perturbCandidateLists(*a, ra, 20000);
    perturbCandidateLists(*b, rb, 20000);
    EXPECT_EQ(ra.state, rb.state);
    EXPECT_TRUE(a->pool == b->pool);

    EXPECT_EQ(LIST_MASK, (std::array<std::uint32_t, 5>{1, 31, 991, 31711, 1014751}));
    const CandidateLists& before = listsBuilt(InsertMode::Append);
    int changed = 0;
    for (int cellClass = 0; cellClass < CLASS_COUNT; ++cellClass) {
        const int k = knownSides(cellClass);
        for (std::uint32_t key = 0; key < listsOfClass(cellClass); ++key) {
            const std::uint32_t list = a->listIndex(cellClass, key);
            if (before.count[list] == 0) continue;
            const auto now = entriesOf(*a, list), then = entriesOf(before, list);
            if (now == then) continue;
            ++changed;
            // Only lists of three or more entries, only list numbers the mask can give.
            EXPECT_GE(then.size(), 3u);
            EXPECT_EQ(key & ~LIST_MASK[k], 0u) << "class " << cellClass << " key " << key;
            auto sorted = now;
            std::sort(sorted.begin(), sorted.end());
            EXPECT_EQ(sorted, then);
        }
    }
    EXPECT_GT(changed, 100);
}

}  // namespace
}  // namespace zentara::path
