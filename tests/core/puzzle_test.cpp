#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>

#include "core/board_check.hpp"
#include "core/board_file.hpp"
#include "core/pieces.hpp"
#include "tests/support/temp_dir.hpp"

using namespace zentara;
using zentara::testing::readFile;
using zentara::testing::sourcePath;

TEST(Puzzle, RotationAndNumbers) {
    for (const PieceEntry& e : pieceSet().bottomFirst) {
        EXPECT_EQ(rotate(rotate(rotate(rotate(e, 1), 1), 1), 1), e);
        EXPECT_EQ(rotate(e, 4), e);
    }
    const PieceEntry e{1, 2, 3, 4};
    EXPECT_EQ(rotate(e, 1), (PieceEntry{4, 1, 2, 3}));  // the last side moves to the first place
    EXPECT_EQ(orientedNumber(255, 3), 1023);
    EXPECT_EQ(pieceOfOriented(1023), 255);
    EXPECT_EQ(rotationOfOriented(554), 2);
}

TEST(Puzzle, TopFirstIsBottomFirstTurnedAndRenumbered) {
    for (int p = 0; p < PIECE_COUNT; ++p) {
        const PieceEntry turned = rotate(pieceSet().topFirst[p], 2);
        for (int k = 0; k < 4; ++k) EXPECT_EQ(turned[k], pieceSet().topFirstColour[pieceSet().bottomFirst[p][k]]);
    }
    // In top-first numbering the rim colours are 1, 2, 3, 4 and 8.
    for (int p = 0; p < FIRST_INNER_PIECE; ++p) {
        const PieceEntry& t = pieceSet().topFirst[p];
        // Table orientation: the border is at the bottom, and the rim runs left and right.
        EXPECT_EQ(t[top_first::BOTTOM], BORDER_COLOUR);
        for (int k : {top_first::LEFT, top_first::RIGHT}) {
            const int c = t[k];
            if (c != BORDER_COLOUR) {
                EXPECT_TRUE(c == 1 || c == 2 || c == 3 || c == 4 || c == 8) << p;
            }
        }
    }
}

TEST(Puzzle, CornersFitTheirCells) {
    using namespace bottom_first;
    for (int p = 0; p < CORNER_PIECES; ++p) {
        const PieceEntry r1 = rotate(pieceSet().bottomFirst[p], 1);
        EXPECT_EQ(r1[TOP], BORDER_COLOUR);
        EXPECT_EQ(r1[LEFT], BORDER_COLOUR);
        const PieceEntry r3 = rotate(pieceSet().bottomFirst[p], 3);
        EXPECT_EQ(r3[RIGHT], BORDER_COLOUR);
        EXPECT_EQ(r3[BOTTOM], BORDER_COLOUR);
        EXPECT_EQ(pieceClass(pieceSet().bottomFirst[p]), 2);
    }
}

TEST(Puzzle, Geometry) {
    const Geometry& g = BOARD_16X16;
    EXPECT_EQ(g.row(HINT_CELL), 8);
    EXPECT_EQ(g.column(HINT_CELL), 7);
    EXPECT_EQ(g.above(0), -1);
    EXPECT_EQ(g.left(16), -1);
    EXPECT_EQ(g.right(15), -1);
    EXPECT_EQ(g.below(255), -1);
    EXPECT_EQ(g.below(HINT_CELL), 151);
    EXPECT_TRUE(g.isCorner(240));
    EXPECT_FALSE(g.isCorner(241));
    EXPECT_TRUE(g.isRim(31));
    EXPECT_EQ(g.seams(), SEAM_COUNT);
    EXPECT_EQ(BOARD_6X12.seams(), 11 * 6 + 12 * 5);
    EXPECT_EQ(BOARD_6X12.row(13), 1);
}

namespace {
bool distinct(const PieceSet& set) {
    const auto& t = set.bottomFirst;
    const auto N = static_cast<std::size_t>(set.pieces);
    for (std::size_t a = 0; a < N; ++a)
        for (std::size_t b = a + 1; b < N; ++b)
            if (equalUnderRotation(t[a], t[b])) return false;
    return true;
}

std::vector<PlacedCell> readSolution(const char* name, BoardCheck& check) {
    std::string reason;
    EXPECT_TRUE(checkBoardFile(sourcePath(std::string("data/") + name).c_str(), check, reason)) << reason;
    return check.cells;
}
}  // namespace

TEST(PuzzleData, SmallSetsHaveDistinctPieces) {
    EXPECT_TRUE(distinct(pieceSet(PuzzleKind::Board6x12)));
    EXPECT_TRUE(distinct(pieceSet(PuzzleKind::Board6x6)));
}

TEST(PuzzleData, PlantedSolutionsAreCompleteAndValid) {
    BoardCheck big, mid, small;
    const auto cells = readSolution("solution_16x16.csv", big);
    readSolution("solution_6x12.csv", mid);
    readSolution("solution_6x6.csv", small);
    EXPECT_TRUE(big.complete());
    EXPECT_EQ(big.matchedSeams, 480);
    EXPECT_TRUE(big.hintInPlace);
    EXPECT_TRUE(mid.complete());
    EXPECT_EQ(mid.kind, PuzzleKind::Board6x12);
    EXPECT_TRUE(small.complete());
    EXPECT_EQ(small.kind, PuzzleKind::Board6x6);
    // Every fixed placement of the suite agrees with the planted solution.
    for (const FixedPlacement& f : pieceSet().clues()) {
        EXPECT_EQ(cells[f.cell].piece, f.piece);
        EXPECT_EQ(cells[f.cell].rotation, f.rotation);
    }
}

class PuzzleGenerator : public zentara::testing::TempDirTest {};

TEST_F(PuzzleGenerator, ReproducesTheCommittedFiles) {
    const std::string command = zentara::testing::programPath("make-puzzles").string() + " .";
    ASSERT_EQ(std::system(command.c_str()), 0);
    for (const char* name : {"puzzle_16x16.hpp", "puzzle_6x12.hpp", "puzzle_6x6.hpp", "solution_16x16.csv",
                             "solution_6x12.csv", "solution_6x6.csv"}) {
        EXPECT_EQ(readFile(name), readFile(sourcePath(std::string("data/") + name))) << name;
    }
}

TEST_F(PuzzleGenerator, MeasuresTheColourOrderOfAGivenHeader) {
    // What it prints for our header is the order text it wrote into it.
    const std::string program = zentara::testing::programPath("make-puzzles").string();
    const std::string header = sourcePath("data/puzzle_16x16.hpp");
    ASSERT_EQ(std::system((program + " --colour-order " + header + " >order.txt 2>rate.txt").c_str()), 0);
    const std::string committed = readFile(header);
    const std::size_t begin = committed.find("// Working colour order");
    const std::size_t end = committed.find('\n', committed.find("COLOUR_ORDER{{", begin)) + 1;
    ASSERT_NE(begin, std::string::npos);
    EXPECT_EQ(readFile("order.txt"), committed.substr(begin, end - begin));
    EXPECT_EQ(readFile("rate.txt").rfind("one balanced inner assignment in ", 0), 0u) << readFile("rate.txt");
    // A header without 256 entries is refused with the reason, and nothing printed.
    zentara::testing::writeFile("short.hpp", committed.substr(0, committed.rfind('\n', committed.find("// 256")) + 1));
    EXPECT_NE(std::system((program + " --colour-order short.hpp >order.txt 2>rate.txt").c_str()), 0);
    EXPECT_EQ(readFile("order.txt"), "");
    EXPECT_EQ(readFile("rate.txt"), "make-puzzles: short.hpp: PIECES_16X16 does not hold 256 entries of 4 colours\n");
}

TEST_F(PuzzleGenerator, CommandLineHelpVersionAndUnknownArguments) {
    const std::string program = zentara::testing::programPath("make-puzzles").string();
    const auto run = [&](const std::string& args) {
        const int status = std::system((program + " " + args + " >out.txt 2>err.txt").c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(run("--help"), 0);
    EXPECT_EQ(readFile("out.txt").rfind("usage: make-puzzles [--seed N] [--cross] DATA_DIR", 0), 0u);
    EXPECT_EQ(readFile("err.txt"), "");
    EXPECT_EQ(run("--version"), 0);
    EXPECT_EQ(readFile("out.txt"), "make-puzzles (Zentara) 1.0.0\npiece set: built-in\n");
    // An unknown argument is named, with the usage, and nothing is written.
    EXPECT_EQ(run("--frobnicate ."), 2);
    EXPECT_EQ(readFile("out.txt"), "");
    EXPECT_EQ(readFile("err.txt").rfind("make-puzzles: unknown argument '--frobnicate'\nusage: make-puzzles", 0), 0u);
    EXPECT_EQ(run(". --seed 3"), 2);
    EXPECT_EQ(run("--import 7x7 a.txt b.hpp"), 2);
    EXPECT_EQ(readFile("err.txt").rfind("make-puzzles: unknown size '7x7'\n", 0), 0u);
    EXPECT_FALSE(std::filesystem::exists("puzzle_16x16.hpp"));
    EXPECT_FALSE(std::filesystem::exists("b.hpp"));
}
