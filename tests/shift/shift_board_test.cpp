// Set-up, the fit rule, the move-to-back list, placing and removing, removal
// bursts and the snapshot fall-back.
#include <gtest/gtest.h>

#include <sstream>

#include "shift/shift_search.hpp"
#include "shift_test_support.hpp"

using namespace zentara;
using namespace zentara::shift;
using zentara::shift::testing::freshSearch;
using zentara::shift::testing::plantedSolution;

namespace {

std::uint8_t sideByte(std::uint32_t word, int side) { return static_cast<std::uint8_t>(word >> (8 * side)); }

int piecesOnBoard(const ShiftBoard& b) {
    int n = 0;
    for (std::uint16_t p : b.placement) n += p != NO_RECORD;
    return n;
}

// Every piece is where the location table says, and every applying requirement is the
// facing colour of a placed neighbour or the frame.
void expectBookkeepingSound(const ShiftSearch& s) {
    const ShiftBoard& b = s.board;
    EXPECT_EQ(piecesOnBoard(b), s.level);
    for (int piece = 0; piece < PIECE_COUNT; ++piece) {
        const int cell = b.pieceCell[piece];
        if (cell != NO_CELL) {
            EXPECT_EQ(ORIENTED_RECORDS[b.placement[cell]].piece, piece);
        }
    }
    const int offsets[4] = {-16, 1, 16, -1};
    for (int cell = 0; cell < CELL_COUNT; ++cell) {
        for (int side = 0; side < 4; ++side) {
            const bool frame = b.flags[cell] & (1 << side);
            const bool applies = sideByte(b.mask[cell], side) == 0xFF;
            if (frame) {
                EXPECT_TRUE(applies && sideByte(b.required[cell], side) == BORDER_COLOUR) << cell;
                continue;
            }
            const int n = cell + offsets[side];
            const bool neighbourPlaced = b.placement[n] != NO_RECORD;
            ASSERT_EQ(applies, neighbourPlaced) << "cell " << cell << " side " << side;
            if (neighbourPlaced) {
                EXPECT_EQ(sideByte(b.required[cell], side),
                          sideByte(ORIENTED_RECORDS[b.placement[n]].colours, (side + 2) & 3));
            }
        }
    }
}

}  // namespace

TEST(ShiftSetUp, FixedPiecesFrameAndList) {
    auto s = freshSearch();
    EXPECT_EQ(s->level, 3);
    EXPECT_EQ(s->maxLevel, 1);
    EXPECT_EQ(s->snapshot.ok, -1);
    for (const FixedPlacement& f : LOCAL_SEARCH_FIXED) {
        EXPECT_EQ(s->board.placement[f.cell], orientedNumber(f.piece, f.rotation));
        EXPECT_EQ(s->board.pieceCell[f.piece], f.cell);
        EXPECT_TRUE(s->board.flags[f.cell] & FIXED_CELL);
    }
    // The hint in rotation 2 shows (bottom-first numbering) top 8, left 12, right 9,
    // bottom 9; its neighbours must demand those colours in top-first numbering.
    const ShiftBoard& b = s->board;
    EXPECT_EQ(sideByte(b.required[HINT_CELL - 16], top_first::BOTTOM), TOP_FIRST_COLOUR[8]);
    EXPECT_EQ(sideByte(b.required[HINT_CELL - 1], top_first::RIGHT), TOP_FIRST_COLOUR[12]);
    EXPECT_EQ(sideByte(b.required[HINT_CELL + 1], top_first::LEFT), TOP_FIRST_COLOUR[9]);
    EXPECT_EQ(sideByte(b.required[HINT_CELL + 16], top_first::TOP), TOP_FIRST_COLOUR[9]);
    EXPECT_EQ(b.flags[0], TOP_FRAME | LEFT_FRAME);
    EXPECT_EQ(b.flags[255], RIGHT_FRAME | BOTTOM_FRAME);
    expectBookkeepingSound(*s);

    ASSERT_EQ(s->list.length, 1012);
    for (int i = 0; i < s->list.length; ++i) {
        const int piece = ORIENTED_RECORDS[s->list.record[i]].piece;
        EXPECT_TRUE(piece != 138 && piece != 180 && piece != 254);
        EXPECT_EQ(s->list.colours[i], ORIENTED_RECORDS[s->list.record[i]].colours);
        if (i > 0) {
            EXPECT_LT(s->list.record[i - 1], s->list.record[i]);
        }
    }
}

TEST(ShiftFit, OnlyKnownSidesAndTheFrameConstrain) {
    auto s = freshSearch();
    const ShiftBoard& b = s->board;
    auto firstFit = [&](int cell) {
        const int at = findFirstFit(s->list, b.mask[cell], b.required[cell] & b.mask[cell]);
        return at < 0 ? -1 : static_cast<int>(s->list.record[at]);
    };
    // A middle cell with no neighbours takes the head of the list: a corner piece.
    EXPECT_EQ(firstFit(100), 0);
    // A top-rim cell needs the border colour on top: corner piece 0 turned once.
    EXPECT_EQ(firstFit(1), 1);
    EXPECT_EQ(firstFit(0), 1);
    EXPECT_EQ(firstFit(255), 3);
    // Four border sides fit nothing, though the zeroed padding past the tail would.
    EXPECT_EQ(findFirstFit(s->list, 0xFFFFFFFFu, 0), -1);
    // The first fit for the hint's upper neighbour agrees with a plain scan.
    const int cell = HINT_CELL - 16;
    int expected = -1;
    for (int n = 0; n < ORIENTED_COUNT && expected < 0; ++n) {
        const int piece = pieceOfOriented(n);
        if (piece == 138 || piece == 180 || piece == 254) continue;
        const PieceEntry sides = rotate(PIECES_TOP_FIRST[piece], rotationOfOriented(n));
        if (sides[top_first::BOTTOM] == TOP_FIRST_COLOUR[8]) expected = n;
    }
    EXPECT_EQ(firstFit(cell), expected);
}

TEST(ShiftFit, MatchesAtEveryPositionOfTheList) {
    // A hit in each of the 16 lanes of a round, and on the last real entry.
    auto s = freshSearch();
    for (int position : {0, 1, 5, 15, 16, 31, 500, 1007, 1011}) {
        const std::uint32_t word = s->list.colours[position];
        const int found = findFirstFit(s->list, 0xFFFFFFFFu, word);
        EXPECT_EQ(found, position) << position;
    }
}

TEST(ShiftList, MoveToBackKeepsTheRestInOrder) {
    auto s = freshSearch();
    const ShiftList before = s->list;
    EXPECT_EQ(moveToBack(s->list, 7), before.record[7]);
    EXPECT_EQ(s->list.length, 1012);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(s->list.record[i], before.record[i]);
    for (int i = 7; i < 1011; ++i) {
        EXPECT_EQ(s->list.record[i], before.record[i + 1]);
        EXPECT_EQ(s->list.colours[i], before.colours[i + 1]);
    }
    EXPECT_EQ(s->list.record[1011], before.record[7]);
    EXPECT_EQ(s->list.colours[1011], before.colours[7]);
    // The tail stays where it is.
    EXPECT_EQ(moveToBack(s->list, 1011), before.record[7]);
    EXPECT_EQ(s->list.record[1011], before.record[7]);
}

TEST(ShiftBoard, PlaceAndRemoveKeepTheRequirementsExact) {
    auto s = freshSearch();
    const Board16 planted = plantedSolution();
    // Fill the planted solution row by row, then empty every other cell again.
    for (int cell = 0; cell < CELL_COUNT; ++cell)
        if (!(s->board.flags[cell] & FIXED_CELL))
            placePiece(*s, cell, orientedNumber(planted[cell].piece, planted[cell].rotation));
    EXPECT_EQ(s->level, 256);
    expectBookkeepingSound(*s);
    for (int cell = 0; cell < CELL_COUNT; cell += 2)
        if (!(s->board.flags[cell] & FIXED_CELL)) removePiece(*s, cell);
    expectBookkeepingSound(*s);
    // Every emptied cell still fits exactly its planted piece.
    for (int cell = 0; cell < CELL_COUNT; cell += 2) {
        if (s->board.flags[cell] & FIXED_CELL) continue;
        const int record = orientedNumber(planted[cell].piece, planted[cell].rotation);
        EXPECT_TRUE(fitsCell(s->board, cell, ORIENTED_RECORDS[record].colours)) << cell;
        EXPECT_FALSE(fitsCell(s->board, cell, ORIENTED_RECORDS[record ^ 1].colours)) << cell;
    }
}

TEST(ShiftBurst, RemovalCountAppliesToOneBurstOnly) {
    auto s = freshSearch(77);
    std::ostringstream out;
    resumeFromCells(*s, plantedSolution(), "Best255.csv", out);
    ASSERT_EQ(s->level, 256);
    s->tuning.removalCount = 5;
    s->tuning.re = 42;
    removalBurst(*s);
    EXPECT_EQ(s->level, 251);
    EXPECT_EQ(s->tuning.removalCount, 1);
    EXPECT_EQ(s->tuning.failureAllowance, 42);
    removalBurst(*s);
    EXPECT_EQ(s->level, 250);
    for (const FixedPlacement& f : LOCAL_SEARCH_FIXED) EXPECT_NE(s->board.placement[f.cell], NO_RECORD);
    expectBookkeepingSound(*s);

    // Only the fixed pieces left: a big burst removes nothing and ends.
    auto bare = freshSearch(5);
    bare->tuning.removalCount = 50;
    removalBurst(*bare);
    EXPECT_EQ(bare->level, 3);
    EXPECT_EQ(bare->tuning.removalCount, 1);
}

TEST(ShiftSnapshot, FallBackRestoresCellsAndThresholdsOnly) {
    auto s = freshSearch(3);
    // Without a snapshot a fall-back changes nothing.
    s->tuning.ok = 33;
    fallBack(*s);
    EXPECT_EQ(s->tuning.ok, 33);
    EXPECT_EQ(s->level, 3);

    std::ostringstream out;
    resumeFromCells(*s, zentara::shift::testing::plantedWithHoles(20, 9), "Best236.csv", out);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(s->maxLevel, 236);
    EXPECT_EQ(s->snapshot.ok, 33);
    const ShiftBoard saved = s->board;

    s->tuning.removalCount = 10;
    removalBurst(*s);
    moveToBack(s->list, 0);
    const ShiftList listBefore = s->list;
    s->tuning.ok = 80;
    s->tuning.re = 7;
    s->tuning.okStep = -1;
    s->tuning.savedOk = 61;
    s->tuning.statusCountdown = 4;
    EXPECT_EQ(s->level, 226);

    fallBack(*s);
    EXPECT_EQ(s->level, 236);
    EXPECT_EQ(s->tuning.ok, 33);
    EXPECT_EQ(s->tuning.re, 50);
    EXPECT_EQ(s->board.placement, saved.placement);
    EXPECT_EQ(s->board.required, saved.required);
    EXPECT_EQ(s->board.mask, saved.mask);
    EXPECT_EQ(s->board.pieceCell, saved.pieceCell);
    // Not restored: list order, saved values, steps, countdowns.
    EXPECT_EQ(s->list.record, listBefore.record);
    EXPECT_EQ(s->tuning.okStep, -1);
    EXPECT_EQ(s->tuning.savedOk, 61);
    EXPECT_EQ(s->tuning.statusCountdown, 4);
    expectBookkeepingSound(*s);
}
