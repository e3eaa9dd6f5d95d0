// Programs meet only through files in their working directory: these tests run
// one engine after another in one directory and check every board each writes.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>

#include "berserker/berserker.hpp"
#include "core/board_check.hpp"
#include "frequency/frequency_solver.hpp"
#include "score/score_solver.hpp"
#include "shift/shift_search.hpp"
#include "core/stat_builder.hpp"
#include "tests/support/temp_dir.hpp"

using namespace zentara;

namespace {

// Every board file in the directory, checked; returns how many there were.
int checkEveryBoardFile() {
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() != ".csv") continue;
        ++files;
        BoardCheck check;
        std::string reason;
        EXPECT_TRUE(checkBoardFile(name.c_str(), check, reason)) << name << ": " << reason;
        EXPECT_TRUE(check.consistent()) << formatCheckReport(name.c_str(), check);
        EXPECT_TRUE(check.hintInPlace) << name;
    }
    return files;
}

class Pipeline : public zentara::testing::TempDirTest {};

}  // namespace

TEST_F(Pipeline, FrequencySolverAcceptsWhatScoreSolverGathered) {
    std::ostringstream scoreConsole;
    auto score = std::make_unique<score::ScoreSolver>();
    score::ScoreRunOptions options;
    options.out = &scoreConsole;
    options.seed = 20261207u;
    options.reportLimit = 5;  // the fifth report saves Stat.bin
    ASSERT_EQ(score::runScoreSolver(*score, options), 0);
    ASSERT_EQ(std::filesystem::file_size("Stat.bin"), 4194304u);
    const std::string statBefore = zentara::testing::readFile("Stat.bin");
    const int scoreFiles = checkEveryBoardFile();
    EXPECT_GT(scoreFiles, 0);

    std::ostringstream frequencyConsole;
    auto frequency = std::make_unique<frequency::FrequencyEngine>();
    const int code = frequency::runFrequencySolver(*frequency, frequencyConsole, frequency::RunOptions{77u, 3});
    EXPECT_EQ(code, 0) << frequencyConsole.str();
    EXPECT_EQ(frequencyConsole.str().find("Invalid statistic file!"), std::string::npos);
    EXPECT_NE(frequencyConsole.str().find("Generating hash tables..."), std::string::npos);
    EXPECT_EQ(zentara::testing::readFile("Stat.bin"), statBefore) << "a reader never changes Stat.bin";
    checkEveryBoardFile();
}

TEST_F(Pipeline, LocalSearchesResumeFromFrequencySolverBestBoards) {
    // Statistics of the planted board lead the frequency solver through it; it
    // writes Best200.csv ... Best256.csv on the way.
    zentara::StatCounts stat;
    stat.addBoard(zentara::readBoard16(zentara::testing::sourcePath("data/solution_16x16.csv").string()), 20);
    stat.writeStatBin();
    std::ostringstream frequencyConsole;
    auto frequency = std::make_unique<frequency::FrequencyEngine>();
    ASSERT_EQ(frequency::runFrequencySolver(*frequency, frequencyConsole, frequency::RunOptions{5u, 0}), 0);
    ASSERT_TRUE(std::filesystem::exists("Best255.csv"));
    checkEveryBoardFile();

    // The deepest file the local searches may resume from is Best255.csv.
    std::filesystem::remove("Best256.csv");
    std::ostringstream shiftConsole;
    auto shift = std::make_unique<shift::ShiftSearch>();
    EXPECT_EQ(shift::runShiftSolver(*shift, 31u, shiftConsole), 0);
    BoardCheck check;
    std::string reason;
    ASSERT_TRUE(checkBoardFile("Best256.csv", check, reason)) << reason;
    EXPECT_TRUE(check.complete());

    std::filesystem::remove("Best256.csv");
    std::ostringstream berserkerConsole;
    auto berserker = std::make_unique<berserker::Berserker>();
    berserker::setUp(*berserker, 32u);
    ASSERT_TRUE(berserker::resumeFromBestFile(*berserker));
    EXPECT_EQ(berserker::runSearch(*berserker, berserkerConsole, 50), berserker::SearchEnd::Complete);
    ASSERT_TRUE(berserker::writeResultFile(*berserker));
    ASSERT_TRUE(checkBoardFile("Result.csv", check, reason)) << reason;
    EXPECT_TRUE(check.complete()) << formatCheckReport("Result.csv", check);
    checkEveryBoardFile();
}
