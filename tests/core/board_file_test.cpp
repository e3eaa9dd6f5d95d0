#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "core/board_file.hpp"
#include "tests/support/temp_dir.hpp"

using namespace zentara;
using zentara::testing::readFile;
using zentara::testing::writeFile;

namespace {
PlacedCell cell(int piece, int rotation) {
    return PlacedCell{static_cast<std::int16_t>(piece), static_cast<std::uint8_t>(rotation)};
}
}  // namespace

TEST(BoardFile, EmptyBoardsHaveTheirExactSizes) {
    std::vector<PlacedCell> cells(256);
    BoardText text;
    formatBoard(cells.data(), LAYOUT_16X16, text);
    EXPECT_EQ(text.size, 1552u);
    const std::string row = "  0,0;  0,0;  0,0;  0,0;  0,0;  0,0;  0,0;  0,0;  0,0;  0,0;  0,0;  0,0;  0,0;  0,0;  0,0;  0,0\r\n";
    ASSERT_EQ(row.size(), 97u);
    std::string all;
    for (int i = 0; i < 16; ++i) all += row;
    EXPECT_EQ(text.view(), all);

    formatBoard(cells.data(), LAYOUT_6X12, text);
    EXPECT_EQ(text.size, 366u);
    EXPECT_EQ(text.view().substr(0, 61), " 0,0; 0,0; 0,0; 0,0; 0,0; 0,0; 0,0; 0,0; 0,0; 0,0; 0,0; 0,0\r\n");
    formatBoard(cells.data(), LAYOUT_6X6, text);
    EXPECT_EQ(text.size, 186u);
    EXPECT_EQ(LAYOUT_6X6.fileBytes(), 186);
}

TEST(BoardFile, CellTexts) {
    std::vector<PlacedCell> cells(256);
    cells[0] = cell(99, 3);    // "100,3": no leading blank
    cells[1] = cell(8, 1);     // "  9,1"
    cells[2] = cell(0, 0);     // "  1,0"
    cells[15] = cell(255, 2);  // "256,2"
    cells[HINT_CELL] = cell(HINT_PIECE, 2);
    BoardText text;
    formatBoard(cells.data(), LAYOUT_16X16, text);
    const std::string_view v = text.view();
    EXPECT_EQ(v.substr(0, 18), "100,3;  9,1;  1,0;");
    EXPECT_EQ(v.substr(15 * 6, 7), "256,2\r\n");
    EXPECT_EQ(v.substr(8 * 97 + 7 * 6, 6), "139,2;");

    std::vector<PlacedCell> small(72);
    small[11] = cell(71, 1);
    small[0] = cell(9, 2);
    formatBoard(small.data(), LAYOUT_6X12, text);
    EXPECT_EQ(text.view().substr(0, 5), "10,2;");
    EXPECT_EQ(text.view().substr(55, 6), "72,1\r\n");
}

class BoardFileOnDisk : public zentara::testing::TempDirTest {};

TEST_F(BoardFileOnDisk, AtomicReplacement) {
    std::vector<PlacedCell> cells(256);
    writeFile("Result.csv", "old contents");
    cells[5] = cell(5, 1);
    ASSERT_TRUE(writeBoardFile("Result.csv", cells.data(), LAYOUT_16X16));
    const std::string bytes = readFile("Result.csv");
    EXPECT_EQ(bytes.size(), 1552u);
    EXPECT_EQ(bytes.substr(30, 5), "  6,1");
    // Nothing but the target is left behind.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 1);
}

TEST(BoardReader, ParseRules) {
    Board16 b;
    parseBoardBytes("139,2;  0,0;300,1; 12,7;xx 5,", b);
    EXPECT_EQ(b[0], cell(138, 2));
    EXPECT_TRUE(b[1].empty());
    EXPECT_EQ(b[2], cell(0, 1)) << "a number above 256 reads as piece index 0";
    EXPECT_EQ(b[3], cell(11, 0)) << "a rotation byte that is not 0-3 reads as 0";
    EXPECT_EQ(b[4], cell(4, 0)) << "data ending after the comma gives rotation 0";
    for (int c = 5; c < 256; ++c) EXPECT_TRUE(b[c].empty());

    // Stray text and any separators between cells.
    parseBoardBytes("row one: 7,3 | 8,1\n\n 256,0 end", b);
    EXPECT_EQ(b[0], cell(6, 3));
    EXPECT_EQ(b[1], cell(7, 1));
    EXPECT_EQ(b[2], cell(255, 0));
    EXPECT_TRUE(b[3].empty());
}

TEST_F(BoardFileOnDisk, WrittenBoardReadsBack) {
    Board16 cells{};
    for (int c = 0; c < 200; ++c) cells[c] = cell(c, c % 4);
    ASSERT_TRUE(writeBoardFile("Best200.csv", cells.data(), LAYOUT_16X16));
    const BestBoard best = readBestBoard();
    ASSERT_TRUE(best.found);
    EXPECT_EQ(best.level, 200);
    EXPECT_STREQ(best.name.data(), "Best200.csv");
    EXPECT_EQ(best.cells, cells);
}

TEST_F(BoardFileOnDisk, ReaderSizeLimitsAndOrder) {
    EXPECT_FALSE(readBestBoard().found);
    writeFile("Best240.csv", std::string(500, ' ') );  // exactly 500 bytes: passed over
    writeFile("Best199.csv", std::string(1552, '1'));  // below the names tried
    EXPECT_FALSE(readBestBoard().found);

    std::string b210(501, ' ');
    b210.replace(0, 5, " 17,1");
    writeFile("Best210.csv", b210);  // 501 bytes: read
    BestBoard best = readBestBoard();
    ASSERT_TRUE(best.found);
    EXPECT_EQ(best.level, 210);
    EXPECT_EQ(best.cells[0], cell(16, 1));
    EXPECT_TRUE(best.cells[1].empty()) << "a short file leaves the missing cells empty";

    std::string b230(1552, ' ');
    b230.replace(0, 5, "  3,2");
    writeFile("Best230.csv", b230);
    best = readBestBoard();
    EXPECT_EQ(best.level, 230) << "the deepest qualifying file wins";
    EXPECT_EQ(best.cells[0], cell(2, 2));

    // Only the first 4000 bytes are read.
    std::string big(4000, ' ');
    big += "  9,1";
    writeFile("Best255.csv", big);
    best = readBestBoard();
    EXPECT_EQ(best.level, 255);
    EXPECT_TRUE(best.cells[0].empty());
}

// A failed board write is said once, not again while writes keep failing, and
// once more when one works; without a console nothing is said. A full board
// whose write failed goes to the console in the board file format.
TEST_F(BoardFileOnDisk, FailedWritesAreSaidOnceAndAgainWhenWritingWorks) {
    std::vector<PlacedCell> cells(256);
    cells[0] = cell(0, 1);
    std::ostringstream console;
    const std::uint64_t failuresBefore = boardWriteFailures();
    {
        const BoardWriteConsole watch(console);
        EXPECT_FALSE(writeBoardFile("shelf/Best201.csv", cells.data(), LAYOUT_16X16));
        EXPECT_FALSE(writeBoardFile("shelf/Result.csv", cells.data(), LAYOUT_16X16));
        EXPECT_EQ(console.str(), "\nBoard not written: shelf/Best201.csv: No such file or directory; "
                                 "trying again with the next board\n");
        EXPECT_FALSE(tryBoardFile("shelf/Best.csv", cells.data(), LAYOUT_16X16));  // a first try says nothing
        std::filesystem::create_directory("shelf");
        EXPECT_TRUE(writeBoardFile("shelf/Result.csv", cells.data(), LAYOUT_16X16));
        EXPECT_TRUE(writeBoardFile("shelf/Best202.csv", cells.data(), LAYOUT_16X16));
        EXPECT_TRUE(console.str().ends_with("trying again with the next board\n\nBoard files written again\n"))
            << console.str();
        EXPECT_EQ(boardWriteFailures(), failuresBefore + 2);

        // The end at a full board: nothing to show when its write worked...
        console.str("");
        EXPECT_EQ(endWithFullBoard(console, cells.data(), LAYOUT_16X16, boardWriteFailures()), 0);
        EXPECT_EQ(console.str(), "");
        // ... the board itself when it failed.
        const std::uint64_t beforeFull = boardWriteFailures();
        EXPECT_FALSE(writeBoardFile("gone/Best256.csv", cells.data(), LAYOUT_16X16));
        EXPECT_EQ(endWithFullBoard(console, cells.data(), LAYOUT_16X16, beforeFull), 1);
        BoardText text;
        formatBoard(cells.data(), LAYOUT_16X16, text);
        EXPECT_EQ(console.str(), "\nBoard not written: gone/Best256.csv: No such file or directory; "
                                 "trying again with the next board\n"
                                 "\nThe full board could not be written to its file; here it is:\n" +
                                     std::string(text.view()));
    }
    console.str("");
    EXPECT_FALSE(writeBoardFile("gone/Result.csv", cells.data(), LAYOUT_16X16));
    EXPECT_EQ(console.str(), "") << "the run that named the console has ended";

    // A file written again and again that keeps failing (a directory in its
    // place) while new numbered files are written: said once, not at every
    // board, and "written again" only once it is written itself.
    std::filesystem::create_directory("Result.csv");
    const BoardWriteConsole watch(console);
    for (int level = 203; level < 206; ++level) {
        EXPECT_FALSE(writeBoardFile("Result.csv", cells.data(), LAYOUT_16X16));
        EXPECT_TRUE(writeBoardFile(("Best" + std::to_string(level) + ".csv").c_str(), cells.data(), LAYOUT_16X16));
    }
    EXPECT_EQ(console.str(), "\nBoard not written: Result.csv: not a regular file; trying again with the next board\n");
    std::filesystem::remove("Result.csv");
    EXPECT_TRUE(writeBoardFile("Result.csv", cells.data(), LAYOUT_16X16));
    EXPECT_TRUE(console.str().ends_with("next board\n\nBoard files written again\n")) << console.str();
}
