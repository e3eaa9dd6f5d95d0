// Set-up, the fit rule and its vector scans, the move-to-back list, placing and
// removing, removal bursts and the snapshot fall-back.
#include <gtest/gtest.h>

#include <sstream>

#include "shift_test_support.hpp"

using namespace zentara;
using namespace zentara::shift;
using namespace zentara::shift::testing;

namespace {

std::uint8_t sideByte(std::uint32_t word, int side) { return static_cast<std::uint8_t>(word >> (8 * side)); }

// Every piece lies where the location table says, and a side's requirement applies
// exactly when it faces the frame (border colour) or a placed neighbour (its colour).
void expectBookkeepingSound(const ShiftSearch& s) {
    const ShiftBoard& b = s.board;
    int placed = 0;
    for (int cell = 0; cell < CELL_COUNT; ++cell) {
        if (b.placement[cell] == NO_RECORD) continue;
        ++placed;
        EXPECT_EQ(b.pieceCell[ORIENTED_RECORDS[b.placement[cell]].piece], cell);
        const int offsets[4] = {-16, 1, 16, -1};
        for (int side = 0; side < 4; ++side) {
            const bool applies = sideByte(b.mask[cell], side) == 0xFF;
            if (b.flags[cell] & (1 << side)) {
                EXPECT_TRUE(applies && sideByte(b.required[cell], side) == BORDER_COLOUR) << cell;
                continue;
            }
            const int n = cell + offsets[side];
            ASSERT_EQ(applies, b.placement[n] != NO_RECORD) << "cell " << cell << " side " << side;
            if (applies) {
                EXPECT_EQ(sideByte(b.required[cell], side), sideByte(ORIENTED_RECORDS[b.placement[n]].colours, side ^ 2));
            }
        }
    }
    EXPECT_EQ(placed, s.level);
}

}  // namespace

TEST(ShiftSetUp, FixedPiecesFrameAndList) {
    auto s = freshSearch();
    EXPECT_EQ(s->level, 3);
    EXPECT_EQ(s->maxLevel, 1);
    EXPECT_EQ(s->snapshot.ok, -1);
    for (const FixedPlacement& f : pieceSet().clues()) {
        EXPECT_EQ(s->board.placement[f.cell], orientedNumber(f.piece, f.rotation));
        EXPECT_TRUE(s->board.flags[f.cell] & FIXED_CELL);
    }
    // The hint in rotation 2 shows (bottom-first numbering) top 8, left 12, right 9, bottom 9.
    const ShiftBoard& b = s->board;
    EXPECT_EQ(sideByte(b.required[HINT_CELL - 16], top_first::BOTTOM), pieceSet().topFirstColour[8]);
    EXPECT_EQ(sideByte(b.required[HINT_CELL - 1], top_first::RIGHT), pieceSet().topFirstColour[12]);
    EXPECT_EQ(sideByte(b.required[HINT_CELL + 1], top_first::LEFT), pieceSet().topFirstColour[9]);
    EXPECT_EQ(sideByte(b.required[HINT_CELL + 16], top_first::TOP), pieceSet().topFirstColour[9]);
    expectBookkeepingSound(*s);
    // The list: every record but the fixed pieces', in oriented-number order.
    ASSERT_EQ(s->list.length, 1012);
    for (int i = 0, n = 0; i < s->list.length; ++i, ++n) {
        while (n / 4 == 138 || n / 4 == 180 || n / 4 == 254) ++n;
        EXPECT_EQ(s->list.record[i], n);
        EXPECT_EQ(s->list.colours[i], ORIENTED_RECORDS[n].colours);
    }
}

TEST(ShiftFit, OnlyKnownSidesAndTheFrameConstrainAndEveryScanAgrees) {
    auto s = freshSearch();
    const ShiftBoard& b = s->board;
    auto firstFit = [&](int cell) { return findFirstFit(s->list, b.mask[cell], b.required[cell] & b.mask[cell]); };
    EXPECT_EQ(firstFit(100), 0);  // no neighbours: the head of the list, a corner piece
    EXPECT_EQ(firstFit(1), 1);    // border on top: corner piece 0 turned once
    EXPECT_EQ(firstFit(0), 1);
    EXPECT_EQ(firstFit(255), 3);
    // Four border sides fit nothing, though the zeroed padding past the tail would.
    EXPECT_EQ(findFirstFit(s->list, 0xFFFFFFFFu, 0), -1);

    std::vector<scan::Function> scans{scan::portable};
#if defined(__x86_64__)
    scans.push_back(scan::sse2);
    if (__builtin_cpu_supports("avx2")) scans.push_back(scan::avx2);
    if (__builtin_cpu_supports("avx512f")) scans.push_back(scan::avx512);
#endif
    Random random{99};
    for (int trial = 0; trial < 3000; ++trial) {
        moveToBack(s->list, static_cast<int>(random.highHalf() % 1012));
        const std::uint32_t mask = (random.highHalf() & 1 ? 0xFF : 0) | (random.highHalf() & 1 ? 0xFF00 : 0) |
                                   (random.highHalf() & 1 ? 0xFF0000 : 0) | (random.highHalf() & 1 ? 0xFF000000u : 0);
        const std::uint32_t wanted = s->list.colours[random.highHalf() % 1012] & mask;
        const int expected = scan::portable(s->list.colours.data(), s->list.length, mask, wanted);
        for (scan::Function f : scans) ASSERT_EQ(f(s->list.colours.data(), s->list.length, mask, wanted), expected);
        EXPECT_EQ(findFirstFit(s->list, mask, wanted), expected);
    }
}

TEST(ShiftList, MoveToBackKeepsTheRestInOrder) {
    auto s = freshSearch();
    const ShiftList before = s->list;
    EXPECT_EQ(moveToBack(s->list, 7), before.record[7]);
    for (int i = 0; i < 1011; ++i) EXPECT_EQ(s->list.record[i], before.record[i < 7 ? i : i + 1]);
    EXPECT_EQ(s->list.record[1011], before.record[7]);
    EXPECT_EQ(s->list.colours[1011], before.colours[7]);
    EXPECT_EQ(moveToBack(s->list, 1011), before.record[7]);  // the tail stays
    EXPECT_EQ(s->list.record[1010], before.record[1011]);
}

TEST(ShiftBoard, PlaceAndRemoveKeepTheRequirementsExact) {
    auto s = freshSearch();
    const Board16 planted = plantedSolution();
    for (int cell = 0; cell < CELL_COUNT; ++cell)
        if (!(s->board.flags[cell] & FIXED_CELL)) placePiece(*s, cell, orientedNumber(planted[cell].piece, planted[cell].rotation));
    expectBookkeepingSound(*s);
    for (int cell = 0; cell < CELL_COUNT; cell += 2)
        if (!(s->board.flags[cell] & FIXED_CELL)) removePiece(*s, cell);
    expectBookkeepingSound(*s);
    // Every emptied cell fits its planted piece and not the same piece turned.
    for (int cell = 2; cell < CELL_COUNT; cell += 2) {
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
    expectBookkeepingSound(*s);
    for (const FixedPlacement& f : pieceSet().clues()) EXPECT_NE(s->board.placement[f.cell], NO_RECORD);
    // Only the fixed pieces left: a big burst removes nothing, and ends.
    auto bare = freshSearch(5);
    bare->tuning.removalCount = 50;
    removalBurst(*bare);
    EXPECT_EQ(bare->level, 3);
}

TEST(ShiftSnapshot, FallBackRestoresCellsAndThresholdsOnly) {
    auto s = freshSearch(3);
    s->tuning.ok = 33;
    fallBack(*s);  // no snapshot yet: nothing happens
    EXPECT_EQ(s->tuning.ok, 33);
    std::ostringstream out;
    resumeFromCells(*s, plantedWithHoles(20, 9), "Best236.csv", out);
    EXPECT_EQ(s->maxLevel, 236);
    const ShiftBoard saved = s->board;
    s->tuning.removalCount = 10;
    removalBurst(*s);
    moveToBack(s->list, 0);
    const ShiftList listBefore = s->list;
    s->tuning.ok = 80;
    s->tuning.re = 7;
    s->tuning.savedOk = 61;
    s->tuning.statusCountdown = 4;
    fallBack(*s);
    EXPECT_EQ(s->level, 236);
    EXPECT_EQ(s->tuning.ok, 33);
    EXPECT_EQ(s->tuning.re, 50);
    EXPECT_EQ(s->board.placement, saved.placement);
    EXPECT_EQ(s->board.mask, saved.mask);
    EXPECT_EQ(s->board.pieceCell, saved.pieceCell);
    EXPECT_EQ(s->list.record, listBefore.record);  // not restored: list, saved values, countdowns
    EXPECT_EQ(s->tuning.savedOk, 61);
    EXPECT_EQ(s->tuning.statusCountdown, 4);
    expectBookkeepingSound(*s);
}
