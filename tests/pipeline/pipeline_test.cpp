// Programs meet only through files in their working directory: these tests run
// one engine after another in one directory and check every board each writes.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <random>
#include <sstream>

#include "berserker/berserker.hpp"
#include "core/board_check.hpp"
#include "frequency/frequency_solver.hpp"
#include "score/score_solver.hpp"
#include "shift/shift_search.hpp"
#include "core/stat_builder.hpp"
#include "tests/support/planted.hpp"
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
    RunLimits limits;
    limits.seed = 20261207u;
    limits.reports = 5;  // the fifth report saves Stat.bin
    ASSERT_EQ(score::runScoreSolver(*score, scoreConsole, limits), 0);
    ASSERT_EQ(std::filesystem::file_size("Stat.bin"), 4194304u);
    const std::string statBefore = zentara::testing::readFile("Stat.bin");
    const int scoreFiles = checkEveryBoardFile();
    EXPECT_GT(scoreFiles, 0);

    std::ostringstream frequencyConsole;
    auto frequency = std::make_unique<frequency::FrequencyEngine>();
    const int code = frequency::runFrequencySolver(*frequency, frequencyConsole, RunLimits{.seed = 77u, .reports = 3});
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
    ASSERT_EQ(frequency::runFrequencySolver(*frequency, frequencyConsole, RunLimits{.seed = 5u}), 0);
    ASSERT_TRUE(std::filesystem::exists("Best255.csv"));
    checkEveryBoardFile();

    // The deepest file the local searches may resume from is Best255.csv.
    std::filesystem::remove("Best256.csv");
    std::ostringstream shiftConsole;
    auto shift = std::make_unique<shift::ShiftSearch>();
    EXPECT_EQ(shift::runShiftSolver(*shift, shiftConsole, RunLimits{.seed = 31u}), 0);
    BoardCheck check;
    std::string reason;
    ASSERT_TRUE(checkBoardFile("Best256.csv", check, reason)) << reason;
    EXPECT_TRUE(check.complete());

    std::filesystem::remove("Best256.csv");
    std::ostringstream berserkerConsole;
    auto berserker = std::make_unique<berserker::Berserker>();
    berserker::setUp(*berserker, 32u);
    ASSERT_TRUE(berserker::resumeFromBestFile(*berserker, berserkerConsole));
    EXPECT_EQ(berserker::runSearch(*berserker, berserkerConsole, RunLimits{.seed = std::nullopt, .reports = 50}), berserker::SearchEnd::Complete);
    ASSERT_TRUE(berserker::writeResultFile(*berserker));
    ASSERT_TRUE(checkBoardFile("Result.csv", check, reason)) << reason;
    EXPECT_TRUE(check.complete()) << formatCheckReport("Result.csv", check);
    checkEveryBoardFile();
}

// The cells the checker lists as refused by a resuming solver, against the solvers
// themselves resuming from the same boards: the planted solution, and boards
// damaged at random (pieces swapped, also onto and off the fixed cells, turned,
// removed), so that every rule of refusal is met many times.
TEST(ResumeRefusals, CheckerListsTheCellsShiftAndBerserkerSolversRefuse) {
    const Board16 planted = zentara::testing::plantedSolution16();
    std::mt19937 random(20261208u);
    auto shift = std::make_unique<shift::ShiftSearch>();
    auto berserker = std::make_unique<berserker::Berserker>();
    int refusedSeen = 0;
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE(round);
        Board16 cells = planted;
        const int damage = round == 0 ? 0 : 1 + static_cast<int>(random() % 12);
        for (int k = 0; k < damage; ++k) {
            const int a = static_cast<int>(random() % CELL_COUNT), b = static_cast<int>(random() % CELL_COUNT);
            switch (random() % 5) {
                case 0: std::swap(cells[a], cells[b]); break;
                case 4: {  // an edge piece inside, its border side towards an empty cell
                    const int inner = 16 * (2 + static_cast<int>(random() % 12)) + 2 + static_cast<int>(random() % 12);
                    std::swap(cells[1 + random() % 14], cells[inner]);
                    cells[inner - 16] = PlacedCell{};
                    break;
                }
                case 1: std::swap(cells[a], cells[k % 2 ? 45 : 210]); break;
                case 2: cells[a].rotation = static_cast<std::uint8_t>((cells[a].rotation + 1 + random() % 3) & 3); break;
                default: cells[a] = PlacedCell{}; break;
            }
        }
        const BoardCheck check = checkCells(PuzzleKind::Board16x16, std::vector<PlacedCell>(cells.begin(), cells.end()));
        // Each solver says one line for every cell it refuses, and the checker lists the same cells.
        const auto expectedLines = [&](ResumingSolver solver) {
            std::string lines;
            for (const ResumeRefusal& r : listResumeRefusals(check, solver))
                lines += "Read error from Best250.csv, bad block at [" + std::to_string(r.cell / 16 + 1) + "," +
                         std::to_string(r.cell % 16 + 1) + "]!\n";
            return lines;
        };
        int keptFixed = 0;  // fixed cells that hold their fixed piece: neither placed nor refused
        for (const FixedPlacement& f : pieceSet().clues())
            keptFixed += cells[f.cell] == PlacedCell{static_cast<std::int16_t>(f.piece), static_cast<std::uint8_t>(f.rotation)};

        shift::setUp(*shift, 1u);
        std::ostringstream console;
        shift::resumeFromCells(*shift, cells, "Best250.csv", console);
        const int shiftTaken = shift->level - static_cast<int>(pieceSet().clues().size());
        EXPECT_EQ(countResumeRefusals(check, ResumingSolver::Shift), check.piecesPlaced - keptFixed - shiftTaken);
        EXPECT_EQ(console.str(), expectedLines(ResumingSolver::Shift));

        berserker::setUp(*berserker, 1u);
        std::ostringstream berserkerConsole;
        const int berserkerTaken = berserker::resumeFromCells(*berserker, cells, "Best250.csv", berserkerConsole);
        EXPECT_EQ(countResumeRefusals(check, ResumingSolver::Berserker), check.piecesPlaced - keptFixed - berserkerTaken);
        EXPECT_EQ(berserkerConsole.str(), expectedLines(ResumingSolver::Berserker));
        refusedSeen += check.piecesPlaced - keptFixed - shiftTaken;
        if (round == 0) {
            EXPECT_EQ(shiftTaken, CELL_COUNT - static_cast<int>(pieceSet().clues().size()));
        }
    }
    EXPECT_GT(refusedSeen, 100);
}
