#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <regex>
#include <sstream>

#include "path/random_solver.hpp"
#include "tests/path/planted.hpp"
#include "tests/support/temp_dir.hpp"

namespace zentara::path {
namespace {

using testing::checkAllBoards;
using testing::piecesIn;
using zentara::testing::readFile;
using zentara::testing::sourcePath;

class RandomSolverTest : public zentara::testing::TempDirTest {
protected:
    std::unique_ptr<RandomSolver> makeSolver(int pathMode, RandomState seed, std::uint32_t budget) {
        auto solver = std::make_unique<RandomSolver>();
        solver->limits.runBudget = budget;
        setUpRandomSolver(*solver, pathMode, seed);
        return solver;
    }
};

TEST_F(RandomSolverTest, StatusLinesCountRunsAndTwentyMillionTestsEach) {
    auto solver = makeSolver(0, 99, 20000);
    solver->limits.reports = 3;
    std::ostringstream out;
    runRandomSolver(*solver, out);
    const std::regex line("\rLevel +([0-9]+), Max +([0-9]+), Resets    ([0-9]), Tests   ([0-9]+) millions ");
    std::string text = out.str();
    int runs = 0, lastMax = 0;
    for (std::sregex_iterator it(text.begin(), text.end(), line), end; it != end; ++it) {
        ++runs;
        EXPECT_EQ(std::stoi((*it)[3]), runs);
        EXPECT_EQ(std::stoi((*it)[4]), 20 * runs);
        const int level = std::stoi((*it)[1]), max = std::stoi((*it)[2]);
        EXPECT_LE(level, max);
        EXPECT_GE(max, lastMax);
        EXPECT_GT(level, 30);  // 20,000 backtracks go well past the first rows
        lastMax = max;
        EXPECT_EQ((*it)[0].length(), 54u);
    }
    EXPECT_EQ(runs, 3);
    EXPECT_EQ(solver->runLevel, 1);
    EXPECT_EQ(solver->backtrackSteps, 3u * 20000);
    // Text matched from the first to the last byte.
    EXPECT_EQ(text.size(), 3u * 54);
}

TEST_F(RandomSolverTest, SameSeedRepeatsExactly) {
    auto a = makeSolver(3, 4242, 300000);
    auto b = makeSolver(3, 4242, 300000);
    a->limits.reports = b->limits.reports = 2;
    a->limits.bestLevel = b->limits.bestLevel = 60;
    std::ostringstream outA, outB;
    runRandomSolver(*a, outA);
    const std::string resultA = readFile("Result.csv");
    const int maxA = a->maxLevel;
    std::filesystem::remove("Result.csv");
    runRandomSolver(*b, outB);
    EXPECT_EQ(outA.str(), outB.str());
    EXPECT_EQ(resultA, readFile("Result.csv"));
    EXPECT_EQ(a->random.state, b->random.state);
    EXPECT_TRUE(a->cells.placement == b->cells.placement);
    EXPECT_GE(maxA, 60);
    EXPECT_EQ(resultA.size(), 1552u);
}

TEST_F(RandomSolverTest, BoardsWrittenFromTheBoardLevelAreConsistent) {
    auto solver = makeSolver(1, 31337, 500000);
    solver->limits.bestLevel = 100;
    solver->limits.reports = 2;
    std::ostringstream out;
    runRandomSolver(*solver, out);
    ASSERT_GE(solver->maxLevel, 101);
    EXPECT_EQ(checkAllBoards(), solver->maxLevel - 100 + 2);  // Best100..BestMax and Result.csv
    EXPECT_FALSE(std::filesystem::exists("Best099.csv"));
    for (int level = 100; level <= solver->maxLevel; ++level) {
        char name[32];
        std::snprintf(name, sizeof name, "Best%03d.csv", level);
        EXPECT_EQ(piecesIn(name), level) << name;
    }
}

TEST_F(RandomSolverTest, PlantedSolutionCompletesTheRunOnEveryPath) {
    const Board16 solution = testing::plantedSolution();
    const std::string solutionBytes = readFile(sourcePath("data/solution_16x16.csv"));
    auto solver = std::make_unique<RandomSolver>();
    for (int mode = 0; mode < PATH_MODES; ++mode) {
        setUpRandomSolver(*solver, mode, 1000 + mode);
        ASSERT_TRUE(testing::plantSolution(solver->cells, solver->lists, solution)) << "mode " << mode;
        EXPECT_EQ(runRandomSearch(*solver), RunEnd::Complete) << mode;
        EXPECT_EQ(solver->backtrackSteps, 0u);
        EXPECT_EQ(solver->runLevel, 256);
        EXPECT_EQ(readFile("Result.csv"), solutionBytes) << mode;
        EXPECT_EQ(readFile("Best256.csv"), solutionBytes) << mode;
        EXPECT_EQ(piecesIn("Best200.csv"), 200);
        EXPECT_FALSE(std::filesystem::exists("Best199.csv"));
        EXPECT_EQ(checkAllBoards(), 256 - 200 + 1 + 1);
        for (const auto& file : std::filesystem::directory_iterator(".")) std::filesystem::remove(file.path());
    }
}

TEST_F(RandomSolverTest, NextRunStartsFromAnEmptyBoardAndKeepsTheMaximum) {
    const Board16 solution = testing::plantedSolution();
    auto solver = makeSolver(0, 5, 1000);
    ASSERT_TRUE(testing::plantSolution(solver->cells, solver->lists, solution));
    std::ostringstream out;
    ASSERT_EQ(runRandomSearch(*solver), RunEnd::Complete);
    finishRandomRun(*solver, out);
    EXPECT_EQ(out.str(), "\rLevel 256, Max 256, Resets    1, Tests   20 millions ");
    std::filesystem::remove("Result.csv");
    // The planted order is still mostly in place after 500 swaps; the run may go
    // deep, but a new maximum is impossible and nothing below 200 is written.
    runRandomSearch(*solver);
    EXPECT_EQ(solver->maxLevel, 256);
    EXPECT_LE(solver->runLevel, 256);
    EXPECT_EQ(std::filesystem::exists("Result.csv"), solver->runLevel >= 200);
}

TEST_F(RandomSolverTest, ExhaustedFirstListEndsTheRun) {
    auto solver = makeSolver(0, 5, 1000);
    // Empty the start cell's list: the search must stop there, counting one step.
    solver->lists.pool[solver->lists.first[solver->cells.listOf(solver->cells.startCell)]] = END_OF_LIST;
    EXPECT_EQ(runRandomSearch(*solver), RunEnd::Exhausted);
    EXPECT_EQ(solver->backtrackSteps, 1u);
    EXPECT_EQ(countPlaced(solver->cells), 1);
    for (int p = 0; p < PIECE_COUNT; ++p) EXPECT_FALSE(solver->used.contains(p));
}

}  // namespace
}  // namespace zentara::path
