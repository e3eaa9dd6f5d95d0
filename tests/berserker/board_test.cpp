// Set-up, placing and removing, knock-outs, stalls, big resets and resuming.
#include <gtest/gtest.h>

#include <sstream>

#include <set>

#include "core/board_check.hpp"
#include "tests/berserker/helpers.hpp"

using namespace zentara;
using namespace zentara::berserker;
using namespace zentara::berserker::testing;

namespace {

int boardLevelOf(const Board16& cells) {
    int n = 0;
    for (const PlacedCell& c : cells) n += !c.empty();
    return n;
}

BoardCheck check(const Berserker& e, const Board& b) {
    Board16 cells;
    boardCells(e, b, cells);
    return checkCells(PuzzleKind::Board16x16, std::vector<PlacedCell>(cells.begin(), cells.end()));
}

}  // namespace

TEST(BerserkerBoard, SetUpPlacingAndRemovingKeepKnownSidesAndTheFreeListOrder) {
    const auto e = makeEngine(7);
    Board& b = e->board;
    expectBoardInvariants(*e, b);
    ASSERT_EQ(b.level, 3);
    ASSERT_EQ(b.freeLength, 253);
    for (int i = 1; i < b.freeLength; ++i) EXPECT_LT(b.freeCells[i - 1], b.freeCells[i]) << "array order";
    Board16 cells;
    boardCells(*e, b, cells);
    EXPECT_EQ(cells[HINT_CELL], placed(HINT_PIECE, 2));
    EXPECT_EQ(cells[210], placed(180, 3));
    EXPECT_EQ(cells[45], placed(254, 3));
    EXPECT_EQ(candidateListOf(e->tables, b, arrayCellOf(17)).count, 0) << "nothing known, nothing fits";

    // Corner cell 0 (the head of the list) takes the corners in rotation 1.
    const CandidateList corners = candidateListOf(e->tables, b, arrayCellOf(0));
    ASSERT_EQ(corners.count, 4);
    const int record = e->tables.entries[corners.start + 2].record;
    EXPECT_EQ(e->tables.records[record].rotation, 1);
    const int secondFree = b.freeCells[1];
    placeRecord(b, e->tables, record, 0);
    expectBoardInvariants(*e, b);
    EXPECT_EQ(b.freeCells[0], secondFree);
    // The cell to the right now requires the corner's right colour on its left side.
    const CandidateList next = candidateListOf(e->tables, b, arrayCellOf(1));
    ASSERT_GT(next.count, 0);
    for (int j = 0; j < next.count; ++j) {
        const Record& r = e->tables.records[e->tables.entries[next.start + j].record];
        EXPECT_EQ(sideColour(r.sides, 3), sideColour(e->tables.records[record].sides, 1));
    }

    EXPECT_TRUE(removePiece(b, arrayCellOf(0)));
    expectBoardInvariants(*e, b);
    EXPECT_EQ(b.freeCells[b.freeLength - 1], arrayCellOf(0)) << "a freed cell goes to the tail";
    for (int cell : {arrayCellOf(0), arrayCellOf(HINT_CELL), 5, -1, ARRAY_CELLS})
        EXPECT_FALSE(removePiece(b, cell)) << cell;  // empty, fixed, frame, outside
    expectBoardInvariants(*e, b);
}

TEST(BerserkerBoard, KnockOutsAreClippedAtTheFrameTheArrayAndTheFixedCells) {
    const auto e = makeEngine(7);
    ASSERT_EQ(resumeFromCells(*e, plantedSolution()), 253);
    Board& b = e->board;
    ASSERT_EQ(b.level, 256);
    const Board full = b;
    struct Case {
        int centre;
        std::set<int> removed;  // board cells
    };
    const Case cases[] = {
        {0, {0}},                  // array corner: eight of nine cells lie outside or on the frame
        {ARRAY_CELLS - 1, {255}},  // the opposite corner
        {9, {7, 8, 9}},            // a top frame cell
        {FRAMED_SIDE * 5, {48, 64, 80}},  // a left frame cell: the row before wraps onto the right frame
        {FRAMED_SIDE * 5 + 17, {63, 79, 95}},  // a right frame cell: the row after wraps onto the left frame
        {arrayCellOf(HINT_CELL), {118, 119, 120, 134, 136, 150, 151, 152}},  // the fixed centre stays
        {arrayCellOf(46), {29, 30, 31, 46, 47, 61, 62, 63}},  // fixed cell 45 in the corner of the block
    };
    for (const Case& c : cases) {
        b = full;
        knockOutBlock(b, c.centre);
        expectBoardInvariants(*e, b);
        Board16 cells;
        boardCells(*e, b, cells);
        std::set<int> removed;
        for (int cell = 0; cell < CELL_COUNT; ++cell)
            if (cells[cell].empty()) removed.insert(cell);
        EXPECT_EQ(removed, c.removed) << "centre " << c.centre;
        EXPECT_EQ(b.level, 256 - static_cast<int>(c.removed.size()));
        // The cells go to the free list row by row from the top left.
        std::vector<int> order(b.freeCells.begin(), b.freeCells.begin() + b.freeLength);
        std::vector<int> expected;
        for (int cell : c.removed) expected.push_back(arrayCellOf(cell));
        EXPECT_EQ(order, expected);
        knockOutBlock(b, c.centre);  // nothing left to remove
        EXPECT_EQ(b.level, 256 - static_cast<int>(c.removed.size()));
    }
}

// At or above the saved level a stall never falls back: whatever the draws, the
// board before the knock-outs becomes the saved board.
TEST(BerserkerBoard, StallAtOrAboveTheSavedLevelAlwaysSaves) {
    const auto e = makeEngine(7);
    Board16 start = plantedSolution();
    for (int cell = 100; cell < 140; ++cell) start[cell] = PlacedCell{};
    resumeFromCells(*e, start);
    const Board atSaved = e->board;
    for (RandomState seed = 1; seed <= 64; ++seed) {
        for (const bool above : {false, true}) {
            e->board = atSaved;
            e->saved = atSaved;
            if (above) {  // the saved board lags one piece behind
                Board lower = atSaved;
                removePiece(lower, arrayCellOf(0));
                e->saved = lower;
            }
            e->random = seed;
            handleStall(*e);
            EXPECT_TRUE(sameBoard(e->saved, atSaved)) << "seed " << seed;
            EXPECT_EQ(e->fallBackCountdown, 1000);
            EXPECT_LT(e->board.level, atSaved.level) << "at least one block knocked out";
            expectBoardInvariants(*e, e->board);
        }
    }
}

TEST(BerserkerBoard, StallBelowTheSavedLevelFallsBackUnlessTheDrawIsZero) {
    const auto e = makeEngine(7);
    Board16 start = plantedSolution();
    for (int cell = 100; cell < 140; ++cell) start[cell] = PlacedCell{};
    resumeFromCells(*e, start);
    const Board saved = e->board;
    Board lagging = saved;
    for (int cell : {0, 1, 2}) ASSERT_TRUE(removePiece(lagging, arrayCellOf(cell)));
    const std::uint32_t d = 3 * 10000;

    // The same draws again, by hand: fall-back draw, block count, block centres.
    auto expectKnockOuts = [&](const Board& from, RandomState state) {
        Board expected = from;
        Random r{state};
        r.step();
        const int blocks = static_cast<int>(r.remainder(3)) + 1;
        for (int i = 0; i < blocks; ++i) knockOutBlock(expected, static_cast<int>(r.remainder(ARRAY_CELLS)));
        EXPECT_TRUE(sameBoard(e->board, expected));
        EXPECT_EQ(e->random, r.state);
    };

    // A draw of 0 (one chance in d) saves the lagging board.
    e->board = lagging;
    e->saved = saved;
    e->random = stateBefore(d * 12345u);
    const RandomState zeroDraw = e->random;
    handleStall(*e);
    EXPECT_TRUE(sameBoard(e->saved, lagging));
    EXPECT_EQ(e->fallBackCountdown, 1000);
    expectKnockOuts(lagging, zeroDraw);

    // Any other draw falls back; the thousandth fall-back counts one thousand.
    e->board = lagging;
    e->saved = saved;
    e->fallBackCountdown = 1;
    e->random = stateBefore(d * 12345u + 1);
    const RandomState otherDraw = e->random;
    handleStall(*e);
    EXPECT_TRUE(sameBoard(e->saved, saved));
    EXPECT_EQ(e->fallBackCountdown, 1000);
    EXPECT_EQ(e->fallBackThousands, 1);
    expectKnockOuts(saved, otherDraw);
    expectBoardInvariants(*e, e->board);
}

TEST(BerserkerBoard, BigResetRemovesThePiecesOfOneHundredDrawnCellsAndSaves) {
    const auto e = makeEngine(99);
    resumeFromCells(*e, plantedSolution());
    e->bigResetCountdown = 3;
    e->heightSinceBigReset = 250;
    const int bigResets = e->bigResets;
    std::set<int> expectedEmpty;
    Random r{99};
    for (int i = 0; i < 100; ++i) {
        const int cell = boardCellOf(static_cast<int>(r.remainder(ARRAY_CELLS)));
        if (cell >= 0 && cell != HINT_CELL && cell != 210 && cell != 45) expectedEmpty.insert(cell);
    }
    bigReset(*e);
    EXPECT_EQ(e->bigResets, bigResets + 1);
    EXPECT_EQ(e->bigResetCountdown, 10);
    EXPECT_EQ(e->heightSinceBigReset, 0);
    EXPECT_EQ(e->board.level, 256 - static_cast<int>(expectedEmpty.size()));
    Board16 cells;
    boardCells(*e, e->board, cells);
    for (int cell = 0; cell < CELL_COUNT; ++cell) EXPECT_EQ(cells[cell].empty(), expectedEmpty.count(cell) == 1) << cell;
    EXPECT_TRUE(sameBoard(e->saved, e->board));
    expectBoardInvariants(*e, e->board);
}

TEST(BerserkerBoard, ResumingThePlantedSolutionWithCellsEmptiedGivesItsLevel) {
    const auto e = makeEngine(7);
    Board16 start = plantedSolution();
    for (int cell : {0, 17, 100, 201, 255, HINT_CELL}) start[cell] = PlacedCell{};  // the hint stays fixed anyway
    EXPECT_EQ(resumeFromCells(*e, start), 248);
    EXPECT_EQ(e->board.level, 251);
    EXPECT_EQ(e->bestLevel, 251);
    EXPECT_TRUE(sameBoard(e->saved, e->board));
    expectBoardInvariants(*e, e->board);
    Board16 cells;
    boardCells(*e, e->board, cells);
    start[HINT_CELL] = placed(HINT_PIECE, 2);
    EXPECT_EQ(cells, start);
    EXPECT_TRUE(check(*e, e->board).consistent());
}

TEST(BerserkerBoard, ResumingIgnoresUnusableAndMismatchingEntries) {
    const auto e = makeEngine(7);
    const Board16 solution = plantedSolution();
    Board16 start = solution;
    start[20] = solution[3];                   // piece already placed on cell 3
    start[HINT_CELL] = solution[136];          // the fixed cell already holds the hint
    start[136] = placed(HINT_PIECE, 0);        // no record for the hint in rotation 0
    start[137] = placed(HINT_PIECE, 2);        // the hint already lies on its cell
    start[60] = placed(solution[60].piece, (solution[60].rotation + 1) & 3);  // turned: does not fit
    start[0] = solution[1];                    // an edge piece in the corner: does not fit
    start[1] = PlacedCell{};                   // (so that the edge piece is not placed twice)
    std::ostringstream out;
    const int resumed = resumeFromCells(*e, start, "Best249.csv", out);
    // One line per refused cell, in cell order, as shift-solver says it (rows and columns from 1).
    EXPECT_EQ(out.str(),
              "Read error from Best249.csv, bad block at [1,1]!\n"
              "Read error from Best249.csv, bad block at [2,5]!\n"
              "Read error from Best249.csv, bad block at [4,13]!\n"
              "Read error from Best249.csv, bad block at [9,8]!\n"
              "Read error from Best249.csv, bad block at [9,9]!\n"
              "Read error from Best249.csv, bad block at [9,10]!\n");
    Board16 cells;
    boardCells(*e, e->board, cells);
    for (int cell : {0, 1, 20, 60, 136, 137}) EXPECT_TRUE(cells[cell].empty()) << cell;
    EXPECT_EQ(cells[HINT_CELL], placed(HINT_PIECE, 2));
    EXPECT_EQ(resumed, 253 - 6);  // every non-fixed cell but 0, 1, 20, 60, 136 and 137
    EXPECT_EQ(e->board.level, boardLevelOf(cells));
    EXPECT_TRUE(check(*e, e->board).consistent());
    expectBoardInvariants(*e, e->board);
}

class BerserkerResumeFile : public zentara::testing::TempDirTest {};

TEST_F(BerserkerResumeFile, ReadsTheDeepestBestFileOfMoreThan500Bytes) {
    const auto e = makeEngine(7);
    std::ostringstream out;
    EXPECT_FALSE(resumeFromBestFile(*e, out));
    EXPECT_EQ(e->saved.level, 3);

    Board16 start = plantedSolution();
    for (int cell = 200; cell < 256; ++cell) start[cell] = PlacedCell{};
    ASSERT_TRUE(writeBoardFile("Best203.csv", start.data(), LAYOUT_16X16));
    zentara::testing::writeFile("Best240.csv", std::string(500, '7'));  // too short: passed over
    const auto f = makeEngine(7);
    EXPECT_TRUE(resumeFromBestFile(*f, out));
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(f->bestLevel, 201);  // the file's 200 pieces and the fixed piece on cell 210
    start[210] = placed(180, 3);
    BoardText expected;
    formatBoard(start.data(), LAYOUT_16X16, expected);
    EXPECT_EQ(boardText(*f, f->saved), expected.view());
}
