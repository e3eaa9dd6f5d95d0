#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/wait.h>

#include "core/board_check.hpp"
#include "core/pieces.hpp"
#include "tests/support/temp_dir.hpp"

using namespace zentara;
using zentara::testing::readFile;
using zentara::testing::sourcePath;
using zentara::testing::writeFile;

namespace {
std::vector<PlacedCell> solution16() {
    BoardCheck check;
    std::string reason;
    EXPECT_TRUE(checkBoardFile(sourcePath("data/solution_16x16.csv").c_str(), check, reason)) << reason;
    return check.cells;
}
}  // namespace

TEST(BoardCheck, BrokenBoards) {
    std::vector<PlacedCell> cells = solution16();

    // Two inner pieces swapped: their seams no longer match.
    std::swap(cells[17], cells[18]);
    BoardCheck swapped = checkCells(PuzzleKind::Board16x16, cells);
    EXPECT_FALSE(swapped.consistent());
    EXPECT_EQ(swapped.piecesPlaced, 256);
    EXPECT_GT(swapped.mismatches.size(), 0u);
    EXPECT_EQ(swapped.matchedSeams + static_cast<int>(swapped.mismatches.size()), 480);
    std::swap(cells[17], cells[18]);

    // A corner turned away from the frame.
    cells[0].rotation = 0;
    BoardCheck turned = checkCells(PuzzleKind::Board16x16, cells);
    ASSERT_EQ(turned.frameViolations.size(), 1u);  // its top now faces the frame; the left still shows border
    EXPECT_EQ(turned.frameViolations[0].side, bottom_first::TOP);
    EXPECT_FALSE(turned.mismatches.empty());  // the bottom now shows border towards cell 16
    cells[0].rotation = 1;

    // A piece on two cells, the rest empty: no seams to compare, still inconsistent.
    std::vector<PlacedCell> twice(256);
    twice[100] = cells[100];
    twice[200] = cells[100];
    BoardCheck dup = checkCells(PuzzleKind::Board16x16, twice);
    EXPECT_EQ(dup.piecesUsedTwice, 1);
    EXPECT_FALSE(dup.consistent());
    EXPECT_FALSE(dup.hintInPlace);

    // Empty board: consistent, nothing placed.
    BoardCheck empty = checkCells(PuzzleKind::Board16x16, std::vector<PlacedCell>(256));
    EXPECT_TRUE(empty.consistent());
    EXPECT_FALSE(empty.complete());
    EXPECT_EQ(empty.piecesPlaced, 0);
}

TEST(BoardCheck, TextParsing) {
    BoardCheck check;
    std::string reason;
    EXPECT_FALSE(checkBoardText("  1,0;  2,0\r\n", check, reason));
    EXPECT_NE(reason.find("not a 16 x 16"), std::string::npos);
    EXPECT_FALSE(checkBoardText("abc", check, reason));

    // 6 x 6 file with a piece number out of range.
    std::string text = readFile(sourcePath("data/solution_6x6.csv"));
    text.replace(0, 2, "40");
    ASSERT_TRUE(checkBoardText(text, check, reason)) << reason;
    EXPECT_EQ(check.outOfRange, 1);
    EXPECT_FALSE(check.consistent());
}

class BoardCheckProgram : public zentara::testing::TempDirTest {
protected:
    int run(const std::string& file, std::string& output) {
        const std::string command = zentara::testing::programPath("board-check").string() + " " + file + " > out.txt";
        const int status = std::system(command.c_str());
        output = readFile("out.txt");
        return WEXITSTATUS(status);
    }
};

TEST_F(BoardCheckProgram, ExitCodesAndReport) {
    std::string out;
    EXPECT_EQ(run(sourcePath("data/solution_16x16.csv").string(), out), 0);
    EXPECT_NE(out.find("pieces placed: 256 of 256\n"), std::string::npos) << out;
    EXPECT_NE(out.find("matched seams: 480 of 480\n"), std::string::npos) << out;
    EXPECT_NE(out.find("hint piece on cell 135 in rotation 2: yes\n"), std::string::npos);
    EXPECT_NE(out.find("complete and consistent\n"), std::string::npos);

    std::string broken = readFile(sourcePath("data/solution_6x12.csv"));
    broken.replace(0, 4, " 1,0");
    broken.replace(5, 4, " 1,0");
    writeFile("broken.csv", broken);
    EXPECT_EQ(run("broken.csv", out), 1);
    EXPECT_NE(out.find("pieces used twice: 1\n"), std::string::npos) << out;
    EXPECT_NE(out.find("inconsistent\n"), std::string::npos);

    EXPECT_EQ(run("missing.csv", out), 2);
    EXPECT_NE(out.find("unreadable"), std::string::npos);
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1);
}
