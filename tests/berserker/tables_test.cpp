// Records and candidate lists, checked against the piece table directly.
#include <gtest/gtest.h>

#include <vector>

#include "tests/berserker/helpers.hpp"

using namespace zentara;
using namespace zentara::berserker;
using zentara::berserker::testing::makeEngine;

namespace {

bool isFixedPiece(int piece) { return piece == HINT_PIECE || piece == 180 || piece == 254; }

// The list a class and key name, the key built as the colours of the known sides
// in the order top, right, bottom, left, five bits each, most significant first.
CandidateList listOf(const CandidateTables& t, int cls, const std::array<Colour, 4>& colours) {
    std::uint32_t key = 0;
    for (int k = 0; k < 4; ++k)
        if ((cls >> k) & 1) key = key * 32 + colours[k];
    std::uint32_t base = 0;
    for (int c = 0; c < cls; ++c) base += 1u << (5 * __builtin_popcount(c));
    return t.lists[base + key];
}

}  // namespace

TEST(BerserkerTables, RecordsFollowPieceAndRotationOrderWithOneRecordPerFixedPiece) {
    const auto engine = makeEngine(1);
    const CandidateTables& t = engine->tables;
    int i = 0;
    for (int p = 0; p < PIECE_COUNT; ++p) {
        for (int r = 0; r < 4; ++r) {
            const bool fixedElsewhere = (p == HINT_PIECE && r != 2) || ((p == 180 || p == 254) && r != 3);
            if (fixedElsewhere) {
                EXPECT_EQ(t.recordOf[p][r], NO_RECORD);
                continue;
            }
            ASSERT_EQ(t.recordOf[p][r], i);
            const Record& rec = t.records[i++];
            EXPECT_EQ(rec.piece, p);
            EXPECT_EQ(rec.rotation, r);
            // Side k of rotation r is table byte (k - r) mod 4, top-first table.
            for (int k = 0; k < 4; ++k) EXPECT_EQ(sideColour(rec.sides, k), pieceSet().topFirst[p][(k - r) & 3]);
        }
    }
    EXPECT_EQ(i, 1015);
}

// Every non-fixed record lies, for each class, in exactly the list its colours on
// the known sides name, unless it shows the border colour on an unknown side; the
// lists hold nothing else, in record order.
TEST(BerserkerTables, ListMembershipRule) {
    const auto engine = makeEngine(1);
    const CandidateTables& t = engine->tables;
    EXPECT_EQ(t.lists[0].count, 0) << "a cell with no known side has no candidates";

    int expectedEntries = 0;
    for (int cls = 1; cls < 16; ++cls) {
        std::vector<int> expectedPerList(LIST_TABLE_SIZE, 0);
        for (int i = 0; i < t.recordCount; ++i) {
            const Record& rec = t.records[i];
            std::array<Colour, 4> colours;
            bool borderOnUnknown = false;
            for (int k = 0; k < 4; ++k) {
                colours[k] = sideColour(rec.sides, k);
                if (!((cls >> k) & 1) && colours[k] == BORDER_COLOUR) borderOnUnknown = true;
            }
            const CandidateList list = listOf(t, cls, colours);
            int found = 0;
            for (int j = 0; j < list.count; ++j) found += t.entries[list.start + j].record == i;
            const bool member = !isFixedPiece(rec.piece) && !borderOnUnknown;
            EXPECT_EQ(found, member ? 1 : 0) << "class " << cls << " record " << i;
            expectedEntries += member;
        }
    }
    EXPECT_EQ(t.entryCount, expectedEntries);

    // Entries are in record order, name the record's piece, and all colours on the
    // known sides agree within a list.
    for (int cls = 1; cls < 16; ++cls) {
        const KeyRecipe& recipe = KEY_RECIPES[cls];
        for (std::uint32_t key = 0; key < recipe.size; ++key) {
            const CandidateList list = t.lists[recipe.base + key];
            for (int j = 0; j < list.count; ++j) {
                const CandidateEntry e = t.entries[list.start + j];
                EXPECT_EQ(e.piece, t.records[e.record].piece);
                if (j > 0) {
                    EXPECT_LT(t.entries[list.start + j - 1].record, e.record);
                }
            }
        }
    }
}
