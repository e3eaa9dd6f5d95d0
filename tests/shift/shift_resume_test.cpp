// Resuming from best-board files, completing a board, the files written on the
// way, and repeatability from a fixed seed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>

#include "shift_test_support.hpp"

using namespace zentara;
using namespace zentara::shift;
using namespace zentara::shift::testing;
using zentara::testing::readFile;
using zentara::testing::writeFile;

class ShiftResume : public zentara::testing::TempDirTest {};

TEST_F(ShiftResume, ProgramCompletesThePlantedSolutionWithHolesAndExitsZero) {
    const std::string start = boardText(plantedWithHoles(7, 21));
    writeFile("Best249.csv", start);
    writeFile("Best210.csv", boardText(plantedWithHoles(46, 3)));  // shallower: not read
    std::string command = zentara::testing::programPath("shift-solver").string();
    command.insert(command.begin(), '"');
    command.append("\" > console.txt");
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(readFile("console.txt"), "");  // done long before the first status line
    EXPECT_TRUE(checkedFile("Best256.csv").complete());
    for (int level = 250; level <= 255; ++level)  // every new level got its file
        EXPECT_EQ(checkedFile("Best" + std::to_string(level) + ".csv").piecesPlaced, level);
    EXPECT_EQ(readFile("Best249.csv"), start);
}

TEST_F(ShiftResume, ReadErrorsNameTheFileAndTheCell) {
    Board16 cells = plantedSolution();
    cells[200] = cells[3];                  // a piece on two cells: row 13, column 9
    cells[0] = PlacedCell{HINT_PIECE, 2};   // a fixed piece off its cell: row 1, column 1
    cells[210] = PlacedCell{5, 1};          // another piece on a fixed cell: row 14, column 3
    cells[45] = PlacedCell{254, 1};         // a fixed piece turned on its own cell: row 3, column 14
    ASSERT_EQ(cells[HINT_CELL], (PlacedCell{HINT_PIECE, 2}));  // the hint on its own cell: silent
    writeFile("Best252.csv", boardText(cells));
    auto s = freshSearch();
    std::ostringstream out;
    ASSERT_TRUE(resumeFromBestFile(*s, out));
    EXPECT_EQ(out.str(),
              "Read error from Best252.csv, bad block at [1,1]!\n"
              "Read error from Best252.csv, bad block at [3,14]!\n"
              "Read error from Best252.csv, bad block at [13,9]!\n"
              "Read error from Best252.csv, bad block at [14,3]!\n");
    EXPECT_EQ(s->level, 254);  // the fixed pieces stay: 256 less cells 0 and 200
    EXPECT_EQ(s->maxLevel, 254);
    EXPECT_EQ(s->board.pieceCell[cells[3].piece], 3);
    EXPECT_EQ(s->board.placement[210], orientedNumber(180, 3));
    EXPECT_EQ(s->board.placement[45], orientedNumber(254, 3));
    EXPECT_EQ(s->snapshot.board.placement, s->board.placement);
    writeBoard(*s, "Resumed.csv");
    EXPECT_EQ(checkedFile("Resumed.csv").piecesPlaced, 254);
}

TEST_F(ShiftResume, PiecesThatDoNotFitAreRefused) {
    // Two pieces swapped: taken as read, the broken seams would reach every board written.
    Board16 cells = plantedSolution();
    std::swap(cells[40], cells[90]);
    writeFile("Best255.csv", boardText(cells));
    auto s = freshSearch();
    std::ostringstream out;
    ASSERT_TRUE(resumeFromBestFile(*s, out));
    EXPECT_EQ(out.str(),
              "Read error from Best255.csv, bad block at [3,9]!\n"
              "Read error from Best255.csv, bad block at [6,11]!\n");
    writeBoard(*s, "Resumed.csv");
    EXPECT_EQ(checkedFile("Resumed.csv").piecesPlaced, 254);
}

TEST_F(ShiftResume, AFullBoardEndsAtOnce) {
    writeFile("Best255.csv", boardText(plantedSolution()));
    auto s = std::make_unique<ShiftSearch>();
    std::ostringstream out;
    EXPECT_EQ(runShiftSolver(*s, out, RunLimits{.seed = 1}), 0);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(s->iterations, 0u);
    EXPECT_EQ(readFile("Best256.csv"), boardText(plantedSolution()));
}

TEST_F(ShiftResume, SeededRunsRepeatExactlyAndWriteOnlyConsistentBoards) {
    // From the fixed pieces alone (a too short best file is passed over) the search
    // climbs past 200 and then works on for a long time.
    auto run = [&](const std::string& sub, RandomState seed) {
        std::filesystem::create_directory(sub);
        std::filesystem::current_path(sub);
        writeFile("Best230.csv", std::string(500, ' '));
        auto s = std::make_unique<ShiftSearch>();
        std::ostringstream out;
        runShiftSolver(*s, out, RunLimits{.seed = seed, .reports = 40});
        std::filesystem::remove("Best230.csv");
        std::map<std::string, std::string> files;
        for (const auto& entry : std::filesystem::directory_iterator("."))
            files[entry.path().filename().string()] = readFile(entry.path());
        // Result.csv and one best file for every new level from 200 on, nothing else.
        EXPECT_EQ(files.size(), static_cast<std::size_t>(s->maxLevel - 199 + 1));
        EXPECT_EQ(checkedFile("Result.csv").piecesPlaced, s->level);
        for (int level = 200; level <= s->maxLevel; ++level)
            EXPECT_EQ(checkedFile("Best" + std::to_string(level) + ".csv").piecesPlaced, level);
        std::filesystem::current_path("..");
        files["console"] = out.str();
        files["iterations"] = std::to_string(s->iterations);
        return files;
    };
    const auto first = run("a", 4242);
    EXPECT_EQ(first, run("b", 4242));
    EXPECT_EQ(first.at("iterations"), "400000");
    EXPECT_EQ(std::count(first.at("console").begin(), first.at("console").end(), '\r'), 40);
    EXPECT_NE(first.at("console"), run("c", 4243).at("console"));
}
