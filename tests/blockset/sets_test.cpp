// Start-up: records, sets and the permutation table, against counts derived here
// from the piece tables by a route of their own.
#include <algorithm>
#include <set>

#include "tests/blockset/blockset_support.hpp"

using namespace zentara;
using namespace zentara::blockset;
using namespace zentara::blockset::testing;

namespace {

// Working colour of a table colour, found by searching the order table afresh.
template <class P>
int working(int tableColour) {
    if (!P::RENUMBER_COLOURS) return tableColour;
    return static_cast<int>(std::find(pieceSet().colourOrder.begin(), pieceSet().colourOrder.end(), tableColour) - pieceSet().colourOrder.begin());
}

// A piece's four working colours clockwise from the bottom (bottom, left, top, right).
template <class P>
std::array<int, 4> clockwise(int piece, int turns) {
    const PieceEntry e = rotate(P::TABLE[piece], turns);
    return {working<P>(e[0]), working<P>(e[1]), working<P>(e[2]), working<P>(e[3])};
}

// Expected set sizes by the rules stated for each group, piece by piece.
template <class P>
struct ExpectedSets {
    std::array<int, 32> left{}, right{}, both{}, odd{}, pair{};
    int cross = 0;
    int unsorted = 0;
};

template <class P>
ExpectedSets<P> expectedSets() {
    ExpectedSets<P> e;
    for (int p = 0; p < P::PIECES; ++p) {
        if (P::HAS_HINT && p == HINT_PIECE) continue;
        const PieceEntry& t = P::TABLE[p];
        const int borders = pieceClass(t);
        if (borders == 2) continue;
        if (borders == 1) {
            // Turn the border to the bottom; then left and right are the rim colours.
            int turns = 0;
            while (clockwise<P>(p, turns)[0] != 0) ++turns;
            const auto c = clockwise<P>(p, turns);
            const int left = c[1], right = c[3];
            if (left == right) ++e.both[left];
            else if (left < right) ++e.left[left];
            else ++e.right[right];
            continue;
        }
        const auto c = clockwise<P>(p, 0);
        bool taken = false;
        for (int k = P::FIRST_INNER_COLOUR; k <= P::LAST_INNER_COLOUR && !taken; ++k) {
            int n = 0;
            for (int v : c) n += v == k;
            bool adjacent = false;
            for (int i = 0; i < 4; ++i) adjacent |= c[i] == k && c[(i + 1) & 3] == k;
            if (n == 1 || n == 3) ++e.odd[k], taken = true;
            else if (n == 2 && adjacent) ++e.pair[k], taken = true;
        }
        if (!taken && c[0] == c[2] && c[1] == c[3]) ++e.cross, taken = true;
        if (!taken) ++e.unsorted;
    }
    return e;
}

// Every record shows its table piece turned by its base rotation, colours doubled.
template <class P>
void expectRecordsMatchTable(const BlockSolver<P>& s) {
    std::set<int> pieces;
    for (const BlockRecord& r : s.records) {
        pieces.insert(r.pieceIndex);
        const auto c = clockwise<P>(r.pieceIndex, r.baseRotation);  // bottom, left, top, right
        EXPECT_EQ(r.colours[SIDE_BOTTOM], c[0]) << "piece " << r.pieceIndex + 1;
        EXPECT_EQ(r.colours[SIDE_LEFT], c[1]) << "piece " << r.pieceIndex + 1;
        EXPECT_EQ(r.colours[SIDE_TOP], c[2]) << "piece " << r.pieceIndex + 1;
        EXPECT_EQ(r.colours[SIDE_RIGHT], c[3]) << "piece " << r.pieceIndex + 1;
        for (int i = 0; i < 4; ++i) EXPECT_EQ(r.colours[i], r.colours[i + 4]);
        EXPECT_EQ(r.rotation, 0);
    }
    EXPECT_EQ(static_cast<int>(pieces.size()), P::PIECES);
}

// The groups follow each other without gaps in the stated order; every member is in
// its set's standard position.
template <class P>
void expectSetLayout(const BlockSolver<P>& s) {
    const ExpectedSets<P> e = expectedSets<P>();
    EXPECT_EQ(e.unsorted, 0);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(s.records[i].colours[SIDE_BOTTOM], BORDER_COLOUR);
        EXPECT_EQ(s.records[i].colours[SIDE_LEFT], BORDER_COLOUR);
    }
    int next = 4;
    auto expectGroup = [&](const BlockSet& set, int count, auto member, const char* what, int colour) {
        EXPECT_EQ(set.first, next) << what << " " << colour;
        EXPECT_EQ(set.count, count) << what << " " << colour;
        for (int i = set.first; i < set.first + set.count; ++i)
            EXPECT_TRUE(member(s.records[i])) << what << " " << colour << " record " << i;
        next = set.first + set.count;
    };
    for (int c = 1; c <= P::LAST_RIM_COLOUR; ++c) {
        auto edge = [](const BlockRecord& r) { return r.colours[SIDE_BOTTOM] == BORDER_COLOUR; };
        expectGroup(s.leftSet[c], e.left[c], [&](const BlockRecord& r) {
            return edge(r) && r.colours[SIDE_LEFT] == c && r.colours[SIDE_RIGHT] > c; }, "left", c);
        expectGroup(s.rightSet[c], e.right[c], [&](const BlockRecord& r) {
            return edge(r) && r.colours[SIDE_RIGHT] == c && r.colours[SIDE_LEFT] > c; }, "right", c);
        expectGroup(s.doubleSet[c], e.both[c], [&](const BlockRecord& r) {
            return edge(r) && r.colours[SIDE_RIGHT] == c && r.colours[SIDE_LEFT] == c; }, "double", c);
    }
    EXPECT_EQ(next, P::RIM_RECORDS);
    for (int k = P::FIRST_INNER_COLOUR; k <= P::LAST_INNER_COLOUR; ++k) {
        expectGroup(s.oddSet[k], e.odd[k], [&](const BlockRecord& r) {
            const int n = std::count(r.colours.begin(), r.colours.begin() + 4, k);
            return r.colours[SIDE_BOTTOM] == k && (n == 1 || (n == 3 && r.colours[SIDE_TOP] != k)); }, "odd", k);
        expectGroup(s.pairSet[k], e.pair[k], [&](const BlockRecord& r) {
            return r.colours[SIDE_BOTTOM] == k && r.colours[SIDE_LEFT] == k && r.colours[SIDE_TOP] != k &&
                   r.colours[SIDE_RIGHT] != k; }, "pair", k);
    }
    expectGroup(s.crossSet, e.cross, [](const BlockRecord& r) {
        return r.colours[0] == r.colours[2] && r.colours[1] == r.colours[3]; }, "cross", 0);
    EXPECT_EQ(next, P::HAS_HINT ? P::PIECES - 1 : P::PIECES);
}

}  // namespace

TEST(BlockSets, Board16x16RecordOrder) {
    std::ostringstream out;
    auto s = startedSolver<Puzzle16x16>(out);
    expectRecordsMatchTable(*s);
    expectSetLayout(*s);
    // Corners keep their table places; the first group keeps table order.
    for (int i = 0; i < 4; ++i) EXPECT_EQ(s->records[i].pieceIndex, i);
    for (int i = s->leftSet[1].first + 1; i < s->leftSet[1].first + s->leftSet[1].count; ++i)
        EXPECT_LT(s->records[i - 1].pieceIndex, s->records[i].pieceIndex);
    // The hint piece is left alone at the end, turned to its fixed rotation.
    const BlockRecord& hint = s->records[255];
    EXPECT_EQ(s->hintRecord, 255);
    EXPECT_EQ(hint.pieceIndex, HINT_PIECE);
    EXPECT_EQ(hint.flags, FLAG_HINT);
    EXPECT_EQ(hint.baseRotation, 2);
    // Its working colours follow from the table and the order: the piece as it lies
    // on the hint cell, renumbered.
    const auto lying = clockwise<Puzzle16x16>(HINT_PIECE, HINT_ROTATION);  // bottom, left, top, right
    EXPECT_EQ(hint.colours[SIDE_BOTTOM], lying[0]);
    EXPECT_EQ(hint.colours[SIDE_LEFT], lying[1]);
    EXPECT_EQ(hint.colours[SIDE_TOP], lying[2]);
    EXPECT_EQ(hint.colours[SIDE_RIGHT], lying[3]);
    // With our order every inner colour but the last has an odd set: only the last
    // colour balances without one (a colour without one must already be balanced
    // when its turn comes, which makes a balanced assignment rare).
    for (int k = Puzzle16x16::FIRST_INNER_COLOUR; k < Puzzle16x16::LAST_INNER_COLOUR; ++k)
        EXPECT_GT(s->oddSet[k].count, 0) << "inner colour " << k;
    EXPECT_EQ(s->oddSet[Puzzle16x16::LAST_INNER_COLOUR].count + s->pairSet[Puzzle16x16::LAST_INNER_COLOUR].count, 0);
}

TEST(BlockSets, SmallBoardsMoveCornersFirstAndCrossesLast) {
    std::ostringstream out;
    auto s12 = startedSolver<Puzzle6x12>(out);
    expectRecordsMatchTable(*s12);
    expectSetLayout(*s12);
    auto s6 = startedSolver<Puzzle6x6>(out);
    expectRecordsMatchTable(*s6);
    expectSetLayout(*s6);
    // Every piece of the small sets lands in some set, crosses included.
    EXPECT_GT(s12->crossSet.count, 0);
    EXPECT_GT(s6->crossSet.count, 0);
    EXPECT_EQ(s6->hintRecord, NO_RECORD);
    // Rebuilding gives the same record order: every search starts alike.
    const auto before = s6->records;
    s6->records[7].rotation = 3;
    buildRecords(*s6);
    buildSets(*s6);
    for (int i = 0; i < Puzzle6x6::PIECES; ++i) {
        EXPECT_EQ(s6->records[i].pieceIndex, before[i].pieceIndex);
        EXPECT_EQ(s6->records[i].rotation, 0);
    }
}

TEST(BlockSets, PermutationTableIsLexicographic) {
    BlockSolver<Puzzle6x6> s;
    buildPermutations(s);
    using Row = std::array<std::uint8_t, 4>;
    EXPECT_EQ(s.permutations[0], (Row{0, 1, 2, 3}));
    EXPECT_EQ(s.permutations[1], (Row{0, 1, 3, 2}));
    EXPECT_EQ(s.permutations[23], (Row{3, 2, 1, 0}));
    Row expected{0, 1, 2, 3};
    for (int i = 0; i < 24; ++i) {
        EXPECT_EQ(s.permutations[i], expected) << "row " << i;
        std::next_permutation(expected.begin(), expected.end());
    }
}
