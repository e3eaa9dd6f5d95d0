#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <sstream>

#include "path/path_solver.hpp"
#include "tests/path/planted.hpp"
#include "tests/support/temp_dir.hpp"

namespace zentara::path {
namespace {

using testing::checkAllBoards;
using testing::piecesIn;
using zentara::testing::readFile;
using zentara::testing::sourcePath;

class PathSolverTest : public zentara::testing::TempDirTest {
protected:
    std::unique_ptr<PathSolver> makeSolver(PathSolverSettings settings, std::ostream& out, RandomState timeSeed = 1) {
        auto solver = std::make_unique<PathSolver>();
        startPathSolver(*solver, settings, timeSeed, out);
        return solver;
    }
    static PathSolverSettings seeded(RandomState seed) {
        PathSolverSettings s = PATH_SOLVER_SETTINGS;
        s.RandomSeed = seed;
        return s;
    }
};

TEST_F(PathSolverTest, StartReportShowsTheSettingsAndTheSeedInForce) {
    std::ostringstream out;
    auto solver = makeSolver(PATH_SOLVER_SETTINGS, out, 0x9ABCDEF0u);
    EXPECT_EQ(out.str(),
              "Starting solving Zentara puzzle.\nRandomMode 2, RandomSeed -1698898192, PathMode 4, AutoReset 0, "
              "ResetLevel 256.\n");
    EXPECT_EQ(solver->random.state, 0x9ABCDEF0u);
    std::ostringstream out2;
    solver = makeSolver(seeded(12345), out2, 777);
    EXPECT_EQ(out2.str(),
              "Starting solving Zentara puzzle.\nRandomMode 2, RandomSeed 12345, PathMode 4, AutoReset 0, "
              "ResetLevel 256.\n");
    EXPECT_EQ(solver->random.state, 12345u);
}

TEST_F(PathSolverTest, StatusEveryTwoMillionPlacementsWritesTheCurrentBoard) {
    std::ostringstream start, out;
    auto solver = makeSolver(seeded(12345), start);
    solver->limits.reports = 2;
    EXPECT_EQ(runPathSolver(*solver, out), SearchEnd::Stopped);
    EXPECT_EQ(solver->placements, 4000000u);
    EXPECT_EQ(solver->millions, 4);
    const std::string text = out.str();
    const std::regex status(
        "\rRandomSeed 12345, Current level ([0-9]+), max\\. ([0-9]+), variants 2 millions   "
        "\rRandomSeed 12345, Current level ([0-9]+), max\\. ([0-9]+), variants 4 millions   \n");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(text, m, status)) << text;
    EXPECT_LE(std::stoi(m[3]), std::stoi(m[4]));
    EXPECT_EQ(std::stoi(m[4]), solver->maxLevel);
    EXPECT_GT(solver->maxLevel, 150);
    // Result.csv holds the board up to the cell just placed: the placements
    // beyond it are gone, so the file and the cells agree.
    // Besides Result.csv, one best-board file per level from 180 to the maximum.
    EXPECT_EQ(checkAllBoards(), 1 + std::max(0, solver->maxLevel - 179));
    EXPECT_FALSE(std::filesystem::exists("Best179.csv"));
    EXPECT_EQ(piecesIn("Result.csv"), countPlaced(solver->cells));
    EXPECT_LE(countPlaced(solver->cells), std::stoi(m[3]));
}

TEST_F(PathSolverTest, SameSeedWritesTheSameFiles) {
    std::ostringstream start, outA, outB;
    auto a = makeSolver(seeded(2024), start);
    auto b = makeSolver(seeded(2024), start);
    a->limits.reports = b->limits.reports = 1;
    a->limits.bestLevel = b->limits.bestLevel = 120;
    runPathSolver(*a, outA);
    std::map<std::string, std::string> files;
    for (const auto& file : std::filesystem::directory_iterator(".")) {
        files[file.path().filename().string()] = readFile(file.path());
        std::filesystem::remove(file.path());
    }
    runPathSolver(*b, outB);
    EXPECT_EQ(outA.str(), outB.str());
    ASSERT_GE(a->maxLevel, 130);
    EXPECT_EQ(files.size(), static_cast<std::size_t>(a->maxLevel - 120 + 2));  // Best120..BestMax, Result.csv
    for (const auto& [name, bytes] : files) EXPECT_EQ(readFile(name), bytes) << name;
    EXPECT_EQ(checkAllBoards(), static_cast<int>(files.size()));
    EXPECT_EQ(piecesIn("Best125.csv"), 125);
    EXPECT_TRUE(std::filesystem::exists("Best120.csv"));
    EXPECT_FALSE(std::filesystem::exists("Best119.csv"));
}

TEST_F(PathSolverTest, ARunRepeatsFromTheSeedItReports) {
    PathSolverSettings settings = seeded(55);
    settings.AutoReset = 1;
    settings.ResetLevel = 400;  // 200 / (400 - max + 1) is 0: every status asks for a reset
    std::ostringstream start, out;
    auto solver = makeSolver(settings, start);
    solver->limits.reports = 2;
    EXPECT_EQ(runPathSolver(*solver, out), SearchEnd::Stopped);
    const std::regex status("\rRandomSeed (-?[0-9]+), Current level [0-9]+, max\\. [0-9]+, variants ([0-9]+) millions   \n");
    const std::string text = out.str();
    std::vector<std::string> seeds, lines;
    for (std::sregex_iterator it(text.begin(), text.end(), status), end; it != end; ++it) {
        seeds.push_back((*it)[1]);
        lines.push_back((*it)[0]);
    }
    ASSERT_EQ(seeds.size(), 2u) << text;
    EXPECT_EQ(seeds[0], "55");
    EXPECT_NE(seeds[1], "55");
    const std::string secondRunResult = readFile("Result.csv");

    // A program built with the reported seed repeats the second run.
    settings.RandomSeed = static_cast<RandomState>(std::stol(seeds[1]));
    std::ostringstream start2, out2;
    auto again = makeSolver(settings, start2);
    again->limits.reports = 1;
    runPathSolver(*again, out2);
    std::string expected = lines[1];
    expected.replace(expected.find("variants 4"), 10, "variants 2");
    EXPECT_EQ(out2.str(), expected);
    EXPECT_EQ(readFile("Result.csv"), secondRunResult);
}

// Runs with automatic reset: as the plain generator builds them up to the first
// whose start state (its low 26 bits, all that its draws read) an earlier run
// had; that run and every later one start from a fresh seed, none like another,
// and each repeats from the seed it reports.
TEST_F(PathSolverTest, RunsOfALongSeriesNeverComeRound) {
    constexpr RandomState HIGH_BIT = RandomState{1} << 26;  // no draw reads it
    struct Row {
        const char* name;
        int runsBefore;         // plain runs, then the start state of run `again`
        int again;              // comes round, with ...
        RandomState flipped;    // ... these bits changed
    } rows[] = {
        {"the first run's state", 4, 0, 0},
        {"a later run's state", 6, 3, 0},
        {"the same low bits under other high ones", 5, 1, HIGH_BIT | RandomState{1} << 31},
    };
    auto listsOf = [](RandomState seed) {
        auto lists = std::make_unique<CandidateLists>();
        Random random{seed};
        buildCandidateLists(*lists, InsertMode::Random, random, computePieceScores());
        return lists;
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        PathSolverSettings settings = seeded(20261209);
        settings.AutoReset = 1;
        std::ostringstream start;
        auto solver = makeSolver(settings, start);
        std::vector<RandomState> seeds;
        Random plain{settings.RandomSeed};
        for (int run = 0; run < row.runsBefore; ++run) {
            beginPathRun(*solver);
            EXPECT_EQ(solver->runSeed, plain.state) << "run " << run;
            seeds.push_back(solver->runSeed);
            auto scratch = std::make_unique<CandidateLists>();
            buildCandidateLists(*scratch, InsertMode::Random, plain, computePieceScores());
        }
        EXPECT_EQ(solver->freshStarts.freshFrom, 0u);
        // The state comes round: the plain generator would build run `again` once more.
        solver->random.state = seeds[row.again] ^ row.flipped;
        EXPECT_TRUE(listsOf(solver->random.state)->pool == listsOf(seeds[row.again])->pool);
        std::set<RandomState> keys;
        for (const RandomState seed : seeds) keys.insert(seed & (HIGH_BIT - 1));
        for (int run = 0; run < 40; ++run) {
            beginPathRun(*solver);
            EXPECT_TRUE(keys.insert(solver->runSeed & (HIGH_BIT - 1)).second) << "fresh run " << run;
        }
        EXPECT_EQ(solver->freshStarts.freshFrom, static_cast<std::uint64_t>(row.runsBefore) + 1);
        // The last run's lists, again from the seed it reports.
        EXPECT_TRUE(listsOf(solver->runSeed)->pool == solver->lists.pool);
    }
}

TEST_F(PathSolverTest, AutoResetRule) {
    PathSolverSettings settings = seeded(1);
    settings.AutoReset = 1;
    std::ostringstream start, out;
    auto solver = makeSolver(settings, start);
    beginPathRun(*solver);
    const int cell = solver->cells.startCell;
    // Maximum 200, ResetLevel 256: threshold 200 / 57 = 3, so the fourth status
    // asks for a reset, and the count starts again after it.
    solver->maxLevel = 200;
    for (int round = 0; round < 2; ++round)
        for (int progress = 1; progress <= 8; ++progress)
            EXPECT_EQ(progressStep(*solver, cell, out), progress == 8) << round << " " << progress;
    // At or above ResetLevel, or with AutoReset off, never.
    solver->maxLevel = 256;
    for (int progress = 0; progress < 40; ++progress) EXPECT_FALSE(progressStep(*solver, cell, out));
    solver->settings.AutoReset = 0;
    solver->maxLevel = 2;
    for (int progress = 0; progress < 40; ++progress) EXPECT_FALSE(progressStep(*solver, cell, out));
    EXPECT_EQ(solver->statusReports, 8 + 20 + 20);
    EXPECT_EQ(solver->millions, 16 + 40 + 40);
}

TEST_F(PathSolverTest, PlantedSolutionEndsTheProgramWithTheFullBoard) {
    const Board16 solution = testing::plantedSolution();
    const std::string solutionBytes = readFile(sourcePath("data/solution_16x16.csv"));
    for (int randomMode : {0, 1, 2}) {
        PathSolverSettings settings = seeded(8);
        settings.RandomMode = randomMode;
        std::ostringstream start, out;
        auto solver = makeSolver(settings, start);
        beginPathRun(*solver);
        ASSERT_TRUE(testing::plantSolution(solver->cells, solver->lists, solution));
        EXPECT_EQ(searchPath(*solver, out), SearchEnd::Complete);
        EXPECT_EQ(solver->placements, 255u);
        EXPECT_EQ(solver->maxLevel, 256);
        EXPECT_EQ(readFile("Best256.csv"), solutionBytes);
        EXPECT_FALSE(std::filesystem::exists("Best179.csv"));
        EXPECT_EQ(piecesIn("Best180.csv"), 180);
        EXPECT_FALSE(std::filesystem::exists("Result.csv"));
        EXPECT_EQ(checkAllBoards(), 256 - 180 + 1);
        EXPECT_EQ(out.str(), "");
        for (const auto& file : std::filesystem::directory_iterator(".")) std::filesystem::remove(file.path());
    }
}

// The full board's file cannot be made (Best256.csv a link into a directory that
// is not there): the failure is said once, the board goes to the console, exit 1.
TEST_F(PathSolverTest, FullBoardThatCannotBeWrittenGoesToTheConsole) {
    std::filesystem::create_symlink("gone/Best256.csv", "Best256.csv");
    std::ostringstream start, out;
    auto solver = makeSolver(seeded(8), start);
    const BoardWriteConsole watch(out);
    beginPathRun(*solver);
    ASSERT_TRUE(testing::plantSolution(solver->cells, solver->lists, testing::plantedSolution()));
    const SearchEnd end = searchPath(*solver, out);
    ASSERT_EQ(end, SearchEnd::Complete);
    EXPECT_EQ(finishPathRun(*solver, end, out), 1);
    EXPECT_EQ(out.str(), "\nBoard not written: Best256.csv: No such file or directory; trying again with the next board\n"
                         "\nThe full board could not be written to its file; here it is:\n" +
                             readFile(sourcePath("data/solution_16x16.csv")));
}

TEST_F(PathSolverTest, ExhaustedTreeEndsTheProgram) {
    std::ostringstream start, out;
    auto solver = makeSolver(seeded(3), start);
    beginPathRun(*solver);
    solver->lists.pool[solver->lists.first[solver->cells.listOf(solver->cells.startCell)]] = END_OF_LIST;
    EXPECT_EQ(searchPath(*solver, out), SearchEnd::Exhausted);
    EXPECT_EQ(countPlaced(solver->cells), 1);
    EXPECT_EQ(solver->placements, 0u);
}

}  // namespace
}  // namespace zentara::path
