// The step loop: status lines, board files, repeatability and the end.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>

#include "core/board_check.hpp"
#include "tests/berserker/helpers.hpp"

using namespace zentara;
using namespace zentara::berserker;
using namespace zentara::berserker::testing;
using zentara::testing::readFile;

namespace {

// The planted solution cut down to its top six rows: far from complete.
Board16 topRows() {
    Board16 cells = plantedSolution();
    for (int cell = 6 * 16; cell < CELL_COUNT; ++cell) cells[cell] = PlacedCell{};
    return cells;
}

// The planted solution with every fifth cell emptied: the search completes it.
Board16 everyFifthEmptied() {
    Board16 cells = plantedSolution();
    for (int cell = 0; cell < CELL_COUNT; cell += 5) cells[cell] = PlacedCell{};
    return cells;
}

std::map<std::string, std::string> boardFiles(const std::filesystem::path& dir) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        files[entry.path().filename().string()] = readFile(entry.path());
    return files;
}

// Every board file in the directory passes the board checker and has its size;
// a numbered best file holds as many pieces as its number says.
void expectConsistentFiles(const std::filesystem::path& dir) {
    for (const auto& [name, bytes] : boardFiles(dir)) {
        ASSERT_EQ(name.substr(name.size() - 4), ".csv") << "stray file " << name;
        EXPECT_EQ(bytes.size(), 1552u) << name;
        BoardCheck check;
        std::string reason;
        ASSERT_TRUE(checkBoardFile((dir / name).c_str(), check, reason)) << name << ": " << reason;
        EXPECT_TRUE(check.consistent()) << name;
        EXPECT_TRUE(check.hintInPlace) << name;
        EXPECT_EQ(check.cells[210], placed(180, 3)) << name;
        EXPECT_EQ(check.cells[45], placed(254, 3)) << name;
        if (name.rfind("Best", 0) == 0) {
            EXPECT_EQ("Best" + std::to_string(check.piecesPlaced) + ".csv", name);
        }
    }
}

class BerserkerSearch : public zentara::testing::TempDirTest {};

}  // namespace

TEST_F(BerserkerSearch, FirstStepShowsTheStatusAndMakesTheFirstBigReset) {
    const auto e = makeEngine(5);
    std::ostringstream resumeLines;
    resumeFromBestFile(*e, resumeLines);
    std::ostringstream out;
    EXPECT_EQ(runSearch(*e, out, RunLimits{.seed = std::nullopt, .reports = 1}), SearchEnd::StatusLimit);
    EXPECT_EQ(out.str(), "\rLev   3, cur   3, max   3, tst      1 mil, res      0 K, big res  -1");
    EXPECT_EQ(e->bigResets, 0);
    EXPECT_EQ(e->board.level, 3) << "the fixed pieces survive";
    EXPECT_EQ(stepsTaken(*e), 1u);

    // From a resumed board the first big reset cuts into it before any placement.
    Board16 start = plantedSolution();
    for (int cell : {0, 17, 100, 201, 255}) start[cell] = PlacedCell{};
    const auto f = makeEngine(5);
    resumeFromCells(*f, start);
    std::ostringstream out2;
    runSearch(*f, out2, RunLimits{.seed = std::nullopt, .reports = 1});
    EXPECT_EQ(out2.str(), "\rLev 251, cur 251, max 251, tst      1 mil, res      0 K, big res  -1");
    EXPECT_EQ(f->bigResets, 0);
    EXPECT_EQ(f->bigResetCountdown, 10);
    EXPECT_LT(f->board.level, 251);
    EXPECT_GE(f->board.level, 251 - 100);
    EXPECT_TRUE(sameBoard(f->saved, f->board));
    EXPECT_EQ(f->bestLevel, 251);
    expectBoardInvariants(*f, f->board);
    EXPECT_TRUE(boardFiles(dir()).empty()) << "no file before the second status";
}

// Files are written at every second status and at new best levels, always from
// the saved board; every one of them passes the board checker.
TEST_F(BerserkerSearch, FilesShowTheSavedBoardAndAreConsistent) {
    const auto e = makeEngine(2026);
    resumeFromCells(*e, topRows());
    std::ostringstream out;
    runSearch(*e, out, RunLimits{.seed = std::nullopt, .reports = 12});
    // The last status shows the counters as they stood: nothing moves between the
    // status and the stop but the file countdown.
    char last[128];
    std::snprintf(last, sizeof last, "\rLev %3d, cur %3d, max %3d, tst %6d mil, res %6d K, big res %3d",
                  e->board.level, e->saved.level, e->bestLevel, 12, e->fallBackThousands, e->bigResets);
    EXPECT_EQ(out.str().substr(out.str().rfind('\r')), last);
    EXPECT_EQ(readFile("Result.csv"), boardText(*e, e->saved));
    EXPECT_NE(boardText(*e, e->saved), boardText(*e, e->board)) << "this seed's live board differs from the saved one";
    EXPECT_GE(e->bestLevel, 200);
    EXPECT_TRUE(std::filesystem::exists("Best" + std::to_string(e->bestLevel) + ".csv"));
    expectBoardInvariants(*e, e->board);
    expectBoardInvariants(*e, e->saved);
    expectConsistentFiles(dir());
}

TEST_F(BerserkerSearch, SeededRunRepeatsExactly) {
    auto run = [&](const char* sub, RandomState seed, std::string& console) {
        std::filesystem::create_directory(dir() / sub);
        std::filesystem::current_path(dir() / sub);
        auto e = makeEngine(seed);
        resumeFromCells(*e, topRows());
        std::ostringstream out;
        runSearch(*e, out, RunLimits{.seed = std::nullopt, .reports = 4});
        console = out.str();
        std::filesystem::current_path(dir());
        return e;
    };
    std::string first, second, other;
    const auto a = run("a", 424242, first);
    const auto b = run("b", 424242, second);
    const auto c = run("c", 424243, other);
    EXPECT_EQ(first, second);
    EXPECT_EQ(boardFiles(dir() / "a"), boardFiles(dir() / "b"));
    EXPECT_FALSE(boardFiles(dir() / "a").empty());
    EXPECT_TRUE(sameBoard(a->board, b->board));
    EXPECT_TRUE(sameBoard(a->saved, b->saved));
    EXPECT_EQ(a->random, b->random);
    EXPECT_EQ(a->bestLevel, b->bestLevel);
    EXPECT_EQ(a->fallBackThousands, b->fallBackThousands);
    EXPECT_NE(first, other) << "another seed searches differently";
}

TEST_F(BerserkerSearch, EndsWithTheCompleteBoardInTheFiles) {
    const auto e = makeEngine(77);
    resumeFromCells(*e, everyFifthEmptied());
    const int resumedLevel = e->bestLevel;
    std::ostringstream out;
    ASSERT_EQ(runSearch(*e, out, RunLimits{.seed = std::nullopt, .reports = 50}), SearchEnd::Complete);
    EXPECT_EQ(e->bestLevel, 256);
    EXPECT_EQ(e->board.level, 256);
    EXPECT_TRUE(sameBoard(e->saved, e->board));
    // A best file at every new best level above the resumed one.
    for (int level = 200; level <= 256; ++level)
        EXPECT_EQ(std::filesystem::exists("Best" + std::to_string(level) + ".csv"), level > resumedLevel) << level;
    BoardCheck check;
    std::string reason;
    ASSERT_TRUE(checkBoardFile("Result.csv", check, reason)) << reason;
    EXPECT_TRUE(check.complete());
    EXPECT_EQ(readFile("Result.csv"), readFile("Best256.csv"));
    expectConsistentFiles(dir());
}

TEST_F(BerserkerSearch, ProgramResumingACompleteBoardEndsAtOnce) {
    const std::string solution = readFile(zentara::testing::sourcePath("data/solution_16x16.csv"));
    zentara::testing::writeFile("Best255.csv", solution);
    const std::string command = zentara::testing::programPath("berserker-solver").string() + " > console.txt";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(readFile("console.txt"), "Zentara Berserker\n");
    BoardText expected;
    formatBoard(plantedSolution().data(), LAYOUT_16X16, expected);
    EXPECT_EQ(readFile("Result.csv"), expected.view());
}
