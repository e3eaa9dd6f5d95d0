// The orientation assignment: the balances it promises, checked by recounting the
// sides of the pieces as they lie, and the rim chain check on planted rims.
#include "tests/blockset/blockset_support.hpp"

using namespace zentara;
using namespace zentara::blockset;
using namespace zentara::blockset::testing;

namespace {

// Recounts the balance table from the rotations alone: rim rows per side from the
// corners and edge pieces, inner rows per direction from every other piece.
template <class P>
std::array<std::array<int, 4>, P::COLOURS> recount(const BlockSolver<P>& s) {
    std::array<std::array<int, 4>, P::COLOURS> rows{};
    for (int i = 0; i < P::PIECES; ++i) {
        const BlockRecord& r = s.records[i];
        const int q = r.rotation;
        if (i < 4) {
            rows[r.colours[SIDE_RIGHT]][q] -= 1;
            rows[r.colours[SIDE_TOP]][(q + 1) & 3] += 1;
        } else if (i < P::RIM_RECORDS) {
            rows[r.colours[SIDE_LEFT]][q] += 1;
            rows[r.colours[SIDE_RIGHT]][q] -= 1;
            rows[r.colours[SIDE_TOP]][(q + 2) & 3] += 1;
        } else if (i < s.crossSet.first || i >= s.crossSet.first + s.crossSet.count) {
            // Cross pieces show each colour in opposite directions and are left out.
            // The piece as files show it, turned from the table: bottom, left, top, right
            // face directions 0, 1, 2, 3.
            const PieceEntry e = rotate(P::TABLE[r.pieceIndex], r.fileRotation());
            for (int d = 0; d < 4; ++d) {
                int colour = e[d];
                if (P::RENUMBER_COLOURS)
                    colour = static_cast<int>(std::find(pieceSet().colourOrder.begin(), pieceSet().colourOrder.end(), colour) -
                                              pieceSet().colourOrder.begin());
                rows[colour][d] += 1;
            }
        }
    }
    return rows;
}

template <class P>
void expectRimClosed(const BlockSolver<P>& s) {
    std::array<int, 4> perSide{};
    for (int i = 4; i < P::RIM_RECORDS; ++i) ++perSide[s.records[i].rotation];
    std::array<int, 4> corners{};
    for (int i = 0; i < 4; ++i) ++corners[s.records[i].rotation];
    const auto rows = recount(s);
    for (int side = 0; side < 4; ++side) {
        EXPECT_EQ(s.sideRoom[side], 0);
        EXPECT_EQ(perSide[side], sideLength<P>(side));
        EXPECT_EQ(corners[side], 1);
        for (int c = 1; c <= P::LAST_RIM_COLOUR; ++c) {
            EXPECT_EQ(rows[c][side], 0) << "rim colour " << c << " side " << side;
            EXPECT_EQ(s.balance[c].entry[side], 0);
        }
    }
}

// Runs rims and inner attempts as the search does and checks every successful
// inner assignment; returns how many there were.
template <class P>
int checkAssignments(BlockRandom seed, int rims, int attemptsPerRim) {
    std::ostringstream out;
    auto s = startedSolver<P>(out, seed);
    int good = 0;
    for (int rim = 0; rim < rims; ++rim) {
        do {
            fullRestart(*s);
        } while (!assignRim(*s) || !rimChainsClose(*s));
        expectRimClosed(*s);
        s->snapshot = s->balance;
        for (int attempt = 0; attempt < attemptsPerRim; ++attempt) {
            if (assignInner(*s)) {
                ++good;
                const auto rows = recount(*s);
                for (int k = 1; k < P::COLOURS; ++k) {
                    for (int d = 0; d < 4; ++d) EXPECT_EQ(rows[k][d], s->balance[k].entry[d]) << k << "," << d;
                    if (k <= P::LAST_RIM_COLOUR) continue;
                    EXPECT_EQ(rows[k][0], rows[k][2]) << "inner colour " << k;
                    EXPECT_EQ(rows[k][1], rows[k][3]) << "inner colour " << k;
                }
                expectRimClosed(*s);
            }
            s->balance = s->snapshot;
        }
    }
    return good;
}

}  // namespace

TEST(BlockAssignment, EveryInnerAssignmentBalancesEveryColour) {
    EXPECT_GT(checkAssignments<Puzzle6x6>(BlockRandom{77, 5}, 40, 100), 100);
    EXPECT_GT(checkAssignments<Puzzle6x12>(BlockRandom{78, 6}, 20, 100), 20);
    EXPECT_GT(checkAssignments<Puzzle16x16>(BlockRandom{79, 7}, 3, 300), 0);
}

TEST(BlockAssignment, PairSpreadStaysWithinRoom) {
    std::ostringstream out;
    auto small = startedSolver<Puzzle6x12>(out, BlockRandom{3, 4});
    // No pairs: zero everywhere after exactly one draw.
    BlockRandom expected = small->random;
    expected.next();
    EXPECT_EQ(detail::spreadPairs(*small, 0, {3, 3, 3, 3}), (std::array<int, 4>{0, 0, 0, 0}));
    EXPECT_EQ(small->random.w0, expected.w0);
    EXPECT_EQ(small->random.w1, expected.w1);
    // No room on bottom and left: every pair is passed on to top and right.
    for (int i = 0; i < 200; ++i) {
        const auto x = detail::spreadPairs(*small, 5, {0, 0, 2, 3});
        EXPECT_EQ(x, (std::array<int, 4>{0, 0, 2, 3}));
    }
    auto big = startedSolver<Puzzle16x16>(out, BlockRandom{3, 4});
    for (int i = 0; i < 500; ++i) {
        const std::array<int, 4> room{i % 4, 2, (i / 4) % 5, 3};
        const int pairs = (i * 7) % (room[0] + room[1] + room[2] + room[3] + 1);
        for (const auto& x : {detail::spreadPairs(*big, pairs, room), detail::spreadPairs(*small, pairs, room)}) {
            EXPECT_EQ(x[0] + x[1] + x[2] + x[3], pairs);
            for (int side = 0; side < 4; ++side) {
                EXPECT_GE(x[side], 0);
                EXPECT_LE(x[side], room[side]);
            }
        }
    }
}

namespace {

template <class P>
void expectPlantedRimPassesAndBrokenRimFails() {
    std::ostringstream out;
    auto s = startedSolver<P>(out);
    plantRotations(*s);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(s->records[i].colours[SIDE_LEFT], BORDER_COLOUR);
    EXPECT_TRUE(rimChainsClose(*s));
    // Two edge pieces of different sides and different rim colours trade sides:
    // neither side balances any more, so no chain can close.
    int a = -1, b = -1;
    for (int i = 4; i < P::RIM_RECORDS && b < 0; ++i)
        for (int j = i + 1; j < P::RIM_RECORDS && b < 0; ++j)
            if (s->records[i].rotation != s->records[j].rotation &&
                s->records[i].colours[SIDE_LEFT] != s->records[i].colours[SIDE_RIGHT] &&
                s->records[i].colours[SIDE_LEFT] != s->records[j].colours[SIDE_LEFT] &&
                s->records[i].colours[SIDE_LEFT] != s->records[j].colours[SIDE_RIGHT])
                a = i, b = j;
    ASSERT_GE(b, 0);
    std::swap(s->records[a].rotation, s->records[b].rotation);
    EXPECT_FALSE(rimChainsClose(*s));
    std::swap(s->records[a].rotation, s->records[b].rotation);
    EXPECT_TRUE(rimChainsClose(*s));
    // Corners turned the other way round cannot begin their sides.
    std::swap(s->records[0].rotation, s->records[1].rotation);
    std::swap(s->records[2].rotation, s->records[3].rotation);
    EXPECT_FALSE(rimChainsClose(*s));
}

}  // namespace

TEST(BlockAssignment, RimChainCheckOnPlantedRims) {
    expectPlantedRimPassesAndBrokenRimFails<Puzzle16x16>();
    expectPlantedRimPassesAndBrokenRimFails<Puzzle6x12>();
    expectPlantedRimPassesAndBrokenRimFails<Puzzle6x6>();
}
