#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "brute/cell_keys.hpp"
#include "brute_test_support.hpp"
#include "core/pieces.hpp"

using namespace zentara;
using namespace zentara::brute;
using namespace zentara::brute::testing;

namespace {

std::vector<int> chainRecords(const BruteSolver& solver, int head) {
    std::vector<int> numbers;
    for (const LinkedPiece* r = solver.chainHeads[head]; r != nullptr; r = r->next)
        numbers.push_back(static_cast<int>(r - solver.records.data()));
    return numbers;
}

}  // namespace

// A chain that held L records receives a new one at position n mod (L + 1),
// n being the record's own draw; the draws come one per record in piece and
// rotation order, the hint piece skipped.
TEST(BuildChains, RecordsLandWhereTheirDrawsPutThem) {
    for (RandomState seed : {1u, 2963141910u}) {
        auto solver = seededSolver(seed);
        Random draws{seed};
        std::map<int, std::vector<int>> model;
        bool sawFrontOfNonEmpty = false, sawBackOfNonEmpty = false;
        for (int o = 0; o < ORIENTED_COUNT; ++o) {
            if (pieceOfOriented(o) == HINT_PIECE) continue;
            const PieceEntry sides = rotate(PIECES_BOTTOM_FIRST[pieceOfOriented(o)], rotationOfOriented(o));
            const int table = (sides[bottom_first::BOTTOM] == 0 ? 1 : 0) + (sides[bottom_first::RIGHT] == 0 ? 2 : 0);
            std::vector<int>& chain = model[table * CHAIN_HEADS + sides[bottom_first::LEFT] + 256 * sides[bottom_first::TOP]];
            const std::size_t at = (draws.highHalf() & 255u) % (chain.size() + 1);
            sawFrontOfNonEmpty |= at == 0 && !chain.empty();
            sawBackOfNonEmpty |= at == chain.size() && !chain.empty();
            chain.insert(chain.begin() + static_cast<std::ptrdiff_t>(at), o);
        }
        EXPECT_TRUE(sawFrontOfNonEmpty && sawBackOfNonEmpty);  // both ends were exercised

        int linked = 0;
        for (int head = 0; head < CHAIN_TABLES * CHAIN_HEADS; ++head) {
            const std::vector<int> chain = chainRecords(*solver, head);
            linked += static_cast<int>(chain.size());
            const auto it = model.find(head);
            EXPECT_EQ(chain, it == model.end() ? std::vector<int>{} : it->second) << "chain " << head;
        }
        EXPECT_EQ(linked, ORIENTED_COUNT - 4);     // the hint piece is in no chain
        EXPECT_EQ(solver->random.state, draws.state);  // exactly one draw per linked record
    }
}

TEST(BuildChains, RecordsAndTheHintOnItsCell) {
    auto solver = seededSolver(7);
    // Record 4p + r is piece p turned r times, sides bottom, left, top, right.
    const LinkedPiece& corner = solver->records[orientedNumber(0, 1)];
    EXPECT_EQ(corner.colours[bottom_first::LEFT], BORDER_COLOUR);
    EXPECT_EQ(corner.colours[bottom_first::TOP], BORDER_COLOUR);
    EXPECT_EQ(corner.piece, 0);
    EXPECT_EQ(corner.rotation, 1);

    const LinkedPiece& hint = solver->records[HINT_RECORD];
    EXPECT_EQ(HINT_RECORD, 554);
    EXPECT_EQ(hint.piece, HINT_PIECE);
    EXPECT_EQ(hint.rotation, HINT_ROTATION);
    EXPECT_EQ(hint.colours, (PieceEntry{9, 12, 8, 9}));  // bottom 9, left 12, top 8, right 9
    EXPECT_EQ(HINT_COLOURS, hint.colours);

    EXPECT_EQ(solver->placed[HINT_CELL], &hint);
    EXPECT_EQ(solver->used[HINT_PIECE], 1);
    EXPECT_EQ(std::count(solver->used.begin(), solver->used.end(), 1), 1);
    EXPECT_EQ(std::count(solver->placed.begin(), solver->placed.end(), nullptr), CELL_COUNT - 1);
    EXPECT_EQ(solver->level, 1);
    EXPECT_EQ(solver->bestLevel, 1);
}

// The cells around the hint: 119 and 134 keep their inner key and filter on the
// side that meets the hint; 136 and 151 read the hint's colour as a constant.
TEST(CellKeys, CellsNextToTheHint) {
    const CellKey above = CELL_KEYS[positionOfCell(119)];
    EXPECT_EQ(above.filterSide, bottom_first::BOTTOM);
    EXPECT_EQ(above.filterColour, 8);
    const CellKey left = CELL_KEYS[positionOfCell(134)];
    EXPECT_EQ(left.filterSide, bottom_first::RIGHT);
    EXPECT_EQ(left.filterColour, 12);
    const CellKey right = CELL_KEYS[positionOfCell(136)];
    EXPECT_EQ(right.leftKeep, 0);
    EXPECT_EQ(right.leftConstant, 9);
    EXPECT_EQ(CELL_KEYS[positionOfCell(151)].topByte, 4 * HINT_ENTRY + bottom_first::BOTTOM);

    int filtered = 0;
    for (const CellKey& key : CELL_KEYS) filtered += key.filterSide != NO_FILTER;
    EXPECT_EQ(filtered, 2);
    EXPECT_EQ(CELL_KEYS[positionOfCell(134)].cell + 2, CELL_KEYS[positionOfCell(134) + 1].cell);  // 134 -> 136
}
