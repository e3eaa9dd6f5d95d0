// Resuming from best-board files, completing a board, the files written on the
// way, and repeatability from a fixed seed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>

#include "shift/shift_search.hpp"
#include "shift_test_support.hpp"

using namespace zentara;
using namespace zentara::shift;
using zentara::shift::testing::boardText;
using zentara::shift::testing::checkedFile;
using zentara::shift::testing::freshSearch;
using zentara::shift::testing::plantedSolution;
using zentara::shift::testing::plantedWithHoles;
using zentara::testing::programPath;
using zentara::testing::readFile;
using zentara::testing::writeFile;

namespace {

std::map<std::string, std::string> filesIn(const std::filesystem::path& dir) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        files[entry.path().filename().string()] = readFile(entry.path());
    return files;
}

}  // namespace

class ShiftResume : public zentara::testing::TempDirTest {};

TEST_F(ShiftResume, CompletesThePlantedSolutionWithHoles) {
    writeFile("Best249.csv", boardText(plantedWithHoles(7, 21)));
    writeFile("Best210.csv", boardText(plantedWithHoles(46, 3)));  // shallower: not read
    auto s = std::make_unique<ShiftSearch>();
    std::ostringstream out;
    EXPECT_EQ(runShiftSolver(*s, 2024, out), 0);
    EXPECT_EQ(out.str(), "");  // done long before the first status line
    EXPECT_EQ(s->level, 256);
    EXPECT_EQ(s->maxLevel, 256);
    const BoardCheck check = checkedFile("Best256.csv");
    EXPECT_TRUE(check.complete());
    // Every new level from the resumed 249 got its file.
    for (int level = 250; level <= 256; ++level)
        EXPECT_TRUE(std::filesystem::exists("Best" + std::to_string(level) + ".csv")) << level;
    for (const auto& [name, bytes] : filesIn(dir()))
        if (name != "Best210.csv" && name != "Best249.csv") checkedFile(name);
}

TEST_F(ShiftResume, ProgramCompletesTheBoardAndExitsZero) {
    writeFile("Best251.csv", boardText(plantedWithHoles(5, 77)));
    std::string command = programPath("shift-solver").string();
    command.insert(command.begin(), '"');
    command.append("\" > console.txt");
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(checkedFile("Best256.csv").complete());
    EXPECT_EQ(readFile("Best251.csv"), boardText(plantedWithHoles(5, 77)));  // input left alone
}

TEST_F(ShiftResume, ReadErrorsNameTheFileAndTheCell) {
    Board16 cells = plantedSolution();
    cells[200] = cells[3];                  // piece already on cell 3: row 13, column 9
    cells[0] = PlacedCell{HINT_PIECE, 2};   // a fixed piece off its cell: row 1, column 1
    cells[HINT_CELL] = PlacedCell{HINT_PIECE, 2};  // and on its own cell: silent
    cells[210] = PlacedCell{5, 1};          // anything on a fixed cell is ignored silently
    writeFile("Best252.csv", boardText(cells));
    auto s = freshSearch();
    std::ostringstream out;
    ASSERT_TRUE(resumeFromBestFile(*s, out));
    EXPECT_EQ(out.str(),
              "Read error from Best252.csv, bad block at [1,1]!\n"
              "Read error from Best252.csv, bad block at [13,9]!\n");
    EXPECT_EQ(s->level, 254);
    EXPECT_EQ(s->maxLevel, 254);
    EXPECT_EQ(s->board.placement[200], NO_RECORD);
    EXPECT_EQ(s->board.pieceCell[cells[3].piece], 3);
    EXPECT_EQ(s->board.placement[210], orientedNumber(180, 3));
    EXPECT_EQ(s->snapshot.board.placement, s->board.placement);
    writeBoard(*s, "Resumed.csv");
    EXPECT_EQ(checkedFile("Resumed.csv").piecesPlaced, 254);
}

TEST_F(ShiftResume, PiecesThatDoNotFitAreRefused) {
    // Two pieces swapped: the board as read would carry broken seams into every file.
    Board16 cells = plantedSolution();
    std::swap(cells[40], cells[90]);
    writeFile("Best255.csv", boardText(cells));
    auto s = freshSearch();
    std::ostringstream out;
    ASSERT_TRUE(resumeFromBestFile(*s, out));
    EXPECT_EQ(out.str(),
              "Read error from Best255.csv, bad block at [3,9]!\n"
              "Read error from Best255.csv, bad block at [6,11]!\n");
    EXPECT_EQ(s->level, 254);
    writeBoard(*s, "Resumed.csv");
    EXPECT_EQ(checkedFile("Resumed.csv").piecesPlaced, 254);
}

TEST_F(ShiftResume, AFullBoardEndsAtOnce) {
    writeFile("Best255.csv", boardText(plantedSolution()));
    auto s = std::make_unique<ShiftSearch>();
    std::ostringstream out;
    EXPECT_EQ(runShiftSolver(*s, 1, out), 0);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(s->iterations, 0u);
    EXPECT_EQ(readFile("Best256.csv"), boardText(plantedSolution()));
}

TEST_F(ShiftResume, WithoutAFileStartsFromTheFixedPieces) {
    writeFile("Best230.csv", std::string(500, ' '));  // too short: passed over
    auto s = std::make_unique<ShiftSearch>();
    std::ostringstream out;
    runShiftSolver(*s, 31337, out, 1);
    EXPECT_EQ(s->statusReports, 1u);
    EXPECT_EQ(out.str().substr(0, 7), "\rLevel ");
    EXPECT_GT(s->maxLevel, 100);
    EXPECT_EQ(checkedFile("Result.csv").piecesPlaced, s->level);
}

TEST_F(ShiftResume, SeededRunsRepeatExactlyAndWriteOnlyConsistentBoards) {
    // From the fixed pieces alone the search climbs past 200 and then works for a long time.
    auto run = [&](const std::string& sub, RandomState seed) {
        std::filesystem::create_directory(sub);
        std::filesystem::current_path(sub);
        auto s = std::make_unique<ShiftSearch>();
        std::ostringstream out;
        runShiftSolver(*s, seed, out, 40);
        std::map<std::string, std::string> files = filesIn(".");
        for (const auto& [name, bytes] : files) checkedFile(name);
        // One best file for every new level from 200 on, and nothing else but Result.csv.
        EXPECT_GE(s->maxLevel, 200);
        EXPECT_EQ(files.size(), static_cast<std::size_t>(s->maxLevel - 199 + 1));
        for (int level = 200; level <= s->maxLevel; ++level) {
            const std::string name = "Best" + std::to_string(level) + ".csv";
            EXPECT_TRUE(files.count(name)) << name;
            if (files.count(name)) {
                EXPECT_EQ(checkedFile(name).piecesPlaced, level);
            }
        }
        std::filesystem::current_path("..");
        files["console"] = out.str();
        files["iterations"] = std::to_string(s->iterations);
        return files;
    };
    const auto first = run("a", 4242);
    const auto second = run("b", 4242);
    EXPECT_EQ(first, second);
    EXPECT_EQ(first.at("iterations"), "400000");
    EXPECT_TRUE(first.count("Result.csv"));
    const auto other = run("c", 4243);
    EXPECT_NE(first.at("console"), other.at("console"));
}
