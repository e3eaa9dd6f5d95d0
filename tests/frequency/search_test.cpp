// The search end to end: planted statistics give back the planted board, an empty
// tree ends with the hint alone, the hint's neighbours are filtered, progress
// reports and Result.csv come at fixed counts, and a seed repeats exactly.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>

#include "core/board_check.hpp"
#include "frequency/hash_tables.hpp"
#include "frequency/statistics.hpp"
#include "tests/frequency/solver_run.hpp"
#include "core/stat_builder.hpp"
#include "tests/support/temp_dir.hpp"

using namespace zentara;
using namespace zentara::frequency;
using zentara::testing::makeEngine;
using zentara::testing::readFile;
using zentara::testing::runSolver;
using zentara::StatCounts;

namespace {

class FrequencySearch : public zentara::testing::TempDirTest {};

Board16 planted() { return zentara::readBoard16(zentara::testing::sourcePath("data/solution_16x16.csv").string()); }

std::string plantedText() { return readFile(zentara::testing::sourcePath("data/solution_16x16.csv")); }

BoardCheck checked(const std::string& name) {
    BoardCheck check;
    std::string reason;
    EXPECT_TRUE(checkBoardFile(name.c_str(), check, reason)) << name << ": " << reason;
    return check;
}

std::string boardFileName(int level) {
    char name[32];
    std::snprintf(name, sizeof name, "Best%03d.csv", level);
    return name;
}

// All files of the current directory but Stat.bin, by name.
std::map<std::string, std::string> writtenFiles() {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator("."))
        if (entry.path().filename() != "Stat.bin") files[entry.path().filename().string()] = readFile(entry.path());
    return files;
}

constexpr const char* STATUS_AT_FULL_BOARD = "\rCurrent level: 256, Best level: 256, Tests: 10 millions... ";

}  // namespace

TEST_F(FrequencySearch, PlantedSeamsGiveBackThePlantedBoard) {
    zentara::statFromBoards({planted()}).writeStatBin();
    auto engine = makeEngine();
    for (RandomState seed : {1u, 0xC0FFEEu}) {
        SCOPED_TRACE(seed);
        const auto run = runSolver(*engine, seed);
        ASSERT_EQ(run.exitCode, 0) << run.console;
        EXPECT_EQ(run.console.rfind("Generating hash tables...\rHash buffer size: ", 0), 0u);
        const std::string status = STATUS_AT_FULL_BOARD;
        ASSERT_GE(run.console.size(), status.size());
        EXPECT_EQ(run.console.substr(run.console.size() - status.size()), status);
        EXPECT_EQ(engine->search.level, 256);

        // The full board is the planted one, byte for byte, and a complete valid board.
        EXPECT_EQ(readFile("Best256.csv"), plantedText());
        EXPECT_EQ(readFile("Result.csv"), plantedText());
        const BoardCheck full = checked("Best256.csv");
        EXPECT_TRUE(full.complete());
        EXPECT_TRUE(full.hintInPlace);

        // One best file per level from 200, each a consistent prefix of the planted board.
        EXPECT_FALSE(std::filesystem::exists(boardFileName(199)));
        const Board16 solution = planted();
        for (int level = 200; level <= 256; ++level) {
            const BoardCheck check = checked(boardFileName(level));
            EXPECT_TRUE(check.consistent()) << level;
            EXPECT_EQ(check.piecesPlaced, level);
            EXPECT_EQ(readFile(boardFileName(level)).size(), 1552u);
            // Level n holds cells 0 .. n-1 of the order, which skips the hint cell.
            for (int cell = 0; cell < CELL_COUNT; ++cell) {
                const bool filled = cell == HINT_CELL || cell < level - (cell > HINT_CELL ? 0 : 1);
                ASSERT_EQ(check.cells[cell], filled ? solution[cell] : PlacedCell{}) << level << " " << cell;
            }
        }
        EXPECT_EQ(writtenFiles().size(), 57u + 1u);
    }
}

// A full board whose file cannot be written (Best256.csv a link into a directory
// that is not there) is not lost: said once, then shown on the console, exit 1.
TEST_F(FrequencySearch, FullBoardThatCannotBeWrittenGoesToTheConsole) {
    zentara::statFromBoards({planted()}).writeStatBin();
    std::filesystem::create_symlink("gone/Best256.csv", "Best256.csv");
    auto engine = makeEngine();
    const auto run = runSolver(*engine, 1);
    EXPECT_EQ(run.exitCode, 1);
    const std::string said = "\nBoard not written: Best256.csv: No such file or directory; trying again with the next board\n";
    EXPECT_NE(run.console.find(said + STATUS_AT_FULL_BOARD + "\nBoard files written again\n"), std::string::npos)
        << run.console;
    EXPECT_TRUE(run.console.ends_with("\nThe full board could not be written to its file; here it is:\n" + plantedText()))
        << run.console;
    EXPECT_EQ(readFile("Result.csv"), plantedText());
}

TEST_F(FrequencySearch, EmptyTreeEndsWithTheHintAlone) {
    // Only the seams around the hint: the corners on cell 0 have no right neighbour.
    Board16 hintOnly{};
    const Board16 solution = planted();
    for (int cell : {HINT_CELL - 16, HINT_CELL - 1, HINT_CELL, HINT_CELL + 1, HINT_CELL + 16})
        hintOnly[cell] = solution[cell];
    zentara::statFromBoards({hintOnly}).writeStatBin();
    auto engine = makeEngine();
    const auto run = runSolver(*engine, 3);
    EXPECT_EQ(run.exitCode, 0);
    const std::string status = "\rCurrent level:   1, Best level:   2, Tests: 10 millions... ";
    EXPECT_EQ(run.console.substr(run.console.size() - status.size()), status);
    EXPECT_EQ(engine->search.placements, 4);  // the four corners, one after the other

    Board16 expected{};
    expected[HINT_CELL] = PlacedCell{HINT_PIECE, HINT_ROTATION};
    BoardText text;
    formatBoard(expected.data(), LAYOUT_16X16, text);
    const auto files = writtenFiles();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files.at("Result.csv"), std::string(text.view()));
    EXPECT_NE(files.at("Result.csv").find("139,2"), std::string::npos);
}

TEST_F(FrequencySearch, CellsBesideTheHintTakeOnlyItsRecordedNeighbours) {
    // The planted piece above (or left of) the hint keeps all its other seams, but its
    // seam with the hint is recorded against two strangers instead. It still heads the
    // pair list of its cell; only the hint's neighbour set turns it away, so the search
    // can never pass that cell, and exhausts the tree.
    const Board16 solution = planted();
    auto edgeFacing = [](const PlacedCell& c, int side) { return 4 * c.piece + ((side - c.rotation) & 3); };
    using namespace bottom_first;
    struct Case {
        int cell;         // 119 or 134
        int sideToHint;   // its side that faces the hint
        int hintEdge;     // the hint's edge that faces it
        int bestLevel;    // the hint and every cell before this one
    };
    for (const Case& c : {Case{HINT_CELL - 16, BOTTOM, HINT_TOP_EDGE, 120}, Case{HINT_CELL - 1, RIGHT, HINT_LEFT_EDGE, 135}}) {
        SCOPED_TRACE(c.cell);
        StatCounts stat = zentara::statFromBoards({solution});
        const int neighbourEdge = edgeFacing(solution[c.cell], c.sideToHint);
        stat.at(neighbourEdge, c.hintEdge) = stat.at(c.hintEdge, neighbourEdge) = 0;
        // Strangers of the same colours on other pieces: seams of this set all the same.
        const auto stranger = [](int edge, int avoid) {
            int e = edge;
            for (int n = 1; e / 4 == edge / 4 || e / 4 == avoid / 4; ++n) e = zentara::sameColourEdge(edge, n);
            return e;
        };
        stat.addPair(neighbourEdge, stranger(neighbourEdge, c.hintEdge));
        stat.addPair(c.hintEdge, stranger(c.hintEdge, neighbourEdge));
        stat.writeStatBin();

        auto engine = makeEngine();
        const auto run = runSolver(*engine, 17);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(engine->search.bestLevel, c.bestLevel);
        EXPECT_EQ(engine->search.level, 1);
        EXPECT_EQ(writtenFiles().size(), 1u);  // Result.csv only: no level of 200
        std::filesystem::remove("Result.csv");
    }
}

TEST_F(FrequencySearch, ReportsComeEveryTenMillionPlacementsAndRepeatFromASeed) {
    const StatCounts stat = zentara::plantedWithRandomBoards(planted(), 20, 6, 11);
    stat.writeStatBin();
    auto engine = makeEngine();

    const auto first = runSolver(*engine, 8080, 1);
    EXPECT_EQ(first.exitCode, 0);
    EXPECT_EQ(engine->search.placements, 10'000'000);
    EXPECT_EQ(engine->search.tests, 10);
    char status[128];
    std::snprintf(status, sizeof status, "\rCurrent level: %3d, Best level: %3d, Tests: 10 millions... ",
                  engine->search.level, engine->search.bestLevel);
    EXPECT_EQ(first.console.substr(first.console.rfind('\r')), status);
    EXPECT_LT(engine->search.bestLevel, 256) << "the random boards should keep the search busy";
    auto files = writtenFiles();
    EXPECT_EQ(files.count("Result.csv"), 0u);  // only every fifth report
    for (const auto& [name, bytes] : files) EXPECT_TRUE(checked(name).consistent()) << name;

    // The same seed again: the same console and the same files.
    for (const auto& [name, bytes] : files) std::filesystem::remove(name);
    stat.writeStatBin();
    const auto again = runSolver(*engine, 8080, 1);
    EXPECT_EQ(again.console, first.console);
    EXPECT_EQ(writtenFiles(), files);
}

TEST_F(FrequencySearch, EveryFifthReportWritesTheCurrentBoard) {
    const StatCounts stat = zentara::plantedWithRandomBoards(planted(), 20, 6, 11);
    stat.writeStatBin();
    auto engine = makeEngine();
    const auto run = runSolver(*engine, 8080, 5);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(engine->search.tests, 50);
    EXPECT_NE(run.console.find("Tests: 40 millions... \rCurrent level:"), std::string::npos);

    const BoardCheck result = checked("Result.csv");
    EXPECT_TRUE(result.consistent());
    EXPECT_TRUE(result.hintInPlace);
    EXPECT_EQ(result.piecesPlaced, engine->search.level);
    // It shows the board as it stood at the report: the state the run stopped in.
    Board16 now{};
    for (int cell = 0; cell < CELL_COUNT; ++cell)
        if (engine->search.board[cell] != NO_ENTRY) {
            const int number = entryNumber(engine->tables.pool[engine->search.board[cell]]);
            now[cell] = PlacedCell{static_cast<std::int16_t>(number / 4), static_cast<std::uint8_t>(number % 4)};
        }
    EXPECT_EQ(std::vector<PlacedCell>(now.begin(), now.end()), result.cells);
}
