#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "brute_test_support.hpp"
#include "core/pieces.hpp"

using namespace zentara;
using namespace zentara::brute;

// One draw per record outside the hint piece, in piece and rotation order; a
// chain that held L records takes the new one at position draw mod (L + 1).
TEST(BuildChains, RecordsLandWhereTheirDrawsPutThem) {
    for (RandomState seed : {1u, 2963141910u}) {
        auto solver = brute::testing::seededSolver(seed);
        Random draws{seed};
        std::map<int, std::vector<int>> model;
        for (int o = 0; o < ORIENTED_COUNT; ++o) {
            if (pieceOfOriented(o) == HINT_PIECE) continue;
            const PieceEntry s = rotate(pieceSet().bottomFirst[pieceOfOriented(o)], rotationOfOriented(o));
            const int table = (s[bottom_first::BOTTOM] == 0 ? 1 : 0) + (s[bottom_first::RIGHT] == 0 ? 2 : 0);
            auto& chain = model[table * CHAIN_HEADS + s[bottom_first::LEFT] + 256 * s[bottom_first::TOP]];
            chain.insert(chain.begin() + (draws.highHalf() & 255u) % (chain.size() + 1), o);
        }
        for (int head = 0; head < CHAIN_TABLES * CHAIN_HEADS; ++head) {
            std::vector<int> chain;
            for (const LinkedPiece* r = solver->chainHeads[head]; r != nullptr; r = r->next)
                chain.push_back(static_cast<int>(r - solver->records.data()));
            EXPECT_EQ(chain, model.count(head) ? model[head] : std::vector<int>{}) << "chain " << head;
        }
        EXPECT_EQ(solver->random.state, draws.state);
    }
    // The hint as it lies on its cell: bottom 9, left 12, top 8, right 9.
    EXPECT_EQ(brute::testing::seededSolver(1)->records[HINT_RECORD].colours, (PieceEntry{9, 12, 8, 9}));
}
