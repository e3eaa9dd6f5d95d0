#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
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

    // 65537 is no piece 1 in disguise, and every faulty cell counts once.
    text = readFile(sourcePath("data/solution_16x16.csv"));
    ASSERT_EQ(text.substr(0, 3), "  1");
    text.replace(0, 3, "65537");
    text.replace(text.size() - 3, 1, "7");  // rotation 7 on the last cell
    ASSERT_TRUE(checkBoardText(text, check, reason)) << reason;
    EXPECT_EQ(check.outOfRange, 2);
    EXPECT_EQ(check.piecesPlaced, 256);
    EXPECT_FALSE(check.consistent());

    // Digit runs far past any integer neither overflow nor make the file unreadable:
    // out of range like any other number above the set, leading zeros read as usual.
    text = readFile(sourcePath("data/solution_16x16.csv"));
    text.replace(0, 3, std::string(40, '9'));
    text.replace(text.find(';') + 1, 3, "18446744073709551617");  // 2^64 + 1 wraps to 1 in 64 bits
    text.replace(text.size() - 3, 1, "4294967296");  // a rotation wrapping to 0 in 32 bits
    const std::size_t third = text.find(';', text.find(';') + 1) + 1;
    ASSERT_EQ(text.substr(third, 3), " 29");
    text.replace(third, 3, "000000000000000029");
    ASSERT_TRUE(checkBoardText(text, check, reason)) << reason;
    EXPECT_EQ(check.outOfRange, 3);
    EXPECT_EQ(check.piecesPlaced, 256);

    // The small boards' ranges: 37 is out of the 6 x 6 set, 73 of the 6 x 12 set.
    text = readFile(sourcePath("data/solution_6x12.csv"));
    text.replace(0, 2, "73");
    ASSERT_TRUE(checkBoardText(text, check, reason)) << reason;
    EXPECT_EQ(check.outOfRange, 1);
    text = readFile(sourcePath("data/solution_6x6.csv"));
    text.replace(0, 2, "37");
    ASSERT_TRUE(checkBoardText(text, check, reason)) << reason;
    EXPECT_EQ(check.outOfRange, 1);
}

class BoardCheckProgram : public zentara::testing::TempDirTest {
protected:
    int run(const std::string& arguments, std::string& output) {
        const std::string command = zentara::testing::programPath("board-check").string() + " " + arguments + " > out.txt";
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

// A board laid out otherwise (a blank after each comma, wider fields) is the same
// board to the checker, but not to the resuming solvers: --resume shows what they
// make of it, cell by cell, and --canonical hands on the board as checked.
TEST_F(BoardCheckProgram, ResumeReadsAsTheSolversAndCanonicalWritesTheSuitesLayout) {
    const std::string solution = readFile(sourcePath("data/solution_16x16.csv"));
    std::string spaced;
    for (char ch : solution) spaced += ch == ',' ? std::string(", ") : ch == ';' ? std::string(" ; ") : std::string(1, ch);
    writeFile("spaced.csv", spaced);

    std::string out;
    EXPECT_EQ(run("--resume spaced.csv", out), 0);
    EXPECT_NE(out.find("complete and consistent\n"), std::string::npos) << out;
    EXPECT_NE(out.find("resuming: the solvers read this file differently"), std::string::npos) << out;
    // Each count is followed by exactly that many cell lines.
    for (const char* solver : {"shift-solver", "berserker-solver"}) {
        const std::string head = std::string("cells ") + solver + " refuses on resuming: ";
        const std::size_t at = out.find(head);
        ASSERT_NE(at, std::string::npos) << out;
        const int count = std::atoi(out.c_str() + at + head.size());
        EXPECT_GT(count, 50) << solver;
        std::size_t pos = out.find('\n', at) + 1;
        int lines = 0;
        // Each line names the cell also as the solver's "Read error ... bad block at
        // [ROW,COLUMN]!" line does, counted from 1.
        int row1 = 0, column1 = 0, cell = 0, row = 0, column = 0;
        while (std::sscanf(out.c_str() + pos, "  [%d,%d] cell %d (row %d, column %d)", &row1, &column1, &cell, &row,
                           &column) == 5) {
            ++lines;
            EXPECT_EQ(row1, row + 1);
            EXPECT_EQ(column1, column + 1);
            EXPECT_EQ(cell, row * 16 + column);
            pos = out.find('\n', pos) + 1;
        }
        EXPECT_EQ(lines, count) << solver;
    }

    EXPECT_EQ(run("--resume " + sourcePath("data/solution_16x16.csv").string(), out), 0);
    EXPECT_NE(out.find("cells shift-solver refuses on resuming: 0\ncells berserker-solver refuses on resuming: 0\n"),
              std::string::npos)
        << out;
    EXPECT_EQ(out.find("differently"), std::string::npos);

    // The copy in the suite's layout is byte for byte the file the suite writes.
    EXPECT_EQ(run("--canonical spaced.csv seed.csv", out), 0);
    EXPECT_NE(out.find("written: seed.csv\n"), std::string::npos) << out;
    EXPECT_EQ(readFile("seed.csv"), solution);
    Board16 asResumed;
    parseBoardBytes(readFile("seed.csv"), asResumed);
    EXPECT_EQ(std::vector<PlacedCell>(asResumed.begin(), asResumed.end()), solution16());

    const std::string small = readFile(sourcePath("data/solution_6x12.csv"));
    std::string smallSpaced;
    for (char ch : small) smallSpaced += ch == ',' ? std::string(" , ") : std::string(1, ch);
    writeFile("small.csv", smallSpaced);
    EXPECT_EQ(run("--canonical small.csv small-out.csv", out), 0) << out;
    EXPECT_EQ(readFile("small-out.csv"), small);

    // An inconsistent board is handed on as it is (exit 1); numbers out of range cannot be.
    std::string twice = solution;
    twice.replace(0, 5, solution.substr(6, 5));
    writeFile("twice.csv", twice);
    EXPECT_EQ(run("--canonical twice.csv twice-out.csv", out), 1);
    EXPECT_EQ(readFile("twice-out.csv"), twice);
    std::string far = solution;
    far.replace(0, 3, "65537");
    writeFile("far.csv", far);
    EXPECT_EQ(run("--canonical far.csv far-out.csv", out), 1);
    EXPECT_NE(out.find("far-out.csv: not written: piece numbers out of range"), std::string::npos) << out;
    EXPECT_FALSE(std::filesystem::exists("far-out.csv"));

    // OUT that cannot be written is a failure, never a success; an unreadable FILE writes nothing.
    std::filesystem::create_directory("taken");
    EXPECT_EQ(run("--canonical spaced.csv taken", out), 2);
    EXPECT_NE(out.find("taken: not written: "), std::string::npos) << out;
    EXPECT_EQ(run("--canonical missing.csv never.csv", out), 2);
    EXPECT_FALSE(std::filesystem::exists("never.csv"));
    EXPECT_EQ(run("--canonical spaced.csv", out), 2);
}

// --canonical never replaces a file holding another board (a board a solver found
// under that name, say) or anything else: one line naming it, exit 1, the file
// untouched. The same board, in whatever layout, or an empty file is written over
// (exit as the check says).
TEST_F(BoardCheckProgram, CanonicalKeepsAnOutHoldingAnotherBoard) {
    const std::string solution = readFile(sourcePath("data/solution_16x16.csv"));
    std::string spaced;
    for (char ch : solution) spaced += ch == ',' ? std::string(", ") : std::string(1, ch);
    std::string other = solution;  // two pieces swapped: another board, as consistent in count
    other.replace(0, 5, solution.substr(6, 5));
    other.replace(6, 5, solution.substr(0, 5));
    writeFile("solution.csv", solution);
    struct Case {
        const char* name;
        std::string existing;  // OUT's bytes before the run
        int exitCode;
        const char* kept;  // why it is kept; nullptr: written over
    };
    const std::vector<Case> cases{
        {"the same board, spaced", spaced, 0, nullptr},
        {"the same board, same bytes", solution, 0, nullptr},
        {"an empty file (a fresh temporary)", "", 0, nullptr},
        {"another 16 x 16 board", other, 1, "it holds another board"},
        {"a 6 x 12 board", readFile(sourcePath("data/solution_6x12.csv")), 1, "it holds another board"},
        {"no board at all", "notes about the run\r\n", 1, "it is no board file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile("Best256.csv", c.existing);
        std::string out;
        EXPECT_EQ(run("--canonical solution.csv Best256.csv", out), c.exitCode) << out;
        EXPECT_EQ(readFile("Best256.csv"), c.kept ? c.existing : solution);
        const std::string last = out.substr(out.rfind('\n', out.size() - 2) + 1);
        EXPECT_EQ(last, c.kept ? "Best256.csv: not replaced: " + std::string(c.kept) + "; remove it or name another file\n"
                               : std::string("written: Best256.csv\n"));
    }
    // Through a link the file it names is compared, and kept.
    writeFile("found.csv", other);
    std::filesystem::create_symlink("found.csv", "Best255.csv");
    std::string out;
    EXPECT_EQ(run("--canonical solution.csv Best255.csv", out), 1) << out;
    EXPECT_EQ(readFile("found.csv"), other);
    EXPECT_TRUE(std::filesystem::is_symlink("Best255.csv"));
}

// --best: the consistent board with the most pieces, then the most seams, among
// the names the solvers write; equal boards go to the name first in byte order.
// A FIFO, a directory and other names are passed over without blocking.
TEST_F(BoardCheckProgram, BestPicksMostPiecesThenSeamsAmongTheSolversBoardFiles) {
    const std::vector<PlacedCell> solution = solution16();
    auto boardWithout = [&](std::initializer_list<int> emptied) {
        std::vector<PlacedCell> cells = solution;
        for (int c : emptied) cells[static_cast<std::size_t>(c)] = PlacedCell{};
        BoardText text;
        formatBoard(cells.data(), LAYOUT_16X16, text);
        return std::string(text.view());
    };
    std::filesystem::create_directory("d");
    const std::string block = boardWithout({83, 84, 85, 86, 99, 100, 101, 102});        // 248 pieces, 16 seams lost
    const std::string scattered = boardWithout({17, 40, 70, 120, 150, 180, 200, 230});  // 248 pieces, 32 seams lost
    writeFile("d/Result.csv", block);
    writeFile("d/B248-448.csv", scattered);
    writeFile("d/Best248.csv", scattered);
    std::string swapped = boardWithout({17, 40, 70, 120, 150, 180});
    const std::string corner = swapped.substr(0, 5);
    swapped.replace(0, 5, swapped.substr(6, 5));  // the corner and its neighbour swapped
    swapped.replace(6, 5, corner);
    writeFile("d/Best250.csv", swapped);
    writeFile("d/other.csv", boardWithout({}));  // not a name any solver writes
    std::filesystem::create_directory("d/Best254.csv");
    ASSERT_EQ(::mkfifo("d/Best255.csv", 0644), 0);

    BoardCheck check;
    std::string reason;
    ASSERT_TRUE(checkBoardText(swapped, check, reason));
    ASSERT_FALSE(check.consistent());
    ASSERT_EQ(check.piecesPlaced, 250);

    std::string out;
    EXPECT_EQ(run("--best d", out), 0);
    EXPECT_EQ(out, "d/Result.csv\n");
    std::filesystem::remove("d/Result.csv");
    EXPECT_EQ(run("--best d/", out), 0);
    EXPECT_EQ(out, "d/B248-448.csv\n");

    std::filesystem::create_directory("empty");
    writeFile("empty/notes.csv", block);
    EXPECT_EQ(run("--best empty", out), 1);
    EXPECT_EQ(out, "");
    EXPECT_EQ(run("--best missing", out), 2);
    EXPECT_EQ(run("--best d/Best248.csv", out), 2);
    EXPECT_EQ(out, "");
}

// Line ends and a byte-order mark as editors leave them: the checker reads the
// board the resuming solvers read from the same bytes, cell for cell.
TEST(BoardCheck, ReadsTheBoardTheSolversReadWhateverTheLineEnds) {
    const std::string crlf = readFile(sourcePath("data/solution_16x16.csv"));
    auto replaced = [&](const std::string& end) {
        std::string text;
        for (std::size_t at = 0; at < crlf.size();) {
            const std::size_t next = crlf.find("\r\n", at);
            text += crlf.substr(at, next - at) + end;
            at = next + 2;
        }
        return text;
    };
    const std::string BOM = "\xEF\xBB\xBF";
    const std::pair<const char*, std::string> cases[] = {
        {"CR LF", crlf},
        {"LF", replaced("\n")},
        {"CR alone", replaced("\r")},
        {"a byte-order mark", BOM + crlf},
        {"a byte-order mark and CR alone", BOM + replaced("\r")},
        {"blank lines between", replaced("\r\n\r\n")},
    };
    for (const auto& [what, text] : cases) {
        BoardCheck check;
        std::string reason;
        ASSERT_TRUE(checkBoardText(text, check, reason)) << what << ": " << reason;
        EXPECT_TRUE(check.complete()) << what;
        Board16 resumed;
        parseBoardBytes(text, resumed);
        EXPECT_EQ(check.cells, std::vector<PlacedCell>(resumed.begin(), resumed.end())) << what;
    }
}

// Rim pieces on inner cells: every colour may match, yet no solution holds the
// board. Named, a seam of two border sides not counted as matched, and ranked
// below every board that could still be completed.
TEST_F(BoardCheckProgram, RimPiecesOffTheRimAreNamedAndRankBelowBoardsThatCouldBeCompleted) {
    const std::vector<PlacedCell> solution = solution16();
    // The edge pieces of cells 1 and 2 on cells 17 and 18, their neighbours emptied.
    auto turnedTo = [&](int cell, int side) {
        for (int r = 0; r < 4; ++r)
            if (rotate(pieceSet().bottomFirst[solution[cell].piece], r)[side] == BORDER_COLOUR)
                return PlacedCell{solution[cell].piece, static_cast<std::uint8_t>(r)};
        return PlacedCell{};
    };
    std::vector<PlacedCell> around = solution;
    for (int c : {1, 2, 16, 17, 18, 19, 33, 34}) around[c] = PlacedCell{};
    const BoardCheck without = checkCells(PuzzleKind::Board16x16, around);
    std::vector<PlacedCell> facing = around, one = around;
    facing[17] = turnedTo(1, bottom_first::RIGHT);
    facing[18] = turnedTo(2, bottom_first::LEFT);
    one[17] = turnedTo(1, bottom_first::RIGHT);
    struct Case {
        const char* what;
        std::vector<PlacedCell> cells;
        std::vector<int> inside;
        std::string named;  // the report's lines before its verdict
        const char* verdict;
    };
    const Case cases[] = {
        {"border to border on cells 17 and 18", facing, {17, 18},
         "rim pieces off the rim (a border side inwards): 2, cells 17, 18\n"
         "border-to-border seams (not matched): 1, cells 17-18\n",
         "consistent, but no solution holds it"},
        {"a border towards the empty cell 18", one, {17}, "rim pieces off the rim (a border side inwards): 1, cell 17\n",
         "consistent, but no solution holds it"},
        {"the same cells empty", around, {}, "", "consistent"},
        {"the planted solution", solution, {}, "", "complete and consistent"},
    };
    for (const Case& c : cases) {
        const BoardCheck check = checkCells(PuzzleKind::Board16x16, c.cells);
        EXPECT_TRUE(check.consistent()) << c.what;
        EXPECT_EQ(check.rimPiecesInside, c.inside) << c.what;
        EXPECT_EQ(check.deadEnd(), !c.inside.empty()) << c.what;
        EXPECT_EQ(check.matchedSeams, c.cells == solution ? 480 : without.matchedSeams) << c.what;
        const std::string report = formatCheckReport("b.csv", check);
        EXPECT_TRUE(report.ends_with("piece set: built-in\n" + c.named + c.verdict + "\n"))
            << c.what << ":\n" << report;
    }
    // 250 pieces that no solution holds rank below 248 that one could.
    auto write = [](const char* name, const std::vector<PlacedCell>& cells) {
        BoardText text;
        formatBoard(cells.data(), LAYOUT_16X16, text);
        writeFile(name, std::string(text.view()));
    };
    std::filesystem::create_directory("d");
    write("d/Best250.csv", facing);
    std::vector<PlacedCell> fewer = solution;
    for (int c : {1, 2, 16, 17, 18, 19, 33, 34}) fewer[c] = PlacedCell{};
    write("d/Best248.csv", fewer);
    std::string out;
    EXPECT_EQ(run("--best d", out), 0);
    EXPECT_EQ(out, "d/Best248.csv\n");
    EXPECT_EQ(run("d/Best250.csv", out), 0);  // consistent: exit 0, and says what no solution holds
    EXPECT_TRUE(out.ends_with("cells 17-18\nconsistent, but no solution holds it\n")) << out;
    EXPECT_TRUE(isBetter(BoardRank{1, 0, false}, BoardRank{256, 480, true}));
    EXPECT_FALSE(isBetter(NO_BOARD_RANK, BoardRank{0, 0, true}));
}
